#pragma once
// The conversion factors of the selected unit set: for each quantity, the SI value of one engine
// unit, as single-precision values. Transfers divide by a factor on the way to the engine and
// multiply by it on the way back.

#include <array>

namespace kvom::run {

struct UnitFactorsRecord {
  std::array<float, 22> words{};
};

// One per process, all 0 at load.
extern UnitFactorsRecord UnitFactors;

// Word numbers of the factors the transfers use.
namespace factor {
inline constexpr int kLength = 1;
inline constexpr int kArea = 2;
inline constexpr int kMassFlow = 5;
inline constexpr int kHeatDuty = 6;
inline constexpr int kSpecificEnthalpy = 7;
inline constexpr int kSpecificHeat = 8;
inline constexpr int kVelocity = 9;
inline constexpr int kDensity = 10;
inline constexpr int kViscosity = 11;
inline constexpr int kThermalConductivity = 12;
inline constexpr int kSurfaceTension = 13;
inline constexpr int kFoulingResistance = 14;
inline constexpr int kHeatTransferCoefficient = 15;
inline constexpr int kMomentumFlux = 16;  // density times velocity squared
inline constexpr int kPressure = 19;
inline constexpr int kDiffusivity = 20;
}  // namespace factor

inline float unitFactor(int word) { return UnitFactors.words[static_cast<std::size_t>(word)]; }

// Selects unit set 1, 2, 3 or 4; any other value leaves the factors as they are.
void SET_UNIT_FACTORS(const float& set);

}  // namespace kvom::run
