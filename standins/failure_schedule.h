#pragma once
// Failure injection shared by the stand-ins: a test arms an operation by name so that, after a
// number of calls have passed, the next calls of it fail the way the real service reports it.

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace standins {

class FailureSchedule {
 public:
  // After `skip` calls of the operation have passed, the next `times` calls fail (< 0: every later
  // one; 0 disarms it).
  void arm(std::string_view operation, int skip, int times) { armed_[std::string(operation)] = {skip, times}; }

  // Whether this call of the operation is to fail; counts the call down when it is armed.
  bool failsNow(std::string_view operation) {
    const auto it = armed_.find(operation);
    if (it == armed_.end()) return false;
    auto& [skip, times] = it->second;
    if (skip > 0) {
      --skip;
      return false;
    }
    if (times == 0) return false;
    if (times > 0) --times;
    return true;
  }

  void clear() { armed_.clear(); }

 private:
  std::map<std::string, std::pair<int, int>, std::less<>> armed_;
};

}  // namespace standins
