// The prompter of the window. A flow on the engine thread that raises a
// message box waits here while the Qt thread shows it; the Qt thread itself
// never waits on the engine.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/prompter.h"

namespace strandline::ui {

class QtPrompter final : public QObject, public Prompter {
  Q_OBJECT
 public:
  explicit QtPrompter(QObject* parent = nullptr) : QObject(parent) {}

  MessageAnswer messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                           MessageButtons buttons) override;
  void progressText(const std::string& text) override;
  void waitCursor(bool on) override;

  // The window the boxes belong to.
  void setParentWindow(QWidget* window) { parent_ = window; }
  // From now on every box is answered at once with Cancel (or No, or Ok),
  // including one that is waiting: the window is closing.
  void shutdown();

  // Every message shown so far (the tests read it).
  std::vector<ShownMessage> shown();

 signals:
  void progress(const QString& text);

 private:
  MessageAnswer show(const std::string& text, const std::string& caption, MessageIcon icon,
                     MessageButtons buttons);

  QPointer<QWidget> parent_;
  std::mutex mutex_;
  std::condition_variable answered_;
  bool closing_ = false;
  std::vector<ShownMessage> shown_;
};

// The answer a closing window gives.
MessageAnswer closingAnswer(MessageButtons buttons);

}  // namespace strandline::ui
