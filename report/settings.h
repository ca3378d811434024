#pragma once
// The report library's settings file (report language and pages per sheet), its language state
// and two small file-name tests that the library shares.

#include <array>
#include <cstdint>
#include <span>

#include "common/export.h"

namespace kvom::report {

// The settings file, given to the profile calls without a directory.
inline constexpr const char* kSettingsFile = "REVURUDE.INI";
// The report language whose texts are drawn as they stand: no code-page conversion, box-drawing
// bytes drawn as text.
inline constexpr std::int32_t kDoubleByteLanguage = 6;

using LanguageCode = std::array<char, 3>;

// The code of the language of the report forms; three blanks until a language is chosen.
KVOM_EXPORT extern LanguageCode ReportLanguageCode;
// The copy of the code that SetLanguageByNumber compares with; written together with the first.
KVOM_EXPORT extern LanguageCode ActiveLanguageCode;
// The logic layer's copy of the code: zero bytes at load, then blank padded.
KVOM_EXPORT extern LanguageCode SharedLanguageCode;

// Reads "Language" of "[Setting]" and writes the language's 3-letter code into code (no
// terminator; code may be null). Returns the language number 1 to 6; a missing setting reads as
// "Default", that is ENGLISH, and so does a value whose first letter names no language. Reading
// changes no language state: the report language number follows only a language applied.
KVOM_EXPORT std::int32_t ReadLanguageSetting(char* code);
// The pages per sheet of "[Print Format]" "Output": 4 for "4 per 1", 2 for "2 per 1" (any case),
// 1 for anything else or nothing.
KVOM_EXPORT std::int32_t ReadPagesPerSheet();

// Chooses the language by the name's first letter (ENGLISH when it names none), stores its name in
// the settings file and makes it the language of the report. Returns 1 when the language was set;
// 0 when its databank file is missing or the settings file cannot be written, and then nothing
// has changed. A language set also becomes the report language number.
KVOM_EXPORT std::int32_t SetLanguageByName(const char* name);
// Sets language 1 to 6 unless it is already the active one; other numbers do nothing.
KVOM_EXPORT void SetLanguageByNumber(std::int32_t number);
// Whether the databank file of language 1 to 6 is in the databank directory.
KVOM_EXPORT bool LanguageAvailable(std::int32_t number);

// The program directory followed by "DAT\LAN\" or "DAT\PDA\", cut to the buffer; returns the
// buffer.
KVOM_EXPORT char* GetLanguageDir(std::span<char> buffer);
KVOM_EXPORT char* GetDatabankDir(std::span<char> buffer);

// Sets the report language number from the text's first letter (C 6, E 1, F 2, G 3, I 5, S 4, in
// either case); other letters leave it.
KVOM_EXPORT void SetLanguageFromLetter(const char* text);
// The report language number: 0 until a language is applied.
KVOM_EXPORT std::int32_t GetLanguageNumber();

// The language code of the settings file into the caller's fixed-length text, blank padded.
KVOM_EXPORT void GET_LANGUAGE(char* text, std::int64_t length);
// Reads the language code of the settings file into SharedLanguageCode.
KVOM_EXPORT void STORE_LANGUAGE_CODE();

// 1 when the Windows path names an existing file or directory, else 0.
KVOM_EXPORT std::int32_t FileExists(const char* path);
// 1 when the three characters after the first "." of the file name (directories ignored) are
// "KVI" in any case, else 0: "CASE.KVI.TXT" is an input file name, "A.B.KVI" is none.
KVOM_EXPORT std::int32_t IsInputFileName(const char* name);

}  // namespace kvom::report
