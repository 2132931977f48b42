// strandline-cli with bad database paths and with other programs writing the
// same database: the program itself, on the in-process simulator.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "storage/device_database.h"
#include "unit/storage_test_util.h"

namespace strandline {
namespace {

using test::ScratchFolder;

struct CliRun {
  int exitCode = -1;
  std::string err;
};

// Starts strandline-cli with args; its stderr goes to "<tag>.err" in the folder.
pid_t startCli(const ScratchFolder& dir, const std::vector<std::string>& args,
               const std::string& tag = "run") {
  std::string errPath = dir.file(tag + ".err");
  pid_t child = fork();
  if (child == 0) {
    dup2(::open("/dev/null", O_WRONLY), 1);
    dup2(::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
    setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    std::vector<char*> argv{const_cast<char*>(STRANDLINE_CLI)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(STRANDLINE_CLI, argv.data());
    _exit(127);
  }
  return child;
}

CliRun finishCli(const ScratchFolder& dir, pid_t child, const std::string& tag = "run") {
  CliRun run;
  int status = 0;
  if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
    run.exitCode = WEXITSTATUS(status);
  Bytes err = test::readBytes(dir.file(tag + ".err"));
  run.err.assign(err.begin(), err.end());
  return run;
}

// A device of the simulated home network and its password.
constexpr const char* kDevice = "02:5A:00:00:01:02";
constexpr const char* kPassword = "R2D4-MQ8X-T6VA-1LKE";

std::vector<std::string> verifyArgs(const std::string& mac, const std::string& password,
                                    const std::string& db) {
  const std::string network = std::string(STRANDLINE_SOURCE_DIR) + "/sim/networks/home.json";
  return {"device", "verify", mac, password, "--db", db, "--simulate", network};
}

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// A database path that cannot serve ends the command at once with exit 1 and
// one line on stderr that names the path once and says why; what was there
// stays (a damaged file is set aside, and the line says where).
TEST(CommandLine, UnusableDatabasePathsEndTheCommandWithOneClearLine) {
  const struct {
    const char* name;
    const char* command;  // "verify", "db" or "prefs"
    const char* file;     // the path, in the scratch folder
    const char* expected;
    const char* reason = "";  // also on the line
  } cases[] = {
      {"FIFO as --db", "verify", "db.data",
       ": cannot be read (not a regular file but a FIFO); it is left as it is"},
      {"FIFO for db show", "db", "db.data", "cannot read %: not a regular file but a FIFO"},
      {"FIFO for prefs show", "prefs", "db.data", "cannot read %: not a regular file but a FIFO"},
      {"damaged --db", "verify", "short.data",
       ": the file ends inside the known devices (140700 bytes); it was set aside as %."},
      {"--db in a missing folder", "verify", "missing/db.data",
       "the device database % could not be written: ", "No such file or directory"},
  };
  ScratchFolder dir;
  ASSERT_EQ(mkfifo(dir.file("db.data").c_str(), 0600), 0);
  Bytes image = encodeDatabase(DeviceDatabase{});
  ByteWriter(image, kKnownCountOffset).u32le(2);
  test::writeBytes(dir.file("short.data"), image);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir.file(c.file);
    std::string command = c.command;
    std::vector<std::string> args{command, "show", path};
    if (command == "verify") args = verifyArgs(kDevice, kPassword, path);
    CliRun run = finishCli(dir, startCli(dir, args));
    EXPECT_EQ(run.exitCode, 1);
    std::string expected = c.expected;
    if (std::size_t at = expected.find('%'); at != std::string::npos) expected.replace(at, 1, path);
    EXPECT_NE(run.err.find(expected), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    // One line tells it, naming the path once besides the name the damaged
    // file was given (a progress line may come before it).
    EXPECT_EQ(occurrences(run.err, "strandline-cli: "), 1u) << run.err;
    EXPECT_EQ(occurrences(run.err, "[Problem Occurred]"), 0u) << run.err;
    EXPECT_EQ(occurrences(run.err, path) - occurrences(run.err, path + "."), 1u) << run.err;
  }
  // Nothing was renamed but the damaged file.
  EXPECT_TRUE(std::filesystem::is_fifo(dir.file("db.data")));
  std::vector<std::string> entries = dir.entries();
  EXPECT_EQ(std::count_if(entries.begin(), entries.end(),
                          [](const std::string& e) { return e.starts_with("short.data."); }),
            1);
}

// Two programs storing a password each in one database at the same time both
// succeed, and both passwords are there.
TEST(CommandLine, TwoProgramsVerifyingAtOnceKeepBothPasswords) {
  ScratchFolder dir;
  std::string path = dir.file("home.data");
  for (int round = 0; round < 8; ++round) {
    std::filesystem::remove(path);
    pid_t first = startCli(dir, verifyArgs(kDevice, kPassword, path), "first");
    pid_t second =
        startCli(dir, verifyArgs("02:5A:00:00:01:03", "ZX9P-44QT-MNB2-HH7C", path), "second");
    EXPECT_EQ(finishCli(dir, first, "first").exitCode, 0);
    EXPECT_EQ(finishCli(dir, second, "second").exitCode, 0);
    auto db = std::make_unique<DeviceDatabase>();
    ASSERT_EQ(readDatabase(path, *db).status, DatabaseReadResult::Status::Loaded);
    std::set<std::string> passwords;
    for (const KnownDevice& d : db->known.devices)
      if (!d.password.str().empty()) passwords.insert(d.password.str());
    ASSERT_EQ(passwords, (std::set<std::string>{kPassword, "ZX9P-44QT-MNB2-HH7C"}))
        << "round " << round;
  }
}

}  // namespace
}  // namespace strandline
