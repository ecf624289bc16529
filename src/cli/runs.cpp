#include "cli/runs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <thread>

extern "C" {
#include <framework/mlt_log.h>
}

#include "cli/clip_chain.h"
#include "cli/clip_report.h"
#include "cli/exit_status.h"
#include "cli/mlt_session.h"
#include "cli/reporter.h"
#include "cli/stop_signals.h"
#include "overlay/setting_table.h"
#include "track/track_source.h"

namespace meridel::cli {
namespace {

using Clock = std::chrono::steady_clock;

// How often a clip is started whose encoder ended before its first frame
// (ClipEncoder::EndedUnstarted).
constexpr int kStartAttempts = 3;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The track, imported as the filter will import it. Nothing, after saying
// why, when it holds no point: every clip would then show 0 and 0.
std::optional<TrackTimes> ReadTrack(const std::string& path, TrackSource& track, Reporter& reporter) {
  std::string message;
  FollowTrackFile(track, path, message);
  const std::optional<TrackTimes> times = TrackTimesOf(track.store);
  if (!times) {
    reporter.Fail(path + ": " + message);
    return std::nullopt;
  }
  reporter.Say(path + ": " + message);
  return times;
}

// mkdir -p.
bool MakeFolders(const std::string& path, std::string& why) {
  std::string prefix;
  size_t from = 0;
  while (from <= path.size()) {
    const size_t slash = path.find('/', from);
    prefix = path.substr(0, slash);
    from = slash == std::string::npos ? path.size() + 1 : slash + 1;
    if (prefix.empty()) continue;
    struct stat status {};
    if (stat(prefix.c_str(), &status) == 0) {
      if (!S_ISDIR(status.st_mode)) {
        why = prefix + " is not a folder";
        return false;
      }
      continue;
    }
    if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) {
      why = prefix + ": " + std::strerror(errno);
      return false;
    }
  }
  return true;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first {}, second {};
  return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

struct PlannedClip {
  int id = 0;
  ClipSummary summary;
  OpenedClip opened;
};

// The clip opened and placed on the track, or the line saying why it
// cannot be.
std::variant<PlannedClip, std::string> PlanClip(int id, const std::string& path, const Invocation& invocation,
                                                int32_t trackStart) {
  std::variant<OpenedClip, std::string> opened = OpenClip(path);
  if (auto* why = std::get_if<std::string>(&opened)) return path + ": " + *why;
  PlannedClip plan;
  plan.id = id;
  plan.opened = std::move(std::get<OpenedClip>(opened));
  ClipSummary& summary = plan.summary;
  summary.clip = path;
  summary.facts = plan.opened.facts;
  summary.rateNum = plan.opened.profile->frame_rate_num();
  summary.rateDen = plan.opened.profile->frame_rate_den();
  summary.frameCount = plan.opened.frameCount;
  summary.asked = invocation.settings.start.kind;
  summary.start = ResolveStart(invocation.settings.start, summary.facts.creationTime, trackStart);
  summary.clockDifference = invocation.settings.clockDifference;
  summary.span = SourceMoments(summary.start.time, summary.frameCount, summary.rateNum, summary.rateDen,
                               summary.clockDifference);
  summary.output = OutputPathOf(path, invocation.outputDir, invocation.suffix);
  struct stat status {};
  summary.outputExists = lstat(summary.output.c_str(), &status) == 0;
  if (SameFile(path, summary.output)) return path + ": its output " + summary.output + " is the clip itself";
  return plan;
}

// The filter's properties for a clip: each setting given, in the text
// given, under its MLT name; the rest keep the filter's defaults. A clip
// that records no creation time while the rule is "clip" is aligned by the
// track's first point either way: the command has warned of it, so the
// filter is told the rule that applies rather than warn again.
Properties FilterProperties(const Invocation& invocation, const ClipSummary& clip) {
  Properties properties;
  for (size_t i = 0; i < invocation.settingTexts.size(); ++i) {
    const auto setting = static_cast<CaptionSetting>(i);
    if (setting == CaptionSetting::kStart && clip.asked == StartKind::kClip && clip.start.kind == StartKind::kTrack) {
      properties.emplace_back(NamesOf(setting).mlt, "track");
    } else if (invocation.settingTexts[i]) {
      properties.emplace_back(NamesOf(setting).mlt, *invocation.settingTexts[i]);
    }
  }
  return properties;
}

// Moves a complete partial output to its name. Without `overwrite` a file
// that appeared there meanwhile is kept: link(2) fails on it.
std::optional<std::string> Publish(const std::string& partial, const std::string& output, bool overwrite) {
  if (overwrite) {
    if (rename(partial.c_str(), output.c_str()) == 0) return std::nullopt;
    return output + ": " + std::strerror(errno);
  }
  if (link(partial.c_str(), output.c_str()) != 0) {
    if (errno == EEXIST) return output + " exists (--overwrite replaces it)";
    return output + ": " + std::strerror(errno);
  }
  unlink(partial.c_str());
  return std::nullopt;
}

struct Running {
  PlannedClip plan;
  std::string partial;
  int slot = 0;
  int attempts = 0;
  Clock::time_point started;
  std::unique_ptr<ClipEncoder> encoder;
  std::optional<std::string> lastError;
};

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Passes on the filter's words and keeps the last error of the clip's
// other services, for its failure line.
void Drain(Running& clip, Reporter& reporter) {
  for (const LogLine& line : TakeLogLines(clip.plan.id)) {
    if (line.service == clip.encoder->FilterService()) {
      reporter.Warn(clip.plan.summary.clip + ": " + line.text);
    } else if (line.level <= MLT_LOG_ERROR) {
      clip.lastError = line.text;
    }
  }
}

struct Tally {
  int captioned = 0;
  int failed = 0;
};

// Every clip opened, placed on the track and said so; the clips that can be
// captioned, in order. The others fail here, each with its line.
std::deque<PlannedClip> PlanAll(const Invocation& invocation, const TrackSource& track,
                                const std::optional<TrackTimes>& times, Reporter& reporter, Tally& tally) {
  std::deque<PlannedClip> planned;
  std::map<std::string, std::string> outputs;  // output -> the clip it is for
  for (size_t i = 0; i < invocation.clips.size(); ++i) {
    const std::string& path = invocation.clips[i];
    std::variant<PlannedClip, std::string> plan = PlanClip(static_cast<int>(i), path, invocation, track.baseTime);
    if (auto* why = std::get_if<std::string>(&plan)) {
      reporter.Fail(*why);
      ++tally.failed;
      continue;
    }
    const ClipSummary& summary = std::get<PlannedClip>(plan).summary;
    reporter.Say(AlignmentLine(summary, times));
    for (const std::string& warning : ClipWarnings(summary, times)) reporter.Warn(warning);
    if (const auto [other, fresh] = outputs.try_emplace(summary.output, path); !fresh) {
      reporter.Fail(path + ": its output " + summary.output + " is that of " + other->second + " too");
      ++tally.failed;
    } else if (summary.outputExists && !invocation.overwrite) {
      reporter.Fail(path + ": " + summary.output + " exists (--overwrite replaces it)");
      ++tally.failed;
    } else {
      planned.push_back(std::move(std::get<PlannedClip>(plan)));
    }
  }
  return planned;
}

// Starts (or starts again) the clip's encoder; false, after saying why, when
// it does not start.
bool StartEncoder(Running& clip, const Invocation& invocation, Reporter& reporter) {
  ++clip.attempts;
  clip.started = Clock::now();
  std::variant<std::unique_ptr<ClipEncoder>, std::string> started =
      ClipEncoder::Start(clip.plan.summary.clip, clip.plan.opened, FilterProperties(invocation, clip.plan.summary),
                         clip.partial, clip.plan.id);
  if (auto* why = std::get_if<std::string>(&started)) {
    unlink(clip.partial.c_str());
    ForgetPartial(clip.slot);
    reporter.Fail(clip.plan.summary.clip + ": " + *why);
    return false;
  }
  clip.encoder = std::move(std::get<std::unique_ptr<ClipEncoder>>(started));
  return true;
}

// Starts encoding a clip into a partial output kept in `slot` for the
// signal handler; nothing, after saying why, when it does not start.
std::unique_ptr<Running> StartClip(PlannedClip plan, int slot, const Invocation& invocation, Reporter& reporter) {
  auto clip = std::make_unique<Running>();
  clip->plan = std::move(plan);
  clip->slot = slot;
  clip->partial = PartialPathOf(clip->plan.summary.output, static_cast<long>(getpid()));
  KeepPartial(slot, clip->partial);
  if (!StartEncoder(*clip, invocation, reporter)) return nullptr;
  return clip;
}

// A clip whose consumer stopped, or that a signal stops: its output
// published when whole, else removed, and its line said.
void FinishClip(Running& clip, const ClipProgress& state, bool stopping, const Invocation& invocation,
                Reporter& reporter, Tally& tally) {
  clip.encoder->Stop();
  Drain(clip, reporter);
  const std::optional<std::string> problem =
      stopping ? std::optional<std::string>() : clip.encoder->Problem(clip.lastError);
  clip.encoder.reset();
  const std::string& name = clip.plan.summary.clip;
  const std::string& output = clip.plan.summary.output;
  if (stopping) {
    unlink(clip.partial.c_str());
    reporter.Fail(name + ": interrupted; nothing written to " + output);
  } else if (problem) {
    unlink(clip.partial.c_str());
    reporter.Fail(name + ": " + *problem + "; nothing written to " + output);
    ++tally.failed;
  } else if (const std::optional<std::string> why = Publish(clip.partial, output, invocation.overwrite)) {
    unlink(clip.partial.c_str());
    reporter.Fail(name + ": " + *why);
    ++tally.failed;
  } else {
    reporter.Say(DoneLine(state, output));
    ++tally.captioned;
  }
  ForgetPartial(clip.slot);
}

// Encodes the clips, `jobs` at once, showing their progress, until all are
// done or a signal stops the run.
void EncodeAll(std::deque<PlannedClip> waiting, const Invocation& invocation, int jobs, Reporter& reporter,
               Tally& tally) {
  std::vector<std::unique_ptr<Running>> running;
  std::vector<bool> slotUsed(jobs, false);
  while (!waiting.empty() || !running.empty()) {
    while (!StopSignal() && !waiting.empty() && static_cast<int>(running.size()) < jobs) {
      const int slot = static_cast<int>(std::find(slotUsed.begin(), slotUsed.end(), false) - slotUsed.begin());
      std::unique_ptr<Running> clip = StartClip(std::move(waiting.front()), slot, invocation, reporter);
      waiting.pop_front();
      if (!clip) {
        ++tally.failed;
        continue;
      }
      slotUsed[slot] = true;
      running.push_back(std::move(clip));
    }
    if (running.empty()) break;

    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const bool stopping = StopSignal() != 0;
    std::vector<Reporter::Running> progress;
    for (auto it = running.begin(); it != running.end();) {
      Running& clip = **it;
      Drain(clip, reporter);
      const ClipProgress state{BaseName(clip.plan.summary.clip), clip.encoder->FramesDone(),
                               clip.plan.summary.frameCount, SecondsSince(clip.started)};
      if (!stopping && !clip.encoder->Finished()) {
        progress.push_back({clip.plan.id, state});
        ++it;
        continue;
      }
      if (!stopping && clip.encoder->EndedUnstarted() && clip.attempts < kStartAttempts) {
        clip.encoder.reset();
        if (StartEncoder(clip, invocation, reporter)) {
          ++it;
          continue;
        }
        ++tally.failed;
      } else {
        FinishClip(clip, state, stopping, invocation, reporter, tally);
      }
      slotUsed[clip.slot] = false;
      it = running.erase(it);
    }
    reporter.Progress(progress);
  }
  reporter.EndProgress();
}

}  // namespace

int RunCaption(const Invocation& invocation) {
  const Clock::time_point runStarted = Clock::now();
  Reporter reporter(invocation.quiet);
  const int jobs = invocation.jobs > 0 ? invocation.jobs : DefaultJobs(std::thread::hardware_concurrency());
  if (const std::optional<std::string> why = StartMlt(jobs, true)) {
    reporter.Fail(*why);
    return kExitFailure;
  }
  TrackSource track;
  const std::optional<TrackTimes> times = ReadTrack(invocation.settings.gpxFile, track, reporter);
  if (!times) return kExitFailure;
  if (!invocation.outputDir.empty()) {
    std::string why;
    if (!MakeFolders(invocation.outputDir, why)) {
      reporter.Fail(why);
      return kExitFailure;
    }
  }

  Tally tally;
  std::deque<PlannedClip> planned = PlanAll(invocation, track, times, reporter, tally);
  InstallStopHandlers();
  EncodeAll(std::move(planned), invocation, jobs, reporter, tally);

  const int signal = StopSignal();
  if (signal != 0 || tally.failed > 0 || !reporter.Quiet()) {
    // Said with --quiet too when something went wrong.
    const std::string summary = SummaryLine(tally.captioned, tally.failed, SecondsSince(runStarted), signal != 0);
    if (reporter.Quiet()) {
      reporter.Fail(summary);
    } else {
      reporter.Say("meridel: " + summary);
    }
  }
  return ExitStatusOf(tally.failed, signal);
}

int RunInspect(const Invocation& invocation) {
  Reporter reporter(invocation.quiet);
  if (const std::optional<std::string> why = StartMlt(1, false)) {
    reporter.Fail(*why);
    return kExitFailure;
  }
  TrackSource track;
  const std::optional<TrackTimes> times = ReadTrack(invocation.settings.gpxFile, track, reporter);
  if (!times) return kExitFailure;
  int failed = 0;
  for (size_t i = 0; i < invocation.clips.size(); ++i) {
    std::variant<PlannedClip, std::string> planned =
        PlanClip(static_cast<int>(i), invocation.clips[i], invocation, track.baseTime);
    if (auto* why = std::get_if<std::string>(&planned)) {
      reporter.Fail(*why);
      ++failed;
      continue;
    }
    const std::string text = InspectText(std::get<PlannedClip>(planned).summary, times, invocation.overwrite);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  }
  return failed > 0 ? kExitFailure : kExitSuccess;
}

}  // namespace meridel::cli
