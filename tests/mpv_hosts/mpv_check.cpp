// What the core says for moments that mpv showed, for the host test to
// compare with what JOSM's stand-in received and what the screen shows.
//
//   meridel_mpv_check GPX ZOOM UTC_OFFSET CLOCK_DIFFERENCE START:SECOND...
//
// For each file start (UTC seconds) and whole second of playback, one line
// of four tab-separated fields: the zoom request's path, the add_node
// request's path, and the caption's two lines. The settings are texts as
// the plug-in's options take them.
#include <cstdio>
#include <string>

#include "josm/josm_request.h"
#include "mpv/options.h"
#include "mpv/playback.h"
#include "overlay/caption.h"
#include "support/checker.h"

int main(int argc, char** argv) {
  using meridel::CaptionSetting;
  using test_support::Fail;
  if (argc < 6) Fail("usage: GPX ZOOM UTC_OFFSET CLOCK_DIFFERENCE START:SECOND...");
  meridel::mpv::Options options = meridel::mpv::DefaultOptions();
  const std::pair<CaptionSetting, const char*> texts[] = {
      {CaptionSetting::kJosmZoom, argv[2]}, {CaptionSetting::kUtcOffset, argv[3]}, {CaptionSetting::kClockDifference, argv[4]}};
  for (const auto& [setting, text] : texts) {
    const std::string refusal = meridel::mpv::SetOption(options, setting, text, "setting");
    if (!refusal.empty()) Fail(refusal);
  }
  test_support::Track track;
  test_support::Import(argv[1], track);
  const meridel::CaptionSettings& caption = options.caption;
  for (int i = 5; i < argc; ++i) {
    int32_t start = 0;
    double second = 0;
    if (std::sscanf(argv[i], "%d:%lf", &start, &second) != 2) Fail(std::string("not START:SECOND: ") + argv[i]);
    const int64_t moment = *meridel::mpv::PlaybackMoment(start, second, caption.clockDifference);
    const std::string text = meridel::BuildCaption(track.store, moment, caption.utcOffset);
    std::printf("/%s\t/%s\t%s\n",
                test_support::JosmRequestAt(track, meridel::JosmCommand::ZoomView, caption.josmZoom, moment).c_str(),
                test_support::JosmRequestAt(track, meridel::JosmCommand::AddNode, caption.josmZoom, moment).c_str(),
                test_support::OneLine(text, "\t").c_str());
  }
  return 0;
}
