// The host program: loads the adapter as a simulator does and drives one unit through a scenario.
//
//   kvom_host               runs the default scenario
//   kvom_host FILE.scn      runs the scenario file
//   kvom_host --help        tells how to use it

#include <iostream>
#include <string>
#include <string_view>

#include "host/adapter.h"
#include "host/host_run.h"
#include "host/scenario.h"

namespace {

constexpr std::string_view kDefaultScenario = KVOM_EXAMPLES_DIR "/scenarios/default.scn";

void printUsage(std::ostream& out, std::string_view program) {
  out << "usage: " << program << " [SCENARIO]\n"
      << "       " << program << " --help\n"
      << "\n"
      << "Loads the adapter as a simulator does and drives one exchanger unit through the scenario\n"
      << "file SCENARIO (a .scn file; without one, " << kDefaultScenario << "):\n"
      << "input, execute, output, heating-curve request, multi-case texts and exit. Every call's\n"
      << "status, messages and result records are printed as tables on standard output.\n"
      << "\n"
      << "The run works in a fresh folder under the temp directory ($TMPDIR, else /tmp), named\n"
      << "kvom_host_XXXXXX in the output. At the end that folder keeps only the run's report and\n"
      << "what was made of it, and the output says where each file is:\n"
      << "  KVH.KVO, KVH.BFD      the report file and its plot container\n"
      << "  KVOM_Output_1.pdf     the report as printed on the stand-in printer\n"
      << "  KVH_sheet1.png        the previewed sheet (the scenario's [print] section picks it)\n"
      << "  KVH.KVX               the report's text copy\n"
      << "Remove the folder when done. The scenario format is described in\n"
      << KVOM_EXAMPLES_DIR "/scenarios/README.md.\n"
      << "\n"
      << "Exit codes: 0 every call was made, 1 the run failed, 2 wrong usage or a bad scenario file,\n"
      << "3 the adapter cannot be loaded.\n";
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view program = argc > 0 ? argv[0] : "kvom_host";
  if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
    printUsage(std::cout, program);
    return host::kExitDone;
  }
  if (argc > 2 || (argc == 2 && std::string_view(argv[1]).starts_with('-'))) {
    std::cerr << "usage: " << program << " [SCENARIO]   (" << program << " --help tells more)\n";
    return host::kExitBadScenario;
  }
  const std::string path = argc == 2 ? argv[1] : std::string(kDefaultScenario);

  host::Scenario scenario;
  try {
    scenario = host::loadScenario(path);
  } catch (const host::ScenarioError& e) {
    std::cerr << e.what() << '\n';
    return host::kExitBadScenario;
  }

  try {
    host::Adapter adapter(KVOM_ADAPTER_PATH);
    return host::runScenario(scenario, adapter, {KVOM_EXAMPLES_DIR "/install"}, std::cout, std::cerr);
  } catch (const host::AdapterLoadError& e) {
    std::cerr << e.what() << '\n';
    return host::kExitNoAdapter;
  }
}
