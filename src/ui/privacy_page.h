// The Privacy page: the network name box and the commands that place the
// local adapter or every device with a known password on that network. The
// commands' flows are not part of the window yet; the page shows its texts
// and controls.
#pragma once

#include <QWidget>

namespace strandline::ui {

class PrivacyPage final : public QWidget {
  Q_OBJECT
 public:
  explicit PrivacyPage(QWidget* parent = nullptr);
};

}  // namespace strandline::ui
