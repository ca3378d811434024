#pragma once
// Control of the Windows-services stand-in, for the host program and the tests.
//
// Paths: a Windows path text becomes a path of this machine by turning backslashes into slashes
// and mapping a leading drive "X:" to a root directory (default "/" for every drive). Each name
// loses its trailing blanks, as on Windows; names stay case-sensitive. The temp path is this machine's temp directory ($TMPDIR, else /tmp) written as
// a Windows path ending in a backslash ("\tmp\").

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace standins::windows {

void reset();

std::string toNativePath(std::string_view windowsPath);
// The inverse for paths without a mapped drive: "/tmp/x" gives "\tmp\x".
std::string toWindowsPath(std::string_view nativePath);
void mapDrive(char letter, std::string nativeRoot);

// Overrides the temp path (a Windows path ending in a backslash); nullopt restores the default.
void setTempPath(std::optional<std::string> windowsPath);
void failTempPath(bool fail);

// Fault injection: after `skip` calls of the named operation ("CopyFileA", "MoveFileExA",
// "DeleteFileA", "SetEndOfFile", "openFile", "WritePrivateProfileStringA", "WriteProfileStringA", "GlobalAlloc",
// "GlobalReAlloc", "OemToCharBuffA", "currentTime", "processClock") have passed, the next `times` calls (< 0: every
// later one) fail the way Windows reports it (FALSE, a null stream) without touching any file.
void failOperation(std::string_view operation, int skip = 0, int times = -1);
// A full disk: every file that CopyFileA, a stream of openFile or the engine stand-in's case save
// writes takes at most this many bytes; the write then fails and the bytes written stay in the
// file. nullopt: no limit.
void failWritesAfter(std::optional<std::uint64_t> bytes);
std::optional<std::uint64_t> writeLimit();

// Every call of the file, registry, process, profile, memory, code-page and clock services in
// order: the operation's name followed by its arguments separated by single blanks, for example
// "CopyFileA C:\A.QDX C:\A.BAK 0", "GetPrivateProfileStringA Setting Language REVURUDE.INI",
// "WritePrivateProfileStringA Setting Language FRENCH REVURUDE.INI" (a null text shows as
// nothing), "GlobalAlloc 0x42 100", "OemToCharBuffA 80", "processClock".
// Numbers are decimal, access masks and flags hex ("CreateFileA <file> 0x40000000 0 1 0x4000000",
// "RegOpenKeyExA HKLM SOFTWARE 0x2001F"); handles appear as the key path they stand for
// ("RegCloseKey HKLM\SOFTWARE") or not at all ("FindNextFileA", "FindClose", "CloseHandle").
// File searches match the name part of the pattern with * and ? only, case-sensitively, and give
// their matches in name order.
const std::vector<std::string>& callLog();
void clearCallLog();

// Registry content: keys are written "HKLM\SOFTWARE\..." or "HKCU\SOFTWARE\...".
void addRegistryKey(std::string_view keyPath);
void setRegistryValue(std::string_view keyPath, std::string_view valueName, std::string_view value);

// Programs that were asked to start (never run): "spawnv <mode> <path> <arg0> <arg1> ..." and
// "WinExec <show> <command line>".
const std::vector<std::string>& startedPrograms();

// While caught, a request to end the process (platform::crt::exitProcess) is recorded with its exit
// code and returns; otherwise the process ends. reset() stops catching and forgets the requests.
void catchExits(bool caught);
const std::vector<int>& exitRequests();

// The Windows directory (a Windows path ending in a backslash) where profile files named without a
// directory live, "win.ini" among them. Default: "kvom_windows\" below this machine's temp
// directory ($TMPDIR, else /tmp), created when a profile file is first written there. nullopt
// restores the default.
void setWindowsDirectory(std::optional<std::string> windowsPath);
std::string windowsDirectory();

// Movable memory: blocks allocated and not yet freed, and frees of handles that were no live block
// (double frees included). Blocks outlive reset(); the count of invalid frees starts again at 0.
std::size_t liveMemoryBlocks();
std::int64_t invalidMemoryFrees();
// The lock count of a live block (0 for any other handle).
std::uint32_t memoryLockCount(void* handle);

// The process clock: milliseconds since load plus every advance; it never goes back.
void advanceClock(std::uint32_t milliseconds);
// Fixes the calendar time that currentTime gives (seconds since 1970); nullopt: the real time.
void setCurrentTime(std::optional<std::int64_t> secondsSince1970);

}  // namespace standins::windows
