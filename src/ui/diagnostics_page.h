// The Diagnostics page: the system information list, the remote device
// history and the report buttons. Filling the lists and the report are not
// part of the window yet; the page shows its texts, columns and buttons.
#pragma once

#include <QWidget>

namespace strandline::ui {

class DiagnosticsPage final : public QWidget {
  Q_OBJECT
 public:
  explicit DiagnosticsPage(QWidget* parent = nullptr);
};

}  // namespace strandline::ui
