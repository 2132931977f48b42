// The window's side of the engine thread: it builds the frame link and the
// program context, owns the engine and the Main page's engine-side state,
// posts the page's commands as tasks and hands each refresh to the Qt thread
// as a WindowUpdate. Nothing here blocks the Qt thread on the engine.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "app/device_dialogs.h"
#include "app/link_setup.h"
#include "app/main_page_model.h"
#include "core/device_ops/device_worker.h"
#include "core/device_ops/pib_modify.h"
#include "core/device_ops/upgrade_decision.h"
#include "core/engine.h"
#include "core/history_recorder.h"
#include "storage/oem_prefs.h"
#include "ui/qt_prompter.h"

namespace strandline::ui {

// What the Qt thread redraws from.
struct WindowUpdate {
  EngineSnapshot snapshot;
  std::uint32_t listGeneration = 0;
  int phase = 0;
  bool autoScan = true;
  bool adding = false;
  int selectedLocalIndex = 0;
  std::int32_t sortColumn = 1;
  std::int32_t sortToggle = 1;
  ColumnLayout columns;
  bool layoutFromDatabase = false;  // the first update after the database was read
};

struct WindowOptions {
  app::LinkOptions link;
  std::string dataFolder;  // empty: the default data folder
  // A folder inside the data folder that is used instead of it ("demo" for a
  // simulated network, so that its devices never reach the user's database).
  std::string dataSubfolder;
};

// What a device operation runs with: the toolkit's environment on the current
// card (the engine's frame link and clock, the window's prompter, the card's
// address; no patches: a job that patches sets its own registry on a copy),
// the data folder in use, and the current local adapter as the last scan saw it.
struct DeviceOperation {
  ToolEnvironment env;
  std::string dataFolder;
  LocalAdapter adapter;
  bool hasAdapter = false;
};
using DeviceJob = std::function<int(const DeviceOperation&)>;

class WindowEngine final : public QObject {
  Q_OBJECT
 public:
  WindowEngine(const OemSettings& oem, QtPrompter& prompter, QObject* parent = nullptr);
  ~WindowEngine() override;

  // Builds the link and starts the engine with the page's creation steps.
  bool start(const WindowOptions& options, std::string& error);
  // Answers every message box from now on, lets the running command finish,
  // drops the queued commands, runs the kept tasks, writes the database and
  // stops the engine.
  void shutdown();

  using Command = std::function<void(ProgramContext&, app::MainPageState&)>;
  // Runs a command on the engine thread; the window is refreshed afterwards.
  // A closing window drops it unless it is kept (see Engine::WhenStopping).
  void post(Command command, Engine::WhenStopping whenStopping = Engine::WhenStopping::Drop);

  void scanNow();
  void connectAdapter(int listIndex);
  void rename(const std::string& macText, const std::string& name);
  void beginRename();
  void cancelRename();
  void storeLayout(const ColumnLayout& columns, std::int32_t sortColumn, std::int32_t sortToggle);
  void saveDatabase();
  void activated();
  void setAutoScanSetting(bool on);

  // An open dialog raises the scan pause flag and puts it back as it was.
  void pauseForDialog();
  void resumeAfterDialog();
  // The dialogs' and the Privacy page's flows; the answer arrives on the Qt thread.
  using Outcome = std::function<void(app::DialogOutcome)>;
  void enterPassword(const std::string& macText, const std::string& typed, Outcome answer);
  void addDevice(const std::string& name, const std::string& password,
                 std::vector<std::string> listedPasswords, Outcome answer);
  void placeOnNetwork(const std::string& name, bool all, std::function<void()> done);
  // The Privacy page became active: the first scan on an AV adapter if still due.
  void privacyActivated();

  // What follows a device operation: a look for the local adapter, as after
  // a Connect (the device may have restarted), or for a job that only reads
  // the device, the scan carrying on where it was.
  enum class AfterOperation { LookForAdapter, CarryOn };
  // Runs a device operation on the worker thread; the Qt thread never waits.
  // First, on the engine thread, automatic scanning is paused, scans and key
  // flows are held and, when the adapter is looked for afterwards, the "not
  // detected" box is kept quiet; then the job runs; afterwards the scan is put
  // back as it was. done(result) then runs on the Qt thread. While another
  // operation runs the request gets the worker's refusal box, done is not
  // called, and false is returned.
  bool runDeviceOperation(DeviceJob job, std::function<void(int result)> done,
                          AfterOperation after = AfterOperation::LookForAdapter);
  bool deviceOperationRunning() const { return operationRunning_; }

  // The "Upgrade Firmware" decision on the engine thread (its messages shown
  // there); the answer arrives on the Qt thread. Nothing is answered while a
  // device operation holds the devices (its refusal is shown instead).
  void checkUpgrade(std::function<void(UpgradeDecision)> answer);

  QtPrompter& prompter() { return prompter_; }
  // The OEM settings the window was built with (scan interval, levels, names).
  const OemSettings& oem() const { return oem_; }

  Engine* engine() { return engine_.get(); }
  // The rate history file of the data folder in use (Qt thread; empty until known).
  const std::string& historyPath() const { return historyPath_; }
  // The in-process simulator when the window runs one (tests unplug its devices).
  sim::Simulation* simulation() { return link_.simulation.get(); }

 signals:
  void updated(std::shared_ptr<const strandline::ui::WindowUpdate> update);
  void upgradeEnabled(bool on);
  void ledEnabled(bool on);
  void commandDone();
  // An operation started (true) or ended, its follow-up scan included (false).
  void deviceOperationChanged(bool running);
  // The rate history stored another scan cycle.
  void historyWritten();

 private:
  void publish(int phase);
  // Engine thread: starts recording the rate history into `path`.
  void startHistory(const std::string& path);
  void answer(Outcome answer, app::DialogOutcome outcome);
  std::function<void(int)> notifier(ProgramContext& ctx);
  // Engine thread: true (after the refusal box when `tell`) while an
  // operation holds the devices.
  bool heldByDeviceOperation(ProgramContext& ctx, bool tell);
  // Engine thread: turns automatic scanning back on or off, or, while an
  // operation holds the devices, records what to put back when it ends.
  void restoreAutoScan(ProgramContext& ctx, bool on);
  void finishDeviceOperation(ProgramContext& ctx, int result, AfterOperation after,
                             std::function<void(int)> done);

  OemSettings oem_;
  QtPrompter& prompter_;
  app::LinkSetup link_;
  std::unique_ptr<Engine> engine_;
  // Touched only on the engine thread.
  app::MainPageState state_;
  bool renamePausedBefore_ = false;
  bool dialogPausedBefore_ = false;
  bool layoutSent_ = false;
  std::string dataFolder_;
  bool operationHolds_ = false;         // engine thread: an operation owns the devices
  bool operationPausedBefore_ = false;  // engine thread: the scan was paused before it
  bool operationRunning_ = false;       // Qt thread
  std::string historyPath_;             // Qt thread
  // Records each scan cycle; made on the engine thread once the data folder is known.
  std::unique_ptr<HistoryRecorder> history_;
  // Last: its thread ends (after the running job) before the rest goes.
  std::unique_ptr<DeviceWorker> worker_ = std::make_unique<DeviceWorker>();
};

}  // namespace strandline::ui
