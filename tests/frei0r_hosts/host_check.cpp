// Checks frames that a real host (ffmpeg or melt) rendered through meridel.so
// against the plug-in called directly, and against the core's caption for
// the frame's expected moment.
//
//   meridel_host_check frames --plugin SO --host ffmpeg|melt --rate NUM/DEN --size WxH
//       --inputs IN.rgba --outputs OUT.rgba --first N [--param NAME=VALUE]...
//     IN and OUT hold the same frames (the host's timeline frames N, N+1, ...)
//     as raw RGBA, without and with the filter. For each frame: the plug-in,
//     called on IN's frame with the time this host passes for it, gives OUT's
//     bytes; and IN's frame with the caption of the expected moment drawn on it
//     gives them too.
//   meridel_host_check josm --rate NUM/DEN --first N --last M [--param NAME=VALUE]...
//     Prints the path of the zoom request for each frame from N to M, one a line.
//
// The parameters are those given to the host, by name; "time unit" is set
// here to the host's unit, since the detection looks at the caller.
#include <dlfcn.h>
#include <frei0r.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "drawing/picture.h"
#include "frei0r/parameters.h"
#include "josm/josm_request.h"
#include "overlay/caption.h"
#include "overlay/frame_moment.h"
#include "support/checker.h"

namespace fr = meridel::frei0r;
namespace dr = meridel::drawing;
using test_support::Fail;

namespace {

struct Options {
  std::string mode, plugin, host, inputs, outputs;
  int64_t rateNum = 0, rateDen = 1, first = 0, last = 0;
  uint32_t width = 0, height = 0;
  std::vector<std::pair<std::string, std::string>> params;
};

Options Parse(int argc, char** argv) {
  if (argc < 2) Fail("usage: see the comment at the top of host_check.cpp");
  Options o;
  o.mode = argv[1];
  std::map<std::string, std::string> given;
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::string key = argv[i], value = argv[i + 1];
    if (key == "--param") {
      o.params.push_back(test_support::NameAndValue(value));
    } else {
      given[key] = value;
    }
  }
  o.plugin = given["--plugin"];
  o.host = given["--host"];
  o.inputs = given["--inputs"];
  o.outputs = given["--outputs"];
  o.first = std::atoll(given["--first"].c_str());
  o.last = std::atoll(given["--last"].c_str());
  std::sscanf(given["--rate"].c_str(), "%ld/%ld", &o.rateNum, &o.rateDen);
  std::sscanf(given["--size"].c_str(), "%ux%u", &o.width, &o.height);
  if (o.rateNum <= 0 || o.rateDen <= 0) Fail("--rate NUM/DEN is needed");
  return o;
}

fr::Parameter ParameterNamed(const std::string& name) {
  for (fr::Parameter i = 0; i < fr::kParameterCount; ++i)
    if (name == fr::InfoOf(i).name) return i;
  Fail("no parameter named \"" + name + "\"");
}

// "#RRGGBB" as frei0r's three floats, as both hosts hand a colour over.
fr::Color ColorFrom(const std::string& text) {
  unsigned r = 0, g = 0, b = 0;
  if (std::sscanf(text.c_str(), "#%2x%2x%2x", &r, &g, &b) != 3) Fail("colours are #RRGGBB here: " + text);
  return {r / 255.0f, g / 255.0f, b / 255.0f};
}

double DoubleFrom(fr::ParameterType type, const std::string& text) {
  if (type == fr::ParameterType::kBool) return text == "y" || text == "1" ? 1.0 : 0.0;
  return std::stod(text);
}

// The settings the filter makes of the parameters, for the expectation.
fr::Settings SettingsOf(const Options& o) {
  fr::Settings settings = fr::DefaultSettings();
  for (const auto& [name, value] : o.params) {
    const fr::Parameter p = ParameterNamed(name);
    fr::Refusal refusal;
    switch (fr::InfoOf(p).type) {
      case fr::ParameterType::kString:
        refusal = fr::SetString(settings, p, value);
        break;
      case fr::ParameterType::kColor:
        refusal = fr::SetColor(settings, p, ColorFrom(value));
        break;
      default:
        refusal = fr::SetDouble(settings, p, DoubleFrom(fr::InfoOf(p).type, value));
    }
    if (!refusal.empty()) Fail(refusal);
  }
  return settings;
}

// What the host passes to f0r_update for timeline frame n, to the last bit.
double HostTime(const Options& o, int64_t n) {
  if (o.host == "ffmpeg") {
    // libavfilter's frei0r: pts * av_q2d(time_base) * 1000, the time base 1/rate.
    return static_cast<double>(n) * (static_cast<double>(o.rateDen) / o.rateNum) * 1000;
  }
  // MLT's frei0r: position / mlt_profile_fps(profile).
  return static_cast<double>(n) / (static_cast<double>(o.rateNum) / o.rateDen);
}

// The frame's whole second, exactly: floor(n * den / num).
int32_t ExpectedSecond(const Options& o, int64_t n) { return static_cast<int32_t>(n * o.rateDen / o.rateNum); }

// Where two frames first differ, and how many bytes do.
std::string Difference(const uint8_t* a, const uint8_t* b, const Options& o) {
  const size_t bytes = size_t{o.width} * o.height * 4;
  size_t count = 0, first = bytes;
  for (size_t i = 0; i < bytes; ++i) {
    if (a[i] == b[i]) continue;
    if (first == bytes) first = i;
    ++count;
  }
  if (count == 0) return {};
  const size_t pixel = first / 4;
  return std::to_string(count) + " bytes differ, the first at pixel (" + std::to_string(pixel % o.width) + ", " +
         std::to_string(pixel / o.width) + ")";
}

struct Plugin {
  explicit Plugin(const std::string& path) {
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) Fail(dlerror());
    init = Symbol<decltype(init)>("f0r_init");
    construct = Symbol<decltype(construct)>("f0r_construct");
    destruct = Symbol<decltype(destruct)>("f0r_destruct");
    setParam = Symbol<decltype(setParam)>("f0r_set_param_value");
    paramInfo = Symbol<decltype(paramInfo)>("f0r_get_param_info");
    update = Symbol<decltype(update)>("f0r_update");
    if (!init()) Fail("f0r_init failed");
  }
  template <typename F>
  F Symbol(const char* name) {
    void* symbol = dlsym(handle, name);
    if (!symbol) Fail(std::string("no ") + name + " in the plug-in");
    return reinterpret_cast<F>(symbol);
  }
  // Sets a parameter as a host does: by index, with a value of its type.
  void Set(f0r_instance_t instance, const std::string& name, const std::string& value) {
    const int index = ParameterNamed(name);
    f0r_param_info_t info{};
    paramInfo(&info, index);
    double number = 0;
    fr::Color color{};
    const char* text = value.c_str();
    switch (info.type) {
      case F0R_PARAM_COLOR:
        color = ColorFrom(value);
        setParam(instance, &color, index);
        return;
      case F0R_PARAM_STRING:
        setParam(instance, &text, index);
        return;
      default:
        number = DoubleFrom(static_cast<fr::ParameterType>(info.type), value);
        setParam(instance, &number, index);
    }
  }

  void* handle;
  int (*init)();
  f0r_instance_t (*construct)(unsigned, unsigned);
  void (*destruct)(f0r_instance_t);
  void (*setParam)(f0r_instance_t, f0r_param_t, int);
  void (*paramInfo)(f0r_param_info_t*, int);
  void (*update)(f0r_instance_t, double, const uint32_t*, uint32_t*);
};

int CheckFrames(const Options& o) {
  if (o.width == 0 || o.height == 0 || o.plugin.empty()) Fail("--plugin and --size are needed");
  const size_t frameBytes = size_t{o.width} * o.height * 4;
  const std::vector<uint8_t> inputs = test_support::ReadFrames(o.inputs, frameBytes);
  const std::vector<uint8_t> outputs = test_support::ReadFrames(o.outputs, frameBytes, inputs.size() / frameBytes);

  Plugin plugin(o.plugin);
  f0r_instance_t instance = plugin.construct(o.width, o.height);
  for (const auto& [name, value] : o.params) plugin.Set(instance, name, value);
  plugin.Set(instance, "time unit", o.host == "ffmpeg" ? "ms" : "s");

  const meridel::CaptionSettings settings = SettingsOf(o).caption;
  test_support::Track track;
  test_support::Import(settings.gpxFile, track);

  int failures = 0;
  std::vector<uint32_t> direct(frameBytes / 4), expected(frameBytes / 4);
  for (size_t i = 0; i < inputs.size() / frameBytes; ++i) {
    const int64_t n = o.first + static_cast<int64_t>(i);
    const uint8_t* in = inputs.data() + i * frameBytes;
    const uint8_t* out = outputs.data() + i * frameBytes;
    const double time = HostTime(o, n);
    const int32_t second = ExpectedSecond(o, n);
    const int64_t moment = meridel::FrameMoment(track.baseTime, second, settings.clockDifference);
    const std::string text = meridel::BuildCaption(track.store, moment, settings.utcOffset);

    plugin.update(instance, time, reinterpret_cast<const uint32_t*>(in), direct.data());
    std::memcpy(expected.data(), in, frameBytes);
    test_support::DrawCaption(settings,
                              dr::PackedPicture(dr::PixelLayout::kRgba, reinterpret_cast<uint8_t*>(expected.data()),
                                                o.width, o.height),
                              text);

    char timeText[32];
    std::snprintf(timeText, sizeof timeText, "%.17g", time);
    std::string line = "frame " + std::to_string(n) + ", time " + timeText + " (second " + std::to_string(second) +
                       "): \"" + test_support::OneLine(text, " / ") + "\"";
    std::string problems;
    if (std::memcmp(in, out, frameBytes) == 0) problems += "; the host's output has no caption";
    if (const std::string d = Difference(reinterpret_cast<const uint8_t*>(direct.data()), out, o); !d.empty())
      problems += "; the plug-in called directly differs from the host's output: " + d;
    if (const std::string d = Difference(reinterpret_cast<const uint8_t*>(expected.data()), out, o); !d.empty())
      problems += "; the expected caption differs from the host's output: " + d;
    std::printf("%s %s%s\n", problems.empty() ? "OK  " : "FAIL", line.c_str(), problems.c_str());
    failures += !problems.empty();
  }
  plugin.destruct(instance);
  return failures == 0 ? 0 : 1;
}

int PrintJosmRequests(const Options& o) {
  const meridel::CaptionSettings settings = SettingsOf(o).caption;
  test_support::Track track;
  test_support::Import(settings.gpxFile, track);
  for (int64_t n = o.first; n <= o.last; ++n) {
    const int64_t moment = meridel::FrameMoment(track.baseTime, ExpectedSecond(o, n), settings.clockDifference);
    std::printf("/%s\n",
                test_support::JosmRequestAt(track, meridel::JosmCommand::ZoomView, settings.josmZoom, moment).c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = Parse(argc, argv);
  if (options.mode == "frames") return CheckFrames(options);
  if (options.mode == "josm") return PrintJosmRequests(options);
  Fail("the mode is frames or josm");
}
