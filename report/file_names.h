#pragma once
// Extensions of Windows file names, compared without regard to case.

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <string_view>

#include "common/fixed_text.h"

namespace kvom::report {

// The position of the '.' that starts the extension of the path's file name: the last '.' after
// the last directory separator; none when the name has no '.'.
inline std::optional<std::size_t> ExtensionDot(std::string_view path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return std::nullopt;
  const std::size_t nameStart = path.find_last_of("\\/:");
  if (nameStart != std::string_view::npos && dot < nameStart) return std::nullopt;
  return dot;
}

// The extension without its '.' and without trailing blanks (Windows drops them from a file name
// when it opens the file); none when the file name has no '.'.
inline std::optional<std::string_view> FileExtension(std::string_view path) {
  const std::optional<std::size_t> dot = ExtensionDot(path);
  if (!dot) return std::nullopt;
  return trimRight(path.substr(*dot + 1));
}

inline bool EqualNoCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
  });
}

inline bool StartsNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

// Whether the path's file name has the extension of a plot container (".BFD" in any case).
inline bool IsContainerName(std::string_view path) {
  const std::optional<std::string_view> extension = FileExtension(path);
  return extension && EqualNoCase(*extension, "BFD");
}

// The file name of the plot container that holds a report file's container pictures: the
// report's file name without its directories, its extension replaced by ".BFD".
inline std::string ReportContainerName(std::string_view reportFile) {
  const std::size_t nameStart = reportFile.find_last_of("\\/:");
  std::string_view name = nameStart == std::string_view::npos ? reportFile : reportFile.substr(nameStart + 1);
  if (const std::optional<std::size_t> dot = ExtensionDot(name)) name = name.substr(0, *dot);
  return std::string(name) + ".BFD";
}

}  // namespace kvom::report
