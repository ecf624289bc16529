// The meridel filter driven through MLT's own API, as melt and the editors
// drive it: clips whose frames carry their place in their source, cut and
// placed on playlists; every frame must come back as the clip's picture with
// exactly the core's caption for its moment drawn on it, in its own format.
extern "C" {
#include <framework/mlt.h>
}

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "drawing/bordered_caption.h"
#include "drawing/caption_painter.h"
#include "drawing/font_lookup.h"
#include "drawing/picture.h"
#include "josm/josm_request.h"
#include "mlt/filter.h"
#include "mlt/metadata_yaml.h"
#include "mlt/properties.h"
#include "overlay/caption.h"
#include "overlay/frame_moment.h"
#include "overlay/setting_table.h"
#include "overlay/start_rule.h"
#include "support/fake_platform.h"
#include "support/readme_table.h"
#include "support/track_files.h"
#include "track/gpx_import.h"
#include "track/track_store.h"

namespace {

namespace dr = meridel::drawing;
using meridel::CaptionSetting;

const std::string kRide = MERIDEL_SOURCE_DIR "/samples/ride.gpx";  // 2023-06-17 07:30:00Z, one point a second
constexpr int32_t kRideStart = 1686987000;

int32_t Utc(const char* text) { return *meridel::ParseUtcTime(text); }

// Every line MLT's log receives.
std::mutex logMutex;
std::vector<std::string> logLines;

void RecordLog(void*, int, const char* format, va_list arguments) {
  char line[1024];
  std::vsnprintf(line, sizeof line, format, arguments);
  const std::lock_guard<std::mutex> lock(logMutex);
  logLines.emplace_back(line);
}

size_t TimesSaid(const std::string& words) {
  const std::lock_guard<std::mutex> lock(logMutex);
  size_t count = 0;
  for (const std::string& line : logLines) count += line.find(words) != std::string::npos;
  return count;
}

// The fake platform's client, safe for the filter's JOSM thread, with a wait
// for the requests to arrive.
class JosmRecorder final : public platform::HttpClient {
 public:
  platform::HttpHandle OpenSession(const char* agent) override {
    const Turn turn(*this);
    return inner_.OpenSession(agent);
  }
  void SetTimeouts(platform::HttpHandle session, const platform::HttpTimeouts& timeouts) override {
    const Turn turn(*this);
    inner_.SetTimeouts(session, timeouts);
  }
  platform::HttpHandle Connect(platform::HttpHandle session, const char* server, uint16_t port) override {
    const Turn turn(*this);
    return inner_.Connect(session, server, port);
  }
  platform::HttpHandle OpenRequest(platform::HttpHandle connection, const char* verb, const char* object,
                                   uint32_t flags) override {
    const Turn turn(*this);
    return inner_.OpenRequest(connection, verb, object, flags);
  }
  bool SendRequest(platform::HttpHandle request) override {
    const Turn turn(*this);
    return inner_.SendRequest(request);
  }
  bool QueryStatusCode(platform::HttpHandle request, uint32_t& status) override {
    const Turn turn(*this);
    return inner_.QueryStatusCode(request, status);
  }
  void CloseHandle(platform::HttpHandle handle) override {
    const Turn turn(*this);
    inner_.CloseHandle(handle);
  }

  // The requests received once there are `count` of them (or after 5 s).
  std::vector<std::string> WaitFor(size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    arrived_.wait_for(lock, std::chrono::seconds(5), [&] { return inner_.requests.size() >= count; });
    return inner_.requests;
  }

 private:
  struct Turn {
    explicit Turn(JosmRecorder& recorder) : recorder(recorder), lock(recorder.mutex_) {}
    ~Turn() { recorder.arrived_.notify_all(); }
    JosmRecorder& recorder;
    std::lock_guard<std::mutex> lock;
  };
  std::mutex mutex_;
  std::condition_variable arrived_;
  fake::RecordingHttpClient inner_;
};

struct ClipFacts {
  mlt_image_format format = mlt_image_yuv422;
  int width = 320;
  int height = 180;
  const char* containerTime = "2023-06-17T07:31:00.000000Z";  // null: the container records none
  const char* streamTime = nullptr;
  int colorspace = 709;
  bool fullRange = false;
};

// Distinct bytes, so that a caption drawn on the wrong input shows.
std::vector<uint8_t> Pattern(const ClipFacts& clip) {
  std::vector<uint8_t> bytes(mlt_image_format_size(clip.format, clip.width, clip.height, nullptr));
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>((i * 2654435761u) >> 24);
  return bytes;
}

int GetClipImage(mlt_frame frame, uint8_t** image, mlt_image_format* format, int* width, int* height, int) {
  const auto* clip = static_cast<const ClipFacts*>(mlt_frame_pop_service(frame));
  const std::vector<uint8_t> pattern = Pattern(*clip);
  // Exactly the image's size, so that a write outside it shows under ASan.
  auto* data = static_cast<uint8_t*>(std::malloc(pattern.size()));
  std::memcpy(data, pattern.data(), pattern.size());
  mlt_frame_set_image(frame, data, static_cast<int>(pattern.size()), std::free);
  *image = data;
  *format = clip->format;
  *width = clip->width;
  *height = clip->height;
  return 0;
}

// Frames as a file's producer makes them: their position is their place in
// the source, their image the clip's pattern in its own format.
int GetClipFrame(mlt_producer producer, mlt_frame_ptr frame, int) {
  auto* clip = static_cast<ClipFacts*>(producer->child);
  *frame = mlt_frame_init(MLT_PRODUCER_SERVICE(producer));
  mlt_properties properties = MLT_FRAME_PROPERTIES(*frame);
  mlt_frame_set_position(*frame, mlt_producer_position(producer));
  mlt_properties_set_int(properties, "colorspace", clip->colorspace);
  mlt_properties_set_int(properties, "full_range", clip->fullRange);
  mlt_frame_push_service(*frame, clip);
  mlt_frame_push_get_image(*frame, GetClipImage);
  mlt_producer_prepare_next(producer);
  return 0;
}

// As producers of MLT's modules close: the service, then the memory.
void CloseClip(mlt_producer producer) {
  producer->close = nullptr;
  mlt_producer_close(producer);
  std::free(producer);
}

class Clip {
 public:
  Clip(mlt_profile profile, const ClipFacts& facts, const char* name = "ride.mp4")
      : facts_(facts), producer_(mlt_producer_new(profile)) {
    producer_->child = &facts_;
    producer_->get_frame = GetClipFrame;
    producer_->close = reinterpret_cast<mlt_destructor>(CloseClip);
    mlt_properties properties = MLT_PRODUCER_PROPERTIES(producer_);
    mlt_properties_set(properties, "resource", name);
    mlt_properties_set_position(properties, "length", 100000);
    mlt_properties_set_position(properties, "out", 99999);
    if (facts.containerTime) mlt_properties_set(properties, "meta.attr.creation_time.markup", facts.containerTime);
    if (facts.streamTime) {
      mlt_properties_set_int(properties, "video_index", 0);
      mlt_properties_set(properties, "meta.attr.0.stream.creation_time.markup", facts.streamTime);
    }
  }
  ~Clip() { mlt_producer_close(producer_); }
  Clip(const Clip&) = delete;
  Clip& operator=(const Clip&) = delete;
  mlt_producer producer() const { return producer_; }
  const ClipFacts& facts() const { return facts_; }

 private:
  ClipFacts facts_;
  mlt_producer producer_;
};

mlt_profile NewProfile(int rateNum, int rateDen, int width = 320, int height = 180) {
  auto profile = static_cast<mlt_profile>(std::calloc(1, sizeof(struct mlt_profile_s)));
  profile->frame_rate_num = rateNum;
  profile->frame_rate_den = rateDen;
  profile->width = width;
  profile->height = height;
  profile->progressive = 1;
  profile->sample_aspect_num = profile->sample_aspect_den = 1;
  profile->display_aspect_num = width;
  profile->display_aspect_den = height;
  profile->colorspace = 709;
  profile->description = ::strdup("test");  // copied by MLT 7.30's producers
  return profile;
}

// A filter as MLT's factory makes one, with `properties` set.
mlt_filter NewMeridel(mlt_profile profile, const std::vector<std::pair<std::string, std::string>>& properties) {
  mlt_filter filter = meridel::mlt::NewFilter(profile, mlt_service_filter_type, "meridel", const_cast<char*>(kRide.c_str()));
  mlt_service_set_profile(MLT_FILTER_SERVICE(filter), profile);
  mlt_properties_set(MLT_FILTER_PROPERTIES(filter), "mlt_service", "meridel");
  for (const auto& [name, value] : properties) mlt_properties_set(MLT_FILTER_PROPERTIES(filter), name.c_str(), value.c_str());
  return filter;
}

mlt_frame FrameAt(mlt_producer producer, int position) {
  mlt_producer_seek(producer, position);
  mlt_frame frame = nullptr;
  mlt_service_get_frame(MLT_PRODUCER_SERVICE(producer), &frame, 0);
  return frame;
}

std::vector<uint8_t> ImageOf(mlt_frame frame) {
  uint8_t* image = nullptr;
  mlt_image_format format = mlt_image_none;
  int width = 0, height = 0;
  if (mlt_frame_get_image(frame, &image, &format, &width, &height, 0) != 0 || !image) return {};
  return {image, image + mlt_image_format_size(format, width, height, nullptr)};
}

std::vector<uint8_t> Render(mlt_producer producer, int position) {
  mlt_frame frame = FrameAt(producer, position);
  std::vector<uint8_t> image = ImageOf(frame);
  mlt_frame_close(frame);
  return image;
}

// What a frame must show: the clip's pattern with the core's caption for
// `moment` drawn on it, at the default place, size and colours.
std::vector<uint8_t> Expected(const ClipFacts& clip, int64_t moment, int32_t utcOffset = 0) {
  meridel::TrackStore track;
  int32_t base = 0;
  meridel::ImportGpxFile(kRide.c_str(), track, base);
  const meridel::CaptionSettings settings;
  const dr::FontMatch match = dr::FindFont(settings.font);
  std::string error;
  const auto font = dr::CaptionFont::Open(match.file, match.faceIndex,
                                          meridel::FontPixelSize(settings.fontSize, clip.height), error);
  std::vector<uint8_t> bytes = Pattern(clip);
  const dr::PixelLayout layout = clip.format == mlt_image_rgba  ? dr::PixelLayout::kRgba
                                 : clip.format == mlt_image_rgb ? dr::PixelLayout::kRgb
                                 : clip.format == mlt_image_yuv422 ? dr::PixelLayout::kYuyv
                                                                   : dr::PixelLayout::kYuv420p;
  const dr::Picture picture = dr::PackedPicture(layout, bytes.data(), clip.width, clip.height,
                                                {.bt709 = clip.colorspace == 709, .fullRange = clip.fullRange});
  dr::BorderedCaption().Draw(*font, picture, meridel::BuildCaption(track, moment, utcOffset),
                             dr::PixelOf(settings.x, clip.width), dr::PixelOf(settings.y, clip.height),
                             settings.textColor, settings.borderColor);
  return bytes;
}

class MltFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    fake::UseHttpClient(&josm);
    mlt_log_set_callback(RecordLog);
    const std::lock_guard<std::mutex> lock(logMutex);
    logLines.clear();
  }
  void TearDown() override {
    mlt_profile_close(profile);
    fake::Reset();
  }

  mlt_profile profile = NewProfile(25, 1);
  JosmRecorder josm;
};

TEST_F(MltFilterTest, MetadataListsEveryPropertyWithItsDefault) {
  const test_support::TempFile file(meridel::mlt::MetadataYaml());
  mlt_properties metadata = mlt_properties_parse_yaml(file.path().c_str());
  ASSERT_NE(metadata, nullptr);
  EXPECT_STREQ(mlt_properties_get(metadata, "identifier"), "meridel");
  auto* parameters = static_cast<mlt_properties>(mlt_properties_get_data(metadata, "parameters", nullptr));
  ASSERT_NE(parameters, nullptr);
  std::vector<std::string> listed;
  for (int i = 0; i < mlt_properties_count(parameters); ++i) {
    auto* parameter = static_cast<mlt_properties>(mlt_properties_get_data_at(parameters, i, nullptr));
    listed.emplace_back(mlt_properties_get(parameter, "identifier"));
    const char* given = mlt_properties_get(parameter, "default");
    for (int s = 0; s < static_cast<int>(CaptionSetting::kCount); ++s) {
      const auto setting = static_cast<CaptionSetting>(s);
      if (listed.back() == meridel::NamesOf(setting).mlt) {
        EXPECT_EQ(given ? given : "", meridel::DefaultText(setting));
      }
    }
    EXPECT_NE(mlt_properties_get(parameter, "description"), nullptr) << listed.back();
  }
  std::vector<std::string> expected;
  for (const meridel::SettingRow& row : meridel::kSettingTable) expected.emplace_back(row.names.mlt);
  expected.emplace_back(meridel::mlt::kJosmAddProperty);
  EXPECT_EQ(listed, expected);
  mlt_properties_close(metadata);

  // A new filter holds every default, and its argument as the GPX file.
  mlt_filter filter = NewMeridel(profile, {});
  for (int s = 0; s < static_cast<int>(CaptionSetting::kCount); ++s) {
    const auto setting = static_cast<CaptionSetting>(s);
    const char* value = mlt_properties_get(MLT_FILTER_PROPERTIES(filter), meridel::NamesOf(setting).mlt.data());
    EXPECT_EQ(value, setting == CaptionSetting::kGpxFile ? kRide : meridel::DefaultText(setting));
  }
  mlt_filter_close(filter);
}

TEST(MltProperties, TheReadmesTableIsTheFilters) {
  std::vector<std::vector<std::string>> rows;
  for (const meridel::mlt::PropertyDoc& doc : meridel::mlt::PropertyDocs()) {
    rows.push_back({"`" + doc.name + "`", doc.defaultText.empty() ? "none" : "`" + doc.defaultText + "`", doc.description});
  }
  EXPECT_EQ(test_support::ReadmeTable("mlt"), test_support::MarkdownTable({"Property", "Default", "Format"}, rows));
}

// Which moment a frame shows: its time in its source, whatever the trim, its
// place on the playlist or the project's rate, from the start rule.
TEST_F(MltFilterTest, EachFrameShowsTheMomentOfItsPlaceInItsSource) {
  const int32_t clipTime = Utc("2023-06-17T07:31:00Z");
  struct Case {
    const char* name;
    const char* start;
    ClipFacts clip;
    int rateNum, rateDen;
    int in;       // the trim of the clip under test, second on the playlist after 50 frames of another
    int offset;   // the frame rendered, from the clip's in point
    int64_t moment;
    const char* said;  // once, in the log
  } const cases[] = {
      {"trimmed, second on the playlist", "clip", {}, 25, 1, 250, 0, clipTime + 10,
       "ride.mp4: aligned by the clip's creation time 2023-06-17 07:31:00 UTC"},
      {"a second into the trimmed clip", "clip", {}, 25, 1, 250, 37, clipTime + 11, ""},
      {"the stream's creation time", "clip", {.containerTime = nullptr, .streamTime = "2023-06-17T07:32:00Z"}, 25, 1,
       0, 30, clipTime + 61, "aligned by the clip's creation time 2023-06-17 07:32:00 UTC"},
      {"no creation time", "clip", {.containerTime = nullptr}, 25, 1, 100, 0, kRideStart + 4,
       "ride.mp4 records no creation time: aligned by the track's first point 2023-06-17 07:30:00 UTC"},
      {"the track's start", "track", {}, 25, 1, 100, 0, kRideStart + 4,
       "ride.mp4: aligned by the track's first point 2023-06-17 07:30:00 UTC"},
      {"a start time", " 2023-06-17T07:35:00Z ", {}, 25, 1, 100, 0, Utc("2023-06-17T07:35:04Z"),
       "aligned by the start time 2023-06-17 07:35:00 UTC"},
      {"a project at 29.97 fps", "clip", {}, 30000, 1001, 1001, 0, clipTime + 33, ""},
      {"frame 24000 at 23.976 fps", "clip", {}, 24000, 1001, 24000, 0, clipTime + 1001, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mlt_profile rate = NewProfile(c.rateNum, c.rateDen);
    Clip first(rate, {.containerTime = "2023-06-17T08:00:00Z"}, "first.mp4");
    Clip clip(rate, c.clip);
    mlt_playlist playlist = mlt_playlist_new(rate);
    mlt_playlist_append_io(playlist, first.producer(), 0, 49);
    mlt_playlist_append_io(playlist, clip.producer(), c.in, c.in + 99);
    mlt_filter filter = NewMeridel(rate, {{"start", c.start}});
    mlt_producer_attach(MLT_PLAYLIST_PRODUCER(playlist), filter);
    mlt_filter_close(filter);

    EXPECT_EQ(Render(MLT_PLAYLIST_PRODUCER(playlist), 50 + c.offset), Expected(c.clip, c.moment));
    if (c.offset == 0 && std::string(c.start) == "clip") {
      EXPECT_EQ(Render(MLT_PLAYLIST_PRODUCER(playlist), 10), Expected(first.facts(), Utc("2023-06-17T08:00:00Z")))
          << "the first clip by its own creation time";
    }
    Render(MLT_PLAYLIST_PRODUCER(playlist), 50 + c.offset);
    if (*c.said) {
      EXPECT_EQ(TimesSaid(c.said), 1u);
    }
    mlt_playlist_close(playlist);
    mlt_profile_close(rate);
  }
}

TEST_F(MltFilterTest, ClockSettingsShiftTheMomentAndRefusedTextsKeepTheValueBefore) {
  Clip clip(profile, {});
  mlt_filter filter = NewMeridel(profile, {{"utc_offset", "+02:00"}, {"clock_difference", "-00:00:05"}});
  mlt_producer_attach(clip.producer(), filter);
  EXPECT_EQ(Render(clip.producer(), 250), Expected(clip.facts(), Utc("2023-06-17T07:31:05Z"), 7200));

  const struct {
    CaptionSetting setting;
    const char* text;
  } refused[] = {{CaptionSetting::kUtcOffset, "25:00"}, {CaptionSetting::kClockDifference, "1:60"},
                 {CaptionSetting::kStart, "yesterday"},  {CaptionSetting::kX, "left"},
                 {CaptionSetting::kFontSize, "0"},       {CaptionSetting::kTextColor, "chartreuse"},
                 {CaptionSetting::kJosmSync, "maybe"},   {CaptionSetting::kJosmZoom, "11"}};
  for (const auto& r : refused) {
    mlt_properties_set(MLT_FILTER_PROPERTIES(filter), meridel::NamesOf(r.setting).mlt.data(), r.text);
  }
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(Render(clip.producer(), 250), Expected(clip.facts(), Utc("2023-06-17T07:31:05Z"), 7200));
  }
  for (const auto& r : refused) {
    EXPECT_EQ(TimesSaid(meridel::RefusalText(meridel::NamesOf(r.setting).mlt, r.text, r.setting) +
                        "; keeping the value before\n"),
              1u);
  }
  mlt_filter_close(filter);
}

// Kdenlive saves values in MLT's keyframe forms ("0=v", "00:00:00.000=v"):
// each draws what the plain value draws, with no refusal.
TEST_F(MltFilterTest, KeyframedFormsOfAValueDrawAsThePlainValue) {
  const auto render = [this](const std::vector<std::pair<std::string, std::string>>& properties) {
    Clip clip(profile, {});
    mlt_filter filter = NewMeridel(profile, properties);
    mlt_producer_attach(clip.producer(), filter);
    mlt_filter_close(filter);
    return Render(clip.producer(), 250);
  };
  const struct {
    const char* name;
    const char* plain;
    std::vector<const char*> keyframed;
  } cases[] = {
      {"text_color", "#FFFF00", {"0=0xffff00ff", "00:00:00.000=0xffff00ff"}},
      {"border_color", "red", {"0=0xff0000ff"}},
      {"utc_offset", "+02:00", {"0=+02:00"}},
      {"font_size", "20", {"0=20"}},
      {"x", "0.5", {"0=0.5"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> plain = render({{c.name, c.plain}});
    EXPECT_NE(plain, render({}));
    for (const char* keyframed : c.keyframed) EXPECT_EQ(render({{c.name, keyframed}}), plain) << keyframed;
  }
  EXPECT_EQ(TimesSaid("keeping the value before"), 0u);
}

TEST_F(MltFilterTest, DrawsInTheFormatTheChainHasAndLeavesOthersUntouched) {
  struct Case {
    ClipFacts clip;
    bool compare;  // even sizes: the packed layout of the expectation is MLT's
  } const cases[] = {
      {{.format = mlt_image_yuv422}, true},
      {{.format = mlt_image_yuv422, .colorspace = 601, .fullRange = true}, true},
      {{.format = mlt_image_yuv420p}, true},
      {{.format = mlt_image_yuv420p, .width = 640, .height = 360, .colorspace = 601}, true},
      {{.format = mlt_image_rgba}, true},
      {{.format = mlt_image_rgb}, true},
      {{.format = mlt_image_yuv420p, .width = 7, .height = 3}, false},
      {{.format = mlt_image_yuv422, .width = 1, .height = 1}, false},
      {{.format = mlt_image_rgb, .width = 33, .height = 17}, false},
      {{.format = mlt_image_yuv422, .width = 7680, .height = 4320}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(mlt_image_format_name(c.clip.format)) + " " + std::to_string(c.clip.width) + "x" +
                 std::to_string(c.clip.height));
    mlt_profile frame = NewProfile(25, 1, c.clip.width, c.clip.height);
    Clip clip(frame, c.clip);
    mlt_filter filter = NewMeridel(frame, {});
    mlt_producer_attach(clip.producer(), filter);
    mlt_filter_close(filter);
    const std::vector<uint8_t> image = Render(clip.producer(), 25);
    ASSERT_EQ(image.size(), Pattern(c.clip).size());
    if (c.compare) {
      EXPECT_EQ(image, Expected(c.clip, Utc("2023-06-17T07:31:01Z")));
    }
    mlt_profile_close(frame);
  }

  // No converter (as without a consumer), and images of the GPU.
  for (const mlt_image_format format : {mlt_image_yuv422p16, mlt_image_movit}) {
    const ClipFacts facts{.format = format};
    Clip clip(profile, facts);
    mlt_filter filter = NewMeridel(profile, {});
    mlt_producer_attach(clip.producer(), filter);
    mlt_filter_close(filter);
    if (format != mlt_image_movit) {
      EXPECT_EQ(Render(clip.producer(), 25), Pattern(facts));
    }
    Render(clip.producer(), 26);
    EXPECT_EQ(TimesSaid(std::string("images in the ") + mlt_image_format_name(format) +
                        " format cannot be captioned: these frames pass untouched"),
              1u);
  }
}

// One zoom each time the moment changes, after every seek too; each change
// of josm_add one node for the frame rendered next.
TEST_F(MltFilterTest, JosmFollowsTheMomentAndJosmAddAddsNodes) {
  Clip clip(profile, {});
  mlt_filter filter = NewMeridel(profile, {{"josm_sync", "1"}, {"josm_zoom", "3"}, {"josm_add", "0"}});
  mlt_producer_attach(clip.producer(), filter);
  meridel::TrackStore track;
  int32_t base = 0;
  meridel::ImportGpxFile(kRide.c_str(), track, base);
  auto request = [&](meridel::JosmCommand command, int32_t seconds) {
    double latitude = 0, longitude = 0;
    meridel::LookupPosition(track, Utc("2023-06-17T07:31:00Z") + seconds, latitude, longitude);
    return meridel::BuildJosmRequest(command, 3, latitude, longitude);
  };
  std::vector<std::string> expected;
  std::optional<int32_t> synced;
  // Frames 0-79 (seconds 0-3), then back to frame 10 and on; josm_add changed
  // before frames 11 and 30.
  for (const int position : {0, 1, 24, 25, 26, 49, 50, 75, 79, 10, 11, 30}) {
    const int32_t second = position / 25;
    const char* add = position == 11 ? "1" : position == 30 ? "pressed" : nullptr;
    if (add) {
      mlt_properties_set(MLT_FILTER_PROPERTIES(filter), "josm_add", add);
      expected.push_back(request(meridel::JosmCommand::AddNode, second));
    }
    if (synced != second) expected.push_back(request(meridel::JosmCommand::ZoomView, second));
    synced = second;
    Render(clip.producer(), position);
    EXPECT_EQ(josm.WaitFor(expected.size()), expected) << "after frame " << position;
  }
  mlt_filter_close(filter);
}

// A gap shows no source: no caption, and nothing for JOSM. (The gap is the
// playlist's own, whose image MLT makes up. MLT 7.30 makes it with the
// factory's "blank" producer, from MLT's core module; 7.12 needs no factory,
// and its factory leaks a property list at its close.)
TEST_F(MltFilterTest, GapsOfAPlaylistPassUntouched) {
  const bool factory = mlt_version_get_int() > 0x070c00;
  if (factory) ASSERT_NE(mlt_factory_init(MERIDEL_MLT_CORE_REPOSITORY), nullptr);
  Clip clip(profile, {});
  mlt_playlist playlist = mlt_playlist_new(profile);
  mlt_playlist_append_io(playlist, clip.producer(), 0, 9);
  mlt_playlist_blank(playlist, 29);
  mlt_playlist_append_io(playlist, clip.producer(), 100, 109);
  const std::vector<uint8_t> gap = Render(MLT_PLAYLIST_PRODUCER(playlist), 30);
  mlt_filter filter = NewMeridel(profile, {{"josm_sync", "1"}});
  mlt_producer_attach(MLT_PLAYLIST_PRODUCER(playlist), filter);
  mlt_filter_close(filter);
  EXPECT_EQ(Render(MLT_PLAYLIST_PRODUCER(playlist), 30), gap);
  EXPECT_EQ(Render(MLT_PLAYLIST_PRODUCER(playlist), 5), Expected(clip.facts(), Utc("2023-06-17T07:31:00Z")));
  josm.WaitFor(1);  // before a newer view could take the place of this one
  EXPECT_EQ(Render(MLT_PLAYLIST_PRODUCER(playlist), 40), Expected(clip.facts(), Utc("2023-06-17T07:31:04Z")));
  EXPECT_EQ(TimesSaid("blank"), 0u);
  mlt_playlist_close(playlist);  // closes the filter, which lets its requests go out first
  EXPECT_EQ(josm.WaitFor(0).size(), 2u) << "the gap between the clips' frames moves JOSM";
  if (factory) mlt_factory_close();
}

TEST_F(MltFilterTest, FramesOfOneFilterRenderedOnSeveralThreads) {
  Clip clip(profile, {});
  mlt_filter filter = NewMeridel(profile, {});
  mlt_producer_attach(clip.producer(), filter);
  mlt_filter_close(filter);
  std::vector<mlt_frame> frames;
  for (int i = 0; i < 24; ++i) frames.push_back(FrameAt(clip.producer(), i * 13));
  std::vector<std::vector<uint8_t>> images(frames.size());
  std::vector<std::thread> threads;
  for (size_t t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (size_t i = t; i < frames.size(); i += 4) images[i] = ImageOf(frames[i]);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(images[i], Expected(clip.facts(), Utc("2023-06-17T07:31:00Z") + static_cast<int32_t>(i * 13 / 25)))
        << "frame " << i * 13;
    mlt_frame_close(frames[i]);
  }
}

TEST_F(MltFilterTest, BadInputSaysWhyOnceAndEveryFrameComesBack) {
  const test_support::TempFile notGpx("lat,lon\n1,2\n");
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> properties;
    std::string said;
  } const cases[] = {
      {"a missing file", {{"resource", "/nonexistent/ride.gpx"}}, "/nonexistent/ride.gpx: File load error"},
      {"no GPX file", {{"resource", ""}}, "no GPX file: set the resource property"},
      {"not GPX", {{"resource", notGpx.path()}}, notGpx.path() + ": File load error"},
      {"no such font", {{"font", "No Such Font Family 7"}}, "font \"No Such Font Family 7\" not found"},
      {"far off the frame", {{"x", "1e300"}, {"y", "-1e300"}, {"font_size", "1024"}}, ""},
      {"sync without a track", {{"resource", ""}, {"josm_sync", "1"}}, "no track points, so nothing is sent to JOSM"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Clip clip(profile, {});
    mlt_filter filter = NewMeridel(profile, c.properties);
    mlt_producer_attach(clip.producer(), filter);
    mlt_filter_close(filter);
    const std::vector<uint8_t> first = Render(clip.producer(), 30);
    EXPECT_EQ(first, Render(clip.producer(), 30));
    EXPECT_EQ(first.size(), Pattern(clip.facts()).size());
    if (!c.said.empty()) {
      EXPECT_EQ(TimesSaid(c.said), 1u);
    }
  }
}

}  // namespace
