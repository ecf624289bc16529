// One whole session, driven like the host drives the module: start-up, the
// source opened, imports that fail and one that succeeds, frames with "JOSM
// sync" ticked against an absent JOSM and against the JOSM stand-in on port
// 8111, the font and colour choosers confirmed and cancelled, and exit. It
// runs under valgrind (and, in the sanitizer build, under LeakSanitizer):
// nothing may leak or be read out of bounds, and every font made is released.
// Port 8111 is fixed, so run it in a network namespace of its own
// (tests/session/private_network.sh).
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "windows_editor/filter_state.h"
#include "windows_editor/filter_table.h"
#include "windows_editor/frame_callback.h"
#include "windows_editor/lifecycle.h"
#include "support/fake_platform.h"
#include "platform/posix/curl_client.h"
#include "support/host_fixture.h"
#include "support/track_files.h"

namespace {

using test_support::Host;
using test_support::TempFile;

const std::string kControl = std::string(MERIDEL_SOURCE_DIR) + "/tools/josm-standin-ctl.sh";
void* const kWindow = reinterpret_cast<void*>(0x10);
EditHandle const kEdit = reinterpret_cast<EditHandle>(0x20);

// The JOSM stand-in on JOSM's own port, started and stopped by its pid.
class JosmStandIn {
 public:
  JosmStandIn() : dir_(std::filesystem::temp_directory_path() / ("meridel-session-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(dir_);
  }
  ~JosmStandIn() {
    Stop();
    std::filesystem::remove_all(dir_);
  }
  JosmStandIn(const JosmStandIn&) = delete;
  JosmStandIn& operator=(const JosmStandIn&) = delete;

  bool Start() { return std::system(("sh '" + kControl + "' start 8111 '" + Log() + "' ok >/dev/null").c_str()) == 0; }
  void Stop() { std::system(("sh '" + kControl + "' stop '" + Log() + ".pid'").c_str()); }

  // Requests logged whose path starts with `prefix`.
  int Count(const std::string& prefix) const {
    std::ifstream log(Log());
    int count = 0;
    for (std::string line; std::getline(log, line);)
      if (line.find("\"path\": \"/" + prefix) != std::string::npos) ++count;
    return count;
  }

 private:
  std::string Log() const { return (dir_ / "requests.log").string(); }
  std::filesystem::path dir_;
};

class Session {
 public:
  int32_t Press(int check) {
    return meridel::HandleWindowMessage(state, kWindow, kWmCommand, kFirstCommandId + check, kEdit, &host.filter);
  }

  // The import's message for a file chosen in the dialog.
  std::string ImportChosen(const std::string& path) {
    fake::State().openFileAnswers.push_back(path);
    fake::State().messageBoxes.clear();
    EXPECT_EQ(Press(meridel::kCheckGpsFile), 1);
    return fake::State().messageBoxes.empty() ? "" : fake::State().messageBoxes.back().text;
  }

  // Renders frames first to last; each draws its caption five times.
  void Render(int32_t first, int32_t last) {
    for (int32_t number = first; number <= last; ++number) {
      FrameProcInfo frame{};
      frame.image = image;
      frame.frame = number;
      const size_t drawsBefore = Host().draws.size();
      ASSERT_EQ(meridel::RenderFrame(state, &host.filter, &frame), 1);
      ASSERT_EQ(Host().draws.size(), drawsBefore + 5);
    }
  }

  void Sync(bool ticked) { host.checkValues[meridel::kCheckJosmSync] = ticked ? 1 : 0; }

  meridel::FilterState state;
  test_support::HostFilterFixture host;
  unsigned char image[16] = {};
};

std::string Track(int points) {
  std::string segment;
  for (int i = 0; i < points; ++i) {
    const std::string second = std::to_string(10 + i % 50);
    segment += "<trkpt lat=\"35." + std::to_string(600000 + i) + "\" lon=\"139.7" + std::to_string(i) +
               "\"><ele>40</ele><time>2015-06-01T10:" + std::to_string(20 + i / 50) + ":" + second +
               "Z</time></trkpt>\n";
  }
  return test_support::GpxWithSegment(segment);
}

TEST(WholeSession, LeavesNothingBehind) {
  fake::Reset();
  fake::UseHttpClient(&platform::CurlHttpClient());
  Session session;
  ASSERT_EQ(meridel::StartFilter(session.state), 1);

  // Frames before any source: a rate of 0, no track.
  session.Render(0, 2);

  Host().sourceInfo.width = 1920;
  Host().sourceInfo.height = 1080;
  Host().sourceInfo.rate = 30000;
  Host().sourceInfo.scale = 1001;
  EXPECT_EQ(meridel::HandleWindowMessage(session.state, kWindow, kMsgSourceOpened, 0, kEdit, &session.host.filter), 0);

  // Imports that fail, one way each, and a cancelled dialog.
  const std::string missing = (std::filesystem::temp_directory_path() / "meridel-session-missing.gpx").string();
  const TempFile notXml("lat,lon\n35.6,139.7\n");
  const TempFile noPoint("<gpx><trk><trkseg/></trk></gpx>");
  EXPECT_EQ(session.ImportChosen(missing), "File load error");
  EXPECT_EQ(session.ImportChosen(notXml.path()), "File load error");
  EXPECT_EQ(session.ImportChosen(noPoint.path()), "No trkpt in GPX file");
  fake::State().openFileAnswers.push_back(std::nullopt);
  EXPECT_EQ(session.Press(meridel::kCheckGpsFile), 1);
  session.Render(3, 5);

  const TempFile good(Track(150));
  EXPECT_EQ(session.ImportChosen(good.path()), "Read complete.\n150 points were imported.");
  session.Render(0, 90);

  JosmStandIn josm;
  {
    SCOPED_TRACE("JOSM absent");
    session.Sync(true);
    session.Render(91, 120);
    EXPECT_EQ(session.Press(meridel::kCheckJosmAdd), 0);
  }
  {
    SCOPED_TRACE("JOSM present");
    ASSERT_TRUE(josm.Start());
    fake::State().monotonicMilliseconds += meridel::kJosmQuietPeriodMs;  // the absent JOSM's quiet period ends
    session.Render(121, 160);
    Host().currentFrame = 130;
    EXPECT_EQ(session.Press(meridel::kCheckJosmAdd), 0);
    EXPECT_EQ(josm.Count("zoom?"), 40);
    EXPECT_EQ(josm.Count("add_node?"), 1);
  }

  {
    SCOPED_TRACE("choosers");
    platform::LogFont courier{};
    courier.lfHeight = -24;
    std::snprintf(courier.lfFaceName, sizeof courier.lfFaceName, "Courier New");
    fake::State().fontAnswers.push_back({true, courier, 0x00FF8000});
    fake::State().fontAnswers.push_back({false, {}, 0});
    fake::State().colorAnswers = {0x000000FF, std::nullopt, 0x00FFFF00, std::nullopt};
    for (const int check : {meridel::kCheckFont, meridel::kCheckFont, meridel::kCheckTextColor,
                            meridel::kCheckTextColor, meridel::kCheckBorderColor, meridel::kCheckBorderColor}) {
      EXPECT_EQ(session.Press(check), 1);
      session.Render(161, 165);
    }
    EXPECT_EQ(session.state.settings.fontHeight, -24);
    EXPECT_EQ(session.state.settings.textColor, 0x000000FFu);
    EXPECT_EQ(session.state.settings.borderColor, 0x00FFFF00u);
  }

  {
    SCOPED_TRACE("a failed import after a good one, then JOSM gone again");
    EXPECT_EQ(session.ImportChosen(notXml.path()), "File load error");
    session.Render(166, 170);
    EXPECT_EQ(session.ImportChosen(good.path()), "Read complete.\n150 points were imported.");
    josm.Stop();
    session.Render(171, 180);
  }

  EXPECT_EQ(meridel::ExitFilter(session.state), 1);
  EXPECT_EQ(session.state.track.Count(), 0u);
  EXPECT_EQ(session.state.josm.session, nullptr);
  EXPECT_EQ(fake::State().comInitializeCalls, fake::State().comUninitializeCalls);
  EXPECT_GT(fake::State().madeFonts.size(), 1u);
  EXPECT_TRUE(fake::State().liveFonts.empty()) << fake::State().liveFonts.size() << " fonts not released";

  fake::UseHttpClient(nullptr);
  // The client's global set-up lives until the process ends; a host unloads us.
  curl_global_cleanup();
}

}  // namespace
