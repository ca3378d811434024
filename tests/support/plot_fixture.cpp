#include "tests/support/plot_fixture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

namespace kvom::test {

report::PlotRecord plotRecord(char type, std::initializer_list<float> slots) {
  report::PlotRecord record;
  record.setType(type);
  int number = 1;
  for (float value : slots) record.setSlot(number++, value);
  return record;
}

std::string fixedField(double value, int width, int decimals) {
  const long long whole = std::llround(value * std::pow(10.0, decimals));
  std::string text = std::to_string(whole);
  if (static_cast<int>(text.size()) < width) text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
  return text;
}

std::string plotLine(char type, double x, double y) {
  return std::string(1, type) + fixedField(x, 8, 4) + fixedField(y, 8, 4) + "00";
}

std::string plotBlockBytes(const PlotBlock& block) {
  report::PlotBlockHeader header;
  std::copy_n("BFD2.0", 6, header.magic.begin());
  std::copy_n(block.title.begin(), std::min<std::size_t>(block.title.size(), 79), header.title.begin());
  header.recordCount = static_cast<std::int32_t>(block.records.size());
  header.extraSize = static_cast<std::int32_t>(block.extraText.size());
  header.xExtent = block.xExtent;
  header.yExtent = block.yExtent;
  std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
  bytes.append(reinterpret_cast<const char*>(block.records.data()), block.records.size() * sizeof(report::PlotRecord));
  return bytes + block.extraText;
}

std::string moveBlock(float x) {
  return plotBlockBytes(
      {.title = "", .records = {plotRecord('M', {x, 1})}, .extraText = "", .xExtent = 10, .yExtent = 10});
}

void writePlotContainer(const std::filesystem::path& path, std::span<const PlotBlock> blocks) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (const PlotBlock& block : blocks) out << plotBlockBytes(block);
}

}  // namespace kvom::test
