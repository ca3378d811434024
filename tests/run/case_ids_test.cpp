#include "run/case_ids.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvom::run {
namespace {

// A host identifier array of count elements of the given length; element n holds "ID<n>" unless
// a text is given for it.
class HostArray {
 public:
  HostArray(std::int64_t count, std::int64_t length)
      : length_(length), chars_(static_cast<std::size_t>(count * length), ' ') {
    for (std::int64_t n = 1; n <= count; ++n) set(n, "ID" + std::to_string(n));
  }
  void set(std::int64_t n, const std::string& text) {
    FixedText(chars_.data() + (n - 1) * length_, static_cast<std::size_t>(length_)).assign(text);
  }
  HostIdentifiers view() const {
    return HostIdentifiers(chars_.data(), static_cast<std::int64_t>(chars_.size()) / length_, length_);
  }

 private:
  std::int64_t length_;
  std::vector<char> chars_;
};

std::vector<std::string> names(const CurveNameList& list) {
  std::vector<std::string> out;
  for (const auto& name : list) out.emplace_back(name.trimmed());
  return out;
}

TEST(CaseIds, ExecuteBlanksTheListsAndFillsEveryField) {
  CaseIdsRecord ids;
  for (auto& name : ids.hotNames) name.assign("OLD");
  for (auto& name : ids.coldNames) name.assign("OLD");
  const HostArray host(20, 40);

  writeCaseIdsForExecute(ids, host.view(), 3, 2, 1, 2);

  EXPECT_EQ(ids.hotCount, 3);
  EXPECT_EQ(ids.coldCount, 2);
  EXPECT_EQ(names(ids.hotNames), (std::vector<std::string>{"ID8", "ID9", "ID10", "", "", "", "", "", "", ""}));
  EXPECT_EQ(names(ids.coldNames), (std::vector<std::string>{"ID11", "ID12", "", "", "", "", "", "", "", ""}));
  EXPECT_EQ(ids.element3, "ID3");
  EXPECT_EQ(ids.element4, "ID4");
  EXPECT_EQ(ids.element5, "ID5");
  EXPECT_EQ(ids.element6, "ID6");
  EXPECT_EQ(ids.element7, "ID7");
  EXPECT_EQ(ids.hotSideFlag, 1);
  EXPECT_EQ(ids.coldSideFlag, 2);
}

TEST(CaseIds, OutputKeepsOlderEntriesElementThreeAndFlags) {
  CaseIdsRecord ids;
  HostArray host(20, 40);
  writeCaseIdsForExecute(ids, host.view(), 3, 2, 1, 0);

  for (int n = 3; n <= 12; ++n) host.set(n, "NEW" + std::to_string(n));
  writeCaseIdsForOutput(ids, host.view(), 1, 1);

  EXPECT_EQ(ids.hotCount, 1);
  EXPECT_EQ(ids.coldCount, 1);
  EXPECT_EQ(names(ids.hotNames), (std::vector<std::string>{"NEW8", "ID9", "ID10", "", "", "", "", "", "", ""}));
  EXPECT_EQ(names(ids.coldNames), (std::vector<std::string>{"NEW9", "ID12", "", "", "", "", "", "", "", ""}));
  EXPECT_EQ(ids.element3, "ID3");
  EXPECT_EQ(ids.element4, "NEW4");
  EXPECT_EQ(ids.element7, "NEW7");
  EXPECT_EQ(ids.hotSideFlag, 1);
  EXPECT_EQ(ids.coldSideFlag, 0);
}

TEST(CaseIds, LongIdentifierIsCutTo128Characters) {
  CaseIdsRecord ids;
  HostArray host(20, 200);
  host.set(4, std::string(150, 'S'));
  host.set(8, std::string(129, 'C'));

  writeCaseIdsForExecute(ids, host.view(), 1, 0, 0, 0);

  EXPECT_EQ(ids.element4.view(), std::string(128, 'S'));
  EXPECT_EQ(ids.hotNames[0].view(), std::string(128, 'C'));
}

// Counts that the lists or the host's array cannot hold: nothing is read past the array (its
// buffer is exactly its size) and nothing is written past the lists.
TEST(CaseIds, CountsBeyondListsOrArray) {
  struct Case {
    const char* what;
    std::int64_t arraySize, hot, cold;
    std::int64_t hotKept, coldKept;
    std::vector<std::string> hotFirst3, coldFirst3;
  };
  const Case cases[] = {
      {"twelve hot curves: ten kept, the cold list starts after all twelve",
       22,
       12,
       2,
       10,
       2,
       {"ID8", "ID9", "ID10"},
       {"ID20", "ID21", ""}},
      {"eleven cold curves: ten kept", 25, 1, 11, 1, 10, {"ID8", "", ""}, {"ID9", "ID10", "ID11"}},
      {"curves past the end of the array read as blank", 9, 3, 1, 3, 1, {"ID8", "ID9", ""}, {"", "", ""}},
      {"a negative hot count fills nothing and moves no cold entry", 20, -2, 1, 0, 1, {"", "", ""}, {"ID8", "", ""}},
      {"an array of no elements", 0, 2, 2, 2, 2, {"", "", ""}, {"", "", ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CaseIdsRecord ids;
    // The array's exact characters on the heap, so that a read past them is a fault the sanitizers
    // report.
    const HostArray host(c.arraySize, 16);
    writeCaseIdsForExecute(ids, host.view(), c.hot, c.cold, 0, 0);
    EXPECT_EQ(ids.hotCount, c.hotKept);
    EXPECT_EQ(ids.coldCount, c.coldKept);
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(ids.hotNames[i].trimmed(), c.hotFirst3[i]) << "hot entry " << i + 1;
      EXPECT_EQ(ids.coldNames[i].trimmed(), c.coldFirst3[i]) << "cold entry " << i + 1;
    }
  }
}

}  // namespace
}  // namespace kvom::run
