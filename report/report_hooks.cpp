#include "report/report_hooks.h"

#include <cstring>

#include "platform/windows/files.h"

namespace kvom::report {

WindowHandle ScreenWindow = nullptr;
ValueFileHandle ValueFileStream;

void SetScreenWindow(WindowHandle window) { ScreenWindow = window; }

WindowHandle GetScreenWindow() { return ScreenWindow; }

std::FILE* OpenValueFile(const char* path) {
  ValueFileStream.reset();
  if (path == nullptr) return nullptr;
  ValueFileStream.reset(platform::crt::openFile(path, "a"));
  return ValueFileStream.get();
}

void CloseValueFile() { ValueFileStream.reset(); }

char* JoinPath(char* destination, const char* first, const char* second) {
  const std::size_t firstLength = std::strlen(first);
  const std::size_t secondLength = std::strlen(second);
  // The second text goes first, so that a first text at the start of the destination (joining
  // onto a buffer's own content) is not overwritten before it is used.
  std::memmove(destination + firstLength, second, secondLength + 1);
  std::memmove(destination, first, firstLength);
  return destination;
}

}  // namespace kvom::report
