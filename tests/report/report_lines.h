#pragma once
// Report lines as the report file holds them, and the page the reader left in PrintPage.

#include <cstdio>
#include <memory>
#include <string>

#include "report/page_drawing.h"

namespace kvom::test {

// A row line: 80 text columns, a tab, the row type and the marker cells.
inline std::string row(const std::string& text, char type = ' ', const std::string& markers = "") {
  std::string line = text;
  line.resize(80, ' ');
  return line + '\t' + type + markers + "\r\n";
}

// Row k of PrintPage without its type column and trailing blanks.
inline std::string rowText(int k) {
  std::string text(report::PrintPage.text.data() + k * 80, 79);
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

// A report held in an anonymous file, read from its start.
class TempReport {
 public:
  explicit TempReport(const std::string& content) : file_(std::tmpfile()) {
    std::fwrite(content.data(), 1, content.size(), file_.get());
    std::rewind(file_.get());
  }
  std::FILE* get() const { return file_.get(); }

 private:
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
};

}  // namespace kvom::test
