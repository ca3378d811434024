#include "host/scenario.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>

namespace host {
namespace {

// The unit-input record: integers 1 to 10 and reals 1 to 23.
constexpr UnitInputField kUnitInputFields[] = {
    {"tube_passes", true, 1, "number of tube passes"},
    {"number_of_tubes", true, 2, "number of tubes"},
    {"number_of_baffles", true, 3, "number of baffles"},
    {"hot_fluid_location", true, 4, "location of the hot fluid (1 shell, 2 tubes)"},
    {"program_mode", true, 5, "program mode (1 design)"},
    {"thermosiphon_option", true, 6, "thermosiphon option (1 or 2)"},
    {"outlet_specification", true, 7, "outlet-specification code (1 to 12)"},
    {"max_iterations", true, 8, "maximum number of iterations"},
    {"calculation_method", true, 9, "calculation method"},
    {"vaporizer_type", true, 10, "vaporizer type"},
    {"heat_load", false, 1, "total heat load [W]"},
    {"hot_fouling_resistance", false, 2, "hot-side fouling resistance [m2 K/W]"},
    {"hot_film_coefficient", false, 3, "hot-side specified film coefficient [W/(m2 K)]"},
    {"hot_film_multiplier", false, 4, "hot-side film-coefficient multiplier"},
    {"hot_pressure_drop_multiplier", false, 5, "hot-side pressure-drop multiplier"},
    {"hot_allowed_pressure_drop", false, 6, "hot-side allowed pressure drop [Pa]"},
    {"hot_outlet_pressure", false, 7, "hot-side outlet pressure [Pa]"},
    {"hot_estimated_pressure_drop", false, 8, "hot-side estimated pressure drop [Pa]"},
    {"cold_fouling_resistance", false, 9, "cold-side fouling resistance [m2 K/W]"},
    {"cold_film_coefficient", false, 10, "cold-side specified film coefficient [W/(m2 K)]"},
    {"cold_film_multiplier", false, 11, "cold-side film-coefficient multiplier"},
    {"cold_pressure_drop_multiplier", false, 12, "cold-side pressure-drop multiplier"},
    {"cold_allowed_pressure_drop", false, 13, "cold-side allowed pressure drop [Pa]"},
    {"cold_outlet_pressure", false, 14, "cold-side outlet pressure [Pa]"},
    {"cold_estimated_pressure_drop", false, 15, "cold-side estimated pressure drop [Pa]"},
    {"cold_liquid_surface_pressure", false, 16, "cold-side pressure at the liquid surface [Pa]"},
    {"shell_inside_diameter", false, 17, "shell inside diameter [m]"},
    {"baffle_spacing", false, 18, "baffle spacing, centre to centre [m]"},
    {"tube_length", false, 19, "tube length [m]"},
    {"outlet_specification_value", false, 20, "outlet-specification value"},
    {"heat_load_tolerance", false, 21, "heat-load convergence tolerance"},
    {"pressure_tolerance", false, 22, "pressure convergence tolerance"},
    {"relaxation", false, 23, "convergence relaxation"},
};

// Positions (from 1) of the phase properties in a phase's block of ten reals.
constexpr std::pair<std::string_view, std::size_t> kPhaseProperties[] = {
    {"mw", 2},           {"density", 3},         {"cp", 4},          {"viscosity", 5},
    {"conductivity", 6}, {"surface_tension", 7}, {"diffusivity", 8}, {"liquid2_fraction", 10},
};

constexpr std::pair<std::string_view, std::int64_t> kPhaseKinds[] = {{"vapour", 2}, {"liquid", 4}, {"liquid2", 5}};

// The seven component properties in the order of their blocks.
constexpr std::string_view kComponentProperties[] = {"mw", "pc", "tc", "vm", "tb", "omega", "dipole"};

constexpr std::pair<std::string_view, std::int64_t ExecuteSettings::*> kExecuteKeys[] = {
    {"hot_pressure_drop_option", &ExecuteSettings::hotPressureDropOption},
    {"cold_pressure_drop_option", &ExecuteSettings::coldPressureDropOption},
    {"diagnostic_level", &ExecuteSettings::diagnosticLevel},
    {"diagnostic_unit", &ExecuteSettings::diagnosticUnit},
    {"last_call", &ExecuteSettings::lastCall},
};

constexpr std::pair<std::string_view, double Stream::*> kStreamKeys[] = {
    {"flow", &Stream::flow},
    {"temperature", &Stream::temperature},
    {"pressure", &Stream::pressure},
    {"vapour_fraction", &Stream::vapourFraction},
    {"flow_multiplier", &Stream::flowMultiplier},
};

template <typename Table>
auto findIn(const Table& table, std::string_view name) -> decltype(&*std::begin(table)) {
  for (const auto& entry : table) {
    if (entry.first == name) return &entry;
  }
  return nullptr;
}

std::string_view trim(std::string_view text) {
  const std::size_t start = text.find_first_not_of(" \t");
  if (start == std::string_view::npos) return {};
  const std::size_t end = text.find_last_not_of(" \t");
  return text.substr(start, end - start + 1);
}

// The words of a value, split at blanks and tabs.
std::vector<std::string_view> words(std::string_view text) {
  std::vector<std::string_view> result;
  while (true) {
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) break;
    text.remove_prefix(start);
    const std::size_t end = std::min(text.find_first_of(" \t"), text.size());
    result.push_back(text.substr(0, end));
    text.remove_prefix(end);
  }
  return result;
}

constexpr std::size_t kMaxCaseLine = 1000;
// A form's values take at most 2000 bytes with their end marks; a section title at most 255.
constexpr std::size_t kMaxReportLine = 1900;
constexpr std::size_t kMaxSectionTitle = 255;
constexpr std::size_t kMaxFormValueBytes = 1999;

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

// The section a line belongs to.
enum class SectionKind {
  none,
  unit,
  caseFile,
  unitInput,
  stream,
  curve,
  execute,
  output,
  heatingCurve,
  multiCase,
  report,
  print
};

struct Section {
  SectionKind kind = SectionKind::none;
  std::string header;  // as written between the brackets, blanks normalised
  int line = 0;
  Side side = Side::hot;
  std::size_t index = 0;  // stream 0 or 1
  std::set<std::string, std::less<>> keys;
};

class Parser {
 public:
  Parser(std::string_view text, std::string_view source) : text_(text) { scenario_.source = source; }

  Scenario run() {
    std::size_t start = 0;
    bool firstLine = true;
    while (start <= text_.size()) {
      const std::size_t end = std::min(text_.find('\n', start), text_.size());
      std::string_view line = text_.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      ++lineNumber_;
      if (firstLine && trim(line).starts_with('#')) scenario_.title = std::string(trim(trim(line).substr(1)));
      firstLine = false;
      handleLine(line);
      if (end == text_.size()) break;
      start = end + 1;
    }
    finishSection();
    finishScenario();
    return std::move(scenario_);
  }

 private:
  [[noreturn]] void failAt(int line, const std::string& what) const {
    throw ScenarioError(scenario_.source + ":" + std::to_string(line) + ": " + what);
  }
  [[noreturn]] void fail(const std::string& what) const { failAt(lineNumber_, what); }
  [[noreturn]] void failFile(const std::string& what) const { throw ScenarioError(scenario_.source + ": " + what); }

  // The line without its comment: a # outside double quotes starts one.
  static std::string_view withoutComment(std::string_view line) {
    bool inQuotes = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '"') inQuotes = !inQuotes;
      if (line[i] == '#' && !inQuotes) return line.substr(0, i);
    }
    return line;
  }

  void handleLine(std::string_view rawLine) {
    const std::string_view line = trim(withoutComment(rawLine));
    if (line.empty()) return;
    if (line.front() == '[') {
      if (line.back() != ']') fail("a section header must end with ']'");
      beginSection(line.substr(1, line.size() - 2));
      return;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) fail("expected 'key = value' or a [section] header");
    const std::string_view key = trim(line.substr(0, equals));
    const std::string_view value = trim(line.substr(equals + 1));
    if (key.empty()) fail("a key is missing before '='");
    if (section_.kind == SectionKind::none) fail("key " + quoted(key) + " stands before the first [section]");
    if (value.empty()) fail("key " + quoted(key) + " has no value");
    handleKey(key, value);
  }

  void beginSection(std::string_view header) {
    finishSection();
    const std::vector<std::string_view> parts = words(header);
    std::string normalised;
    for (std::string_view part : parts) normalised += (normalised.empty() ? "" : " ") + std::string(part);
    section_ = Section{};
    section_.header = normalised;
    section_.line = lineNumber_;
    if (parts.empty()) fail("empty section header []");

    static constexpr std::pair<std::string_view, SectionKind> kSingle[] = {
        {"unit", SectionKind::unit},
        {"case", SectionKind::caseFile},
        {"unit_input", SectionKind::unitInput},
        {"execute", SectionKind::execute},
        {"output", SectionKind::output},
        {"heating_curve", SectionKind::heatingCurve},
        {"multicase", SectionKind::multiCase},
        {"report", SectionKind::report},
        {"print", SectionKind::print},
    };
    if (const auto* single = findIn(kSingle, parts[0])) {
      if (parts.size() != 1) fail("section [" + std::string(parts[0]) + "] takes no further words");
      section_.kind = single->second;
      if (section_.kind == SectionKind::caseFile) scenario_.hasCaseFile = true;
    } else if (parts[0] == "stream") {
      if (parts.size() != 3) fail("expected [stream hot|cold 1|2]");
      section_.kind = SectionKind::stream;
      section_.side = sideOf(parts[1]);
      if (parts[2] != "1" && parts[2] != "2") fail("a stream number must be 1 or 2, not " + quoted(parts[2]));
      section_.index = parts[2] == "1" ? 0 : 1;
    } else if (parts[0] == "curve") {
      if (parts.size() != 2) fail("expected [curve hot|cold]");
      section_.kind = SectionKind::curve;
      section_.side = sideOf(parts[1]);
      std::vector<Curve>& curves = curvesOf(section_.side);
      if (curves.size() == kMaxCurvesPerSide) {
        fail("a side takes at most " + std::to_string(kMaxCurvesPerSide) + " heating curves");
      }
      curves.emplace_back();
      curves.back().name =
          std::string(section_.side == Side::hot ? "HOT" : "COLD") + "_CURVE_" + std::to_string(curves.size());
    } else {
      fail("unknown section [" + normalised + "]");
    }
    if (section_.kind != SectionKind::curve && !seenSections_.insert(normalised).second) {
      fail("section [" + normalised + "] is given twice");
    }
    if (section_.kind == SectionKind::stream) {
      streamOf(section_).name =
          std::string(section_.side == Side::hot ? "HOT" : "COLD") + "_STREAM_" + std::to_string(section_.index + 1);
    }
  }

  Side sideOf(std::string_view word) const {
    if (word == "hot") return Side::hot;
    if (word == "cold") return Side::cold;
    fail("a side is 'hot' or 'cold', not " + quoted(word));
  }
  std::vector<Curve>& curvesOf(Side side) { return side == Side::hot ? scenario_.hotCurves : scenario_.coldCurves; }
  Stream& streamOf(const Section& section) {
    return (section.side == Side::hot ? scenario_.hotStreams : scenario_.coldStreams)[section.index];
  }

  // Keys that may stand more than once in their section.
  static bool repeatable(std::string_view key) {
    return key == "item" || key == "component" || key == "point" || key == "phase" || key == "line" || key == "form" ||
           key == "break" || key == "section_start" || key == "section_end";
  }

  void handleKey(std::string_view key, std::string_view value) {
    if (!repeatable(key) && !section_.keys.emplace(key).second) {
      fail("key " + quoted(key) + " is given twice in [" + section_.header + "]");
    }
    switch (section_.kind) {
      case SectionKind::unit:
        return unitKey(key, value);
      case SectionKind::caseFile:
        if (key == "line") {
          scenario_.caseLines.push_back(text(value, kMaxCaseLine));
          return;
        }
        break;
      case SectionKind::unitInput:
        return unitInputKey(key, value);
      case SectionKind::stream:
        return streamKey(key, value);
      case SectionKind::curve:
        return curveKey(key, value);
      case SectionKind::execute:
        if (const auto* entry = findIn(kExecuteKeys, key)) {
          scenario_.execute.*(entry->second) = integer(value);
          return;
        }
        break;
      case SectionKind::output:
        if (key == "update") {
          scenario_.updateSwitch = integer(value);
          return;
        }
        break;
      case SectionKind::heatingCurve:
        return heatingCurveKey(key, value);
      case SectionKind::multiCase:
        if (key == "first" || key == "second") {
          (key == "first" ? scenario_.multiCaseFirst : scenario_.multiCaseSecond) = text(value, kMultiCaseTextLength);
          return;
        }
        break;
      case SectionKind::report:
        return reportKey(key, value);
      case SectionKind::print:
        return printKey(key, value);
      case SectionKind::none:
        break;
    }
    unknownKey(key);
  }

  void reportKey(std::string_view key, std::string_view value) {
    ReportSettings& report = scenario_.report;
    if (key == "standard") {
      report.standard = yesNo(value);
    } else if (key == "language") {
      report.language = text(value, 3);
      if (report.language.size() != 3) fail("a language code has three letters, like ENG or GER");
    } else if (key == "form") {
      report.steps.push_back(formStep(text(value, kMaxReportLine)));
    } else if (key == "break") {
      static constexpr std::pair<std::string_view, ReportStep::Kind> kBreaks[] = {
          {"page", ReportStep::Kind::pageBreak},
          {"component", ReportStep::Kind::componentBreak},
          {"toc", ReportStep::Kind::tocBreak},
      };
      const auto* entry = findIn(kBreaks, value);
      if (entry == nullptr) fail("expected 'page', 'component' or 'toc', not " + quoted(value));
      report.steps.push_back({entry->second, {}, {}});
    } else if (key == "section_start") {
      report.steps.push_back({ReportStep::Kind::sectionStart, text(value, kMaxSectionTitle), {}});
    } else if (key == "section_end") {
      if (!yesNo(value)) return;
      report.steps.push_back({ReportStep::Kind::sectionEnd, {}, {}});
    } else {
      unknownKey(key);
    }
  }

  void printKey(std::string_view key, std::string_view value) {
    PrintSettings& print = scenario_.print;
    if (key == "print") {
      print.print = yesNo(value);
    } else if (key == "pages_per_sheet") {
      print.pagesPerSheet = integer(value);
      if (print.pagesPerSheet != 1 && print.pagesPerSheet != 2 && print.pagesPerSheet != 4) {
        fail("pages per sheet are 1, 2 or 4");
      }
    } else if (key == "pages") {
      const std::vector<std::string_view> range = words(value);
      if (range.size() != 2) fail("expected the first and the last page, like 2 3");
      print.pages = std::pair{integer(range[0]), integer(range[1])};
      if (print.pages->first < 1 || print.pages->second < print.pages->first || print.pages->second > 1000) {
        fail("a page range runs from page 1 to 1000, the last not before the first");
      }
    } else if (key == "copies") {
      print.copies = integer(value);
      if (print.copies < 1 || print.copies > 99) fail("copies are 1 to 99");
    } else if (key == "preview") {
      print.preview = yesNo(value);
    } else if (key == "preview_sheet") {
      print.previewSheet = integer(value);
      if (print.previewSheet < 1 || print.previewSheet > 100) fail("a preview sheet is 1 to 100");
    } else if (key == "text_copy") {
      print.textCopy = yesNo(value);
    } else {
      unknownKey(key);
    }
  }

  // "CODE | value | value ...": an 8-character screen code, then the values in form order.
  ReportStep formStep(std::string_view line) const {
    ReportStep step{ReportStep::Kind::form, {}, {}};
    std::size_t start = 0;
    while (true) {
      const std::size_t bar = std::min(line.find('|', start), line.size());
      const std::string_view part = trim(line.substr(start, bar - start));
      if (start == 0) {
        step.text = std::string(part);
      } else {
        step.values.emplace_back(part);
      }
      if (bar == line.size()) break;
      start = bar + 1;
    }
    if (step.text.size() != 8 || step.text.find_first_of(" \t") != std::string::npos) {
      fail("a form starts with its 8-character screen code, like WEXA0002, not " + quoted(step.text));
    }
    std::size_t bytes = 1;  // the end mark
    for (const std::string& value : step.values) bytes += value.size() + 1;
    if (bytes >= kMaxFormValueBytes)
      fail("the values of a form take at most " + std::to_string(kMaxFormValueBytes - 1) +
           " bytes with their end marks");
    return step;
  }

  [[noreturn]] void unknownKey(std::string_view key) const {
    fail("unknown key " + quoted(key) + " in [" + section_.header + "]");
  }

  void unitKey(std::string_view key, std::string_view value) {
    if (key == "block_key") {
      scenario_.blockKey = text(value, kMaxBlockKey);
    } else if (key == "case_file") {
      scenario_.caseFile = text(value, 200);
      const std::string& name = scenario_.caseFile;
      if (name.find_first_of("/\\:") != std::string::npos) {
        fail("the case file is a plain file name (it lives in the run's work folder)");
      }
      if (name.size() <= 4 || !name.ends_with(".QDX")) fail("the case file name must end in .QDX");
    } else if (key == "input_object") {
      scenario_.inputObject = text(value, kMaxObjectName);
    } else if (key == "output_object") {
      scenario_.outputObject = text(value, kMaxObjectName);
    } else {
      unknownKey(key);
    }
  }

  void unitInputKey(std::string_view key, std::string_view value) {
    const auto* field = std::find_if(std::begin(kUnitInputFields), std::end(kUnitInputFields),
                                     [&](const UnitInputField& f) { return f.name == key; });
    if (field == std::end(kUnitInputFields)) unknownKey(key);
    UnitInputValue entry;
    entry.isInteger = field->isInteger;
    entry.position = field->position;
    if (field->isInteger) {
      entry.integer = integer(value);
    } else {
      entry.real = real(value);
    }
    scenario_.unitInput.push_back(entry);
  }

  void streamKey(std::string_view key, std::string_view value) {
    Stream& stream = streamOf(section_);
    if (key == "name") {
      stream.name = text(value, kMaxObjectName);
    } else if (const auto* entry = findIn(kStreamKeys, key)) {
      stream.*(entry->second) = real(value);
    } else if (key == "item") {
      const std::vector<std::string_view> parts = words(value);
      if (parts.size() != 2) fail("an item is 'code flow'");
      if (stream.items.size() == kMaxStreamItems) {
        fail("a stream takes at most " + std::to_string(kMaxStreamItems) + " items");
      }
      stream.items.push_back({integer(parts[0]), real(parts[1])});
    } else {
      unknownKey(key);
    }
  }

  void curveKey(std::string_view key, std::string_view value) {
    Curve& curve = curvesOf(section_.side).back();
    if (key == "name") {
      curve.name = text(value, kMaxObjectName);
    } else if (key == "compositions") {
      curve.sendCompositions = yesNo(value);
    } else if (key == "component") {
      if (curve.components.size() == kMaxComponents) {
        fail("a curve takes at most " + std::to_string(kMaxComponents) + " components");
      }
      std::array<double, 7> properties;
      properties.fill(kvom::UNSET_REAL);
      for (std::string_view part : words(value)) {
        const auto [name, number] = namedValue(part);
        const auto* found = std::find(std::begin(kComponentProperties), std::end(kComponentProperties), name);
        if (found == std::end(kComponentProperties)) fail("unknown component property " + quoted(name));
        properties[static_cast<std::size_t>(found - std::begin(kComponentProperties))] = real(number);
      }
      curve.components.push_back(properties);
    } else if (key == "point") {
      const std::vector<std::string_view> parts = words(value);
      if (parts.size() != 4) fail("a point is 'temperature pressure enthalpy vapour_fraction'");
      if (curve.points.size() == kMaxPointsPerCurve) {
        fail("a curve takes at most " + std::to_string(kMaxPointsPerCurve) + " points");
      }
      curve.points.push_back({real(parts[0]), real(parts[1]), real(parts[2]), real(parts[3]), {}});
    } else if (key == "phase") {
      if (curve.points.empty()) fail("a phase belongs to a point: give the point first");
      curve.points.back().phases.push_back(phase(value));
      phaseLines_.push_back({lineNumber_, curve.points.size() - 1, curve.points.back().phases.size() - 1});
    } else {
      unknownKey(key);
    }
  }

  Phase phase(std::string_view value) {
    const std::vector<std::string_view> parts = words(value);
    Phase result;
    result.block.fill(kvom::UNSET_REAL);
    if (const auto* kind = findIn(kPhaseKinds, parts[0])) {
      result.kind = kind->second;
    } else {
      result.kind = integer(parts[0]);
    }
    for (std::size_t i = 1; i < parts.size(); ++i) {
      const auto [name, number] = namedValue(parts[i]);
      if (name == "x") {
        result.moleFractions.clear();
        std::string_view rest = number;
        while (true) {
          const std::size_t comma = rest.find(',');
          result.moleFractions.push_back(real(rest.substr(0, comma)));
          if (comma == std::string_view::npos) break;
          rest.remove_prefix(comma + 1);
        }
      } else if (const auto* property = findIn(kPhaseProperties, name)) {
        result.block[property->second - 1] = real(number);
      } else {
        fail("unknown phase property " + quoted(name));
      }
    }
    return result;
  }

  void heatingCurveKey(std::string_view key, std::string_view value) {
    HeatingCurveSettings& settings = scenario_.heatingCurve;
    if (key == "side") {
      settings.side = sideOf(value);
    } else if (key == "levels_switch") {
      settings.levelsSwitch = integer(value);
    } else if (key == "level_count") {
      settings.levelCount = integer(value);
    } else if (key == "levels") {
      const std::vector<std::string_view> parts = words(value);
      if (parts.size() > kMaxGivenLevels) {
        fail("at most " + std::to_string(kMaxGivenLevels) + " pressure levels can be given");
      }
      for (std::string_view part : parts) settings.levels.push_back(real(part));
    } else {
      unknownKey(key);
    }
  }

  // Checks that need the whole section.
  void finishSection() {
    if (section_.kind == SectionKind::stream) {
      for (std::string_view required : {"flow", "temperature", "pressure"}) {
        if (!section_.keys.contains(required)) {
          failAt(section_.line, "[" + section_.header + "] lacks " + quoted(required));
        }
      }
    }
    if (section_.kind == SectionKind::curve) {
      const Curve& curve = curvesOf(section_.side).back();
      if (curve.points.empty()) failAt(section_.line, "[" + section_.header + "] has no points");
      for (const PhaseLine& phaseLine : phaseLines_) {
        const Phase& phase = curve.points[phaseLine.point].phases[phaseLine.phase];
        if (!phase.moleFractions.empty() && phase.moleFractions.size() != curve.components.size()) {
          failAt(phaseLine.line, "the phase gives " + std::to_string(phase.moleFractions.size()) +
                                     " mole fractions for " + std::to_string(curve.components.size()) + " components");
        }
      }
    }
    phaseLines_.clear();
  }

  void finishScenario() {
    if (!seenSections_.contains("unit")) failFile("missing section [unit]");
    if (scenario_.blockKey.empty()) failFile("[unit] lacks 'block_key'");
    if (scenario_.caseFile.empty()) failFile("[unit] lacks 'case_file'");
    for (std::string_view stream : {"stream hot 1", "stream hot 2", "stream cold 1", "stream cold 2"}) {
      if (!seenSections_.contains(stream)) failFile("missing section [" + std::string(stream) + "]");
    }
    // Every repository object needs a name of its own.
    std::map<std::string, std::string, std::less<>> owners;
    const auto claim = [&](const std::string& name, const std::string& owner) {
      const auto [it, fresh] = owners.emplace(name, owner);
      if (!fresh) failFile("the object name " + quoted(name) + " is used by " + it->second + " and " + owner);
    };
    claim(scenario_.inputObject, "the input object");
    claim(scenario_.outputObject, "the output object");
    for (std::size_t i = 0; i < 2; ++i) {
      claim(scenario_.hotStreams[i].name, "[stream hot " + std::to_string(i + 1) + "]");
      claim(scenario_.coldStreams[i].name, "[stream cold " + std::to_string(i + 1) + "]");
    }
    for (std::size_t i = 0; i < scenario_.hotCurves.size(); ++i) {
      claim(scenario_.hotCurves[i].name, "hot curve " + std::to_string(i + 1));
    }
    for (std::size_t i = 0; i < scenario_.coldCurves.size(); ++i) {
      claim(scenario_.coldCurves[i].name, "cold curve " + std::to_string(i + 1));
    }
  }

  // A name followed by '=' and a number, as in 'density=650'.
  std::pair<std::string_view, std::string_view> namedValue(std::string_view part) const {
    const std::size_t equals = part.find('=');
    if (equals == std::string_view::npos || equals == 0 || equals + 1 == part.size()) {
      fail("expected 'name=value', not " + quoted(part));
    }
    return {part.substr(0, equals), part.substr(equals + 1)};
  }

  double real(std::string_view word) const {
    const std::optional<double> value = wholeNumber<double>(word);
    if (!value || !std::isfinite(*value)) fail(quoted(word) + " is not a number");
    return *value;
  }

  std::int64_t integer(std::string_view word) const {
    const std::optional<std::int64_t> value = wholeNumber<std::int64_t>(word);
    if (!value) fail(quoted(word) + " is not an integer");
    return *value;
  }

  // The word read as a number of the kind, when the whole word is one (a leading + allowed).
  template <typename Number>
  static std::optional<Number> wholeNumber(std::string_view word) {
    if (word.starts_with('+')) {
      word.remove_prefix(1);
      if (word.starts_with('-')) return std::nullopt;
    }
    Number value{};
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (word.empty() || error != std::errc{} || end != word.data() + word.size()) return std::nullopt;
    return value;
  }

  bool yesNo(std::string_view word) const {
    if (word == "yes") return true;
    if (word == "no") return false;
    fail("expected 'yes' or 'no', not " + quoted(word));
  }

  // A text value, in double quotes or bare, of at most maxLength characters.
  std::string text(std::string_view value, std::size_t maxLength) const {
    if (value.starts_with('"')) {
      if (value.size() < 2 || !value.ends_with('"')) fail("a quoted text must end with '\"'");
      value = value.substr(1, value.size() - 2);
      if (value.find('"') != std::string_view::npos) fail("a quoted text cannot hold '\"'");
    }
    if (value.size() > maxLength) {
      fail("the text is " + std::to_string(value.size()) + " characters long; at most " + std::to_string(maxLength) +
           " fit");
    }
    return std::string(value);
  }

  // Where each phase of the current curve was given, for the checks at the section's end.
  struct PhaseLine {
    int line;
    std::size_t point;
    std::size_t phase;
  };

  std::string_view text_;
  Scenario scenario_;
  int lineNumber_ = 0;
  Section section_;
  std::set<std::string, std::less<>> seenSections_;
  std::vector<PhaseLine> phaseLines_;
};

}  // namespace

std::span<const UnitInputField> unitInputFields() { return kUnitInputFields; }

Scenario parseScenario(std::string_view text, std::string_view source) { return Parser(text, source).run(); }

Scenario loadScenario(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw ScenarioError(path + ": cannot open the scenario file");
  std::ostringstream content;
  content << file.rdbuf();
  if (file.bad()) throw ScenarioError(path + ": cannot read the scenario file");
  return parseScenario(content.str(), path);
}

}  // namespace host
