#include "platform/prompter.h"

#include <cstdio>

namespace strandline {

static MessageAnswer defaultAnswer(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel:
      return MessageAnswer::Yes;
    case MessageButtons::RetryCancel:
      return MessageAnswer::Retry;
    default:
      return MessageAnswer::Ok;
  }
}

MessageAnswer RecordingPrompter::messageBox(const std::string& text, const std::string& caption,
                                            MessageIcon icon, MessageButtons buttons) {
  shown.push_back({text, caption, icon, buttons});
  if (echo) std::printf("[%s] %s\n", caption.c_str(), text.c_str());
  if (answers.empty()) return defaultAnswer(buttons);
  MessageAnswer answer = answers.front();
  answers.pop_front();
  return answer;
}

}  // namespace strandline
