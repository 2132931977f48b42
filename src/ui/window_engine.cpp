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
  // The running command finishes and queued commands are dropped; the kept
  // tasks (layout, saves, renames) and this last save run before the thread ends.
  engine_->post([this](ProgramContext& ctx) { app::saveDatabase(ctx, state_); },
                Engine::WhenStopping::Run);
  engine_->stop();
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
    app::scanNow(ctx, state, notifier(ctx));
    state.lastPhase = 3;
  });
}

void WindowEngine::connectAdapter(int listIndex) {
  post([this, listIndex](ProgramContext& ctx, app::MainPageState& state) {
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
  post(
      [this](ProgramContext& ctx, app::MainPageState&) { setAutoScan(ctx, !renamePausedBefore_); });
}

void WindowEngine::rename(const std::string& macText, const std::string& name) {
  post(
      [this, macText, name](ProgramContext& ctx, app::MainPageState& state) {
        setAutoScan(ctx, !renamePausedBefore_);
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
  post([on](ProgramContext& ctx, app::MainPageState& state) {
    state.autoScan = on;
    setAutoScan(ctx, on);
    state.lastPhase = 3;  // the status line shows the setting
  });
}

void WindowEngine::pauseForDialog() {
  post([this](ProgramContext& ctx, app::MainPageState&) {
    dialogPausedBefore_ = !setAutoScan(ctx, false);
  });
}

void WindowEngine::resumeAfterDialog() {
  post(
      [this](ProgramContext& ctx, app::MainPageState&) { setAutoScan(ctx, !dialogPausedBefore_); });
}

void WindowEngine::answer(Outcome answer, app::DialogOutcome outcome) {
  QMetaObject::invokeMethod(
      this, [answer = std::move(answer), outcome] { answer(outcome); }, Qt::QueuedConnection);
}

void WindowEngine::enterPassword(const std::string& macText, const std::string& typed,
                                 Outcome done) {
  post([this, macText, typed, done](ProgramContext& ctx, app::MainPageState&) {
    app::DialogOutcome outcome = app::enterPasswordOk(ctx, macText, typed);
    if (outcome != app::DialogOutcome::StayOpen) setAutoScan(ctx, !dialogPausedBefore_);
    answer(done, outcome);
  });
}

void WindowEngine::addDevice(const std::string& name, const std::string& password,
                             std::vector<std::string> listedPasswords, Outcome done) {
  post([this, name, password, listed = std::move(listedPasswords), done](
           ProgramContext& ctx, app::MainPageState& state) {
    app::DialogOutcome outcome =
        app::addDeviceOk(ctx, state, name, password, listed, notifier(ctx),
                         [this, &ctx] { setAutoScan(ctx, !dialogPausedBefore_); });
    if (outcome != app::DialogOutcome::StayOpen) setAutoScan(ctx, !dialogPausedBefore_);
    answer(done, outcome);
  });
}

void WindowEngine::placeOnNetwork(const std::string& name, bool all, std::function<void()> done) {
  post([this, name, all, done](ProgramContext& ctx, app::MainPageState& state) {
    app::placeOnNetwork(ctx, state, name, all, notifier(ctx));
    QMetaObject::invokeMethod(this, done, Qt::QueuedConnection);
  });
}

void WindowEngine::privacyActivated() {
  post([this](ProgramContext& ctx, app::MainPageState& state) {
    if (!state.firstScanPending || !ctx.avMode) return;
    app::scanNow(ctx, state, notifier(ctx));
    state.firstScanPending = false;
    state.lastPhase = 3;
  });
}

}  // namespace strandline::ui
