// Runs a scenario against the real module, driving it exactly as the host
// editor does: its own HostFilter built from the registration record, its
// own services, a settings window, and frames drawn with GDI.
#pragma once

#include <string>

#include "scenario.h"

namespace standin {

struct SessionOptions {
  std::string modulePath;
  std::string outputDirectory;  // each scenario writes into a folder of its name here
  std::string josmDirectory;    // the JOSM stand-in's folder; empty when none runs
};

// Loads the module afresh, runs every step, unloads it. Prints each step as
// it completes; returns the number of failed steps.
int RunScenario(const Scenario& scenario, const SessionOptions& options);

}  // namespace standin
