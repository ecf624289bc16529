#include "josm/josm_request.h"

#include <gtest/gtest.h>

#include <climits>

#include "support/decimal_comma_locale.h"

using meridel::BuildJosmRequest;
using meridel::IntPower;
using meridel::JosmCommand;

namespace {

struct RequestCase {
  const char* name;
  JosmCommand command;
  int32_t zoom;
  double latitude;
  double longitude;
  const char* text;
};

const RequestCase kRequestCases[] = {
    {"zoom 0", JosmCommand::ZoomView, 0, 35.68, 139.76,
     "zoom?left=139.75900000&right=139.76100000&top=35.68100000&bottom=35.67900000"},
    {"zoom 3", JosmCommand::ZoomView, 3, -33.8688, 151.2093,
     "zoom?left=151.20872130&right=151.20987870&top=-33.86822130&bottom=-33.86937870"},
    {"add node", JosmCommand::AddNode, 0, 51.5, -0.125, "add_node?lon=-0.12500000&lat=51.50000000"},
    {"add node ignores zoom", JosmCommand::AddNode, 10, 51.5, -0.125, "add_node?lon=-0.12500000&lat=51.50000000"},
    {"box not clamped at the pole", JosmCommand::ZoomView, 0, 90.0, 180.0,
     "zoom?left=179.99900000&right=180.00100000&top=90.00100000&bottom=89.99900000"},
    {"other command", static_cast<JosmCommand>(2), 0, 1.0, 2.0, ""},
    {"negative command", static_cast<JosmCommand>(-1), 0, 1.0, 2.0, ""},
};

}  // namespace

TEST(JosmRequest, Texts) {
  for (const RequestCase& c : kRequestCases) {
    EXPECT_EQ(BuildJosmRequest(c.command, c.zoom, c.latitude, c.longitude), c.text) << c.name;
  }
}

TEST(JosmRequest, SameTextsUnderADecimalCommaLocale) {
  test_support::ScopedDecimalComma comma;
  for (const RequestCase& c : kRequestCases) {
    EXPECT_EQ(BuildJosmRequest(c.command, c.zoom, c.latitude, c.longitude), c.text) << c.name;
  }
}

TEST(JosmRequest, HalfExtentShrinksAsZoomGrows) {
  struct Case {
    int32_t zoom;
    double h;
    const char* text;  // at latitude 0, longitude 0
  };
  const Case cases[] = {
      {-10, 0.0061917364224, "zoom?left=-0.00619174&right=0.00619174&top=0.00619174&bottom=-0.00619174"},
      {-5, 0.00248832, "zoom?left=-0.00248832&right=0.00248832&top=0.00248832&bottom=-0.00248832"},
      {0, 0.001, "zoom?left=-0.00100000&right=0.00100000&top=0.00100000&bottom=-0.00100000"},
      {3, 0.000578703703703, "zoom?left=-0.00057870&right=0.00057870&top=0.00057870&bottom=-0.00057870"},
      {5, 0.000401877572016, "zoom?left=-0.00040188&right=0.00040188&top=0.00040188&bottom=-0.00040188"},
      {10, 0.00016150558289, "zoom?left=-0.00016151&right=0.00016151&top=0.00016151&bottom=-0.00016151"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.zoom);
    EXPECT_NEAR(IntPower(1.2, -c.zoom) * 0.001, c.h, c.h * 1e-11);
    EXPECT_EQ(BuildJosmRequest(JosmCommand::ZoomView, c.zoom, 0.0, 0.0), c.text);
  }
}

TEST(IntPower, ProductsFromTheLowestBitUp) {
  const double x = 1.2;
  const double x2 = x * x;
  const double x4 = x2 * x2;
  const double x8 = x4 * x4;
  struct Case {
    int32_t n;
    double expected;
  };
  const Case cases[] = {
      {0, 1.0},
      {1, x},
      {-1, 1.0 / x},
      {3, x * x2},
      {-3, 1.0 / (1.2 * (1.2 * 1.2))},
      {5, x * x4},
      {-5, 1.0 / (x * x4)},
      {7, (x * x2) * x4},
      {10, x2 * x8},
      {-10, 1.0 / (x2 * x8)},
  };
  for (const Case& c : cases) {
    // Bit for bit: the order of the products is part of the result.
    EXPECT_EQ(IntPower(x, c.n), c.expected) << c.n;
  }
}

TEST(IntPower, ExtremeExponentsEnd) {
  EXPECT_EQ(IntPower(1.0, INT32_MIN), 1.0);
  EXPECT_EQ(IntPower(2.0, INT32_MIN), 0.0);
  EXPECT_EQ(IntPower(-1.0, INT32_MAX), -1.0);
  EXPECT_EQ(IntPower(0.5, INT32_MAX), 0.0);
}
