#include "standins/engine/case_file.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "standins/windows/windows_standin.h"

namespace standins::engine::detail {
namespace {

constexpr std::string_view kHeader = "WEXA-CASE 1";
constexpr std::string_view kLineEnd = "\r\n";

// Backslash, CR and LF would end or confuse a line: they are written as \\, \r and \n.
std::string escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::optional<std::string> unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\':
        out += '\\';
        break;
      case 'r':
        out += '\r';
        break;
      case 'n':
        out += '\n';
        break;
      default:
        return std::nullopt;
    }
  }
  return out;
}

// Splits off the field up to the next blank; the rest follows that blank.
std::optional<std::string_view> field(std::string_view& rest) {
  const auto blank = rest.find(' ');
  if (blank == std::string_view::npos || blank == 0) return std::nullopt;
  const auto word = rest.substr(0, blank);
  rest.remove_prefix(blank + 1);
  return word;
}

template <typename Number>
std::optional<Number> number(std::string_view text) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

struct Line {
  bool array = false;
  std::string name;
  int index = 0;
  Value value;
};

// "S <name> <state> <text>" or "A <name> <index> <state> <text>".
std::optional<Line> parse(std::string_view text) {
  Line line;
  const auto kind = field(text);
  if (!kind || (*kind != "S" && *kind != "A")) return std::nullopt;
  line.array = *kind == "A";
  const auto name = field(text);
  if (!name) return std::nullopt;
  line.name = *name;
  if (line.array) {
    const auto index = field(text);
    const auto value = index ? number<int>(*index) : std::nullopt;
    if (!value) return std::nullopt;
    line.index = *value;
  }
  // The state may end the line when the text is empty.
  auto state = field(text);
  if (!state && text.find(' ') == std::string_view::npos) state = std::exchange(text, std::string_view());
  const auto stateValue = state ? number<std::int64_t>(*state) : std::nullopt;
  auto content = unescape(text);
  if (!stateValue || !content) return std::nullopt;
  line.value = Value{std::move(*content), *stateValue};
  return line;
}

std::vector<std::pair<std::string_view, const Variable*>> sorted(const Variables& variables) {
  std::vector<std::pair<std::string_view, const Variable*>> list;
  list.reserve(variables.size());
  for (const auto& [name, variable] : variables) list.emplace_back(name, &variable);
  std::sort(list.begin(), list.end());
  return list;
}

}  // namespace

bool writeCaseFile(const Engine& engine, const std::string& nativePath) {
  std::ostringstream text;
  text << kHeader << kLineEnd;
  for (const auto& [name, variable] : sorted(engine.variables[static_cast<int>(Collection::InputScalars)])) {
    const Value& value = variable->scalar;
    if (value.isEmpty()) continue;
    text << "S " << name << ' ' << value.state << ' ' << escape(value.text) << kLineEnd;
  }
  for (const auto& [name, variable] : sorted(engine.variables[static_cast<int>(Collection::InputArrays)])) {
    for (std::size_t i = 0; i < variable->elements.size(); ++i) {
      const Value& value = variable->elements[i];
      if (value.isEmpty()) continue;
      text << "A " << name << ' ' << i + 1 << ' ' << value.state << ' ' << escape(value.text) << kLineEnd;
    }
  }

  // Written beside the target and then renamed onto it, so that a failed write leaves the old
  // case whole.
  const std::string temporary = nativePath + ".tmp~";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    // A full disk (the Windows stand-in's write limit) stops the write part way.
    const std::string bytes = text.str();
    const std::optional<std::uint64_t> limit = windows::writeLimit();
    const std::size_t room = limit ? std::min<std::uint64_t>(*limit, bytes.size()) : bytes.size();
    out.write(bytes.data(), static_cast<std::streamsize>(room));
    out.close();
    if (!out || room < bytes.size()) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, nativePath, error);
  if (error) {
    std::filesystem::remove(temporary, error);
    return false;
  }
  return true;
}

CaseRead readCaseFile(Engine& engine, const std::string& nativePath) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(nativePath, error)) {
    return std::filesystem::exists(nativePath, error) ? CaseRead::Unreadable : CaseRead::Missing;
  }
  std::ifstream in(nativePath, std::ios::binary);
  if (!in) return CaseRead::Unreadable;

  std::vector<Line> lines;
  std::string text;
  bool first = true;
  while (std::getline(in, text)) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (first) {
      if (text != kHeader) return CaseRead::Unreadable;
      first = false;
      continue;
    }
    if (text.empty()) continue;
    auto line = parse(text);
    if (!line) return CaseRead::Unreadable;
    lines.push_back(std::move(*line));
  }
  if (first || in.bad()) return CaseRead::Unreadable;

  engine.clear(Collection::InputScalars);
  engine.clear(Collection::InputArrays);
  // A name this engine does not have, or an element beyond its array, is left out.
  for (auto& line : lines) {
    const Collection collection = line.array ? Collection::InputArrays : Collection::InputScalars;
    Variable* variable = engine.find(collection, line.name);
    if (variable == nullptr) continue;
    if (!line.array) {
      variable->scalar = std::move(line.value);
    } else if (line.index >= 1 && static_cast<std::size_t>(line.index) <= variable->elements.size()) {
      variable->elements[static_cast<std::size_t>(line.index) - 1] = std::move(line.value);
    }
  }
  return CaseRead::Loaded;
}

}  // namespace standins::engine::detail
