// Building the RTF text of the report.

#include "standins/report_formatting/rtf_document.h"

#include <cstdint>
#include <cstdio>

#include "standins/report_formatting/code_page_437.h"

namespace standins::report_formatting {
namespace {

// A4 with margins of 20 mm, in twips; the body font is 10 point.
constexpr const char* kHeader =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n"
    "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\fmodern\\fcharset0 Courier New;}}\n"
    "{\\stylesheet{\\s0\\f0\\fs20 Normal;}"
    "{\\s1\\sb360\\sa120\\keepn\\outlinelevel0\\b\\f0\\fs32 heading 1;}"
    "{\\s2\\sb240\\sa120\\keepn\\outlinelevel1\\b\\f0\\fs26 heading 2;}}\n"
    "\\paperw11906\\paperh16838\\margl1134\\margr1134\\margt1134\\margb1134\n";
constexpr const char* kBodyFont = "\\f0\\fs20";

std::string_view alignment(Align align) {
  switch (align) {
    case Align::right:
      return "\\qr";
    case Align::centre:
      return "\\qc";
    case Align::left:
      break;
  }
  return "\\ql";
}

std::string styled(const RtfText& text) {
  std::string result(alignment(text.align));
  result += text.bold ? "\\b " : " ";
  result += text.rtf;
  if (text.bold) result += "\\b0";
  return result;
}

}  // namespace

std::string RtfDocument::escape(std::string_view text437) {
  std::string result;
  result.reserve(text437.size());
  for (const char c : text437) {
    const auto byte = static_cast<std::uint8_t>(c);
    if (c == '\\' || c == '{' || c == '}') {
      result += '\\';
      result += c;
    } else if (c == '\t') {
      result += "\\tab ";
    } else if (byte < 0x20 || byte == 0x7F) {
      result += ' ';  // control bytes have no place in report text
    } else if (byte < 0x80) {
      result += c;
    } else {
      const char32_t codePoint = codePointOf437(byte);
      char buffer[16];
      if (codePoint >= 0xA0 && codePoint <= 0xFF) {
        std::snprintf(buffer, sizeof buffer, "\\'%02x", static_cast<unsigned>(codePoint));
      } else if (codePoint == 0x0192) {
        std::snprintf(buffer, sizeof buffer, "\\'83");  // the f with hook has its own byte in 1252
      } else {
        // \u takes a signed 16-bit number; '?' stands in where Unicode is not read.
        const int number = codePoint > 0x7FFF ? static_cast<int>(codePoint) - 0x10000 : static_cast<int>(codePoint);
        std::snprintf(buffer, sizeof buffer, "\\u%d?", number);
      }
      result += buffer;
    }
  }
  return result;
}

std::string RtfDocument::paragraphStart(std::string_view properties) {
  std::string start = "\\pard\\plain";
  if (pageBreakPending_) start += "\\pagebb";
  pageBreakPending_ = false;
  start += properties;
  return start;
}

void RtfDocument::heading(int level, const RtfText& text) {
  const std::string style = level <= 1 ? "\\s1\\sb360\\sa120\\keepn\\outlinelevel0\\b\\f0\\fs32"
                                       : "\\s2\\sb240\\sa120\\keepn\\outlinelevel1\\b\\f0\\fs26";
  body_ += paragraphStart(style) + std::string(alignment(text.align)) + " " + text.rtf + "\\par\n";
}

void RtfDocument::paragraph(const RtfText& text) {
  body_ += paragraphStart(std::string("\\s0") + kBodyFont) + styled(text) + "\\par\n";
}

void RtfDocument::tableRow(const std::vector<RtfText>& cells, const std::vector<int>& rightEdges) {
  if (cells.empty()) return;
  if (pageBreakPending_) {
    // A row cannot carry the break itself: an almost empty paragraph takes it.
    body_ += paragraphStart("\\f0\\fs2") + "\\par\n";
  }
  std::string row = "\\trowd\\trgaph70\\trleft0";
  for (std::size_t i = 0; i < cells.size(); ++i) row += "\\cellx" + std::to_string(rightEdges.at(i));
  row += "\n";
  for (const RtfText& cell : cells) {
    row += "\\pard\\plain\\intbl";
    row += kBodyFont;
    row += styled(cell) + "\\cell\n";
  }
  row += "\\row\n";
  body_ += row;
}

void RtfDocument::rule() { body_ += paragraphStart("\\f0\\fs8\\sa120\\brdrb\\brdrs\\brdrw15\\brsp20") + "\\par\n"; }

void RtfDocument::pageBreak() {
  // A break before anything is written would only make an empty first page.
  if (!body_.empty()) pageBreakPending_ = true;
}

void RtfDocument::contentsMarker() {
  body_ += paragraphStart(std::string("\\s0") + kBodyFont) +
           R"( {\field{\*\fldinst { TOC \\o "1-2" \\h }}{\fldrslt {\i Table of contents}}}\par)" + "\n";
}

std::string RtfDocument::text() const {
  std::string document = kHeader;
  document += kBodyFont;
  document += "\n";
  document += body_;
  document += "}\n";
  return document;
}

}  // namespace standins::report_formatting
