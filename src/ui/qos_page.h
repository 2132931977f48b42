// The QoS page: the priority mapping of VLAN tags and TOS bits to channel
// access priorities, the default priorities and the times to live of the
// local HomePlug AV adapter. Each time the page is shown it reads the
// adapter's parameter block on the device-operation worker and loads the
// controls from it; Write patches the block with the page's values and
// writes it back. With a HomePlug 1.0 adapter everything is disabled.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <array>

#include "core/settings/qos_settings.h"
#include "ui/window_engine.h"

namespace strandline::ui {

class QosPage final : public QWidget {
  Q_OBJECT
 public:
  explicit QosPage(WindowEngine& engine, QWidget* parent = nullptr);

  // The page became the shown page.
  void activate();

  // What the controls show, and showing settings. A time to live that is
  // not a number of milliseconds keeps the value shown when none is connected.
  QosSettings values() const;
  void display(const QosSettings& settings);

 private:
  void read();
  void write();
  void enableAll(bool on);
  void setColumn(bool vlan, bool on);

  WindowEngine& engine_;
  QCheckBox* vlan_ = nullptr;
  QCheckBox* tos_ = nullptr;
  std::array<QComboBox*, 8> vlanCaps_{};
  std::array<QComboBox*, 8> tosCaps_{};
  std::array<QComboBox*, 4> defaultCaps_{};  // unicast, multicast, IGMP, IGMP streams
  std::array<QLineEdit*, 4> ttl_{};
  QPushButton* write_ = nullptr;
  bool homePlug10_ = false;   // the current adapter as the last update showed it
  bool disabled_ = false;     // everything disabled for a HomePlug 1.0 adapter
  bool readPending_ = false;  // shown while another operation ran: read once it ends
  bool writing_ = false;
};

}  // namespace strandline::ui
