#pragma once
// The run's report: after the cycle the host fills the report forms with the run's results and
// messages through the adapter's report routines, which append them to the case's report file.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "host/adapter.h"
#include "host/scenario.h"

namespace host {

// What the run gave that the report shows.
struct RunFacts {
  std::string caseName;                      // the case file's name without its extension
  std::string runTime;                       // date and time of the run
  std::vector<std::int64_t> messageNumbers;  // the engine's messages, in order
  std::filesystem::path caseDirectory;       // where the case file lies: the report's plots go there
};

// Writes the run's own report (unless the scenario leaves it out) and then the scenario's steps.
// The values of one form are sent in form order, each ended by 0x03, the whole ended by 0x19.
void writeRunReport(Adapter& adapter, const Scenario& scenario, const RunFacts& facts);

// The value text of a form.
std::string formValues(const std::vector<std::string>& values);

}  // namespace host
