// The host library on this machine: settable directories and prefix, a classification of
// exceptions by their code, an ordered call log and fault injection for every stand-in.

#include "standins/host/host_standin.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "platform/host_library.h"

namespace standins::host {
namespace {

constexpr const char* kDefaultProgramDir = "C:\\KVOM\\";
constexpr const char* kDefaultFilePrefix = "R01";
constexpr std::size_t kPrefixCapacity = 15;  // characters before the NUL of the 16-byte buffer
constexpr std::size_t kSentPathCapacity = 80;
constexpr std::int32_t kOutOfMemoryCode = 1400;
constexpr std::int32_t kProgramErrorCode = 1101;

struct ArmedFault {
  std::int64_t errorCode;
  int skip;
};

struct State {
  std::string programDir = kDefaultProgramDir;
  std::string programDirHandedOut;  // what the last PellantGetProgramDir returned
  std::string filePrefix = kDefaultFilePrefix;
  std::string userDataDir;
  std::optional<std::int32_t> userDataDirResult;
  std::string hostDir;
  std::optional<std::int32_t> decision;
  std::vector<std::string> log;
  void* module = nullptr;
  std::string caseFile;
  std::string sentPath;
  std::map<std::string, ArmedFault, std::less<>> faults;
};

State& state() {
  static State instance;
  return instance;
}

void record(std::string entry) { state().log.push_back(std::move(entry)); }

// Writes the first min(length, size) characters of text into buffer, without a terminator.
void writeUnterminated(const std::string& text, char* buffer, std::int64_t size) {
  if (buffer == nullptr || size <= 0) return;
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size));
  std::memcpy(buffer, text.data(), n);
}

std::string hex(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", value);
  return text;
}

}  // namespace

void reset() { state() = State{}; }

void setProgramDir(std::string_view windowsDir) { state().programDir = windowsDir; }
void setFilePrefix(std::string_view prefix) { state().filePrefix = prefix; }
void setUserDataDir(std::string_view windowsDir) { state().userDataDir = windowsDir; }
void setUserDataDirResult(std::optional<std::int32_t> length) { state().userDataDirResult = length; }
void setHostDir(std::string_view windowsDir) { state().hostDir = windowsDir; }
void setDecision(std::optional<std::int32_t> decision) { state().decision = decision; }

const std::vector<std::string>& callLog() { return state().log; }
void clearCallLog() { state().log.clear(); }
void* lastRegisteredModule() { return state().module; }
std::string lastCaseFile() { return state().caseFile; }
std::string lastSentPath() { return state().sentPath; }

void raiseAt(std::string_view operation, std::int64_t errorCode, int skip) {
  state().faults.insert_or_assign(std::string(operation), ArmedFault{errorCode, std::max(skip, 0)});
}

void raiseIfArmed(std::string_view operation) {
  auto& faults = state().faults;
  if (faults.empty()) return;
  const auto found = faults.find(operation);
  if (found == faults.end()) return;
  if (found->second.skip > 0) {
    --found->second.skip;
    return;
  }
  const std::int64_t code = found->second.errorCode;
  faults.erase(found);
  PellantRaiseError(&code);
}

}  // namespace standins::host

using standins::host::raiseIfArmed;
using standins::host::record;
using standins::host::state;

extern "C" {

void PellantRegisterModule(void* module) {
  raiseIfArmed("PellantRegisterModule");
  record("PellantRegisterModule");
  state().module = module;
}

void PellantSetInputFlags(std::int32_t first, std::int32_t second) {
  raiseIfArmed("PellantSetInputFlags");
  record("PellantSetInputFlags " + std::to_string(first) + " " + std::to_string(second));
}

const char* PellantGetProgramDir(void* /*module*/) {
  raiseIfArmed("PellantGetProgramDir");
  record("PellantGetProgramDir");
  state().programDirHandedOut = state().programDir;
  return state().programDirHandedOut.c_str();
}

std::int32_t PellantGetFilePrefix(char* prefix) {
  raiseIfArmed("PellantGetFilePrefix");
  record("PellantGetFilePrefix");
  if (prefix == nullptr) return 0;
  const std::string& text = state().filePrefix;
  const std::size_t n = std::min(text.size(), standins::host::kPrefixCapacity);
  std::memcpy(prefix, text.data(), n);
  prefix[n] = '\0';
  return static_cast<std::int32_t>(n);
}

std::int32_t PellantClassifyException(std::int32_t /*zero*/, std::uint32_t exceptionCode, const void* info,
                                      const char* /*text*/, std::int32_t* errorCode) {
  const auto* exception = static_cast<const platform::ExceptionInfo*>(info);
  const std::int64_t raisedCode = exception != nullptr ? exception->errorCode : 0;
  record("PellantClassifyException " + standins::host::hex(exceptionCode) + " " + std::to_string(raisedCode));

  std::int64_t code = standins::host::kProgramErrorCode;
  if (exceptionCode == platform::kRaisedErrorException && exception != nullptr) {
    code = raisedCode;
  } else if (exceptionCode == platform::kOutOfMemoryException) {
    code = standins::host::kOutOfMemoryCode;
  }
  const std::int32_t decision = state().decision.value_or(platform::kExceptionExecuteHandler);
  if (decision == platform::kExceptionExecuteHandler && errorCode != nullptr) {
    *errorCode = static_cast<std::int32_t>(code);
  }
  return decision;
}

void PellantRaiseError(const std::int64_t* errorCode) {
  const std::int64_t code = errorCode != nullptr ? *errorCode : 0;
  record("PellantRaiseError " + std::to_string(code));
  throw platform::RaisedError(platform::kRaisedErrorException, code);
}

std::int32_t PellantPrepareFileAccess(void) {
  raiseIfArmed("PellantPrepareFileAccess");
  record("PellantPrepareFileAccess");
  return 1;
}

void PellantSetCaseFile(const char* casePath, std::int64_t declaredLength, const std::int64_t* trimmedLength) {
  raiseIfArmed("PellantSetCaseFile");
  const std::int64_t trimmed = trimmedLength != nullptr ? *trimmedLength : declaredLength;
  const std::int64_t n = std::max<std::int64_t>(std::min(trimmed, declaredLength), 0);
  state().caseFile = casePath != nullptr ? std::string(casePath, static_cast<std::size_t>(n)) : std::string();
  record("PellantSetCaseFile " + state().caseFile + " " + std::to_string(trimmed));
}

std::int32_t PellantGetUserDataDir(char* field, std::int32_t size) {
  raiseIfArmed("PellantGetUserDataDir");
  record("PellantGetUserDataDir " + std::to_string(size));
  const std::string& dir = state().userDataDir;
  standins::host::writeUnterminated(dir, field, size);
  return state().userDataDirResult.value_or(static_cast<std::int32_t>(dir.size()));
}

std::int64_t PellantGetHostDir(char* buffer, std::int32_t size) {
  raiseIfArmed("PellantGetHostDir");
  record("PellantGetHostDir " + std::to_string(size));
  const std::string& dir = state().hostDir;
  standins::host::writeUnterminated(dir, buffer, size);
  return static_cast<std::int64_t>(dir.size());
}

std::int64_t PellantSendPath(const char* path) {
  raiseIfArmed("PellantSendPath");
  // The path is read up to its NUL but never beyond the 80 characters a caller may hand over.
  std::size_t n = 0;
  while (path != nullptr && n < standins::host::kSentPathCapacity && path[n] != '\0') ++n;
  state().sentPath.assign(path != nullptr ? path : "", n);
  record("PellantSendPath " + state().sentPath);
  return static_cast<std::int64_t>(n);
}

}  // extern "C"
