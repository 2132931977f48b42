// The "OEM Prefs Editor" page: every field of the preferences record as an
// edit box or a check box (object name = control id).
#pragma once

#include <QImage>
#include <QLineEdit>
#include <QWidget>

#include "storage/oem_prefs.h"

namespace strandline::livery {

class EditorPage final : public QWidget {
  Q_OBJECT
 public:
  // The page edits `prefs`, which the sheet owns.
  explicit EditorPage(OemPrefs& prefs, QWidget* parent = nullptr);

  // The record into the boxes.
  void showPrefs();
  // The boxes into the record. The check boxes are not read: each click flips
  // its flag. A number box (or the OUI box) that holds no number keeps the
  // field's previous value and is marked until it is edited again.
  void takePrefs();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // Marks the box whose text could not be read (property "invalid").
  static void mark(QLineEdit* box, bool invalid);

  OemPrefs& prefs_;
  QImage logo_;
  QImage badge_;
};

}  // namespace strandline::livery
