#pragma once
// The host's identifiers of a unit's repository objects, as the execute and output steps keep them
// for the workers and transfers: the stream objects of both sides, the curve objects of each side in
// a name list, and the side flags of the execute step.
//
// The host passes its identifiers as an array of fixed-length texts numbered from 1: element 3 is
// kept, elements 4 and 6 name the hot side's first and second stream object, 5 and 7 the cold
// side's, and from element 8 on come the curve objects, the hot list first, then the cold list.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/fixed_text.h"

namespace kvom::run {

inline constexpr std::size_t kCaseIdLength = 128;
inline constexpr std::size_t kCurveListSize = 10;

using CaseIdText = FixedField<kCaseIdLength>;
using CurveNameList = std::array<CaseIdText, kCurveListSize>;

// The counts are those of the list entries in use: a host count above 10 keeps the first ten names
// of its list, and a count below 0 counts as 0.
struct CaseIdsRecord {
  std::int64_t hotCount = 0;
  std::int64_t coldCount = 0;
  CurveNameList hotNames;
  CurveNameList coldNames;
  CaseIdText element3;            // kept from the execute step, read by nothing
  CaseIdText element4;            // the hot side's first stream object
  CaseIdText element6;            // the hot side's second stream object
  CaseIdText element5;            // the cold side's first stream object
  CaseIdText element7;            // the cold side's second stream object
  std::int64_t hotSideFlag = 0;   // 2: the hot side takes no heating curve in this run
  std::int64_t coldSideFlag = 0;  // 2: the cold side takes no heating curve
};

// One per process; rewritten by every execute and output step and kept in between.
extern CaseIdsRecord CaseIds;

// A view of the host's identifier array: count elements of length characters each. An element
// outside the array reads as an empty text.
class HostIdentifiers {
 public:
  HostIdentifiers(const char* data, std::int64_t count, std::int64_t length)
      : data_(data), count_(data == nullptr ? 0 : count), length_(length) {}

  // Element n, counted from 1.
  std::string_view element(std::int64_t n) const;

 private:
  const char* data_;
  std::int64_t count_;
  std::int64_t length_;
};

// The execute step's rule: both name lists are blanked first, then every field is written.
void writeCaseIdsForExecute(CaseIdsRecord& ids, const HostIdentifiers& host, std::int64_t hotCount,
                            std::int64_t coldCount, std::int64_t hotSideFlag, std::int64_t coldSideFlag);

// The output step's rule: the counts, the name lists and elements 4 to 7 are rewritten; list entries
// beyond the new counts, element 3 and the side flags keep what they held.
void writeCaseIdsForOutput(CaseIdsRecord& ids, const HostIdentifiers& host, std::int64_t hotCount,
                           std::int64_t coldCount);

}  // namespace kvom::run
