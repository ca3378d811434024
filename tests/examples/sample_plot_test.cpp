// The sample heating-curve plot reads as an engineer's diagram: the hot curve above the cold one at
// every duty, each side's label by its own curve, the minimum-approach arrows at the smallest
// difference.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/standin_helpers.h"

namespace {

struct Point {
  double x = 0;
  double y = 0;
};
struct Label {
  std::string text;
  Point at;
};
struct Arrow {
  Point tail;
  Point head;
};

// The curves, labels and arrows of a plot text, read by its fixed columns: lines of at least three
// points are curves, in the order drawn with the pen they are drawn with.
struct SamplePlot {
  std::vector<std::vector<Point>> solid;
  std::vector<std::vector<Point>> dotted;
  std::vector<Label> labels;
  std::vector<Arrow> arrows;
};

double field(const std::string& line, std::size_t from, std::size_t width, int decimals) {
  return line.size() < from + width ? 0 : std::stod(line.substr(from, width)) / std::pow(10.0, decimals);
}

SamplePlot readSample(const std::filesystem::path& path) {
  std::istringstream lines(kvom::test::readFile(path));
  std::vector<std::string> all;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    all.push_back(line);
  }
  SamplePlot plot;
  bool solid = true;
  std::vector<Point> run;
  const auto endRun = [&] {
    if (run.size() >= 3) (solid ? plot.solid : plot.dotted).push_back(run);
    run.clear();
  };
  for (std::size_t i = 0; i < all.size(); ++i) {
    const std::string& line = all[i];
    const Point point{field(line, 1, 8, 4), field(line, 9, 8, 4)};
    switch (line.empty() ? ' ' : line[0]) {
      case 'M':
        endRun();
        run.push_back(point);
        break;
      case 'D':
        run.push_back(point);
        break;
      case 'L':
        endRun();
        solid = std::lround(point.x) == 1;
        break;
      case 'A':
        plot.arrows.push_back({point, {field(all[i + 1], 1, 8, 4), field(all[i + 1], 9, 8, 4)}});
        ++i;
        break;
      case 'S': {
        const std::size_t count = std::stoul(all[i + 1].substr(11, 2));
        plot.labels.push_back({all[i + 2].substr(0, count), point});
        i += 2;
        break;
      }
      default:
        break;
    }
  }
  endRun();
  return plot;
}

// The curve's temperature at the duty x, between its points.
double at(const std::vector<Point>& curve, double x) {
  for (std::size_t k = 1; k < curve.size(); ++k) {
    if (x <= curve[k].x) {
      const double share = (x - curve[k - 1].x) / (curve[k].x - curve[k - 1].x);
      return curve[k - 1].y + share * (curve[k].y - curve[k - 1].y);
    }
  }
  return curve.back().y;
}

const Label* label(const SamplePlot& plot, const std::string& text) {
  for (const Label& l : plot.labels) {
    if (l.text == text) return &l;
  }
  return nullptr;
}

TEST(SamplePlotTest, CurvesLabelsAndMinimumApproachReadAsAnEngineerDrawsThem) {
  const SamplePlot plot = readSample(std::filesystem::path(KVOM_EXAMPLES_DIR) / "plots" / "CURVES.KVD");
  ASSERT_EQ(plot.solid.size(), 1u);
  ASSERT_EQ(plot.dotted.size(), 1u);
  const std::vector<Point>& hot = plot.solid[0];
  const std::vector<Point>& cold = plot.dotted[0];

  // Hot above cold at every point of either curve; the smallest difference lies at one of them.
  double smallest = std::numeric_limits<double>::max();
  double smallestAt = 0;
  std::vector<double> duties;
  for (const Point& p : hot) duties.push_back(p.x);
  for (const Point& p : cold) duties.push_back(p.x);
  for (double x : duties) {
    const double difference = at(hot, x) - at(cold, x);
    EXPECT_GT(difference, 0.1) << "at duty " << x;
    if (difference < smallest) {
      smallest = difference;
      smallestAt = x;
    }
  }

  // Each label stands by its own curve, the hot one above it, the cold one below, and nearer to it
  // than to the other curve.
  const Label* hotLabel = label(plot, "HOT SIDE");
  const Label* coldLabel = label(plot, "COLD SIDE");
  ASSERT_NE(hotLabel, nullptr);
  ASSERT_NE(coldLabel, nullptr);
  const Point h = hotLabel->at;
  const Point c = coldLabel->at;
  EXPECT_GE(h.y, at(hot, h.x));
  EXPECT_LT(h.y - at(hot, h.x), at(hot, h.x) - at(cold, h.x));
  EXPECT_LT(c.y, at(cold, c.x));
  EXPECT_LT(at(cold, c.x) - c.y, at(hot, c.x) - at(cold, c.x));

  // The two arrows of the minimum approach start between the curves at the smallest difference and
  // point at either curve there.
  std::vector<Arrow> approach;
  for (const Arrow& a : plot.arrows) {
    if (a.tail.x > 0 || a.tail.y > 0) approach.push_back(a);  // the axes start at the origin
  }
  ASSERT_EQ(approach.size(), 2u);
  std::sort(approach.begin(), approach.end(), [](const Arrow& a, const Arrow& b) { return a.head.y > b.head.y; });
  for (const Arrow& a : approach) EXPECT_NEAR(a.head.x, smallestAt, 1e-6);
  EXPECT_NEAR(approach[0].head.y, at(hot, smallestAt), 1e-6);
  EXPECT_NEAR(approach[1].head.y, at(cold, smallestAt), 1e-6);
  ASSERT_NE(label(plot, "MIN APPROACH"), nullptr);
}

}  // namespace
