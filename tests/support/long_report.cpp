#include "tests/support/long_report.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <vector>

#include "tests/support/plot_fixture.h"

namespace kvom::test {

namespace {

constexpr int kPlotEvery = 10;
constexpr int kTableRows = 18;

// Box characters of the OEM code page.
constexpr char kTopLeft = '\xDA';
constexpr char kTopRight = '\xBF';
constexpr char kBottomLeft = '\xC0';
constexpr char kBottomRight = '\xD9';
constexpr char kHorizontal = '\xC4';
constexpr char kVertical = '\xB3';
constexpr char kTeeDown = '\xC2';
constexpr char kTeeUp = '\xC1';
constexpr char kTeeRight = '\xC3';
constexpr char kTeeLeft = '\xB4';
constexpr char kCross = '\xC5';

// The table's columns: the box's vertical lines stand at these columns.
constexpr int kBars[] = {2, 14, 30, 46, 62, 77};

// A row line: 80 text columns, a tab, the row type and the marker cells.
std::string rowLine(std::string text, char type = ' ', std::string markers = "") {
  text.resize(80, ' ');
  markers.resize(80, ' ');
  return text + '\t' + type + markers + "\r\n";
}

// Writes the text into the row at the column; the marker cell gets the marker.
void put(std::string& text, int column, const std::string& value) { text.replace(column, value.size(), value); }

std::string number(double value, int decimals) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

// A horizontal box line with the corner and tee characters of its place.
std::string boxRule(char left, char middle, char right) {
  std::string text(80, ' ');
  for (int x = kBars[0]; x <= kBars[5]; ++x) text[x] = kHorizontal;
  for (int bar : kBars) text[bar] = middle;
  text[kBars[0]] = left;
  text[kBars[5]] = right;
  return text;
}

std::string page(int n, bool plot) {
  std::string out;
  out += rowLine("   HEAT EXCHANGER RATING                                     Page " + std::to_string(n), '1');
  out += rowLine("   Case BENCH-" + std::to_string(n % 97) + "   Shell and tube, one shell pass, two tube passes", ':');
  out += rowLine(boxRule(kTopLeft, kTeeDown, kTopRight));

  // Centred heads.
  {
    std::string text(80, ' ');
    std::string markers(80, ' ');
    for (int bar : kBars) text[bar] = kVertical;
    const char* heads[] = {"Point", "Temperature", "Pressure", "Enthalpy", "Vapour"};
    for (int c = 0; c < 5; ++c) {
      const std::string head = heads[c];
      const int middle = (kBars[c] + kBars[c + 1]) / 2;
      put(text, middle - static_cast<int>(head.size()) / 2, head);
      markers[middle] = '~';
    }
    out += rowLine(text, 'h', markers);
  }
  out += rowLine(boxRule(kTeeRight, kCross, kTeeLeft));

  // Right-aligned values, their last cell on the marker.
  for (int r = 0; r < kTableRows; ++r) {
    std::string text(80, ' ');
    std::string markers(80, ' ');
    for (int bar : kBars) text[bar] = kVertical;
    const double t = 420.0 - 6.5 * r - 0.01 * n;
    const std::string values[] = {std::to_string(r + 1), number(t, 2), number(2.1e5 - 850.0 * r, 1),
                                  number(1.5e6 - 3.2e4 * r + n, 0), number(std::fmod(0.05 * r + 0.001 * n, 1.0), 4)};
    for (int c = 0; c < 5; ++c) {
      const int last = kBars[c + 1] - 2;
      put(text, last - static_cast<int>(values[c].size()) + 1, values[c]);
      markers[last] = '}';
    }
    out += rowLine(text, r % 2 == 0 ? ' ' : 'b', markers);
  }
  out += rowLine(boxRule(kBottomLeft, kTeeUp, kBottomRight));
  out += rowLine("");

  // Leaders and left-aligned values.
  const char* names[] = {"Shell side fluid", "Tube side fluid", "Shell diameter", "Tube length", "Tube count",
                         "Baffle spacing",   "Baffle cut",      "Tube pitch",     "Passes",      "Fouling factor"};
  for (int k = 0; k < 10; ++k) {
    std::string text(80, ' ');
    std::string markers(80, ' ');
    std::string name = std::string("   ") + names[k] + ' ';
    name.resize(36, '.');
    put(text, 0, name);
    const std::string value = k < 2 ? (k == 0 ? "WATER" : "CRUDE OIL") : number(0.25 * (k + 1) + 0.001 * n, 3);
    put(text, 37, value);
    markers[37] = '{';
    put(text, 50, k % 2 == 0 ? "m" : "-");
    out += rowLine(text, k % 3 == 0 ? ' ' : 'd', markers);
  }
  out += rowLine("   Results", 'u');

  // '=' columns, one row apart.
  const char* results[] = {"Duty", "Area", "Overall coefficient", "Mean temperature difference", "Pressure drop",
                           "Velocity", "Reynolds number", "Excess area"};
  for (int k = 0; k < 8; ++k) {
    std::string text(80, ' ');
    put(text, 3, results[k]);
    put(text, 34, "=");
    put(text, 36, number(1234.5 / (k + 1) + 0.01 * n, 2));
    put(text, 48, "units");
    out += rowLine(text, 'r');
  }
  out += rowLine("   Notes", 'v');

  // The rest of the page: plain rows; a plot over them every tenth page.
  const int used = 3 + 1 + 1 + kTableRows + 2 + 10 + 1 + 8 + 1;
  for (int r = used; r < kLongReportRows; ++r) {
    if (plot && r == used) out += "$$$CURVE.BFD 1 0 79 10\r\n";
    out += rowLine("   Note " + std::to_string(r - used + 1) + ": values computed for the case as given.");
  }
  return out;
}

// A heating curve: temperature against duty for both sides, axes and labels.
PlotBlock curveBlock(int n) {
  PlotBlock block{"heating curve " + std::to_string(n), {}, {}, 10, 6};
  const auto text = [&block](float x, float y, const std::string& label) {
    block.records.push_back(plotRecord(
        'S', {x, y, 0.25f, 0, static_cast<float>(label.size()), static_cast<float>(block.extraText.size())}));
    block.extraText += label;
  };
  block.records.push_back(plotRecord('M', {1, 1}));
  block.records.push_back(plotRecord('D', {9.5f, 1}));
  block.records.push_back(plotRecord('M', {1, 1}));
  block.records.push_back(plotRecord('D', {1, 5.5f}));
  for (int side = 0; side < 2; ++side) {
    block.records.push_back(plotRecord('L', {static_cast<float>(side)}));
    for (int p = 0; p <= 24; ++p) {
      const float x = 1 + 8.5f * static_cast<float>(p) / 24;
      const float y = side == 0 ? 5.0f - 2.5f * std::sqrt(static_cast<float>(p) / 24) : 1.5f + 0.1f * (n % 7) + 0.1f * p;
      block.records.push_back(plotRecord(p == 0 ? 'M' : 'D', {x, y}));
    }
  }
  for (int tick = 0; tick <= 4; ++tick) text(1 + 2.1f * tick, 0.5f, std::to_string(tick * 250));
  text(4, 0.1f, "Duty kW");
  text(0.1f, 5.8f, "T C");
  return block;
}

}  // namespace

std::string longReportText(int pages) {
  std::string out;
  for (int n = 1; n <= pages; ++n) out += page(n, n % kPlotEvery == 0);
  return out;
}

std::filesystem::path writeLongReport(const std::filesystem::path& directory, const std::string& name, int pages) {
  const std::filesystem::path report = directory / (name + ".KVO");
  std::ofstream out(report, std::ios::binary);
  for (int n = 1; n <= pages; ++n) out << page(n, n % kPlotEvery == 0);
  std::vector<PlotBlock> blocks;
  for (int n = kPlotEvery; n <= pages; n += kPlotEvery) blocks.push_back(curveBlock(n));
  writePlotContainer(directory / (name + ".BFD"), blocks);
  return report;
}

}  // namespace kvom::test
