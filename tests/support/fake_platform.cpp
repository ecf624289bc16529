#include "support/fake_platform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "platform/clock.h"

namespace fake {
namespace {

Platform platformState;
RecordingHttpClient recordingClient;
platform::HttpClient* activeClient = &recordingClient;
uint64_t (*activeClock)() = nullptr;
uintptr_t nextFont = 0x1000;

}  // namespace

Platform& State() { return platformState; }

void Reset() {
  platformState = Platform{};
  recordingClient = RecordingHttpClient{};
  activeClient = &recordingClient;
  activeClock = nullptr;
}

void UseHttpClient(platform::HttpClient* client) { activeClient = client ? client : &recordingClient; }

void UseClock(uint64_t (*clock)()) { activeClock = clock; }

RecordingHttpClient& Http() { return recordingClient; }

platform::HttpHandle RecordingHttpClient::OpenSession(const char* agentName) {
  operations.push_back(std::string("open-session '") + agentName + "'");
  if (failOpenSession) return nullptr;
  ++sessionsOpened;
  auto handle = reinterpret_cast<platform::HttpHandle>(static_cast<uintptr_t>(nextId_++));
  names_.emplace_back(handle, "session");
  return handle;
}

void RecordingHttpClient::SetTimeouts(platform::HttpHandle, const platform::HttpTimeouts& timeouts) {
  operations.push_back("set-timeouts " + std::to_string(timeouts.connect) + " " + std::to_string(timeouts.send) + " " +
                       std::to_string(timeouts.receive));
}

platform::HttpHandle RecordingHttpClient::Connect(platform::HttpHandle, const char* server, uint16_t port) {
  operations.push_back(std::string("connect ") + server + ":" + std::to_string(port));
  if (failConnect) return nullptr;
  ++openHandles;
  auto handle = reinterpret_cast<platform::HttpHandle>(static_cast<uintptr_t>(nextId_++));
  names_.emplace_back(handle, "connection");
  return handle;
}

platform::HttpHandle RecordingHttpClient::OpenRequest(platform::HttpHandle, const char* verb, const char* object,
                                                      uint32_t flags) {
  char hexFlags[16];
  std::snprintf(hexFlags, sizeof hexFlags, "%08X", static_cast<unsigned>(flags));
  operations.push_back(std::string("open-request ") + verb + " " + object + " 0x" + hexFlags);
  requests.emplace_back(object);
  if (failOpenRequest) return nullptr;
  ++openHandles;
  auto handle = reinterpret_cast<platform::HttpHandle>(static_cast<uintptr_t>(nextId_++));
  names_.emplace_back(handle, "request");
  return handle;
}

bool RecordingHttpClient::SendRequest(platform::HttpHandle) {
  operations.emplace_back("send");
  platformState.monotonicMilliseconds += sendTakesMs;
  return !failSend;
}

bool RecordingHttpClient::QueryStatusCode(platform::HttpHandle, uint32_t& answer) {
  operations.emplace_back("query");
  if (failQuery) return false;
  answer = status;
  return true;
}

void RecordingHttpClient::CloseHandle(platform::HttpHandle handle) {
  if (!handle) {
    operations.emplace_back("close null");
    return;
  }
  auto found = std::find_if(names_.begin(), names_.end(), [&](const auto& entry) { return entry.first == handle; });
  if (found == names_.end()) {
    operations.emplace_back("close unknown");
    return;
  }
  operations.push_back("close " + found->second);
  if (found->second != "session") --openHandles;
  names_.erase(found);
}

}  // namespace fake

namespace platform {

using fake::platformState;

FontHandle MakeFont(const FontParams& params) {
  fake::MadeFont made{params, params.faceName ? params.faceName : "", nullptr};
  if (!platformState.failFontCreation) {
    made.handle = reinterpret_cast<FontHandle>(fake::nextFont++);
    platformState.liveFonts.push_back(made.handle);
  }
  platformState.madeFonts.push_back(made);
  platformState.madeFonts.back().params.faceName = nullptr;  // the caller's text does not outlive the call
  return made.handle;
}

int32_t ReadFontDescription(FontHandle font, LogFont& out) {
  if (platformState.failFontDescription || !font) return 0;
  auto made = std::find_if(platformState.madeFonts.begin(), platformState.madeFonts.end(),
                           [&](const fake::MadeFont& entry) { return entry.handle == font; });
  if (made == platformState.madeFonts.end()) return 0;
  out = LogFont{};
  out.lfHeight = made->params.height;
  out.lfWeight = made->params.weight;
  out.lfCharSet = static_cast<uint8_t>(made->params.charSet);
  out.lfQuality = static_cast<uint8_t>(made->params.quality);
  out.lfPitchAndFamily = static_cast<uint8_t>(made->params.pitchAndFamily);
  std::strncpy(out.lfFaceName, made->face.c_str(), sizeof out.lfFaceName - 1);
  return sizeof(LogFont);
}

void ReleaseFont(FontHandle font) {
  platformState.releasedFonts.push_back(font);
  auto live = std::find(platformState.liveFonts.begin(), platformState.liveFonts.end(), font);
  if (live != platformState.liveFonts.end()) platformState.liveFonts.erase(live);
}

int32_t RunFontDialog(FontDialog& dialog) {
  platformState.fontDialogs.push_back({dialog, dialog.logFont ? *dialog.logFont : LogFont{}});
  if (platformState.fontAnswers.empty()) return 0;
  fake::FontAnswer answer = platformState.fontAnswers.front();
  platformState.fontAnswers.pop_front();
  if (!answer.confirm) return 0;
  *dialog.logFont = answer.logFont;
  dialog.rgbColors = answer.color;
  return 1;
}

int32_t RunColorDialog(ColorDialog& dialog) {
  platformState.colorDialogs.push_back(
      {dialog, std::vector<uint32_t>(dialog.customColors, dialog.customColors + 16)});
  std::optional<uint32_t> answer;
  if (!platformState.colorAnswers.empty()) {
    answer = platformState.colorAnswers.front();
    platformState.colorAnswers.pop_front();
  }
  if (!answer) return 0;
  dialog.rgbResult = *answer;
  // A user may define custom colours; they must not outlive the call.
  std::fill(dialog.customColors, dialog.customColors + 16, 0x00123456u);
  return 1;
}

int32_t RunOpenFileDialog(OpenFileDialog& dialog) {
  fake::OpenFileCall call{dialog, {}, {}};
  const char* end = dialog.filter;
  while (end && (end[0] || end[1])) ++end;  // up to the closing double NUL
  if (dialog.filter) call.filter.assign(dialog.filter, end + 2);
  call.bufferIn.assign(dialog.fileBuffer, dialog.fileBuffer + dialog.bufferSize);
  platformState.openFileDialogs.push_back(call);
  std::optional<std::string> answer;
  if (!platformState.openFileAnswers.empty()) {
    answer = platformState.openFileAnswers.front();
    platformState.openFileAnswers.pop_front();
  }
  if (!answer || answer->size() >= dialog.bufferSize) return 0;
  std::memcpy(dialog.fileBuffer, answer->c_str(), answer->size() + 1);
  return 1;
}

int32_t ShowMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t type) {
  platformState.messageBoxes.push_back({owner, text, caption, type});
  return 1;  // IDOK
}

int32_t InitializeCom() {
  ++platformState.comInitializeCalls;
  return platformState.comInitializeResult;
}

void UninitializeCom() { ++platformState.comUninitializeCalls; }

HttpClient& SystemHttpClient() { return *fake::activeClient; }

uint64_t MonotonicMilliseconds() { return fake::activeClock ? fake::activeClock() : platformState.monotonicMilliseconds; }

}  // namespace platform
