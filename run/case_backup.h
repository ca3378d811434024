#pragma once
// The unit's case file around a run: the backup copy that the execute step makes and the output
// step restores from or deletes, and the engine's save of the case.
//
// Backup path: the case path (without trailing blanks) up to and including the full stop of its
// first ".QDX", followed by "BAK" (C:\runs\unit.QDX gives C:\runs\unit.BAK, C:\runs\a.QDX.old gives
// C:\runs\a.BAK). A path without ".QDX" in upper case gives the path followed by ".BAK". A blank
// case path has no backup.

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

// Copies the backup onto the case file, replacing it. Without a backup the case file stays as it
// is. Returns whether the case was restored.
bool restoreCase(std::string_view casePath);

// Deletes the backup; false when there was none to delete.
bool deleteBackup(std::string_view casePath);

// Has the engine save the case to the path and then refresh it. When the engine hands back a
// rewritten path, it replaces the caller's text, blank padded; a path too long for the text is not
// taken (a cut path would name another file) and the text stays as it was.
void saveAndRefreshCase(platform::EngineApplication& engine, FixedText casePath);

}  // namespace kvom::run
