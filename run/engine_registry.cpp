#include "run/engine_registry.h"

#include <algorithm>

#include "platform/host_library.h"
#include "run/steps.h"
#include "transfer/engine_text.h"

namespace kvom::run {

EngineRegistryRecord EngineRegistry;

namespace {

// In-process server, in-process handler, local server.
constexpr std::uint32_t kEngineClassContext =
    platform::CLSCTX_INPROC_SERVER | platform::CLSCTX_INPROC_HANDLER | platform::CLSCTX_LOCAL_SERVER;

constexpr std::int16_t kOperatingMode = 3;
constexpr std::size_t kProgramNameLength = 4;

BlockKey blockKeyOf(const char* key, std::int64_t keyLength) {
  BlockKey stored;
  stored.assign(callerText(key, keyLength).substr(0, kBlockKeyLength));
  return stored;
}

// Terminates and releases the engines in table order. Each entry leaves the table as soon as its
// engine is released: when a Terminate raises an error, no entry is left holding a released engine,
// and the engines still alive stay for the next shut-down.
void releaseAll() {
  std::vector<EngineEntry>& entries = EngineRegistry.entries;
  while (!entries.empty()) {
    entries.front().application->Terminate();
    entries.front().application.reset();
    entries.erase(entries.begin());
  }
}

std::vector<EngineEntry>::iterator findEntry(const BlockKey& wanted) {
  return std::find_if(EngineRegistry.entries.begin(), EngineRegistry.entries.end(),
                      [&](const EngineEntry& entry) { return entry.key.chars == wanted.chars; });
}

BlockKey blockKeyOf(std::string_view key) { return blockKeyOf(key.data(), static_cast<std::int64_t>(key.size())); }

// Creates the engine of a new entry; nullptr when the creation fails, and then nothing is stored.
platform::EngineApplication* createEntry(const BlockKey& key, platform::EngineData*& value,
                                         std::string_view programName) {
  // Room for the entry first, so that an engine is never created without a place to keep it.
  EngineRegistry.entries.reserve(EngineRegistry.entries.size() + 1);

  platform::ComPtr<platform::EngineApplication> application;
  const platform::HRESULT created =
      CoCreateInstance(platform::CLSID_WexaEngine, nullptr, kEngineClassContext, platform::IID_EngineApplication,
                       reinterpret_cast<void**>(application.receive()));
  if (created < 0 || !application) return nullptr;

  application->SetOperatingMode(kOperatingMode);
  platform::ComPtr<platform::EngineData> data;
  const transfer::EngineString name(programName.substr(0, kProgramNameLength));
  application->InitializeProgram(name.get(), 1, 1, data.receive());
  value = data.get();

  EngineRegistry.entries.push_back(EngineEntry{std::move(application), std::move(data), key});
  return EngineRegistry.entries.back().application.get();
}

// Makes holder own a copy of the text converted for the engine and gives its address, for an
// operation that reads the text and may replace it (the engine frees what it replaces).
platform::BSTR* inOutText(transfer::EngineString& holder, std::string_view text) {
  const transfer::EngineString converted(text);
  platform::BSTR* slot = holder.receive();
  *slot = SysAllocStringLen(converted.get(), SysStringLen(converted.get()));
  return slot;
}

[[noreturn]] void raiseNoEngine() {
  const std::int64_t code = kNoEngineError;
  PellantRaiseError(&code);
}

}  // namespace

ManagedEngine MANAGE_ENGINES(const char* key, std::int64_t keyLength, platform::EngineData*& value,
                             const std::int64_t& mode, const char* programName, std::int64_t programNameLength) {
  if (mode == kReleaseAll) {
    releaseAll();
    return {};
  }
  if (mode != kStoreData) value = nullptr;
  if (mode == kAnyAlive) {
    if (EngineRegistry.entries.empty()) return {};
    return {ManagedEngine::Kind::Alive, nullptr};
  }

  const BlockKey wanted = blockKeyOf(key, keyLength);
  const auto found = findEntry(wanted);
  if (found != EngineRegistry.entries.end()) {
    if (mode == kStoreData) {
      // The new reference is taken before the old one goes: the value may be the object held.
      if (value) value->AddRef();
      found->data = platform::ComPtr<platform::EngineData>::attach(value);
    } else {
      value = found->data.get();
    }
    return {ManagedEngine::Kind::Engine, found->application.get()};
  }
  if (mode == kGetOrCreateFirst && !EngineRegistry.entries.empty()) return {};

  platform::EngineApplication* created = createEntry(wanted, value, callerText(programName, programNameLength));
  if (created == nullptr) return {};
  return {ManagedEngine::Kind::Engine, created};
}

platform::EngineApplication* requireEngine(std::string_view blockKey, platform::EngineData*& data) {
  const ManagedEngine engine = MANAGE_ENGINES(blockKey.data(), static_cast<std::int64_t>(blockKey.size()), data,
                                              kGetOrCreate, kProgramName.data(), kProgramName.size());
  if (!engine.isEngine()) raiseNoEngine();
  return engine.application;
}

void storeEngineData(std::string_view blockKey, platform::EngineData*& data) {
  const ManagedEngine engine = MANAGE_ENGINES(blockKey.data(), static_cast<std::int64_t>(blockKey.size()), data,
                                              kStoreData, kProgramName.data(), kProgramName.size());
  if (!engine.isEngine()) raiseNoEngine();
}

bool anyEngineAlive() {
  platform::EngineData* unused = nullptr;
  return MANAGE_ENGINES(nullptr, 0, unused, kAnyAlive, kProgramName.data(), kProgramName.size()).kind ==
         ManagedEngine::Kind::Alive;
}

bool caseOpened(std::string_view blockKey) {
  const auto found = findEntry(blockKeyOf(blockKey));
  return found != EngineRegistry.entries.end() && found->caseOpened;
}

void markCaseOpened(std::string_view blockKey) {
  const auto found = findEntry(blockKeyOf(blockKey));
  if (found != EngineRegistry.entries.end()) found->caseOpened = true;
}

void PASS_MULTICASE_INFO(char* first, std::int64_t firstLength, char* second, std::int64_t secondLength,
                         const char* blockKey, std::int64_t blockKeyLength, const char* programName,
                         std::int64_t programNameLength) {
  platform::EngineData* data = nullptr;
  const ManagedEngine engine =
      MANAGE_ENGINES(blockKey, blockKeyLength, data, kGetOrCreate, programName, programNameLength);
  if (!engine.isEngine()) raiseNoEngine();

  const std::string_view firstText = callerText(first, firstLength);
  const std::string_view secondText = callerText(second, secondLength);
  transfer::EngineString firstString;
  transfer::EngineString secondString;
  engine.application->SetMultiCaseInfo(inOutText(firstString, firstText), inOutText(secondString, secondText));
  if (!firstText.empty()) transfer::copyEngineText(firstString.get(), FixedText(first, firstText.size()));
  if (!secondText.empty()) transfer::copyEngineText(secondString.get(), FixedText(second, secondText.size()));
}

void CLOSE_ALL_ENGINES() {
  platform::EngineData* unused = nullptr;
  MANAGE_ENGINES(nullptr, 0, unused, kReleaseAll, kProgramName.data(), kProgramName.size());
  OleUninitialize();
}

}  // namespace kvom::run
