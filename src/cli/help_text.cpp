#include "cli/help_text.h"

#include <vector>

#include "cli/command_line.h"
#include "cli/encoding.h"
#include "cli/exit_status.h"
#include "overlay/setting_table.h"

namespace meridel::cli {
namespace {

struct Entry {
  std::string term;  // "--utc-offset OFFSET", "0", "meridel inspect ..."
  std::string text;
  std::string example = {};  // the option as a user writes it
};

struct Section {
  std::string title;
  std::vector<std::string> paragraphs;
  std::vector<Entry> entries;
};

constexpr std::string_view kSummary = "caption video clips with the time and place each frame was shot, from a GPX track";

std::string OptionTerm(std::string_view shortName, std::string_view name, std::string_view value) {
  std::string term;
  if (!shortName.empty()) term = std::string(shortName) + ", ";
  term += name;
  if (!value.empty()) term += " " + std::string(value);
  return term;
}

std::vector<Section> Sections() {
  std::vector<Section> sections;
  sections.push_back({"Usage",
                      {},
                      {{"meridel caption [OPTIONS] --gpx TRACK.gpx CLIP...", ""},
                       {"meridel inspect [OPTIONS] --gpx TRACK.gpx CLIP...", ""},
                       {"meridel --help | --version", ""}}});
  sections.push_back(
      {"Description",
       {"caption writes each clip again as H.264 in MP4 with a two-line caption on every frame: the local date and "
        "time the frame was shot, then the latitude and longitude the track gives for that moment. Each clip is "
        "aligned by its own creation time, so that clips shot at different times of one ride all match the one "
        "track. Before encoding it prints, for each clip, what it is aligned by and the moments it spans, with a "
        "warning for a clip that lies partly or wholly outside the track (its captions then hold the position of the "
        "track's nearest end). While encoding it shows each clip's progress, and at the end how many clips were "
        "captioned.",
        "inspect prints, for each clip, its creation time, duration, frame size and rate, the moments it spans and "
        "where they fall on the track, and the output caption would write, without encoding: the quick check before "
        "a long run. It takes the same options as caption."},
       {}});

  Section settings{"Caption settings", {"The same texts as the MLT filter meridel's properties take."}, {}};
  for (const SettingRow& row : kSettingTable) {
    if (row.names.option.empty()) continue;
    std::string text = AsSentence(DescriptionOf(row.id));
    if (!row.defaultText.empty()) text += " Default: " + std::string(row.defaultText) + ".";
    if (row.id == CaptionSetting::kGpxFile) text += " Needed.";
    settings.entries.push_back({OptionTerm("", row.names.option, row.placeholder), text,
                                std::string(row.names.option) + " " + std::string(row.example)});
  }
  sections.push_back(settings);

  Section options{"Options", {}, {}};
  for (int o = 0; o < static_cast<int>(Option::kCount); ++o) {
    const OptionDoc& doc = DocOf(static_cast<Option>(o));
    options.entries.push_back({OptionTerm(doc.shortName, doc.name, doc.value), std::string(doc.help), std::string(doc.example)});
  }
  sections.push_back(options);

  sections.push_back(
      {"Output",
       {"Each clip gives CLIP" + std::string(kDefaultSuffix) + ".mp4 beside it (or in --output DIR): H.264 (" +
            std::string(kVideoCodec) + ", CRF " + std::to_string(kCrf) + ", preset " + std::string(kPreset) +
            ") in yuv420p, at the clip's frame size and rate; the clip's audio again as AAC at its own rate and "
            "channels, near its bit rate; and the container's tags, the creation time among them. It is written "
            "under a temporary name beside the output and renamed when complete: a clip that fails or is "
            "interrupted leaves no output.",
        "On a terminal each clip has a line that updates in place: percent done, frames a second, time left. "
        "Otherwise each clip prints a line at every tenth of its frames."},
       {}});

  sections.push_back({"Exit status",
                      {},
                      {{std::to_string(kExitSuccess), "Every clip was captioned (inspect: every clip was read)."},
                       {std::to_string(kExitFailure),
                        "A clip failed (it cannot be read, its output exists, the disk filled) or the track could "
                        "not be read, or MLT lacks the meridel filter; the other clips were still captioned."},
                       {std::to_string(kExitUsage), "Bad usage: an unknown option or a value it cannot take."},
                       {std::to_string(kExitInterrupted),
                        "Interrupted with Ctrl-C (SIGINT); 143 for SIGTERM, 129 for SIGHUP. The clips being written are "
                        "removed; a second Ctrl-C stops at once."}}});

  sections.push_back({"Environment",
                      {},
                      {{"MLT_REPOSITORY",
                        "The folder of MLT's modules, as for melt: the meridel filter (libmltmeridel.so, in the "
                        "meridel-mlt package) must be among them."}}});

  sections.push_back(
      {"Examples",
       {},
       {{"meridel inspect --gpx ride.gpx ~/Videos/ride/*.MP4", "What each clip of a ride spans on the track."},
        {"meridel caption --gpx ride.gpx --utc-offset +02:00 --output ~/Videos/captioned ~/Videos/ride/*.MP4",
         "Caption a folder of clips, in local time two hours ahead of UTC."},
        {"meridel caption --gpx ride.gpx --start track --clock-difference -00:00:05 ride.mp4",
         "A clip without a creation time that started with the track, its camera 5 s ahead of the GPS clock."}}});
  return sections;
}

// `text` wrapped to `width` columns, every line after `indent` spaces.
void AppendWrapped(std::string& out, std::string_view text, size_t indent, size_t width) {
  size_t column = 0;
  while (!text.empty()) {
    const size_t end = text.find(' ');
    const std::string_view word = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (word.empty()) continue;
    if (column > 0 && column + 1 + word.size() > width) {
      out += '\n';
      column = 0;
    }
    if (column == 0) {
      out.append(indent, ' ');
      column = indent;
    } else {
      out += ' ';
      ++column;
    }
    out += word;
    column += word.size();
  }
  out += '\n';
}

// Text for roff: backslashes and minus signs escaped, a leading dot or
// quote kept from reading as a request.
std::string Roff(std::string_view text) {
  std::string out;
  if (!text.empty() && (text.front() == '.' || text.front() == '\'')) out += "\\&";
  for (const char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string HelpText(std::string_view version) {
  constexpr size_t kWidth = 80;
  std::string out = "meridel " + std::string(version) + ": " + std::string(kSummary) + ".\n";
  for (const Section& section : Sections()) {
    out += '\n' + section.title + ":\n";
    for (size_t i = 0; i < section.paragraphs.size(); ++i) {
      if (i > 0) out += '\n';
      AppendWrapped(out, section.paragraphs[i], 2, kWidth);
    }
    for (const Entry& entry : section.entries) {
      out += "  " + entry.term + '\n';
      if (!entry.text.empty()) AppendWrapped(out, entry.text, 6, kWidth);
      if (!entry.example.empty()) out += "      Example: " + entry.example + '\n';
    }
  }
  return out;
}

std::string ManPage(std::string_view version) {
  std::string out = ".TH MERIDEL 1 \"\" \"meridel " + Roff(version) + "\" \"User Commands\"\n";
  out += ".SH NAME\nmeridel \\- " + Roff(kSummary) + "\n";
  for (const Section& section : Sections()) {
    std::string title;
    for (const char c : section.title == "Usage" ? std::string("Synopsis") : section.title) {
      title += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    out += ".SH " + title + "\n";
    for (const std::string& paragraph : section.paragraphs) out += ".PP\n" + Roff(paragraph) + "\n";
    for (const Entry& entry : section.entries) {
      if (entry.text.empty()) {
        out += ".nf\n\\fB" + Roff(entry.term) + "\\fR\n.fi\n";
      } else {
        out += ".TP\n\\fB" + Roff(entry.term) + "\\fR\n" + Roff(entry.text) + "\n";
        if (!entry.example.empty()) out += ".br\nExample: \\fB" + Roff(entry.example) + "\\fR\n";
      }
    }
  }
  out += ".SH SEE ALSO\n\\fBmelt\\fR(1), \\fBffmpeg\\fR(1)\n";
  return out;
}

}  // namespace meridel::cli
