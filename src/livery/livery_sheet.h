// Livery's window: a tabbed sheet with the editor page and the About page,
// captioned with the application name as loaded, with OK and Cancel (no
// Apply). Leaving the editor page, to the About page or by OK, saves the
// file and reads it back; Cancel closes without saving.
#pragma once

#include <QDialog>
#include <QTabWidget>
#include <string>

#include "livery/about_page.h"
#include "livery/editor_page.h"
#include "storage/oem_prefs.h"

namespace strandline::livery {

class LiverySheet final : public QDialog {
  Q_OBJECT
 public:
  LiverySheet(std::string path, const OemPrefs& prefs, QWidget* parent = nullptr);

  QTabWidget* tabs() { return tabs_; }
  EditorPage* editor() { return editor_; }
  const OemPrefs& prefs() const { return prefs_; }

 public slots:
  void accept() override;

 private:
  // Takes the boxes, saves the file and reads it back into the boxes. A file
  // that cannot be written gets a message naming it and the reason; the
  // edits stay in the boxes and the page stays.
  bool leaveEditor();

  std::string path_;
  OemPrefs prefs_;
  QTabWidget* tabs_ = nullptr;
  EditorPage* editor_ = nullptr;
  AboutPage* about_ = nullptr;
  int currentPage_ = 0;
};

}  // namespace strandline::livery
