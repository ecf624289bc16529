// The filter through frei0r's entry points, as a host calls them: every
// frame must be the input with exactly the core's caption for its moment on
// top, whatever the instance, thread, buffer or parameter values.
extern "C" {
#include <frei0r.h>
}

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "drawing/bordered_caption.h"
#include "drawing/caption_font.h"
#include "drawing/font_lookup.h"
#include "frei0r/parameters.h"
#include "josm/josm_request.h"
#include "overlay/caption.h"
#include "overlay/frame_moment.h"
#include "support/fake_platform.h"
#include "support/import_fixture.h"
#include "support/track_files.h"
#include "track/gpx_import.h"
#include "track/track_store.h"

namespace {

using meridel::CaptionSetting;
using meridel::frei0r::Parameter;
using test_support::Point;
using test_support::TempFile;

Parameter P(CaptionSetting setting) { return *meridel::frei0r::ParameterOf(setting); }

constexpr int32_t kT0 = test_support::kT0;  // the first point's time

// Three points a minute apart, moving north-east.
std::string Ride() {
  return test_support::GpxWithSegment(Point("lat=\"35.6\" lon=\"139.7\"", "<time>2015-06-01T10:20:30Z</time>") +
                                      Point("lat=\"35.7\" lon=\"139.8\"", "<time>2015-06-01T10:21:30Z</time>") +
                                      Point("lat=\"35.8\" lon=\"139.9\"", "<time>2015-06-01T10:22:30Z</time>"));
}

// A frame of distinct pixels, so that a caption drawn on the wrong input shows.
std::vector<uint32_t> Pattern(uint32_t width, uint32_t height) {
  std::vector<uint32_t> frame(size_t{width} * height);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = 0xFF000000u | static_cast<uint32_t>(i * 2654435761u >> 8);
  return frame;
}

// One filter instance, released at the end.
class Instance {
 public:
  Instance(uint32_t width, uint32_t height) : width(width), height(height), handle(f0r_construct(width, height)) {}
  ~Instance() { f0r_destruct(handle); }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  void Set(Parameter parameter, const std::string& text) {
    const char* value = text.c_str();
    f0r_set_param_value(handle, &value, parameter);
  }
  void Set(Parameter parameter, double value) { f0r_set_param_value(handle, &value, parameter); }
  void Set(Parameter parameter, f0r_param_color_t value) { f0r_set_param_value(handle, &value, parameter); }
  std::string Text(Parameter parameter) {
    char* value = nullptr;
    f0r_get_param_value(handle, &value, parameter);
    return value ? value : "(null)";
  }
  double Number(Parameter parameter) {
    double value = -1;
    f0r_get_param_value(handle, &value, parameter);
    return value;
  }
  std::vector<uint32_t> Render(double time, const std::vector<uint32_t>& in) {
    std::vector<uint32_t> out(in.size(), 0x12345678u);
    f0r_update(handle, time, in.data(), out.data());
    return out;
  }

  const uint32_t width;
  const uint32_t height;
  f0r_instance_t handle;
};

// What the frame must look like: the core's caption for the moment, drawn
// with the default font and colours at the default place.
class Expectation {
 public:
  Expectation(const std::string& gpxPath, int32_t utcOffset, int32_t clockDifference)
      : utcOffset_(utcOffset), clockDifference_(clockDifference) {
    meridel::ImportGpxFile(gpxPath.c_str(), track_, baseTime_);
  }

  std::string Caption(int32_t seconds) {
    return meridel::BuildCaption(track_, Moment(seconds), utcOffset_);
  }
  int64_t Moment(int32_t seconds) const { return meridel::FrameMoment(baseTime_, seconds, clockDifference_); }

  std::vector<uint32_t> Frame(int32_t seconds, std::vector<uint32_t> frame, uint32_t width, uint32_t height) {
    const meridel::CaptionSettings defaults = meridel::frei0r::DefaultSettings().caption;
    const int size = meridel::FontPixelSize(defaults.fontSize, height);
    if (!font_ || font_->PixelSize() != size) {
      const meridel::drawing::FontMatch match = meridel::drawing::FindFont("");
      std::string error;
      font_ = meridel::drawing::CaptionFont::Open(match.file, match.faceIndex, size, error);
    }
    meridel::drawing::BorderedCaption caption;
    caption.Draw(*font_,
                 meridel::drawing::PackedPicture(meridel::drawing::PixelLayout::kRgba,
                                                 reinterpret_cast<uint8_t*>(frame.data()), width, height),
                 Caption(seconds),
                 static_cast<int64_t>(std::floor(defaults.x * width)), static_cast<int64_t>(std::floor(defaults.y * height)),
                 defaults.textColor, defaults.borderColor);
    return frame;
  }

 private:
  meridel::TrackStore track_;
  int32_t baseTime_ = 0;
  int32_t utcOffset_;
  int32_t clockDifference_;
  std::unique_ptr<meridel::drawing::CaptionFont> font_;
};

class Frei0rPluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    ASSERT_EQ(f0r_init(), 1);
  }
  void TearDown() override { f0r_deinit(); }

  const TempFile ride{Ride()};
};

TEST_F(Frei0rPluginTest, DeclaresAnRgbaFilterAndItsParameters) {
  f0r_plugin_info_t info{};
  f0r_get_plugin_info(&info);
  EXPECT_EQ(info.plugin_type, F0R_PLUGIN_TYPE_FILTER);
  EXPECT_EQ(info.color_model, F0R_COLOR_MODEL_RGBA8888);
  EXPECT_EQ(info.frei0r_version, FREI0R_MAJOR_VERSION);
  ASSERT_EQ(info.num_params, meridel::frei0r::kParameterCount);
  std::vector<std::string> names;
  for (int i = 0; i < info.num_params; ++i) {
    f0r_param_info_t parameter{};
    f0r_get_param_info(&parameter, i);
    ASSERT_NE(parameter.name, nullptr);
    names.emplace_back(parameter.name);
    EXPECT_NE(parameter.type, F0R_PARAM_POSITION) << "MLT never sets a position";
  }
  EXPECT_EQ(names.front(), "gpx file");  // ffmpeg sets them by position: the file first
  f0r_param_info_t untouched{"keep", 9, nullptr};
  f0r_get_param_info(&untouched, info.num_params);
  EXPECT_STREQ(untouched.name, "keep");
}

TEST_F(Frei0rPluginTest, ParametersReadBackAndRefuseWhatTheyCannotUse) {
  Instance filter(64, 64);
  EXPECT_EQ(filter.Text(P(CaptionSetting::kUtcOffset)), "+00:00");
  EXPECT_EQ(filter.Text(P(CaptionSetting::kFont)), "DejaVu Sans Mono");
  EXPECT_EQ(filter.Number(P(CaptionSetting::kJosmSync)), 0.0);
  struct Case {
    Parameter parameter;
    const char* text;
    const char* kept;  // what reads back afterwards
  } const cases[] = {
      {P(CaptionSetting::kUtcOffset), "-03:30", "-03:30"},  {P(CaptionSetting::kUtcOffset), "25:00", "-03:30"},
      {P(CaptionSetting::kUtcOffset), "+2:7", "-03:30"},    {P(CaptionSetting::kClockDifference), "-2:05", "-2:05"},
      {P(CaptionSetting::kClockDifference), "1:60", "-2:05"}, {P(CaptionSetting::kJosmZoom), "11", "0"},
      {P(CaptionSetting::kJosmZoom), "-10", "-10"},         {P(CaptionSetting::kFontSize), "0", ""},
      {P(CaptionSetting::kFontSize), "2000", ""},           {P(CaptionSetting::kFontSize), "48", "48"},
      {meridel::frei0r::kTimeUnit, "minutes", "auto"},    {meridel::frei0r::kTimeUnit, "ms", "ms"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    filter.Set(c.parameter, std::string(c.text));
    EXPECT_EQ(filter.Text(c.parameter), c.kept);
  }
  for (const double bad : {std::nan(""), std::numeric_limits<double>::infinity()}) {
    filter.Set(P(CaptionSetting::kX), 0.5);
    filter.Set(P(CaptionSetting::kX), bad);
    EXPECT_EQ(filter.Number(P(CaptionSetting::kX)), 0.5);
  }
  filter.Set(P(CaptionSetting::kJosmSync), 1.0);
  EXPECT_EQ(filter.Number(P(CaptionSetting::kJosmSync)), 1.0);
  f0r_param_color_t red{1.0f, 0.0f, std::nanf("")};
  filter.Set(P(CaptionSetting::kTextColor), red);
  f0r_param_color_t back{};
  f0r_get_param_value(filter.handle, &back, P(CaptionSetting::kTextColor));
  EXPECT_EQ(back.r, 1.0f);
  EXPECT_EQ(back.b, 0.0f);
}

TEST_F(Frei0rPluginTest, EachFrameGetsTheCoresCaptionForItsMoment) {
  constexpr uint32_t kWidth = 320;
  constexpr uint32_t kHeight = 180;
  const std::vector<uint32_t> input = Pattern(kWidth, kHeight);
  Instance filter(kWidth, kHeight);
  filter.Set(P(CaptionSetting::kGpxFile), ride.path());
  filter.Set(P(CaptionSetting::kUtcOffset), std::string("+09:00"));
  filter.Set(P(CaptionSetting::kClockDifference), std::string("-00:00:05"));
  Expectation expected(ride.path(), 9 * 3600, -5);
  // Seconds as MLT passes them, including last-bit errors at a whole second.
  const struct {
    double time;
    int32_t seconds;
  } frames[] = {{0.0, 0}, {0.9676, 0}, {29.0 / (30000.0 / 1001.0), 0}, {30.0 / (30000.0 / 1001.0), 1},
                {1000.9999999999999, 1001}, {62.5, 62}, {125.0, 125}, {-0.5, 0}};
  for (const auto& frame : frames) {
    SCOPED_TRACE(frame.time);
    EXPECT_EQ(filter.Render(frame.time, input), expected.Frame(frame.seconds, input, kWidth, kHeight));
  }
  EXPECT_EQ(expected.Caption(95), "2015-06-01 19:22:00\n35.75000000 139.85000000");
}

TEST_F(Frei0rPluginTest, MillisecondsAndSecondsGiveTheSameFrame) {
  const std::vector<uint32_t> input = Pattern(128, 72);
  Instance seconds(128, 72);
  Instance milliseconds(128, 72);
  for (Instance* filter : {&seconds, &milliseconds}) filter->Set(P(CaptionSetting::kGpxFile), ride.path());
  seconds.Set(meridel::frei0r::kTimeUnit, std::string("s"));
  milliseconds.Set(meridel::frei0r::kTimeUnit, std::string("ms"));
  // Frames 0, 1, 30 and 1800 at 30000/1001, as melt and ffmpeg pass them.
  for (const int frame : {0, 1, 30, 1800}) {
    SCOPED_TRACE(frame);
    const double time = frame * 1001.0 / 30000.0;
    EXPECT_EQ(seconds.Render(time, input), milliseconds.Render(time * 1000.0, input));
  }
}

TEST_F(Frei0rPluginTest, InstancesKeepTheirOwnTracksAcrossThreads) {
  const TempFile other(test_support::GpxWithSegment(Point("lat=\"-33.8\" lon=\"151.2\"")));
  constexpr uint32_t kWidth = 160;
  constexpr uint32_t kHeight = 90;
  const std::vector<uint32_t> input = Pattern(kWidth, kHeight);
  struct Run {
    const std::string path;
    bool same = true;
  } runs[] = {{ride.path()}, {other.path()}};
  std::vector<std::thread> threads;
  for (Run& run : runs) {
    threads.emplace_back([&run, &input] {
      Instance filter(kWidth, kHeight);
      filter.Set(P(CaptionSetting::kGpxFile), run.path);
      Expectation expected(run.path, 0, 0);
      for (int second = 0; second < 40; ++second)
        run.same = run.same && filter.Render(second, input) == expected.Frame(second, input, kWidth, kHeight);
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_TRUE(runs[0].same);
  EXPECT_TRUE(runs[1].same);
}

TEST_F(Frei0rPluginTest, SameBufferInAndOut) {
  const std::vector<uint32_t> input = Pattern(200, 100);
  Instance apart(200, 100);
  Instance inPlace(200, 100);
  for (Instance* filter : {&apart, &inPlace}) filter->Set(P(CaptionSetting::kGpxFile), ride.path());
  std::vector<uint32_t> frame = input;
  f0r_update(inPlace.handle, 61.0, frame.data(), frame.data());
  EXPECT_EQ(frame, apart.Render(61.0, input));
}

TEST_F(Frei0rPluginTest, BadInputPassesFramesThroughAndSaysSoOnce) {
  const TempFile notGpx("lat,lon\n1,2\n");
  struct Case {
    const char* name;
    uint32_t width;
    uint32_t height;
    std::string gpx;
    std::string font;
    double time;
    bool captioned;  // false: the frame passes through untouched
    const char* said;
  } const cases[] = {
      {"a missing file", 64, 64, "/nonexistent/ride.gpx", "", 1.0, true, "File load error"},
      {"no GPX file", 64, 64, "", "", 1.0, true, "no GPX file"},
      {"not GPX", 64, 64, notGpx.path(), "", 1.0, true, "File load error"},
      {"no such font", 64, 64, ride.path(), "No Such Font Family 7", 1.0, true, "not found, using \"DejaVu Sans Mono\""},
      {"NaN time", 64, 64, ride.path(), "", std::nan(""), false, "no usable frame time"},
      {"ffmpeg's lost time", 64, 64, ride.path(), "", -3.6893488147419103e+20, false, "no usable frame time"},
      {"1x1", 1, 1, ride.path(), "", 1.0, true, ""},
      {"7x3", 7, 3, ride.path(), "", 1.0, true, ""},
      {"8K", 7680, 4320, ride.path(), "", 1.0, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint32_t> input = Pattern(c.width, c.height);
    Instance filter(c.width, c.height);
    filter.Set(P(CaptionSetting::kGpxFile), c.gpx);
    if (!c.font.empty()) filter.Set(P(CaptionSetting::kFont), c.font);
    testing::internal::CaptureStderr();
    const std::vector<uint32_t> first = filter.Render(c.time, input);
    const std::vector<uint32_t> second = filter.Render(c.time, input);
    const std::string said = testing::internal::GetCapturedStderr();
    if (*c.said) {
      EXPECT_NE(said.find(c.said), std::string::npos) << said;
      EXPECT_EQ(said.find(c.said, said.find(c.said) + 1), std::string::npos) << "said twice: " << said;
    }
    EXPECT_EQ(first, second);
    if (!c.captioned) {
      EXPECT_EQ(first, input);
    } else if (c.height >= 64) {
      EXPECT_NE(first, input);
    }
  }
}

TEST_F(Frei0rPluginTest, JosmSyncSendsTheDllsZoomOncePerFrame) {
  const std::vector<uint32_t> input = Pattern(64, 64);
  Instance filter(64, 64);
  filter.Set(P(CaptionSetting::kGpxFile), ride.path());
  filter.Set(P(CaptionSetting::kJosmZoom), std::string("3"));
  filter.Render(10.0, input);
  EXPECT_TRUE(fake::Http().requests.empty());
  filter.Set(P(CaptionSetting::kJosmSync), 1.0);
  for (const double time : {90.0, 90.0, 90.0, 91.0}) filter.Render(time, input);  // a host may render a frame again
  // 90 and 91 seconds after the first point: a quarter and a sixtieth on from the second.
  EXPECT_EQ(fake::Http().requests,
            (std::vector<std::string>{
                meridel::BuildJosmRequest(meridel::JosmCommand::ZoomView, 3, 35.75, 139.85),
                meridel::BuildJosmRequest(meridel::JosmCommand::ZoomView, 3, 35.7 + 31 * 0.1 / 60, 139.8 + 31 * 0.1 / 60)}));
}

TEST_F(Frei0rPluginTest, NullInstanceAndFramesAreIgnored) {
  f0r_update(nullptr, 0.0, nullptr, nullptr);
  f0r_set_param_value(nullptr, nullptr, 0);
  Instance filter(8, 8);
  f0r_update(filter.handle, 0.0, nullptr, nullptr);
  f0r_set_param_value(filter.handle, nullptr, 0);
  f0r_set_param_value(filter.handle, nullptr, -1);
  double value = 0;
  f0r_set_param_value(filter.handle, &value, 99);
}

}  // namespace
