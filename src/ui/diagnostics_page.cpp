#include "ui/diagnostics_page.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

namespace strandline::ui {

DiagnosticsPage::DiagnosticsPage(QWidget* parent) : QWidget(parent) {
  setObjectName("Diagnostics");
  auto* layout = new QGridLayout(this);
  auto* upper = new QTreeWidget(this);
  upper->setObjectName("1086");
  upper->setRootIsDecorated(false);
  upper->setHeaderLabels({"System Information"});
  upper->setColumnWidth(0, 520);
  layout->addWidget(upper, 0, 0, 1, 3);
  layout->addWidget(
      new QLabel("Remote Device History (Log)  You can choose one more record to delete.", this), 1,
      0, 1, 3);
  auto* lower = new QTreeWidget(this);
  lower->setObjectName("1085");
  lower->setRootIsDecorated(false);
  lower->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lower->setSelectionBehavior(QAbstractItemView::SelectRows);
  const std::pair<const char*, int> columns[] = {
      {"Device", 80},  {"MAC Address", 110}, {"Password", 120}, {"Rate(Tx/Rx)", 90},
      {"Network", 70}, {"Last Seen", 100},   {"Vendor", 80},    {"Firmware", 120},
      {"Sent", 45},    {"Misses", 45},       {"Drops", 45},     {"Fails", 45},
      {"Hi Rate", 50}, {"Low Rate", 60}};
  QStringList titles;
  for (const auto& c : columns) titles << c.first;
  lower->setHeaderLabels(titles);
  for (int i = 0; i < static_cast<int>(titles.size()); ++i)
    lower->setColumnWidth(i, columns[i].second);
  layout->addWidget(lower, 2, 0, 1, 3);
  const std::pair<int, const char*> buttons[] = {
      {1094, "Delete"}, {1084, "Save Report"}, {1093, "Print Report"}};
  for (int i = 0; i < 3; ++i) {
    auto* b = new QPushButton(buttons[i].second, this);
    b->setObjectName(QString::number(buttons[i].first));
    layout->addWidget(b, 3, i);
  }
}

}  // namespace strandline::ui
