#include "host/run_report.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <optional>

#include "common/unset.h"
#include "standins/repository/repository_standin.h"

namespace host {
namespace {

constexpr std::size_t kValueTextSize = 2001;  // a value text handed to the library holds this many bytes
constexpr double kZeroCelsius = 273.15;
constexpr std::size_t kShownMessages = 3;
constexpr std::size_t kStreamNameWidth = 12;

// A value with the digits the forms have room for; an unset value shows as nothing.
std::string fixed(double value, int decimals) {
  if (value == kvom::UNSET_REAL) return "";
  std::array<char, 64> text{};
  std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
  return text.data();
}

// A plot text (".KVD") of fixed columns: a record line of the type letter and x and y in eight
// columns each with four implied decimals; a text record follows with its height, angle and length
// and then the text itself.
class PlotText {
 public:
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

// The temperatures of both sides over the duty, as plot text: the hot side falls from its inlet at
// full duty to its outlet, the cold side rises from its inlet to its outlet (counter-current).
std::string curvePlot(double hotIn, double hotOut, double coldIn, double coldOut, double duty) {
  constexpr double kWidth = 8.0;
  constexpr double kHeight = 4.5;
  const double low = std::floor(std::min({hotIn, hotOut, coldIn, coldOut}) / 20.0) * 20.0;
  const double high = std::ceil(std::max({hotIn, hotOut, coldIn, coldOut}) / 20.0) * 20.0;
  const double span = std::max(high - low, 20.0);
  const auto y = [&](double t) { return (t - low) / span * kHeight; };
  PlotText plot;
  plot.pen(true);
  plot.move(0, kHeight);
  plot.draw(0, 0);
  plot.draw(kWidth, 0);
  for (int i = 0; i <= 4; ++i) {
    const double t = low + span * i / 4;
    plot.move(-0.1, y(t));
    plot.draw(0, y(t));
    plot.text(-0.75, y(t) + 0.08, fixed(t, 0), 0.12);
    const double q = duty * i / 4;
    plot.move(kWidth * i / 4, 0);
    plot.draw(kWidth * i / 4, -0.1);
    plot.text(kWidth * i / 4 - 0.2, -0.2, fixed(q, 0), 0.12);
  }
  plot.text(-1.0, kHeight * 0.3, "TEMPERATURE C", 0.14, 90);
  plot.text(kWidth / 2 - 0.5, -0.5, "DUTY kW", 0.14);
  plot.move(0, y(hotOut));
  plot.draw(kWidth, y(hotIn));
  plot.text(kWidth - 1.4, y(hotIn) + 0.35, "HOT SIDE", 0.13);
  plot.pen(false);
  plot.move(0, y(coldIn));
  plot.draw(kWidth, y(coldOut));
  plot.text(kWidth - 1.4, y(coldOut) - 0.15, "COLD SIDE", 0.13);
  plot.pen(true);
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
      streams.push_back(stream->name.substr(0, kStreamNameWidth));
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
    if (facts_.caseDirectory.empty() || duty == kvom::UNSET_REAL) return;
    for (double t : {hotIn, hotOut, coldIn, coldOut}) {
      if (t == kvom::UNSET_REAL) return;
    }
    std::ofstream(facts_.caseDirectory / "HCURVE.KVD", std::ios::binary) << curvePlot(
        hotIn - kZeroCelsius, hotOut - kZeroCelsius, coldIn - kZeroCelsius, coldOut - kZeroCelsius, duty / 1000.0);
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
