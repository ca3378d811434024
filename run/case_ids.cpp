#include "run/case_ids.h"

#include <algorithm>

namespace kvom::run {

CaseIdsRecord CaseIds;

namespace {

// The first element of the curve objects in the host's array.
constexpr std::int64_t kFirstCurveElement = 8;

std::int64_t listCount(std::int64_t hostCount) {
  return std::clamp<std::int64_t>(hostCount, 0, static_cast<std::int64_t>(kCurveListSize));
}

void copyStreams(CaseIdsRecord& ids, const HostIdentifiers& host) {
  ids.element4.assign(host.element(4));
  ids.element6.assign(host.element(6));
  ids.element5.assign(host.element(5));
  ids.element7.assign(host.element(7));
}

// Entries 1 to the list count of each list from the curve elements. The cold list starts after all
// the hot curves that the host counted, also those that the hot list has no room for.
void fillLists(CaseIdsRecord& ids, const HostIdentifiers& host, std::int64_t hotCount, std::int64_t coldCount) {
  ids.hotCount = listCount(hotCount);
  ids.coldCount = listCount(coldCount);
  for (std::int64_t i = 1; i <= ids.hotCount; ++i) {
    ids.hotNames[static_cast<std::size_t>(i - 1)].assign(host.element(kFirstCurveElement - 1 + i));
  }
  // A hot count beyond the array leaves no element for the cold list; the test keeps the sum
  // below from overflowing.
  const std::int64_t hotCurves = std::max<std::int64_t>(hotCount, 0);
  const bool coldInArray = hotCurves <= INT64_MAX - kFirstCurveElement - static_cast<std::int64_t>(kCurveListSize);
  for (std::int64_t i = 1; i <= ids.coldCount; ++i) {
    ids.coldNames[static_cast<std::size_t>(i - 1)].assign(
        coldInArray ? host.element(kFirstCurveElement - 1 + hotCurves + i) : std::string_view{});
  }
}

}  // namespace

std::string_view HostIdentifiers::element(std::int64_t n) const {
  if (n < 1 || n > count_ || length_ <= 0) return {};
  return {data_ + static_cast<std::size_t>(n - 1) * static_cast<std::size_t>(length_),
          static_cast<std::size_t>(length_)};
}

void writeCaseIdsForExecute(CaseIdsRecord& ids, const HostIdentifiers& host, std::int64_t hotCount,
                            std::int64_t coldCount, std::int64_t hotSideFlag, std::int64_t coldSideFlag) {
  for (auto& name : ids.hotNames) name.blank();
  for (auto& name : ids.coldNames) name.blank();
  ids.hotCount = 0;
  ids.coldCount = 0;
  ids.element3.assign(host.element(3));
  copyStreams(ids, host);
  ids.hotSideFlag = hotSideFlag;
  ids.coldSideFlag = coldSideFlag;
  fillLists(ids, host, hotCount, coldCount);
}

void writeCaseIdsForOutput(CaseIdsRecord& ids, const HostIdentifiers& host, std::int64_t hotCount,
                           std::int64_t coldCount) {
  copyStreams(ids, host);
  fillLists(ids, host, hotCount, coldCount);
}

}  // namespace kvom::run
