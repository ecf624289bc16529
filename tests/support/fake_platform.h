// Stand-ins for the system calls of platform.h, clock.h and http_client.h, for the
// native build and the unit tests: they record every call and answer as a
// test scripts them (confirm or cancel a dialog, fail a font, refuse a
// connection, answer any status).
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/http_client.h"
#include "platform/platform.h"

namespace fake {

struct MadeFont {
  platform::FontParams params;  // faceName points into `face`
  std::string face;
  platform::FontHandle handle;
};

struct FontAnswer {
  bool confirm;
  platform::LogFont logFont;  // written back on confirm
  uint32_t color;             // rgbColors written back on confirm
};

struct FontDialogCall {
  platform::FontDialog dialog;
  platform::LogFont logFontIn;  // what the module handed in
};

struct ColorDialogCall {
  platform::ColorDialog dialog;
  std::vector<uint32_t> customColorsIn;
};

struct OpenFileCall {
  platform::OpenFileDialog dialog;
  std::string filter;  // the whole double-NUL list, NULs kept
  std::string bufferIn;  // the buffer's bytes as handed in
};

struct MessageBoxCall {
  platform::WindowHandle owner;
  std::string text;
  std::string caption;
  uint32_t type;
};

struct Platform {
  // Fonts: handles are distinct non-null values unless failFontCreation.
  bool failFontCreation = false;
  bool failFontDescription = false;
  std::vector<MadeFont> madeFonts;
  std::vector<platform::FontHandle> releasedFonts;
  std::vector<platform::FontHandle> liveFonts;

  // Dialogs answer from these queues; an empty queue cancels.
  std::deque<FontAnswer> fontAnswers;
  std::deque<std::optional<uint32_t>> colorAnswers;      // nullopt cancels
  std::deque<std::optional<std::string>> openFileAnswers;  // nullopt cancels
  std::vector<FontDialogCall> fontDialogs;
  std::vector<ColorDialogCall> colorDialogs;
  std::vector<OpenFileCall> openFileDialogs;
  std::vector<MessageBoxCall> messageBoxes;

  int32_t comInitializeResult = 0;  // S_OK
  int comInitializeCalls = 0;
  int comUninitializeCalls = 0;

  // What MonotonicMilliseconds answers; tests move it by hand.
  uint64_t monotonicMilliseconds = 0;
};

// The one fake platform of the process; Reset() before each test.
Platform& State();
void Reset();

// An HTTP client that records each operation as a line ("open-session ''",
// "set-timeouts 1000 2000 2000" (connect, send, receive), "connect 127.0.0.1:8111", "open-request GET zoom?..", "send", "query",
// "close <name>") and fails the operations a test asks it to.
class RecordingHttpClient final : public platform::HttpClient {
 public:
  bool failOpenSession = false;
  bool failConnect = false;
  bool failOpenRequest = false;
  bool failSend = false;
  bool failQuery = false;
  uint32_t status = 200;
  uint64_t sendTakesMs = 0;  // how far SendRequest moves the fake clock

  std::vector<std::string> operations;
  std::vector<std::string> requests;  // the object names, in order
  int sessionsOpened = 0;
  int openHandles = 0;  // connections and requests not yet closed

  platform::HttpHandle OpenSession(const char* agentName) override;
  void SetTimeouts(platform::HttpHandle session, const platform::HttpTimeouts& timeouts) override;
  platform::HttpHandle Connect(platform::HttpHandle session, const char* server, uint16_t port) override;
  platform::HttpHandle OpenRequest(platform::HttpHandle connection, const char* verb, const char* object,
                                   uint32_t flags) override;
  bool SendRequest(platform::HttpHandle request) override;
  bool QueryStatusCode(platform::HttpHandle request, uint32_t& status) override;
  void CloseHandle(platform::HttpHandle handle) override;

 private:
  int nextId_ = 1;
  std::vector<std::pair<platform::HttpHandle, std::string>> names_;
};

// SystemHttpClient() answers with this client; Reset() restores a fresh
// RecordingHttpClient. Native tools may install the real libcurl client.
void UseHttpClient(platform::HttpClient* client);
RecordingHttpClient& Http();

// MonotonicMilliseconds() answers from `clock` (native tools install the
// steady clock); null, and Reset(), go back to State().monotonicMilliseconds.
void UseClock(uint64_t (*clock)());

}  // namespace fake
