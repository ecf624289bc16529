// What the editors' tests compare with, from the core itself.
//
//   meridel_editor_check panels KDENLIVE_XML SHOTCUT_UI_QML
//     The panels against the filter's properties (PropertyDocs, made from
//     the settings table): Kdenlive's description names every
//     property once and nothing else, and each default reads as the filter's
//     default value; Shotcut's panel sets every property, uses no other, and
//     sets no "threads"; labels, comments, tips and ranges are the
//     settings table's. Prints each fault; exits 1 if there is one.
//   meridel_editor_check moments GPX START FIRST LAST [PROPERTY=TEXT]...
//     For each second S from FIRST to LAST after START (a UTC time), one line:
//     S, the caption's two lines, the zoom request and the add_node request,
//     tab-separated, with the filter's properties as given (utc_offset,
//     clock_difference, josm_zoom...) and the track of GPX.
#include <tinyxml2.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "josm/josm_request.h"
#include "mlt/properties.h"
#include "overlay/caption.h"
#include "overlay/caption_settings.h"
#include "overlay/frame_moment.h"
#include "overlay/setting_table.h"
#include "overlay/start_rule.h"
#include "support/checker.h"

namespace {

using meridel::CaptionSetting;
using meridel::CaptionSettings;
using test_support::Fail;
using test_support::SettingNamed;

int faults = 0;

void Fault(const std::string& what) {
  std::printf("FAULT: %s\n", what.c_str());
  ++faults;
}

bool SameValue(const CaptionSettings& a, const CaptionSettings& b) {
  return a.gpxFile == b.gpxFile && a.utcOffset == b.utcOffset && a.clockDifference == b.clockDifference &&
         a.start.kind == b.start.kind && a.start.time == b.start.time && a.x == b.x && a.y == b.y &&
         a.font == b.font && a.fontSize == b.fontSize && a.textColor == b.textColor &&
         a.borderColor == b.borderColor && a.josmSync == b.josmSync && a.josmZoom == b.josmZoom;
}

std::set<std::string> PropertyNames() {
  std::set<std::string> names;
  for (const meridel::mlt::PropertyDoc& doc : meridel::mlt::PropertyDocs()) names.insert(doc.name);
  return names;
}

std::string ChildText(const tinyxml2::XMLElement& element, const char* child) {
  const tinyxml2::XMLElement* found = element.FirstChildElement(child);
  return found && found->GetText() ? found->GetText() : "";
}

// The label, the comment and the range are the table's.
void CheckKdenliveTexts(const tinyxml2::XMLElement& parameter, const std::string& name, CaptionSetting setting) {
  const meridel::SettingRow& row = meridel::RowOf(setting);
  if (ChildText(parameter, "name") != row.title) {
    Fault("Kdenlive: " + name + " is labelled \"" + ChildText(parameter, "name") + "\", not \"" + std::string(row.title) + "\"");
  }
  const std::string comment = ChildText(parameter, "comment");
  const std::string description = meridel::Capitalised(meridel::DescriptionOf(setting));
  if (!comment.empty() && comment != description) {
    Fault("Kdenlive: " + name + "'s comment is not the table's description \"" + description + "\"");
  }
  if (!row.range || !parameter.Attribute("min")) return;
  const double factor = parameter.DoubleAttribute("factor", 1.0);
  if (parameter.DoubleAttribute("min") / factor != row.range->minimum ||
      parameter.DoubleAttribute("max") / factor != row.range->maximum) {
    Fault("Kdenlive: " + name + "'s range is not " + meridel::RangeText(*row.range));
  }
}

void CheckKdenlive(const char* path) {
  tinyxml2::XMLDocument document;
  if (document.LoadFile(path) != tinyxml2::XML_SUCCESS) return Fault(std::string(path) + ": not XML");
  const tinyxml2::XMLElement* effect = document.FirstChildElement("effect");
  if (!effect || std::string(effect->Attribute("tag") ? effect->Attribute("tag") : "") != "meridel") {
    return Fault("Kdenlive: <effect tag=\"meridel\"> is missing");
  }
  std::multiset<std::string> seen;
  for (const tinyxml2::XMLElement* parameter = effect->FirstChildElement("parameter"); parameter;
       parameter = parameter->NextSiblingElement("parameter")) {
    const std::string name = parameter->Attribute("name") ? parameter->Attribute("name") : "";
    const std::string text = parameter->Attribute("default") ? parameter->Attribute("default") : "";
    seen.insert(name);
    if (!PropertyNames().count(name)) Fault("Kdenlive: \"" + name + "\" is no property of the filter");
    const std::optional<CaptionSetting> setting = SettingNamed(name);
    if (!setting) continue;  // josm_add: any first value adds no node
    CheckKdenliveTexts(*parameter, name, *setting);
    CaptionSettings panel, filter;
    if (!meridel::SetFromText(panel, *setting, text)) {
      Fault("Kdenlive: " + meridel::RefusalText(name, text, *setting));
    } else if (meridel::SetFromText(filter, *setting, meridel::DefaultText(*setting)),
               !SameValue(panel, filter)) {
      Fault("Kdenlive: " + name + "'s default \"" + text + "\" is not the filter's \"" +
            std::string(meridel::DefaultText(*setting)) + "\"");
    }
  }
  for (const std::string& name : PropertyNames()) {
    if (seen.count(name) != 1) Fault("Kdenlive: \"" + name + "\" is described " + std::to_string(seen.count(name)) + " times");
  }
}

void CheckShotcut(const char* path) {
  const std::vector<uint8_t> bytes = test_support::ReadFile(path);
  const std::string qml(bytes.begin(), bytes.end());
  if (qml.empty()) return Fault(std::string(path) + ": empty or unreadable");
  const std::regex call(R"(filter\.(set|get|resetProperty)\(\s*'([^']+)')");
  std::set<std::string> set;
  for (auto it = std::sregex_iterator(qml.begin(), qml.end(), call); it != std::sregex_iterator(); ++it) {
    const std::string name = (*it)[2];
    if (name == "threads") {
      Fault("Shotcut: the panel sets threads: MLT would caption each slice of a frame");
      continue;
    }
    if (!PropertyNames().count(name)) Fault("Shotcut: \"" + name + "\" is no property of the filter");
    if ((*it)[1] == "set") set.insert(name);
  }
  for (const std::string& name : PropertyNames()) {
    if (!set.count(name)) Fault("Shotcut: the panel never sets \"" + name + "\"");
  }
  // A spin box's bounds are the table's range: fractions in per cent, and a
  // size's 0 the empty text, a thirtieth of the frame's height.
  const std::regex bounded(R"re(from:\s*(-?\d+)\s+to:\s*(-?\d+)(?:[^{}]|\{[^{}]*\})*?filter\.set\('([a-z_]+)')re");
  for (auto it = std::sregex_iterator(qml.begin(), qml.end(), bounded); it != std::sregex_iterator(); ++it) {
    const std::optional<CaptionSetting> setting = SettingNamed((*it)[3]);
    if (!setting || !meridel::RowOf(*setting).range) continue;
    const meridel::SettingRow& row = meridel::RowOf(*setting);
    const int factor = row.kind == meridel::SettingKind::kFraction ? 100 : 1;
    const int from = std::stoi((*it)[1]), to = std::stoi((*it)[2]);
    const bool emptyAsZero = row.kind == meridel::SettingKind::kPixelSize && from == 0;
    if ((from != row.range->minimum * factor && !emptyAsZero) || to != row.range->maximum * factor) {
      Fault("Shotcut: " + std::string((*it)[3]) + "'s spin box runs from " + std::string((*it)[1]) + " to " +
            std::string((*it)[2]) + ", not " + meridel::RangeText(*row.range));
    }
  }
  // A tip of the control that sets a setting is the table's description.
  const std::regex tipped(R"re(filter\.set\('([a-z_]+)'[^}]*?HoverTip\s*\{\s*text:\s*qsTr\("((?:[^"\\]|\\.)*)"\))re");
  for (auto it = std::sregex_iterator(qml.begin(), qml.end(), tipped); it != std::sregex_iterator(); ++it) {
    const std::optional<CaptionSetting> setting = SettingNamed((*it)[1]);
    const std::string description = setting ? meridel::Capitalised(meridel::DescriptionOf(*setting)) : "";
    if (setting && (*it)[2] != description) {
      Fault("Shotcut: " + std::string((*it)[1]) + "'s tip is not the table's description \"" + description + "\"");
    }
  }
}

int Moments(int argc, char** argv) {
  if (argc < 6) Fail("usage: moments GPX START FIRST LAST [PROPERTY=TEXT]...");
  CaptionSettings settings;
  for (int index = 6; index < argc; ++index) {
    const auto [name, text] = test_support::NameAndValue(argv[index]);
    test_support::SetProperty(settings, name, text);
  }
  const std::optional<int32_t> start = meridel::ParseUtcTime(argv[3]);
  if (!start) Fail(std::string("START is not a UTC time: ") + argv[3]);
  test_support::Track track;
  test_support::Import(argv[2], track);
  for (int32_t second = std::atoi(argv[4]); second <= std::atoi(argv[5]); ++second) {
    const int64_t moment = meridel::FrameMoment(*start, second, settings.clockDifference);
    const std::string caption = meridel::BuildCaption(track.store, moment, settings.utcOffset);
    std::printf("%d\t%s\t%s\t%s\n", second, test_support::OneLine(caption, "\t").c_str(),
                test_support::JosmRequestAt(track, meridel::JosmCommand::ZoomView, settings.josmZoom, moment).c_str(),
                test_support::JosmRequestAt(track, meridel::JosmCommand::AddNode, settings.josmZoom, moment).c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "moments") return Moments(argc, argv);
  if (mode != "panels" || argc != 4) {
    std::fprintf(stderr, "usage: %s panels KDENLIVE_XML SHOTCUT_UI_QML | moments GPX START FIRST LAST [P=T]...\n",
                 argv[0]);
    return 2;
  }
  CheckKdenlive(argv[2]);
  CheckShotcut(argv[3]);
  if (faults == 0) std::printf("OK: both panels name every property of the filter, with its defaults\n");
  return faults == 0 ? 0 : 1;
}
