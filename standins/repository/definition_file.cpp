#include "standins/repository/definition_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <optional>
#include <vector>

namespace standins::repository {
namespace {

constexpr std::string_view kBlanks = " \t";

struct Token {
  std::string_view text;
  std::size_t end;  // offset just past the token in its line
};

std::vector<Token> tokens(std::string_view line) {
  std::vector<Token> result;
  std::size_t pos = 0;
  while (true) {
    const std::size_t start = line.find_first_not_of(kBlanks, pos);
    if (start == std::string_view::npos) break;
    std::size_t stop = line.find_first_of(kBlanks, start);
    if (stop == std::string_view::npos) stop = line.size();
    result.push_back({line.substr(start, stop - start), stop});
    pos = stop;
  }
  return result;
}

std::string_view trimBlanks(std::string_view text) {
  const std::size_t start = text.find_first_not_of(kBlanks);
  if (start == std::string_view::npos) return {};
  const std::size_t stop = text.find_last_not_of(kBlanks);
  return text.substr(start, stop - start + 1);
}

// A size is a non-negative decimal number or "*" for a size that varies (-1).
std::optional<std::int64_t> readSize(std::string_view text) {
  if (text == "*") return -1;
  if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

class Parser {
 public:
  explicit Parser(std::string_view sourceName) : sourceName_(sourceName) {}

  // Returns an error message, or nothing when the line is good.
  std::optional<std::string> line(std::size_t number, std::string_view text) {
    number_ = number;
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    const std::vector<Token> words = tokens(text);
    if (words.empty() || words.front().text.front() == '#') return std::nullopt;

    const std::string_view statement = words.front().text;
    if (!headerSeen_) {
      if (statement != "DEFINITIONS") return fail("expected 'DEFINITIONS 1' before any declaration");
      if (words.size() != 2 || words[1].text != "1") return fail("unsupported format; expected 'DEFINITIONS 1'");
      headerSeen_ = true;
      return std::nullopt;
    }
    if (statement == "DEFINITIONS") return fail("second DEFINITIONS line");
    if (statement == "NODE") return node(words);
    if (statement == "RECORD") return record(words, text);
    return fail("unknown statement '" + std::string(statement) + "'");
  }

  std::variant<DefinitionFile, std::string> finish() {
    if (!headerSeen_) return std::string(sourceName_) + ": no 'DEFINITIONS 1' line";
    return std::move(file_);
  }

 private:
  std::optional<std::string> node(const std::vector<Token>& words) {
    NodeTypeDefinition definition;
    if (words.size() == 3 && words[2].text == "ROOT") {
      definition.name = words[1].text;
    } else if (words.size() == 4 && words[2].text == "UNDER") {
      definition.name = words[1].text;
      definition.parent = words[3].text;
      const bool parentKnown = std::any_of(file_.nodeTypes.begin(), file_.nodeTypes.end(),
                                           [&](const NodeTypeDefinition& d) { return d.name == definition.parent; });
      if (!parentKnown) return fail("parent node type '" + definition.parent + "' is not declared above");
    } else {
      return fail("expected 'NODE <type> ROOT' or 'NODE <type> UNDER <parent type>'");
    }
    if (std::find(file_.nodeTypes.begin(), file_.nodeTypes.end(), definition) != file_.nodeTypes.end())
      return fail("node type '" + definition.name + "' declared twice under the same parent");
    file_.nodeTypes.push_back(std::move(definition));
    return std::nullopt;
  }

  std::optional<std::string> record(const std::vector<Token>& words, std::string_view text) {
    if (words.size() < 8) return fail("expected 'RECORD <key>' and six array sizes");
    RecordDefinition definition;
    definition.key = words[1].text;
    std::array<std::int64_t*, 6> sizes{&definition.sizes.integers, &definition.sizes.integerCompanions,
                                       &definition.sizes.reals,    &definition.sizes.realCompanions,
                                       &definition.sizes.texts,    &definition.sizes.textCompanions};
    for (std::size_t i = 0; i < sizes.size(); ++i) {
      const std::optional<std::int64_t> size = readSize(words[2 + i].text);
      if (!size) return fail("array size '" + std::string(words[2 + i].text) + "' is neither a count nor '*'");
      *sizes[i] = *size;
    }
    definition.description = trimBlanks(text.substr(words[7].end));
    const bool known = std::any_of(file_.records.begin(), file_.records.end(),
                                   [&](const RecordDefinition& d) { return d.key == definition.key; });
    if (known) return fail("record key '" + definition.key + "' declared twice");
    file_.records.push_back(std::move(definition));
    return std::nullopt;
  }

  std::string fail(const std::string& what) const {
    return std::string(sourceName_) + ":" + std::to_string(number_) + ": " + what;
  }

  std::string_view sourceName_;
  std::size_t number_ = 0;
  bool headerSeen_ = false;
  DefinitionFile file_;
};

}  // namespace

std::variant<DefinitionFile, std::string> parseDefinitions(std::istream& in, std::string_view sourceName) {
  Parser parser(sourceName);
  std::string text;
  for (std::size_t number = 1; std::getline(in, text); ++number) {
    if (std::optional<std::string> error = parser.line(number, text)) return *error;
  }
  if (in.bad()) return std::string(sourceName) + ": read error";
  return parser.finish();
}

}  // namespace standins::repository
