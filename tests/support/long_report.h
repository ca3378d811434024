#pragma once
// A long generated report for the printing benchmark and the page-drawing comparisons: pages of
// 56 rows, each a titled form with box lines around an 18-row table of right-aligned values under
// centred heads, rows with dotted leaders, left-aligned values, '=' columns and 'u' and 'v' rule
// rows, and every tenth page a heating-curve plot from the report's own container.

#include <filesystem>
#include <string>

namespace kvom::test {

inline constexpr int kLongReportRows = 56;

// The report's text (row lines ending CR LF, OEM code page).
std::string longReportText(int pages);

// Writes NAME.KVO with the pages and NAME.BFD with one heating-curve block for each plot into the
// directory; returns the report's native path.
std::filesystem::path writeLongReport(const std::filesystem::path& directory, const std::string& name, int pages);

}  // namespace kvom::test
