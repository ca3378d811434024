#pragma once
// The report library's process-wide hooks that callers set from outside: the window its screen
// routines draw into and the stream of the open value file; and the path join that the library and
// run control share.

#include <cstdio>
#include <memory>

#include "common/export.h"

namespace kvom::report {

using WindowHandle = void*;

// Closes a value file when its owner lets it go (flushing what the writers buffered).
struct ValueFileCloser {
  void operator()(std::FILE* stream) const { std::fclose(stream); }
};
using ValueFileHandle = std::unique_ptr<std::FILE, ValueFileCloser>;

// The window the character-cell screen paints; null at load. Written only by SetScreenWindow.
KVOM_EXPORT extern WindowHandle ScreenWindow;
// The open value file; null while no value file is open. Every value-file writer tests it first.
KVOM_EXPORT extern ValueFileHandle ValueFileStream;

KVOM_EXPORT void SetScreenWindow(WindowHandle window);
KVOM_EXPORT WindowHandle GetScreenWindow();

// Opens the file for appending in text mode (created when missing) and keeps it as the value file;
// a value file still open is closed first. Returns the stream, or null when the file cannot be
// opened (then no value file is open). The path is a Windows path text.
KVOM_EXPORT std::FILE* OpenValueFile(const char* path);
// Closes the value file when one is open; otherwise does nothing.
KVOM_EXPORT void CloseValueFile();

// Copies first into destination and appends second; returns destination. Nothing is inserted
// between the texts and no length is tested: the destination must hold both texts and the NUL.
// Either text may lie inside the destination at its start.
KVOM_EXPORT char* JoinPath(char* destination, const char* first, const char* second);

}  // namespace kvom::report
