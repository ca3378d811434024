#pragma once
// The step bodies the exports call. Each receives the export's arguments in the export's order,
// with every text followed at once by its length.

#include <cstdint>

namespace kvom::run {

// Input step: loads the repository definitions, probes the case file and has the engine open it.
void PREPARE_INPUT(const std::int64_t& identifierCount, const char* identifiers, std::int64_t identifierLength,
                   const std::int64_t& size3, const std::int64_t* argument4, const std::int64_t& size5,
                   const void* argument6, const void* argument7, char* casePath, std::int64_t casePathLength,
                   const char* blockKey, std::int64_t blockKeyLength, std::int64_t& status);

// Execute step: sends all input, runs the engine, stores the results and returns its messages.
void PREPARE_EXECUTE(const std::int64_t& identifierCount, const char* identifiers, std::int64_t identifierLength,
                     const std::int64_t& size3, std::int64_t* executeOptions, const std::int64_t& size5,
                     const void* argument6, const void* argument7, char* casePath, std::int64_t casePathLength,
                     const char* blockKey, std::int64_t blockKeyLength, std::int64_t& messageCount,
                     std::int64_t* messageNumbers);

// Output step: saves the updated case or restores it from its backup.
void PREPARE_OUTPUT(const std::int64_t& identifierCount, const char* identifiers, std::int64_t identifierLength,
                    const std::int64_t& size3, std::int64_t* outputOptions, const std::int64_t& size5,
                    const double* argument6, const void* argument7, char* casePath, std::int64_t casePathLength,
                    const char* blockKey, std::int64_t blockKeyLength, std::int64_t& status);

// Heating-curve request: pressure levels and options for the heating curves of one side.
void SET_HCURVE_PRESSURES(const std::int64_t& side, const std::int64_t& size2, const char* identifiers,
                          std::int64_t identifierLength, const std::int64_t& size4, std::int64_t* options,
                          const std::int64_t& size6, double* levels, const std::int64_t& size8, const char* text9,
                          std::int64_t text9Length, std::int64_t& status);

// Multi-case texts to and from the engine of the block key.
void PASS_MULTICASE_INFO(char* first, std::int64_t firstLength, char* second, std::int64_t secondLength,
                         const char* blockKey, std::int64_t blockKeyLength, const char* programName,
                         std::int64_t programNameLength);

// Shut-down: every engine terminates and is released.
void CLOSE_ALL_ENGINES();

}  // namespace kvom::run
