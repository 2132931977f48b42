#include "ui/entry_point.h"

#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <filesystem>

#include "base/version.h"
#include "platform/pcap_link.h"
#include "platform/single_instance.h"
#include "ui/property_sheet.h"

namespace strandline::ui {

std::string runningProgramPath() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

std::string defaultNetworkFile(const std::string& programPath) {
  namespace fs = std::filesystem;
  const std::string kHome = "/networks/home.json";
  // An installed program finds its share folder beside its bin folder, so a
  // tree installed or moved under another prefix finds its own networks.
  std::string beside = programPath.empty()
                           ? std::string()
                           : fs::path(programPath).parent_path().parent_path().string() +
                                 "/share/strandline" + kHome;
  std::string configured = std::string(STRANDLINE_SHARE_DIR) + kHome;
  std::string source = std::string(STRANDLINE_SOURCE_TREE) + "/sim" + kHome;
  std::string buildTree = std::string(STRANDLINE_BUILD_TREE) + "/";
  // A program in its build tree runs the networks of its source tree.
  bool inBuildTree = programPath.compare(0, buildTree.size(), buildTree) == 0;
  std::vector<std::string> candidates = inBuildTree ? std::vector{source, beside, configured}
                                                    : std::vector{beside, configured, source};
  for (const std::string& path : candidates)
    if (!path.empty() && ::access(path.c_str(), R_OK) == 0) return path;
  return "sim/networks/home.json";
}

std::string versionLine() {
  return "strandline " + std::string(kVersion);
}

bool parseEntryOptions(const std::vector<std::string>& args, EntryOptions& options,
                       std::string& error) {
  // Seconds up to a day: the timer takes milliseconds in an int.
  constexpr int kMaxProbeStallSeconds = 86400;
  auto number = [&](const std::string& text, int& out) {
    try {
      std::size_t used = 0;
      out = std::stoi(text, &used);
      return used == text.size() && out > 0 && out <= kMaxProbeStallSeconds;
    } catch (...) {
      return false;
    }
  };
  constexpr int kMaxWindowSide = 16384;
  auto size = [&](const std::string& text) {
    std::size_t x = text.find('x');
    int width = 0, height = 0;
    auto side = [&](const std::string& part, int& out) {
      if (part.empty() || part.size() > 5 || part.find_first_not_of("0123456789") != part.npos)
        return false;
      out = std::stoi(part);
      return out > 0 && out <= kMaxWindowSide;
    };
    if (x == std::string::npos || !side(text.substr(0, x), width) ||
        !side(text.substr(x + 1), height))
      return false;
    options.width = width;
    options.height = height;
    return true;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool hasValue = i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0;
    if (a == "--simulate") {
      options.window.link.simulateFile = hasValue ? args[++i] : defaultNetworkFile();
      options.window.link.paced = true;
      options.window.dataSubfolder = kDemoSubfolder;
    } else if (a == "--interface" && hasValue) {
      options.window.link.interfaces.push_back(args[++i]);
    } else if (a == "--screenshot" && hasValue) {
      options.screenshotPath = args[++i];
    } else if (a == "--probe-stall" && hasValue) {
      if (!number(args[++i], options.probeStallSeconds)) {
        error = "--probe-stall takes a number of seconds from 1 to " +
                std::to_string(kMaxProbeStallSeconds);
        return false;
      }
    } else if (a == "--size" && hasValue) {
      if (!size(args[++i])) {
        error =
            "--size takes WIDTHxHEIGHT in pixels, each from 1 to " + std::to_string(kMaxWindowSide);
        return false;
      }
    } else {
      error = "unknown or incomplete option " + a + "\n" + kUsage;
      return false;
    }
  }
  if (options.window.link.interfaces.empty())
    options.window.link.interfaces = interfacesFromEnvironment();
  return true;
}

namespace {

// Measures the longest gap between the ticks of a 1 ms timer.
class StallProbe final : public QObject {
 public:
  explicit StallProbe(QObject* parent) : QObject(parent) {
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] {
      qint64 now = clock_.nsecsElapsed();
      if (last_ >= 0) longest_ = std::max(longest_, now - last_);
      last_ = now;
    });
    clock_.start();
    timer_.start(1);
  }
  double longestMs() const { return static_cast<double>(longest_) / 1e6; }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ = -1;
  qint64 longest_ = 0;
};

}  // namespace

int entryPoint(const EntryOptions& options) {
  OemSettings oem = readOemPrefs(options.oemPrefsPath.empty() ? findShippedFile(kOemPrefsFileName)
                                                              : options.oemPrefsPath);
  app::SingleInstance instance;
  std::string error;
  switch (instance.acquire(app::runtimeFolder(error), error)) {
    case app::SingleInstance::Result::AlreadyRunning: {
      QMessageBox box(QMessageBox::Critical, app::kAlreadyRunningCaption,
                      QString::fromStdString(app::alreadyRunningText(oem.prefs.appName)),
                      QMessageBox::Ok);
      box.setObjectName("alreadyRunning");
      box.exec();
      return 0;
    }
    case app::SingleInstance::Result::Unavailable:
      std::fprintf(stderr, "strandline: cannot check for another copy (%s)\n", error.c_str());
      break;
    case app::SingleInstance::Result::First:
      break;
  }

  QtPrompter prompter;
  PropertySheet sheet(oem, prompter);
  if (!sheet.start(options.window, error)) {
    QMessageBox::critical(nullptr, QString::fromStdString(oem.prefs.appName),
                          QString::fromStdString(error));
    return 1;
  }
  StallProbe* probe = nullptr;
  if (options.probeStallSeconds > 0) {
    probe = new StallProbe(&sheet);
    QTimer::singleShot(options.probeStallSeconds * 1000, &sheet, [&sheet, probe] {
      std::printf("longest event-loop stall: %.2f ms\n", probe->longestMs());
      std::fflush(stdout);
      sheet.reject();
    });
  }
  if (!options.screenshotPath.empty()) {
    // After the first full scan cycle the lists are filled.
    QObject::connect(
        &sheet.engine(), &WindowEngine::updated, &sheet,
        [&sheet, path = options.screenshotPath](std::shared_ptr<const WindowUpdate> update) {
          if (update->snapshot.cyclesCompleted < 1) return;
          QTimer::singleShot(200, &sheet, [&sheet, path] {
            sheet.grab().save(QString::fromStdString(path));
            sheet.reject();
          });
        });
  }
  if (options.quitAfterMs > 0) QTimer::singleShot(options.quitAfterMs, &sheet, &QDialog::reject);
  if (options.width > 0) sheet.resize(options.width, options.height);
  sheet.show();
  sheet.exec();
  return 0;
}

}  // namespace strandline::ui
