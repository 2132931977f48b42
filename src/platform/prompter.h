// The prompter port: what a flow shows the user, and the user's answers.
//
// The window implements it with dialogs; tests and the command line use
// RecordingPrompter, which keeps every text it was shown and answers from a
// script.
#pragma once

#include <deque>
#include <string>
#include <vector>

namespace strandline {

enum class MessageIcon { None, Information, Exclamation, Error, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No, Retry };

// A message box as a value, for the layers that leave showing it to their caller.
struct Notice {
  std::string text;
  std::string caption;
  MessageIcon icon = MessageIcon::Exclamation;
};

class Prompter {
 public:
  virtual ~Prompter() = default;
  virtual MessageAnswer messageBox(const std::string& text, const std::string& caption,
                                   MessageIcon icon, MessageButtons buttons) = 0;
  virtual void progressText(const std::string& text) = 0;
  virtual void waitCursor(bool on) = 0;

  void show(const Notice& notice) {
    messageBox(notice.text, notice.caption, notice.icon, MessageButtons::Ok);
  }
};

struct ShownMessage {
  std::string text;
  std::string caption;
  MessageIcon icon;
  MessageButtons buttons;
};

class RecordingPrompter : public Prompter {
 public:
  MessageAnswer messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                           MessageButtons buttons) override;
  void progressText(const std::string& text) override { progress.push_back(text); }
  void waitCursor(bool on) override { waitCursorOn = on; }

  std::vector<ShownMessage> shown;
  std::vector<std::string> progress;
  // Answers given in order; when empty, Ok / Yes / Retry is answered as the buttons allow.
  std::deque<MessageAnswer> answers;
  bool waitCursorOn = false;
  // Optional: also print every message and progress text (the command line).
  bool echo = false;
};

}  // namespace strandline
