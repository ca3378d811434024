#include "run/run_env_service.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "common/fixed_text.h"
#include "platform/windows/files.h"
#include "report/bridge.h"
#include "report/settings.h"
#include "run/run_paths.h"

namespace kvom::run {

UnitNumbersRecord UnitNumbers;
RunOptionFlagsRecord RunOptionFlags;

namespace {

inline constexpr std::size_t kBatchUnitEntry = 5;
inline constexpr std::size_t kDeleteUnitEntry = 49;
inline constexpr std::size_t kSuffixWord = 19;

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

using RaisedPrefix = std::pair<std::string_view, std::string_view>;

// Lower-case forms of the run option that the start-up raises, each on its own prefix: these
// first, then a fourth character "s" (the suffix of the three-letter options) whatever the rest of
// the text, then "contran".
constexpr std::array<RaisedPrefix, 6> kRaisedFirst{{
    {"batch", "BATCH"},
    {"/br", "/BR"},
    {"/bd", "/BD"},
    {"/bs", "/BS"},
    {"/as", "/AS"},
    {"/ao", "/AO"},
}};
constexpr RaisedPrefix kRaisedLast{"contran", "CONTRAN"};

void normaliseRunOption(FixedText option) {
  const auto raise = [&](const RaisedPrefix& prefix) {
    if (startsWith(option.view(), prefix.first)) std::copy(prefix.second.begin(), prefix.second.end(), option.data());
  };
  for (const RaisedPrefix& prefix : kRaisedFirst) raise(prefix);
  if (option.size() >= 4 && option.data()[3] == 's') option.data()[3] = 'S';
  raise(kRaisedLast);
}

// What a run option sets. The first row whose prefix matches decides.
struct RunOptionRule {
  std::string_view prefix;
  bool takesSuffix;                                           // word 19 := 1 when the character after the prefix is "S"
  bool clearsBatchUnit;                                       // UnitNumbers entry 5 := 0
  std::array<std::pair<std::size_t, std::int64_t>, 3> words;  // word number (0: none) and value
};

constexpr std::array<RunOptionRule, 8> kRunOptionRules{{
    {"BATCH", true, true, {{{1, 1}, {0, 0}, {0, 0}}}},
    {"/BR", true, true, {{{1, 1}, {2, 2}, {0, 0}}}},
    {"/BD", true, true, {{{1, 1}, {2, 1}, {0, 0}}}},
    {"/BS", true, true, {{{1, 1}, {2, 3}, {0, 0}}}},
    {"/AS", false, true, {{{1, 2}, {2, 3}, {0, 0}}}},
    {"/AO", false, true, {{{1, 2}, {3, 1}, {4, 1}}}},
    {"/AD", false, false, {{{5, 1}, {0, 0}, {0, 0}}}},
    {"CONTRAN", true, true, {{{1, 3}, {0, 0}, {0, 0}}}},
}};

void applyRunOption(std::string_view option) {
  const auto rule = std::find_if(kRunOptionRules.begin(), kRunOptionRules.end(),
                                 [&](const RunOptionRule& r) { return startsWith(option, r.prefix); });
  if (rule == kRunOptionRules.end()) return;
  if (rule->takesSuffix && option.size() > rule->prefix.size() && option[rule->prefix.size()] == 'S') {
    RunOptionFlags.word(kSuffixWord) = 1;
  }
  if (rule->clearsBatchUnit) UnitNumbers.entry(kBatchUnitEntry) = 0;
  for (const auto& [word, setting] : rule->words) {
    if (word != 0) RunOptionFlags.word(word) = setting;
  }
}

void startUp(std::int64_t& value) {
  for (std::size_t i = 0; i < kUnitCount; ++i) UnitNumbers.units[i] = kFirstUnit + static_cast<std::int64_t>(i);
  // Closing units 51 to 100: no file stays open on a unit between calls in this system.
  normaliseRunOption(RunPaths.runOption.text());
  applyRunOption(RunPaths.runOption.view());
  report::GET_LANGUAGE(report::SharedLanguageCode.data(), static_cast<std::int64_t>(report::SharedLanguageCode.size()));
  UnitNumbers.startUpMarker = 1;
  const char digit = RunPaths.code.view()[0];
  value = std::isdigit(static_cast<unsigned char>(digit)) != 0 ? digit - '0' : 0;
}

bool isPresentFile(const std::string& path) {
  const platform::win::DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != platform::win::INVALID_FILE_ATTRIBUTES &&
         (attributes & platform::win::FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// A located path longer than the locator's field is never tested nor deleted: cut, it would name
// another file. It counts as absent.
std::int64_t locateFile(bool deleteIt, const char* name, std::int64_t nameLength, const char* extension,
                        std::int64_t extensionLength, const std::int64_t& flag) {
  const std::optional<std::string> path =
      locateFittingDataFile(callerText(name, nameLength), callerText(extension, extensionLength), flag);
  if (!path || !isPresentFile(*path)) return kFileAbsent;
  if (deleteIt && DeleteFileA(path->c_str()) == 0) return kFileNotDeleted;
  return 0;
}

void assignField(char* field, std::int64_t length, std::string_view text) {
  if (field == nullptr || length <= 0) return;
  FixedText(field, static_cast<std::size_t>(length)).assign(text);
}

}  // namespace

void RUN_ENV_SERVICE(const std::int64_t& code, std::int64_t& status, char* a, std::int64_t aLength, char* b,
                     std::int64_t bLength, char* c, std::int64_t cLength, std::int64_t& value) {
  status = 0;
  const std::int64_t service = code == 0 ? kServiceStartUp : code;
  switch (service) {
    case kServiceStartUp:
    case 100:
      startUp(value);
      return;
    case kServiceDateTime: {
      // The seconds since the previous call are of no use to this routine's callers.
      std::int32_t seconds = 0;
      GET_DATE_TIME(a, b, &seconds, aLength, bLength);
      return;
    }
    case kServiceLocate:
    case kServiceLocateAndDelete:
      status = locateFile(service == kServiceLocateAndDelete, a, aLength, b, bLength, value);
      return;
    case kServiceCaseName:
      assignField(a, aLength, RunPaths.caseName.trimmed());
      assignField(b, bLength, {});
      assignField(c, cLength, {});
      return;
    default:
      return;
  }
}

}  // namespace kvom::run
