#include "run/engine_registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/host_library.h"
#include "run/steps.h"
#include "standins/com/com_standin.h"
#include "standins/engine/engine_standin.h"
#include "standins/host/host_standin.h"

namespace kvom::run {
namespace {

using Kind = ManagedEngine::Kind;

// A key in storage of exactly its length, so that a read past it is caught by the sanitizers.
class HeapText {
 public:
  explicit HeapText(std::string_view text)
      : chars_(std::make_unique<char[]>(std::max<std::size_t>(text.size(), 1))), size_(text.size()) {
    std::copy(text.begin(), text.end(), chars_.get());
  }
  char* data() const { return chars_.get(); }
  std::int64_t size() const { return static_cast<std::int64_t>(size_); }

 private:
  std::unique_ptr<char[]> chars_;
  std::size_t size_;
};

ManagedEngine manage(std::string_view key, std::int64_t mode, platform::EngineData*& value) {
  const HeapText text(key);
  return MANAGE_ENGINES(text.data(), text.size(), value, mode, "Wexa", 4);
}

ManagedEngine manage(std::string_view key, std::int64_t mode) {
  platform::EngineData* value = nullptr;
  return manage(key, mode, value);
}

std::vector<std::string> logged(std::string_view operation) {
  std::vector<std::string> entries;
  for (const std::string& entry : standins::engine::operationLog()) {
    if (entry.find(operation) != std::string::npos) entries.push_back(entry);
  }
  return entries;
}

class EngineRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CLOSE_ALL_ENGINES();
    standins::host::reset();
    standins::com::reset();
    standins::engine::reset();
  }
  void TearDown() override { SetUp(); }
};

TEST_F(EngineRegistryTest, ModesOnAnEmptyAndAFilledTable) {
  int unrelated = 0;
  auto* const preset = reinterpret_cast<platform::EngineData*>(&unrelated);  // never dereferenced
  struct Case {
    const char* what;
    bool otherEntry;  // the table holds an entry of another key first
    std::int64_t mode;
    Kind kind;
    int engines;  // engines created in all
  };
  const Case cases[] = {
      {"any alive, empty table", false, kAnyAlive, Kind::None, 0},
      {"any alive, filled table", true, kAnyAlive, Kind::Alive, 1},
      {"first only, empty table", false, kGetOrCreateFirst, Kind::Engine, 1},
      {"first only, filled table", true, kGetOrCreateFirst, Kind::None, 1},
      {"get or create", true, kGetOrCreate, Kind::Engine, 2},
      {"unknown mode", true, 9, Kind::Engine, 2},
      {"store data of an unknown key", true, kStoreData, Kind::Engine, 2},
  };
  for (const Case& c : cases) {
    SetUp();
    if (c.otherEntry) manage("OTHER", kGetOrCreate);
    platform::EngineData* value = c.mode == kStoreData ? nullptr : preset;
    const ManagedEngine result = manage("UNIT-1", c.mode, value);
    EXPECT_EQ(result.kind, c.kind) << c.what;
    EXPECT_EQ(standins::engine::enginesCreated(), c.engines) << c.what;
    EXPECT_EQ(EngineRegistry.entries.size(), static_cast<std::size_t>(c.engines)) << c.what;
    if (c.kind == Kind::Engine) {
      EXPECT_EQ(result.application, EngineRegistry.entries.back().application.get()) << c.what;
      EXPECT_NE(value, nullptr) << c.what << ": the value receives the new data object";
      EXPECT_EQ(value, EngineRegistry.entries.back().data.get()) << c.what;
    } else {
      EXPECT_EQ(result.application, nullptr) << c.what;
      EXPECT_EQ(value, nullptr) << c.what << ": the value comes back null";
    }
  }
}

TEST_F(EngineRegistryTest, CreationSetsTheModeAndInitialisesTheProgram) {
  platform::EngineData* value = nullptr;
  const HeapText key("UNIT-1");
  MANAGE_ENGINES(key.data(), key.size(), value, kGetOrCreate, "WexaPlus", 8);
  EXPECT_EQ(standins::com::callLog(), std::vector<std::string>{"CoCreateInstance 7"});
  EXPECT_EQ(standins::engine::operationLog(),
            (std::vector<std::string>{"e1 SetOperatingMode 3", "e1 InitializeProgram Wexa 1 1"}));
}

TEST_F(EngineRegistryTest, StoreAndLookUpTheDataObject) {
  platform::EngineData* first = nullptr;
  platform::EngineData* second = nullptr;
  manage("UNIT-1", kGetOrCreate, first);
  manage("UNIT-2", kGetOrCreate, second);
  ASSERT_NE(first, second);

  // Mode 4 for a known key stores the value and leaves it as it is.
  platform::EngineData* value = second;
  EXPECT_EQ(manage("UNIT-1", kStoreData, value).kind, Kind::Engine);
  EXPECT_EQ(value, second);
  EXPECT_EQ(EngineRegistry.entries[0].data.get(), second);

  // Storing the object the entry already holds keeps it alive.
  value = second;
  manage("UNIT-2", kStoreData, value);
  platform::EngineData* found = nullptr;
  manage("UNIT-2", kGetOrCreate, found);
  EXPECT_EQ(found, second);
  manage("UNIT-1", kGetOrCreate, found);
  EXPECT_EQ(found, second);
  EXPECT_EQ(standins::engine::enginesCreated(), 2);
}

TEST_F(EngineRegistryTest, KeysAreTheirFirstTwentyCharactersBlankPadded) {
  const std::string padded = "UNIT-1" + std::string(14, ' ');
  const std::vector<std::string> sameEngine = {"UNIT-1", padded, padded + "TAIL", "UNIT-1   "};
  for (const std::string& key : sameEngine) {
    EXPECT_EQ(manage(key, kGetOrCreate).kind, Kind::Engine) << key;
  }
  EXPECT_EQ(standins::engine::enginesCreated(), 1);
  ASSERT_EQ(EngineRegistry.entries.size(), 1u);
  EXPECT_EQ(EngineRegistry.entries[0].key.view(), padded);

  const std::vector<std::string> otherEngines = {"UNIT-2", "unit-1", "", "ABCDEFGHIJKLMNOPQRS!"};
  for (const std::string& key : otherEngines) manage(key, kGetOrCreate);
  EXPECT_EQ(standins::engine::enginesCreated(), 5);
}

TEST_F(EngineRegistryTest, ReleaseAllTerminatesInCreationOrder) {
  for (const char* key : {"UNIT-1", "UNIT-2", "UNIT-3"}) manage(key, kGetOrCreate);
  standins::engine::clearOperationLog();
  standins::com::clearCallLog();

  CLOSE_ALL_ENGINES();
  EXPECT_EQ(standins::engine::operationLog(),
            (std::vector<std::string>{"e1 Terminate", "e2 Terminate", "e3 Terminate"}));
  EXPECT_TRUE(EngineRegistry.entries.empty());
  EXPECT_FALSE(anyEngineAlive());
  for (int engine = 1; engine <= 3; ++engine) EXPECT_EQ(standins::engine::applicationReferences(engine), 0u);
  EXPECT_EQ(standins::com::callLog(), std::vector<std::string>{"OleUninitialize"});

  // On an empty table nothing is terminated, and the object library is closed all the same.
  standins::engine::clearOperationLog();
  standins::com::clearCallLog();
  CLOSE_ALL_ENGINES();
  EXPECT_TRUE(standins::engine::operationLog().empty());
  EXPECT_EQ(standins::com::callLog(), std::vector<std::string>{"OleUninitialize"});

  // The next use of a key creates a new engine.
  manage("UNIT-1", kGetOrCreate);
  EXPECT_EQ(standins::engine::enginesCreated(), 4);
}

TEST_F(EngineRegistryTest, AFailedCreationStoresNothing) {
  standins::com::failCreation(platform::E_FAIL);
  platform::EngineData* value = nullptr;
  EXPECT_EQ(manage("UNIT-1", kGetOrCreate, value).kind, Kind::None);
  EXPECT_EQ(value, nullptr);
  EXPECT_TRUE(EngineRegistry.entries.empty());
  EXPECT_TRUE(standins::engine::operationLog().empty());
  EXPECT_FALSE(anyEngineAlive());

  try {
    requireEngine("UNIT-1", value);
    ADD_FAILURE() << "requireEngine returned without an engine";
  } catch (const platform::RaisedError& error) {
    EXPECT_EQ(error.errorCode(), kNoEngineError);
  }
  EXPECT_THROW(storeEngineData("UNIT-1", value), platform::RaisedError);

  standins::com::failCreation(std::nullopt);
  EXPECT_NE(requireEngine("UNIT-1", value), nullptr);
  EXPECT_EQ(standins::engine::enginesCreated(), 1);
}

TEST_F(EngineRegistryTest, MultiCaseTextsGoToTheEngineAndBack) {
  // The engine stand-in hands both texts back in upper case.
  std::string first = "case-a" + std::string(10, ' ');
  std::string second = "run 2" + std::string(7, ' ');
  const long strings = standins::com::liveStrings();
  PASS_MULTICASE_INFO(first.data(), 16, second.data(), 12, "UNIT-1", 6, "Wexa", 4);

  EXPECT_EQ(logged("SetMultiCaseInfo"), std::vector<std::string>{"e1 SetMultiCaseInfo case-a run 2"});
  EXPECT_EQ(first, "CASE-A" + std::string(10, ' '));
  EXPECT_EQ(second, "RUN 2" + std::string(7, ' '));
  EXPECT_EQ(standins::com::liveStrings(), strings);

  // The same key reaches the same engine; a failed creation raises the no-engine error.
  PASS_MULTICASE_INFO(first.data(), 16, second.data(), 12, "UNIT-1", 6, "Wexa", 4);
  EXPECT_EQ(standins::engine::enginesCreated(), 1);
  standins::com::failCreation(platform::E_FAIL);
  EXPECT_THROW(PASS_MULTICASE_INFO(first.data(), 16, second.data(), 12, "UNIT-2", 6, "Wexa", 4), platform::RaisedError);
}

}  // namespace
}  // namespace kvom::run
