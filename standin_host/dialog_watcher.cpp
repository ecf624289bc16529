#include "dialog_watcher.h"

#include "text.h"

namespace standin {
namespace {

// Control ids of the common dialogs and of the message box.
constexpr int kFileNameCombo = 0x47C;
constexpr int kFontFaceCombo = 1136;
constexpr int kFontSizeCombo = 1138;
constexpr int kColorRedEdit = 706;
constexpr int kColorGreenEdit = 707;
constexpr int kColorBlueEdit = 708;
constexpr int kMessageText = 0xFFFF;

constexpr DWORD kPollMs = 50;
constexpr DWORD kSettleMs = 300;          // let a freshly shown dialog finish its set-up
constexpr ULONGLONG kStuckMs = 20000;     // an answered dialog still open after this is cancelled

BOOL CALLBACK CollectDialog(HWND window, LPARAM list) {
  char className[16] = {};
  GetClassNameA(window, className, sizeof className);
  if (lstrcmpA(className, "#32770") == 0 && IsWindowVisible(window))
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

std::string WindowText(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

DialogKind KindOf(HWND dialog) {
  if (GetDlgItem(dialog, kFileNameCombo)) return DialogKind::FileOpen;
  if (GetDlgItem(dialog, kFontFaceCombo)) return DialogKind::Font;
  if (GetDlgItem(dialog, kColorRedEdit)) return DialogKind::Color;
  return DialogKind::None;
}

const char* Describe(DialogKind kind) {
  switch (kind) {
    case DialogKind::FileOpen: return "file-open dialog";
    case DialogKind::Font: return "font dialog";
    case DialogKind::Color: return "colour dialog";
    case DialogKind::None: break;
  }
  return "dialog";
}

void Close(HWND dialog, int button) { PostMessageA(dialog, WM_COMMAND, button, 0); }

// Picks an entry of a combo box the way a click does: the selection, then
// the selection-change notification to the dialog.
bool PickEntry(HWND dialog, int comboId, const std::string& entry) {
  const HWND combo = GetDlgItem(dialog, comboId);
  const LRESULT index = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(entry.c_str()));
  if (index == CB_ERR) return false;
  SendMessageA(combo, CB_SETCURSEL, index, 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  return true;
}

std::string Entries(HWND dialog, int comboId) {
  const HWND combo = GetDlgItem(dialog, comboId);
  const LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
  std::string list;
  for (LRESULT i = 0; i < count && i < 40; ++i) {
    char entry[256] = {};
    if (SendMessageA(combo, CB_GETLBTEXTLEN, i, 0) >= static_cast<LRESULT>(sizeof entry)) continue;
    SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry));
    list += (list.empty() ? "" : ", ") + Quoted(entry);
  }
  return list;
}

}  // namespace

DialogWatcher::DialogWatcher(DWORD uiThread, DialogAnswer answer)
    : uiThread_(uiThread), answer_(std::move(answer)), thread_([this] { Run(); }) {
  // Only a thread that has started has set up its thread-local segments
  // (see thread_segments.h), so that the press repairs after it.
  while (!running_) Sleep(1);
}

DialogWatcher::~DialogWatcher() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

DialogRecord DialogWatcher::Finish() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  return record_;
}

void DialogWatcher::Run() {
  running_ = true;
  while (!stop_) {
    std::vector<HWND> dialogs;
    EnumThreadWindows(uiThread_, CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
    const ULONGLONG now = GetTickCount64();
    for (HWND dialog : dialogs) {
      const auto seen = handled_.find(dialog);
      if (seen == handled_.end()) {
        Sleep(kSettleMs);
        if (stop_ || !IsWindow(dialog)) continue;
        Handle(dialog);
        handled_[dialog] = GetTickCount64();
      } else if (now - seen->second > kStuckMs) {
        record_.problems.push_back(std::string("the ") + Describe(KindOf(dialog)) + " " +
                                   Quoted(WindowText(dialog)) + " did not close; cancelled it");
        Close(dialog, IDCANCEL);
        seen->second = now;
      }
    }
    for (auto it = handled_.begin(); it != handled_.end();) it = IsWindow(it->first) ? std::next(it) : handled_.erase(it);
    Sleep(kPollMs);
  }
}

bool DialogWatcher::Expects(DialogKind kind) const {
  if (record_.answered) return false;
  return answer_.kind == kind || (answer_.kind == DialogKind::None && answer_.cancel);
}

void DialogWatcher::Handle(HWND dialog) {
  const DialogKind kind = KindOf(dialog);
  if (kind == DialogKind::None) {
    ReadMessageBox(dialog);
    return;
  }
  if (!Expects(kind)) {
    record_.problems.push_back(std::string("unexpected ") + Describe(kind) + " " + Quoted(WindowText(dialog)) +
                               "; cancelled it");
    Close(dialog, IDCANCEL);
    return;
  }
  record_.answered = true;
  if (answer_.cancel) {
    Close(dialog, IDCANCEL);
    return;
  }
  switch (kind) {
    case DialogKind::FileOpen: AnswerFileOpen(dialog); break;
    case DialogKind::Font: AnswerFont(dialog); break;
    case DialogKind::Color: AnswerColor(dialog); break;
    case DialogKind::None: break;
  }
}

void DialogWatcher::AnswerFileOpen(HWND dialog) {
  SetWindowTextA(GetDlgItem(dialog, kFileNameCombo), answer_.file.c_str());
  Close(dialog, IDOK);
}

void DialogWatcher::AnswerFont(HWND dialog) {
  if (!answer_.face.empty() && !PickEntry(dialog, kFontFaceCombo, answer_.face)) {
    record_.problems.push_back("the font dialog offers no face " + Quoted(answer_.face) + " (it offers " +
                               Entries(dialog, kFontFaceCombo) + "); cancelled it");
    Close(dialog, IDCANCEL);
    return;
  }
  if (!answer_.pointSize.empty() && !PickEntry(dialog, kFontSizeCombo, answer_.pointSize)) {
    record_.problems.push_back("the font dialog offers no size " + Quoted(answer_.pointSize) + " (it offers " +
                               Entries(dialog, kFontSizeCombo) + "); cancelled it");
    Close(dialog, IDCANCEL);
    return;
  }
  Close(dialog, IDOK);
}

void DialogWatcher::AnswerColor(HWND dialog) {
  SetWindowTextA(GetDlgItem(dialog, kColorRedEdit), Dec(answer_.red).c_str());
  SetWindowTextA(GetDlgItem(dialog, kColorGreenEdit), Dec(answer_.green).c_str());
  SetWindowTextA(GetDlgItem(dialog, kColorBlueEdit), Dec(answer_.blue).c_str());
  Close(dialog, IDOK);
}

void DialogWatcher::ReadMessageBox(HWND dialog) {
  const HWND text = GetDlgItem(dialog, kMessageText);
  if (!text) {
    record_.problems.push_back("unknown dialog " + Quoted(WindowText(dialog)) + "; cancelled it");
    Close(dialog, IDCANCEL);
    return;
  }
  record_.messages.push_back(WindowText(text));
  Close(dialog, IDOK);
}

}  // namespace standin
