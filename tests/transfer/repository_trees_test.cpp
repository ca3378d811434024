#include "transfer/repository_trees.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "common/unset.h"
#include "platform/host_library.h"
#include "run/unit_factors.h"
#include "standins/engine/engine_standin.h"
#include "standins/host/host_standin.h"
#include "standins/repository/repository_standin.h"
#include "tests/support/unit_input_fixture.h"
#include "transfer/result_records.h"

namespace kvom::transfer {
namespace {

using Texts = std::vector<std::string>;

constexpr std::string_view kInput = "UNIT_IN";
constexpr std::string_view kOutput = "UNIT_OUT";

// The object's nodes in creation order, each as "type <row of its parent>" (rows from 1, root 0).
Texts tree(std::string_view object) {
  std::map<std::int64_t, std::size_t> rowOf;
  Texts rows;
  for (const auto& node : standins::repository::nodes(object)) {
    rowOf[node.handle] = rows.size() + 1;
    rows.push_back(node.type + " " + std::to_string(node.parent == 0 ? 0 : rowOf.at(node.parent)));
  }
  return rows;
}

std::size_t count(const Texts& log, std::string_view entry) {
  return static_cast<std::size_t>(std::count(log.begin(), log.end(), entry));
}

class RepositoryTreesTest : public ::testing::Test {
 protected:
  void createInput() {
    std::int64_t status = 0;
    CREATE_INPUT_TREE(kInput, engine.data(), status);
  }
  void createOutput(std::int64_t mode) {
    std::int64_t status = 0;
    CREATE_OUTPUT_TREE(kOutput, mode, engine.data(), status);
  }

  fixture::TestEngine engine;  // resets the stand-ins
};

TEST_F(RepositoryTreesTest, TheInputTreeIsBuiltAsTheHostReadsIt) {
  createInput();
  EXPECT_EQ(tree(kInput),
            (Texts{"shell_and_tube_heat_exchanger_unit_INPUT 0", "exchanger_assembly 1", "exchanger_shell 2",
                   "exchanger_bundle 2", "tube_type 4", "Tube_external_characteristics 5", "tubesheet 4",
                   "cross_baffle 4", "Exchanger_end 2", "Exchanger_end 2", "reboiler_piping 2",
                   "Exchanger_design_criteria 1", "Shellside_design 12", "Tubeside_design 12"}));
}

TEST_F(RepositoryTreesTest, TheOutputTreeIsBuiltAsTheHostReadsIt) {
  createOutput(1);
  EXPECT_EQ(tree(kOutput), (Texts{"shell_and_tube_heat_exchanger_unit 0",
                                  "exchanger_assembly 1",
                                  "exchanger_shell 2",
                                  "vapor_belt 3",
                                  "expansion_joint 3",
                                  "exchanger_bundle 2",
                                  "tube_type 6",
                                  "tube_internal_characteristics 7",
                                  "tube_external_characteristics 7",
                                  "tubesheet 6",
                                  "tie_rod 10",
                                  "tie_rod_spacer 11",
                                  "partition_seal_rod 10",
                                  "cross_baffle 6",
                                  "passlane 6",
                                  "longitudinal_baffle 6",
                                  "Detuning_plate 6",
                                  "U_bend_support 6",
                                  "exchanger_nozzle 2",
                                  "Impingement_protection 19",
                                  "Distributor_belt 19",
                                  "Nozzle_dome 19",
                                  "Exchanger_end 2",
                                  "Exchanger_end 2",
                                  "End_partition_plate 24",
                                  "Reboiler_piping 2",
                                  "External_circuit_component 26",
                                  "Exchanger_performance 1",
                                  "Shellside_performance 28",
                                  "Tubeside_performance 28",
                                  "Nozzle_performance 28",
                                  "Exchanger_zone 28",
                                  "Flow_Vibration_analysis 28",
                                  "Exchanger_design_criteria 1",
                                  "Shellside_design 34",
                                  "Tubeside_design 34"}));
  EXPECT_TRUE(standins::repository::recordKeys(kOutput).empty());
}

TEST_F(RepositoryTreesTest, AnObjectOfTheNameIsReplacedWithEverythingAttachedToIt) {
  createInput();
  EXPECT_EQ(count(standins::repository::callLog(), "RPDELE UNIT_IN"), 0u) << "nothing to delete at first";
  fixture::UnitInput{}.integer(1, 4).put(kInput);
  standins::repository::putRecord(kInput, "HOST_NOTES", {});
  const std::int64_t firstRoot = standins::repository::nodes(kInput).front().handle;

  standins::repository::clearCallLog();
  createInput();
  const Texts& log = standins::repository::callLog();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[0], "RPFIND UNIT_IN");
  EXPECT_EQ(log[1], "RPDELE UNIT_IN");
  EXPECT_EQ(log[2], "RPNEW UNIT_IN shell_and_tube_heat_exchanger_unit_INPUT");
  EXPECT_EQ(tree(kInput).size(), 14u);
  EXPECT_NE(standins::repository::nodes(kInput).front().handle, firstRoot);
  EXPECT_EQ(standins::repository::recordKeys(kInput), Texts{"WEXA_PLUS_UNIT_INPUT"});
  EXPECT_EQ(standins::repository::getRecord(kInput, fixture::kUnitInputKey)->integers[0], UNSET_INTEGER);
}

struct LocationCase {
  const char* description;
  std::optional<std::string> text;  // nullopt: the engine has no LocFluidHS
  std::int64_t integer4;
};

TEST_F(RepositoryTreesTest, TheInitialUnitInputRecordHoldsOnlyTheEnginesHotFluidLocation) {
  const LocationCase cases[] = {{"reported", "2", 2},
                                {"written back as a real", "2.0", 2},
                                {"a fraction", "1.5", UNSET_INTEGER},
                                {"blank", "   ", UNSET_INTEGER},
                                {"missing", std::nullopt, UNSET_INTEGER}};
  for (const LocationCase& c : cases) {
    const fixture::TestEngine fresh;
    if (c.text) {
      fixture::setInputScalar("LocFluidHS", *c.text);
    } else {
      standins::engine::dropVariable("LocFluidHS");
    }
    std::int64_t status = -1;
    CREATE_INPUT_TREE(kInput, fresh.data(), status);
    EXPECT_EQ(status, 0);
    standins::repository::Record expected = fixture::UnitInput::unset(10, 22);
    expected.integers[3] = c.integer4;
    EXPECT_EQ(standins::repository::getRecord(kInput, fixture::kUnitInputKey), expected) << c.description;
  }
}

TEST_F(RepositoryTreesTest, OnlyModeTwoStoresTheResultsIntoAFreshTree) {
  const run::UnitFactorsRecord saved = run::UnitFactors;
  run::SET_UNIT_FACTORS(4.0f);
  for (const std::int64_t mode : {1, 0, 3, -2}) {
    createOutput(mode);
    EXPECT_TRUE(standins::repository::recordKeys(kOutput).empty()) << mode;
  }
  const std::int64_t emptyTreeRoot = standins::repository::nodes(kOutput).front().handle;
  fixture::setOutputScalar("HtldTotal", "125000");
  createOutput(kStoreResultsMode);
  EXPECT_NE(standins::repository::nodes(kOutput).front().handle, emptyTreeRoot) << "the tree is built again";
  EXPECT_EQ(tree(kOutput).size(), 36u);
  EXPECT_EQ(standins::repository::recordKeys(kOutput),
            (Texts{std::string(kPerformanceKey), std::string(kGlobalsKey), std::string(kDesignCriteriaKey),
                   std::string(kFilmCoefficientKey)}));
  EXPECT_EQ(standins::repository::getRecord(kOutput, kPerformanceKey)->reals[0], 125000.0);
  run::UnitFactors = saved;
}

TEST_F(RepositoryTreesTest, AnErrorWhileTheResultsAreStoredLeavesNoResult) {
  // An error raised through the host library by the first, second, third or fourth record's write,
  // an allocation failure among them: the step ends with the tree as it stood before the results.
  for (const std::int64_t error : {1400, 1050}) {
    for (int recordsBefore = 0; recordsBefore < 4; ++recordsBefore) {
      SCOPED_TRACE(std::to_string(error) + " after " + std::to_string(recordsBefore) + " records");
      createOutput(1);
      standins::host::raiseAt("RPPUTD", error, recordsBefore);
      EXPECT_THROW(createOutput(kStoreResultsMode), platform::RaisedError);
      EXPECT_EQ(tree(kOutput).size(), 36u);
      EXPECT_TRUE(standins::repository::recordKeys(kOutput).empty());
    }
  }
  // The next step stores all four.
  createOutput(kStoreResultsMode);
  EXPECT_EQ(standins::repository::recordKeys(kOutput).size(), 4u);
}

}  // namespace
}  // namespace kvom::transfer
