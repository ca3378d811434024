#include "report/guarded_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/adapter.h"
#include "tests/support/standin_helpers.h"

namespace kvom::report {
namespace {

namespace fs = std::filesystem;

// Outputs into a scratch folder, named by their Windows paths.
class GuardedOutputTest : public ::testing::Test {
 protected:
  void SetUp() override { test::resetStandins(); }
  void TearDown() override { test::resetStandins(); }

  std::string path(const std::string& name) const { return test::windowsDir(scratch.path()) + name; }
  std::string read(const std::string& name) const { return test::readFile(scratch.path() / name); }
  std::vector<std::string> files() const { return test::fileNames(scratch.path()); }
  void empty() const {
    for (const std::string& name : files()) fs::remove(scratch.path() / name);
  }
  static bool write(const GuardedOutput& output, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), output.get()) == text.size();
  }

  test::ScratchDirectory scratch;
};

TEST_F(GuardedOutputTest, AReplacementNeverTakesTheTargetOfAnotherOutput) {
  // The first output's target has no file until it commits, and it is the name the second
  // output's replacement would take next: the first one's replacement is ~KVOM1.
  for (const bool firstCommitsFirst : {true, false}) {
    SCOPED_TRACE(firstCommitsFirst ? "the first output commits first" : "the second output commits first");
    empty();
    GuardedOutput first = GuardedOutput::replace(path("~KVOM2"));
    GuardedOutput second = GuardedOutput::replace(path("second.txt"));
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    EXPECT_TRUE(write(first, "first text"));
    EXPECT_TRUE(write(second, "second text"));
    std::pair<GuardedOutput*, GuardedOutput*> order{&first, &second};
    if (!firstCommitsFirst) std::swap(order.first, order.second);
    EXPECT_TRUE(order.first->commit());
    EXPECT_TRUE(order.second->commit());
    EXPECT_EQ(read("~KVOM2"), "first text");
    EXPECT_EQ(read("second.txt"), "second text");
    EXPECT_EQ(files(), (std::vector<std::string>{"second.txt", "~KVOM2"}));
  }
}

TEST_F(GuardedOutputTest, AnotherOutputsReplacementInTheMakingIsNoTarget) {
  // Letter case and either separator spell the same Windows name.
  std::string slashed = test::windowsDir(scratch.path());
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  struct Case {
    const char* what;
    bool append;
    std::string target;
  };
  const Case cases[] = {
      {"replaced", false, path("~KVOM1")},
      {"appended to", true, path("~KVOM1")},
      {"replaced, spelt otherwise", false, slashed + "~kvom1"},
      {"appended to, spelt otherwise", true, slashed + "~kvom1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    empty();
    scratch.write("t.txt", "old text");
    GuardedOutput owner = GuardedOutput::replace(path("t.txt"));
    ASSERT_TRUE(owner);
    ASSERT_EQ(files(), (std::vector<std::string>{"t.txt", "~KVOM1"})) << "the replacement in the making";
    EXPECT_TRUE(write(owner, "new text"));

    GuardedOutput other = c.append ? GuardedOutput::append(c.target) : GuardedOutput::replace(c.target);
    EXPECT_FALSE(other);
    if (other) {
      // What a writer that was let in would do: its commit carries its text into the owner's file.
      write(other, "other text");
      other.commit();
    }
    EXPECT_TRUE(owner.commit());
    EXPECT_EQ(read("t.txt"), "new text");
    EXPECT_EQ(files(), std::vector<std::string>{"t.txt"});
  }
}

TEST_F(GuardedOutputTest, NamesAreFreeAgainOnceTheOutputEnds) {
  // ~KVOM1 is taken by a file of its own, so that the output's target is ~KVOM2 and its
  // replacement ~KVOM3. Once the output has ended, its replacement's name can be appended to and
  // a replacement beside another target takes the first name no file has.
  struct Case {
    const char* ending;
    std::function<void(std::optional<GuardedOutput>&)> end;
    std::vector<std::string> whileNextIsOpen;
  };
  const Case cases[] = {
      {"commit",
       [this](std::optional<GuardedOutput>& output) {
         EXPECT_TRUE(output->commit());
         EXPECT_EQ(read("~KVOM2"), "text");
       },
       {"~KVOM1", "~KVOM2", "~KVOM3"}},
      {"discard", [](std::optional<GuardedOutput>& output) { output->discard(); }, {"~KVOM1", "~KVOM2"}},
      {"destruction", [](std::optional<GuardedOutput>& output) { output.reset(); }, {"~KVOM1", "~KVOM2"}},
      {"destruction of the output it was moved to",
       [this](std::optional<GuardedOutput>& output) {
         GuardedOutput moved(std::move(*output));
         output.reset();
         EXPECT_TRUE(moved);
         EXPECT_FALSE(GuardedOutput::append(path("~KVOM3"))) << "the names went with the stream";
       },
       {"~KVOM1", "~KVOM2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ending);
    empty();
    scratch.write("~KVOM1", "a file of its own");
    std::optional<GuardedOutput> output;
    output.emplace(GuardedOutput::replace(path("~KVOM2")));
    ASSERT_TRUE(*output);
    ASSERT_EQ(files(), (std::vector<std::string>{"~KVOM1", "~KVOM3"}));
    EXPECT_TRUE(write(*output, "text"));
    EXPECT_FALSE(GuardedOutput::append(path("~KVOM3"))) << "in use while the output lives";

    c.end(output);
    GuardedOutput appended = GuardedOutput::append(path("~KVOM3"));
    EXPECT_TRUE(appended);
    appended.discard();
    const GuardedOutput next = GuardedOutput::replace(path("next.txt"));
    EXPECT_TRUE(next);
    EXPECT_EQ(files(), c.whileNextIsOpen);
    EXPECT_EQ(read("~KVOM1"), "a file of its own");
  }
}

}  // namespace
}  // namespace kvom::report
