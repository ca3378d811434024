#pragma once
// The six arrays of a repository record as the transfers read them: work storage sized from the
// repository's counts, and a read that never goes past the arrays.

#include <cstdint>
#include <string_view>
#include <vector>

namespace kvom::transfer {

// Repository statuses that the record readers tell apart; any other status but success means the
// record could not be read, and nothing of it is taken as values.
inline constexpr std::int64_t kRecordRead = 0;
inline constexpr std::int64_t kRecordWithoutData = 3;  // the record exists, its six arrays are empty
inline constexpr std::int64_t kRecordCut = 6;          // RPGETD wrote only what the arrays had room for

// The six arrays of one repository record as a reader holds them. Before the read each count says
// how many elements to ask for; after it, how many the record filled. Elements beyond a count hold
// 0 (texts blanks), so a value that the record does not have reads as 0.
struct RecordArrays {
  std::vector<std::int64_t> integers;
  std::vector<std::int64_t> integerCompanions;
  std::vector<double> reals;
  std::vector<std::int64_t> realCompanions;
  std::vector<char> texts;  // textCount elements of textLength characters
  std::vector<std::int64_t> textCompanions;
  std::int64_t textLength = 0;

  std::int64_t integerCount = 0;
  std::int64_t integerCompanionCount = 0;
  std::int64_t realCount = 0;
  std::int64_t realCompanionCount = 0;
  std::int64_t textCount = 0;
  std::int64_t textCompanionCount = 0;

  // Integer or real n (from 1) as the record holds it; 0 beyond the count.
  std::int64_t integer(std::int64_t n) const;
  double real(std::int64_t n) const;
};

// Reads the record into the arrays (RPGETD). The counts asked for are bounded by the arrays' sizes,
// and the counts the library hands back by the same sizes, so nothing is read or written past an
// array.
void readRecordData(std::string_view object, std::string_view key, RecordArrays& arrays, std::int64_t& status);

// Sizes the six work arrays from the counts (each raised to at least 1), cleared, in the order
// integers, reals, texts and the three companions, with texts of textLength characters. Returns
// false at the first array that cannot be had (storage exhausted, or a size that no array can
// have); what was obtained stays with the arrays, which release it.
bool allocateRecordArrays(RecordArrays& arrays, std::int64_t textLength);

}  // namespace kvom::transfer
