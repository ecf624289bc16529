// Ctrl-C, SIGTERM and SIGHUP while clips are encoded: the first asks the
// run to stop cleanly (the run polls StopSignal()); a second one removes the
// partial outputs at once and exits.
#pragma once

#include <string>

namespace meridel::cli {

void InstallStopHandlers();

// The signal that asked the run to stop, or 0.
int StopSignal();

// The partial outputs a second signal removes. A slot per clip at once;
// Forget before the file is renamed or removed.
void KeepPartial(int slot, const std::string& path);
void ForgetPartial(int slot);

}  // namespace meridel::cli
