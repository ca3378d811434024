#pragma once
// Services of the run environment for callers that share the logic layer's records: the start-up
// of a run (file units, run options, language, the run's code digit), the date and time, locating
// a data file with a test that it exists (and deleting it), and the case name.

#include <array>
#include <cstddef>
#include <cstdint>

namespace kvom::run {

inline constexpr std::size_t kUnitCount = 50;
inline constexpr std::int64_t kFirstUnit = 51;

// The logic layer's file units: all 0 until a start-up sets entry i (from 1) to 50 + i and the
// marker to 1. Entry 5 is cleared by the batch-like run options; entry 49 is the unit on which
// code 5 deletes a file. This system keeps no file open on a unit between calls, so a unit number
// only names the slot.
struct UnitNumbersRecord {
  std::array<std::int64_t, kUnitCount> units{};
  std::int64_t startUpMarker = 0;

  std::int64_t& entry(std::size_t n) { return units.at(n - 1); }
};
extern UnitNumbersRecord UnitNumbers;

// Words set by the start-up from the run option (word n is words[n - 1]); zero at load and never
// cleared, so a word set by an earlier start-up keeps its value.
inline constexpr std::size_t kRunOptionWords = 20;
struct RunOptionFlagsRecord {
  std::array<std::int64_t, kRunOptionWords> words{};

  std::int64_t& word(std::size_t n) { return words.at(n - 1); }
};
extern RunOptionFlagsRecord RunOptionFlags;

// Service codes.
inline constexpr std::int64_t kServiceStartUp = 1;  // 0 and 100 too
inline constexpr std::int64_t kServiceDateTime = 2;
inline constexpr std::int64_t kServiceLocate = 3;
inline constexpr std::int64_t kServiceLocateAndDelete = 5;
inline constexpr std::int64_t kServiceCaseName = 13;

// Status of codes 3 and 5.
inline constexpr std::int64_t kFileAbsent = 1;
inline constexpr std::int64_t kFileNotDeleted = 2;  // code 5: present but could not be deleted

// Runs the service of the code (0 counts as 1) and sets status: 0, or for codes 3 and 5 1 when
// the file does not exist and 2 when code 5 could not delete it. Texts a, b, c are fixed-length
// fields with their lengths; value is the code digit written by the start-up and the locator's
// flag read by codes 3 and 5.
// - 0, 1, 100: start-up; value := the first digit of the run's code (a blank or anything other
//   than a digit reads as 0).
// - 2: a := the date, b := the time.
// - 3, 5: locates file a with extension b; 5 also deletes a file that is there. A located path
//   longer than the locator's 256-character field counts as absent: nothing is tested or deleted.
// - 13: a := the case name, b and c blank.
// Any other code does nothing.
void RUN_ENV_SERVICE(const std::int64_t& code, std::int64_t& status, char* a, std::int64_t aLength, char* b,
                     std::int64_t bLength, char* c, std::int64_t cLength, std::int64_t& value);

}  // namespace kvom::run
