// Checks a frame that `meridel caption` encoded against the core's caption
// for the frame's expected moment, drawn by the drawing library on the same
// frame of the clip as decoded before captioning.
//
//   caption_check --size WxH --rate NUM/DEN --start ISO8601 --frame N
//       --input IN.yuv --output OUT.yuv [--param NAME=VALUE]...
//
// IN and OUT hold one frame each, raw yuv420p: frame N of the clip and of
// the captioned output. H.264 is lossy, so the comparison is by distance:
// the captions of the moment one second before and after are drawn too, and
// over the pixels where the three differ the expected one must lie clearly
// nearest OUT; over the whole caption it must lie nearer than the frame
// without one; and the chroma planes must keep the frame's colours. The
// parameters are the filter's properties by their MLT
// names; `start` is the time of the clip's first frame.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "drawing/picture.h"
#include "overlay/caption.h"
#include "overlay/frame_moment.h"
#include "overlay/start_rule.h"
#include "support/checker.h"

namespace dr = meridel::drawing;
using test_support::Fail;

namespace {

// The frame with `text` drawn as the filter draws it on a frame of this
// size (BT.709 video range, as MLT reads HD frames).
std::vector<uint8_t> Captioned(std::vector<uint8_t> frame, uint32_t width, uint32_t height,
                               const meridel::CaptionSettings& settings, const std::string& text) {
  test_support::DrawCaption(
      settings, dr::PackedPicture(dr::PixelLayout::kYuv420p, frame.data(), width, height, {.bt709 = true}), text);
  return frame;
}

}  // namespace

int main(int argc, char** argv) {
  uint32_t width = 0, height = 0;
  int32_t rateNum = 0, rateDen = 0;
  int64_t frame = -1;
  std::string input, output, start;
  meridel::CaptionSettings settings;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string key = argv[i], value = argv[i + 1];
    if (key == "--size") {
      std::sscanf(value.c_str(), "%ux%u", &width, &height);
    } else if (key == "--rate") {
      std::sscanf(value.c_str(), "%d/%d", &rateNum, &rateDen);
    } else if (key == "--start") {
      start = value;
    } else if (key == "--frame") {
      frame = std::atoll(value.c_str());
    } else if (key == "--input") {
      input = value;
    } else if (key == "--output") {
      output = value;
    } else if (key == "--param") {
      const auto [name, text] = test_support::NameAndValue(value);
      test_support::SetProperty(settings, name, text);
    } else {
      Fail("unknown argument " + key);
    }
  }
  const std::optional<int32_t> startTime = meridel::ParseUtcTime(start);
  if (!width || !height || rateNum <= 0 || rateDen <= 0 || frame < 0 || !startTime) Fail("see the usage at the top");

  test_support::Track track;
  test_support::Import(settings.gpxFile, track);

  const size_t bytes = dr::PackedPictureSize(dr::PixelLayout::kYuv420p, width, height);
  const std::vector<uint8_t> in = test_support::ReadFrames(input, bytes, 1);
  const std::vector<uint8_t> out = test_support::ReadFrames(output, bytes, 1);
  const int64_t moment =
      meridel::FrameMoment(*startTime, meridel::SecondsIntoSource(frame, rateNum, rateDen), settings.clockDifference);
  std::vector<std::string> texts;
  std::vector<std::vector<uint8_t>> candidates;  // the expected caption first
  for (const int64_t m : {moment, moment - 1, moment + 1}) {
    texts.push_back(meridel::BuildCaption(track.store, m, settings.utcOffset));
    candidates.push_back(Captioned(in, width, height, settings, texts.back()));
  }

  // Luma only: the caption's white and black are the same Y in every encoding.
  const size_t luma = size_t{width} * height;
  double distinct[3] = {}, whole[2] = {};
  size_t distinctCount = 0, wholeCount = 0;
  for (size_t p = 0; p < luma; ++p) {
    const bool differs = candidates[0][p] != candidates[1][p] || candidates[0][p] != candidates[2][p];
    if (differs) {
      ++distinctCount;
      for (int c = 0; c < 3; ++c) distinct[c] += std::abs(candidates[c][p] - out[p]);
    }
    if (candidates[0][p] != in[p]) {
      ++wholeCount;
      whole[0] += std::abs(candidates[0][p] - out[p]);
      whole[1] += std::abs(in[p] - out[p]);
    }
  }
  if (distinctCount == 0 || wholeCount == 0) Fail("the captions drew nothing apart");
  for (double& d : distinct) d /= static_cast<double>(distinctCount);
  for (double& d : whole) d /= static_cast<double>(wholeCount);

  // The colours: the chroma planes away from the caption as they were
  // (a misplaced plane, as MLT 7.12's yuv420p layout gives, is far off).
  double chroma = 0.0;
  for (size_t p = luma; p < bytes; ++p) chroma += std::abs(candidates[0][p] - out[p]);
  chroma /= static_cast<double>(bytes - luma);

  const double nearestOther = std::fmin(distinct[1], distinct[2]);
  const bool ok =
      distinct[0] < 8.0 && distinct[0] < 0.5 * nearestOther && whole[0] < 0.5 * whole[1] && chroma < 3.0;
  const std::string caption = test_support::OneLine(texts[0], "/");
  std::printf("%s frame %lld \"%s\": %.1f from the expected caption, %.1f from its neighbours', whole caption %.1f "
              "(%.1f without), chroma %.2f\n",
              ok ? "OK  " : "FAIL", static_cast<long long>(frame), caption.c_str(), distinct[0], nearestOther,
              whole[0], whole[1], chroma);
  return ok ? 0 : 1;
}
