#pragma once
// An RTF document built paragraph by paragraph: headings, plain paragraphs, table rows, rules and
// breaks. Texts come in code page 437 and are written as RTF text in code page 1252: the braces and
// backslashes escaped, characters of code page 1252 above ASCII as \'xx, the rest (box drawing,
// Greek letters) as \uN with '?' for readers without Unicode.

#include <string>
#include <string_view>
#include <vector>

namespace standins::report_formatting {

enum class Align { left, right, centre };

// One cell of a table row, or the text of a paragraph: RTF text already escaped.
struct RtfText {
  std::string rtf;
  bool bold = false;
  Align align = Align::left;
};

class RtfDocument {
 public:
  // RTF text of a code page 437 text.
  static std::string escape(std::string_view text437);

  // Heading of the given level (1 section, 2 form title).
  void heading(int level, const RtfText& text);
  void paragraph(const RtfText& text);
  // A table row; the cells' right edges in twips from the left margin, one per cell.
  void tableRow(const std::vector<RtfText>& cells, const std::vector<int>& rightEdges);
  // A horizontal rule across the text width.
  void rule();
  // The next paragraph, heading or row starts a new page. Breaks at the end of the document are
  // dropped, so that it never ends with an empty page.
  void pageBreak();
  // A table-of-contents field that a word processor fills from the headings.
  void contentsMarker();

  bool empty() const { return body_.empty(); }
  // The whole document: header, font table, styles, page set-up, body and the closing brace.
  std::string text() const;

 private:
  std::string paragraphStart(std::string_view properties);

  std::string body_;
  bool pageBreakPending_ = false;
};

}  // namespace standins::report_formatting
