#pragma once
// Screen forms and the report file. A form is a 24-row by 80-column page layout kept in a form
// library per language (XXXX.LNG, located through its index XXXXINDX.LNG in the language
// directory or the current directory). The form command reads a form, fills it with a value text
// and appends it, with its picture references, to the case's report file (the ".KVO" file); page,
// component and section breaks are appended the same way. While the report-formatting library has
// RTF output switched on, forms and breaks go to it instead.
//
// A value text (FormValues) holds the values in form order, each ended by 0x03, the whole ended by
// 0x19, at most 2000 bytes; a buffer handed in holds at least 2001 bytes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/export.h"

namespace kvom::report {

inline constexpr std::size_t kFormRows = 24;
inline constexpr std::size_t kFormColumns = 80;
inline constexpr std::size_t kFormGridCells = kFormRows * kFormColumns;  // 1920
inline constexpr std::size_t kFormScratchSize = 2052;
inline constexpr std::size_t kFormRecordBytes = 2050;  // body scan limit and last-record read size
inline constexpr std::size_t kFormHeaderBytes = 164;
inline constexpr std::size_t kFormValuesSize = 2000;
inline constexpr std::size_t kFormOptionCount = 13;
inline constexpr std::size_t kKeyLabelCount = 12;
inline constexpr std::size_t kKeyLabelWidth = 8;
inline constexpr std::size_t kKeyLabelsSize = 100;  // twelve labels of 8, blank filled to 100
inline constexpr std::size_t kPictureRefsSize = 255;
inline constexpr std::size_t kMaxIndexEntries = 200;
inline constexpr std::size_t kLinkTextSize = 81;
inline constexpr char kValueSeparator = '\x03';
inline constexpr char kValuesEndMark = '\x19';

// The form just worked on. All of it holds the last form until the next command.
using FormGrid = std::array<char, kFormGridCells>;
// The record just read; also scratch.
KVOM_EXPORT extern std::array<char, kFormScratchSize> FormScratch;
// The form body with its marks ('#', '@', markers, row type in column 80).
KVOM_EXPORT extern FormGrid FormTemplate;
// The filled-in form.
KVOM_EXPORT extern FormGrid FormText;
// The option letters of function keys 1 to 13 ('N' switches a key off).
KVOM_EXPORT extern std::array<char, kFormOptionCount> FormOptions;
// The labels of function keys 1 to 12, 8 characters each, followed by blanks.
KVOM_EXPORT extern std::array<char, kKeyLabelsSize> KeyLabels;
// The picture references of the current form, NUL-terminated, at most 255 characters.
KVOM_EXPORT extern std::array<char, kPictureRefsSize + 1> PictureRefs;

// The index of one form library, kept until a form of another library is read.
struct FormIndexCache {
  std::array<std::uint32_t, kMaxIndexEntries> entries{};
  std::int32_t entryCount = 0;
  std::array<char, 8> libraryName{' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};  // blank while none is held
};
KVOM_EXPORT extern FormIndexCache FormIndex;

// A word that only SetReportWord and GetReportWord touch.
KVOM_EXPORT extern std::int32_t ReportWord;

// The form command. command: 3 characters; the first selects 'S' (set the report language from
// the first three characters of screenCode) or 'D' (write a form); for 'D' the second letter 'N'
// writes nothing, 'L' only takes the picture references and 'F' blanks the input fields first.
// screenCode: 8 characters, upper-cased in place for 'D'. values: the value text, changed in place
// (NUL bytes read as blanks). pictureText: NUL-terminated. result: 'S' writes 'S' into result[0].
// A form that WriteFormToReport does not write in full shows "Can not write to file" ("K-VOM").
KVOM_EXPORT void ReportFormCommand(const char* command, char* screenCode, char* values, const char* pictureText,
                                   char* result);

// Reads record number of the library (8 characters of "XXXX.LNG" used) into buffer (at least 2052
// bytes). 0, or -1 no index file, -2 index shorter than 4 bytes or not a valid index, -3 record
// number outside 1 to the entry count, -4 no library file or a record outside it.
KVOM_EXPORT std::int32_t ReadFormRecord(const char* library, std::span<char, kFormScratchSize> buffer,
                                        std::int32_t number);

// Splits a record into the template (header cells 0-159, then the body), the options and the key
// labels, and collects the picture references of the header into PictureRefs. cursorCell is set
// when the command is not 'D' and the body marks a cursor position.
KVOM_EXPORT void SplitFormRecord(const char* command, std::span<const char, kFormScratchSize> record,
                                 std::span<char, kFormGridCells> formTemplate,
                                 std::span<char, kFormOptionCount> options, std::span<char, kKeyLabelsSize> labels,
                                 std::int32_t& cursorCell);

// Fills text from the template and the values (at least 2001 bytes, changed in place); writes the
// value offsets and value text of ScreenCells; the template's markers become plain cells.
KVOM_EXPORT void MergeFormValues(std::span<char, kFormGridCells> text, std::span<char, kFormGridCells> formTemplate,
                                 char* values);

// When the cell lies inside a link "[[Xtext]]" of its row: the field number (X - 64) and the link
// text (up to its first blank, NUL-terminated, at most 80 characters) and the link's length in
// cells; else 0 and the outputs as they were.
KVOM_EXPORT std::int32_t ParseFormLinks(std::int32_t cell, std::span<const char, kFormGridCells> text,
                                        std::int32_t& field, std::span<char, kLinkTextSize> linkText);

// Appends the form (pictures, then its rows) to the report file. A container picture (a file name
// with the extension ".BFD") appends the block it shows, its container's first (an empty block
// when that container is missing), to the report's container (ReportContainerName), one block a
// picture line, and its picture line names that container; a picture that cannot be appended gets
// no picture line.
// 0, or -1 when the report file cannot be opened, the form cannot be written (the report and the
// container are then cut back to their lengths before the form) or a container picture could not
// be appended.
KVOM_EXPORT std::int32_t WriteFormToReport(std::span<char, kFormGridCells> text,
                                           std::span<const char, kFormGridCells> formTemplate);

// Hands the RTF form (a name in the language directory) to the report-formatting library with the
// screen code and the values. 1, or -1 when the RTF form does not exist. The caller's values are
// left as they were.
KVOM_EXPORT std::int32_t ParseRtfForm(const char* rtfName, const char* screenCode, const char* values);
// 1 when RTF output is switched on, else 0.
KVOM_EXPORT void RtfOutputEnabled(std::int32_t* enabled);

// Breaks and sections: to the report-formatting library in RTF mode, else a line of the report
// file (nothing when it cannot be opened; the TOC break has no text line). The section title is
// cut to length (0 to 255) characters.
KVOM_EXPORT void WritePageBreak();
KVOM_EXPORT void WriteComponentBreak();
KVOM_EXPORT void WriteTocBreak();
KVOM_EXPORT void WriteSectionStart(const char* title, std::int32_t length);
KVOM_EXPORT void WriteSectionEnd();

// The report file's Windows path: case directory + file prefix + ".KVO", or "OUTPUT.KVO" when the
// prefix is empty.
KVOM_EXPORT void GetReportFilePath(std::span<char> path);

// Copies (mode 1) or appends (mode 2 and any other) the source to the target; mode 3 appends, or
// appends one empty plot block header when the source is missing. 0, -1 (a file cannot be opened,
// read or written, or source and target are one file) or 12 (no buffer). A failure leaves the
// target as it was: a copy replaces it only once whole, a failed append is cut back.
KVOM_EXPORT std::int32_t CopyOrAppendFile(const char* source, const char* target, std::int32_t mode);

// Replaces the code-page 437 line characters of the buffer by '|', '-' and, for 0xFD, '2'.
KVOM_EXPORT void ReplaceBoxChars(std::span<char> buffer);

KVOM_EXPORT std::int32_t SetReportWord(std::int32_t word);
KVOM_EXPORT std::int32_t GetReportWord();

// Does nothing; kept for callers that expect it.
KVOM_EXPORT void ReportHook();
// Routines of the module without effect and without caller.
KVOM_EXPORT void ReportIdle1();
KVOM_EXPORT void ReportIdle2();
KVOM_EXPORT void ReportIdle3(std::int32_t);
KVOM_EXPORT void ReportIdle4(std::int32_t);
KVOM_EXPORT void ReportIdle5(std::int32_t, std::int32_t, std::int32_t, std::int32_t);
KVOM_EXPORT std::int32_t ReportIdle6();

}  // namespace kvom::report
