#pragma once
// Plain-text copies of a report file (".KVX": only the rows' text, one line per report line) and
// the appending of one report to another.

#include <cstdint>

#include "common/export.h"

namespace kvom::report {

// Writes the text copy of the source report into the target (lines end with CR LF): of a row line
// the text before its first tab; other lines as they stand; picture lines ("$$$...") and lines
// beginning "[Page break]" are left out; a report line longer than 254 characters gives a line per
// 254 characters. Returns 0, or -1 when the source cannot be read or is the target or the copy
// cannot be written in full; the target is then left as it was (an earlier copy stays whole).
KVOM_EXPORT std::int32_t CopyReportText(const char* source, const char* target);

// Copies the case's report (case directory + file prefix + ".KVO") into case directory + case
// name + ".KVX". Returns what CopyReportText returns.
KVOM_EXPORT std::int32_t ExportCaseReportText();

// Copies <sourceBase>.KVO into <targetBase>.KVX when both names are given and the report exists.
// Returns 0, or -1 when a copy was due and could not be made.
KVOM_EXPORT std::int32_t ExportReportText(const char* targetBase, const char* sourceBase);

// When both names are given and <sourceBase>.KVO exists: appends it to <targetBase>.KVO when
// append is non-zero, and in either case lets the page fonts go, so that the next printing or
// preview makes them anew. The first two arguments are not used. Returns 0, or what a failed
// append returns.
KVOM_EXPORT std::int32_t AppendReportFiles(std::int32_t unused1, std::int32_t unused2, const char* targetBase,
                                           const char* sourceBase, std::int32_t append);

// Appends the source report to the target report. A report is not appended to itself (names
// compared without regard to case): -1. A stale plot container of a target that does not exist
// yet (its name with the extension ".BFD") is deleted first. Returns what CopyOrAppendFile returns.
KVOM_EXPORT std::int32_t AppendReport(const char* source, const char* target);

}  // namespace kvom::report
