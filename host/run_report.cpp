#include "host/run_report.h"

#include <array>
#include <cstdio>
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

  // The run's report: a section of the unit with the title page, a page break, the rating summary,
  // the stream conditions and the curves (each form starts a page of its own when printed), and a
  // component break that closes the unit.
  void standardReport() {
    performance_ = standins::repository::getRecord(scenario_.outputObject, "STHE_PERFORMANCE");
    const auto criteria = standins::repository::getRecord(scenario_.outputObject, "STHE_DESIGN_CRITERIA");
    const bool hotInTubes = criteria && !criteria->integers.empty() && criteria->integers[0] == 2;
    const std::string& unit = scenario_.blockKey;

    adapter_.writeSectionStart(unit.c_str(), static_cast<std::int32_t>(unit.size()));
    form("WEXA0001", {"K-VOM exchanger rating, host program 1.0", facts_.caseName, unit, facts_.runTime});
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

    form("WEXA0004", {unit});
    adapter_.writeComponentBreak();
    adapter_.writeSectionEnd();
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
