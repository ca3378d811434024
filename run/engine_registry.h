#pragma once
// The engine registry: one rating engine per block key, created on first use and kept until the
// shut-down terminates them all.
//
// Ownership: the registry owns one reference to each engine's application object and one to its
// data object. The pointers it hands out are borrowed: they stay valid until the shut-down
// (release-all), and a caller that keeps one longer takes a reference of its own.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "common/fixed_text.h"
#include "platform/com_ptr.h"
#include "platform/engine.h"

namespace kvom::run {

inline constexpr std::size_t kBlockKeyLength = 20;
using BlockKey = FixedField<kBlockKeyLength>;

// The error raised through the host library when no engine could be had for a block key.
inline constexpr std::int64_t kNoEngineError = 1101;

// The program name every caller hands to the engine.
inline constexpr std::string_view kProgramName = "Wexa";

struct EngineEntry {
  platform::ComPtr<platform::EngineApplication> application;
  platform::ComPtr<platform::EngineData> data;  // from InitializeProgram, or stored by mode 4
  BlockKey key;                                 // the block key as exactly 20 characters
  // The engine has been given the unit's case to open (OpenCase). An engine without one holds no
  // case of the unit's, and its save would put a near-empty case in place of the case file.
  bool caseOpened = false;
};

// The entries in creation order. A new entry goes at the end; only release-all removes entries,
// each one as soon as its engine has been terminated and released.
struct EngineRegistryRecord {
  std::vector<EngineEntry> entries;
};

// One per process, empty at load.
extern EngineRegistryRecord EngineRegistry;

// The modes of MANAGE_ENGINES.
inline constexpr std::int64_t kGetOrCreate = 0;
inline constexpr std::int64_t kReleaseAll = 1;
inline constexpr std::int64_t kAnyAlive = 2;
inline constexpr std::int64_t kGetOrCreateFirst = 3;  // creates only while the table is empty
inline constexpr std::int64_t kStoreData = 4;

// What MANAGE_ENGINES found: an engine (application borrowed from its entry), none, or (mode 2)
// the news that some engine is alive.
struct ManagedEngine {
  enum class Kind { None, Engine, Alive };
  Kind kind = Kind::None;
  platform::EngineApplication* application = nullptr;  // set only for Kind::Engine

  bool isEngine() const { return kind == Kind::Engine; }
};

// The registry's one routine; the mode selects what it does.
// - key: the block key; its first 20 characters (fewer when keyLength is smaller, then padded
//   with blanks to 20) are compared and stored.
// - value: in and out. Mode 4 stores it as the entry's data object (the entry takes a reference
//   of its own); modes 0 and 3 set it to the entry's data object (borrowed); mode 2 sets it to
//   null; mode 1 leaves it.
// - mode 0 (and every unknown mode): the engine of the key, created when missing. Mode 1:
//   every engine terminates and is released, in table order, and leaves the table at once; none.
//   An error raised by a Terminate leaves exactly the engines still alive, for the next release-all.
//   Mode 2: alive when the table holds an entry, else none. Mode 3: as mode 0, but with a
//   non-empty table it creates nothing. Mode 4: as mode 0, and stores the value.
// - programName: its first 4 characters go to the engine's InitializeProgram.
// A creation that fails stores nothing, calls nothing on the missing object and gives none.
ManagedEngine MANAGE_ENGINES(const char* key, std::int64_t keyLength, platform::EngineData*& value,
                             const std::int64_t& mode, const char* programName, std::int64_t programNameLength);

// The engine of the block key, created when missing (mode 0 with "Wexa"); data receives the
// entry's data object (borrowed, possibly null when the engine gave none). Raises kNoEngineError
// through PellantRaiseError when no engine could be had, so it never returns null.
platform::EngineApplication* requireEngine(std::string_view blockKey, platform::EngineData*& data);

// Stores data as the data object of the block key's entry (mode 4; the entry takes its own
// reference). An engine is created when the key has none, and data then receives its data object.
// Raises kNoEngineError when no engine could be had.
void storeEngineData(std::string_view blockKey, platform::EngineData*& data);

// True when the registry holds at least one engine (mode 2).
bool anyEngineAlive();

// Whether the engine of the block key has been given a case to open; false when the key has none.
bool caseOpened(std::string_view blockKey);
// Marks the engine of the block key as having been given a case to open; nothing without one.
void markCaseOpened(std::string_view blockKey);

}  // namespace kvom::run
