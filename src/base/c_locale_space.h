// White space as the "C" locale classifies it, whatever the process locale:
// the texts of GPX files must read the same on every machine.
#pragma once

#include <string_view>

namespace meridel {

constexpr bool IsCLocaleSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The text without such white space at either end.
constexpr std::string_view TrimCLocaleSpace(std::string_view text) {
  while (!text.empty() && IsCLocaleSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsCLocaleSpace(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace meridel
