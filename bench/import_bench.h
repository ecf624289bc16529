#pragma once

#include <string>

namespace bench {

// Registers ImportGpx/<file name> for a generated GPX file.
void RegisterImportBenchmark(const std::string& path);

}  // namespace bench
