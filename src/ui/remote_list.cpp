#include "ui/remote_list.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <algorithm>

#include "storage/bitmap_file.h"
#include "ui/cbmp.h"

namespace strandline::ui {

namespace {

constexpr int kSlotRole = Qt::UserRole;
constexpr int kRowRole = Qt::UserRole + 1;

}  // namespace

// Commits a rename to the engine instead of the item: the label follows the
// stored name once the engine has checked and saved it.
class NameDelegate final : public QStyledItemDelegate {
 public:
  explicit NameDelegate(RemoteList& list) : QStyledItemDelegate(&list), list_(list) {}
  void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex&) const override {
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (!line) return;
    list_.committed_ = true;
    if (list_.onRenamed) list_.onRenamed(list_.editingMac_, line->text().toStdString());
  }

 private:
  RemoteList& list_;
};

RemoteList::RemoteList(const OemSettings& oem, QWidget* parent) : QTreeWidget(parent), oem_(oem) {
  setObjectName("1062");
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setItemDelegateForColumn(0, new NameDelegate(*this));
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this, &RemoteList::showContextMenu);
  oui_ = loadOuiList(findDataFile(kOuiListFileName));
  quality_ = app::makeQualityTable(oem.prefs.qualityType);
  columns_ = app::remoteColumns(oem.prefs.showRate != 0, oem.prefs.showQuality != 0);

  QStringList titles;
  for (const app::ColumnInfo& c : columns_) titles << c.title;
  setHeaderLabels(titles);
  header()->setSectionsMovable(true);
  header()->setSectionsClickable(true);
  header()->setStretchLastSection(false);
  for (std::size_t i = 0; i < columns_.size(); ++i)
    setColumnWidth(static_cast<int>(i), columns_[i].width);
  std::vector<int> order = app::freshDisplayOrder(columns_.size());
  for (std::size_t visual = 0; visual < order.size(); ++visual)
    header()->moveSection(header()->visualIndex(order[visual]), static_cast<int>(visual));
  saved_ = layout();

  QPalette pal = palette();
  pal.setColor(QPalette::Text, QColor::fromRgb(app::remoteTextColor(oem.prefs.color)));
  setPalette(pal);
  if (oem.prefs.iconSize != 0) {
    setIconSize(QSize(oem.prefs.iconSize, oem.prefs.iconSize));
    for (const char* file : app::kDeviceImageFiles) {
      QIcon icon = CBmp::icon(file, oem.prefs.iconSize);
      icons_.push_back(icon.isNull() ? style()->standardIcon(QStyle::SP_MessageBoxWarning) : icon);
    }
  } else {
    // No icons: grid lines between the cells instead.
    setStyleSheet("QTreeView::item { border: 1px solid #d0d0d0; }");
  }

  connect(header(), &QHeaderView::sectionClicked, this, [this](int logical) {
    sort_.click(logical);
    sortRows();
    if (onLayoutChanged) onLayoutChanged();
  });
  // Fitting is no change of the user's: the fitted widths are stored with
  // the layout when the page is left or the window closes.
  auto changed = [this] {
    if (!restoringLayout_ && !fitting_ && onLayoutChanged) onLayoutChanged();
  };
  connect(header(), &QHeaderView::sectionMoved, this, changed);
  connect(header(), &QHeaderView::sectionResized, this, [this, changed] {
    if (!restoringLayout_ && !fitting_) fitToContents_ = false;  // the user's width wins
    changed();
  });
  connect(itemDelegateForColumn(0), &QAbstractItemDelegate::closeEditor, this, [this] {
    if (!committed_ && onRenameCancelled) onRenameCancelled();
    committed_ = false;
    editingMac_.clear();
  });
}

int RemoteList::columnOf(app::RemoteColumn column) const {
  for (std::size_t i = 0; i < columns_.size(); ++i)
    if (columns_[i].column == column) return static_cast<int>(i);
  return -1;
}

void RemoteList::setRow(QTreeWidgetItem* item, const app::RemoteRow& row) {
  item->setText(0, QString::fromStdString(row.name));
  item->setText(columnOf(app::RemoteColumn::Mac), QString::fromStdString(row.mac));
  if (int c = columnOf(app::RemoteColumn::Rate); c >= 0)
    item->setText(c, QString::fromStdString(row.rate));
  if (int c = columnOf(app::RemoteColumn::Quality); c >= 0)
    item->setText(c, QString::fromStdString(row.quality));
  item->setText(columnOf(app::RemoteColumn::Password), QString::fromStdString(row.password));
  if (!icons_.empty())
    item->setIcon(0, icons_[static_cast<std::size_t>(app::imageForKind(row.kind))]);
  item->setData(0, kSlotRole, row.slot);
  item->setData(0, kRowRole, row.txRate);
}

void RemoteList::apply(const WindowUpdate& update) {
  if (state() == QAbstractItemView::EditingState) return;  // the scan is paused while editing
  const auto card = static_cast<std::size_t>(update.snapshot.currentCard);
  localMac_ = card < kMaxCards && update.snapshot.adapters[card].present
                  ? macToText(update.snapshot.adapters[card].mac)
                  : std::string();
  if (update.layoutFromDatabase) {
    sort_.column = update.sortColumn;
    sort_.toggle = update.sortToggle;
  }
  if (update.listGeneration != generation_) {
    clear();
    generation_ = update.listGeneration;
  }
  const EngineSnapshot& s = update.snapshot;
  if (s.currentCard < 0 || s.currentCard >= kMaxCards) return;
  const LocalAdapter& adapter = s.adapters[static_cast<std::size_t>(s.currentCard)];
  if (!adapter.present) return;
  const AdapterNetwork& network = s.network();

  std::vector<std::string> macs;
  int macColumn = columnOf(app::RemoteColumn::Mac);
  for (int i = 0; i < topLevelItemCount(); ++i)
    macs.push_back(topLevelItem(i)->text(macColumn).toStdString());
  app::ListPlan plan = app::planRemoteList(macs, network, adapter.mac);
  auto find = [&](const std::string& mac) -> QTreeWidgetItem* {
    for (int i = 0; i < topLevelItemCount(); ++i)
      if (topLevelItem(i)->text(macColumn).toStdString() == mac) return topLevelItem(i);
    return nullptr;
  };
  for (const std::string& mac : plan.remove) delete find(mac);
  for (const auto& [mac, slot] : plan.update) {
    QTreeWidgetItem* item = find(mac);
    if (!item) continue;
    const StationRecord& st = network.stations[static_cast<std::size_t>(slot)];
    setRow(item,
           app::makeRemoteRow(network, slot, s.known, quality_, topLevelItemCount(),
                              vendorNameFor(oui_, st.mac, oem_.prefs.oui, oem_.prefs.vendorName)));
  }
  for (int slot : plan.insert) {
    const StationRecord& st = network.stations[static_cast<std::size_t>(slot)];
    auto* item = new QTreeWidgetItem(this);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    setRow(item,
           app::makeRemoteRow(network, slot, s.known, quality_, topLevelItemCount(),
                              vendorNameFor(oui_, st.mac, oem_.prefs.oui, oem_.prefs.vendorName)));
  }
  sortRows();
  fitColumns();
}

void RemoteList::resizeEvent(QResizeEvent* event) {
  QTreeWidget::resizeEvent(event);
  fitColumns();
}

void RemoteList::fitColumns() {
  // Refitted after every update, not only the first fill: the rates arrive a
  // cycle after the rows.
  if (!fitToContents_ || topLevelItemCount() == 0) return;
  std::vector<int> wanted;
  for (int column = 0; column < columnCount(); ++column)
    wanted.push_back(std::max(sizeHintForColumn(column), header()->sectionSizeHint(column)));
  std::vector<int> widths = app::fittedWidths(columns_, wanted, viewport()->width());
  fitting_ = true;
  for (int column = 0; column < columnCount(); ++column)
    if (header()->sectionSize(column) != widths[static_cast<std::size_t>(column)])
      header()->resizeSection(column, widths[static_cast<std::size_t>(column)]);
  fitting_ = false;
}

std::vector<app::RemoteRow> RemoteList::rows() const {
  std::vector<app::RemoteRow> out;
  for (int i = 0; i < topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = topLevelItem(i);
    app::RemoteRow row;
    row.slot = item->data(0, kSlotRole).toInt();
    row.name = item->text(0).toStdString();
    row.mac = item->text(columnOf(app::RemoteColumn::Mac)).toStdString();
    if (int c = columnOf(app::RemoteColumn::Rate); c >= 0) {
      row.rate = item->text(c).toStdString();
    }
    row.txRate = item->data(0, kRowRole).toDouble();
    if (int c = columnOf(app::RemoteColumn::Quality); c >= 0)
      row.quality = item->text(c).toStdString();
    row.password = item->text(columnOf(app::RemoteColumn::Password)).toStdString();
    out.push_back(row);
  }
  return out;
}

void RemoteList::sortRows() {
  if (sort_.column < 0 || sort_.column >= static_cast<int>(columns_.size())) return;
  app::RemoteColumn column = columns_[static_cast<std::size_t>(sort_.column)].column;
  std::vector<app::RemoteRow> current = rows();
  std::vector<int> order(current.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return app::compareRows(current[static_cast<std::size_t>(a)],
                            current[static_cast<std::size_t>(b)], column, sort_.toggle) < 0;
  });
  bool sorted = true;
  for (std::size_t i = 0; i < order.size(); ++i) sorted &= order[i] == static_cast<int>(i);
  if (sorted) return;
  QString selectedMac;
  if (QTreeWidgetItem* item = currentItem())
    selectedMac = item->text(columnOf(app::RemoteColumn::Mac));
  std::vector<QTreeWidgetItem*> items;
  for (int index : order) items.push_back(topLevelItem(index));
  while (topLevelItemCount() > 0) takeTopLevelItem(0);
  for (QTreeWidgetItem* item : items) addTopLevelItem(item);
  for (QTreeWidgetItem* item : items)
    if (!selectedMac.isEmpty() && item->text(columnOf(app::RemoteColumn::Mac)) == selectedMac)
      setCurrentItem(item);
}

void RemoteList::showContextMenu(const QPoint& position) {
  QTreeWidgetItem* item = itemAt(position);
  QString mac = item ? item->text(columnOf(app::RemoteColumn::Mac)) : QString();
  QString name = item ? item->text(0) : QString();
  QMenu menu(this);
  QAction* station = menu.addAction(tr("Rate History..."));
  station->setEnabled(item != nullptr);
  connect(station, &QAction::triggered, this, [this, mac, name] {
    if (onHistoryRequested)
      onHistoryRequested(
          mac.toStdString(),
          tr("Rate History: %1").arg(name.isEmpty() ? mac : name + " (" + mac + ")"));
  });
  QAction* local = menu.addAction(tr("Rate History of the Local Adapter..."));
  local->setEnabled(!localMac_.empty());
  connect(local, &QAction::triggered, this, [this, localMac = localMac_] {
    if (onHistoryRequested)
      onHistoryRequested(
          localMac, tr("Rate History: local adapter %1").arg(QString::fromStdString(localMac)));
  });
  menu.exec(viewport()->mapToGlobal(position));
}

bool RemoteList::startRename() {
  QTreeWidgetItem* item = currentItem();
  if (!item) {
    QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty()) return false;
    item = selected.first();
  }
  setFocus();
  editingMac_ = item->text(columnOf(app::RemoteColumn::Mac)).toStdString();
  committed_ = false;
  if (onRenameStarted) onRenameStarted();
  editItem(item, 0);
  return true;
}

ColumnLayout RemoteList::layout() const {
  std::vector<int> order, widths;
  for (int visual = 0; visual < header()->count(); ++visual)
    order.push_back(header()->logicalIndex(visual));
  for (int logical = 0; logical < header()->count(); ++logical)
    widths.push_back(header()->sectionSize(logical));
  return app::captureColumnLayout(saved_, columns_, order, widths);
}

void RemoteList::applyLayout(const ColumnLayout& saved) {
  restoringLayout_ = true;
  app::AppliedLayout applied = app::applyColumnLayout(saved, columns_);
  for (std::size_t visual = 0; visual < applied.order.size(); ++visual)
    header()->moveSection(header()->visualIndex(applied.order[visual]), static_cast<int>(visual));
  for (std::size_t i = 0; i < applied.widths.size(); ++i)
    header()->resizeSection(static_cast<int>(i), applied.widths[i]);
  saved_ = saved;
  restoringLayout_ = false;
  // Widths the user or an earlier fit stored win over fitting.
  fitToContents_ = !app::widthsStored(saved);
}

}  // namespace strandline::ui
