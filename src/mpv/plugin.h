// The plug-in inside one mpv: its settings, track, the file playing, the
// caption on mpv's OSD and JOSM's requests. It lives on the thread mpv
// starts for it and only waits for mpv; JOSM is reached from the sender's
// thread.
#pragma once

#include <mpv/client.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "josm/josm_sender.h"
#include "mpv/caption_overlay.h"
#include "mpv/options.h"
#include "mpv/playback.h"
#include "overlay/start_rule.h"
#include "track/track_source.h"

namespace meridel::mpv {

class Plugin {
 public:
  explicit Plugin(mpv_handle* mpv);
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  // Handles mpv's events until mpv shuts down. Throws only what allocation
  // throws outside an event's handling.
  void Run();

 private:
  // The file playing, as far as the plug-in needs it.
  struct File {
    bool loaded = false;
    std::string name;
    std::optional<std::string> creationText;  // the container's creation_time tag
  };

  void Configure();
  void Handle(const mpv_event& event);
  void OnProperty(uint64_t id, const mpv_event_property& property);
  void OnFileLoaded();
  void OnMessage(const mpv_event_client_message& message);
  void OnScriptOpts(const mpv_node& node);

  // After settings changed from `before`: import a newly chosen track,
  // align again, and show the moment anew.
  void Apply(const Options& before, std::vector<std::string> problems);
  // Reads the track chosen when it is not the one read last.
  void Import();
  // The start of the file playing under the rule set, and the line that says so.
  void Align();
  void Refresh();
  void DrawCaption();
  void AddNode();
  void ToggleCaption();
  void PostJosm(JosmCommand command, int64_t moment);
  void DeliverJosmOutcomes();

  void Log(const std::string& line);
  void Show(const std::string& text, int milliseconds);
  // Logs the line and shows it on the OSD with the event's others.
  void Tell(const std::string& line);
  void ShowPending();

  mpv_handle* const mpv_;
  const std::string client_;
  Options options_ = DefaultOptions();
  std::map<std::string, std::string> scriptOpts_;  // our entries, as last read
  TrackSource track_;
  File file_;
  std::optional<double> timePos_;  // time-pos in whole seconds, as mpv truncates it
  int64_t videoWidth_ = 0;
  int64_t videoHeight_ = 0;
  std::optional<SourceStart> start_;
  MomentFollower follower_;
  OsdGeometry osd_;
  bool captionVisible_ = true;
  bool overlayShown_ = false;
  std::string pendingOsd_;
  bool josmAnswering_ = true;

  std::mutex outcomesMutex_;
  std::vector<std::pair<JosmCommand, HttpOutcome>> outcomes_;  // from the sender's thread
  // Last: it is destroyed first, so its thread never sees the members above gone.
  JosmSender sender_;
};

}  // namespace meridel::mpv
