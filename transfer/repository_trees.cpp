#include "transfer/repository_trees.h"

#include <array>
#include <cstddef>
#include <span>
#include <vector>

#include "common/unset.h"
#include "platform/repository.h"
#include "transfer/result_records.h"
#include "transfer/unit_input.h"
#include "transfer/value_transfer.h"

namespace kvom::transfer {
namespace {

// A node of a tree and the row of its parent (rows counted from 1; the root has parent 0).
struct TreeNode {
  std::string_view type;
  std::size_t parent;
};

// The node types are the host's and spelt as it expects them; the two trees spell some alike.
constexpr auto kInputTree = std::to_array<TreeNode>({
    {"shell_and_tube_heat_exchanger_unit_INPUT", 0},
    {"exchanger_assembly", 1},
    {"exchanger_shell", 2},
    {"exchanger_bundle", 2},
    {"tube_type", 4},
    {"Tube_external_characteristics", 5},
    {"tubesheet", 4},
    {"cross_baffle", 4},
    {"Exchanger_end", 2},
    {"Exchanger_end", 2},
    {"reboiler_piping", 2},
    {"Exchanger_design_criteria", 1},
    {"Shellside_design", 12},
    {"Tubeside_design", 12},
});

constexpr auto kOutputTree = std::to_array<TreeNode>({
    {"shell_and_tube_heat_exchanger_unit", 0},
    {"exchanger_assembly", 1},
    {"exchanger_shell", 2},
    {"vapor_belt", 3},
    {"expansion_joint", 3},
    {"exchanger_bundle", 2},
    {"tube_type", 6},
    {"tube_internal_characteristics", 7},
    {"tube_external_characteristics", 7},
    {"tubesheet", 6},
    {"tie_rod", 10},
    {"tie_rod_spacer", 11},
    {"partition_seal_rod", 10},
    {"cross_baffle", 6},
    {"passlane", 6},
    {"longitudinal_baffle", 6},
    {"Detuning_plate", 6},
    {"U_bend_support", 6},
    {"exchanger_nozzle", 2},
    {"Impingement_protection", 19},
    {"Distributor_belt", 19},
    {"Nozzle_dome", 19},
    {"Exchanger_end", 2},
    {"Exchanger_end", 2},
    {"End_partition_plate", 24},
    {"Reboiler_piping", 2},
    {"External_circuit_component", 26},
    {"Exchanger_performance", 1},
    {"Shellside_performance", 28},
    {"Tubeside_performance", 28},
    {"Nozzle_performance", 28},
    {"Exchanger_zone", 28},
    {"Flow_Vibration_analysis", 28},
    {"Exchanger_design_criteria", 1},
    {"Shellside_design", 34},
    {"Tubeside_design", 34},
});

// Every parent stands before its children.
constexpr bool parentsFirst(std::span<const TreeNode> tree) {
  for (std::size_t row = 1; row <= tree.size(); ++row) {
    const std::size_t parent = tree[row - 1].parent;
    if ((row == 1) != (parent == 0) || parent >= row) return false;
  }
  return true;
}
static_assert(parentsFirst(kInputTree) && parentsFirst(kOutputTree));

constexpr std::int64_t kUnitInputIntegers = 10;
constexpr std::int64_t kUnitInputReals = 22;
constexpr std::int64_t kTextLength = 32;

// Deletes an object of the name, then creates it with the tree, each node under the handle its
// parent was given.
void rebuild(std::string_view object, std::span<const TreeNode> tree, std::int64_t& status) {
  const auto objectLength = static_cast<std::int64_t>(object.size());
  std::int64_t found = 0;
  RPFIND(object.data(), objectLength, &found, &status);
  if (found != 0) RPDELE(object.data(), objectLength, &status);

  std::vector<std::int64_t> handles(tree.size() + 1, 0);
  const TreeNode& root = tree.front();
  RPNEW(object.data(), objectLength, root.type.data(), static_cast<std::int64_t>(root.type.size()), &handles[1],
        &status);
  for (std::size_t row = 2; row <= tree.size(); ++row) {
    const TreeNode& node = tree[row - 1];
    RPALLO(object.data(), objectLength, node.type.data(), static_cast<std::int64_t>(node.type.size()),
           &handles[node.parent], &handles[row], &status);
  }
}

}  // namespace

void CREATE_INPUT_TREE(std::string_view inputObject, platform::EngineData* data, std::int64_t& status) {
  rebuild(inputObject, kInputTree, status);

  std::array<std::int64_t, kUnitInputIntegers> integers;
  std::array<double, kUnitInputReals> reals;
  integers.fill(UNSET_INTEGER);
  reals.fill(UNSET_REAL);
  const auto scalars = inputScalars(data);
  readScalar(scalars.get(), "LocFluidHS", integers[3]);

  const std::int64_t none = 0;
  const std::int64_t noElement = 0;
  const char noText = ' ';
  RPPUTD(inputObject.data(), static_cast<std::int64_t>(inputObject.size()), kUnitInputKey.data(),
         static_cast<std::int64_t>(kUnitInputKey.size()), &kUnitInputIntegers, integers.data(), &none, &noElement,
         &kUnitInputReals, reals.data(), &none, &noElement, &none, &noText, kTextLength, &none, &noElement, &status);
}

void CREATE_OUTPUT_TREE(std::string_view outputObject, const std::int64_t& mode, platform::EngineData* data,
                        std::int64_t& status) {
  rebuild(outputObject, kOutputTree, status);
  if (mode != kStoreResultsMode) return;
  // The results go in whole or not at all: when a record is refused, or an error ends the step part
  // way through them, the tree is built again without results, as it stood before they were stored.
  try {
    if (STORE_RESULTS(outputObject, data)) return;
  } catch (...) {
    rebuild(outputObject, kOutputTree, status);
    throw;
  }
  rebuild(outputObject, kOutputTree, status);
}

}  // namespace kvom::transfer
