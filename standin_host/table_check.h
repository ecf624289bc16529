// Prints the registration record that the module's GetFilterTable returns
// and compares it, field by field, with the record the host expects.
#pragma once

#include <string>
#include <vector>

#include "module.h"

namespace standin {

// Call on a freshly loaded module, before start-up. Returns the differences.
std::vector<std::string> CheckFilterTable(const Module& module);

}  // namespace standin
