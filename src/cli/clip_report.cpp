#include "cli/clip_report.h"

#include "base/number_text.h"

namespace meridel::cli {
namespace {

// "0:12:13.40" of a clip's length.
std::string LengthText(int64_t frameCount, int32_t rateNum, int32_t rateDen) {
  const double seconds = static_cast<double>(frameCount) * rateDen / rateNum;
  const int64_t whole = static_cast<int64_t>(seconds);
  std::string fraction;  // "0.40"
  AppendFixed(fraction, seconds - static_cast<double>(whole), 2);
  return DurationText(whole, {.first = DurationForm::kHours, .colons = true}) + fraction.substr(fraction.find('.'));
}

void Field(std::string& out, std::string_view name, std::string_view text) {
  out += "  ";
  out += name;
  out.append(name.size() < 10 ? 10 - name.size() : 1, ' ');
  out += text;
  out += '\n';
}

// "+HH:MM:SS" or "-HH:MM:SS", as --clock-difference reads it.
constexpr DurationForm kClockDifferenceForm{
    .first = DurationForm::kHours, .colons = true, .firstDigits = 2, .plusSign = true};

}  // namespace

std::filesystem::path OutputPathOf(const std::filesystem::path& clip, const std::filesystem::path& outputDir,
                                   std::string_view suffix) {
  std::filesystem::path name = clip.stem();
  name += suffix;
  name += ".mp4";
  return outputDir.empty() ? std::filesystem::path(clip).replace_filename(name) : outputDir / name;
}

std::filesystem::path PartialPathOf(const std::filesystem::path& output, long pid) {
  return std::filesystem::path(output).replace_filename("." + output.filename().native() + "." + std::to_string(pid) +
                                                        ".part");
}

std::string RateText(int32_t rateNum, int32_t rateDen) {
  std::string text;
  AppendFixed(text, static_cast<double>(rateNum) / rateDen, 3);
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text;
}

std::string AlignmentLine(const ClipSummary& clip, const std::optional<TrackTimes>& track) {
  std::string line = clip.clip + ": " + DescribeStart(clip.start) + ", " + SpanText(clip.span);
  if (track) line += ", " + PlacementText(PlaceOnTrack(clip.span, *track), clip.span, *track);
  return line;
}

std::vector<std::string> ClipWarnings(const ClipSummary& clip, const std::optional<TrackTimes>& track) {
  std::vector<std::string> lines;
  if (clip.asked == StartKind::kClip && clip.start.kind == StartKind::kTrack) {
    lines.push_back(NoCreationTimeText(clip.clip, "it is aligned by the track's first point (give --start with the "
                                                  "time its first frame was shot to align it otherwise)"));
  }
  if (!track) return lines;
  const SpanPlacement placement = PlaceOnTrack(clip.span, *track);
  if (placement.wholly) {
    const bool before = clip.span.last < track->first;
    std::string line = clip.clip + " lies " + PlacementText(placement, clip.span, *track) +
                       ": every caption shows the " + (before ? "track's first" : "track's last") + " position";
    if (const std::optional<int32_t> shift = ZoneShiftIntoTrack(clip.span, *track)) {
      line += " (if the camera's clock was on local time: --clock-difference " +
              DurationText(int64_t{clip.clockDifference} + *shift, kClockDifferenceForm) + " puts it inside the track)";
    }
    lines.push_back(line);
  } else if (placement.AnyMomentOutside()) {
    std::string line = clip.clip + ": ";
    if (placement.before > 0) {
      line += "its first " + DurationText(placement.before) + " lie before the track and show its first position";
    }
    if (placement.before > 0 && placement.after > 0) line += "; ";
    if (placement.after > 0) {
      line += "its last " + DurationText(placement.after) + " lie after the track and show its last position";
    }
    lines.push_back(line);
  }
  return lines;
}

std::string InspectText(const ClipSummary& clip, const std::optional<TrackTimes>& track, bool overwrite) {
  const media::ProducerFacts& facts = clip.facts;
  std::string out = clip.clip + '\n';
  if (facts.creationTime) {
    Field(out, "created", UtcText(*facts.creationTime) + " UTC (" + facts.creationText + " in the file)");
  } else if (!facts.creationText.empty()) {
    Field(out, "created", "\"" + facts.creationText + "\" in the file, which is not a time");
  } else {
    Field(out, "created", "not recorded");
  }
  Field(out, "duration", LengthText(clip.frameCount, clip.rateNum, clip.rateDen) + " (" +
                             std::to_string(clip.frameCount) + " frames)");
  Field(out, "video", std::to_string(facts.width) + "x" + std::to_string(facts.height) + " at " +
                          RateText(clip.rateNum, clip.rateDen) + " fps (" + std::to_string(clip.rateNum) + "/" +
                          std::to_string(clip.rateDen) + ")" + (facts.videoCodec.empty() ? "" : ", " + facts.videoCodec));
  if (facts.audio) {
    std::string audio = facts.audio->codec + ", " + std::to_string(facts.audio->sampleRate) + " Hz, " +
                        std::to_string(facts.audio->channels) + (facts.audio->channels == 1 ? " channel" : " channels");
    if (facts.audio->bitRate > 0) audio += ", " + std::to_string((facts.audio->bitRate + 500) / 1000) + " kb/s";
    Field(out, "audio", audio);
  } else {
    Field(out, "audio", "none");
  }
  Field(out, "start", DescribeStart(clip.start));
  std::string moments = SpanText(clip.span);
  if (track) moments += ", " + PlacementText(PlaceOnTrack(clip.span, *track), clip.span, *track);
  Field(out, "moments", moments);
  std::string output = clip.output.native();
  if (clip.outputExists) output += overwrite ? " (exists: --overwrite replaces it)" : " (exists: caption needs --overwrite)";
  Field(out, "output", output);
  for (const std::string& warning : ClipWarnings(clip, track)) Field(out, "warning", warning);
  return out;
}

}  // namespace meridel::cli
