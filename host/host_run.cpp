#include "host/host_run.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <system_error>
#include <vector>

#include "common/fixed_text.h"
#include "common/number_text.h"
#include "common/unset.h"
#include "host/report_output.h"
#include "host/repository_setup.h"
#include "host/result_fields.h"
#include "host/run_report.h"
#include "host/text_table.h"
#include "standins/engine/engine_standin.h"
#include "standins/host/host_standin.h"
#include "standins/repository/repository_standin.h"
#include "standins/windows/windows_standin.h"

namespace host {
namespace {

namespace fs = std::filesystem;

// Sizes of the host's argument fields.
constexpr std::size_t kIdentifierCount = 20;
constexpr std::size_t kIdentifierLength = 64;
constexpr std::size_t kCasePathLength = 256;
constexpr std::size_t kMaxCasePath = 255;
constexpr std::size_t kBlockKeyLength = 20;
// The engine reports its message count as a 2-byte number, so this many entries always suffice.
constexpr std::size_t kMessageRoom = 32768;
constexpr std::size_t kHeatingCurveOptionWords = 20;
constexpr std::size_t kHeatingCurveLevelWords = 7;
constexpr std::string_view kFilePrefix = "KVH";

// A fresh folder for the run's case file and temp files; the run works inside it, and the folder
// goes away with everything in it at the end.
class WorkFolder {
 public:
  WorkFolder() {
    std::string pattern = (fs::temp_directory_path() / "kvom_host_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      throw std::system_error(errno, std::generic_category(), "cannot create a work folder from " + pattern);
    }
    path_ = pattern;
    previous_ = fs::current_path();
    fs::current_path(path_);
  }
  ~WorkFolder() {
    std::error_code ignored;
    fs::current_path(previous_, ignored);
    if (kept_.empty()) {
      fs::remove_all(path_, ignored);
      return;
    }
    // The folder stays with the files kept and nothing else.
    for (const auto& entry : fs::directory_iterator(path_, ignored)) {
      if (!kept_.contains(entry.path().filename().string())) fs::remove_all(entry.path(), ignored);
    }
  }
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  const fs::path& path() const { return path_; }
  // Keeps the file of that name when it exists; the folder then outlives the run.
  bool keep(const std::string& name) {
    std::error_code ignored;
    if (!fs::exists(path_ / name, ignored)) return false;
    kept_.insert(name);
    return true;
  }

 private:
  fs::path path_;
  fs::path previous_;
  std::set<std::string> kept_;
};

// A directory of this machine as the Windows path text the adapter expects, ending in a backslash.
std::string windowsDir(const fs::path& dir) {
  std::string text = standins::windows::toWindowsPath(fs::absolute(dir).lexically_normal().string());
  if (text.empty() || text.back() != '\\') text += '\\';
  return text;
}

// An array of fixed-length texts numbered from 1, as the host passes its identifiers.
class IdentifierArray {
 public:
  explicit IdentifierArray(std::size_t count) : chars_(count * kIdentifierLength, ' '), count_(count) {}

  void set(std::size_t element, std::string_view text) {
    kvom::FixedText(chars_.data() + (element - 1) * kIdentifierLength, kIdentifierLength).assign(text);
  }
  std::string_view element(std::size_t n) const {
    return kvom::trimRight(std::string_view(chars_).substr((n - 1) * kIdentifierLength, kIdentifierLength));
  }
  const char* data() const { return chars_.data(); }
  const std::int64_t* count() const { return &count_; }
  std::size_t size() const { return static_cast<std::size_t>(count_); }

 private:
  std::string chars_;
  std::int64_t count_;
};

std::string padded(std::string_view text, std::size_t length) {
  std::string field(length, ' ');
  kvom::FixedText(field.data(), length).assign(text);
  return field;
}

std::string integerText(std::int64_t value) {
  return value == kvom::UNSET_INTEGER ? "unset" : kvom::formatInteger(value);
}
// Reals with ten significant digits: enough to read, short enough for a table.
std::string realText(double value) {
  if (value == kvom::UNSET_REAL) return "unset";
  std::array<char, 64> buffer{};
  const auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::general, 10);
  return std::string(buffer.data(), result.ptr);
}

std::string sideName(Side side) { return side == Side::hot ? "hot" : "cold"; }

// What the status word of each export tells the host.
struct StatusMeaning {
  std::int64_t status;
  std::string_view meaning;
};
constexpr StatusMeaning kCaughtErrors[] = {
    {3, "an error (host code 1001 to 1100) ended the call"},
    {39, "an error (host code 1101 to 1200) ended the call"},
    {40, "storage ran out (host code 1400)"},
};
constexpr StatusMeaning kInputStatuses[] = {
    {0, "done"},
    {1, "the case file did not exist"},
    {5, "a repository definition file did not load"},
    {8, "the case file cannot be created"},
};
constexpr StatusMeaning kDone[] = {{0, "done"}};
constexpr StatusMeaning kRepositoryStatuses[] = {
    {0, "done: the unit-input record was read"},
    {1, "the object with the unit-input record does not exist"},
    {2, "the unit-input record does not exist"},
    {3, "the unit-input record holds no data, or an error (host code 1001 to 1100) ended the call"},
};

// What the stand-in engine's own message numbers tell.
constexpr StatusMeaning kMessageMeanings[] = {
    {2, "a stream's flow or inlet temperature was missing"},
    {12, "the heat load was limited to what the inlets allow"},
};
// The message numbers for which the adapter has the engine save the case.
constexpr std::int64_t kSaveMessages[] = {6, 39, 40, 48, 53};

std::string messageMeaning(std::int64_t number) {
  for (const StatusMeaning& entry : kMessageMeanings) {
    if (entry.status == number) return "engine message: " + std::string(entry.meaning);
  }
  if (std::ranges::find(kSaveMessages, number) != std::end(kSaveMessages)) {
    return "engine message: the adapter had the engine save the case";
  }
  return "engine message (no text known to the host)";
}

// The files a step leaves beside the case file, by extension.
struct FileKind {
  std::string_view extension;
  std::string_view meaning;
};
constexpr FileKind kFileKinds[] = {
    {".QDX", "case file"},
    {".BAK", "backup of the case file"},
    {".RST", "restore copy of the backup"},
};

std::string fileWithKind(const fs::path& file) {
  for (const FileKind& kind : kFileKinds) {
    if (file.extension() == kind.extension) return file.string() + " (" + std::string(kind.meaning) + ")";
  }
  return file.string();
}

std::string statusMeaning(std::int64_t status, std::span<const StatusMeaning> own) {
  for (const StatusMeaning& entry : own) {
    if (entry.status == status) return std::string(entry.meaning);
  }
  for (const StatusMeaning& entry : kCaughtErrors) {
    if (entry.status == status) return std::string(entry.meaning);
  }
  return "(no meaning known)";
}

void heading(std::ostream& out, std::string_view title) { out << '\n' << title << '\n'; }

// Calls an export; an exception that leaves it ends the run.
class Caller {
 public:
  Caller(std::ostream& err) : err_(err) {}

  template <typename Call>
  bool operator()(std::string_view name, Call&& call) {
    try {
      call();
      return true;
    } catch (const std::exception& e) {
      err_ << name << ": an exception left the adapter: " << e.what() << '\n';
    } catch (...) {
      err_ << name << ": an exception left the adapter\n";
    }
    return false;
  }

 private:
  std::ostream& err_;
};

class Run {
 public:
  Run(const Scenario& scenario, Adapter& adapter, const HostSettings& settings, std::ostream& out, std::ostream& err)
      : scenario_(scenario), adapter_(adapter), settings_(settings), out_(out), err_(err), call_(err) {}

  int operator()() {
    WorkFolder folder;
    const std::string workDir = windowsDir(folder.path());
    const std::string casePath = workDir + scenario_.caseFile;
    if (casePath.size() > kMaxCasePath) {
      err_ << scenario_.source << ": the case path " << casePath << " is longer than " << kMaxCasePath
           << " characters\n";
      return kExitBadScenario;
    }
    prepareStandIns(workDir);
    casePath_ = padded(casePath, kCasePathLength);
    lastCasePath_ = casePath;
    blockKey_ = padded(scenario_.blockKey, kBlockKeyLength);
    buildIdentifiers();

    out_ << "Scenario " << scenario_.source << '\n';
    if (!scenario_.title.empty()) out_ << "  " << scenario_.title << '\n';
    TextTable setting({"setting", "value"});
    setting.add({"block key", scenario_.blockKey});
    setting.add({"case file", casePath});
    setting.add({"program directory", programDir_});
    setting.add({"work folder", folder.path().string() + " (removed at the end, all but the report)"});
    setting.print(out_);
    printIdentifiers();

    if (scenario_.hasCaseFile) writeCaseFile(folder.path() / scenario_.caseFile);
    putStreamsAndCurves(scenario_);
    if (!input()) return kExitRunFailed;
    const bool recordFound = fillUnitInput(scenario_);
    printUnitInput(recordFound);
    if (!execute()) return kExitRunFailed;
    printResults();
    if (!output(folder.path())) return kExitRunFailed;
    if (!heatingCurve()) return kExitRunFailed;
    if (!multiCase()) return kExitRunFailed;
    if (!report(folder)) return kExitRunFailed;
    if (!call_("KLOM_WEXA_EXIT", [&] { adapter_.exit(); })) return kExitRunFailed;
    heading(out_, "KLOM_WEXA_EXIT");
    out_ << "  every engine released\n";
    return kExitDone;
  }

 private:
  void prepareStandIns(const std::string& workDir) {
    programDir_ = windowsDir(settings_.installDir);
    standins::host::setProgramDir(programDir_);
    standins::host::setFilePrefix(kFilePrefix);
    standins::host::setUserDataDir(workDir);
    standins::windows::setTempPath(workDir);
    // The report library's settings file lives with the run, so a language chosen here stays here.
    standins::windows::setWindowsDirectory(workDir);
    // The engine's server is installed on this machine by registering its class; this also keeps
    // the engine stand-in loaded, which nothing else in the process refers to by name.
    standins::engine::registerEngineClass();
  }

  // Text files of the target end their lines with CR LF.
  void writeCaseFile(const fs::path& path) {
    std::ofstream file(path, std::ios::binary);
    for (const std::string& line : scenario_.caseLines) file << line << "\r\n";
    file.close();
    if (!file) throw std::runtime_error("cannot write the case file " + path.string());
  }

  // Element 1 the output object, 3 the unit, 4 to 7 the streams, from 8 the curve objects (hot
  // first), 20 the input object.
  void buildIdentifiers() {
    ids_.set(1, scenario_.outputObject);
    ids_.set(3, scenario_.blockKey);
    ids_.set(4, scenario_.hotStreams[0].name);
    ids_.set(5, scenario_.coldStreams[0].name);
    ids_.set(6, scenario_.hotStreams[1].name);
    ids_.set(7, scenario_.coldStreams[1].name);
    std::size_t element = 8;
    for (const Curve& curve : scenario_.hotCurves) ids_.set(element++, curve.name);
    for (const Curve& curve : scenario_.coldCurves) ids_.set(element++, curve.name);
    ids_.set(20, scenario_.inputObject);
  }

  void printIdentifiers() {
    heading(out_, "Host identifiers");
    TextTable table({"element", "object"});
    for (std::size_t n = 1; n <= ids_.size(); ++n) {
      if (!ids_.element(n).empty()) table.add({std::to_string(n), std::string(ids_.element(n))});
    }
    table.print(out_);
  }

  bool input() {
    std::int64_t status = 0;
    const std::int64_t zero = 0;
    const bool done = call_("KLOM_WEXA_INPUT", [&] {
      adapter_.input(ids_.count(), ids_.data(), &zero, &zero, &zero, nullptr, nullptr, casePath_.data(),
                     blockKey_.data(), &status, kIdentifierLength, kCasePathLength, kBlockKeyLength);
    });
    if (!done) return false;
    heading(out_, "KLOM_WEXA_INPUT");
    TextTable table({"result", "value", "meaning"});
    table.add({"status", std::to_string(status), statusMeaning(status, kInputStatuses)});
    table.print(out_);
    return true;
  }

  void printUnitInput(bool recordFound) {
    heading(out_, "Unit input " + std::string(kUnitInputKey) + " of " + scenario_.inputObject);
    if (!recordFound) out_ << "  (the input call created no record: the host writes a new one)\n";
    const std::optional<standins::repository::Record> record =
        standins::repository::getRecord(scenario_.inputObject, kUnitInputKey);
    TextTable table({"field", "meaning", "value"});
    for (const UnitInputField& field : unitInputFields()) {
      const std::size_t i = field.position - 1;
      std::string value = "unset";
      if (field.isInteger && record && i < record->integers.size()) value = integerText(record->integers[i]);
      if (!field.isInteger && record && i < record->reals.size()) value = realText(record->reals[i]);
      if (value == "unset") continue;
      table.add({std::string(field.isInteger ? "integer " : "real ") + std::to_string(field.position),
                 std::string(field.meaning), value});
    }
    if (table.empty()) {
      out_ << "  every value unset\n";
    } else {
      table.print(out_);
    }
  }

  std::int64_t curveFlag(const std::vector<Curve>& curves) const { return curves.empty() ? 2 : 1; }

  bool execute() {
    const ExecuteSettings& e = scenario_.execute;
    std::array<std::int64_t, 9> options = {static_cast<std::int64_t>(scenario_.hotCurves.size()),
                                           static_cast<std::int64_t>(scenario_.coldCurves.size()),
                                           curveFlag(scenario_.hotCurves),
                                           curveFlag(scenario_.coldCurves),
                                           e.hotPressureDropOption,
                                           e.coldPressureDropOption,
                                           e.diagnosticLevel,
                                           e.diagnosticUnit,
                                           e.lastCall};
    const std::int64_t optionCount = options.size();
    const std::int64_t zero = 0;
    std::int64_t messageCount = 0;
    std::vector<std::int64_t> messages(kMessageRoom, 0);
    const bool done = call_("KLOM_WEXA_EXECUTE", [&] {
      adapter_.execute(ids_.count(), ids_.data(), &optionCount, options.data(), &zero, nullptr, nullptr,
                       casePath_.data(), blockKey_.data(), &messageCount, messages.data(), kIdentifierLength,
                       kCasePathLength, kBlockKeyLength);
    });
    if (!done) return false;
    heading(out_, "KLOM_WEXA_EXECUTE");
    TextTable table({"result", "value", "meaning"});
    table.add({"message count", std::to_string(messageCount), "messages the engine gave"});
    const std::size_t shown = messageCount < 0 ? 0 : std::min(static_cast<std::size_t>(messageCount), messages.size());
    for (std::size_t i = 0; i < shown; ++i) {
      table.add({"message " + std::to_string(i + 1), std::to_string(messages[i]), messageMeaning(messages[i])});
    }
    messages_.assign(messages.begin(), messages.begin() + static_cast<std::ptrdiff_t>(shown));
    table.print(out_);
    if (messageCount < 0 || static_cast<std::size_t>(messageCount) > messages.size()) {
      out_ << "  (the message count lies outside what an engine reports)\n";
    }
    printCasePathChange();
    return true;
  }

  void printResults() {
    heading(out_, "Result records of " + scenario_.outputObject);
    for (const ResultRecord& result : resultRecords()) {
      const std::optional<standins::repository::Record> record =
          standins::repository::getRecord(scenario_.outputObject, result.key);
      if (!record) {
        out_ << "  " << result.key << ": not in the output object\n";
        continue;
      }
      out_ << "  " << result.key << " (" << record->integers.size() << " integers, " << record->reals.size()
           << " reals)\n";
      TextTable table({"  field", "meaning", "value"});
      const auto add = [&](bool isInteger, std::size_t position, std::string value) {
        std::string meaning = "(not described)";
        for (const ResultField& field : result.fields) {
          if (field.isInteger == isInteger && field.position == position) meaning = std::string(field.meaning);
        }
        // Fields the adapter never fills stay out of the table unless they hold a value.
        if (meaning == "(not described)" && value == "unset") return;
        table.add({std::string(isInteger ? "  integer " : "  real ") + std::to_string(position), meaning, value});
      };
      for (std::size_t i = 0; i < record->integers.size(); ++i) add(true, i + 1, integerText(record->integers[i]));
      for (std::size_t i = 0; i < record->reals.size(); ++i) add(false, i + 1, realText(record->reals[i]));
      table.print(out_);
    }
  }

  bool output(const fs::path& folder) {
    const std::int64_t hot = static_cast<std::int64_t>(scenario_.hotCurves.size());
    const std::int64_t cold = static_cast<std::int64_t>(scenario_.coldCurves.size());
    std::array<std::int64_t, 8> options = {0,
                                           hot,
                                           cold,
                                           scenario_.execute.hotPressureDropOption,
                                           scenario_.execute.coldPressureDropOption,
                                           scenario_.updateSwitch,
                                           0,
                                           0};
    const std::int64_t optionCount = options.size();
    const std::int64_t zero = 0;
    const double unusedReal = 0.0;
    std::int64_t status = 0;
    const bool done = call_("KLOM_WEXA_OUTPUT", [&] {
      adapter_.output(ids_.count(), ids_.data(), &optionCount, options.data(), &zero, &unusedReal, nullptr,
                      casePath_.data(), blockKey_.data(), &status, kIdentifierLength, kCasePathLength, kBlockKeyLength);
    });
    if (!done) return false;
    heading(out_, "KLOM_WEXA_OUTPUT");
    TextTable table({"result", "value", "meaning"});
    table.add({"update switch", std::to_string(scenario_.updateSwitch),
               scenario_.updateSwitch == 2 ? "save the updated case" : "restore the case from its backup"});
    table.add({"status", std::to_string(status), statusMeaning(status, kDone)});
    table.print(out_);
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path().filename());
    std::sort(files.begin(), files.end());
    std::string listing;
    for (const fs::path& file : files) listing += (listing.empty() ? "" : ", ") + fileWithKind(file);
    out_ << "  files in the work folder after the call: " << (listing.empty() ? "none" : listing) << '\n';
    printCasePathChange();
    return true;
  }

  // The engine may hand back a rewritten case path when it saves the case.
  void printCasePathChange() {
    const std::string_view now = kvom::trimRight(casePath_);
    if (now != lastCasePath_) out_ << "  case path now " << now << '\n';
    lastCasePath_ = std::string(now);
  }

  bool heatingCurve() {
    const HeatingCurveSettings& h = scenario_.heatingCurve;
    const std::array<Stream, 2>& streams = h.side == Side::hot ? scenario_.hotStreams : scenario_.coldStreams;
    IdentifierArray ids(4);
    ids.set(1, scenario_.inputObject);
    ids.set(3, streams[0].name);
    ids.set(4, streams[1].name);

    const std::int64_t side = h.side == Side::hot ? 1 : 2;
    std::array<std::int64_t, kHeatingCurveOptionWords> options{};
    options[0] = h.levelCount;
    options[19] = h.levelsSwitch;
    std::array<double, kHeatingCurveLevelWords> levels{};
    for (std::size_t i = 2; i < levels.size(); ++i) {
      levels[i] = i - 2 < h.levels.size() ? h.levels[i - 2] : kvom::UNSET_REAL;
    }
    const std::int64_t optionCount = options.size();
    const std::int64_t levelCount = levels.size();
    const std::int64_t zero = 0;
    const std::string unusedText = padded("", 8);
    std::int64_t status = 0;
    const bool done = call_("KLOM_WEXA_HCURVE", [&] {
      adapter_.heatingCurve(&side, ids.count(), ids.data(), &optionCount, options.data(), &levelCount, levels.data(),
                            &zero, unusedText.data(), &status, kIdentifierLength,
                            static_cast<std::int64_t>(unusedText.size()));
    });
    if (!done) return false;
    heading(out_, "KLOM_WEXA_HCURVE");
    TextTable table({"result", "value", "meaning"});
    table.add({"side", std::to_string(side), sideName(h.side) + " side"});
    table.add({"levels switch", std::to_string(h.levelsSwitch),
               h.levelsSwitch > 1 ? "levels computed or ordered" : "the two end pressures"});
    table.add({"status", std::to_string(status), statusMeaning(status, kRepositoryStatuses)});
    // The adapter writes the number of levels into option words 0 and 9.
    std::string levelMeaning = "pressure levels the adapter set (option words 0 and 9)";
    if (options[9] != options[0]) levelMeaning += "; word 9 holds " + std::to_string(options[9]);
    table.add({"level count", std::to_string(options[0]), levelMeaning});
    table.add({"flow", realText(levels[0]), "flow of " + streams[0].name});
    table.add({"flow", realText(levels[1]), "flow of " + streams[1].name});
    // The adapter writes the levels from word 2 on, highest first.
    const std::int64_t count = std::clamp<std::int64_t>(h.levelsSwitch > 1 ? options[0] : 2, 0, 4);
    for (std::int64_t i = 0; i < count; ++i) {
      table.add({"level " + std::to_string(i + 1), realText(levels[static_cast<std::size_t>(i) + 2]), "pressure [Pa]"});
    }
    table.print(out_);
    std::string words;
    for (std::int64_t word : options) words += (words.empty() ? "" : " ") + std::to_string(word);
    out_ << "  options words 0 to 19: " << words << '\n';
    return true;
  }

  bool multiCase() {
    std::string first = padded(scenario_.multiCaseFirst, kMultiCaseTextLength);
    std::string second = padded(scenario_.multiCaseSecond, kMultiCaseTextLength);
    std::int64_t status = 0;
    const bool done = call_("KLOM_SETMULTICASEINFO", [&] {
      adapter_.multiCase(first.data(), second.data(), blockKey_.data(), &status, kMultiCaseTextLength,
                         kMultiCaseTextLength, kBlockKeyLength);
    });
    if (!done) return false;
    heading(out_, "KLOM_SETMULTICASEINFO");
    TextTable table({"result", "value", "meaning"});
    table.add({"first text", quotedText(kvom::trimRight(first)), "sent " + quotedText(scenario_.multiCaseFirst)});
    table.add({"second text", quotedText(kvom::trimRight(second)), "sent " + quotedText(scenario_.multiCaseSecond)});
    table.add({"status", std::to_string(status), statusMeaning(status, kDone)});
    table.print(out_);
    return true;
  }

  // The run's report, written into the case directory after the cycle; the work folder keeps it.
  bool report(WorkFolder& folder) {
    RunFacts facts;
    facts.caseName = fs::path(scenario_.caseFile).stem().string();
    const std::time_t now = std::time(nullptr);
    std::array<char, 32> time{};
    std::strftime(time.data(), time.size(), "%Y-%m-%d %H:%M", std::localtime(&now));
    facts.runTime = time.data();
    facts.messageNumbers = messages_;
    facts.caseDirectory = folder.path();
    if (!call_("report", [&] { writeRunReport(adapter_, scenario_, facts); })) return false;
    heading(out_, "Report");
    const std::string name = std::string(kFilePrefix) + ".KVO";
    if (!folder.keep(name)) {
      out_ << "  no report was written\n";
      return true;
    }
    const std::string plots = std::string(kFilePrefix) + ".BFD";
    TextTable table({"file", "details", "path"});
    table.add({"report", folder.keep(plots) ? "form rows of the run, its plots in " + plots : "form rows of the run",
               (folder.path() / name).string()});
    std::vector<ReportOutput> outputs;
    const bool done = call_("report output", [&] {
      outputs = outputReport(adapter_, scenario_.print, folder.path(), windowsDir(folder.path()) + name);
    });
    for (const ReportOutput& output : outputs) {
      const bool made = !output.file.empty() && folder.keep(output.file);
      table.add({output.what, output.details, made ? (folder.path() / output.file).string() : "not made"});
    }
    table.print(out_);
    return done;
  }

  static std::string quotedText(std::string_view text) { return "\"" + std::string(text) + "\""; }

  const Scenario& scenario_;
  Adapter& adapter_;
  const HostSettings& settings_;
  std::ostream& out_;
  std::ostream& err_;
  Caller call_;
  IdentifierArray ids_{kIdentifierCount};
  std::string casePath_;
  std::string blockKey_;
  std::string programDir_;
  std::string lastCasePath_;
  std::vector<std::int64_t> messages_;
};

}  // namespace

int runScenario(const Scenario& scenario, Adapter& adapter, const HostSettings& settings, std::ostream& out,
                std::ostream& err) {
  try {
    return Run(scenario, adapter, settings, out, err)();
  } catch (const std::exception& e) {
    err << "the run cannot go on: " << e.what() << '\n';
    return kExitRunFailed;
  }
}

}  // namespace host
