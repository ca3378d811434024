#pragma once
// The unit's case file around a run: the backup copy that the execute step makes and the output
// step restores from or deletes, and the engine's save of the case.
//
// Backup path: the case path (without trailing blanks) up to and including the full stop of its
// first ".QDX", followed by "BAK" (C:\runs\unit.QDX gives C:\runs\unit.BAK, C:\runs\a.QDX.old gives
// C:\runs\a.BAK). A path without ".QDX" in upper case gives the path followed by ".BAK". A blank
// case path has no backup.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/fixed_text.h"
#include "platform/engine.h"

namespace kvom::run {

// The backup path of a case path; empty for a blank case path.
std::string backupPathOf(std::string_view casePath);

// Copies the case file to its backup, replacing one that is there. When the copy fails, a backup
// left from an earlier run is deleted, so that no later restore can bring back an older case.
// Returns whether the backup holds the case.
bool backUpCase(std::string_view casePath);

// Error codes this system raises through the host library when the case file could not be left as
// the output step was to leave it; the output export reports them as status 39.
inline constexpr std::int64_t kCaseSaveFailedError = 1103;     // the engine could not save the case
inline constexpr std::int64_t kCaseRestoreFailedError = 1104;  // the backup could not be put back

// Whether the backup of the case path lies on disk.
bool hasBackup(std::string_view casePath);

// Puts the backup back in place of the case file. The backup is first copied to a restore file
// beside the case file, which then replaces the case file in one step: the case file is either the
// old one or the whole backup, never a part. The restore file takes a name that is free, made
// exclusively: the backup path with "RST" in place of "BAK", or when a file of that name is there,
// the first free one with "R00" to "R99"; a file that is there is never written or removed. On a
// failure the restore file is removed and the case file and the backup stay as they were. Returns
// false when no restore file could be made, or the copy or the replacement failed; without a backup
// there is nothing to restore and the case file stays as it is (true).
bool restoreCase(std::string_view casePath);

// Deletes the backup; false when there was none to delete.
bool deleteBackup(std::string_view casePath);

// Has the engine save the case to the path; returns whether the engine reported it saved. When the
// engine hands back a rewritten path, it replaces the caller's text, blank padded; a path too long
// for the text is not taken (a cut path would name another file) and the text stays as it was.
bool saveCase(platform::EngineApplication& engine, FixedText casePath);

}  // namespace kvom::run
