#include "ui/window_engine.h"

#include "core/diagnostics/logs.h"
#include "core/discovery/network_scan.h"
#include "platform/data_folder.h"

namespace strandline::ui {

WindowEngine::WindowEngine(const OemSettings& oem, QtPrompter& prompter, QObject* parent)
    : QObject(parent), oem_(oem), prompter_(prompter) {
  state_.scanInterval = oem.timerInterval > 0 ? oem.timerInterval : 1;
  state_.autoScan = oem.prefs.autoScan != 0;
}

WindowEngine::~WindowEngine() {
  shutdown();
}

std::function<void(int)> WindowEngine::notifier(ProgramContext& ctx) {
  ProgramContext* c = &ctx;
  return [this, c](int phase) {
    app::refreshAfterScan(*c, state_, phase, c->clock.wallSeconds());
    publish(phase);
  };
}

void WindowEngine::publish(int phase) {
  state_.lastPhase = phase;
  engine_->publish(phase);
}

bool WindowEngine::start(const WindowOptions& options, std::string& error) {
  if (!app::makeLink(options.link, link_, error)) return false;
  auto context = std::make_unique<ProgramContext>(*link_.link, *link_.clock, prompter_);
  context->loggingLevel = oem_.prefs.diagnosticsLevel;
  engine_ = std::make_unique<Engine>(std::move(context));
  engine_->addListener([this](const EngineSnapshot& snapshot) {
    if (history_) history_->take(snapshot);
    auto update = std::make_shared<WindowUpdate>();
    update->snapshot = snapshot;
    update->listGeneration = state_.listGeneration;
    update->phase = state_.lastPhase;
    update->autoScan = state_.autoScan;
    update->adding = state_.adding;
    update->selectedLocalIndex = state_.selectedLocalIndex;
    update->sortColumn = state_.sortColumn;
    update->sortToggle = state_.sortToggle;
    update->columns = state_.columns;
    update->layoutFromDatabase = !layoutSent_;
    layoutSent_ = true;
    std::shared_ptr<const WindowUpdate> shared = update;
    QMetaObject::invokeMethod(
        this, [this, shared] { emit updated(shared); }, Qt::QueuedConnection);
  });
  std::string folder = options.dataFolder, subfolder = options.dataSubfolder;
  engine_->post([this, folder, subfolder](ProgramContext& ctx) {
    ctx.hooks.enableUpgradeButton = [this](bool on) {
      QMetaObject::invokeMethod(
          this, [this, on] { emit upgradeEnabled(on); }, Qt::QueuedConnection);
    };
    ctx.hooks.enableLedButton = [this](bool on) {
      QMetaObject::invokeMethod(
          this, [this, on] { emit ledEnabled(on); }, Qt::QueuedConnection);
    };
    ctx.hooks.saveDatabase = [this, c = &ctx] { app::saveDatabase(*c, state_); };
    ctx.hooks.refreshWindow = [this] { publish(state_.lastPhase); };
    ctx.hooks.rescanNetwork = [this, c = &ctx] {
      if (heldByDeviceOperation(*c, false)) return;
      app::scanNow(*c, state_, notifier(*c));
      state_.lastPhase = 3;
    };
    std::string dataFolder = folder;
    if (dataFolder.empty()) {
      DataFolderChoice choice = chooseDataFolder();
      if (choice.notice) ctx.prompter.show(*choice.notice);
      dataFolder = choice.folder;
    }
    if (!subfolder.empty()) {
      dataFolder += "/" + subfolder;
      // A folder that cannot be made shows up as the database's write failure.
      makeFolders(systemFileOps(), dataFolder);
    }
    dataFolder_ = dataFolder;
    startHistory(dataFolder + "/" + kHistoryFileName);
    state_.databasePath = databasePath(dataFolder, oem_.prefs.appName);
    installLogHooks(ctx, dataFolder, oem_.prefs.appName);
    app::createMainPage(ctx, state_, notifier(ctx), ctx.clock.wallSeconds());
    publish(5);
  });
  engine_->start();
  return true;
}

void WindowEngine::shutdown() {
  if (!engine_ || !engine_->running()) return;
  // Every box is answered at once from now on, so a flow waiting on one ends.
  prompter_.shutdown();
  // A running device operation ends first: it uses the engine's link and clock.
  // The worker is closed, not destroyed: a command on the engine thread may
  // still submit to it, and is refused.
  worker_->close();
  // The running command finishes and queued commands are dropped; the kept
  // tasks (layout, saves, renames) and this last save run before the thread ends.
  engine_->post([this](ProgramContext& ctx) { app::saveDatabase(ctx, state_); },
                Engine::WhenStopping::Run);
  engine_->stop();
  history_.reset();  // stores what is still queued
}

void WindowEngine::startHistory(const std::string& path) {
  HistoryRecorderOptions options;
  options.path = path;
  // Told from the writer thread; the box waits there, never on the scan.
  options.notice = [this](const std::string& text) {
    static_cast<Prompter&>(prompter_).show(Notice{text, "Rate History", MessageIcon::Exclamation});
  };
  options.written = [this] {
    QMetaObject::invokeMethod(
        this, [this] { emit historyWritten(); }, Qt::QueuedConnection);
  };
  history_ = std::make_unique<HistoryRecorder>(options);
  QMetaObject::invokeMethod(
      this, [this, path] { historyPath_ = path; }, Qt::QueuedConnection);
}

void WindowEngine::post(Command command, Engine::WhenStopping whenStopping) {
  if (!engine_) return;
  engine_->post(
      [this, command = std::move(command)](ProgramContext& ctx) {
        command(ctx, state_);
        publish(state_.lastPhase);
        QMetaObject::invokeMethod(
            this, [this] { emit commandDone(); }, Qt::QueuedConnection);
      },
      whenStopping);
}

void WindowEngine::scanNow() {
  post([this](ProgramContext& ctx, app::MainPageState& state) {
    if (heldByDeviceOperation(ctx, false)) return;
    app::scanNow(ctx, state, notifier(ctx));
    state.lastPhase = 3;
  });
}

void WindowEngine::connectAdapter(int listIndex) {
  post([this, listIndex](ProgramContext& ctx, app::MainPageState& state) {
    if (heldByDeviceOperation(ctx, false)) return;
    state.selectedLocalIndex = listIndex;
    app::selectAdapterFromList(ctx, state);
    app::scanNow(ctx, state, notifier(ctx));
    state.lastPhase = 3;
  });
}

void WindowEngine::beginRename() {
  post([this](ProgramContext& ctx, app::MainPageState&) {
    renamePausedBefore_ = !setAutoScan(ctx, false);
  });
}

void WindowEngine::cancelRename() {
  post([this](ProgramContext& ctx, app::MainPageState&) {
    restoreAutoScan(ctx, !renamePausedBefore_);
  });
}

void WindowEngine::rename(const std::string& macText, const std::string& name) {
  post(
      [this, macText, name](ProgramContext& ctx, app::MainPageState& state) {
        restoreAutoScan(ctx, !renamePausedBefore_);
        std::string problem = app::renameDevice(ctx.known, macText, name);
        if (!problem.empty()) {
          ctx.prompter.messageBox(problem, "Attention!", MessageIcon::Exclamation,
                                  MessageButtons::Ok);
          return;
        }
        app::saveDatabase(ctx, state);
      },
      Engine::WhenStopping::Run);
}

void WindowEngine::storeLayout(const ColumnLayout& columns, std::int32_t sortColumn,
                               std::int32_t sortToggle) {
  if (!engine_) return;
  engine_->post(
      [this, columns, sortColumn, sortToggle](ProgramContext&) {
        state_.columns = columns;
        state_.sortColumn = sortColumn;
        state_.sortToggle = sortToggle;
      },
      Engine::WhenStopping::Run);
}

void WindowEngine::saveDatabase() {
  if (!engine_) return;
  engine_->post([this](ProgramContext& ctx) { app::saveDatabase(ctx, state_); },
                Engine::WhenStopping::Run);
}

void WindowEngine::activated() {
  post([this](ProgramContext& ctx, app::MainPageState& state) {
    state.lastPhase = 3;
    if (heldByDeviceOperation(ctx, false)) return;
    startScanTimer(ctx);
    if (state.autoScan && state.rescanOnActivate) {
      app::scanNow(ctx, state, notifier(ctx));
      return;
    }
    for (const LocalAdapter& adapter : ctx.adapters)
      if (adapter.present) state.rescanOnActivate = true;
  });
}

void WindowEngine::setAutoScanSetting(bool on) {
  post([this, on](ProgramContext& ctx, app::MainPageState& state) {
    state.autoScan = on;
    restoreAutoScan(ctx, on);
    state.lastPhase = 3;  // the status line shows the setting
  });
}

void WindowEngine::pauseForDialog() {
  post([this](ProgramContext& ctx, app::MainPageState&) {
    dialogPausedBefore_ = !setAutoScan(ctx, false);
  });
}

void WindowEngine::resumeAfterDialog() {
  post([this](ProgramContext& ctx, app::MainPageState&) {
    restoreAutoScan(ctx, !dialogPausedBefore_);
  });
}

void WindowEngine::answer(Outcome answer, app::DialogOutcome outcome) {
  QMetaObject::invokeMethod(
      this, [answer = std::move(answer), outcome] { answer(outcome); }, Qt::QueuedConnection);
}

void WindowEngine::enterPassword(const std::string& macText, const std::string& typed,
                                 Outcome done) {
  post([this, macText, typed, done](ProgramContext& ctx, app::MainPageState&) {
    if (heldByDeviceOperation(ctx, true)) return answer(done, app::DialogOutcome::StayOpen);
    app::DialogOutcome outcome = app::enterPasswordOk(ctx, macText, typed);
    if (outcome != app::DialogOutcome::StayOpen) restoreAutoScan(ctx, !dialogPausedBefore_);
    answer(done, outcome);
  });
}

void WindowEngine::addDevice(const std::string& name, const std::string& password,
                             std::vector<std::string> listedPasswords, Outcome done) {
  post([this, name, password, listed = std::move(listedPasswords), done](
           ProgramContext& ctx, app::MainPageState& state) {
    if (heldByDeviceOperation(ctx, true)) return answer(done, app::DialogOutcome::StayOpen);
    app::DialogOutcome outcome =
        app::addDeviceOk(ctx, state, name, password, listed, notifier(ctx),
                         [this, &ctx] { restoreAutoScan(ctx, !dialogPausedBefore_); });
    if (outcome != app::DialogOutcome::StayOpen) restoreAutoScan(ctx, !dialogPausedBefore_);
    answer(done, outcome);
  });
}

void WindowEngine::placeOnNetwork(const std::string& name, bool all, std::function<void()> done) {
  post([this, name, all, done](ProgramContext& ctx, app::MainPageState& state) {
    if (heldByDeviceOperation(ctx, true)) {
      QMetaObject::invokeMethod(this, done, Qt::QueuedConnection);
      return;
    }
    app::placeOnNetwork(ctx, state, name, all, notifier(ctx));
    QMetaObject::invokeMethod(this, done, Qt::QueuedConnection);
  });
}

void WindowEngine::privacyActivated() {
  post([this](ProgramContext& ctx, app::MainPageState& state) {
    if (!state.firstScanPending || !ctx.avMode || heldByDeviceOperation(ctx, false)) return;
    app::scanNow(ctx, state, notifier(ctx));
    state.firstScanPending = false;
    state.lastPhase = 3;
  });
}

void WindowEngine::restoreAutoScan(ProgramContext& ctx, bool on) {
  // While an operation holds the devices the scan stays paused; it is put
  // back as the last request asked once the operation ends.
  if (operationHolds_) {
    operationPausedBefore_ = !on;
    return;
  }
  setAutoScan(ctx, on);
}

void WindowEngine::checkUpgrade(std::function<void(UpgradeDecision)> answer) {
  post([this, answer = std::move(answer)](ProgramContext& ctx, app::MainPageState&) {
    if (heldByDeviceOperation(ctx, true)) return;
    UpgradeDecision decision = checkUpgradeCapability(ctx);
    QMetaObject::invokeMethod(
        this, [answer, decision] { answer(decision); }, Qt::QueuedConnection);
  });
}

bool WindowEngine::heldByDeviceOperation(ProgramContext& ctx, bool tell) {
  if (operationHolds_ && tell) ctx.prompter.show(kDeviceOperationRunning);
  return operationHolds_;
}

bool WindowEngine::runDeviceOperation(DeviceJob job, std::function<void(int)> done,
                                      AfterOperation after) {
  if (!engine_ || !worker_) return false;
  if (operationRunning_) {
    static_cast<Prompter&>(prompter_).show(kDeviceOperationRunning);
    return false;
  }
  operationRunning_ = true;
  emit deviceOperationChanged(true);
  post([this, job = std::move(job), done = std::move(done), after](ProgramContext& ctx,
                                                                   app::MainPageState&) mutable {
    operationHolds_ = true;
    ctx.scan.held = true;
    operationPausedBefore_ = !setAutoScan(ctx, false);
    if (after == AfterOperation::LookForAdapter) ctx.keyFlow.suppressNotDetected = true;
    DeviceOperation operation{ToolEnvironment{ctx.link, ctx.clock, ctx.prompter}, dataFolder_,
                              ctx.currentAdapter(), ctx.currentAdapter().present != 0};
    operation.env.cardMac = ctx.currentNetwork().cardMac;
    DeviceWorker::Ticket ticket =
        worker_->submit([this, job = std::move(job), operation, done, after]() mutable {
          int result = job(operation);
          engine_->post([this, result, after, done](ProgramContext& c) {
            finishDeviceOperation(c, result, after, done);
          });
          return result;
        });
    if (ticket.accepted) return;
    ctx.prompter.show(ticket.refusal);
    operationHolds_ = false;
    ctx.scan.held = false;
    setAutoScan(ctx, !operationPausedBefore_);
    QMetaObject::invokeMethod(
        this,
        [this] {
          operationRunning_ = false;
          emit deviceOperationChanged(false);
        },
        Qt::QueuedConnection);
  });
  return true;
}

void WindowEngine::finishDeviceOperation(ProgramContext& ctx, int result, AfterOperation after,
                                         std::function<void(int)> done) {
  operationHolds_ = false;
  ctx.scan.held = false;
  setAutoScan(ctx, !operationPausedBefore_);
  if (after == AfterOperation::LookForAdapter) {
    // The device may have restarted with other firmware or settings: look for
    // the adapter again, which also refreshes the LED and upgrade buttons.
    app::scanNow(ctx, state_, notifier(ctx));
    state_.lastPhase = 3;
  }
  publish(state_.lastPhase);
  QMetaObject::invokeMethod(
      this,
      [this, result, done = std::move(done)] {
        operationRunning_ = false;
        emit deviceOperationChanged(false);
        if (done) done(result);
      },
      Qt::QueuedConnection);
}

}  // namespace strandline::ui
