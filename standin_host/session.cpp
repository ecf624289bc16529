#include "session.h"

#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>

#include "dialog_watcher.h"
#include "frame_image.h"
#include "overlay/overlay_settings.h"
#include "josm_link.h"
#include "module.h"
#include "table_check.h"
#include "text.h"
#include "thread_segments.h"

namespace standin {
namespace {

constexpr int kDefaultFrameWidth = 640;
constexpr int kDefaultFrameHeight = 480;

struct Rgb {
  int red, green, blue;
  bool operator==(const Rgb&) const = default;
};

std::string Show(const Rgb& c) { return Dec(c.red) + "," + Dec(c.green) + "," + Dec(c.blue); }

std::optional<Rgb> ParseRgb(const std::string& text) {
  const size_t a = text.find(','), b = text.find(',', a == std::string::npos ? a : a + 1);
  if (a == std::string::npos || b == std::string::npos) return std::nullopt;
  const auto r = ParseInt(text.substr(0, a)), g = ParseInt(text.substr(a + 1, b - a - 1)),
             bl = ParseInt(text.substr(b + 1));
  if (!r || !g || !bl) return std::nullopt;
  return Rgb{*r, *g, *bl};
}

Rgb FromColorref(uint32_t c) { return {int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)}; }

class Session;
Session* activeSession = nullptr;  // the host's services reach their session here

class Session {
 public:
  Session(const Scenario& scenario, const SessionOptions& options)
      : scenario_(scenario), options_(options), josm_(options.josmDirectory) {}

  int Run();

  // The host's services, as the filter calls them.
  int32_t GetCurrentFrame(EditHandle edit);
  int32_t NotifyFilterChanged(HostFilter* filter);
  int32_t GetSourceFileInfo(EditHandle edit, SourceFileInfo* info);
  int32_t DrawTextOnFrame(const DrawCall& call);

 private:
  bool Prepare(std::string& error);
  void RunStep(const Step& step);
  void Fail(const std::string& fault) { faults_.push_back(fault); }
  EditHandle Edit() { return this; }

  int32_t WindowMessage(UINT message, uint32_t wparam);
  void ExpectResult(const Step& step, int32_t result);
  std::optional<int> IndexOf(const char* const* names, int32_t count, const std::string& name);
  std::optional<int32_t> Number(const std::string& text);
  std::optional<Rgb> Colour(const Step& step, const std::string& key);
  std::string ResolvePath(const std::string& path) const;

  void Table(const Step& step);
  void Startup(const Step& step);
  void Source(const Step& step);
  void Track(const Step& step);
  void Check(const Step& step);
  void Press(const Step& step);
  void CurrentFrame(const Step& step);
  void Pause(const Step& step);
  void Frame(const Step& step);
  void ExpectPasses(const Step& step);
  void ExpectSettings(const Step& step);
  void JosmControl(const Step& step, const std::string& command);
  void ExpectJosm(const Step& step);
  void Exit(const Step& step);

  const Scenario& scenario_;
  const SessionOptions& options_;
  std::string outputDirectory_;
  std::unique_ptr<Module> module_;
  FilterTable* table_ = nullptr;

  HostFilterRecord host_;
  HWND settingsWindow_ = nullptr;
  SourceFileInfo source_{};
  bool sourceFails_ = false;
  int32_t currentFrame_ = 0;
  bool hostComMta_ = false;
  int notifications_ = 0;

  std::unique_ptr<FrameImage> image_;
  std::vector<DrawCall> draws_;  // the calls of the frame being rendered, then of the last one

  JosmLink josm_;
  std::vector<std::string> faults_;    // of the step running now
  std::vector<std::string> notices_;   // what the step observed, for the report
};

// --- the host's services -------------------------------------------------

int32_t HOST_CALL ServiceGetCurrentFrame(EditHandle edit) { return activeSession->GetCurrentFrame(edit); }
int32_t HOST_CALL ServiceNotifyFilterChanged(HostFilter* filter) { return activeSession->NotifyFilterChanged(filter); }
int32_t HOST_CALL ServiceGetSourceFileInfo(EditHandle edit, SourceFileInfo* info) {
  return activeSession->GetSourceFileInfo(edit, info);
}
int32_t HOST_CALL ServiceDrawTextOnFrame(void* image, int32_t x, int32_t y, const char* text, int32_t red,
                                         int32_t green, int32_t blue, int32_t zeroA, void* font, int32_t zeroB,
                                         int32_t zeroC) {
  return activeSession->DrawTextOnFrame({image, x, y, text ? text : "", red, green, blue, zeroA, font, zeroB, zeroC});
}

int32_t Session::GetCurrentFrame(EditHandle edit) {
  if (edit != Edit()) Fail("GetCurrentFrame was handed an edit handle that is not the host's");
  return currentFrame_;
}

int32_t Session::NotifyFilterChanged(HostFilter* filter) {
  if (filter != &host_.filter) Fail("NotifyFilterChanged was handed a record that is not the host's HostFilter");
  ++notifications_;
  return 1;
}

int32_t Session::GetSourceFileInfo(EditHandle edit, SourceFileInfo* info) {
  if (edit != Edit()) Fail("GetSourceFileInfo was handed an edit handle that is not the host's");
  if (sourceFails_ || !info) return 0;
  *info = source_;  // the whole record, as an editor fills its own
  return 1;
}

int32_t Session::DrawTextOnFrame(const DrawCall& call) {
  draws_.push_back(call);
  if (image_ && call.image == image_.get()) image_->Draw(call);
  return 1;
}

// --- running --------------------------------------------------------------

bool Session::Prepare(std::string& error) {
  outputDirectory_ = options_.outputDirectory + "/" + scenario_.name;
  CreateDirectoryA(WindowsPath(options_.outputDirectory).c_str(), nullptr);
  CreateDirectoryA(WindowsPath(outputDirectory_).c_str(), nullptr);

  module_ = Module::Load(options_.modulePath, error);
  if (!module_) return false;
  table_ = module_->GetFilterTable();
  if (!table_ || table_->trackCount < 2 || table_->checkCount < 1) {
    error = "the registration record is unusable";
    return false;
  }
  host_.Adopt(*table_);
  host_.services.GetCurrentFrame = ServiceGetCurrentFrame;
  host_.services.NotifyFilterChanged = ServiceNotifyFilterChanged;
  host_.services.GetSourceFileInfo = ServiceGetSourceFileInfo;
  host_.services.DrawTextOnFrame = ServiceDrawTextOnFrame;

  settingsWindow_ = CreateWindowExA(0, "STATIC", (std::string(table_->name ? table_->name : "") + " settings").c_str(),
                                    WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr, nullptr, nullptr, nullptr);
  image_ = std::make_unique<FrameImage>(kDefaultFrameWidth, kDefaultFrameHeight);
  return true;
}

int Session::Run() {
  Print("== " + scenario_.name + " (" + Dec(static_cast<int64_t>(scenario_.steps.size())) + " steps)\n");
  activeSession = this;
  std::string error;
  int failures = 0;
  if (!Prepare(error)) {
    Print("  FAIL " + error + "\n");
    failures = 1;
  } else {
    for (const Step& step : scenario_.steps) {
      faults_.clear();
      notices_.clear();
      const ULONGLONG start = GetTickCount64();
      try {
        RunStep(step);
      } catch (const std::exception& exception) {
        Fail(std::string("the host failed: ") + exception.what());
      }
      const std::string took = Dec(static_cast<int64_t>(GetTickCount64() - start)) + " ms";
      bool failed = !faults_.empty();
      if (step.mustFail) {
        if (failed) notices_.insert(notices_.begin(), "failed as it must: " + faults_.front());
        else faults_.push_back("this step must fail, but it passed");
        failed = !failed;
      }
      Print(std::string(failed ? "  FAIL" : "  ok  ") + " line " + Dec(step.line) + ": " + step.source +
            "  (" + took + ")\n");
      for (const std::string& notice : notices_) Print("         " + notice + "\n");
      if (failed) {
        for (const std::string& fault : faults_) Print("       ! " + fault + "\n");
        ++failures;
      }
    }
  }
  if (settingsWindow_) DestroyWindow(settingsWindow_);
  image_.reset();
  module_.reset();
  if (hostComMta_) CoUninitialize();
  activeSession = nullptr;
  Print("== " + scenario_.name + ": " + (failures ? Dec(failures) + " failed" : std::string("passed")) + "\n");
  return failures;
}

void Session::RunStep(const Step& step) {
  const std::string& verb = step.verb;
  if (verb == "table") Table(step);
  else if (verb == "startup") Startup(step);
  else if (verb == "source") Source(step);
  else if (verb == "track") Track(step);
  else if (verb == "check") Check(step);
  else if (verb == "press") Press(step);
  else if (verb == "current-frame") CurrentFrame(step);
  else if (verb == "frame") Frame(step);
  else if (verb == "expect-passes") ExpectPasses(step);
  else if (verb == "expect-settings") ExpectSettings(step);
  else if (verb == "josm-start") JosmControl(step, "start " + (step.Has("mode") ? step.Option("mode") : "ok"));
  else if (verb == "josm-stop") JosmControl(step, "stop");
  else if (verb == "pause") Pause(step);
  else if (verb == "expect-josm") ExpectJosm(step);
  else if (verb == "exit") Exit(step);
}

// --- helpers --------------------------------------------------------------

int32_t Session::WindowMessage(UINT message, uint32_t wparam) {
  RepairThreadSegments();
  return table_->windowCallback(settingsWindow_, message, wparam, 0, Edit(), &host_.filter);
}

void Session::ExpectResult(const Step& step, int32_t result) {
  notices_.push_back("result " + Dec(result));
  if (!step.Has("result")) return;
  const auto expected = Number(step.Option("result"));
  if (expected && *expected != result) Fail("expected the result " + Dec(*expected) + ", got " + Dec(result));
}

std::optional<int> Session::IndexOf(const char* const* names, int32_t count, const std::string& name) {
  for (int i = 0; i < count; ++i)
    if (names[i] && name == names[i]) return i;
  Fail("the registration record has no " + Quoted(name));
  return std::nullopt;
}

std::optional<int32_t> Session::Number(const std::string& text) {
  const auto value = ParseInt(text);
  if (!value) Fail(Quoted(text) + " is not a number");
  return value;
}

std::optional<Rgb> Session::Colour(const Step& step, const std::string& key) {
  if (!step.Has(key)) return std::nullopt;
  const auto colour = ParseRgb(step.Option(key));
  if (!colour) Fail(key + "= takes R,G,B");
  return colour;
}

std::string Session::ResolvePath(const std::string& path) const {
  const bool absolute = path.rfind("/", 0) == 0 || (path.size() > 1 && path[1] == ':');
  return WindowsPath(absolute ? path : scenario_.directory + "/" + path);
}

// --- steps ----------------------------------------------------------------

void Session::Table(const Step&) {
  for (const std::string& difference : CheckFilterTable(*module_)) Fail(difference);
}

void Session::Startup(const Step& step) {
  if (step.Has("com")) {
    // A host whose thread already lives in the multithreaded apartment makes
    // the filter's CoInitialize fail.
    if (step.Option("com") != "mta") return Fail("com= takes mta");
    hostComMta_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    if (!hostComMta_) return Fail("the host could not enter the multithreaded apartment");
  }
  RepairThreadSegments();
  ExpectResult(step, table_->startupCallback(&host_.filter));
}

void Session::Source(const Step& step) {
  const auto width = Number(step.args[0]), height = Number(step.args[1]);
  const auto rate = Number(step.args[2]), scale = Number(step.args[3]);
  if (!width || !height || !rate || !scale) return;
  source_ = SourceFileInfo{};
  source_.width = *width;
  source_.height = *height;
  source_.rate = *rate;
  source_.scale = *scale;
  sourceFails_ = step.Flag("fail");
  const std::vector<int32_t> maxBefore = host_.trackMax;
  notifications_ = 0;
  ExpectResult(step, WindowMessage(kMsgSourceOpened, 0));
  if (sourceFails_) {
    if (host_.trackMax != maxBefore) Fail("a failed GetSourceFileInfo changed the track maxima");
    if (notifications_ != 0) Fail("a failed GetSourceFileInfo was followed by NotifyFilterChanged");
    return;
  }
  if (host_.trackMax[0] != *width || host_.trackMax[1] != *height)
    Fail("the X and Y maxima are " + Dec(host_.trackMax[0]) + " and " + Dec(host_.trackMax[1]) + ", not the frame size");
  if (notifications_ != 1) Fail("NotifyFilterChanged was called " + Dec(notifications_) + " times, not once");
  if (*width > 0 && *height > 0) image_ = std::make_unique<FrameImage>(*width, *height);
}

void Session::Track(const Step& step) {
  const auto index = IndexOf(table_->trackNames, table_->trackCount, step.args[0]);
  const auto value = Number(step.args[1]);
  if (index && value) host_.trackValues[*index] = *value;
}

void Session::Check(const Step& step) {
  const auto index = IndexOf(table_->checkNames, table_->checkCount, step.args[0]);
  const auto value = Number(step.args[1]);
  if (!index || !value) return;
  host_.checkValues[*index] = *value;
  // The editor reports a click on a tick box like a button press.
  ExpectResult(step, WindowMessage(WM_COMMAND, kFirstCommandId + *index));
}

void Session::Press(const Step& step) {
  const auto index = IndexOf(table_->checkNames, table_->checkCount, step.args[0]);
  if (!index) return;
  DialogAnswer answer;
  answer.cancel = step.Flag("cancel");
  if (step.Has("file")) {
    answer.kind = DialogKind::FileOpen;
    answer.file = ResolvePath(step.Option("file"));
  } else if (step.Has("face") || step.Has("size")) {
    answer.kind = DialogKind::Font;
    if (step.Has("face")) answer.face = step.Option("face");
    if (step.Has("size")) answer.pointSize = step.Option("size");
  } else if (const auto rgb = Colour(step, "rgb")) {
    answer.kind = DialogKind::Color;
    answer.red = rgb->red;
    answer.green = rgb->green;
    answer.blue = rgb->blue;
  }
  uint32_t highWord = 0;
  if (step.Has("high-word")) {
    const auto value = Number(step.Option("high-word"));
    if (!value) return;
    highWord = static_cast<uint32_t>(*value);
  }
  const bool expectsDialog = answer.kind != DialogKind::None || answer.cancel;

  DialogWatcher watcher(GetCurrentThreadId(), answer);
  const int32_t result = WindowMessage(WM_COMMAND, (highWord << 16) | (kFirstCommandId + *index));
  const DialogRecord record = watcher.Finish();

  ExpectResult(step, result);
  if (expectsDialog && !record.answered) Fail("no dialog opened to take the answer");
  for (const std::string& problem : record.problems) Fail(problem);
  for (const std::string& message : record.messages) notices_.push_back("message box: " + Quoted(message));
  if (step.Has("message")) {
    const std::string& expected = step.Option("message");
    if (record.messages.size() != 1 || record.messages[0] != expected)
      Fail("expected one message box saying " + Quoted(expected) + ", saw " + Dec(record.messages.size()));
  } else if (!record.messages.empty()) {
    Fail("unexpected message box " + Quoted(record.messages[0]));
  }
}

void Session::Pause(const Step& step) {
  if (const auto ms = Number(step.args[0]); ms && *ms >= 0) Sleep(static_cast<DWORD>(*ms));
}

void Session::CurrentFrame(const Step& step) {
  if (const auto frame = Number(step.args[0])) currentFrame_ = *frame;
}

void Session::Frame(const Step& step) {
  const auto frameNumber = Number(step.args[0]);
  if (!frameNumber) return;
  image_->PaintBackground();
  draws_.clear();
  FrameProcInfo frame{};
  frame.image = image_.get();
  frame.frame = *frameNumber;
  RepairThreadSegments();
  const int32_t result = table_->frameCallback(&host_.filter, &frame);
  if (result != 1) Fail("the frame callback returned " + Dec(result) + ", not 1");

  // What every frame owes the host: five calls on this frame, one text, one font, the zeros.
  if (draws_.size() != 5) Fail(Dec(draws_.size()) + " drawing calls, not 5");
  for (const DrawCall& call : draws_) {
    if (call.image != image_.get()) Fail("a drawing call named another image");
    if (call.zeroA || call.zeroB || call.zeroC) Fail("a drawing call passed nonzero where 0 belongs");
    if (call.text != draws_.front().text || call.font != draws_.front().font)
      Fail("the drawing calls differ in text or font");
    for (int channel : {call.red, call.green, call.blue})
      if (channel < 0 || channel > 255) Fail("a colour channel of " + Dec(channel));
  }
  const std::string caption = draws_.empty() ? "" : draws_.back().text;
  notices_.push_back("caption " + Quoted(caption));
  if (step.Has("caption") && caption != step.Option("caption"))
    Fail("expected the caption " + Quoted(step.Option("caption")));

  if (step.Flag("check-picture")) {
    std::string summary;
    for (const std::string& fault : CheckPicture(*image_, draws_, summary)) Fail(fault);
    notices_.push_back(summary);
  }
  if (step.Has("save")) {
    const std::string path = outputDirectory_ + "/" + step.Option("save");
    if (!image_->SavePng(WindowsPath(path))) return Fail("cannot write " + path);
    notices_.push_back("saved " + path);
    // An index of the saved pictures and their captions, for people.
    std::ofstream index(WindowsPath(outputDirectory_ + "/captions.txt"), std::ios::binary | std::ios::app);
    std::string oneLine = caption;
    std::replace(oneLine.begin(), oneLine.end(), '\n', ' ');
    index << step.Option("save") << "  frame " << Dec(*frameNumber) << "  " << oneLine << "\n";
  }
}

void Session::ExpectPasses(const Step& step) {
  if (draws_.size() != 5) return Fail("the last frame made " + Dec(draws_.size()) + " drawing calls, not 5");
  const auto x = step.Has("x") ? Number(step.Option("x")) : std::optional<int32_t>(host_.trackValues[meridel::kTrackX]);
  const auto y = step.Has("y") ? Number(step.Option("y")) : std::optional<int32_t>(host_.trackValues[meridel::kTrackY]);
  if (!x || !y) return;
  const auto text = Colour(step, "text"), border = Colour(step, "border");
  // Four one-pixel shifts in the border colour, then the text in place.
  const POINT at[5] = {{*x, *y - 1}, {*x, *y + 1}, {*x - 1, *y}, {*x + 1, *y}, {*x, *y}};
  for (int pass = 0; pass < 5; ++pass) {
    const DrawCall& call = draws_[pass];
    const Rgb colour{call.red, call.green, call.blue};
    const std::string label = "pass " + Dec(pass + 1) + " at (" + Dec(call.x) + "," + Dec(call.y) + ") in " + Show(colour);
    notices_.push_back(label);
    if (call.x != at[pass].x || call.y != at[pass].y)
      Fail(label + ": expected (" + Dec(at[pass].x) + "," + Dec(at[pass].y) + ")");
    const auto& wanted = pass < 4 ? border : text;
    if (wanted && colour != *wanted) Fail(label + ": expected " + Show(*wanted));
  }
  if (!step.Has("face") && !step.Has("height")) return;
  LOGFONTA font{};
  if (!GetObjectA(static_cast<HFONT>(draws_[4].font), sizeof font, &font)) return Fail("the drawing font is not a font");
  notices_.push_back("font " + Quoted(font.lfFaceName) + " height " + Dec(font.lfHeight) + " weight " +
                     Dec(font.lfWeight) + (font.lfItalic ? " italic" : ""));
  if (step.Has("face") && step.Option("face") != font.lfFaceName) Fail("expected the face " + Quoted(step.Option("face")));
  if (step.Has("height")) {
    const auto height = Number(step.Option("height"));
    if (height && *height != font.lfHeight) Fail("expected the height " + Dec(*height));
  }
}

void Session::ExpectSettings(const Step& step) {
  if (!host_.filter.extraData || host_.filter.extraDataSize != sizeof(meridel::OverlaySettings))
    return Fail("the filter has no settings block of 60 bytes");
  meridel::OverlaySettings settings;
  std::memcpy(&settings, host_.filter.extraData, sizeof settings);
  const std::string face(settings.faceName, strnlen(settings.faceName, sizeof settings.faceName));
  notices_.push_back("text " + Show(FromColorref(settings.textColor)) + ", border " +
                     Show(FromColorref(settings.borderColor)) + ", face " + Quoted(face) + ", height " +
                     Dec(settings.fontHeight) + ", base time " + Dec(settings.baseTime));
  if (step.Flag("zero")) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&settings);
    if (!std::all_of(bytes, bytes + sizeof settings, [](uint8_t b) { return b == 0; }))
      Fail("expected all 60 bytes zero");
  }
  if (const auto text = Colour(step, "text"); text && *text != FromColorref(settings.textColor))
    Fail("expected the text colour " + Show(*text));
  if (const auto border = Colour(step, "border"); border && *border != FromColorref(settings.borderColor))
    Fail("expected the border colour " + Show(*border));
  if (step.Has("face") && step.Option("face") != face) Fail("expected the face " + Quoted(step.Option("face")));
  for (const auto& [key, field] : {std::pair<const char*, int32_t>{"height", settings.fontHeight},
                                   std::pair<const char*, int32_t>{"base-time", settings.baseTime}}) {
    if (!step.Has(key)) continue;
    const auto expected = Number(step.Option(key));
    if (expected && *expected != field) Fail(std::string("expected ") + key + " " + Dec(*expected));
  }
}

void Session::JosmControl(const Step&, const std::string& command) {
  std::string error;
  if (!josm_.Control(command, error)) Fail(error);
}

void Session::ExpectJosm(const Step& step) {
  if (!josm_.Available()) return Fail("no JOSM stand-in beside this run");
  const std::vector<std::string> received = josm_.TakeRequests(step.args.size());
  for (const std::string& path : received) notices_.push_back("JOSM received " + path);
  if (received != step.args)
    Fail("expected " + Dec(step.args.size()) + " requests, JOSM received " + Dec(received.size()) +
         (received.size() == step.args.size() ? " different ones" : ""));
}

void Session::Exit(const Step& step) {
  RepairThreadSegments();
  ExpectResult(step, table_->exitCallback(&host_.filter));
  // COM must be as the host had it before start-up: the filter's own
  // initialisation balanced, the host's untouched.
  const HRESULT probe = CoInitializeEx(nullptr, hostComMta_ ? COINIT_MULTITHREADED : COINIT_APARTMENTTHREADED);
  if (SUCCEEDED(probe)) CoUninitialize();
  if (hostComMta_ && probe != S_FALSE) Fail("exit uninitialised the host's COM");
  if (!hostComMta_ && probe != S_OK) Fail("exit left COM initialised on the host's thread");
}

}  // namespace

int RunScenario(const Scenario& scenario, const SessionOptions& options) {
  return Session(scenario, options).Run();
}

}  // namespace standin
