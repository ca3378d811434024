#pragma once
// A scenario: everything the host program puts into the repository and into the export arguments
// for one run of a unit. Scenario files are line based; README.md in examples/scenarios describes
// the format.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/unset.h"

namespace host {

// Limits the host keeps so that every curve fits the engine's curve arrays and every name fits
// the fields the adapter keeps.
inline constexpr std::size_t kMaxBlockKey = 20;
inline constexpr std::size_t kMaxObjectName = 40;
inline constexpr std::size_t kMaxCurvesPerSide = 5;
inline constexpr std::size_t kMaxPointsPerCurve = 24;
inline constexpr std::size_t kMaxComponents = 50;
inline constexpr std::size_t kMaxStreamItems = 6;
inline constexpr std::size_t kMaxGivenLevels = 4;
inline constexpr std::size_t kMultiCaseTextLength = 256;

enum class Side { hot, cold };

// A value of the unit-input record, by its position (from 1) in the integer or the real array.
struct UnitInputValue {
  bool isInteger = false;
  std::size_t position = 0;
  std::int64_t integer = 0;
  double real = 0.0;
};

struct Stream {
  std::string name;
  double flow = kvom::UNSET_REAL;
  double temperature = kvom::UNSET_REAL;
  double pressure = kvom::UNSET_REAL;
  double vapourFraction = kvom::UNSET_REAL;
  double flowMultiplier = 1.0;
  struct Item {
    std::int64_t code = 0;
    double flow = 0.0;
  };
  std::vector<Item> items;
};

struct Phase {
  std::int64_t kind = 0;              // 2 vapour, 4 liquid, 5 second liquid
  std::array<double, 10> block{};     // the phase's ten reals, unset where not given
  std::vector<double> moleFractions;  // one per component, or none
};

struct Point {
  double temperature = 0.0;
  double pressure = 0.0;
  double enthalpy = 0.0;
  double vapourFraction = 0.0;
  std::vector<Phase> phases;
};

struct Curve {
  std::string name;
  bool sendCompositions = false;
  std::vector<std::array<double, 7>> components;  // molecular weight, critical pressure, critical
                                                  // temperature, molar volume, normal boiling
                                                  // point, acentric factor, dipole moment
  std::vector<Point> points;
};

struct ExecuteSettings {
  std::int64_t hotPressureDropOption = 1;
  std::int64_t coldPressureDropOption = 1;
  std::int64_t diagnosticLevel = 0;
  std::int64_t diagnosticUnit = 0;
  std::int64_t lastCall = 0;
};

struct HeatingCurveSettings {
  Side side = Side::hot;
  std::int64_t levelsSwitch = 2;
  std::int64_t levelCount = 0;
  std::vector<double> levels;  // pressures the host gives, at most four
};

// A step of the scenario's own report, written after the run's report.
struct ReportStep {
  enum class Kind { form, pageBreak, componentBreak, tocBreak, sectionStart, sectionEnd };
  Kind kind = Kind::form;
  std::string text;                 // the screen code of a form, the title of a section
  std::vector<std::string> values;  // the values of a form, in form order
};

struct ReportSettings {
  bool standard = true;  // the run's own report: title page, summary, streams, curves
  std::string language;  // the report language set before the forms; empty: the settings file's
  std::vector<ReportStep> steps;
};

// What the host does with the report once it is written: print it on the stand-in printer,
// preview a sheet of it as a picture, and make its text copy.
struct PrintSettings {
  bool print = true;
  std::int64_t pagesPerSheet = 1;                              // 1, 2 or 4
  std::optional<std::pair<std::int64_t, std::int64_t>> pages;  // a range chosen in the print dialog
  std::int64_t copies = 1;
  bool preview = true;
  std::int64_t previewSheet = 1;  // counted from 1
  bool textCopy = true;
};

struct Scenario {
  std::string source;  // the file name, for messages
  std::string title;   // the first comment line, when there is one

  std::string blockKey;
  std::string caseFile;
  std::string inputObject = "UNIT_INPUT";
  std::string outputObject = "UNIT_OUTPUT";

  // The case file's lines before the run, when the scenario gives it; otherwise no case file exists
  // until the engine saves one.
  bool hasCaseFile = false;
  std::vector<std::string> caseLines;

  std::vector<UnitInputValue> unitInput;
  std::array<Stream, 2> hotStreams;
  std::array<Stream, 2> coldStreams;
  std::vector<Curve> hotCurves;
  std::vector<Curve> coldCurves;

  ExecuteSettings execute;
  std::int64_t updateSwitch = 1;
  HeatingCurveSettings heatingCurve;
  std::string multiCaseFirst;
  std::string multiCaseSecond;
  ReportSettings report;
  PrintSettings print;
};

// A scenario that cannot be used: what() reads "file:line: what is wrong" (or "file: what is
// wrong" when no line is to blame).
class ScenarioError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads a scenario from its text; source names it in messages.
Scenario parseScenario(std::string_view text, std::string_view source);
// Reads a scenario file.
Scenario loadScenario(const std::string& path);

// The unit-input fields by the name a scenario gives them: data for the parser and the report.
struct UnitInputField {
  std::string_view name;
  bool isInteger;
  std::size_t position;
  std::string_view meaning;
};
std::span<const UnitInputField> unitInputFields();

}  // namespace host
