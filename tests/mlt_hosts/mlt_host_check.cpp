// Checks what Debian's melt rendered through libmltmeridel.so against the
// core's caption for each frame's expected moment, drawn with the drawing
// library on the frame melt rendered without the filter.
//
//   mlt_host_check frames --format yuv422|yuv420p|rgba|rgb --size WxH --rate NUM/DEN
//       --inputs IN --outputs OUT [--colorspace 601|709] --segment START@FIRST:COUNT...
//       [--param NAME=VALUE]...
//     IN and OUT hold the same frames, raw, in the layout the filter drew on,
//     without and with the filter. The segments are the clips in timeline
//     order: COUNT frames from source frame FIRST (at the profile's rate), of
//     a source whose first frame was shot at START (ISO 8601 UTC). Both files
//     must hold every segment's frames, each OUT frame IN's with the caption.
//   mlt_host_check josm --rate NUM/DEN --segment ... [--node-at N]... [--param NAME=VALUE]...
//     Prints the path of every request the filter must send, in order: a zoom
//     each time the moment changes, and a node at the Nth frame rendered.
//   mlt_host_check properties
//     Prints the name of every property of the filter, one a line.
//
// The parameters are the filter's properties, by their MLT names.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "drawing/picture.h"
#include "josm/josm_request.h"
#include "mlt/properties.h"
#include "overlay/caption.h"
#include "overlay/frame_moment.h"
#include "overlay/start_rule.h"
#include "support/checker.h"

namespace dr = meridel::drawing;
using test_support::Fail;

namespace {

struct Segment {
  int32_t start;
  int64_t first;
  int64_t count;
};

struct Options {
  std::string mode, format, inputs, outputs;
  uint32_t width = 0, height = 0;
  int64_t rateNum = 0, rateDen = 1;
  int colorspace = 709;
  std::vector<Segment> segments;
  std::set<int64_t> nodesAt;
  meridel::CaptionSettings settings;
};

// The filter's properties; josm_add (a node at each change) sets none.
void SetProperty(meridel::CaptionSettings& settings, const std::string& name, const std::string& value) {
  if (name != meridel::mlt::kJosmAddProperty) test_support::SetProperty(settings, name, value);
}

Options Parse(int argc, char** argv) {
  if (argc < 2) Fail("usage: see the comment at the top of mlt_host_check.cpp");
  Options o;
  o.mode = argv[1];
  std::map<std::string, std::string> given;
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::string key = argv[i], value = argv[i + 1];
    if (key == "--param") {
      const auto [name, text] = test_support::NameAndValue(value);
      SetProperty(o.settings, name, text);
    } else if (key == "--segment") {
      const size_t at = value.find('@'), colon = value.rfind(':');
      const std::optional<int32_t> start = meridel::ParseUtcTime(value.substr(0, at));
      if (at == std::string::npos || colon < at || !start) Fail("--segment wants START@FIRST:COUNT: " + value);
      o.segments.push_back({*start, std::atoll(value.c_str() + at + 1), std::atoll(value.c_str() + colon + 1)});
    } else if (key == "--node-at") {
      o.nodesAt.insert(std::atoll(value.c_str()));
    } else {
      given[key] = value;
    }
  }
  o.format = given["--format"];
  o.inputs = given["--inputs"];
  o.outputs = given["--outputs"];
  if (given.count("--colorspace")) o.colorspace = std::atoi(given["--colorspace"].c_str());
  std::sscanf(given["--rate"].c_str(), "%ld/%ld", &o.rateNum, &o.rateDen);
  std::sscanf(given["--size"].c_str(), "%ux%u", &o.width, &o.height);
  if (o.mode != "properties" && (o.rateNum <= 0 || o.rateDen <= 0 || o.segments.empty()))
    Fail("--rate NUM/DEN and --segment are needed");
  return o;
}

// The moment of every frame rendered, in order: the segment's start plus
// the frame's whole second in its source, exactly floor(frame × den / num).
std::vector<int64_t> Moments(const Options& o) {
  std::vector<int64_t> moments;
  for (const Segment& segment : o.segments) {
    for (int64_t frame = segment.first; frame < segment.first + segment.count; ++frame) {
      const auto second = static_cast<int32_t>(frame * o.rateDen / o.rateNum);
      moments.push_back(meridel::FrameMoment(segment.start, second, o.settings.clockDifference));
    }
  }
  return moments;
}

int CheckFrames(const Options& o) {
  const dr::PixelLayout layout = o.format == "yuv422"    ? dr::PixelLayout::kYuyv
                                 : o.format == "yuv420p" ? dr::PixelLayout::kYuv420p
                                 : o.format == "rgba"    ? dr::PixelLayout::kRgba
                                 : o.format == "rgb"     ? dr::PixelLayout::kRgb
                                 : (Fail("--format is yuv422, yuv420p, rgba or rgb"), dr::PixelLayout::kRgba);
  const size_t frameBytes = dr::PackedPictureSize(layout, o.width, o.height);
  const std::vector<int64_t> moments = Moments(o);
  const std::vector<uint8_t> inputs = test_support::ReadFrames(o.inputs, frameBytes, moments.size());
  const std::vector<uint8_t> outputs = test_support::ReadFrames(o.outputs, frameBytes, moments.size());
  test_support::Track track;
  test_support::Import(o.settings.gpxFile, track);

  int failures = 0;
  std::vector<uint8_t> expected(frameBytes);
  for (size_t i = 0; i < moments.size(); ++i) {
    const uint8_t* in = inputs.data() + i * frameBytes;
    const uint8_t* out = outputs.data() + i * frameBytes;
    std::memcpy(expected.data(), in, frameBytes);
    const std::string text = meridel::BuildCaption(track.store, moments[i], o.settings.utcOffset);
    test_support::DrawCaption(
        o.settings, dr::PackedPicture(layout, expected.data(), o.width, o.height, {.bt709 = o.colorspace == 709}),
        text);
    size_t differing = 0;
    for (size_t b = 0; b < frameBytes; ++b) differing += expected[b] != out[b];
    std::string problems;
    if (std::memcmp(in, out, frameBytes) == 0) problems += "; melt's output has no caption";
    if (differing) problems += "; " + std::to_string(differing) + " bytes differ from the expected caption";
    std::printf("%s frame %zu: \"%s\"%s\n", problems.empty() ? "OK  " : "FAIL", i,
                test_support::OneLine(text, " / ").c_str(), problems.c_str());
    failures += !problems.empty();
  }
  return failures == 0 ? 0 : 1;
}

int PrintJosmRequests(const Options& o) {
  test_support::Track track;
  test_support::Import(o.settings.gpxFile, track);
  auto print = [&](meridel::JosmCommand command, int64_t moment) {
    std::printf("/%s\n", test_support::JosmRequestAt(track, command, o.settings.josmZoom, moment).c_str());
  };
  const std::vector<int64_t> moments = Moments(o);
  for (size_t i = 0; i < moments.size(); ++i) {
    // A node goes out before the view of the same frame.
    if (o.nodesAt.count(static_cast<int64_t>(i))) print(meridel::JosmCommand::AddNode, moments[i]);
    if (o.settings.josmSync && (i == 0 || moments[i] != moments[i - 1])) print(meridel::JosmCommand::ZoomView, moments[i]);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = Parse(argc, argv);
  if (options.mode == "frames") return CheckFrames(options);
  if (options.mode == "josm") return PrintJosmRequests(options);
  if (options.mode == "properties") {
    for (const meridel::mlt::PropertyDoc& doc : meridel::mlt::PropertyDocs()) std::printf("%s\n", doc.name.c_str());
    return 0;
  }
  Fail("the mode is frames, josm or properties");
}
