#include "ui/diagnostics_page.h"

#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTextDocument>

#include "app/diagnostics_actions.h"
#include "core/diagnostics/logs.h"
#include "core/diagnostics/report.h"

namespace strandline::ui {

namespace {

QTreeWidget* makeList(QWidget* parent, const char* id) {
  auto* list = new QTreeWidget(parent);
  list->setObjectName(id);
  list->setRootIsDecorated(false);
  return list;
}

}  // namespace

DiagnosticsPage::DiagnosticsPage(const OemSettings& oem, WindowEngine& engine, QWidget* parent)
    : QWidget(parent),
      oem_(oem),
      engine_(engine),
      oui_(loadOuiList(findShippedFile(kOuiListFileName))) {
  setObjectName("Diagnostics");
  auto* layout = new QGridLayout(this);
  upper_ = makeList(this, "1086");
  upper_->setHeaderLabels({kSystemColumn.title});
  upper_->setColumnWidth(0, kSystemColumn.width);
  layout->addWidget(upper_, 0, 0, 1, 3);
  layout->addWidget(
      new QLabel("Remote Device History (Log)  You can choose one more record to delete.", this), 1,
      0, 1, 3);
  lower_ = makeList(this, "1085");
  lower_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lower_->setSelectionBehavior(QAbstractItemView::SelectRows);
  QStringList titles;
  for (const ListColumn& c : kDeviceColumns) titles << c.title;
  lower_->setHeaderLabels(titles);
  for (int i = 0; i < static_cast<int>(kDeviceColumns.size()); ++i)
    lower_->setColumnWidth(i, kDeviceColumns[static_cast<std::size_t>(i)].width);
  lower_->header()->setSectionsClickable(true);
  connect(lower_->header(), &QHeaderView::sectionClicked, this, &DiagnosticsPage::sortBy);
  layout->addWidget(lower_, 2, 0, 1, 3);
  // A larger window gives the device log most of the extra height.
  layout->setRowStretch(0, 1);
  layout->setRowStretch(2, 2);

  const std::pair<int, const char*> buttons[] = {
      {1094, "Delete"}, {1084, "Save Report"}, {1093, "Print Report"}};
  void (DiagnosticsPage::*actions[])() = {&DiagnosticsPage::deleteSelected,
                                          &DiagnosticsPage::saveReport,
                                          &DiagnosticsPage::printReport};
  for (int i = 0; i < 3; ++i) {
    auto* b = new QPushButton(buttons[i].second, this);
    b->setObjectName(QString::number(buttons[i].first));
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, actions[i]);
    layout->addWidget(b, 3, i);
  }
  // Every refresh while the page is shown brings the lists up to date.
  connect(&engine_, &WindowEngine::updated, this, [this] {
    if (active_) refill();
  });
}

void DiagnosticsPage::activate() {
  if (active_) return;
  active_ = true;
  engine_.pauseForDialog();
  refill();
}

void DiagnosticsPage::deactivate() {
  if (!active_) return;
  active_ = false;
  engine_.resumeAfterDialog();
}

void DiagnosticsPage::refill() {
  Engine* engine = engine_.engine();
  if (!engine) return;
  // Posted to the engine itself, not as a window command: a command ends in a
  // refresh, which would fill the lists again.
  engine->post([this, prefs = oem_.prefs, oui = oui_](ProgramContext& ctx) {
    ReportFacts facts = app::reportFacts(ctx, prefs, oui);
    auto sink = std::make_shared<ListSink>();
    Status built = updateDiagnosticsList(facts, *sink);
    if (!built.ok())
      ctx.prompter.messageBox(kReportErrorText, kReportErrorCaption, MessageIcon::Error,
                              MessageButtons::Ok);
    QMetaObject::invokeMethod(
        this, [this, sink] { fill(sink->system, sink->devices); }, Qt::QueuedConnection);
  });
}

void DiagnosticsPage::fill(const std::vector<std::vector<std::string>>& system,
                           const std::vector<std::vector<std::string>>& devices) {
  QStringList selected;
  for (QTreeWidgetItem* item : lower_->selectedItems()) selected << item->text(1);
  upper_->clear();
  for (const auto& row : system)
    new QTreeWidgetItem(upper_, QStringList{QString::fromStdString(row.at(0))});
  lower_->clear();
  for (const auto& row : devices) {
    QStringList cells;
    for (const std::string& cell : row) cells << QString::fromStdString(cell);
    auto* item = new QTreeWidgetItem(lower_, cells);
    if (selected.contains(item->text(1))) item->setSelected(true);
  }
  if (sortColumn_ >= 0) lower_->sortItems(sortColumn_, sortOrder_);
  emit filled();
}

void DiagnosticsPage::sortBy(int column) {
  if (column == sortColumn_)
    sortOrder_ = sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
  else
    sortOrder_ = Qt::AscendingOrder;
  sortColumn_ = column;
  lower_->sortItems(sortColumn_, sortOrder_);
  lower_->header()->setSortIndicatorShown(true);
  lower_->header()->setSortIndicator(sortColumn_, sortOrder_);
}

void DiagnosticsPage::deleteSelected() {
  std::vector<std::string> macs;
  for (QTreeWidgetItem* item : lower_->selectedItems()) macs.push_back(item->text(1).toStdString());
  engine_.post([macs](ProgramContext& ctx,
                      app::MainPageState& state) { app::deleteDevices(ctx, state, macs); },
               Engine::WhenStopping::Drop);
}

void DiagnosticsPage::saveReport() {
  QFileDialog dialog(this, "Save Report");
  dialog.setObjectName("saveReport");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters({"Diagnostics (*.TXT *.txt)", "All (*)"});
  dialog.setDefaultSuffix("TXT");
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  std::string path = dialog.selectedFiles().front().toStdString();
  engine_.post([path, prefs = oem_.prefs, oui = oui_](ProgramContext& ctx, app::MainPageState&) {
    Status written =
        writeDiagnosticsReport(path, app::reportFacts(ctx, prefs, oui), ctx.clock.wallSeconds());
    if (!written.ok())
      ctx.prompter.messageBox("The report could not be saved as " + path + ".\n" + written.message,
                              "Save Report", MessageIcon::Error, MessageButtons::Ok);
  });
}

void DiagnosticsPage::printReport() {
  engine_.post([this, prefs = oem_.prefs, oui = oui_](ProgramContext& ctx,
                                                      app::MainPageState& state) {
    std::string path = app::dataFolderOf(state) + "/" + kPrintedReportName;
    std::int64_t now = ctx.clock.wallSeconds();
    ReportFacts facts = app::reportFacts(ctx, prefs, oui);
    Status written = writeDiagnosticsReport(path, facts, now);
    if (!written.ok()) {
      ctx.prompter.messageBox(
          "The report could not be written to " + path + " for printing.\n" + written.message,
          "Print Report", MessageIcon::Error, MessageButtons::Ok);
      return;
    }
    QString text = QString::fromStdString(diagnosticsReport(facts, now));
    QString file = QString::fromStdString(path);
    QMetaObject::invokeMethod(
        this,
        [this, text, file] {
          if (QPrinterInfo::availablePrinterNames().isEmpty()) {
            QMessageBox box(QMessageBox::Warning, app::kDiagnosticsCaption,
                            QString(app::kNoPrinterText) +
                                "\nNo printer is set up on this computer. The report is saved as " +
                                file + ".",
                            QMessageBox::Ok, this);
            box.setObjectName("noPrinter");
            box.exec();
            return;
          }
          QPrinter printer;
          QPrintDialog dialog(&printer, this);
          dialog.setWindowTitle("Print Report");
          if (dialog.exec() != QDialog::Accepted) return;
          QTextDocument document;
          document.setDefaultFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
          document.setPlainText(text);
          document.print(&printer);
        },
        Qt::QueuedConnection);
  });
}

}  // namespace strandline::ui
