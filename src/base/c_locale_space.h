// White space as the "C" locale classifies it, whatever the process locale:
// the texts of GPX files must read the same on every machine.
#pragma once

namespace meridel {

constexpr bool IsCLocaleSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace meridel
