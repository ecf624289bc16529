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
#include "track/gpx_import.h"
#include "track/track_store.h"

int main(int argc, char** argv) {
  using meridel::CaptionSetting;
  if (argc < 6) {
    std::fprintf(stderr, "usage: %s GPX ZOOM UTC_OFFSET CLOCK_DIFFERENCE START:SECOND...\n", argv[0]);
    return 2;
  }
  meridel::mpv::Options options = meridel::mpv::DefaultOptions();
  const std::pair<CaptionSetting, const char*> texts[] = {
      {CaptionSetting::kJosmZoom, argv[2]}, {CaptionSetting::kUtcOffset, argv[3]}, {CaptionSetting::kClockDifference, argv[4]}};
  for (const auto& [setting, text] : texts) {
    const std::string refusal = meridel::mpv::SetOption(options, setting, text, "setting");
    if (!refusal.empty()) {
      std::fprintf(stderr, "%s\n", refusal.c_str());
      return 2;
    }
  }
  meridel::TrackStore track;
  int32_t baseTime = 0;
  meridel::ImportGpxFile(argv[1], track, baseTime);
  if (track.Count() == 0) {
    std::fprintf(stderr, "%s: no track points\n", argv[1]);
    return 2;
  }
  const meridel::CaptionSettings& caption = options.caption;
  for (int i = 5; i < argc; ++i) {
    int32_t start = 0;
    double second = 0;
    if (std::sscanf(argv[i], "%d:%lf", &start, &second) != 2) return 2;
    const int64_t moment = *meridel::mpv::PlaybackMoment(start, second, caption.clockDifference);
    double latitude = 0;
    double longitude = 0;
    meridel::LookupPosition(track, static_cast<int32_t>(moment), latitude, longitude);
    std::string text = meridel::BuildCaption(track, moment, caption.utcOffset);
    text.replace(text.find('\n'), 1, "\t");
    std::printf("/%s\t/%s\t%s\n",
                meridel::BuildJosmRequest(meridel::JosmCommand::ZoomView, caption.josmZoom, latitude, longitude).c_str(),
                meridel::BuildJosmRequest(meridel::JosmCommand::AddNode, caption.josmZoom, latitude, longitude).c_str(),
                text.c_str());
  }
  return 0;
}
