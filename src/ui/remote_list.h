// The remote device list (control 1062): one row per station of the current
// adapter, with its name, MAC, rate, quality and password; sortable by any
// column with per-column toggles; the name is renamed in place. The columns
// fit their contents (within the list's width, as far as the Quality bars
// allow) until the user or the device database sets their widths.
#pragma once

#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <functional>
#include <vector>

#include "app/device_lists.h"
#include "storage/oem_prefs.h"
#include "storage/oui_list.h"
#include "ui/window_engine.h"

namespace strandline::ui {

class RemoteList final : public QTreeWidget {
  Q_OBJECT
 public:
  RemoteList(const OemSettings& oem, QWidget* parent = nullptr);

  // Brings the list in line with the update's station table and sorts it.
  void apply(const WindowUpdate& update);
  // The rows as shown, top to bottom.
  std::vector<app::RemoteRow> rows() const;
  // Starts editing the name of the selected row; false with nothing selected.
  bool startRename();

  const std::vector<app::ColumnInfo>& columns() const { return columns_; }
  app::SortState& sortState() { return sort_; }
  // The layout as the user arranged it, in the saved five-column form.
  ColumnLayout layout() const;
  void applyLayout(const ColumnLayout& layout);
  void sortRows();

  // The rename hooks: editing began; editing ended with (MAC, text) or was cancelled.
  std::function<void()> onRenameStarted;
  std::function<void(const std::string& mac, const std::string& text)> onRenamed;
  std::function<void()> onRenameCancelled;
  // The header was clicked or a column moved or resized.
  std::function<void()> onLayoutChanged;
  // The context menu asked for the rate history of a station or of the local
  // adapter (MAC text), with a title for its view.
  std::function<void(const std::string& mac, const QString& title)> onHistoryRequested;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  friend class NameDelegate;
  void setRow(QTreeWidgetItem* item, const app::RemoteRow& row);
  void showContextMenu(const QPoint& position);
  int columnOf(app::RemoteColumn column) const;
  // Fits the columns to their contents and titles within the list's width.
  void fitColumns();

  OemSettings oem_;
  OuiList oui_;
  app::QualityTable quality_;
  std::vector<app::ColumnInfo> columns_;
  std::vector<QIcon> icons_;
  app::SortState sort_;
  ColumnLayout saved_;
  std::uint32_t generation_ = ~0u;
  std::string editingMac_;
  bool committed_ = false;
  bool restoringLayout_ = false;
  // The columns follow their contents until widths are stored or the user
  // sets one.
  bool fitToContents_ = true;
  bool fitting_ = false;
  std::string localMac_;  // the current card's adapter, empty when none
};

}  // namespace strandline::ui
