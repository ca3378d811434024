#pragma once
// Input fields and function keys of a screen form shown in the character-cell window: moving
// between fields, filling them from a value text and collecting them back, the colours of the
// rows, and turning a click or a key position into a function key or a field entry. They work on a
// form template (24 rows of 80 cells, field cells '#' numeric and '@' text, the row type in column
// 80), the form's displayed text and the attributes of its cells; cells are numbered row * 80 +
// column from 0. A field is a maximal run of field cells; its end is the cell after its last one.
// The host program calls them; a few text utilities come with them.

#include <cstdint>
#include <span>

#include "common/export.h"
#include "report/report_file.h"

namespace kvom::report {

using FormCells = std::span<const char, kFormGridCells>;
using FormAttributes = std::span<std::int8_t, kFormGridCells>;

// Navigation scans the first 21 rows less the last row-type cell (cells 0 to 1678), cyclically.
inline constexpr std::int32_t kFieldScanCells = 1679;

// From a field cell the end of its field, else the start of the next field, scanning cyclically;
// -1 when the template has no field.
KVOM_EXPORT std::int32_t NextField(std::int32_t cell, FormCells formTemplate);
// From inside a field its start; from a field's start or outside a field the start of the field
// before, scanning backwards cyclically; -1 when there is none.
KVOM_EXPORT std::int32_t PreviousField(std::int32_t cell, FormCells formTemplate);
// The length of field number n (from 1) and its start cell; 0 when there is no such field.
KVOM_EXPORT std::int32_t FindField(std::int32_t number, FormCells formTemplate, std::int32_t& start);

// Writes the values of the value text (each ended by 0x03) into the fields in order, each cut to
// its field; an empty value leaves its field as it was.
KVOM_EXPORT void FillFieldsFromValues(FormCells formTemplate, std::span<char, kFormGridCells> text,
                                      std::span<const char> values);
// Builds the value text of the fields of cells 0 to 1914: each field's characters (NUL as blank,
// upper-cased when the command's third letter is 'U' or 'F') followed by 0x03, then 0x19, without a
// NUL. Nothing when the command's second letter is 'N' or 'F'. The text is cut to the buffer.
KVOM_EXPORT void CollectFieldValues(const char* command, FormCells formTemplate, FormCells text,
                                    std::span<char> values);

// The attributes of the 24 rows by their row types; field cells get 5 (in rows of type 'X' the
// row's attribute, and they become blank in the template). Column 80 of the text becomes blank.
KVOM_EXPORT void MapRowAttributes(std::span<char, kFormGridCells> text, std::span<char, kFormGridCells> formTemplate,
                                  FormAttributes attributes);

// What a click or key position on the form means: 0 ordinary input, a function key 1 to 13, or -1
// when a link or a choice was written into a field (and shown).
KVOM_EXPORT std::int32_t HandleFormKey(const char* command, std::span<const char, kFormOptionCount> options,
                                       FormCells formTemplate, std::span<char, kFormGridCells> text,
                                       FormAttributes attributes, std::int32_t cell);
// The function key (1 to 12) of the label "Fn=" or "Fn =" nearest to the cell in its row, or 0.
KVOM_EXPORT std::int32_t FindKeyLabel(FormCells formTemplate, FormCells text, std::int32_t cell);
// 1 + the index of the first entry that equals the text in its first length characters, else 0.
KVOM_EXPORT std::int32_t MatchLabel(const char* text, std::span<const char* const> table, std::int32_t length);

// Shows the text (cut or padded to 80 characters in the caller's buffer, NUL and LF as blanks) as
// the given screen row in the message colours.
KVOM_EXPORT void ShowMessageRow(std::span<char> text, std::int32_t row);

// a-z become A-Z.
KVOM_EXPORT void UpperCaseLetter(char& character);
// NUL bytes among the first n become blanks; returns n.
KVOM_EXPORT std::int32_t BlankNuls(std::span<char> buffer, std::int32_t n);
// Removes leading and trailing blanks of the NUL-terminated text in place.
KVOM_EXPORT void TrimBlanks(char* text);
// Removes every blank of the NUL-terminated text in place.
KVOM_EXPORT void SqueezeBlanks(char* text);

}  // namespace kvom::report
