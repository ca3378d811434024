#include "run/steps.h"

namespace kvom::run {

void SET_HCURVE_PRESSURES(const std::int64_t&, const std::int64_t&, const char*, std::int64_t, const std::int64_t&,
                          std::int64_t*, const std::int64_t&, double*, const std::int64_t&, const char*, std::int64_t,
                          std::int64_t&) {}

}  // namespace kvom::run
