#include "run/steps.h"

namespace kvom::run {

void PREPARE_EXECUTE(const std::int64_t&, const char*, std::int64_t, const std::int64_t&, std::int64_t*,
                     const std::int64_t&, const void*, const void*, char*, std::int64_t, const char*, std::int64_t,
                     std::int64_t&, std::int64_t*) {}

}  // namespace kvom::run
