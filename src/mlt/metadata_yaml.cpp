#include "mlt/metadata_yaml.h"

#include <string_view>

#include "mlt/properties.h"

namespace meridel::mlt {
namespace {

// `text` as a folded block scalar (">"), its lines wrapped at 96 columns and
// indented by `indent`: MLT's own metadata files write long texts so.
void AppendFolded(std::string& out, std::string_view key, std::string_view text, std::string_view indent) {
  out += indent;
  out += key;
  out += ": >\n";
  std::string line;
  auto flush = [&] {
    out += indent;
    out += "  ";
    out += line;
    out += '\n';
    line.clear();
  };
  while (!text.empty()) {
    const size_t space = text.find(' ');
    const std::string_view word = text.substr(0, space);
    if (!line.empty() && line.size() + 1 + word.size() > 96) flush();
    if (!line.empty()) line += ' ';
    line += word;
    text.remove_prefix(space == std::string_view::npos ? text.size() : space + 1);
  }
  if (!line.empty()) flush();
}

// A scalar in double quotes, so that texts such as "+00:00" stay texts.
std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + '"';
}

}  // namespace

std::string MetadataYaml() {
  std::string out =
      "# Written by the build from src/mlt/properties.cpp: edit that, not this.\n"
      "schema_version: 7.0\n"
      "type: filter\n"
      "identifier: meridel\n"
      "title: Meridel GPS caption\n"
      "version: " MERIDEL_VERSION
      "\n"
      "copyright: Oskavo\n"
      "language: en\n"
      "tags:\n"
      "  - Video\n";
  AppendFolded(out, "description",
               "Captions every frame with where and when it was shot: the local date and time, and the camera's "
               "latitude and longitude interpolated from a GPX track; JOSM's map can follow the video.",
               "");
  AppendFolded(out, "notes",
               "A frame's moment is its time in its source file (its original position at the profile's frame "
               "rate, in whole seconds), whatever the trim or its place on a playlist or track, plus the clock "
               "difference, counted from start. Values that cannot be used are refused with one line in MLT's "
               "log, and the value before is kept.",
               "");
  out += "parameters:\n";
  for (const PropertyDoc& doc : PropertyDocs()) {
    out += "  - identifier: " + doc.name + "\n";
    if (doc.name == "resource") out += "    argument: yes\n";
    out += "    title: " + doc.title + "\n";
    out += "    type: " + std::string(doc.type) + "\n";
    AppendFolded(out, "description", doc.description, "    ");
    if (!doc.defaultText.empty()) out += "    default: " + Quoted(doc.defaultText) + "\n";
    if (doc.minimum) out += "    minimum: " + std::to_string(*doc.minimum) + "\n";
    if (doc.maximum) out += "    maximum: " + std::to_string(*doc.maximum) + "\n";
    out += "    mutable: yes\n";
    if (doc.animated) out += "    animation: yes\n";
    out += "    widget: " + std::string(doc.widget) + "\n";
  }
  return out;
}

}  // namespace meridel::mlt
