// The Privacy page: the network name box and the commands that place the
// local adapter, or every device with a known password, on that network.
// The commands run on the engine thread; both buttons stay disabled until
// the command is done.
#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "ui/window_engine.h"

namespace strandline::ui {

class PrivacyPage final : public QWidget {
  Q_OBJECT
 public:
  explicit PrivacyPage(WindowEngine& engine, QWidget* parent = nullptr);

  // The page became the shown page.
  void activate();

 private:
  void take(const WindowUpdate& update);
  void place(bool all);

  WindowEngine& engine_;
  QLineEdit* name_ = nullptr;
  QPushButton* local_ = nullptr;
  QPushButton* all_ = nullptr;
  std::string networkName_;
  bool adapterPresent_ = false;
  bool avMode_ = true;
  bool filled_ = false;
};

}  // namespace strandline::ui
