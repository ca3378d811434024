#pragma once
// Control of the rating-engine stand-in, for the host program and the tests.
//
// The engine's class is registered with the object-library stand-in under
// platform::CLSID_WexaEngine when the library loads; registerEngineClass() registers it again (for
// example after a test unregistered it). Each created engine has a creation number from 1, used by
// every per-engine function below. reset() forgets the engines (live objects keep working and keep
// their numbers, but the control functions no longer reach them) and counts from 1 again.
//
// Operation log: one entry per engine operation, across all engines in call order, written
// "e<N> <Operation>" followed by its arguments, each after a single blank. Texts appear as they
// came (a text with blanks is not quoted; an empty text leaves a trailing blank), names without
// their trailing blanks. Reference counting and QueryInterface are not logged. The forms:
//   e1 SetOperatingMode 3                 e1 InitializeProgram Wexa 1 1
//   e1 OpenCase C:\RUN\A.QDX              e1 SaveCase C:\RUN\A.QDX 1
//   e1 RunProgram Wexa 0                  e1 RefreshCase
//   e1 SetMultiCaseInfo <first> <second>  e1 Terminate
//   e1 GetInputArrays (GetInputScalars, GetOutputArrays, GetOutputScalars)
//   e1 GetItem InputScalars TubeLng       (InputArrays, InputScalars, OutputArrays, OutputScalars)
//   e1 GetValueText TubeLng               e1 SetValueText TubeLng 0.5
//   e1 SetValueState TubeLng 1            e1 ClearValue TubeLng
//   e1 GetElementText Temperature 25      e1 SetElementText Temperature 25 300
//   e1 GetElementString Remarks 1         e1 SetElementState Temperature 25 1
//   e1 GetElementCount Temperature        e1 ResetBothSides Temperature -1 0
//   e1 ResetSide Temperature 1 0          e1 ResetSideReference PressureReference 2 0
// A failing operation (terminated engine, injected failure, bad argument) is logged all the same.
//
// The case-file format, the out values of OpenCase and SaveCase, the multi-case rewrite and the
// calculation of RunProgram are described in standins/engine/README.md.
//
// Per-engine getters give nullopt for an engine number that does not exist, a name the engine does
// not have or an index outside the array; setters then do nothing and return false.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace standins::engine {

// Forgets engines, the log, dropped variables, forced texts, failing operations, the save-path
// rewrite and chosen messages; switches logging on.
void reset();
void registerEngineClass();

const std::vector<std::string>& operationLog();
void clearOperationLog();
// Logging off: operations run without forming log entries (for benchmarks).
void setLogging(bool on);

// Engines created since the last reset.
int enginesCreated();
// Objects of this stand-in (applications, data objects, collections, variables) not yet freed,
// whatever reset() forgot.
long liveObjects();

enum class Collection { InputArrays, InputScalars, OutputArrays, OutputScalars };

// Scalars of engine `engine` (its creation number). Texts of outputs are those the engine answers
// with, forced texts included.
std::optional<std::string> scalarText(int engine, Collection collection, std::string_view name);
std::optional<std::int64_t> scalarState(int engine, Collection collection, std::string_view name);
bool setScalar(int engine, Collection collection, std::string_view name, std::string_view text, std::int64_t state = 1);
// Array elements (index from 1).
std::optional<std::string> elementText(int engine, Collection collection, std::string_view name, int index);
std::optional<std::int64_t> elementState(int engine, Collection collection, std::string_view name, int index);
bool setElement(int engine, Collection collection, std::string_view name, int index, std::string_view text,
                std::int64_t state = 1);
// The element count that GetElementCount reports, and a new one for an array (elements beyond
// the old count start empty; arZorviMsgs holds one element per message).
std::optional<int> elementCount(int engine, Collection collection, std::string_view name);
bool setElementCount(int engine, Collection collection, std::string_view name, int count);
// The element count of a catalogue array as a new engine has it (nullopt: no array of that name).
std::optional<int> catalogueArraySize(Collection collection, std::string_view name);

bool terminated(int engine);
// The Windows path text of the case file last opened or saved (empty when none).
std::string casePath(int engine);
// The two texts of the last SetMultiCaseInfo as the engine handed them back.
std::optional<std::pair<std::string, std::string>> multiCaseInfo(int engine);
// References held on the application object (0 once it is freed, or for an unknown engine).
std::uint32_t applicationReferences(int engine);

// Fault injection.
// The variable is missing from the collection (from every collection when none is given), for
// engines created afterwards and for existing ones: GetItem yields null for it.
void dropVariable(std::string_view name, std::optional<Collection> collection = std::nullopt);
// Every engine answers GetValueText, GetElementText and GetElementString of this output variable
// with the text (any text: empty, non-numeric, longer than a value field). index 0: a scalar; an
// element must lie within the array's count. Forced texts outlast RunProgram, which rewrites every
// output, so they are also the way to fix an output value for a run.
void forceOutputText(std::string_view name, int index, std::string text);
// After `skip` calls have passed normally, calls of the operation (for example "GetItem",
// "SetValueText", "OpenCase") fail: each returns E_FAIL, changes nothing and leaves its out
// arguments null (0 for numbers). times < 0: every later call fails; otherwise that many.
void failOperation(std::string_view operation, int skip = 0, int times = -1);

// SaveCase writes the case to this Windows path and hands it back in place of the caller's;
// nullopt: the caller's path is kept.
void rewriteSavePath(std::optional<std::string> windowsPath);

// The message numbers RunProgram reports in arZorviMsgs, one element each; nullopt: those its
// model finds (2: a stream's flow or inlet temperature was missing, 12: the duty was limited).
void setMessages(std::optional<std::vector<int>> numbers);

}  // namespace standins::engine
