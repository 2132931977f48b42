#include "ui/property_sheet.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/about_page.h"
#include "ui/diagnostics_page.h"
#include "ui/privacy_page.h"
#include "ui/qos_page.h"

namespace strandline::ui {

PropertySheet::PropertySheet(const OemSettings& oem, QtPrompter& prompter, QWidget* parent)
    : QDialog(parent), prompter_(prompter), engine_(oem, prompter) {
  setObjectName("sheet");
  setWindowTitle(QString::fromStdString(oem.prefs.appName));
  // A desktop window: minimise and maximise boxes, and a size grip; the
  // pages' layouts give the extra room to the lists.
  setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
  setSizeGripEnabled(true);
  prompter_.setParentWindow(this);

  auto* layout = new QVBoxLayout(this);
  tabs_ = new QTabWidget(this);
  main_ = new MainPage(oem, engine_, tabs_);
  tabs_->addTab(main_, "Main");
  auto* privacy = new PrivacyPage(engine_, tabs_);
  tabs_->addTab(privacy, "Privacy");
  tabs_->addTab(new QosPage(engine_, tabs_), "QoS");
  if (oem.prefs.diagnosticsLevel != 0) {
    diagnostics_ = new DiagnosticsPage(oem, engine_, tabs_);
    tabs_->addTab(diagnostics_, "Diagnostics");
  }
  auto* about = new AboutPage(oem, QDir::currentPath().toStdString(), tabs_);
  about->onAutoScan = [this](bool on) { engine_.setAutoScanSetting(on); };
  tabs_->addTab(about, "About");
  layout->addWidget(tabs_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->button(QDialogButtonBox::Close)->setText("Close");
  buttons->button(QDialogButtonBox::Close)->setObjectName("Close");
  buttons->button(QDialogButtonBox::Close)->setAutoDefault(false);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);

  // The sheet opens at the Main page's size: the other pages fit into it
  // and grow with the window like it, but never below their minimum sizes.
  for (int i = 0; i < tabs_->count(); ++i) {
    QWidget* page = tabs_->widget(i);
    if (page == main_) continue;
    page->setMinimumSize(page->minimumSizeHint());
    page->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  }
  resize(sizeHint());

  connect(&engine_, &WindowEngine::updated, this,
          [this](std::shared_ptr<const WindowUpdate> update) { main_->apply(*update); });
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
    // The Diagnostics page pauses the scan while it is shown; the flag is put
    // back before the Main page starts scanning again.
    if (diagnostics_ && tabs_->widget(currentPage_) == diagnostics_) diagnostics_->deactivate();
    if (currentPage_ == 0 && index != 0) main_->deactivate();
    if (index == 0 && currentPage_ != 0) main_->activate();
    if (diagnostics_ && tabs_->widget(index) == diagnostics_) diagnostics_->activate();
    if (auto* page = qobject_cast<PrivacyPage*>(tabs_->widget(index))) page->activate();
    if (auto* page = qobject_cast<QosPage*>(tabs_->widget(index))) page->activate();
    currentPage_ = index;
  });
}

PropertySheet::~PropertySheet() {
  engine_.shutdown();
}

bool PropertySheet::start(const WindowOptions& options, std::string& error) {
  return engine_.start(options, error);
}

void PropertySheet::done(int result) {
  if (!closed_) {
    closed_ = true;
    if (tabs_->currentIndex() == 0) main_->deactivate();
    if (diagnostics_) diagnostics_->deactivate();
    engine_.shutdown();
  }
  QDialog::done(result);
}

}  // namespace strandline::ui
