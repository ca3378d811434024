#pragma once
// Writers of the value file: named results, one item a line, appended to the open value file
// (ValueFileStream of report_hooks.h). Every writer does nothing while no value file is open.
// Arguments come as the logic layer passes them: by reference, each text followed by its length.
//
// Lines (each ends with CR LF on disk):
//   real value     name,value,0          value with 6 decimals ("1.500000")
//   integer value  name,value,0
//   text value     name,"value",0
//   array header   name,0,count          followed by count element lines
//   message        Message,Kind;number;C;realA;A;realB;B,0
// Names are the first nameLength characters (up to a NUL), trailing blanks kept. In text values and
// text elements each double quote becomes "in", and the text goes from the OEM to the ANSI code
// page.

#include <cstdint>
#include <span>

#include "common/export.h"

namespace kvom::report {

// Message kinds 1 to 5: Warning, Limit, Error, Suggestion, Note.
inline constexpr std::int32_t kMessageKinds = 5;

// A real-value line; the IfSet writer only for a value other than 0.
KVOM_EXPORT void WriteRealIfSet(const char* name, std::int64_t nameLength, const float& real);
KVOM_EXPORT void WriteReal(const char* name, std::int64_t nameLength, const float& real);
// An integer-value line; the IfSet writer only for a value other than 0.
KVOM_EXPORT void WriteIntIfSet(const char* name, std::int64_t nameLength, const std::int32_t& integer);
KVOM_EXPORT void WriteInt(const char* name, std::int64_t nameLength, const std::int32_t& integer);
// The NUL-terminated text as it stands (its line ends written as CR LF); the length is not used.
KVOM_EXPORT void WriteValueText(const char* text, std::int64_t length);
// A text-value line, unless the value starts with a blank; an empty value (a NUL first) is
// written as "".
KVOM_EXPORT void WriteStringValue(const char* name, std::int64_t nameLength, const char* value,
                                  std::int64_t valueLength);
// A message line of kind 1 to 5; other kinds write nothing.
KVOM_EXPORT void WriteMessageLine(const std::int32_t& number, const std::int32_t& kind, const float& realA,
                                  const std::int32_t& integerA, const float& realB, const std::int32_t& integerB,
                                  const std::int32_t& integerC);

// Trimmed arrays: the header counts the elements up to the last one set (a real or integer other
// than 0, a text not starting with a blank or NUL); elements not set are written " , ". Nothing at
// all when no element is set.
KVOM_EXPORT void WriteRealArrayTrimmed(const char* name, std::int64_t nameLength, const float* reals,
                                       const std::int32_t& count);
KVOM_EXPORT void WriteRealArrayFlagged(const char* name, std::int64_t nameLength, const float* reals, const char* flags,
                                       std::int64_t flagsLength, const std::int32_t& count);
KVOM_EXPORT void WriteIntArrayTrimmed(const char* name, std::int64_t nameLength, const std::int64_t* integers,
                                      const std::int32_t& count);
KVOM_EXPORT void WriteStringArrayTrimmed(const char* name, std::int64_t nameLength, const char* texts,
                                         std::int64_t elementLength, const std::int32_t& count);
// Full arrays: every one of count elements (nothing for a count below 1).
KVOM_EXPORT void WriteRealArray(const char* name, std::int64_t nameLength, const float* reals,
                                const std::int32_t& count);
KVOM_EXPORT void WriteRealArrayFlaggedAll(const char* name, std::int64_t nameLength, const float* reals,
                                          const char* flags, std::int64_t flagsLength, const std::int32_t& count);
KVOM_EXPORT void WriteIntArray(const char* name, std::int64_t nameLength, const std::int32_t* integers,
                               const std::int32_t& count);

// The message line WriteMessageLine would write, ended by "\n" and a NUL, into text (cut to its
// length); for another kind the text is left as it was.
KVOM_EXPORT void FormatMessageLine(char* text, std::int64_t length, const std::int32_t& number,
                                   const std::int32_t& kind, const float& realA, const std::int32_t& integerA,
                                   const float& realB, const std::int32_t& integerB, const std::int32_t& integerC);
// Copies the source's characters before its first pair of adjacent blanks, or when it has none its
// first count characters, into target, within both lengths; no terminator, no padding.
KVOM_EXPORT void CopyToDoubleBlank(char* target, std::int64_t targetLength, const char* source,
                                   std::int64_t sourceLength, const std::int32_t& count);
// Replaces every double quote of the NUL-terminated text by "in", in place; the text grows by one
// character a quote, and is cut where it would pass the end of the buffer.
KVOM_EXPORT void ReplaceQuotes(std::span<char> text);

}  // namespace kvom::report
