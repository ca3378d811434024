#include "transfer/design_copy_back.h"

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

#include "transfer/value_transfer.h"

namespace kvom::transfer {
namespace {

// One design value: read from the output scalar, written to the input scalar of the same row.
struct DesignScalar {
  std::string_view output;
  std::string_view input;  // empty: a design condition, placed by the hot fluid's location
};

// In the order read and written. Rows 18 to 21 are the design conditions.
constexpr std::array<DesignScalar, 29> kDesignScalars = {{
    {"BafNum", "BafNum"},
    {"BafSpcCC", "BafSpcCC"},
    {"BafSpcIn", "BafSpcIn"},
    {"BafSpcOut", "BafSpcOut"},
    {"KetlID", "KetlID"},
    {"KetlOD", "KetlOD"},
    {"ShlID", "ShlID"},
    {"ShlOD", "ShlOD"},
    {"ShlParNum", "ShlParNum"},
    {"ShlSerNum", "ShlSerNum"},
    {"TubeLng", "TubeLng"},
    {"TubeNum", "TubeNum"},
    {"TubePassNum", "TubePassNum"},
    {"VapBltOD", "VapBltOD"},
    {"VapBltLng", "VapBltLng"},
    {"VapBltID", "VapBltID"},
    {"LocFluidHS", "LocFluidHS"},
    {"TempDsgnSS", ""},
    {"TempDsgnTS", ""},
    {"PresDsgnSS", ""},
    {"PresDsgnTS", ""},
    {"BafCutPerc", "BafCutPerc"},
    {"BafCutPercInner", "BafCutPercInner"},
    {"BafCutPercInterm", "BafCutPercInterm"},
    {"BafSpcCenHshl", "BafSpcCenHshl"},
    {"BafSpcCenInOut", "BafSpcCenInOut"},
    {"ExchInHt", "HtInPipAbvRef"},
    {"HtLiqCol", "HtLiqLevAbvRef"},
    {"ExchOutHt", "HtOutPipAbvRef"},
}};

// Rows (from 1) of the table: the hot fluid's location, and the last design condition.
constexpr std::size_t kHotFluidLocation = 17;
constexpr std::size_t kLastCondition = 21;

// Each design condition of the hot and the cold side, from the row of the shell-side or the
// tube-side value; written in this order.
struct DesignCondition {
  std::string_view input;
  std::size_t hotInShell;  // the row it takes when the hot fluid is in the shell
  std::size_t hotInTubes;  // the row it takes when the hot fluid is in the tubes
};
constexpr std::array<DesignCondition, 4> kDesignConditions = {{
    {"TempDsgnHS", 18, 19},
    {"TempDsgnCS", 19, 18},
    {"PresDsgnHS", 20, 21},
    {"PresDsgnCS", 21, 20},
}};

enum Side : std::size_t { kShell, kTube, kSides };

// The nozzle arrays, in the order read and written: diameters as reals, nozzle numbers as integers.
struct NozzleArray {
  std::string_view output;
  std::string_view input;
  Side side;
  bool numbers;
};
constexpr std::array<NozzleArray, 4> kNozzleArrays = {{
    {"arNozODSS", "NozActualODSS", kShell, false},
    {"arNozODTS", "NozActualODTS", kTube, false},
    {"arNozNumSS", "NozNumSS", kShell, true},
    {"arNozNumTS", "NozNumTS", kTube, true},
}};

using Nozzles = std::array<double, kNozzlesPerSide>;
using NozzleNumbers = std::array<std::int64_t, kNozzlesPerSide>;

struct Design {
  std::array<double, kDesignScalars.size()> values{};
  std::array<Nozzles, kSides> diameters{};
  std::array<NozzleNumbers, kSides> numbers{};
  std::array<std::int16_t, kSides> counts{};  // elements written per side
};

double& row(Design& design, std::size_t n) { return design.values[n - 1]; }

// Reads one nozzle array when the engine has it; its element count (within the table's room)
// becomes its side's count. The array is looked up once and read from what that lookup found, so
// that an array read is an array whose count its side takes.
void readNozzles(platform::VariableCollection* arrays, const NozzleArray& nozzle, Design& design) {
  const auto array = findArray(arrays, nozzle.output);
  if (!array) return;
  const std::int16_t count = nozzle.numbers ? readElements(*array.get(), design.numbers[nozzle.side])
                                            : readElements(*array.get(), design.diameters[nozzle.side]);
  design.counts[nozzle.side] = std::clamp<std::int16_t>(count, 0, kNozzlesPerSide);
}

void writeNozzles(platform::VariableCollection* arrays, const NozzleArray& nozzle, const Design& design) {
  const auto count = static_cast<std::size_t>(design.counts[nozzle.side]);
  if (count == 0) return;
  if (nozzle.numbers) {
    writeElements(arrays, nozzle.input, std::span<const std::int64_t>(design.numbers[nozzle.side]).first(count));
  } else {
    writeElements(arrays, nozzle.input, std::span<const double>(design.diameters[nozzle.side]).first(count));
  }
}

void writeRows(platform::VariableCollection* scalars, Design& design, std::size_t first, std::size_t last) {
  for (std::size_t n = first; n <= last; ++n) writeScalar(scalars, kDesignScalars[n - 1].input, row(design, n));
}

}  // namespace

void COPY_DESIGN_TO_INPUT(platform::EngineData* data, std::int64_t&) {
  Design design;

  {
    const auto scalars = outputScalars(data);
    const auto arrays = outputArrays(data);
    for (std::size_t n = 1; n <= kDesignScalars.size(); ++n) {
      readScalar(scalars.get(), kDesignScalars[n - 1].output, row(design, n));
    }
    for (const NozzleArray& nozzle : kNozzleArrays) readNozzles(arrays.get(), nozzle, design);
  }

  const auto scalars = inputScalars(data);
  const auto arrays = inputArrays(data);
  writeScalar(scalars.get(), "TubeLayoutOption", EngineValue::literal("1"));
  writeRows(scalars.get(), design, 1, kHotFluidLocation);
  // 1 or less: the hot fluid is in the shell. Anything else, a value that is no number included,
  // puts it in the tubes.
  const bool hotInShell = row(design, kHotFluidLocation) <= 1.0;
  for (const DesignCondition& condition : kDesignConditions) {
    writeScalar(scalars.get(), condition.input, row(design, hotInShell ? condition.hotInShell : condition.hotInTubes));
  }
  writeRows(scalars.get(), design, kLastCondition + 1, kDesignScalars.size());
  for (const NozzleArray& nozzle : kNozzleArrays) writeNozzles(arrays.get(), nozzle, design);
}

}  // namespace kvom::transfer
