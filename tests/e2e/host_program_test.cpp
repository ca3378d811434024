// The host program as a user runs it: scenario files in, exit code and report out.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/standin_helpers.h"

namespace {

using kvom::test::readFile;

namespace fs = std::filesystem;

struct ProgramRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

class HostProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "host_program_test_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    fs::remove_all(dir_);
    for (const fs::path& folder : kept_) fs::remove_all(folder);
  }

  ProgramRun run(const std::string& arguments) {
    const fs::path out = dir_ / "stdout.txt";
    const fs::path err = dir_ / "stderr.txt";
    const std::string command =
        std::string("'") + KVOM_HOST_PATH + "' " + arguments + " >'" + out.string() + "' 2>'" + err.string() + "'";
    const int status = std::system(command.c_str());
    ProgramRun result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readFile(out);
    result.err = readFile(err);
    // A run that wrote a report keeps its work folder for it; the test removes it at the end.
    std::smatch report;
    if (std::regex_search(result.out, report, std::regex("\n  report +.* (/\\S+)\n"))) {
      kept_.push_back(fs::path(report[1].str()).parent_path());
    }
    return result;
  }

  fs::path write(const std::string& name, const std::string& content) {
    const fs::path path = dir_ / name;
    std::ofstream(path) << content;
    return path;
  }

  fs::path dir_;
  std::vector<fs::path> kept_;
};

bool contains(const std::string& text, const std::string& pattern) {
  return std::regex_search(text, std::regex(pattern));
}

std::string repeated(const std::string& text, int times) {
  std::string result;
  for (int i = 0; i < times; ++i) result += text;
  return result;
}

const std::string kExamples = KVOM_EXAMPLES_DIR "/scenarios/";

// The smallest scenario the program accepts; the bad files below each break one line of it.
const std::string kMinimal =
    "[unit]\n"
    "block_key = E-1\n"
    "case_file = E1.QDX\n"
    "[stream hot 1]\nflow = 1\ntemperature = 400\npressure = 500000\n"
    "[stream hot 2]\nflow = 1\ntemperature = 350\npressure = 480000\n"
    "[stream cold 1]\nflow = 2\ntemperature = 300\npressure = 300000\n"
    "[stream cold 2]\nflow = 2\ntemperature = 320\npressure = 280000\n";

TEST_F(HostProgram, DefaultScenarioDrivesEveryExport) {
  const ProgramRun run = this->run("");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  for (const char* call : {"KLOM_WEXA_INPUT", "KLOM_WEXA_EXECUTE", "KLOM_WEXA_OUTPUT", "KLOM_WEXA_HCURVE",
                           "KLOM_SETMULTICASEINFO", "KLOM_WEXA_EXIT"}) {
    EXPECT_TRUE(contains(run.out, std::string("\n") + call + "\n")) << call << "\n" << run.out;
  }
  // The case file exists before the run, the definitions load: the input call reports 0.
  EXPECT_TRUE(contains(run.out, "KLOM_WEXA_INPUT\n.*\n  status +0 +done\n")) << run.out;
  EXPECT_TRUE(contains(run.out, "message count +[0-9]+ ")) << run.out;
  EXPECT_TRUE(contains(run.out, "KLOM_WEXA_OUTPUT\n(.*\n)*  status +0 ")) << run.out;

  // The work folder goes away at the end but for the report, its plot container, the printed job,
  // the preview picture and the text copy.
  std::smatch folder;
  ASSERT_TRUE(std::regex_search(run.out, folder,
                                std::regex("work folder +(\\S+) \\(removed at the end, all but the report\\)")));
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(folder[1].str())) left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"KVH.BFD", "KVH.KVO", "KVH.KVX", "KVH_sheet1.png", "KVOM_Output_1.pdf"}));
}

// The report file the run left behind, as the program names it.
class ReportOfRun {
 public:
  explicit ReportOfRun(const std::string& out) {
    std::smatch found;
    if (std::regex_search(out, found, std::regex("\n  report +.* (/\\S+)\n"))) path_ = found[1].str();
  }
  const fs::path& path() const { return path_; }
  // The report's form rows whose text holds the pattern.
  std::vector<std::string> rows(const std::string& pattern) const {
    std::vector<std::string> result;
    std::istringstream lines(readFile(path_));
    for (std::string line; std::getline(lines, line);) {
      if (std::regex_search(line, std::regex(pattern))) result.push_back(line);
    }
    return result;
  }

 private:
  fs::path path_;
};

// One number of a result field as the program prints it.
double printedResult(const std::string& out, const std::string& field) {
  const std::size_t table = out.find("STHE_PERFORMANCE");
  if (table == std::string::npos) return -1;
  const std::string performance = out.substr(table);
  std::smatch found;
  if (!std::regex_search(performance, found, std::regex("  real " + field + " .* ([-0-9.e+]+)\n"))) return -1;
  return std::stod(found[1].str());
}

std::string oneDecimal(double value) {
  std::ostringstream text;
  text.setf(std::ios::fixed);
  text.precision(1);
  text << value;
  return text.str();
}

TEST_F(HostProgram, DefaultScenarioLeavesAReportOfItsResults) {
  const ProgramRun run = this->run("");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const ReportOfRun report(run.out);
  ASSERT_TRUE(fs::exists(report.path())) << run.out;
  EXPECT_EQ(report.path().filename(), "KVH.KVO");
  const std::string text = readFile(report.path());

  // Every line ends with CR LF; the unit is a section with a page and a component break.
  EXPECT_FALSE(contains(text, "[^\r]\n")) << text;
  EXPECT_EQ(report.rows("^\\[Section Start\\] E-101\r$").size(), 1u) << text;
  EXPECT_TRUE(
      text.ends_with("------------------------- Component Break --------------------------\r\n"
                     "[Section End]\r\n"));
  EXPECT_EQ(report.rows("^-+ Page Break -+\r$").size(), 1u);

  // The summary form's rows carry the run's results: duty in kW, coefficient, areas, pressure drops
  // of the hot fluid's shell and the cold fluid's tubes in kPa, right-aligned on their markers.
  struct Row {
    std::string label;
    double value;
  };
  const Row rows[] = {
      {"Heat duty", printedResult(run.out, "1") / 1000},
      {"Overall heat-transfer coefficient", printedResult(run.out, "6")},
      {"Hot side", printedResult(run.out, "13") / 1000},
      {"Cold side", printedResult(run.out, "45") / 1000},
  };
  for (const Row& row : rows) {
    ASSERT_GT(row.value, 0) << row.label << "\n" << run.out;
    const std::vector<std::string> found = report.rows(row.label + " \\.+ +" + oneDecimal(row.value) + "  ");
    ASSERT_EQ(found.size(), 1u) << row.label << " " << oneDecimal(row.value) << "\n" << text;
    EXPECT_TRUE(contains(found[0], "^.{80}\t +}\r$")) << found[0];
  }
  EXPECT_EQ(report.rows("Case = E101 ").size(), 1u) << text;
  // Every stream name stands whole, however long: the default's longest has 15 characters.
  for (const char* name : {"KERO-FEED", "KERO-PRODUCT", "CRUDE-FEED", "CRUDE-PREHEATED"}) {
    EXPECT_EQ(report.rows(std::string(" ") + name + "\\s").size(), 1u) << name << "\n" << text;
  }
  // The curves page names the case's plot container, which holds the run's curves as its one block.
  EXPECT_EQ(report.rows("^[$][$][$]KVH[.]BFD  1  4 80 21\r$").size(), 1u) << text;
  const std::string container = readFile(report.path().parent_path() / "KVH.BFD");
  ASSERT_GT(container.size(), 104u);
  EXPECT_TRUE(container.starts_with(std::string("BFD2.0\0\0", 8)));
}

TEST_F(HostProgram, ScenarioWritesFormsAndBreaksOfItsOwn) {
  const fs::path file = write("own.scn", kMinimal +
                                             "[report]\n"
                                             "standard = no\n"
                                             "language = GER\n"
                                             "section_start = \"Own part\"\n"
                                             "form = wexa0002 | E-1 | 12.5 | | | | | 3.5 | | 0\n"
                                             "break = page\n"
                                             "break = toc\n"
                                             "break = component\n"
                                             "section_end = yes\n");
  const ProgramRun run = this->run("'" + file.string() + "'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const ReportOfRun report(run.out);
  const std::string text = readFile(report.path());
  ASSERT_FALSE(text.empty()) << run.out;
  EXPECT_TRUE(text.starts_with("[Section Start] Own part\r\n")) << text;
  // The German form, its values on their markers, an empty value leaving its place blank.
  EXPECT_EQ(report.rows("Apparat E-1 ").size(), 1u) << text;
  EXPECT_EQ(report.rows("rmestrom \\.+ +12\\.5  kW").size(), 1u) << text;
  EXPECT_EQ(report.rows("Warme Seite \\.+ +3\\.5  kPa").size(), 1u) << text;
  EXPECT_EQ(report.rows("Kalte Seite \\.+ +kPa").size(), 1u) << text;
  EXPECT_TRUE(
      text.ends_with("------------------------------ Page Break ------------------------------\r\n"
                     "------------------------- Component Break --------------------------\r\n"
                     "[Section End]\r\n"))
      << text;
  EXPECT_EQ(report.rows("WEXA0001|Case =").size(), 0u);
}

// The curve plot's words are in the language of the report's forms (code page 437 in the container).
TEST_F(HostProgram, TheCurvePlotSpeaksTheReportsLanguage) {
  struct Case {
    std::string report;
    std::vector<std::string> words;
    std::vector<std::string> absent;
  };
  const Case cases[] = {
      {"", {"TEMPERATURE \xF8" "C", "DUTY kW", "HOT SIDE", "COLD SIDE"}, {"TEMPERATUR \xF8", "SEITE"}},
      {"[report]\nlanguage = GER\n",
       {"TEMPERATUR \xF8" "C", "W\x8ERMESTROM kW", "WARME SEITE", "KALTE SEITE"},
       {"TEMPERATURE", "DUTY", "HOT SIDE", "COLD SIDE"}},
  };
  for (const Case& c : cases) {
    const ProgramRun run = this->run("'" + write("plot.scn", kMinimal + c.report).string() + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const ReportOfRun report(run.out);
    const std::string container = readFile(report.path().parent_path() / "KVH.BFD");
    ASSERT_FALSE(container.empty()) << run.out;
    for (const std::string& word : c.words) EXPECT_NE(container.find(word), std::string::npos) << word;
    for (const std::string& word : c.absent) EXPECT_EQ(container.find(word), std::string::npos) << word;
  }
}

// The file of a report output line ("printed", "preview", "text copy"), as the program names it.
fs::path outputFile(const std::string& out, const std::string& what) {
  std::smatch found;
  if (!std::regex_search(out, found, std::regex("\n  " + what + " +.* (/\\S+)\n"))) return {};
  return found[1].str();
}

int pdfPages(const fs::path& pdf) {
  std::smatch found;
  const std::string info = kvom::test::runCommand("pdfinfo '" + pdf.string() + "' 2>&1");
  return std::regex_search(info, found, std::regex("Pages: +([0-9]+)")) ? std::stoi(found[1].str()) : -1;
}

TEST_F(HostProgram, TheReportIsPrintedPreviewedAndCopied) {
  struct Case {
    std::string print;
    int sheets;
    std::string previewSheet;
  };
  // The run's report has four pages: the title page, the summary, the streams and the curves.
  const Case cases[] = {
      {"", 4, "KVH_sheet1.png"},
      // Pages 2 and 3 keep their places: the right half of the first sheet, the left of the next.
      {"[print]\npages_per_sheet = 2\npages = 2 3\ncopies = 2\npreview_sheet = 2\n", 4, "KVH_sheet2.png"},
      {"[print]\npages_per_sheet = 4\ntext_copy = no\n", 1, "KVH_sheet1.png"},
  };
  for (const Case& c : cases) {
    const ProgramRun run = this->run("'" + write("print.scn", kMinimal + c.print).string() + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const fs::path pdf = outputFile(run.out, "printed");
    ASSERT_TRUE(fs::exists(pdf)) << run.out;
    EXPECT_EQ(pdfPages(pdf), c.sheets) << c.print;
    const fs::path png = outputFile(run.out, "preview");
    EXPECT_EQ(png.filename(), c.previewSheet) << run.out;
    EXPECT_TRUE(readFile(png).starts_with("\x89PNG")) << run.out;
    const fs::path copy = outputFile(run.out, "text copy");
    EXPECT_EQ(fs::exists(copy), c.print.find("text_copy = no") == std::string::npos) << run.out;
  }
  // The text copy holds the rows' text without types, markers and picture lines.
  const ProgramRun run = this->run("");
  const std::string copy = readFile(outputFile(run.out, "text copy"));
  EXPECT_NE(copy.find("RATING SUMMARY"), std::string::npos);
  EXPECT_EQ(copy.find("$$$"), std::string::npos);
  EXPECT_EQ(copy.find('\t'), std::string::npos);
}

TEST_F(HostProgram, DefaultScenarioReportsResultsAndLevels) {
  const ProgramRun run = this->run("");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(contains(run.out, "STHE_PERFORMANCE \\(2 integers, 59 reals\\)")) << run.out;
  EXPECT_TRUE(contains(run.out, "real 1 +total heat load \\[W\\] +[-0-9]")) << run.out;
  // Hot side, feed at 500000 Pa, no outlet pressure given: two levels, the feed pressure first.
  EXPECT_TRUE(contains(run.out, "level 1 +500000 +pressure")) << run.out;
}

TEST_F(HostProgram, ExampleScenarioRuns) {
  const ProgramRun run = this->run("'" + kExamples + "design_restore.scn'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(contains(run.out, "block key +E-201")) << run.out;
  // The condenser takes the duty the scenario asks without a limit, and neither end of it comes
  // near a zero approach: hot fluid in the shell, inlets 325 K (hot) and 303.15 K (cold).
  EXPECT_TRUE(contains(run.out, "message count +0 ")) << run.out;
  EXPECT_GT(325.0 - printedResult(run.out, "42"), 5.0) << run.out;
  EXPECT_GT(printedResult(run.out, "10") - 303.15, 5.0) << run.out;
  EXPECT_TRUE(contains(run.out, "update switch +1 +restore the case")) << run.out;
  // The cold side's given levels come back highest first.
  EXPECT_TRUE(contains(run.out, "level 1 +400000 .*\n  level 2 +350000 ")) << run.out;
}

TEST_F(HostProgram, TablesTellWhatEachValueMeans) {
  // A heat load beyond what the inlets allow (1 kg/s from 400 K against 2 kg/s from 300 K).
  const fs::path file = write("limited.scn", kMinimal +
                                                 "[unit_input]\noutlet_specification = 1\n"
                                                 "outlet_specification_value = 5.0e6\n"
                                                 "[output]\nupdate = 2\n");
  const ProgramRun run = this->run("'" + file.string() + "'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(contains(run.out,
                       "message count +1 +messages the engine gave\n"
                       "  message 1 +12 +engine message: the heat load was limited to what the inlets allow\n"))
      << run.out;
  EXPECT_TRUE(contains(run.out, "\n  files in the work folder after the call: E1.QDX \\(case file\\)\n")) << run.out;
  EXPECT_TRUE(contains(run.out, "level count +2 +pressure levels the adapter set \\(option words 0 and 9\\)\n"))
      << run.out;
  // Every file of the report output says what it holds.
  for (const char* file : {"report", "printed", "preview", "text copy"}) {
    EXPECT_TRUE(contains(run.out, std::string("\n  ") + file + "  +\\S.*  +/\\S+\n")) << file << "\n" << run.out;
  }
}

TEST_F(HostProgram, HelpTellsHowToRunIt) {
  for (const char* option : {"--help", "-h"}) {
    const ProgramRun run = this->run(option);
    EXPECT_EQ(run.exitCode, 0) << option;
    EXPECT_EQ(run.err, "") << option;
    EXPECT_TRUE(contains(run.out, "^usage: \\S*kvom_host \\[SCENARIO\\]\n")) << run.out;
    for (const char* told : {"default\\.scn", "temp directory", "KVH\\.KVO", "KVOM_Output_1\\.pdf", "KVH\\.KVX"}) {
      EXPECT_TRUE(contains(run.out, told)) << option << ": " << told << "\n" << run.out;
    }
  }
  // Any other option is a usage error, not a scenario file that cannot be opened.
  const ProgramRun run = this->run("--verbose");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(contains(run.err, "^usage: ")) << run.err;
  EXPECT_EQ(run.out, "");
}

// The records and texts of block 1 of a plot container.
struct PlotBlockRead {
  std::vector<std::array<float, 6>> slots;
  std::string types;
  std::string extra;
};

PlotBlockRead readFirstBlock(const fs::path& path) {
  const std::string bytes = readFile(path);
  PlotBlockRead block;
  if (bytes.size() < 104) return block;
  std::int32_t count = 0;
  std::int32_t extra = 0;
  std::memcpy(&count, bytes.data() + 88, 4);
  std::memcpy(&extra, bytes.data() + 92, 4);
  if (count < 0 || extra < 0 || bytes.size() < 104 + 25 * static_cast<std::size_t>(count) + extra) return block;
  for (std::int32_t k = 0; k < count; ++k) {
    const char* record = bytes.data() + 104 + 25 * k;
    block.types += record[0];
    std::array<float, 6> slots{};
    std::memcpy(slots.data(), record + 1, sizeof slots);
    block.slots.push_back(slots);
  }
  block.extra = bytes.substr(104 + 25 * static_cast<std::size_t>(count), static_cast<std::size_t>(extra));
  return block;
}

// A text of the plot where the library draws it: a cell of the record's height, its top 1.2 cell
// heights above the point, 0.44 of the height for each character.
struct DrawnText {
  std::string text;
  double left, right, top, bottom;
  double middleX() const { return (left + right) / 2; }
  double middleY() const { return (top + bottom) / 2; }
};

TEST_F(HostProgram, CurvePlotHasRoundStepsAndLabelsCentredClearOfTheirTicks) {
  const ProgramRun run = this->run("");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const PlotBlockRead plot = readFirstBlock(ReportOfRun(run.out).path().parent_path() / "KVH.BFD");
  ASSERT_FALSE(plot.types.empty()) << run.out;

  std::vector<DrawnText> numbers;
  std::vector<std::string> texts;
  struct Tick {
    double x0, y0, x1, y1;
  };
  std::vector<Tick> ticks;
  for (std::size_t k = 0; k < plot.types.size(); ++k) {
    const auto& s = plot.slots[k];
    if (plot.types[k] == 'S') {
      const std::string text = plot.extra.substr(static_cast<std::size_t>(s[5]), static_cast<std::size_t>(s[4]));
      texts.push_back(text);
      if (s[3] == 0 && text.find_first_not_of("0123456789") == std::string::npos) {
        const double width = 0.44 * s[2] * static_cast<double>(text.size());
        numbers.push_back({text, s[0], s[0] + width, s[1] + 1.2 * s[2], s[1] + 0.2 * s[2]});
      }
    }
    // A tick is a move and a line of 0.1 across an axis.
    if (plot.types[k] == 'D' && k > 0 && plot.types[k - 1] == 'M') {
      const auto& from = plot.slots[k - 1];
      if (std::hypot(s[0] - from[0], s[1] - from[1]) < 0.11) ticks.push_back({from[0], from[1], s[0], s[1]});
    }
  }
  EXPECT_NE(std::find(texts.begin(), texts.end(), "TEMPERATURE \370C"), texts.end());  // code page 437
  std::vector<double> duties;
  std::vector<double> temperatures;
  for (const Tick& tick : ticks) {
    const bool onX = std::abs(tick.x0 - tick.x1) < 1e-4;  // an upright tick below the duty axis
    const DrawnText* found = nullptr;
    for (const DrawnText& text : numbers) {
      const bool centred = onX ? std::abs(text.middleX() - tick.x0) < 0.01 : std::abs(text.middleY() - tick.y0) < 0.01;
      if (centred) found = &text;
    }
    ASSERT_NE(found, nullptr) << "tick at " << tick.x0 << " " << tick.y0;
    if (onX) {
      EXPECT_LT(found->top, std::min(tick.y0, tick.y1)) << found->text;  // below the tick's end
      duties.push_back(std::stod(found->text));
    } else {
      EXPECT_LT(found->right, std::min(tick.x0, tick.x1)) << found->text;  // left of the tick's end
      temperatures.push_back(std::stod(found->text));
    }
  }
  // Round steps: 1, 2 or 5 times a power of ten, the duty axis from 0.
  for (const std::vector<double>* axis : {&duties, &temperatures}) {
    ASSERT_GE(axis->size(), 3u);
    std::vector<double> values = *axis;
    std::sort(values.begin(), values.end());
    const double step = values[1] - values[0];
    const double mantissa = step / std::pow(10.0, std::floor(std::log10(step)));
    EXPECT_TRUE(mantissa == 1 || mantissa == 2 || mantissa == 5) << step;
    for (std::size_t k = 1; k < values.size(); ++k) EXPECT_EQ(values[k] - values[k - 1], step);
  }
  EXPECT_EQ(*std::min_element(duties.begin(), duties.end()), 0);

  // The printed page shows the degree sign.
  const fs::path pdf = outputFile(run.out, "printed");
  const std::string printed = kvom::test::runCommand("pdftotext '" + pdf.string() + "' - 2>&1");
  EXPECT_NE(printed.find("TEMPERATURE \302\260C"), std::string::npos) << printed;  // UTF-8
}

TEST_F(HostProgram, BadScenarioNamesFileAndLine) {
  struct Case {
    const char* what;
    std::string content;
    std::string message;  // after "file:"
  };
  const Case cases[] = {
      {"bad number", kMinimal + "[unit_input]\ntube_length = 6,1\n", "21: '6,1' is not a number"},
      {"unknown key", kMinimal + "[unit_input]\ntube_lenght = 6.1\n",
       "21: unknown key 'tube_lenght' in \\[unit_input\\]"},
      {"unknown section", "[unit]\n[units]\n", "2: unknown section \\[units\\]"},
      {"key outside a section", "block_key = E-1\n", "1: key 'block_key' stands before the first \\[section\\]"},
      {"phase before a point", kMinimal + "[curve hot]\nphase = liquid\n",
       "21: a phase belongs to a point: give the point first"},
      {"stream without pressure",
       "[unit]\nblock_key = E-1\ncase_file = E1.QDX\n[stream hot 1]\nflow = 1\ntemperature = 400\n",
       "4: \\[stream hot 1\\] lacks 'pressure'"},
      {"sixth curve of a side", kMinimal + repeated("[curve hot]\npoint = 400 500000 300000 0\n", 6),
       "30: a side takes at most 5 heating curves"},
      {"output object name too long", "[unit]\noutput_object = " + std::string(41, 'X') + "\n",
       "2: the text is 41 characters long; at most 40 fit"},
      {"missing stream", "[unit]\nblock_key = E-1\ncase_file = E1.QDX\n", " missing section \\[stream hot 1\\]"},
      {"form without its screen code", kMinimal + "[report]\nform = WEXA2 | x\n",
       "21: a form starts with its 8-character screen code, like WEXA0002, not 'WEXA2'"},
      {"unknown break", kMinimal + "[report]\nbreak = line\n", "21: expected 'page', 'component' or 'toc', not 'line'"},
      {"three pages per sheet", kMinimal + "[print]\npages_per_sheet = 3\n", "21: pages per sheet are 1, 2 or 4"},
      {"backward page range", kMinimal + "[print]\npages = 3 2\n",
       "21: a page range runs from page 1 to 1000, the last not before the first"},
  };
  for (const Case& c : cases) {
    const fs::path file = write("bad.scn", c.content);
    const ProgramRun run = this->run("'" + file.string() + "'");
    EXPECT_EQ(run.exitCode, 2) << c.what;
    EXPECT_TRUE(
        contains(run.err, "^" + std::regex_replace(file.string(), std::regex("[.]"), "[.]") + ":" + c.message + "\n$"))
        << c.what << ": " << run.err;
    EXPECT_EQ(run.out, "") << c.what;
  }
}

TEST_F(HostProgram, MissingScenarioFile) {
  const fs::path file = dir_ / "absent.scn";
  const ProgramRun run = this->run("'" + file.string() + "'");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(contains(run.err, file.filename().string() + ": cannot open")) << run.err;
  EXPECT_EQ(run.out, "");
}

}  // namespace
