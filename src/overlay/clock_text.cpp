#include "overlay/clock_text.h"

#include "base/c_locale_space.h"

namespace meridel {
namespace {

// "[+|-]A[:BB[:CC]]" with at most `maxFields` fields: the sign and the
// fields, each field after the first exactly two digits below 60.
struct Fields {
  int sign = 1;
  int count = 0;
  int32_t values[3] = {};
};

std::optional<Fields> SplitFields(std::string_view text, int maxFields, int firstDigits) {
  Fields fields;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    fields.sign = text.front() == '-' ? -1 : 1;
    text.remove_prefix(1);
  }
  while (fields.count < maxFields) {
    const int limit = fields.count == 0 ? firstDigits : 2;
    int digits = 0;
    int32_t value = 0;
    while (!text.empty() && text.front() >= '0' && text.front() <= '9' && digits < limit) {
      value = value * 10 + (text.front() - '0');
      text.remove_prefix(1);
      ++digits;
    }
    if (digits == 0 || (fields.count > 0 && (digits != 2 || value >= 60))) return std::nullopt;
    fields.values[fields.count++] = value;
    if (text.empty()) return fields;
    if (text.front() != ':') return std::nullopt;
    text.remove_prefix(1);
  }
  return std::nullopt;  // more fields than allowed, or a trailing ':'
}

}  // namespace

std::optional<int32_t> ParseUtcOffset(std::string_view text) {
  text = TrimCLocaleSpace(text);
  if (text == "Z") return 0;
  const std::optional<Fields> fields = SplitFields(text, 2, 2);
  if (!fields) return std::nullopt;
  const int32_t seconds = fields->values[0] * 3600 + fields->values[1] * 60;
  if (seconds > 18 * 3600) return std::nullopt;
  return fields->sign * seconds;
}

std::optional<int32_t> ParseClockDifference(std::string_view text) {
  const std::optional<Fields> fields = SplitFields(TrimCLocaleSpace(text), 3, 3);
  if (!fields) return std::nullopt;
  int32_t seconds = 0;
  for (int i = 0; i < fields->count; ++i) seconds = seconds * 60 + fields->values[i];
  return fields->sign * seconds;
}

}  // namespace meridel
