#pragma once
// Control of the host-library stand-in, for the host program and the tests.
//
// Defaults after reset(): program directory "C:\KVOM\", file prefix "R01", user databank directory
// and host directory empty, every raised error handled. Classification: a raised error keeps its
// own code; std::bad_alloc is classified as 1400, any other C++ exception as 1101.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace standins::host {

void reset();

void setProgramDir(std::string_view windowsDir);
void setFilePrefix(std::string_view prefix);
void setUserDataDir(std::string_view windowsDir);
// Makes PellantGetUserDataDir return this length whatever it wrote (nullopt: the true length).
void setUserDataDirResult(std::optional<std::int32_t> length);
void setHostDir(std::string_view windowsDir);
// The decision PellantClassifyException returns (nullopt: handle).
void setDecision(std::optional<std::int32_t> decision);

// Every call of the host library in order. An entry is the operation's name, followed by its
// arguments separated by single blanks where it has any, for example "PellantSetInputFlags 1 0",
// "PellantGetUserDataDir 256", "PellantSetCaseFile C:\RUN\A.QDX 12", "PellantRaiseError 1400",
// "PellantClassifyException E0484C45 1400" (the exception code in hex and the error code of the
// exception information). Module handles and caller buffers are not written: "PellantRegisterModule",
// "PellantGetProgramDir", "PellantGetFilePrefix". PellantSetCaseFile shows the recorded path and the
// trimmed length it was given. PellantSendPath returns the length of the path it received.
const std::vector<std::string>& callLog();
void clearCallLog();
void* lastRegisteredModule();
std::string lastCaseFile();  // the trimmed path of the last PellantSetCaseFile
std::string lastSentPath();  // the path of the last PellantSendPath

// Fault injection across the stand-ins: the next call of the named operation (of any stand-in,
// for example "OpenCase", "RPREAD", "CopyFileA", "PellantSetCaseFile") raises the error code
// through PellantRaiseError, after `skip` calls of it have passed normally.
void raiseAt(std::string_view operation, std::int64_t errorCode, int skip = 0);
// Every stand-in operation calls this first.
void raiseIfArmed(std::string_view operation);

}  // namespace standins::host
