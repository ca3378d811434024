#pragma once
// Control of the report-formatting stand-in, for the host program and the tests (README.md beside
// this file describes the RTF form format and the document written).
//
// RTF output is off unless switched on, by setRtfEnabled or by the profile file "SORVEX.INI" (in the
// Windows directory of the Windows-services stand-in): section "RTF", key "Enabled" ("1", "Yes",
// "On" or "True" in any case switch it on) and key "File" (a Windows path: where the RTF document
// goes). The profile is read once, at the first call of a library function after load or reset,
// and only for what the control functions have not set.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace standins::report_formatting {

// Forgets settings, log, injected failures and the document; the profile is read again at the
// next call.
void reset();

// Switches RTF output on or off; nullopt: as the profile says (off when it says nothing), read
// again at the next call.
void setRtfEnabled(std::optional<bool> enabled);

// Where the document is written (a path of this machine); nullopt: as the profile says, else
// "REPORT.RTF" in the current directory (the profile read again at the next call). Changing it
// starts a new document.
void setOutputPath(std::optional<std::string> nativePath);
std::string outputPath();

// The document so far, as the file holds it after the last successful write (empty before the
// first form, break or section).
std::string documentText();
// Starts a new, empty document; the file is rewritten at the next call that adds to it.
void startNewDocument();

// Fault injection: after `skip` calls of the named operation have passed, the next `times` calls
// (< 0: every later one) fail. Operations: the seven library functions, which then do nothing and
// return 0 (IsRTFEnabled: output off), and "writeDocument", the writing of the RTF file, after
// which the function returns 0 but keeps what it added for the next write.
void failOperation(std::string_view operation, int skip = 0, int times = -1);

// Every call of a library function in order: its name, then its arguments separated by single
// blanks ("ParseRTF <path> <code> <values>", "SectionStart <title>", "PageBreak"); the values
// keep their 0x03 marks, a null text shows as nothing.
const std::vector<std::string>& callLog();
void clearCallLog();

}  // namespace standins::report_formatting
