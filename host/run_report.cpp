#include "host/run_report.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string_view>

#include "common/unset.h"
#include "standins/repository/repository_standin.h"

namespace host {
namespace {

constexpr std::size_t kValueTextSize = 2001;  // a value text handed to the library holds this many bytes
constexpr double kZeroCelsius = 273.15;
constexpr std::size_t kShownMessages = 3;

// A value with the digits the forms have room for; an unset value shows as nothing.
std::string fixed(double value, int decimals) {
  if (value == kvom::UNSET_REAL) return "";
  std::array<char, 64> text{};
  std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
  return text.data();
}

// A plot text (".KVD") of fixed columns: a record line of the type letter and x and y in eight
// columns each with four implied decimals; a text record follows with its height, angle and length
// and then the text itself, in code page 437.
class PlotText {
 public:
  void origin(double x, double y) { record('O', x, y); }
  void move(double x, double y) { record('M', x, y); }
  void draw(double x, double y) { record('D', x, y); }
  void pen(bool solid) { record('L', solid ? 1 : 2, 0); }
  void text(double x, double y, const std::string& text, double height, double angle = 0) {
    record('S', x, y);
    std::array<char, 32> line{};
    std::snprintf(line.data(), line.size(), "%5ld%6ld%2zu", scaled(height, 4), scaled(angle, 3), text.size());
    lines_ += std::string(line.data()) + "\r\n" + text + "\r\n";
  }
  std::string finished() const { return lines_ + "T\r\n"; }

 private:
  static long scaled(double value, int decimals) { return std::lround(value * std::pow(10.0, decimals)); }
  void record(char type, double x, double y) {
    std::array<char, 32> line{};
    std::snprintf(line.data(), line.size(), "%c%8ld%8ld 0", type, scaled(x, 4), scaled(y, 4));
    lines_ += std::string(line.data()) + "\r\n";
  }
  std::string lines_;
};

// Where a text of a plot lands. The library draws a text of height H in a cell 1.45 H high whose
// top stands 1.2 cell heights above the text's point, and gives each character 0.44 of the cell
// height.
struct PlotTextBox {
  double cell;   // cell height
  double width;  // width of the whole text
  PlotTextBox(std::string_view text, double height) : cell(1.45 * height), width(0.44 * cell * text.size()) {}
  // The point that puts the middle of the cell at y.
  double middleAt(double y) const { return y - 0.7 * cell; }
  // The point that puts the top of the cell at y.
  double topAt(double y) const { return y - 1.2 * cell; }
  // The point that puts the bottom of the cell at y.
  double bottomAt(double y) const { return y - 0.2 * cell; }
};

// A step of 1, 2 or 5 times a power of ten that divides the span into at most `most` parts.
double roundStep(double span, int most) {
  const double raw = std::max(span, 1e-9) / most;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double factor : {1.0, 2.0, 5.0}) {
    if (factor * power >= raw * (1 - 1e-9)) return factor * power;
  }
  return 10 * power;
}

// The words of the curve plot in the report's language, in code page 437 as a plot text holds them
// (0xF8 the degree sign, 0x8E an A with umlaut).
struct PlotWords {
  std::string_view temperature;
  std::string_view duty;
  std::string_view hotSide;
  std::string_view coldSide;
};
constexpr PlotWords kEnglishPlotWords{"TEMPERATURE \370C", "DUTY kW", "HOT SIDE", "COLD SIDE"};
constexpr PlotWords kGermanPlotWords{"TEMPERATUR \370C", "W\216RMESTROM kW", "WARME SEITE", "KALTE SEITE"};

// The temperatures of both sides over the duty, as plot text: the hot side from its outlet at no
// duty to its inlet at full duty, above the cold side from its inlet to its outlet (counter-current).
// Both axes are divided in round steps; every label is centred on its tick and clear of it.
std::string curvePlot(double hotIn, double hotOut, double coldIn, double coldOut, double duty, const PlotWords& words) {
  constexpr double kWidth = 8.0;
  constexpr double kHeight = 4.5;
  constexpr double kTick = 0.1;
  constexpr double kGap = 0.06;  // between a tick's end and its label
  constexpr double kLabelHeight = 0.12;
  constexpr double kTitleHeight = 0.14;
  constexpr double kSideHeight = 0.13;
  constexpr int kMostSteps = 5;

  const double coolest = std::min({hotIn, hotOut, coldIn, coldOut});
  const double hottest = std::max({hotIn, hotOut, coldIn, coldOut});
  const double tStep = roundStep(hottest - coolest, kMostSteps);
  const double low = std::floor(coolest / tStep) * tStep;
  const int tSteps = std::max(1, static_cast<int>(std::ceil((hottest - low) / tStep - 1e-9)));
  const double qStep = roundStep(duty, kMostSteps);
  const int qSteps = std::max(1, static_cast<int>(std::ceil(duty / qStep - 1e-9)));
  const auto y = [&](double t) { return (t - low) / (tStep * tSteps) * kHeight; };
  const auto x = [&](double q) { return q / (qStep * qSteps) * kWidth; };
  const int tDecimals = tStep < 1 ? static_cast<int>(std::ceil(-std::log10(tStep))) : 0;
  const int qDecimals = qStep < 1 ? static_cast<int>(std::ceil(-std::log10(qStep))) : 0;

  // The y labels stand left of the axis; the plot's origin is moved so that nothing lies below 0.
  double widestLabel = 0;
  for (int i = 0; i <= tSteps; ++i) {
    widestLabel = std::max(widestLabel, PlotTextBox(fixed(low + tStep * i, tDecimals), kLabelHeight).width);
  }
  const std::string yTitle(words.temperature);
  const PlotTextBox yTitleBox(yTitle, kTitleHeight);
  const double yTitleRight = -(kTick + kGap + widestLabel + kGap);
  const PlotTextBox labelBox("0", kLabelHeight);
  const double xLabelTop = -(kTick + kGap);
  const double xTitleTop = xLabelTop - labelBox.cell - kGap;
  PlotText plot;
  plot.origin(-(yTitleRight - yTitleBox.cell) + kGap, -(xTitleTop - PlotTextBox("", kTitleHeight).cell) + kGap);

  plot.pen(true);
  plot.move(0, kHeight);
  plot.draw(0, 0);
  plot.draw(kWidth, 0);
  for (int i = 0; i <= tSteps; ++i) {
    const double at = y(low + tStep * i);
    const std::string label = fixed(low + tStep * i, tDecimals);
    const PlotTextBox box(label, kLabelHeight);
    plot.move(-kTick, at);
    plot.draw(0, at);
    plot.text(-(kTick + kGap) - box.width, box.middleAt(at), label, kLabelHeight);
  }
  for (int i = 0; i <= qSteps; ++i) {
    const double at = kWidth * i / qSteps;
    const std::string label = fixed(qStep * i, qDecimals);
    const PlotTextBox box(label, kLabelHeight);
    plot.move(at, 0);
    plot.draw(at, -kTick);
    plot.text(at - box.width / 2, box.topAt(xLabelTop), label, kLabelHeight);
  }
  // The y title reads upward, its top toward the labels: its cell lies left of its point.
  plot.text(yTitleRight + 0.2 * yTitleBox.cell, (kHeight - yTitleBox.width) / 2, yTitle, kTitleHeight, 90);
  const std::string xTitle(words.duty);
  const PlotTextBox xTitleBox(xTitle, kTitleHeight);
  plot.text((kWidth - xTitleBox.width) / 2, xTitleBox.topAt(xTitleTop), xTitle, kTitleHeight);

  // Each side's label stands by its own line: the hot one above it, the cold one below it.
  const double end = x(duty);
  const auto hot = [&](double at) { return y(hotOut) + (y(hotIn) - y(hotOut)) * at / end; };
  const auto cold = [&](double at) { return y(coldIn) + (y(coldOut) - y(coldIn)) * at / end; };
  plot.move(0, y(hotOut));
  plot.draw(end, y(hotIn));
  const std::string hotLabel(words.hotSide);
  const PlotTextBox hotBox(hotLabel, kSideHeight);
  const double hotLeft = end * 0.6 - hotBox.width;
  plot.text(hotLeft, hotBox.bottomAt(std::max(hot(hotLeft), hot(hotLeft + hotBox.width)) + kGap), hotLabel,
            kSideHeight);
  plot.pen(false);
  plot.move(0, y(coldIn));
  plot.draw(end, y(coldOut));
  plot.pen(true);
  const std::string coldLabel(words.coldSide);
  const PlotTextBox coldBox(coldLabel, kSideHeight);
  const double coldLeft = end * 0.6;
  plot.text(coldLeft, coldBox.topAt(std::min(cold(coldLeft), cold(coldLeft + coldBox.width)) - kGap), coldLabel,
            kSideHeight);
  // A move past the right and top ends gives the last labels room inside the plot's extents.
  plot.move(kWidth + PlotTextBox(fixed(qStep * qSteps, qDecimals), kLabelHeight).width / 2 + kGap,
            kHeight + labelBox.cell);
  return plot.finished();
}

class ReportWriter {
 public:
  ReportWriter(Adapter& adapter, const Scenario& scenario, const RunFacts& facts)
      : adapter_(adapter), scenario_(scenario), facts_(facts) {}

  void operator()() {
    if (!scenario_.report.language.empty()) setLanguage(scenario_.report.language);
    if (scenario_.report.standard) standardReport();
    for (const ReportStep& step : scenario_.report.steps) this->step(step);
  }

 private:
  void setLanguage(const std::string& code) {
    std::array<char, 9> text{};
    code.copy(text.data(), 3);
    std::array<char, 6> result{};
    adapter_.reportFormCommand("S  ", text.data(), nullptr, "", result.data());
  }

  void form(const std::string& code, const std::vector<std::string>& values) {
    std::array<char, 9> screenCode{};
    code.copy(screenCode.data(), 8);
    std::array<char, kValueTextSize> text{};
    formValues(values).copy(text.data(), kValueTextSize - 1);
    std::array<char, 6> result{};
    adapter_.reportFormCommand("D  ", screenCode.data(), text.data(), "", result.data());
  }

  void step(const ReportStep& step) {
    switch (step.kind) {
      case ReportStep::Kind::form:
        return form(step.text, step.values);
      case ReportStep::Kind::pageBreak:
        return adapter_.writePageBreak();
      case ReportStep::Kind::componentBreak:
        return adapter_.writeComponentBreak();
      case ReportStep::Kind::tocBreak:
        return adapter_.writeTocBreak();
      case ReportStep::Kind::sectionStart:
        return adapter_.writeSectionStart(step.text.c_str(), static_cast<std::int32_t>(step.text.size()));
      case ReportStep::Kind::sectionEnd:
        return adapter_.writeSectionEnd();
    }
  }

  double performance(std::size_t position) const {
    if (!performance_ || position > performance_->reals.size()) return kvom::UNSET_REAL;
    return performance_->reals[position - 1];
  }

  // The run's report: the title page, a section of the unit with a page break, the rating summary,
  // the stream conditions and the curves (each form starts a page of its own when printed), and a
  // component break that closes the unit.
  void standardReport() {
    performance_ = standins::repository::getRecord(scenario_.outputObject, "STHE_PERFORMANCE");
    const auto criteria = standins::repository::getRecord(scenario_.outputObject, "STHE_DESIGN_CRITERIA");
    const bool hotInTubes = criteria && !criteria->integers.empty() && criteria->integers[0] == 2;
    const std::string& unit = scenario_.blockKey;

    // The title form opens the first page; the section of the unit starts under it, so that a
    // printed report does not begin with a page of the section line alone.
    form("WEXA0001", {"K-VOM exchanger rating, host program 1.0", facts_.caseName, unit, facts_.runTime});
    adapter_.writeSectionStart(unit.c_str(), static_cast<std::int32_t>(unit.size()));
    adapter_.writePageBreak();

    const double required = performance(2);
    const double actual = performance(3);
    const bool areasKnown = required != kvom::UNSET_REAL && actual != kvom::UNSET_REAL && required > 0;
    const double shellDrop = performance(13);
    const double tubeDrop = performance(45);
    std::vector<std::string> summary{
        unit,
        performance(1) == kvom::UNSET_REAL ? "" : fixed(performance(1) / 1000.0, 1),
        fixed(performance(6), 1),
        fixed(required, 2),
        fixed(actual, 2),
        areasKnown ? fixed((actual - required) / required * 100.0, 1) : "",
        kPa(hotInTubes ? tubeDrop : shellDrop),
        kPa(hotInTubes ? shellDrop : tubeDrop),
        std::to_string(facts_.messageNumbers.size()),
    };
    for (std::size_t i = 0; i < kShownMessages; ++i) {
      summary.push_back(i < facts_.messageNumbers.size() ? "Engine message " + std::to_string(facts_.messageNumbers[i])
                                                         : "");
    }
    form("WEXA0002", summary);

    const Stream& hot = scenario_.hotStreams[0];
    const Stream& cold = scenario_.coldStreams[0];
    const double hotOut = performance(hotInTubes ? 42 : 10);
    const double coldOut = performance(hotInTubes ? 10 : 42);
    const double hotOutPressure = performance(hotInTubes ? 44 : 12);
    const double coldOutPressure = performance(hotInTubes ? 12 : 44);
    std::vector<std::string> streams{unit};
    for (const Stream* stream : {&hot, &scenario_.hotStreams[1], &cold, &scenario_.coldStreams[1]}) {
      streams.push_back(stream->name);
    }
    for (double temperature : {hot.temperature, hotOut, cold.temperature, coldOut}) {
      streams.push_back(temperature == kvom::UNSET_REAL ? "" : fixed(temperature - kZeroCelsius, 1));
    }
    for (double pressure : {hot.pressure, hotOutPressure, cold.pressure, coldOutPressure}) {
      streams.push_back(kPa(pressure));
    }
    for (double flow : {hot.flow, hot.flow, cold.flow, cold.flow}) streams.push_back(fixed(flow, 2));
    for (double fraction : {hot.vapourFraction, kvom::UNSET_REAL, cold.vapourFraction, kvom::UNSET_REAL}) {
      streams.push_back(fixed(fraction, 2));
    }
    form("WEXA0003", streams);

    writeCurvePlot(hot.temperature, hotOut, cold.temperature, coldOut);
    form("WEXA0004", {unit});
    adapter_.writeComponentBreak();
    adapter_.writeSectionEnd();
  }

  // The curves form shows the plot container HCURVE.BFD of the case directory: the run's
  // temperatures as a plot text, turned into a container by the library.
  void writeCurvePlot(double hotIn, double hotOut, double coldIn, double coldOut) {
    const double duty = performance(1);
    if (facts_.caseDirectory.empty() || duty == kvom::UNSET_REAL || !(duty > 0)) return;
    for (double t : {hotIn, hotOut, coldIn, coldOut}) {
      if (t == kvom::UNSET_REAL) return;
    }
    // The forms before it chose the report's language; the plot's words follow it.
    const std::string_view language(adapter_.reportLanguageCode->data(), adapter_.reportLanguageCode->size());
    const PlotWords& words = language == "GER" ? kGermanPlotWords : kEnglishPlotWords;
    std::ofstream(facts_.caseDirectory / "HCURVE.KVD", std::ios::binary)
        << curvePlot(hotIn - kZeroCelsius, hotOut - kZeroCelsius, coldIn - kZeroCelsius, coldOut - kZeroCelsius,
                     duty / 1000.0, words);
    const std::string name = "HCURVE.KVD";
    adapter_.convertPlotFile(name.data(), static_cast<std::int64_t>(name.size()));
  }

  static std::string kPa(double pascal) { return pascal == kvom::UNSET_REAL ? "" : fixed(pascal / 1000.0, 1); }

  Adapter& adapter_;
  const Scenario& scenario_;
  const RunFacts& facts_;
  std::optional<standins::repository::Record> performance_;
};

}  // namespace

std::string formValues(const std::vector<std::string>& values) {
  std::string text;
  for (const std::string& value : values) text += value + '\x03';
  return text + '\x19';
}

void writeRunReport(Adapter& adapter, const Scenario& scenario, const RunFacts& facts) {
  ReportWriter(adapter, scenario, facts)();
}

}  // namespace host
