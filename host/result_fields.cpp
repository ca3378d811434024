#include "host/result_fields.h"

namespace host {
namespace {

constexpr bool I = true;
constexpr bool R = false;

constexpr ResultField kPerformance[] = {
    {I, 1, "rho-v-squared limit violated"},
    {I, 2, "vibration indication"},
    {R, 1, "total heat load [W]"},
    {R, 2, "area required, dirty [m2]"},
    {R, 3, "heat-transfer area [m2]"},
    {R, 4, "excess surface, dirty"},
    {R, 5, "excess surface, clean"},
    {R, 6, "overall coefficient, dirty [W/(m2 K)]"},
    {R, 7, "overall coefficient, clean [W/(m2 K)]"},
    {R, 8, "log-mean temperature difference of the end points [K]"},
    {R, 9, "mean-temperature-difference correction factor"},
    {R, 10, "shell side: outlet temperature [K]"},
    {R, 11, "shell mean metal temperature [K]"},
    {R, 12, "shell side: outlet pressure [Pa]"},
    {R, 13, "shell side: calculated pressure drop [Pa]"},
    {R, 15, "shell side: pressure drop in the baffle windows [Pa]"},
    {R, 16, "shell side: pressure drop in the exchanger ends [Pa]"},
    {R, 17, "shell side: cross-flow pressure drop [Pa]"},
    {R, 18, "shell side: film coefficient [W/(m2 K)]"},
    {R, 19, "shell side: film coefficient (repeated) [W/(m2 K)]"},
    {R, 20, "shell side: film resistance [m2 K/W]"},
    {R, 21, "shell side: maximum fouling resistance [m2 K/W]"},
    {R, 22, "shell side: fouling resistance [m2 K/W]"},
    {R, 26, "shell side: tube-fin correction factor"},
    {R, 27, "longitudinal-baffle efficiency"},
    {R, 29, "shell side: highest cross-flow velocity [m/s]"},
    {R, 30, "shell side: highest velocity through the baffle windows [m/s]"},
    {R, 31, "shell side: mean of the two velocities [m/s]"},
    {R, 32, "rho-v-squared at the shell entrance [kg/(m s2)]"},
    {R, 33, "rho-v-squared at the shell exit [kg/(m s2)]"},
    {R, 34, "rho-v-squared at the bundle entrance [kg/(m s2)]"},
    {R, 35, "rho-v-squared at the bundle exit [kg/(m s2)]"},
    {R, 37, "shell side: fouling share of the dirty resistance [%]"},
    {R, 38, "shell side: film share of the dirty resistance [%]"},
    {R, 39, "shell side: total flow [kg/s]"},
    {R, 40, "shell side: friction pressure drop [Pa]"},
    {R, 41, "shell side: inlet pressure [Pa]"},
    {R, 42, "tube side: outlet temperature [K]"},
    {R, 43, "tube mean metal temperature [K]"},
    {R, 44, "tube side: outlet pressure [Pa]"},
    {R, 45, "tube side: calculated pressure drop [Pa]"},
    {R, 47, "tube side: film coefficient [W/(m2 K)]"},
    {R, 48, "tube side: film coefficient (repeated) [W/(m2 K)]"},
    {R, 49, "tube side: film resistance [m2 K/W]"},
    {R, 50, "tube side: maximum fouling resistance [m2 K/W]"},
    {R, 51, "tube side: fouling resistance [m2 K/W]"},
    {R, 52, "tube side: velocity at the bundle entrance [m/s]"},
    {R, 53, "tube side: velocity at the bundle exit [m/s]"},
    {R, 54, "tube side: velocity at the mid point [m/s]"},
    {R, 55, "tube side: fouling share of the dirty resistance [%]"},
    {R, 56, "tube side: film share of the dirty resistance [%]"},
    {R, 57, "tube side: total flow [kg/s]"},
    {R, 58, "tube side: friction pressure drop [Pa]"},
    {R, 59, "tube side: inlet pressure [Pa]"},
};

constexpr ResultField kGlobals[] = {
    {I, 1, "arrangement code"},
    {I, 2, "number of tube passes"},
    {I, 5, "shells in series"},
    {I, 6, "shells in parallel"},
};

constexpr ResultField kDesignCriteria[] = {
    {I, 1, "location of the hot fluid (1 shell, 2 tubes)"},
    {I, 17, "calculation method"},
};

constexpr ResultField kFilmCoefficients[] = {
    {R, 1, "hot side: liquid sensible film coefficient [W/(m2 K)]"},
    {R, 2, "hot side: two-phase film coefficient [W/(m2 K)]"},
    {R, 3, "hot side: vapour sensible film coefficient [W/(m2 K)]"},
    {R, 4, "cold side: liquid sensible film coefficient [W/(m2 K)]"},
    {R, 5, "cold side: two-phase film coefficient [W/(m2 K)]"},
    {R, 6, "cold side: vapour sensible film coefficient [W/(m2 K)]"},
};

constexpr ResultRecord kRecords[] = {
    {"STHE_PERFORMANCE", kPerformance},
    {"STHE_GLOBALS", kGlobals},
    {"STHE_DESIGN_CRITERIA", kDesignCriteria},
    {"ZORVI_WEXA_PLUS_STHE_Output_FilmCoef", kFilmCoefficients},
};

}  // namespace

std::span<const ResultRecord> resultRecords() { return kRecords; }

}  // namespace host
