#pragma once
// The report-formatting library: while its RTF output is switched on, the report library hands it
// the report's forms and breaks instead of writing them into the text report. Texts are
// NUL-terminated; text from the report library is in the OEM code page.

#include <cstdint>

extern "C" {

// Non-zero when RTF output is switched on: forms go to ParseRTF and breaks to the functions below.
std::int32_t IsRTFEnabled();

// Renders one form into the RTF report: the full path of the group's RTF form file, the 8-character
// screen code in upper case, and the form's values (each ended by 0x03, the whole ended by NUL).
// Non-zero when the form was rendered.
std::int32_t ParseRTF(const char* formPath, const char* screenCode, const char* values);

// A page break, a component break and a table-of-contents break in the RTF report.
std::int32_t PageBreak();
std::int32_t ComponentBreak();
std::int32_t TOCBreak();

// Starts a section with the given title; ends the section last started.
std::int32_t SectionStart(const char* title);
std::int32_t SectionEnd();

}  // extern "C"
