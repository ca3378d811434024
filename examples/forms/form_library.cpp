// Reading form sources and writing form libraries, their indexes and RTF forms.

#include "examples/forms/form_library.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "standins/report_formatting/code_page_437.h"

namespace kvom::forms {
namespace {

using standins::report_formatting::byteOf437;

// The source's lines, each with its number from 1; a CR before the LF is dropped.
struct SourceLine {
  std::string_view text;
  std::size_t number;
};

std::vector<SourceLine> splitLines(std::string_view text) {
  std::vector<SourceLine> lines;
  std::size_t number = 1;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back({line, number++});
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

class Reader {
 public:
  Reader(std::string_view text, std::string_view sourceName) : lines_(splitLines(text)), name_(sourceName) {}

  [[noreturn]] void fail(std::size_t line, const std::string& message) const {
    throw FormError(std::string(name_) + ":" + std::to_string(line) + ": " + message);
  }

  bool atEnd() const { return next_ >= lines_.size(); }
  const SourceLine& peek() const { return lines_[next_]; }
  const SourceLine& take(std::string_view expected) {
    if (atEnd()) fail(lines_.empty() ? 1 : lines_.back().number, "the source ends before " + std::string(expected));
    return lines_[next_++];
  }

  // The line in code page 437 without trailing blanks; at most `columns` characters when given.
  std::string convert(const SourceLine& line, std::optional<std::size_t> columns) const {
    std::string result;
    std::string_view rest = line.text;
    while (!rest.empty()) {
      const char32_t codePoint = decode(rest, line.number);
      if (codePoint < 0x20 || codePoint == 0x7F) fail(line.number, "a tab or control character");
      const std::optional<std::uint8_t> byte = byteOf437(codePoint);
      if (!byte) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(codePoint));
        fail(line.number, std::string("the character ") + hex + " is not in code page 437");
      }
      result += static_cast<char>(*byte);
    }
    result.erase(result.find_last_not_of(' ') + 1);
    if (columns && result.size() > *columns) {
      fail(line.number, "the line has " + std::to_string(result.size()) + " columns, at most " +
                            std::to_string(*columns) + " are allowed");
    }
    return result;
  }

 private:
  // Takes one UTF-8 character off the front of the text.
  char32_t decode(std::string_view& text, std::size_t line) const {
    const auto lead = static_cast<std::uint8_t>(text[0]);
    std::size_t length = 1;
    char32_t codePoint = lead;
    if (lead >= 0xF0 && lead < 0xF8) {
      length = 4;
      codePoint = lead & 0x07;
    } else if (lead >= 0xE0) {
      length = 3;
      codePoint = lead & 0x0F;
    } else if (lead >= 0xC2 && lead < 0xE0) {
      length = 2;
      codePoint = lead & 0x1F;
    } else if (lead >= 0x80) {
      fail(line, "the text is not UTF-8");
    }
    if (length > text.size()) fail(line, "the text is not UTF-8");
    for (std::size_t i = 1; i < length; ++i) {
      const auto byte = static_cast<std::uint8_t>(text[i]);
      if ((byte & 0xC0) != 0x80) fail(line, "the text is not UTF-8");
      codePoint = (codePoint << 6) | (byte & 0x3F);
    }
    text.remove_prefix(length);
    return codePoint;
  }

  std::vector<SourceLine> lines_;
  std::string_view name_;
  std::size_t next_ = 0;
};

std::string_view trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

bool isDirective(std::string_view line, std::string_view name) {
  return line.starts_with(name) && (line.size() == name.size() || line[name.size()] == ' ');
}

bool allOf(std::string_view text, std::size_t size, int (*test)(int)) {
  return text.size() == size &&
         std::all_of(text.begin(), text.end(), [test](char c) { return test(static_cast<unsigned char>(c)) != 0; });
}

int isUpperOrDigit(int c) { return std::isupper(c) || std::isdigit(c); }

void readForm(Reader& reader, const SourceLine& start, LibrarySource& library) {
  Form form;
  const std::string_view numberText = trim(start.text.substr(5));
  const std::size_t blank = numberText.find(' ');
  form.number = std::atoi(std::string(numberText.substr(0, blank)).c_str());
  if (form.number != static_cast<int>(library.forms.size()) + 1) {
    reader.fail(start.number,
                "forms are numbered 1, 2, ... in order; expected @form " + std::to_string(library.forms.size() + 1));
  }
  if (const SourceLine& line = reader.take("@header"); trim(line.text) != "@header") {
    reader.fail(line.number, "@header expected");
  }
  for (std::string& line : form.header) line = reader.convert(reader.take("the header's two lines"), kFormColumns);
  if (const SourceLine& line = reader.take("@body"); trim(line.text) != "@body") {
    reader.fail(line.number, "@body expected after two header lines");
  }
  for (std::string& row : form.body) row = reader.convert(reader.take("the 24 body rows"), kFormColumns);
  if (!reader.atEnd() && trim(reader.peek().text) == "@rtf") {
    reader.take("@rtf");
    while (!reader.atEnd() && !isDirective(reader.peek().text, "@form") && !isDirective(reader.peek().text, "@end")) {
      form.rtf.push_back(reader.convert(reader.take("the RTF form"), std::nullopt));
    }
  }
  library.forms.push_back(std::move(form));
}

void appendLittleEndian(std::string& bytes, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>((value >> shift) & 0xFF);
}

}  // namespace

LibrarySource parseSource(std::string_view text, std::string_view sourceName) {
  Reader reader(text, sourceName);
  LibrarySource library;
  while (!reader.atEnd()) {
    const SourceLine& line = reader.take("a directive");
    const std::string_view content = trim(line.text);
    if (content.empty() || content.front() == ';') continue;
    if (isDirective(content, "@group")) {
      library.group = trim(content.substr(6));
      if (!allOf(library.group, 4, isUpperOrDigit))
        reader.fail(line.number, "a group is 4 upper-case letters or digits");
    } else if (isDirective(content, "@language")) {
      library.language = trim(content.substr(9));
      if (!allOf(library.language, 3, std::isupper)) reader.fail(line.number, "a language is 3 upper-case letters");
    } else if (isDirective(content, "@form")) {
      if (library.group.empty() || library.language.empty())
        reader.fail(line.number, "@group and @language come first");
      readForm(reader, line, library);
    } else if (content == "@end") {
      break;
    } else {
      reader.fail(line.number, "unexpected line: " + std::string(content.substr(0, 40)));
    }
  }
  if (library.forms.empty()) reader.fail(1, "the source has no form");
  return library;
}

std::string formRecord(const Form& form) {
  std::string record;
  for (const std::string& line : form.header) record += line + "\r\n";
  for (const std::string& row : form.body) record += row + "\r\n";
  return record;
}

std::array<LibraryFile, 3> buildLibrary(const LibrarySource& source) {
  if (source.forms.size() > kMaxForms) {
    throw FormError(source.group + "." + source.language + ": " + std::to_string(source.forms.size()) +
                    " forms, at most " + std::to_string(kMaxForms) + " fit an index");
  }
  // Entry 0 is 0; entry n (n >= 1) is the offset of the last byte of record n, so that record n + 1
  // starts one byte after it. The last record needs no entry: it is read to the end of the file.
  std::string library;
  std::string index;
  std::string rtf;
  appendLittleEndian(index, 0);
  for (const Form& form : source.forms) {
    const std::string record = formRecord(form);
    if (record.size() > kMaxRecordBytes) {
      throw FormError(source.group + "." + source.language + ": form " + std::to_string(form.number) + " takes " +
                      std::to_string(record.size()) + " bytes, at most " + std::to_string(kMaxRecordBytes) +
                      " are read; shorten its lines");
    }
    library += record;
    if (form.number < static_cast<int>(source.forms.size())) {
      appendLittleEndian(index, static_cast<std::uint32_t>(library.size() - 1));
    }
    char code[16];
    std::snprintf(code, sizeof code, "%04d", form.number);
    rtf += "[" + source.group + code + "]\r\n";
    for (const std::string& line : form.rtf) rtf += line + "\r\n";
  }
  return {LibraryFile{source.group + "." + source.language, library},
          LibraryFile{source.group + "INDX." + source.language, index},
          LibraryFile{source.group + ".R" + source.language, rtf}};
}

}  // namespace kvom::forms
