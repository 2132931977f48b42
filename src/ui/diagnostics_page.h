// The Diagnostics page: the system information list, the remote device
// history and the report buttons. While the page is shown the scan is paused
// and the lists follow every refresh; Delete, Save Report and Print Report
// run on the engine thread and answer here.
#pragma once

#include <QTreeWidget>
#include <QWidget>

#include "storage/oem_prefs.h"
#include "storage/oui_list.h"
#include "ui/window_engine.h"

namespace strandline::ui {

class DiagnosticsPage final : public QWidget {
  Q_OBJECT
 public:
  DiagnosticsPage(const OemSettings& oem, WindowEngine& engine, QWidget* parent = nullptr);

  // The page became the shown page (pauses the scan, fills the lists), or was left.
  void activate();
  void deactivate();
  // Builds the lists again from the engine's state.
  void refill();

  QTreeWidget* systemList() { return upper_; }
  QTreeWidget* deviceList() { return lower_; }

 signals:
  // The lists were filled.
  void filled();

 private:
  void fill(const std::vector<std::vector<std::string>>& system,
            const std::vector<std::vector<std::string>>& devices);
  void sortBy(int column);
  void deleteSelected();
  void saveReport();
  void printReport();

  OemSettings oem_;
  WindowEngine& engine_;
  OuiList oui_;
  QTreeWidget* upper_ = nullptr;
  QTreeWidget* lower_ = nullptr;
  bool active_ = false;
  int sortColumn_ = -1;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

}  // namespace strandline::ui
