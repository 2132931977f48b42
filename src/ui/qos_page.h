// The QoS page: the priority mapping of VLAN tags and TOS bits to channel
// access priorities, the default priorities and the times to live. Reading
// and writing the adapter's parameter block is not part of the window yet;
// the page shows its controls with the values used when no adapter is
// connected.
#pragma once

#include <QWidget>

namespace strandline::ui {

class QosPage final : public QWidget {
  Q_OBJECT
 public:
  explicit QosPage(QWidget* parent = nullptr);
};

}  // namespace strandline::ui
