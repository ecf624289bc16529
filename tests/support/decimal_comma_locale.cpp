#include "support/decimal_comma_locale.h"

#include <clocale>

namespace test_support {
namespace {

struct CommaPunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

}  // namespace

ScopedDecimalComma::ScopedDecimalComma()
    : previousGlobal_(std::locale::global(std::locale(std::locale::classic(), new CommaPunct))),
      previousNumeric_(std::setlocale(LC_NUMERIC, nullptr)) {
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "German_Germany.1252", "German"}) {
    if (std::setlocale(LC_NUMERIC, name)) {
      cLocaleSwitched_ = true;
      break;
    }
  }
}

ScopedDecimalComma::~ScopedDecimalComma() {
  std::setlocale(LC_NUMERIC, previousNumeric_.c_str());
  std::locale::global(previousGlobal_);
}

}  // namespace test_support
