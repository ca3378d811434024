#pragma once
// Reading of the repository's definition files (format in README.md).

#include <istream>
#include <string>
#include <string_view>
#include <variant>

#include "standins/repository/repository_standin.h"

namespace standins::repository {

// The declarations of the file, or a message "<sourceName>:<line>: <what is wrong>".
// windowsPath and nativePath of the result are left for the caller to fill in.
std::variant<DefinitionFile, std::string> parseDefinitions(std::istream& in, std::string_view sourceName);

}  // namespace standins::repository
