#include "standins/repository/repository_standin.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/host_library.h"
#include "platform/repository.h"
#include "standins/host/host_standin.h"
#include "standins/windows/windows_standin.h"

namespace repo = standins::repository;

namespace {

std::int64_t len(const std::string& s) { return static_cast<std::int64_t>(s.size()); }

// Thin callers with the library's convention, for the cases that do not look at the arguments.
std::int64_t rpnew(const std::string& object, const std::string& type, std::int64_t* handle = nullptr) {
  std::int64_t h = -1;
  std::int64_t status = -1;
  RPNEW(object.data(), len(object), type.data(), len(type), handle ? handle : &h, &status);
  return status;
}

std::int64_t rpallo(const std::string& object, const std::string& type, std::int64_t parent,
                    std::int64_t* handle = nullptr) {
  std::int64_t h = -1;
  std::int64_t status = -1;
  RPALLO(object.data(), len(object), type.data(), len(type), &parent, handle ? handle : &h, &status);
  return status;
}

std::int64_t rpfind(const std::string& object, std::int64_t* found = nullptr) {
  std::int64_t f = -1;
  std::int64_t status = -1;
  RPFIND(object.data(), len(object), found ? found : &f, &status);
  return status;
}

std::int64_t rpdele(const std::string& object) {
  std::int64_t status = -1;
  RPDELE(object.data(), len(object), &status);
  return status;
}

std::int64_t rpgets(const std::string& object, const std::string& key, repo::Counts* counts = nullptr) {
  repo::Counts c{-1, -1, -1, -1, -1, -1};
  std::int64_t status = -1;
  RPGETS(object.data(), len(object), key.data(), len(key), &c.integers, &c.integerCompanions, &c.reals,
         &c.realCompanions, &c.texts, &c.textCompanions, &status);
  if (counts) *counts = c;
  return status;
}

std::int64_t count(const auto& array) { return static_cast<std::int64_t>(array.size()); }

// Writes the record with RPPUTD; texts are laid out blank padded at the given element length.
// realCount replaces the real count when given.
std::int64_t rpputd(const std::string& object, const std::string& key, const repo::Record& r,
                    std::int64_t textLength = 8, std::optional<std::int64_t> realCount = std::nullopt) {
  std::string texts;
  for (const std::string& t : r.texts) {
    std::string element = t;
    element.resize(static_cast<std::size_t>(std::max<std::int64_t>(textLength, 0)), ' ');
    texts += element;
  }
  const std::int64_t ni = count(r.integers);
  const std::int64_t nic = count(r.integerCompanions);
  const std::int64_t nr = realCount.value_or(count(r.reals));
  const std::int64_t nrc = count(r.realCompanions);
  const std::int64_t nt = count(r.texts);
  const std::int64_t ntc = count(r.textCompanions);
  std::int64_t status = -1;
  RPPUTD(object.data(), len(object), key.data(), len(key), &ni, r.integers.data(), &nic, r.integerCompanions.data(),
         &nr, r.reals.data(), &nrc, r.realCompanions.data(), &nt, texts.data(), textLength, &ntc,
         r.textCompanions.data(), &status);
  return status;
}

// Reads the record with RPGETD into arrays of the given capacities, each framed by guard elements
// that the library must leave alone.
struct Read {
  static constexpr std::int64_t kGuard = -777;
  static constexpr double kRealGuard = -777.5;
  static constexpr char kTextGuard = '#';

  repo::Counts counts;
  std::int64_t status = -1;
  std::vector<std::int64_t> integers, integerCompanions, realCompanions, textCompanions;
  std::vector<double> reals;
  std::string texts;

  Read(const std::string& object, const std::string& key, repo::Counts capacity, std::int64_t textLength) {
    counts = capacity;
    const auto frame = [](std::int64_t n) {
      return std::vector<std::int64_t>(static_cast<std::size_t>(n) + 2, kGuard);
    };
    integers = frame(capacity.integers);
    integerCompanions = frame(capacity.integerCompanions);
    realCompanions = frame(capacity.realCompanions);
    textCompanions = frame(capacity.textCompanions);
    reals.assign(static_cast<std::size_t>(capacity.reals) + 2, kRealGuard);
    texts.assign(static_cast<std::size_t>((capacity.texts + 2) * textLength), kTextGuard);
    RPGETD(object.data(), len(object), key.data(), len(key), &counts.integers, integers.data() + 1,
           &counts.integerCompanions, integerCompanions.data() + 1, &counts.reals, reals.data() + 1,
           &counts.realCompanions, realCompanions.data() + 1, &counts.texts, texts.data() + textLength, textLength,
           &counts.textCompanions, textCompanions.data() + 1, &status);
  }

  // The elements past the ones written, guards included, are untouched.
  static bool untouchedFrom(const std::vector<std::int64_t>& a, std::int64_t written) {
    return a.front() == kGuard &&
           std::all_of(a.begin() + 1 + written, a.end(), [](std::int64_t v) { return v == kGuard; });
  }
  bool realsUntouchedFrom(std::int64_t written) const {
    return reals.front() == kRealGuard &&
           std::all_of(reals.begin() + 1 + written, reals.end(), [](double v) { return v == kRealGuard; });
  }
};

repo::Record sampleRecord() {
  return {{1, 2, 3, 4}, {11, 12}, {1.5, 2.5, 3.5}, {21}, {"ALPHA", "BETA", "GAMMA"}, {31, 32}};
}

class RepositoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standins::host::reset();
    standins::windows::reset();
    repo::reset();
    ASSERT_EQ(rpnew("UNIT1", "shell_and_tube_heat_exchanger_unit_INPUT", &root_), 0);
    repo::putRecord("UNIT1", "REC", sampleRecord());
    repo::putRecord("UNIT1", "EMPTY", {});
    repo::clearCallLog();
  }
  void TearDown() override { repo::reset(); }

  std::int64_t root_ = 0;
};

TEST_F(RepositoryTest, OperationStatuses) {
  std::int64_t child = 0;
  ASSERT_EQ(rpallo("UNIT1", "exchanger_assembly", root_, &child), 0);
  ASSERT_EQ(rpnew("OTHER", "ROOTTYPE"), 0);
  const std::int64_t otherRoot = repo::nodes("OTHER").front().handle;
  std::int64_t status = -1;

  struct Case {
    const char* what;
    std::function<std::int64_t()> call;
    std::int64_t expected;
  };
  const std::vector<Case> cases = {
      {"RPNEW of a new object", [] { return rpnew("UNIT2", "T"); }, 0},
      {"RPNEW of an existing object", [] { return rpnew("UNIT1", "T"); }, 4},
      {"RPNEW with an empty name", [] { return rpnew("  ", "T"); }, 7},
      {"RPNEW with an empty root type", [] { return rpnew("UNIT3", ""); }, 7},
      {"RPALLO under a child", [&] { return rpallo("UNIT1", "exchanger_shell", child); }, 0},
      {"RPALLO of a missing object", [&] { return rpallo("NONE", "T", root_); }, 1},
      {"RPALLO under a missing node", [] { return rpallo("UNIT1", "T", 999); }, 5},
      {"RPALLO under another object's node", [&] { return rpallo("UNIT1", "T", otherRoot); }, 5},
      {"RPFIND of an existing object", [] { return rpfind("UNIT1"); }, 0},
      {"RPFIND of a missing object", [] { return rpfind("NONE"); }, 0},
      {"RPGETS of a record", [] { return rpgets("UNIT1", "REC"); }, 0},
      {"RPGETS of a missing object", [] { return rpgets("NONE", "REC"); }, 1},
      {"RPGETS of a missing record", [] { return rpgets("UNIT1", "NONE"); }, 2},
      {"RPGETS of a record without data", [] { return rpgets("UNIT1", "EMPTY"); }, 3},
      {"RPGETS with an empty key", [] { return rpgets("UNIT1", ""); }, 7},
      {"RPPUTD into a missing object", [] { return rpputd("NONE", "REC", sampleRecord()); }, 1},
      {"RPPUTD with a negative count", [] { return rpputd("UNIT1", "NEW", {}, 8, -1); }, 7},
      {"RPPUTD with a negative text length", [] { return rpputd("UNIT1", "NEW", {}, -1); }, 7},
      {"RPGETD with a negative count",
       [&] {
         std::int64_t zero = 0, negative = -1;
         RPGETD("UNIT1", 5, "REC", 3, &negative, nullptr, &zero, nullptr, &zero, nullptr, &zero, nullptr, &zero,
                nullptr, 8, &zero, nullptr, &status);
         return status;
       },
       7},
      {"RPGETD of a missing record",
       [] {
         return Read("UNIT1", "NONE", {1, 1, 1, 1, 1, 1}, 4).status;
       },
       2},
      {"RPGETD of a record without data",
       [] {
         return Read("UNIT1", "EMPTY", {1, 1, 1, 1, 1, 1}, 4).status;
       },
       3},
      {"RPDELE of a missing object", [] { return rpdele("NONE"); }, 1},
      {"RPDELE of an object", [] { return rpdele("OTHER"); }, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.call(), c.expected) << c.what;

  // The failed calls changed nothing; RPPUTD of a bad record did not create it.
  EXPECT_EQ(repo::nodes("UNIT1").front().type, "shell_and_tube_heat_exchanger_unit_INPUT");
  EXPECT_FALSE(repo::getRecord("UNIT1", "NEW"));
  EXPECT_FALSE(repo::objectExists("UNIT3"));
  EXPECT_FALSE(repo::objectExists("OTHER"));
}

TEST_F(RepositoryTest, NamesMatchWithoutTrailingBlanksAndNuls) {
  std::int64_t found = 0;
  EXPECT_EQ(rpfind(std::string("UNIT1   \0\0", 10), &found), 0);
  EXPECT_EQ(found, 1);
  repo::Counts counts;
  EXPECT_EQ(rpgets(std::string("UNIT1\0 ", 7), "REC     ", &counts), 0);
  EXPECT_EQ(counts, (repo::Counts{4, 2, 3, 1, 3, 2}));
  // Leading blanks and case still count.
  EXPECT_EQ(rpfind(" UNIT1", &found), 0);
  EXPECT_EQ(found, 0);
  EXPECT_EQ(rpfind("unit1", &found), 0);
  EXPECT_EQ(found, 0);
}

TEST_F(RepositoryTest, TreeNodesAndHandles) {
  std::int64_t assembly = 0, first = 0, second = 0, plate = 0;
  ASSERT_EQ(rpallo("UNIT1", "exchanger_assembly", root_, &assembly), 0);
  ASSERT_EQ(rpallo("UNIT1", "Exchanger_end", assembly, &first), 0);
  ASSERT_EQ(rpallo("UNIT1", "Exchanger_end", assembly, &second), 0);
  ASSERT_EQ(rpallo("UNIT1", "End_partition_plate", second, &plate), 0);
  EXPECT_EQ(repo::nodes("UNIT1"), (std::vector<repo::Node>{{root_, 0, "shell_and_tube_heat_exchanger_unit_INPUT"},
                                                           {assembly, root_, "exchanger_assembly"},
                                                           {first, assembly, "Exchanger_end"},
                                                           {second, assembly, "Exchanger_end"},
                                                           {plate, second, "End_partition_plate"}}));

  // A failed call returns handle 0; a rebuilt object never gets the handles of the deleted one,
  // so a stale handle does not silently name one of its nodes.
  std::int64_t handle = -1;
  EXPECT_EQ(rpnew("UNIT1", "T", &handle), 4);
  EXPECT_EQ(handle, 0);
  ASSERT_EQ(rpdele("UNIT1"), 0);
  EXPECT_FALSE(repo::getRecord("UNIT1", "REC"));
  std::int64_t newRoot = 0;
  ASSERT_EQ(rpnew("UNIT1", "shell_and_tube_heat_exchanger_unit", &newRoot), 0);
  EXPECT_GT(newRoot, plate);
  EXPECT_EQ(rpallo("UNIT1", "exchanger_assembly", assembly, &handle), 5);
  EXPECT_EQ(handle, 0);
  EXPECT_TRUE(repo::recordKeys("UNIT1").empty());
}

TEST_F(RepositoryTest, PutThenGetRoundTripAndReplace) {
  ASSERT_EQ(rpputd("UNIT1", "NEW", sampleRecord()), 0);
  EXPECT_EQ(repo::getRecord("UNIT1", "NEW"), sampleRecord());

  Read read("UNIT1", "NEW", {10, 10, 10, 10, 10, 10}, 8);
  EXPECT_EQ(read.status, 0);
  EXPECT_EQ(read.counts, (repo::Counts{4, 2, 3, 1, 3, 2}));
  EXPECT_EQ(std::vector<std::int64_t>(read.integers.begin() + 1, read.integers.begin() + 5),
            (std::vector<std::int64_t>{1, 2, 3, 4}));
  EXPECT_EQ(read.reals[3], 3.5);
  EXPECT_EQ(read.textCompanions[2], 32);
  EXPECT_EQ(read.texts.substr(8, 24), "ALPHA   BETA    GAMMA   ");
  EXPECT_TRUE(Read::untouchedFrom(read.integers, 4));
  EXPECT_TRUE(read.realsUntouchedFrom(3));

  const repo::Record smaller{{7}, {}, {}, {}, {}, {}};
  ASSERT_EQ(rpputd("UNIT1", "NEW", smaller), 0);
  EXPECT_EQ(repo::getRecord("UNIT1", "NEW"), smaller);
  EXPECT_EQ(repo::recordKeys("UNIT1"), (std::vector<std::string>{"REC", "EMPTY", "NEW"}));
}

TEST_F(RepositoryTest, GetDataWritesNoMoreThanTheCountsAllow) {
  // Every array one element short of the record (the text array by two), companions of texts 0.
  Read read("UNIT1", "REC", {3, 1, 2, 0, 1, 0}, 6);
  EXPECT_EQ(read.status, 6);
  EXPECT_EQ(read.counts, (repo::Counts{3, 1, 2, 0, 1, 0}));
  EXPECT_EQ(read.integers[3], 3);
  EXPECT_TRUE(Read::untouchedFrom(read.integers, 3));
  EXPECT_TRUE(Read::untouchedFrom(read.integerCompanions, 1));
  EXPECT_TRUE(read.realsUntouchedFrom(2));
  EXPECT_TRUE(Read::untouchedFrom(read.realCompanions, 0));
  EXPECT_TRUE(Read::untouchedFrom(read.textCompanions, 0));
  EXPECT_EQ(read.texts, "######ALPHA ######");
}

TEST_F(RepositoryTest, TextElementLengths) {
  repo::putRecord("UNIT1", "TXT", {{}, {}, {}, {}, {"ABCDEFGH", "XY  ", ""}, {}});
  struct Case {
    std::int64_t length;
    std::int64_t capacity;
    std::vector<std::string> elements;  // what lands between one guard element on each side
    std::int64_t status;
  };
  const std::vector<Case> cases = {
      {3, 3, {"ABC", "XY ", "   "}, 0},
      {8, 3, {"ABCDEFGH", "XY      ", "        "}, 0},
      {10, 3, {"ABCDEFGH  ", "XY        ", "          "}, 0},
      {0, 3, {"", "", ""}, 0},
      {4, 2, {"ABCD", "XY  "}, 6},
  };
  for (const Case& c : cases) {
    Read read("UNIT1", "TXT", {0, 0, 0, 0, c.capacity, 0}, c.length);
    const std::string guard(static_cast<std::size_t>(c.length), Read::kTextGuard);
    std::string expected = guard;
    for (const std::string& e : c.elements) expected += e;
    EXPECT_EQ(read.status, c.status) << c.length;
    EXPECT_EQ(read.counts.texts, static_cast<std::int64_t>(c.elements.size())) << c.length;
    EXPECT_EQ(read.texts, expected + guard) << c.length;
  }
  // A write stores each element without its padding, whatever element length it came with.
  ASSERT_EQ(rpputd("UNIT1", "TXT", {{}, {}, {}, {}, {"SHORT", "A"}, {}}, 12), 0);
  EXPECT_EQ(repo::getRecord("UNIT1", "TXT")->texts, (std::vector<std::string>{"SHORT", "A"}));
}

TEST_F(RepositoryTest, ReportedCountsOverrideOnlyTheSizes) {
  const repo::Counts huge{1, 0, std::int64_t{1} << 60, 0, 0, 0};
  repo::setReportedCounts("UNIT1", "REC", huge);
  repo::Counts counts;
  EXPECT_EQ(rpgets("UNIT1", "REC", &counts), 0);
  EXPECT_EQ(counts, huge);
  Read read("UNIT1", "REC", {2, 0, 2, 0, 0, 0}, 4);
  EXPECT_EQ(read.status, 6);
  EXPECT_EQ(read.counts, (repo::Counts{2, 0, 2, 0, 0, 0}));
  EXPECT_TRUE(read.realsUntouchedFrom(2));

  repo::setReportedCounts("UNIT1", "REC", std::nullopt);
  EXPECT_EQ(rpgets("UNIT1", "REC", &counts), 0);
  EXPECT_EQ(counts, (repo::Counts{4, 2, 3, 1, 3, 2}));
}

TEST_F(RepositoryTest, ADataFailureFailsOnlyTheReadOfThatRecord) {
  repo::setDataFailure("UNIT1", "REC", 1);
  repo::Counts counts;
  EXPECT_EQ(rpgets("UNIT1", "REC", &counts), 0) << "the sizes come as usual";
  Read read("UNIT1", "REC", counts, 8);
  EXPECT_EQ(read.status, 1);
  EXPECT_EQ(read.counts, repo::Counts{});
  EXPECT_TRUE(Read::untouchedFrom(read.integers, 0));
  EXPECT_TRUE(read.realsUntouchedFrom(0));

  repo::setDataFailure("UNIT1", "REC", std::nullopt);
  EXPECT_EQ(Read("UNIT1", "REC", counts, 8).status, 0);
}

TEST_F(RepositoryTest, CallLogAndRaisedErrors) {
  rpfind("UNIT1 ");
  rpallo("UNIT1", "tube_type", root_);
  rpgets("UNIT1", "REC");
  Read("UNIT1", "REC", {0, 0, 0, 0, 0, 0}, 4);
  rpputd("UNIT1", "NEW", {});
  rpdele("NONE");
  EXPECT_EQ(repo::callLog(),
            (std::vector<std::string>{"RPFIND UNIT1", "RPALLO UNIT1 tube_type " + std::to_string(root_),
                                      "RPGETS UNIT1 REC", "RPGETD UNIT1 REC", "RPPUTD UNIT1 NEW", "RPDELE NONE"}));

  standins::host::raiseAt("RPPUTD", 1400);
  EXPECT_THROW(rpputd("UNIT1", "REC", {}), platform::RaisedError);
  EXPECT_EQ(repo::getRecord("UNIT1", "REC"), sampleRecord());
}

// The installation's definition files ----------------------------------------------------------

std::string windowsPath(const std::filesystem::path& native) {
  return standins::windows::toWindowsPath(native.string());
}

std::int64_t rpread(const std::string& path) {
  // As the input step passes them: a name of two NULs and the path followed by one NUL.
  const std::string text = path + '\0';
  std::int64_t status = -1;
  RPREAD("\0\0", 2, text.data(), len(text), &status);
  return status;
}

const repo::DefinitionFile* loaded(const std::string& fileName) {
  for (const repo::DefinitionFile& f : repo::loadedDefinitionFiles())
    if (std::filesystem::path(f.nativePath).filename() == fileName) return &f;
  return nullptr;
}

const repo::RecordDefinition* record(const repo::DefinitionFile& file, const std::string& key) {
  for (const repo::RecordDefinition& r : file.records)
    if (r.key == key) return &r;
  return nullptr;
}

TEST_F(RepositoryTest, ShippedDefinitionFilesLoad) {
  const std::filesystem::path xeq = std::filesystem::path(KVOM_EXAMPLES_DIR) / "install" / "XEQ";
  for (const char* name : {"B_PRVT.RPD", "B_STHE.RPD", "B_MSG.RPD"})
    ASSERT_EQ(rpread(windowsPath(xeq / name)), 0) << name << ": " << repo::lastError();
  ASSERT_EQ(rpread(windowsPath(xeq / "B_PRVT.RPD")), 0);  // a reload replaces its entry
  ASSERT_EQ(repo::loadedDefinitionFiles().size(), 3u);
  EXPECT_EQ(repo::loadedDefinitionFiles().front().windowsPath, windowsPath(xeq / "B_PRVT.RPD"));

  const repo::DefinitionFile& prvt = *loaded("B_PRVT.RPD");
  ASSERT_TRUE(record(prvt, "WEXA_PLUS_UNIT_INPUT"));
  EXPECT_EQ(record(prvt, "WEXA_PLUS_UNIT_INPUT")->sizes, (repo::Counts{10, 0, 23, 0, 0, 0}));
  EXPECT_TRUE(record(prvt, "KVOM_MS_DATA"));
  EXPECT_FALSE(loaded("B_MSG.RPD")->records.empty());

  // B_STHE: both trees with their spelling, every node type under its parent type, and the records.
  const repo::DefinitionFile& sthe = *loaded("B_STHE.RPD");
  const std::vector<repo::NodeTypeDefinition> placements = {
      {"shell_and_tube_heat_exchanger_unit_INPUT", ""},
      {"exchanger_assembly", "shell_and_tube_heat_exchanger_unit_INPUT"},
      {"exchanger_shell", "exchanger_assembly"},
      {"exchanger_bundle", "exchanger_assembly"},
      {"tube_type", "exchanger_bundle"},
      {"Tube_external_characteristics", "tube_type"},
      {"tubesheet", "exchanger_bundle"},
      {"cross_baffle", "exchanger_bundle"},
      {"Exchanger_end", "exchanger_assembly"},
      {"reboiler_piping", "exchanger_assembly"},
      {"Exchanger_design_criteria", "shell_and_tube_heat_exchanger_unit_INPUT"},
      {"Shellside_design", "Exchanger_design_criteria"},
      {"Tubeside_design", "Exchanger_design_criteria"},
      {"shell_and_tube_heat_exchanger_unit", ""},
      {"exchanger_assembly", "shell_and_tube_heat_exchanger_unit"},
      {"vapor_belt", "exchanger_shell"},
      {"expansion_joint", "exchanger_shell"},
      {"tube_internal_characteristics", "tube_type"},
      {"tube_external_characteristics", "tube_type"},
      {"tie_rod", "tubesheet"},
      {"tie_rod_spacer", "tie_rod"},
      {"partition_seal_rod", "tubesheet"},
      {"passlane", "exchanger_bundle"},
      {"longitudinal_baffle", "exchanger_bundle"},
      {"Detuning_plate", "exchanger_bundle"},
      {"U_bend_support", "exchanger_bundle"},
      {"exchanger_nozzle", "exchanger_assembly"},
      {"Impingement_protection", "exchanger_nozzle"},
      {"Distributor_belt", "exchanger_nozzle"},
      {"Nozzle_dome", "exchanger_nozzle"},
      {"End_partition_plate", "Exchanger_end"},
      {"Reboiler_piping", "exchanger_assembly"},
      {"External_circuit_component", "Reboiler_piping"},
      {"Exchanger_performance", "shell_and_tube_heat_exchanger_unit"},
      {"Shellside_performance", "Exchanger_performance"},
      {"Tubeside_performance", "Exchanger_performance"},
      {"Nozzle_performance", "Exchanger_performance"},
      {"Exchanger_zone", "Exchanger_performance"},
      {"Flow_Vibration_analysis", "Exchanger_performance"},
      {"Exchanger_design_criteria", "shell_and_tube_heat_exchanger_unit"},
  };
  for (const repo::NodeTypeDefinition& p : placements)
    EXPECT_NE(std::find(sthe.nodeTypes.begin(), sthe.nodeTypes.end(), p), sthe.nodeTypes.end())
        << p.name << " under " << p.parent;
  EXPECT_EQ(sthe.nodeTypes.size(), placements.size());

  const std::vector<std::pair<std::string, repo::Counts>> results = {
      {"STHE_PERFORMANCE", {2, 0, 59, 0, 0, 0}},
      {"STHE_GLOBALS", {6, 0, 14, 0, 0, 0}},
      {"STHE_DESIGN_CRITERIA", {31, 0, 38, 0, 0, 0}},
      {"ZORVI_WEXA_PLUS_STHE_Output_FilmCoef", {0, 0, 6, 0, 0, 0}},
  };
  for (const auto& [key, sizes] : results) {
    ASSERT_TRUE(record(sthe, key)) << key;
    EXPECT_EQ(record(sthe, key)->sizes, sizes) << key;
  }
  for (const char* key : {"STHE_HRC_POINT", "STHE_HRC_THERMODYNAMIC", "STHE_HRC_PHASE", "STHE_HRC_PHASE_COMPOSITION",
                          "STHE_HRC_COMPONENT_PROPERTIES"})
    EXPECT_TRUE(record(sthe, key)) << key;
}

class DefinitionFileTest : public RepositoryTest {
 protected:
  void TearDown() override {
    std::filesystem::remove(path_);
    RepositoryTest::TearDown();
  }
  std::int64_t load(const std::string& content) {
    std::ofstream(path_, std::ios::binary) << content;
    return rpread(windowsPath(path_));
  }
  std::filesystem::path path_ =
      std::filesystem::temp_directory_path() / ("repository_definitions_" + std::to_string(::getpid()) + ".RPD");
};

TEST_F(DefinitionFileTest, WellFormedFile) {
  ASSERT_EQ(load("# comment\r\n\r\nDEFINITIONS 1\r\nNODE A ROOT\r\n  NODE B\tUNDER A\r\n"
                 "RECORD K 1 0 * 0 2 0   Some   record  \r\n"),
            0)
      << repo::lastError();
  const repo::DefinitionFile& f = repo::loadedDefinitionFiles().front();
  EXPECT_EQ(f.nativePath, path_.string());
  EXPECT_EQ(f.nodeTypes, (std::vector<repo::NodeTypeDefinition>{{"A", ""}, {"B", "A"}}));
  ASSERT_EQ(f.records.size(), 1u);
  EXPECT_EQ(f.records[0], (repo::RecordDefinition{"K", {1, 0, -1, 0, 2, 0}, "Some   record"}));
}

TEST_F(DefinitionFileTest, MalformedFilesAreNotLoaded) {
  ASSERT_EQ(load("DEFINITIONS 1\nNODE A ROOT\n"), 0);
  struct Case {
    const char* content;
    const char* error;  // what lastError() ends with, after the file name
  };
  const std::vector<Case> cases = {
      {"", ": no 'DEFINITIONS 1' line"},
      {"# only a comment\nNODE A ROOT\n", ":2: expected 'DEFINITIONS 1' before any declaration"},
      {"DEFINITIONS 2\n", ":1: unsupported format; expected 'DEFINITIONS 1'"},
      {"DEFINITIONS 1\nDEFINITIONS 1\n", ":2: second DEFINITIONS line"},
      {"DEFINITIONS 1\nnode A ROOT\n", ":2: unknown statement 'node'"},
      {"DEFINITIONS 1\nNODE A\n", ":2: expected 'NODE <type> ROOT' or 'NODE <type> UNDER <parent type>'"},
      {"DEFINITIONS 1\nNODE B UNDER A\nNODE A ROOT\n", ":2: parent node type 'A' is not declared above"},
      {"DEFINITIONS 1\nNODE A ROOT\nNODE A ROOT\n", ":3: node type 'A' declared twice under the same parent"},
      {"DEFINITIONS 1\nRECORD K 1 2 3 4 5\n", ":2: expected 'RECORD <key>' and six array sizes"},
      {"DEFINITIONS 1\nRECORD K 1 2 -3 4 5 6\n", ":2: array size '-3' is neither a count nor '*'"},
      {"DEFINITIONS 1\nRECORD K 1 2 3 4 5 99999999999999999999\n",
       ":2: array size '99999999999999999999' is neither a count nor '*'"},
      {"DEFINITIONS 1\nRECORD K 0 0 0 0 0 0\n\nRECORD K 0 0 0 0 0 0\n", ":4: record key 'K' declared twice"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(load(c.content), 1) << c.content;
    EXPECT_EQ(repo::lastError(), path_.string() + c.error) << c.content;
  }
  // The earlier good load is still the one on record.
  ASSERT_EQ(repo::loadedDefinitionFiles().size(), 1u);
  EXPECT_EQ(repo::loadedDefinitionFiles().front().nodeTypes.size(), 1u);

  std::filesystem::remove(path_);
  EXPECT_EQ(rpread(windowsPath(path_)), 1);
  EXPECT_EQ(repo::lastError(), path_.string() + ": cannot be opened");
  EXPECT_EQ(rpread(std::string("  ")), 1);
}

TEST_F(RepositoryTest, DumpToFile) {
  std::int64_t assembly = 0;
  ASSERT_EQ(rpallo("UNIT1", "exchanger_assembly", root_, &assembly), 0);
  ASSERT_EQ(rpallo("UNIT1", "exchanger_shell", assembly), 0);
  ASSERT_EQ(rpallo("UNIT1", "Exchanger_design_criteria", root_), 0);
  repo::putRecord("UNIT1", "REC", {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {}, {1.5, 1.0e35}, {}, {"FIRST", "SECOND"}, {}});

  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("repository_dump_" + std::to_string(::getpid()) + ".RPO");
  const std::string path = windowsPath(file);
  const std::int64_t one = 1;
  std::int64_t status = -1;
  RPDUMP(path.data(), len(path), &one, &one, &one, &status);
  ASSERT_EQ(status, 0);
  std::ifstream in(file, std::ios::binary);
  const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(file);
  EXPECT_EQ(written, repo::dumpText());
  const std::string root = std::to_string(root_), a = std::to_string(assembly);
  EXPECT_EQ(written,
            "REPOSITORY DUMP: 1 OBJECT(S)\r\n"
            "OBJECT UNIT1\r\n"
            "  NODE " +
                root +
                " shell_and_tube_heat_exchanger_unit_INPUT\r\n"
                "    NODE " +
                a +
                " exchanger_assembly\r\n"
                "      NODE " +
                std::to_string(assembly + 1) +
                " exchanger_shell\r\n"
                "    NODE " +
                std::to_string(assembly + 2) +
                " Exchanger_design_criteria\r\n"
                "  RECORD REC\r\n"
                "    INTEGERS 9\r\n"
                "      [1] 1 2 3 4 5 6 7 8\r\n"
                "      [9] 9\r\n"
                "    INTEGER COMPANIONS 0\r\n"
                "    REALS 2\r\n"
                "      [1] 1.5 1e+35\r\n"
                "    REAL COMPANIONS 0\r\n"
                "    TEXTS 2\r\n"
                "      [1] \"FIRST\"\r\n"
                "      [2] \"SECOND\"\r\n"
                "    TEXT COMPANIONS 0\r\n"
                "  RECORD EMPTY\r\n"
                "    INTEGERS 0\r\n"
                "    INTEGER COMPANIONS 0\r\n"
                "    REALS 0\r\n"
                "    REAL COMPANIONS 0\r\n"
                "    TEXTS 0\r\n"
                "    TEXT COMPANIONS 0\r\n"
                "END OF DUMP\r\n");

  const std::string missing = windowsPath(file.parent_path() / "no_such_directory_here" / "X.RPO");
  RPDUMP(missing.data(), len(missing), &one, &one, &one, &status);
  EXPECT_EQ(status, 8);
  EXPECT_NE(repo::lastError().find("cannot be written"), std::string::npos);
}

}  // namespace
