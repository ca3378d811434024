#pragma once
// Routines for callers that keep texts in fixed-length, blank-padded fields (a pointer, and its
// length by value after all other arguments): each copies the texts into bounded NUL-terminated
// buffers, calls the report library or run control, and copies results back blank padded. The
// library's clock, GetDateTime, and the path hand-over to the host stand here too.
//
// A routine of type "function" returns a 256-character text in the caller's result field, given
// first with its length last; at most the field's length is written.

#include <cstdint>

#include "common/export.h"

namespace kvom::report {

// Characters of a path, plot name or metafile name that the library is given.
inline constexpr std::int64_t kBridgePathLength = 80;
// Characters of a text that a function returns.
inline constexpr std::int64_t kBridgeResultLength = 256;

// Hands the NUL-terminated path to the host library and returns its result unchanged.
KVOM_EXPORT std::int64_t SendPathToHost(const char* path);

// The local date as "MM/DD/YY" and the time as "HH:MM:SS" (8 characters each, no terminator; both
// blank when the calendar time cannot be read), and in seconds the whole seconds of the process
// clock since the previous call (0 on the first call). Returns the clock reading in whole seconds.
KVOM_EXPORT std::int32_t GetDateTime(char* date, char* time, std::int32_t* seconds);

}  // namespace kvom::report

extern "C" {

// The program directory of the run paths, blank padded.
KVOM_EXPORT void GET_PROGRAM_DIR(char* result, std::int64_t resultLength);
// The host's directory; the case directory of the run paths when the host has none.
KVOM_EXPORT void GET_HOST_DIR(char* result, std::int64_t resultLength);
// The case directory followed by the case name.
KVOM_EXPORT void GET_CASE_PATH(char* result, std::int64_t resultLength);
// Runs the whole command text, trailing blanks included, as a program in a normal window.
KVOM_EXPORT void RUN_COMMAND(const char* command, std::int64_t commandLength);
// Hands the path (its first 80 characters, blanks kept) to the host; returns the host's result.
KVOM_EXPORT std::int64_t SEND_PATH_TO_HOST(const char* path, std::int64_t pathLength);
// Turns the plot file (its first 80 characters) into a plot container.
KVOM_EXPORT void CONVERT_PLOT_FILE(const char* plotName, std::int64_t plotNameLength);
// Draws the plot into a placeable metafile file of width by height units (names cut to 80).
KVOM_EXPORT void PLOT_TO_METAFILE(const char* plotName, const char* metafileName, const std::int64_t* width,
                                  const std::int64_t* height, std::int64_t plotNameLength,
                                  std::int64_t metafileNameLength);
// The form command: command (3 characters), screen code (8 characters), value text (ended by its
// 0x19 mark; changed in place as the form command does), picture text and the command's result (5
// characters, blank padded to the caller's length).
KVOM_EXPORT void REPORT_FORM_COMMAND(const char* command, const char* screenCode, char* values, const char* pictures,
                                     char* result, std::int64_t commandLength, std::int64_t screenCodeLength,
                                     std::int64_t valuesLength, std::int64_t picturesLength, std::int64_t resultLength);
// Does nothing.
KVOM_EXPORT void REPORT_NOOP();
// The date and time texts of GetDateTime, blank padded or cut to the caller's fields, and the
// seconds since the previous call.
KVOM_EXPORT void GET_DATE_TIME(char* date, char* time, std::int32_t* seconds, std::int64_t dateLength,
                               std::int64_t timeLength);
// 1 when the report-formatting library has RTF output switched on, else 0.
KVOM_EXPORT void RTF_OUTPUT_ENABLED(std::int32_t* enabled);
// Does nothing.
KVOM_EXPORT void EMPTY_BRIDGE();

}  // extern "C"
