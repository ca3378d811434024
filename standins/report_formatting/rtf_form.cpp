// Reading RTF form files and rendering a form with its values.

#include "standins/report_formatting/rtf_form.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>

namespace standins::report_formatting {
namespace {

constexpr char kValueEnd = 0x03;
constexpr char kValuesEnd = 0x19;
constexpr int kTwipsPerColumn = 120;  // 80 columns fill the text width of an A4 page
constexpr int kTextColumns = 80;
constexpr int kMinimumColumns = 4;

std::string_view trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

bool sameCode(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
  });
}

std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

// The code of a line "[CODE]", or nothing for any other line.
std::optional<std::string_view> formStart(std::string_view line) {
  line = trim(line);
  if (line.size() < 3 || line.front() != '[' || line.back() != ']') return std::nullopt;
  return trim(line.substr(1, line.size() - 2));
}

// A form text with its placeholders filled: "{n}" is value n (from 1) without its surrounding
// blanks, "{{" and "}}" are single braces. `anyValue` turns true when a placeholder gives a
// non-blank value.
std::string expand(std::string_view text, const std::vector<std::string>& values, bool& anyValue) {
  std::string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if ((c == '{' || c == '}') && i + 1 < text.size() && text[i + 1] == c) {
      result += c;
      ++i;
      continue;
    }
    if (c == '{') {
      const std::size_t close = text.find('}', i + 1);
      std::size_t number = 0;
      const char* first = text.data() + i + 1;
      const char* last = close == std::string_view::npos ? first : text.data() + close;
      const auto [end, error] = std::from_chars(first, last, number);
      if (close != std::string_view::npos && error == std::errc{} && end == last && number >= 1) {
        if (number <= values.size()) {
          const std::string_view value = trim(values[number - 1]);
          anyValue = anyValue || !value.empty();
          result += value;
        }
        i = close;
        continue;
      }
    }
    result += c;
  }
  return result;
}

// A paragraph's or cell's text: leading '*', '>' and '^' make it bold, right-aligned or centred.
RtfText makeText(std::string_view text, const std::vector<std::string>& values, bool& anyValue) {
  RtfText result;
  text = trim(text);
  for (; !text.empty(); text.remove_prefix(1)) {
    if (text.front() == '*') {
      result.bold = true;
    } else if (text.front() == '>') {
      result.align = Align::right;
    } else if (text.front() == '^') {
      result.align = Align::centre;
    } else {
      break;
    }
  }
  result.rtf = RtfDocument::escape(expand(trim(text), values, anyValue));
  return result;
}

std::vector<std::string_view> splitCells(std::string_view row) {
  row = trim(row);
  row.remove_prefix(1);  // the leading '|'
  if (!row.empty() && row.back() == '|') row.remove_suffix(1);
  std::vector<std::string_view> cells;
  while (true) {
    const std::size_t bar = row.find('|');
    cells.push_back(row.substr(0, bar));
    if (bar == std::string_view::npos) break;
    row.remove_prefix(bar + 1);
  }
  return cells;
}

// Right cell edges in twips: the widths given (in columns), each cut to what the widths before it
// left of the 80 columns (a cell keeps one column at least), then the rest of the 80 columns shared
// by the cells that have no width. Edges are summed in 64 bits and held within the int range, so
// that even a row of millions of cells gives numbers a word processor can read.
std::vector<int> rightEdges(std::size_t cellCount, const std::vector<int>& widths) {
  std::vector<std::int64_t> given;
  std::int64_t used = 0;
  for (std::size_t i = 0; i < std::min(cellCount, widths.size()); ++i) {
    given.push_back(std::clamp<std::int64_t>(widths[i], 1, std::max<std::int64_t>(kTextColumns - used, 1)));
    used += given.back();
  }
  const std::size_t without = cellCount - given.size();
  const std::int64_t share =
      without == 0
          ? 0
          : std::max<std::int64_t>(kMinimumColumns, (kTextColumns - used) / static_cast<std::int64_t>(without));
  std::vector<int> edges;
  std::int64_t right = 0;
  for (std::size_t i = 0; i < cellCount; ++i) {
    right += (i < given.size() ? given[i] : share) * kTwipsPerColumn;
    edges.push_back(static_cast<int>(std::min<std::int64_t>(right, std::numeric_limits<int>::max())));
  }
  return edges;
}

// The widths of a ".cols" line, in columns: each at least 1 and at most the 80 columns (a number
// too large for an int is a full-width column too).
std::vector<int> parseWidths(std::string_view text) {
  std::vector<int> widths;
  while (true) {
    text = trim(text);
    if (text.empty()) break;
    int width = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), width);
    if (error == std::errc::result_out_of_range) {
      width = text.front() == '-' ? 1 : kTextColumns;
    } else if (error != std::errc{}) {
      break;
    }
    widths.push_back(std::clamp(width, 1, kTextColumns));
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
  }
  return widths;
}

// Renders one line of a form; `widths` carries the column widths of ".cols" lines.
void renderLine(std::string_view line, const std::vector<std::string>& values, std::vector<int>& widths,
                RtfDocument& document) {
  bool conditional = false;
  if (!line.empty() && line.front() == '?') {
    conditional = true;
    line.remove_prefix(1);
  }
  const std::string_view content = trim(line);
  if (!conditional && !content.empty() && content.front() == ';') return;
  if (content.starts_with(".cols")) {
    widths = parseWidths(content.substr(5));
    return;
  }
  if (content == "---") {
    document.rule();
    return;
  }

  bool anyValue = false;
  if (!content.empty() && content.front() == '|') {
    std::vector<RtfText> cells;
    for (const std::string_view cell : splitCells(content)) cells.push_back(makeText(cell, values, anyValue));
    if (!conditional || anyValue) document.tableRow(cells, rightEdges(cells.size(), widths));
  } else if (!content.empty() && content.front() == '!') {
    const RtfText title = makeText(content.substr(1), values, anyValue);
    if (!conditional || anyValue) document.heading(2, title);
  } else {
    const RtfText text = makeText(content, values, anyValue);
    if (!conditional || anyValue) document.paragraph(text);
  }
}

}  // namespace

std::vector<std::string> splitValues(std::string_view values) {
  const char ends[] = {'\0', kValuesEnd};
  values = values.substr(0, values.find_first_of(std::string_view(ends, 2)));
  std::vector<std::string> result;
  while (true) {
    const std::size_t end = values.find(kValueEnd);
    if (end == std::string_view::npos) {
      if (!values.empty()) result.emplace_back(values);
      break;
    }
    result.emplace_back(values.substr(0, end));
    values.remove_prefix(end + 1);
  }
  return result;
}

bool renderForm(std::string_view fileText, std::string_view screenCode, const std::vector<std::string>& values,
                RtfDocument& document) {
  const std::vector<std::string_view> lines = splitLines(fileText);
  auto line = std::find_if(lines.begin(), lines.end(), [&](std::string_view l) {
    const auto code = formStart(l);
    return code && sameCode(*code, screenCode);
  });
  if (line == lines.end()) return false;

  std::vector<int> widths;
  for (++line; line != lines.end() && !formStart(*line); ++line) renderLine(*line, values, widths, document);
  return true;
}

}  // namespace standins::report_formatting
