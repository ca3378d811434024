#include "run/unit_factors.h"

#include <cstddef>

namespace kvom::run {

UnitFactorsRecord UnitFactors;

namespace {

constexpr std::size_t kWords = 22;
constexpr std::size_t kSets = 4;

// The factor of each word in sets 1 to 4. The literals are single precision, so each word holds
// the nearest single-precision value of its decimal.
constexpr std::array<std::array<float, kSets>, kWords> kFactorTable = {{
    {0.017453292f, 0.017453292f, 0.017453292f, 0.017453292f},  // 0 radians per degree
    {0.0254f, 0.001f, 0.001f, 1.0f},                           // 1 length
    {0.09290304f, 1.0f, 1.0f, 1.0f},                           // 2 area
    {0.4535924f, 1.0f, 1.0f, 1.0f},                            // 3 kilograms per pound
    {0.028316f, 1.0f, 1.0f, 1.0f},                             // 4 cubic metres per cubic foot
    {0.000126f, 1.0f, 0.00027777f, 1.0f},                      // 5 mass flow
    {0.29307f, 1.0f, 1.163095f, 1.0f},                         // 6 heat duty
    {2326.0f, 1000.0f, 4187.0f, 1.0f},                         // 7 specific enthalpy
    {4187.0f, 1000.0f, 4187.0f, 1.0f},                         // 8 specific heat
    {0.3048f, 1.0f, 1.0f, 1.0f},                               // 9 velocity
    {16.02f, 1.0f, 1.0f, 1.0f},                                // 10 density
    {0.001f, 0.001f, 0.001f, 1.0f},                            // 11 viscosity
    {1.730735f, 1.0f, 1.16156f, 1.0f},                         // 12 thermal conductivity
    {14.5939f, 1.0f, 0.001f, 1.0f},                            // 13 surface tension
    {0.1761184f, 1.0f, 0.859458f, 1.0f},                       // 14 fouling resistance
    {5.678263f, 1.0f, 1.163579f, 1.0f},                        // 15 heat-transfer coefficient
    {1.488164f, 1.0f, 1.0f, 1.0f},                             // 16 density times velocity squared
    {3.154592f, 1.0f, 1.16298f, 1.0f},                         // 17 W/m2 per Btu/(h ft2)
    {745.7f, 1000.0f, 1000.0f, 1000.0f},                       // 18 watts per horsepower
    {6894.757f, 100000.0f, 98066.06f, 1.0f},                   // 19 pressure
    {0.0000258f, 1.0f, 0.0001f, 1.0f},                         // 20 diffusivity
    {249.082f, 1.0f, 1.0f, 1.0f},                              // 21 pascals per inch of water
}};

}  // namespace

void SET_UNIT_FACTORS(const float& set) {
  // Only an exact set number selects a set; anything else (NaN included) keeps the factors.
  for (std::size_t s = 0; s < kSets; ++s) {
    if (set != static_cast<float>(s + 1)) continue;
    for (std::size_t w = 0; w < kWords; ++w) UnitFactors.words[w] = kFactorTable[w][s];
    return;
  }
}

}  // namespace kvom::run
