// The host program: loads the adapter as a simulator does and drives one unit through a scenario.
//
//   kvom_host               runs the default scenario
//   kvom_host FILE.scn      runs the scenario file

#include <iostream>
#include <string>

#include "host/adapter.h"
#include "host/host_run.h"
#include "host/scenario.h"

int main(int argc, char** argv) {
  if (argc > 2) {
    std::cerr << "usage: " << argv[0] << " [scenario file]\n";
    return host::kExitBadScenario;
  }
  const std::string path = argc == 2 ? argv[1] : KVOM_EXAMPLES_DIR "/scenarios/default.scn";

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
