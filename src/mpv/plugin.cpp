#include "mpv/plugin.h"

#include <exception>
#include <fstream>
#include <iterator>
#include <utility>

#include "josm/http_transport.h"
#include "josm/josm_request.h"
#include "overlay/caption.h"
#include "overlay/source_span.h"
#include "track/track_store.h"

namespace meridel::mpv {
namespace {

enum Observed : uint64_t { kTimePos = 1, kOsdDimensions, kVideoParams, kScriptOpts };

constexpr int64_t kOverlayId = 1;  // osd-overlay ids are per client
constexpr int kMessageMs = 4000;
constexpr char kConfName[] = "meridel.conf";
constexpr size_t kConfLimit = 1 << 20;  // a settings file, not a data set
constexpr char kAddNodeBinding[] = "add-node";
constexpr char kCaptionBinding[] = "toggle-caption";

// mpv 0.35's default bindings leave these free; a user's input.conf wins
// over them (define-section ... default).
std::string KeyBindings(const std::string& client) {
  return std::string("n script-binding ") + client + "/" + kAddNodeBinding + "\nc script-binding " + client + "/" +
         kCaptionBinding + "\n";
}

void Command(mpv_handle* mpv, std::initializer_list<const char*> args) {
  std::vector<const char*> argv(args);
  argv.push_back(nullptr);
  mpv_command(mpv, argv.data());
}

std::optional<std::string> GetString(mpv_handle* mpv, const char* name) {
  char* value = mpv_get_property_string(mpv, name);
  if (!value) return std::nullopt;
  std::string text(value);
  mpv_free(value);
  return text;
}

std::optional<std::string> ExpandPath(mpv_handle* mpv, const std::string& path) {
  const char* args[] = {"expand-path", path.c_str(), nullptr};
  mpv_node result;
  if (mpv_command_ret(mpv, args, &result) < 0) return std::nullopt;
  std::optional<std::string> expanded;
  if (result.format == MPV_FORMAT_STRING) expanded = result.u.string;
  mpv_free_node_contents(&result);
  return expanded;
}

const mpv_node* Field(const mpv_node& map, std::string_view key) {
  if (map.format != MPV_FORMAT_NODE_MAP || !map.u.list) return nullptr;
  for (int i = 0; i < map.u.list->num; ++i) {
    if (key == map.u.list->keys[i]) return &map.u.list->values[i];
  }
  return nullptr;
}

int64_t IntField(const mpv_node& map, std::string_view key) {
  const mpv_node* field = Field(map, key);
  return field && field->format == MPV_FORMAT_INT64 ? field->u.int64 : 0;
}

// mpv's script-opts entries that are ours.
std::map<std::string, std::string> OurEntries(const mpv_node& node) {
  std::map<std::string, std::string> entries;
  if (node.format != MPV_FORMAT_NODE_MAP || !node.u.list) return entries;
  for (int i = 0; i < node.u.list->num; ++i) {
    const mpv_node& value = node.u.list->values[i];
    const std::string_view key = node.u.list->keys[i];
    if (key.starts_with(kOptionPrefix) && value.format == MPV_FORMAT_STRING) entries[std::string(key)] = value.u.string;
  }
  return entries;
}

// The osd-overlay command's named arguments.
class OverlayCommand {
 public:
  void Add(const char* key, const std::string& text) {
    strings_.push_back(text);
    keys_.push_back(const_cast<char*>(key));
    mpv_node value{};
    value.format = MPV_FORMAT_STRING;
    values_.push_back(value);
  }
  void Add(const char* key, int64_t number) {
    keys_.push_back(const_cast<char*>(key));
    mpv_node value{};
    value.format = MPV_FORMAT_INT64;
    value.u.int64 = number;
    values_.push_back(value);
  }
  int Run(mpv_handle* mpv) {
    size_t next = 0;
    for (mpv_node& value : values_) {
      if (value.format == MPV_FORMAT_STRING) value.u.string = strings_[next++].data();
    }
    mpv_node_list list{static_cast<int>(values_.size()), values_.data(), keys_.data()};
    mpv_node map{};
    map.format = MPV_FORMAT_NODE_MAP;
    map.u.list = &list;
    return mpv_command_node(mpv, &map, nullptr);
  }

 private:
  std::vector<std::string> strings_;
  std::vector<char*> keys_;
  std::vector<mpv_node> values_;
};

std::string OutcomeText(HttpOutcome outcome) {
  switch (outcome) {
    case HttpOutcome::Status200:
      return "node added in JOSM";
    case HttpOutcome::OtherStatus:
      return "JOSM refused the node: is a data layer open, and remote control allowed to change data?";
    case HttpOutcome::NoAnswer:
      break;
  }
  return JosmNoAnswerText("no node added");
}

}  // namespace

Plugin::Plugin(mpv_handle* mpv)
    : mpv_(mpv),
      client_(mpv_client_name(mpv)),
      sender_([this](JosmCommand command, HttpOutcome outcome) {
        {
          const std::lock_guard<std::mutex> lock(outcomesMutex_);
          outcomes_.emplace_back(command, outcome);
        }
        mpv_wakeup(mpv_);
      }) {}

void Plugin::Run() {
  // As a whole number mpv truncates the position toward zero and reports it
  // once a second, not every frame.
  mpv_observe_property(mpv_, kTimePos, "time-pos", MPV_FORMAT_INT64);
  mpv_observe_property(mpv_, kOsdDimensions, "osd-dimensions", MPV_FORMAT_NODE);
  mpv_observe_property(mpv_, kVideoParams, "video-params", MPV_FORMAT_NODE);
  mpv_observe_property(mpv_, kScriptOpts, "options/script-opts", MPV_FORMAT_NODE);
  Command(mpv_, {"define-section", "meridel", KeyBindings(client_).c_str(), "default"});
  Command(mpv_, {"enable-section", "meridel"});

  bool configured = false;
  for (;;) {
    // mpv waits for its plug-ins' first wait before it plays: the settings
    // and the track are read after it.
    const mpv_event* event = mpv_wait_event(mpv_, -1);
    if (event->event_id == MPV_EVENT_SHUTDOWN) return;
    try {
      if (!configured) {
        configured = true;
        Configure();
      }
      Handle(*event);
      DeliverJosmOutcomes();
      ShowPending();
    } catch (const std::exception& error) {
      Log(std::string("internal error, event skipped: ") + error.what());
    }
  }
}

void Plugin::Configure() {
  std::vector<std::string> problems;
  std::vector<KeyValue> conf;
  // As mpv's own scripts: no file of ours under --no-config.
  if (GetString(mpv_, "config") == "yes") {
    if (const std::optional<std::string> path = ExpandPath(mpv_, std::string("~~/script-opts/") + kConfName)) {
      std::ifstream file(*path, std::ios::binary);
      std::string text;
      if (file) {
        text.assign(std::istreambuf_iterator<char>(file), {});
        if (text.size() > kConfLimit) {
          problems.push_back(*path + " is larger than 1 MiB, ignored");
          text.clear();
        }
      }
      conf = ReadConfText(text, kConfName, problems);
    }
  }
  mpv_node node;
  if (mpv_get_property(mpv_, "options/script-opts", MPV_FORMAT_NODE, &node) >= 0) {
    scriptOpts_ = OurEntries(node);
    mpv_free_node_contents(&node);
  }
  const Options before = options_;
  ApplyOptions(options_, conf, kConfName, scriptOpts_, problems);
  if (options_.caption.gpxFile.empty()) {
    Log("set " + OptionName(CaptionSetting::kGpxFile) +
        " to a GPX track to caption positions and move JOSM: --script-opts=" + OptionName(CaptionSetting::kGpxFile) +
        "=/path/to/track.gpx");
  }
  Apply(before, std::move(problems));
}

void Plugin::Handle(const mpv_event& event) {
  switch (event.event_id) {
    case MPV_EVENT_PROPERTY_CHANGE:
      OnProperty(event.reply_userdata, *static_cast<const mpv_event_property*>(event.data));
      return;
    case MPV_EVENT_START_FILE:
      file_ = {};
      start_.reset();
      Refresh();
      return;
    case MPV_EVENT_FILE_LOADED:
      OnFileLoaded();
      return;
    case MPV_EVENT_END_FILE:
      file_.loaded = false;
      Refresh();
      return;
    case MPV_EVENT_CLIENT_MESSAGE:
      OnMessage(*static_cast<const mpv_event_client_message*>(event.data));
      return;
    default:
      return;
  }
}

void Plugin::OnProperty(uint64_t id, const mpv_event_property& property) {
  switch (id) {
    case kTimePos:
      timePos_.reset();
      if (property.format == MPV_FORMAT_INT64) timePos_ = static_cast<double>(*static_cast<const int64_t*>(property.data));
      Refresh();
      return;
    case kOsdDimensions:
      if (property.format != MPV_FORMAT_NODE) return;
      {
        const mpv_node& node = *static_cast<const mpv_node*>(property.data);
        osd_ = {IntField(node, "w"),  IntField(node, "h"),  IntField(node, "ml"),
                IntField(node, "mr"), IntField(node, "mt"), IntField(node, "mb")};
      }
      DrawCaption();
      return;
    case kVideoParams:
      videoWidth_ = videoHeight_ = 0;
      if (property.format == MPV_FORMAT_NODE) {
        const mpv_node& node = *static_cast<const mpv_node*>(property.data);
        videoWidth_ = IntField(node, "w");
        videoHeight_ = IntField(node, "h");
      }
      DrawCaption();
      return;
    case kScriptOpts:
      if (property.format == MPV_FORMAT_NODE) OnScriptOpts(*static_cast<const mpv_node*>(property.data));
      return;
    default:
      return;
  }
}

void Plugin::OnScriptOpts(const mpv_node& node) {
  // Entries set while playing (set script-opts, change-list ...): only the
  // changed ones, so that what messages set meanwhile stays.
  std::map<std::string, std::string> entries = OurEntries(node);
  std::map<std::string, std::string> changed;
  for (const auto& [name, value] : entries) {
    const auto last = scriptOpts_.find(name);
    if (last == scriptOpts_.end() || last->second != value) changed[name] = value;
  }
  scriptOpts_ = std::move(entries);
  if (changed.empty()) return;
  std::vector<std::string> problems;
  const Options before = options_;
  ApplyOptions(options_, {}, kConfName, changed, problems);
  Apply(before, std::move(problems));
}

void Plugin::OnFileLoaded() {
  // Read here, not observed: mpv reports the new file's time-pos before its
  // metadata, and the first moment must already be aligned.
  file_.loaded = true;
  file_.name = GetString(mpv_, "filename").value_or("");
  file_.creationText = GetString(mpv_, "metadata/by-key/creation_time");
  int64_t timePos = 0;
  timePos_.reset();
  if (mpv_get_property(mpv_, "time-pos", MPV_FORMAT_INT64, &timePos) >= 0) timePos_ = static_cast<double>(timePos);
  Align();
  follower_.Forget();
  Refresh();
}

void Plugin::OnMessage(const mpv_event_client_message& message) {
  if (message.num_args < 1) return;
  const std::string_view name = message.args[0];
  const std::string_view argument = message.num_args >= 2 ? message.args[1] : "";
  if (name == "key-binding" && message.num_args >= 3) {
    // Key down, or a press whose up and down cannot be told apart.
    const char state = message.args[2][0];
    if (state != 'd' && state != 'p') return;
    if (argument == kAddNodeBinding) AddNode();
    if (argument == kCaptionBinding) ToggleCaption();
  } else if (name == "meridel-add-node") {
    AddNode();
  } else if (name == OptionName(CaptionSetting::kJosmSync) || name == OptionName(CaptionSetting::kGpxFile)) {
    // Messages named as the options they set.
    const CaptionSetting setting =
        name == OptionName(CaptionSetting::kGpxFile) ? CaptionSetting::kGpxFile : CaptionSetting::kJosmSync;
    const Options before = options_;
    std::vector<std::string> problems;
    std::string refusal = SetOption(options_, setting, argument, name);
    if (!refusal.empty()) problems.push_back(std::move(refusal));
    // The same file again is read again: the user asked for it.
    if (setting == CaptionSetting::kGpxFile && problems.empty()) track_.path.reset();
    if (setting == CaptionSetting::kJosmSync && problems.empty()) {
      Tell(std::string("JOSM sync ") + (options_.caption.josmSync ? "on" : "off"));
    }
    Apply(before, std::move(problems));
  }
}

void Plugin::Apply(const Options& before, std::vector<std::string> problems) {
  for (const std::string& problem : problems) Tell(problem);
  const CaptionSettings& now = options_.caption;
  if (!track_.path || before.caption.gpxFile != now.gpxFile) {
    Import();
  } else if (before.caption.start.kind != now.start.kind || before.caption.start.time != now.start.time) {
    Align();
  }
  follower_.Forget();
  Refresh();
}

void Plugin::Import() {
  std::string path = options_.caption.gpxFile;
  if (!path.empty()) path = ExpandPath(mpv_, path).value_or(path);
  std::string message;
  if (FollowTrackFile(track_, path, message) == TrackChange::kImported) {
    Log(path + ": " + message);
    pendingOsd_ += message + "\n";
  }
  Align();
}

void Plugin::Align() {
  start_.reset();
  if (!file_.loaded || track_.store.Count() == 0) return;
  const StartRule rule = options_.caption.start;
  const std::optional<int32_t> creation = file_.creationText ? ParseUtcTime(*file_.creationText) : std::nullopt;
  start_ = ResolveStart(rule, creation, track_.baseTime);
  std::string line = DescribeStart(*start_);
  // A clip the track does not cover shows positions that stand still at the
  // track's ends: say so before the user wonders why.
  double duration = 0;
  const std::optional<TrackTimes> track = TrackTimesOf(track_.store);
  const int32_t difference = options_.caption.clockDifference;
  const std::optional<int64_t> first = PlaybackMoment(start_->time, 0.0, difference);
  const std::optional<int64_t> last = mpv_get_property(mpv_, "duration", MPV_FORMAT_DOUBLE, &duration) >= 0
                                          ? PlaybackMoment(start_->time, duration, difference)
                                          : first;
  if (track && first && last) {
    const MomentSpan span{*first, *last};
    const SpanPlacement placement = PlaceOnTrack(span, *track);
    if (placement.AnyMomentOutside()) line += "; " + PlacementText(placement, span, *track);
  }
  if (rule.kind != StartKind::kClip || start_->kind == StartKind::kClip) {
    Tell(file_.name + ": " + line);
  } else if (file_.creationText) {
    Tell(file_.name + ": the clip's creation time \"" + *file_.creationText + "\" is not a time: " + line);
  } else {
    Tell(NoCreationTimeText(file_.name, line));
  }
}

void Plugin::Refresh() {
  std::optional<int64_t> moment;
  if (file_.loaded && start_) moment = PlaybackMoment(start_->time, timePos_, options_.caption.clockDifference);
  const MomentUpdate update = follower_.Update(moment, options_.caption.josmSync);
  if (update.redraw) DrawCaption();
  if (update.zoom) PostJosm(JosmCommand::ZoomView, *moment);
}

void Plugin::DrawCaption() {
  const std::optional<int64_t> moment = follower_.Shown();
  std::optional<CaptionOverlay> overlay;
  if (captionVisible_ && moment) {
    const std::string caption = BuildCaption(track_.store, *moment, options_.caption.utcOffset);
    overlay = BuildCaptionOverlay(caption, options_.caption, osd_, videoWidth_, videoHeight_);
  }
  OverlayCommand command;
  command.Add("name", std::string("osd-overlay"));
  command.Add("id", kOverlayId);
  if (!overlay) {
    if (!overlayShown_) return;
    command.Add("format", std::string("none"));
    command.Add("data", std::string());  // required even to remove
    overlayShown_ = false;
  } else {
    command.Add("format", std::string("ass-events"));
    command.Add("data", overlay->events);
    command.Add("res_x", overlay->resX);
    command.Add("res_y", overlay->resY);
    overlayShown_ = true;
  }
  command.Run(mpv_);
}

void Plugin::AddNode() {
  const std::optional<int64_t> moment = follower_.Shown();
  if (!moment) {
    Tell(track_.store.Count() == 0 ? "no track, so no node: set " + OptionName(CaptionSetting::kGpxFile)
                                   : std::string("no position shown, so no node"));
    return;
  }
  PostJosm(JosmCommand::AddNode, *moment);
}

void Plugin::ToggleCaption() {
  captionVisible_ = !captionVisible_;
  DrawCaption();
  Show(captionVisible_ ? "Meridel caption shown" : "Meridel caption hidden", 1500);
}

void Plugin::PostJosm(JosmCommand command, int64_t moment) {
  if (std::optional<std::string> request = JosmRequestAt(track_.store, command, moment, options_.caption.josmZoom)) {
    sender_.Post(command, std::move(*request));
  }
}

void Plugin::DeliverJosmOutcomes() {
  std::vector<std::pair<JosmCommand, HttpOutcome>> outcomes;
  {
    const std::lock_guard<std::mutex> lock(outcomesMutex_);
    outcomes.swap(outcomes_);
  }
  for (const auto& [command, outcome] : outcomes) {
    if (command == JosmCommand::AddNode) {
      Tell(OutcomeText(outcome));
    } else if (outcome == HttpOutcome::NoAnswer && josmAnswering_) {
      Log(JosmNoAnswerText("the view follows again once it does"));
    }
    josmAnswering_ = outcome != HttpOutcome::NoAnswer;
  }
}

void Plugin::Log(const std::string& line) {
  // What mpv's terminal shows from scripts: the script's name, then its words.
  Command(mpv_, {"print-text", ("[meridel] " + line).c_str()});
}

void Plugin::Show(const std::string& text, int milliseconds) {
  Command(mpv_, {"show-text", text.c_str(), std::to_string(milliseconds).c_str()});
}

void Plugin::Tell(const std::string& line) {
  Log(line);
  pendingOsd_ += line + "\n";
}

void Plugin::ShowPending() {
  // One show-text replaces the one before: an event's lines go out together,
  // and those said before a file plays wait for its video.
  if (!file_.loaded || pendingOsd_.empty()) return;
  pendingOsd_.pop_back();
  Show(pendingOsd_, kMessageMs);
  pendingOsd_.clear();
}

}  // namespace meridel::mpv
