#include "ui/qt_prompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <memory>

namespace strandline::ui {

namespace {

QMessageBox::Icon toQt(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Exclamation:
      return QMessageBox::Warning;
    case MessageIcon::Error:
      return QMessageBox::Critical;
    case MessageIcon::Question:
      return QMessageBox::Question;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toQt(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::Ok:
      return QMessageBox::Ok;
    case MessageButtons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::RetryCancel:
      return QMessageBox::Retry | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

MessageAnswer fromQt(int button) {
  switch (button) {
    case QMessageBox::Cancel:
      return MessageAnswer::Cancel;
    case QMessageBox::Yes:
      return MessageAnswer::Yes;
    case QMessageBox::No:
      return MessageAnswer::No;
    case QMessageBox::Retry:
      return MessageAnswer::Retry;
    default:
      return MessageAnswer::Ok;
  }
}

}  // namespace

MessageAnswer closingAnswer(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::Ok:
      return MessageAnswer::Ok;
    case MessageButtons::YesNo:
      return MessageAnswer::No;
    default:
      return MessageAnswer::Cancel;
  }
}

MessageAnswer QtPrompter::show(const std::string& text, const std::string& caption,
                               MessageIcon icon, MessageButtons buttons) {
  QMessageBox box(toQt(icon), QString::fromStdString(caption), QString::fromStdString(text),
                  toQt(buttons), parent_.data());
  box.setObjectName("messageBox");
  // A box raised during a long command gets the arrow, not the wait cursor.
  bool waiting = QApplication::overrideCursor() != nullptr;
  if (waiting) QApplication::setOverrideCursor(Qt::ArrowCursor);
  int answer = box.exec();
  if (waiting) QApplication::restoreOverrideCursor();
  return fromQt(answer);
}

MessageAnswer QtPrompter::messageBox(const std::string& text, const std::string& caption,
                                     MessageIcon icon, MessageButtons buttons) {
  {
    std::lock_guard lock(mutex_);
    shown_.push_back({text, caption, icon, buttons});
    if (closing_) return closingAnswer(buttons);
  }
  if (QThread::currentThread() == thread()) return show(text, caption, icon, buttons);

  struct Pending {
    std::optional<MessageAnswer> answer;
  };
  auto pending = std::make_shared<Pending>();
  QMetaObject::invokeMethod(
      this,
      [this, pending, text, caption, icon, buttons] {
        MessageAnswer answer = closingAnswer(buttons);
        bool closing = false;
        {
          std::lock_guard lock(mutex_);
          closing = closing_;
        }
        if (!closing) answer = show(text, caption, icon, buttons);
        std::lock_guard lock(mutex_);
        pending->answer = answer;
        answered_.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock lock(mutex_);
  answered_.wait(lock, [&] { return pending->answer.has_value() || closing_; });
  return pending->answer.value_or(closingAnswer(buttons));
}

void QtPrompter::progressText(const std::string& text) {
  QString q = QString::fromStdString(text);
  QMetaObject::invokeMethod(
      this, [this, q] { emit progress(q); }, Qt::QueuedConnection);
}

void QtPrompter::waitCursor(bool on) {
  QMetaObject::invokeMethod(
      this,
      [on] {
        if (on)
          QApplication::setOverrideCursor(Qt::WaitCursor);
        else
          QApplication::restoreOverrideCursor();
      },
      Qt::QueuedConnection);
}

void QtPrompter::shutdown() {
  std::lock_guard lock(mutex_);
  closing_ = true;
  answered_.notify_all();
}

std::vector<ShownMessage> QtPrompter::shown() {
  std::lock_guard lock(mutex_);
  return shown_;
}

}  // namespace strandline::ui
