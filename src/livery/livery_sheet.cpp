#include "livery/livery_sheet.h"

#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "livery/prefs_file.h"

namespace strandline::livery {

LiverySheet::LiverySheet(std::string path, const OemPrefs& prefs, QWidget* parent)
    : QDialog(parent), path_(std::move(path)), prefs_(prefs) {
  setObjectName("livery");
  setWindowTitle(QString::fromStdString(prefs_.appName));
  auto* layout = new QVBoxLayout(this);
  tabs_ = new QTabWidget(this);
  editor_ = new EditorPage(prefs_, tabs_);
  tabs_->addTab(editor_, "OEM Prefs Editor");
  about_ = new AboutPage(tabs_);
  about_->showPrefs(prefs_);
  tabs_->addTab(about_, "About");
  layout->addWidget(tabs_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName("OK");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("Cancel");
  connect(buttons, &QDialogButtonBox::accepted, this, &LiverySheet::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);

  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
    if (currentPage_ == tabs_->indexOf(editor_) && index != currentPage_ && !leaveEditor()) {
      tabs_->setCurrentIndex(currentPage_);  // back to the edits that were not saved
      return;
    }
    if (tabs_->widget(index) == about_) about_->showPrefs(prefs_);
    currentPage_ = index;
  });
}

void LiverySheet::accept() {
  if (tabs_->currentWidget() == editor_ && !leaveEditor()) return;
  QDialog::accept();
}

bool LiverySheet::leaveEditor() {
  editor_->takePrefs();
  Status saved = savePrefs(path_, prefs_);
  if (!saved.ok()) {
    QMessageBox box(QMessageBox::Warning, "Livery", QString::fromStdString(saved.message),
                    QMessageBox::Ok, this);
    box.setObjectName("saveFailed");
    box.exec();
    return false;
  }
  // What the page shows from now on is what the file holds.
  Status loaded = loadPrefs(path_, prefs_);
  if (!loaded.ok()) QMessageBox::warning(this, "Livery", QString::fromStdString(loaded.message));
  editor_->showPrefs();
  return true;
}

}  // namespace strandline::livery
