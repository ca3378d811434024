#pragma once
// A plain text table: columns as wide as their widest cell, two blanks between them.

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace host {

class TextTable {
 public:
  explicit TextTable(std::vector<std::string> headings) : rows_{std::move(headings)} {}

  void add(std::vector<std::string> cells) { rows_.push_back(std::move(cells)); }
  bool empty() const { return rows_.size() == 1; }

  // Every line is indented by two blanks; the last column is not padded.
  void print(std::ostream& out) const {
    std::vector<std::size_t> widths;
    for (const auto& row : rows_) {
      if (widths.size() < row.size()) widths.resize(row.size(), 0);
      for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
    }
    for (const auto& row : rows_) {
      std::string line = "  ";
      for (std::size_t c = 0; c < row.size(); ++c) {
        line += row[c];
        if (c + 1 < row.size()) line += std::string(widths[c] - row[c].size() + 2, ' ');
      }
      while (!line.empty() && line.back() == ' ') line.pop_back();
      out << line << '\n';
    }
  }

 private:
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace host
