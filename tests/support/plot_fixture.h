#pragma once
// Plot records, plot-text lines and plot containers built in a line or two, for the plot tests,
// the plot benchmark and the example pictures.

#include <filesystem>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "report/plot_file.h"

namespace kvom::test {

// A record of the type with its slots from slot 1 on; the slots not given are 0.
report::PlotRecord plotRecord(char type, std::initializer_list<float> slots);

// A number right-aligned in `width` columns with `decimals` implied decimals ("F84": 1.5 -> "   15000").
std::string fixedField(double value, int width, int decimals);
// A main line of a plot text: the type letter, x and y under "F84F84", and "00".
std::string plotLine(char type, double x, double y);

// One block of a plot container.
struct PlotBlock {
  std::string title;
  std::vector<report::PlotRecord> records;
  std::string extraText;
  float xExtent = 0;
  float yExtent = 0;
};

// The bytes of one block: its 104-byte header, its records and its extra text.
std::string plotBlockBytes(const PlotBlock& block);
// The bytes of a block of one move record to (x, 1), 10 by 10: blocks that tell apart by x.
std::string moveBlock(float x);
// Writes the blocks one after another.
void writePlotContainer(const std::filesystem::path& path, std::span<const PlotBlock> blocks);

}  // namespace kvom::test
