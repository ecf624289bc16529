#include "overlay/setting_table.h"

#include "base/josm_address.h"

namespace meridel {
namespace {

// `text` with its marks written out.
std::string WithMarks(std::string_view text, const std::optional<SettingRange>& range) {
  std::string out(text);
  const auto replace = [&out](std::string_view mark, const std::string& by) {
    if (const size_t at = out.find(mark); at != std::string::npos) out.replace(at, mark.size(), by);
  };
  if (range) replace("{range}", RangeText(*range));
  replace("{josm}", JosmAddressText());
  return out;
}

}  // namespace

std::string RangeText(SettingRange range) {
  return std::to_string(range.minimum) + " to " + std::to_string(range.maximum);
}

std::string DescriptionOf(CaptionSetting setting) {
  return WithMarks(RowOf(setting).description, RowOf(setting).range);
}

std::string ExpectedText(CaptionSetting setting) { return WithMarks(RowOf(setting).expected, RowOf(setting).range); }

std::string Capitalised(std::string_view phrase) {
  std::string label(phrase);
  if (!label.empty() && label.front() >= 'a' && label.front() <= 'z') label.front() -= 'a' - 'A';
  return label;
}

std::string AsSentence(std::string_view phrase) { return Capitalised(phrase) + '.'; }

}  // namespace meridel
