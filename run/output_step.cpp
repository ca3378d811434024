#include "run/steps.h"

namespace kvom::run {

void PREPARE_OUTPUT(const std::int64_t&, const char*, std::int64_t, const std::int64_t&, std::int64_t*,
                    const std::int64_t&, const double*, const void*, char*, std::int64_t, const char*, std::int64_t,
                    std::int64_t& status) {
  status = 0;
}

}  // namespace kvom::run
