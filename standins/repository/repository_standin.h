#pragma once
// Control of the repository-library stand-in, for the host program and the tests.
//
// The stand-in keeps its objects in memory. Object names, node types and record keys are compared
// without trailing blanks and trailing NULs. Node handles are 1, 2, 3, ... in creation order across
// the whole repository since reset(), so a handle of a deleted object never names a node of a new
// one. Texts are kept as strings; a read writes each element blank padded or cut to the caller's
// element length, a write stores each element without its trailing blanks and NULs.
//
// Statuses beyond those of platform/repository.h: RPFIND reports 0 whether or not the object
// exists (the found flag answers); RPGETS and RPGETD report 3 for a record whose six arrays are all
// empty. A failed RPNEW or RPALLO sets its handle to 0, which is never a node's handle; a failed
// RPGETS, or an RPGETD that finds no object, record or data, sets every count to 0.
//
// Definition files (RPREAD) are recorded and can be queried, but later calls are not checked
// against them: any node type and any record key is accepted.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace standins::repository {

// Clears every object, the loaded definitions, the reported-count overrides, the data failures,
// the last error and the call log.
void reset();

// A record's six arrays.
struct Record {
  std::vector<std::int64_t> integers;
  std::vector<std::int64_t> integerCompanions;
  std::vector<double> reals;
  std::vector<std::int64_t> realCompanions;
  std::vector<std::string> texts;
  std::vector<std::int64_t> textCompanions;

  bool operator==(const Record&) const = default;
};

// Creates or replaces the record (texts stored as RPPUTD stores them); a missing object is created
// with a root node of type "ROOT".
void putRecord(std::string_view object, std::string_view key, Record record);
std::optional<Record> getRecord(std::string_view object, std::string_view key);
bool objectExists(std::string_view object);
// The record keys of the object in the order they were first written (empty when no object).
std::vector<std::string> recordKeys(std::string_view object);

struct Node {
  std::int64_t handle;
  std::int64_t parent;  // 0 for the root
  std::string type;     // trimmed

  bool operator==(const Node&) const = default;
};
// The nodes of the object in creation order (empty when there is no such object).
std::vector<Node> nodes(std::string_view object);

// The six array sizes in array order: integers, their companions, reals, their companions, texts,
// their companions. In a record definition -1 stands for a size that varies ("*" in the file).
struct Counts {
  std::int64_t integers = 0;
  std::int64_t integerCompanions = 0;
  std::int64_t reals = 0;
  std::int64_t realCompanions = 0;
  std::int64_t texts = 0;
  std::int64_t textCompanions = 0;

  bool operator==(const Counts&) const = default;
};
// Makes RPGETS report these counts for the record (which need not exist) instead of its true
// sizes, with status 0, to simulate a record too large to read; RPGETD is not affected. The setting
// outlives deletion of the object and lasts until reset() or nullopt removes it.
void setReportedCounts(std::string_view object, std::string_view key, std::optional<Counts> counts);

// Makes RPGETD of the record (which need not exist) fail with this status, writing nothing and
// setting every count to 0, as a library whose read fails after RPGETS has sized the record;
// RPGETS is not affected. The setting lasts until reset() or nullopt removes it.
void setDataFailure(std::string_view object, std::string_view key, std::optional<std::int64_t> status);

// What a definition file declares (the format is described in README.md). A node type appears once
// per parent type under which it may stand.
struct NodeTypeDefinition {
  std::string name;
  std::string parent;  // empty for a root type
  bool operator==(const NodeTypeDefinition&) const = default;
};
struct RecordDefinition {
  std::string key;
  Counts sizes;
  std::string description;
  bool operator==(const RecordDefinition&) const = default;
};
struct DefinitionFile {
  std::string windowsPath;  // as passed to RPREAD, trimmed
  std::string nativePath;   // the file that was read
  std::vector<NodeTypeDefinition> nodeTypes;
  std::vector<RecordDefinition> records;
};
// The files loaded successfully since reset(), each once, in the order of their first load; loading a
// file again replaces its entry. A failed load leaves the list as it was.
const std::vector<DefinitionFile>& loadedDefinitionFiles();

// The last failure of RPREAD or RPDUMP, for example "/x/B_PRVT.RPD:12: unknown statement 'FOO'";
// empty when none happened since reset().
std::string lastError();

// Every operation in order: its name followed by its arguments separated by single blanks, for
// example "RPREAD C:\KVOM\XEQ\B_PRVT.RPD", "RPFIND KVOMDATA", "RPNEW KVOMDATA STHE_TREE",
// "RPALLO KVOMDATA TUBE_SIDE 1", "RPGETS KVOMDATA UNIT_INPUT", "RPGETD KVOMDATA UNIT_INPUT",
// "RPPUTD KVOMDATA KVOM_RESULTS", "RPDELE KVOMDATA", "RPDUMP C:\RUN\DUMP.TXT".
const std::vector<std::string>& callLog();
void clearCallLog();

// What RPDUMP would write (lines end in CR LF).
std::string dumpText();

}  // namespace standins::repository
