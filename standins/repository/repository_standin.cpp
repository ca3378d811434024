// The repository library on this machine: objects kept in memory, definition files recorded, the
// dump written as a text file.

#include "standins/repository/repository_standin.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <initializer_list>
#include <map>
#include <optional>
#include <span>
#include <utility>
#include <variant>

#include "common/fixed_text.h"
#include "common/number_text.h"
#include "platform/repository.h"
#include "standins/host/host_standin.h"
#include "standins/repository/definition_file.h"
#include "standins/windows/windows_standin.h"

namespace standins::repository {
namespace {

// Statuses of platform/repository.h.
constexpr std::int64_t kDone = 0;
constexpr std::int64_t kNoObject = 1;  // also: definition file not loaded
constexpr std::int64_t kNoRecord = 2;
constexpr std::int64_t kNoData = 3;
constexpr std::int64_t kExists = 4;
constexpr std::int64_t kNoNode = 5;
constexpr std::int64_t kTruncated = 6;
constexpr std::int64_t kBadArgument = 7;
constexpr std::int64_t kCannotWrite = 8;

struct StoredObject {
  std::string name;
  std::vector<Node> nodes;                              // creation order
  std::vector<std::pair<std::string, Record>> records;  // order of first write
};

struct State {
  std::vector<StoredObject> objects;  // creation order
  std::int64_t nextHandle = 1;
  std::map<std::pair<std::string, std::string>, Counts> reportedCounts;
  std::map<std::pair<std::string, std::string>, std::int64_t> dataFailures;
  std::vector<DefinitionFile> definitions;
  std::string lastError;
  std::vector<std::string> callLog;
};

State& state() {
  static State s;
  return s;
}

// Names, keys and stored texts carry no trailing blanks or NULs.
std::string_view clean(std::string_view text) {
  std::size_t n = text.size();
  while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == '\0')) --n;
  return text.substr(0, n);
}

// A text argument of the calling convention, cleaned; nothing when pointer and length do not
// describe a text.
std::optional<std::string_view> textArgument(const char* data, std::int64_t length) {
  if (length < 0 || (data == nullptr && length > 0)) return std::nullopt;
  if (length == 0) return std::string_view();
  return clean(std::string_view(data, static_cast<std::size_t>(length)));
}

// A name or key: a text that is not empty once cleaned.
std::optional<std::string_view> nameArgument(const char* data, std::int64_t length) {
  std::optional<std::string_view> text = textArgument(data, length);
  if (text && text->empty()) return std::nullopt;
  return text;
}

void setStatus(std::int64_t* status, std::int64_t value) {
  if (status != nullptr) *status = value;
}

// Every operation: the armed fault first, then its entry in the call log.
void enter(std::string_view operation, std::initializer_list<std::string_view> arguments) {
  host::raiseIfArmed(operation);
  std::string entry(operation);
  for (std::string_view argument : arguments) {
    entry += ' ';
    entry += argument;
  }
  entry.erase(entry.find_last_not_of(' ') + 1);
  state().callLog.push_back(std::move(entry));
}

std::string_view shown(const std::optional<std::string_view>& text) { return text.value_or(std::string_view()); }

StoredObject* findObject(std::string_view name) {
  auto& objects = state().objects;
  const auto it = std::find_if(objects.begin(), objects.end(), [&](const StoredObject& o) { return o.name == name; });
  return it == objects.end() ? nullptr : &*it;
}

Record* findRecord(StoredObject& object, std::string_view key) {
  const auto it =
      std::find_if(object.records.begin(), object.records.end(), [&](const auto& entry) { return entry.first == key; });
  return it == object.records.end() ? nullptr : &it->second;
}

StoredObject& createObject(std::string_view name, std::string_view rootType) {
  State& s = state();
  StoredObject& object = s.objects.emplace_back();
  object.name = name;
  object.nodes.push_back({s.nextHandle++, 0, std::string(rootType)});
  return object;
}

void storeRecord(StoredObject& object, std::string_view key, Record record) {
  for (std::string& text : record.texts) text = std::string(clean(text));
  if (Record* existing = findRecord(object, key)) {
    *existing = std::move(record);
  } else {
    object.records.emplace_back(std::string(key), std::move(record));
  }
}

bool isEmpty(const Record& r) {
  return r.integers.empty() && r.integerCompanions.empty() && r.reals.empty() && r.realCompanions.empty() &&
         r.texts.empty() && r.textCompanions.empty();
}

// The six (count, array) pairs of RPGETD and RPPUTD, in array order, with the text element length.
// Each count must be present and not negative, and an array with elements must be present (the
// text array only when its elements have characters).
bool validArrays(const std::array<std::pair<const std::int64_t*, const void*>, 6>& arrays, std::int64_t textLength) {
  constexpr std::size_t kTexts = 4;
  if (textLength < 0) return false;
  for (std::size_t i = 0; i < arrays.size(); ++i) {
    const auto [count, data] = arrays[i];
    const bool holdsData = i != kTexts || textLength > 0;
    if (count == nullptr || *count < 0 || (*count > 0 && holdsData && data == nullptr)) return false;
  }
  return true;
}

// Copies what fits; returns true when the stored array held more than the caller's count.
template <typename T>
bool copyOut(const std::vector<T>& stored, std::int64_t* count, T* data) {
  const std::size_t n = std::min(stored.size(), static_cast<std::size_t>(*count));
  std::copy_n(stored.begin(), n, data);
  const bool cut = stored.size() > n;
  *count = static_cast<std::int64_t>(n);
  return cut;
}

bool copyTextsOut(const std::vector<std::string>& stored, std::int64_t* count, char* data, std::int64_t length) {
  const std::size_t n = std::min(stored.size(), static_cast<std::size_t>(*count));
  const std::size_t width = static_cast<std::size_t>(length);
  for (std::size_t i = 0; i < n; ++i) kvom::FixedText(data + i * width, width).assign(stored[i]);
  *count = static_cast<std::int64_t>(n);
  return stored.size() > n;
}

template <typename T>
std::vector<T> copyIn(const std::int64_t* count, const T* data) {
  return std::vector<T>(data, data + *count);
}

void zeroCounts(std::span<std::int64_t* const> counts) {
  for (std::int64_t* count : counts)
    if (count != nullptr) *count = 0;
}

// Dump ---------------------------------------------------------------------------------------------

constexpr std::string_view kEol = "\r\n";
constexpr std::size_t kValuesPerLine = 8;

template <typename T, typename Format>
void dumpArray(std::string& out, std::string_view title, const std::vector<T>& values, Format format) {
  out += "    ";
  out += title;
  out += ' ';
  out += std::to_string(values.size());
  out += kEol;
  for (std::size_t first = 0; first < values.size(); first += kValuesPerLine) {
    out += "      [" + std::to_string(first + 1) + "]";
    for (std::size_t i = first; i < std::min(values.size(), first + kValuesPerLine); ++i) {
      out += ' ';
      out += format(values[i]);
    }
    out += kEol;
  }
}

void dumpNodes(std::string& out, const std::vector<Node>& nodes) {
  // Depth first in creation order; a parent always precedes its children.
  std::vector<std::pair<const Node*, std::size_t>> pending;  // node, depth
  for (auto it = nodes.rbegin(); it != nodes.rend(); ++it)
    if (it->parent == 0) pending.emplace_back(&*it, 0);
  while (!pending.empty()) {
    const auto [node, depth] = pending.back();
    pending.pop_back();
    out += std::string(2 + 2 * depth, ' ') + "NODE " + std::to_string(node->handle) + ' ' + node->type;
    out += kEol;
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it)
      if (it->parent == node->handle) pending.emplace_back(&*it, depth + 1);
  }
}

void dumpRecord(std::string& out, const std::string& key, const Record& r) {
  const auto integer = [](std::int64_t v) { return kvom::formatInteger(v); };
  const auto real = [](double v) { return kvom::formatReal(v); };
  const auto text = [](const std::string& v) { return '"' + v + '"'; };
  out += "  RECORD " + key;
  out += kEol;
  dumpArray(out, "INTEGERS", r.integers, integer);
  dumpArray(out, "INTEGER COMPANIONS", r.integerCompanions, integer);
  dumpArray(out, "REALS", r.reals, real);
  dumpArray(out, "REAL COMPANIONS", r.realCompanions, integer);
  out += "    TEXTS " + std::to_string(r.texts.size());
  out += kEol;
  for (std::size_t i = 0; i < r.texts.size(); ++i) {
    out += "      [" + std::to_string(i + 1) + "] " + text(r.texts[i]);
    out += kEol;
  }
  dumpArray(out, "TEXT COMPANIONS", r.textCompanions, integer);
}

}  // namespace

// Control API ----------------------------------------------------------------------------------------

void reset() { state() = State{}; }

void putRecord(std::string_view object, std::string_view key, Record record) {
  const std::string_view name = clean(object);
  StoredObject* target = findObject(name);
  if (target == nullptr) target = &createObject(name, "ROOT");
  storeRecord(*target, clean(key), std::move(record));
}

std::optional<Record> getRecord(std::string_view object, std::string_view key) {
  StoredObject* target = findObject(clean(object));
  if (target == nullptr) return std::nullopt;
  const Record* record = findRecord(*target, clean(key));
  if (record == nullptr) return std::nullopt;
  return *record;
}

bool objectExists(std::string_view object) { return findObject(clean(object)) != nullptr; }

std::vector<std::string> recordKeys(std::string_view object) {
  std::vector<std::string> keys;
  if (const StoredObject* target = findObject(clean(object)))
    for (const auto& entry : target->records) keys.push_back(entry.first);
  return keys;
}

std::vector<Node> nodes(std::string_view object) {
  const StoredObject* target = findObject(clean(object));
  return target == nullptr ? std::vector<Node>{} : target->nodes;
}

void setReportedCounts(std::string_view object, std::string_view key, std::optional<Counts> counts) {
  auto id = std::make_pair(std::string(clean(object)), std::string(clean(key)));
  if (counts) {
    state().reportedCounts[std::move(id)] = *counts;
  } else {
    state().reportedCounts.erase(id);
  }
}

void setDataFailure(std::string_view object, std::string_view key, std::optional<std::int64_t> status) {
  auto id = std::make_pair(std::string(clean(object)), std::string(clean(key)));
  if (status) {
    state().dataFailures[std::move(id)] = *status;
  } else {
    state().dataFailures.erase(id);
  }
}

const std::vector<DefinitionFile>& loadedDefinitionFiles() { return state().definitions; }

std::string lastError() { return state().lastError; }

const std::vector<std::string>& callLog() { return state().callLog; }

void clearCallLog() { state().callLog.clear(); }

std::string dumpText() {
  const State& s = state();
  std::string out = "REPOSITORY DUMP: " + std::to_string(s.objects.size()) + " OBJECT(S)";
  out += kEol;
  for (const StoredObject& object : s.objects) {
    out += "OBJECT " + object.name;
    out += kEol;
    dumpNodes(out, object.nodes);
    for (const auto& [key, record] : object.records) dumpRecord(out, key, record);
  }
  out += "END OF DUMP";
  out += kEol;
  return out;
}

}  // namespace standins::repository

// The library's operations --------------------------------------------------------------------------

using namespace standins::repository;

extern "C" {

void RPREAD(const char* /*name*/, std::int64_t /*nameLength*/, const char* path, std::int64_t pathLength,
            std::int64_t* status) {
  const std::optional<std::string_view> windowsPath = textArgument(path, pathLength);
  enter("RPREAD", {shown(windowsPath)});
  State& s = state();
  if (!windowsPath || windowsPath->empty()) {
    s.lastError = "RPREAD: no file name";
    return setStatus(status, kNoObject);
  }
  const std::string nativePath = standins::windows::toNativePath(*windowsPath);
  std::ifstream in(nativePath, std::ios::binary);
  if (!in) {
    s.lastError = nativePath + ": cannot be opened";
    return setStatus(status, kNoObject);
  }
  std::variant<DefinitionFile, std::string> parsed = parseDefinitions(in, nativePath);
  if (const std::string* error = std::get_if<std::string>(&parsed)) {
    s.lastError = *error;
    return setStatus(status, kNoObject);
  }
  DefinitionFile file = std::get<DefinitionFile>(std::move(parsed));
  file.windowsPath = *windowsPath;
  file.nativePath = nativePath;
  const auto known = std::find_if(s.definitions.begin(), s.definitions.end(),
                                  [&](const DefinitionFile& d) { return d.nativePath == nativePath; });
  if (known != s.definitions.end()) {
    *known = std::move(file);
  } else {
    s.definitions.push_back(std::move(file));
  }
  setStatus(status, kDone);
}

void RPFIND(const char* object, std::int64_t objectLength, std::int64_t* found, std::int64_t* status) {
  const std::optional<std::string_view> name = nameArgument(object, objectLength);
  enter("RPFIND", {shown(name)});
  if (!name || found == nullptr) {
    if (found != nullptr) *found = 0;
    return setStatus(status, kBadArgument);
  }
  *found = findObject(*name) != nullptr ? 1 : 0;
  setStatus(status, kDone);
}

void RPDELE(const char* object, std::int64_t objectLength, std::int64_t* status) {
  const std::optional<std::string_view> name = nameArgument(object, objectLength);
  enter("RPDELE", {shown(name)});
  if (!name) return setStatus(status, kBadArgument);
  auto& objects = state().objects;
  const auto it = std::find_if(objects.begin(), objects.end(), [&](const StoredObject& o) { return o.name == *name; });
  if (it == objects.end()) return setStatus(status, kNoObject);
  objects.erase(it);
  setStatus(status, kDone);
}

void RPNEW(const char* object, std::int64_t objectLength, const char* rootType, std::int64_t rootTypeLength,
           std::int64_t* rootHandle, std::int64_t* status) {
  const std::optional<std::string_view> name = nameArgument(object, objectLength);
  const std::optional<std::string_view> type = nameArgument(rootType, rootTypeLength);
  enter("RPNEW", {shown(name), shown(type)});
  if (rootHandle != nullptr) *rootHandle = 0;
  if (!name || !type || rootHandle == nullptr) return setStatus(status, kBadArgument);
  if (findObject(*name) != nullptr) return setStatus(status, kExists);
  *rootHandle = createObject(*name, *type).nodes.front().handle;
  setStatus(status, kDone);
}

void RPALLO(const char* object, std::int64_t objectLength, const char* nodeType, std::int64_t nodeTypeLength,
            const std::int64_t* parentHandle, std::int64_t* childHandle, std::int64_t* status) {
  const std::optional<std::string_view> name = nameArgument(object, objectLength);
  const std::optional<std::string_view> type = nameArgument(nodeType, nodeTypeLength);
  const std::string parent = parentHandle != nullptr ? std::to_string(*parentHandle) : std::string();
  enter("RPALLO", {shown(name), shown(type), parent});
  if (childHandle != nullptr) *childHandle = 0;
  if (!name || !type || parentHandle == nullptr || childHandle == nullptr) return setStatus(status, kBadArgument);
  StoredObject* target = findObject(*name);
  if (target == nullptr) return setStatus(status, kNoObject);
  const bool parentExists =
      std::any_of(target->nodes.begin(), target->nodes.end(), [&](const Node& n) { return n.handle == *parentHandle; });
  if (!parentExists) return setStatus(status, kNoNode);
  *childHandle = state().nextHandle++;
  target->nodes.push_back({*childHandle, *parentHandle, std::string(*type)});
  setStatus(status, kDone);
}

void RPGETS(const char* object, std::int64_t objectLength, const char* key, std::int64_t keyLength,
            std::int64_t* integerCount, std::int64_t* integerCompanionCount, std::int64_t* realCount,
            std::int64_t* realCompanionCount, std::int64_t* textCount, std::int64_t* textCompanionCount,
            std::int64_t* status) {
  const std::optional<std::string_view> name = nameArgument(object, objectLength);
  const std::optional<std::string_view> recordKey = nameArgument(key, keyLength);
  enter("RPGETS", {shown(name), shown(recordKey)});
  const std::array<std::int64_t*, 6> counts{integerCount, integerCompanionCount, realCount, realCompanionCount,
                                            textCount,    textCompanionCount};
  zeroCounts(counts);
  if (!name || !recordKey || std::find(counts.begin(), counts.end(), nullptr) != counts.end())
    return setStatus(status, kBadArgument);

  const auto reported = state().reportedCounts.find({std::string(*name), std::string(*recordKey)});
  if (reported != state().reportedCounts.end()) {
    const Counts& c = reported->second;
    *integerCount = c.integers;
    *integerCompanionCount = c.integerCompanions;
    *realCount = c.reals;
    *realCompanionCount = c.realCompanions;
    *textCount = c.texts;
    *textCompanionCount = c.textCompanions;
    return setStatus(status, kDone);
  }
  StoredObject* target = findObject(*name);
  if (target == nullptr) return setStatus(status, kNoObject);
  const Record* record = findRecord(*target, *recordKey);
  if (record == nullptr) return setStatus(status, kNoRecord);
  if (isEmpty(*record)) return setStatus(status, kNoData);
  *integerCount = static_cast<std::int64_t>(record->integers.size());
  *integerCompanionCount = static_cast<std::int64_t>(record->integerCompanions.size());
  *realCount = static_cast<std::int64_t>(record->reals.size());
  *realCompanionCount = static_cast<std::int64_t>(record->realCompanions.size());
  *textCount = static_cast<std::int64_t>(record->texts.size());
  *textCompanionCount = static_cast<std::int64_t>(record->textCompanions.size());
  setStatus(status, kDone);
}

void RPGETD(const char* object, std::int64_t objectLength, const char* key, std::int64_t keyLength,
            std::int64_t* integerCount, std::int64_t* integers, std::int64_t* integerCompanionCount,
            std::int64_t* integerCompanions, std::int64_t* realCount, double* reals, std::int64_t* realCompanionCount,
            std::int64_t* realCompanions, std::int64_t* textCount, char* texts, std::int64_t textLength,
            std::int64_t* textCompanionCount, std::int64_t* textCompanions, std::int64_t* status) {
  const std::optional<std::string_view> name = nameArgument(object, objectLength);
  const std::optional<std::string_view> recordKey = nameArgument(key, keyLength);
  enter("RPGETD", {shown(name), shown(recordKey)});
  const bool arraysValid = validArrays({{{integerCount, integers},
                                         {integerCompanionCount, integerCompanions},
                                         {realCount, reals},
                                         {realCompanionCount, realCompanions},
                                         {textCount, texts},
                                         {textCompanionCount, textCompanions}}},
                                       textLength);
  if (!name || !recordKey || !arraysValid) return setStatus(status, kBadArgument);

  const std::array<std::int64_t*, 6> counts{integerCount, integerCompanionCount, realCount, realCompanionCount,
                                            textCount,    textCompanionCount};
  const auto failure = state().dataFailures.find({std::string(*name), std::string(*recordKey)});
  if (failure != state().dataFailures.end()) {
    zeroCounts(counts);
    return setStatus(status, failure->second);
  }
  StoredObject* target = findObject(*name);
  const Record* record = target != nullptr ? findRecord(*target, *recordKey) : nullptr;
  if (record == nullptr || isEmpty(*record)) {
    zeroCounts(counts);
    return setStatus(status, target == nullptr ? kNoObject : record == nullptr ? kNoRecord : kNoData);
  }
  bool cut = copyOut(record->integers, integerCount, integers);
  cut |= copyOut(record->integerCompanions, integerCompanionCount, integerCompanions);
  cut |= copyOut(record->reals, realCount, reals);
  cut |= copyOut(record->realCompanions, realCompanionCount, realCompanions);
  cut |= copyTextsOut(record->texts, textCount, texts, textLength);
  cut |= copyOut(record->textCompanions, textCompanionCount, textCompanions);
  setStatus(status, cut ? kTruncated : kDone);
}

void RPPUTD(const char* object, std::int64_t objectLength, const char* key, std::int64_t keyLength,
            const std::int64_t* integerCount, const std::int64_t* integers, const std::int64_t* integerCompanionCount,
            const std::int64_t* integerCompanions, const std::int64_t* realCount, const double* reals,
            const std::int64_t* realCompanionCount, const std::int64_t* realCompanions, const std::int64_t* textCount,
            const char* texts, std::int64_t textLength, const std::int64_t* textCompanionCount,
            const std::int64_t* textCompanions, std::int64_t* status) {
  const std::optional<std::string_view> name = nameArgument(object, objectLength);
  const std::optional<std::string_view> recordKey = nameArgument(key, keyLength);
  enter("RPPUTD", {shown(name), shown(recordKey)});
  const bool arraysValid = validArrays({{{integerCount, integers},
                                         {integerCompanionCount, integerCompanions},
                                         {realCount, reals},
                                         {realCompanionCount, realCompanions},
                                         {textCount, texts},
                                         {textCompanionCount, textCompanions}}},
                                       textLength);
  if (!name || !recordKey || !arraysValid) return setStatus(status, kBadArgument);
  StoredObject* target = findObject(*name);
  if (target == nullptr) return setStatus(status, kNoObject);

  Record record;
  record.integers = copyIn(integerCount, integers);
  record.integerCompanions = copyIn(integerCompanionCount, integerCompanions);
  record.reals = copyIn(realCount, reals);
  record.realCompanions = copyIn(realCompanionCount, realCompanions);
  record.textCompanions = copyIn(textCompanionCount, textCompanions);
  const std::size_t width = static_cast<std::size_t>(textLength);
  for (std::size_t i = 0; i < static_cast<std::size_t>(*textCount); ++i)
    record.texts.emplace_back(width == 0 ? std::string_view() : std::string_view(texts + i * width, width));
  storeRecord(*target, *recordKey, std::move(record));
  setStatus(status, kDone);
}

void RPDUMP(const char* fileName, std::int64_t fileNameLength, const std::int64_t* /*option1*/,
            const std::int64_t* /*option2*/, const std::int64_t* /*option3*/, std::int64_t* status) {
  const std::optional<std::string_view> windowsPath = nameArgument(fileName, fileNameLength);
  enter("RPDUMP", {shown(windowsPath)});
  if (!windowsPath) return setStatus(status, kBadArgument);
  const std::string nativePath = standins::windows::toNativePath(*windowsPath);
  const std::string text = dumpText();
  std::ofstream out(nativePath, std::ios::binary | std::ios::trunc);
  if (out) out.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (out) out.close();
  if (!out) {
    state().lastError = nativePath + ": cannot be written";
    return setStatus(status, kCannotWrite);
  }
  setStatus(status, kDone);
}

}  // extern "C"
