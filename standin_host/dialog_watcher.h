// Answers the system's modal dialogs from inside the process, as a user
// would: a thread watches the UI thread's top-level dialogs while a button
// press runs, types or picks the scripted answer, reads message boxes and
// closes them. Construct it on the UI thread, right before the press.
#pragma once

#include <windows.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace standin {

enum class DialogKind { None, FileOpen, Font, Color };

// The answer to the one chooser a press is expected to open.
struct DialogAnswer {
  DialogKind kind = DialogKind::None;  // None: no chooser expected
  bool cancel = false;                 // with kind None: cancel whichever chooser opens
  std::string file;                    // FileOpen: the full path to type
  std::string face;                    // Font: the face to pick; empty keeps the dialog's
  std::string pointSize;               // Font: the size entry to pick; empty keeps the dialog's
  int red = 0, green = 0, blue = 0;    // Color
};

struct DialogRecord {
  bool answered = false;              // the expected chooser opened and was answered
  std::vector<std::string> messages;  // the message boxes' texts, in order
  std::vector<std::string> problems;  // unexpected dialogs, entries not offered, ...
};

class DialogWatcher {
 public:
  DialogWatcher(DWORD uiThread, DialogAnswer answer);
  ~DialogWatcher();
  DialogWatcher(const DialogWatcher&) = delete;
  DialogWatcher& operator=(const DialogWatcher&) = delete;

  // Stops watching; call after the press has returned.
  DialogRecord Finish();

 private:
  void Run();
  void Handle(HWND dialog);
  void AnswerFileOpen(HWND dialog);
  void AnswerFont(HWND dialog);
  void AnswerColor(HWND dialog);
  void ReadMessageBox(HWND dialog);
  bool Expects(DialogKind kind) const;

  const DWORD uiThread_;
  const DialogAnswer answer_;
  DialogRecord record_;
  std::map<HWND, ULONGLONG> handled_;  // dialog -> when it was answered
  std::atomic<bool> running_{false};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace standin
