#pragma once
// The adapter's exported entry points, with the host's calling convention: every argument by
// reference (a pointer), then the lengths of the text arguments by value, in the order of the texts.

#include <cstdint>

#include "common/export.h"

extern "C" {

// Input step: loads the repository definitions and has the engine open the case.
KVOM_EXPORT void KLOM_WEXA_INPUT(const std::int64_t* identifierCount, const char* identifiers,
                                 const std::int64_t* size3, const std::int64_t* argument4, const std::int64_t* size5,
                                 const void* argument6, const void* argument7, char* casePath, const char* blockKey,
                                 std::int64_t* status, std::int64_t identifierLength, std::int64_t casePathLength,
                                 std::int64_t blockKeyLength);

// Execute step: sends all input, runs the engine, stores the results; reports no status, only the
// engine's messages.
KVOM_EXPORT void KLOM_WEXA_EXECUTE(const std::int64_t* identifierCount, const char* identifiers,
                                   const std::int64_t* size3, std::int64_t* executeOptions, const std::int64_t* size5,
                                   const void* argument6, const void* argument7, char* casePath, const char* blockKey,
                                   std::int64_t* messageCount, std::int64_t* messageNumbers,
                                   std::int64_t identifierLength, std::int64_t casePathLength,
                                   std::int64_t blockKeyLength);

// Output step: saves the updated case or restores it from its backup.
KVOM_EXPORT void KLOM_WEXA_OUTPUT(const std::int64_t* identifierCount, const char* identifiers,
                                  const std::int64_t* size3, std::int64_t* outputOptions, const std::int64_t* size5,
                                  const double* argument6, const void* argument7, char* casePath, const char* blockKey,
                                  std::int64_t* status, std::int64_t identifierLength, std::int64_t casePathLength,
                                  std::int64_t blockKeyLength);

// Heating-curve request: pressure levels and options for one side's heating curves.
KVOM_EXPORT void KLOM_WEXA_HCURVE(const std::int64_t* side, const std::int64_t* size2, const char* identifiers,
                                  const std::int64_t* size4, std::int64_t* options, const std::int64_t* size6,
                                  double* levels, const std::int64_t* size8, const char* text9, std::int64_t* status,
                                  std::int64_t identifierLength, std::int64_t text9Length);

// Two texts to and from the engine of the block key.
KVOM_EXPORT void KLOM_SETMULTICASEINFO(char* first, char* second, const char* blockKey, std::int64_t* status,
                                       std::int64_t firstLength, std::int64_t secondLength,
                                       std::int64_t blockKeyLength);

// Shut-down: every engine terminates and is released.
KVOM_EXPORT void KLOM_WEXA_EXIT(void);

}  // extern "C"
