// Switches the process to a decimal comma for a scope, as a host with German
// regional settings might: the global C++ locale always (a numpunct facet of
// our own), the C locale too when a German locale is installed.
#pragma once

#include <locale>
#include <string>

namespace test_support {

class ScopedDecimalComma {
 public:
  ScopedDecimalComma();
  ~ScopedDecimalComma();
  ScopedDecimalComma(const ScopedDecimalComma&) = delete;
  ScopedDecimalComma& operator=(const ScopedDecimalComma&) = delete;

  bool cLocaleSwitched() const { return cLocaleSwitched_; }

 private:
  std::locale previousGlobal_;
  std::string previousNumeric_;
  bool cLocaleSwitched_ = false;
};

}  // namespace test_support
