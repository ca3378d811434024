#pragma once
// Small routines of the outer layer: starting a program of the installation, a time stamp, running
// a command line, and two registry look-ups.

#include <cstdint>
#include <span>

namespace kvom::exports {

// Registry keys of the host product and of the older product line.
inline constexpr const char* kMakerKey = "KVOM";
inline constexpr const char* kHostProductKey = "Pellant";
inline constexpr const char* kLegacyProductKey = "KVOM Legacy";

// Starts the program directory's file name as a new process with the mode passed through: the path
// is the program and argument zero, then the four texts follow as arguments, the list ending before
// the first one that is null, empty or begins with a blank. Returns the start's result; -1 when the
// path does not fit 255 characters.
std::intptr_t StartProgramFile(int mode, const char* name, const char* first, const char* second, const char* third,
                               const char* fourth);

// Writes the low 24 bits of the current calendar time in seconds as six upper-case hexadecimal
// digits and a NUL (cut to the buffer, which needs 7 bytes for all of it).
void FormatTimeStamp(std::span<char> buffer);

// Runs the command line with show mode 1; returns the platform's result (above 31 on success).
std::uint32_t RunCommandLine(const char* command);

// flag := 0 when the host product's key (HKLM\SOFTWARE\<maker>\<host product>) opens, else 1.
void HostProductKeyExists(std::int32_t& flag);

// Reads the named value of HKCU\SOFTWARE\VA and VBA Program Settings\<older product line>\<subKey>
// into data as a NUL-terminated text. Returns 1 when the value fits data with its terminator,
// 0 when a key is missing, the value is missing or it does not fit.
std::int32_t ReadLegacySetting(const char* subKey, const char* valueName, std::span<char> data);

}  // namespace kvom::exports
