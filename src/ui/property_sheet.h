// The window: a tabbed sheet with the pages Main, Privacy, QoS, Diagnostics
// (only when the OEM diagnostics level is not 0) and About, captioned with the
// application name, with a minimise box and one "Close" button.
#pragma once

#include <QDialog>
#include <QTabWidget>

#include "storage/oem_prefs.h"
#include "ui/diagnostics_page.h"
#include "ui/main_page.h"
#include "ui/qt_prompter.h"
#include "ui/window_engine.h"

namespace strandline::ui {

class PropertySheet final : public QDialog {
  Q_OBJECT
 public:
  PropertySheet(const OemSettings& oem, QtPrompter& prompter, QWidget* parent = nullptr);
  ~PropertySheet() override;

  // Starts the engine on the link the options name.
  bool start(const WindowOptions& options, std::string& error);

  QTabWidget* tabs() { return tabs_; }
  MainPage* mainPage() { return main_; }
  // Null when the OEM diagnostics level is 0.
  DiagnosticsPage* diagnosticsPage() { return diagnostics_; }
  WindowEngine& engine() { return engine_; }

 protected:
  void done(int result) override;

 private:
  QtPrompter& prompter_;
  WindowEngine engine_;
  QTabWidget* tabs_ = nullptr;
  MainPage* main_ = nullptr;
  DiagnosticsPage* diagnostics_ = nullptr;
  int currentPage_ = 0;
  bool closed_ = false;
};

}  // namespace strandline::ui
