// Device operations and the parameter block write-back against the simulated
// local adapter, on virtual time: what reaches the device, what it keeps, the
// report lines and the messages.
#include <gtest/gtest.h>

#include <stdio.h>
#include <sys/stat.h>

#include <future>

#include "core/device_ops/device_operations.h"
#include "core/device_ops/device_worker.h"
#include "core/device_ops/modify_pib_file.h"
#include "firmware/pib_file.h"
#include "integration/sim_fixture.h"

namespace strandline::testing {
namespace {

const MacAddress kLocal = {0x02, 0x5A, 0, 0, 0x01, 0x01};
const std::string kFirmware = "TSC1000-MAC-SIM-2.0";

std::string networkWith(const std::string& faults) {
  return R"({"adapters": [{"mac": "02:5A:00:00:01:01", "interface": "sl0", "firmware": ")" +
         kFirmware + R"(", "password": "K7QM-2VXA", "faults": )" + faults + R"(},
      {"mac": "02:5A:00:00:01:02", "password": "R2D4-MQ8X"}]})";
}

class DeviceOps : public ToolFixture {
 protected:
  void start(const std::string& faults = "{}") {
    load(networkWith(faults));
    patches.set(kPatchQos, [this](const std::string& path, Prompter&) {
      return modifyPibFile(path, 524, &unicastCap, 1) == 0;
    });
  }
  std::string path(const char* name = "user.pib") { return folder.file(name); }
  // The block the device holds, patched as the test patch does, in user.pib.
  void writePatchable() { test::writeBytes(path(), device().pib); }

  std::uint8_t unicastCap = 3;
};

TEST_F(DeviceOps, ReadPatchWriteCommitRestartReadBackAndFactoryReset) {
  start();
  const Bytes original = device().pib;
  ASSERT_NE(original[524], 3);

  ASSERT_EQ(pibModify(env(), PibAction::Read, 0, path()), 1);
  EXPECT_EQ(test::readBytes(path()), original);
  struct stat st {};
  ASSERT_EQ(::stat(path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(report.str(),
            "nic1 00:B0:52:00:00:01 Read Parameters from Device\n"
            "nic1 02:5A:00:00:01:01 Read user.pib\n");
  // 15560 bytes: 15 requests of 1024 and a 16th whose 1024 bytes are cut to 200.
  std::vector<Bytes> reads = sentAv(0xA024);
  ASSERT_EQ(reads.size(), 16u);
  for (std::size_t i = 0; i < reads.size(); ++i)
    EXPECT_EQ((std::pair{le16(reads[i], 22), le32(reads[i], 24)}),
              (std::pair{std::uint16_t{1024}, static_cast<std::uint32_t>(1024 * i)}));

  // A file that cannot be saved: the device was read, the message names the file.
  EXPECT_EQ(pibModify(env(), PibAction::Read, 0, path("gone/user.pib")), 0);
  EXPECT_EQ(texts(), std::vector<std::string>{"Failed to open local file"});
  prompter.shown.clear();

  report.str("");
  ASSERT_EQ(pibModify(env(), PibAction::PatchAndWrite, kPatchQos, path()), 1);
  EXPECT_EQ(texts(),
            (std::vector<std::string>{"Commit successfully", "Restart device successfully"}));
  EXPECT_EQ(prompter.shown[0].caption, "Commit");
  EXPECT_EQ(prompter.shown[1].caption, "Restart");
  EXPECT_EQ(report.str(),
            "nic1 00:B0:52:00:00:01 Write Parameters to Device\n"
            "nic1 02:5A:00:00:01:01 Wrote user.pib\n"
            "nic1 00:B0:52:00:00:01 Flash NVRAM\n"
            "nic1 02:5A:00:00:01:01 Flashing ...\n"
            "nic1 02:5A:00:00:01:01 Started " +
                kFirmware +
                "\n"
                "nic1 00:B0:52:00:00:01 Reset Device\n"
                "nic1 02:5A:00:00:01:01 Resetting ...\n");
  std::vector<Bytes> writes = sentAv(0xA020);
  ASSERT_EQ(writes.size(), 16u);
  EXPECT_EQ(le16(writes.back(), 22), 200);
  EXPECT_EQ(writes.back().size(), 1056u);
  EXPECT_EQ(device().pib[524], 3);

  // After the restart the device gives back the patched block.
  clock.sleepMs(2000);
  ASSERT_EQ(pibModify(env(), PibAction::Read, 0, path("again.pib")), 1);
  EXPECT_EQ(test::readBytes(path("again.pib")), test::readBytes(path()));
  EXPECT_EQ(test::readBytes(path())[524], 3);

  // Factory defaults bring back the block the device was made with.
  report.str("");
  ASSERT_EQ(pibModify(env(), PibAction::FactoryResetAndRead, 0, path("default.pib")), 1);
  EXPECT_EQ(test::readBytes(path("default.pib")), device().factoryPib);
  EXPECT_EQ(report.str().substr(0, report.str().find("Read Parameters")),
            "nic1 00:B0:52:00:00:01 Restore Factory Defaults\n"
            "nic1 02:5A:00:00:01:01 Restoring ...\n"
            "nic1 00:B0:52:00:00:01 ");
}

TEST_F(DeviceOps, AResetWhoseConfirmIsLostSucceedsUnconfirmed) {
  start(R"({"loseAnswerNth": {"0xA01C": 1}})");
  bool confirmed = true;
  auto reset = [&](ToolSession& s) {
    int result = resetDevice(s);
    confirmed = s.confirmed;
    return result;
  };
  EXPECT_EQ(runToolOperation(env(), false, reset), 0);  // sent is enough for the operation
  EXPECT_FALSE(confirmed);
  clock.sleepMs(2000);  // the device restarted all the same
  EXPECT_EQ(runToolOperation(env(), false, reset), 0);
  EXPECT_TRUE(confirmed);
}

TEST_F(DeviceOps, FirmwareGoesOutInChunksOf1024AndAHexDumpOnRequest) {
  start();
  Bytes firmware(2500);
  for (std::size_t i = 0; i < firmware.size(); ++i) firmware[i] = static_cast<std::uint8_t>(i);
  test::writeBytes(path("fw.nvm"), firmware);
  char* dumped = nullptr;
  std::size_t dumpedSize = 0;
  FILE* dump = open_memstream(&dumped, &dumpedSize);
  ToolEnvironment e = env();
  e.channelFlags = 1;
  e.dumpStream = dump;
  EXPECT_EQ(
      runToolOperation(e, false, [&](ToolSession& s) { return writeFirmware(s, path("fw.nvm")); }),
      0);
  std::fclose(dump);
  std::string text(dumped, dumpedSize);
  std::free(dumped);

  std::vector<Bytes> writes = sentAv(0xA020);
  ASSERT_EQ(writes.size(), 3u);
  const std::pair<std::uint16_t, std::uint32_t> chunks[] = {{1024, 0}, {1024, 1024}, {452, 2048}};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(writes[i].size(), 1056u);
    EXPECT_EQ(writes[i][20], 1);  // the firmware module
    EXPECT_EQ((std::pair{le16(writes[i], 22), le32(writes[i], 24)}), chunks[i]);
  }
  EXPECT_EQ(device().staged.at(1), firmware);
  // Every frame sent and received: 3 requests of 66 lines, 3 confirms of 5.
  EXPECT_EQ(text.substr(0, 57), "00000000 00 B0 52 00 00 01 02 5C 00 00 00 01 88 E1 00 20 ");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3 * 67 + 3 * 5);
}

TEST_F(DeviceOps, ConfirmWithAnotherOuiIsSkipped) {
  start();
  // A forged commit confirm with the OUI 00 B0 53 and a refusal arrives first.
  link.setFarEnd([this](const std::string& card, ByteView f) {
    if (f.size() > 16 && f[15] == 0x28 && f[16] == 0xA0) {
      Bytes forged = av(host, 0xA029, {0x10});
      std::copy(kLocal.begin(), kLocal.end(), forged.begin() + 6);
      std::copy(host.begin(), host.end(), forged.begin());
      forged[19] = 0x53;
      clock.scheduleIn(1, [this, card, forged] { link.deliver(card, forged); });
    }
    simulation->receive(card, f);
  });
  Bytes block = device().pib;
  ASSERT_TRUE(patchPibImage(block, 524, &unicastCap, 1));
  int result = runToolOperation(env(), false, [&](ToolSession& s) {
    if (writeModule(s, 2, block, "user.pib") != 0) return -1;
    s.module = 2;
    return commitToFlash(s);
  });
  EXPECT_EQ(result, 0);
  EXPECT_NE(report.str().find("Flashing ...\n"), std::string::npos) << report.str();
  EXPECT_EQ(device().pib, block);
}

TEST_F(DeviceOps, WaitForResetOnADeviceThatNeverGoesDownEndsAfter300Tries) {
  start(R"({"neverGoesDown": true})");
  writePatchable();
  EXPECT_EQ(pibModify(env(), PibAction::PatchAndWrite, kPatchQos, path()), 0);
  EXPECT_EQ(texts(), std::vector<std::string>{"Failed to flash device"});
  EXPECT_EQ(prompter.shown[0].caption, "Attenion");
  EXPECT_EQ(sentAv(0xA000).size(), 300u);
  const std::string tail = "nic1 02:5A:00:00:01:01 Device did not Reset\n";
  EXPECT_EQ(report.str().substr(report.str().size() - tail.size()), tail);
}

// Each fault in the middle of a transfer ends it with its line and message;
// the device keeps the block it had committed and a file keeps what it held.
TEST_F(DeviceOps, FaultsMidTransferFailWithTheirLineAndChangeNothing) {
  const std::string timeout = "PibModify: Operation canceled: Read timeout or network error\n",
                    offset = "PibModify: Data offset error\n";
  const char* writeFailed = "Make sure the device is connected,Failed to write user.pib to PLC";
  const char* readFailed = "Failed to read user.pib";
  const PibAction write = PibAction::PatchAndWrite, read = PibAction::Read;
  const struct {
    const char* faults;
    PibAction action;
    std::string lastLine;
    const char* message;
  } cases[] = {
      {R"({"loseAnswerNth": {"0xA020": 3}})", write, timeout, writeFailed},
      {R"({"wrongOffsetNth": {"0xA020": 2}})", write, offset, writeFailed},
      {R"({"unplugAfterNth": {"0xA020": 4}})", write, timeout, writeFailed},
      {R"({"status": {"0xA028": 36}})", write,
       "nic1 02:5A:00:00:01:01 Bad PIB (0x24): Device refused request\n", "Failed to flash device"},
      {R"({"loseAnswerNth": {"0xA024": 5}})", read, timeout, readFailed},
      {R"({"wrongOffsetNth": {"0xA024": 16}})", read, offset, readFailed},
      {R"({"unplugAfterNth": {"0xA024": 9}})", read, timeout, readFailed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.faults);
    start(c.faults);
    prompter.shown.clear();
    report.str("");
    const Bytes committed = device().pib;
    writePatchable();
    if (c.action == PibAction::Read) test::writeBytes(path(), Bytes{'o', 'l', 'd'});
    const Bytes before = test::readBytes(path());

    EXPECT_EQ(pibModify(env(), c.action, kPatchQos, path()), 0);
    EXPECT_EQ(texts(), std::vector<std::string>{c.message});
    std::string lines = report.str();
    EXPECT_EQ(lines.substr(lines.size() - std::min(lines.size(), c.lastLine.size())), c.lastLine);
    clock.sleepMs(2000);
    EXPECT_EQ(device().pib, committed);
    if (c.action == PibAction::Read) {
      EXPECT_EQ(test::readBytes(path()), before);
    }
  }
}

TEST_F(DeviceOps, BlocksThatFailTheCheckNeverReachTheDevice) {
  start();
  Bytes longer = device().pib;
  longer.push_back(0);
  Bytes badContent = device().pib;
  const std::uint8_t cap9 = 9;  // a channel access priority above 3
  ASSERT_TRUE(patchPibImage(badContent, 524, &cap9, 1));
  const std::pair<Bytes, std::string> cases[] = {
      {longer, "PibModify: Bad PIB length: " + path() + "\n"},
      {badContent, "PibModify: parameter block content invalid: Bad PIB content: " + path() + "\n"},
  };
  patches.set(kPatchQos, [](const std::string&, Prompter&) { return true; });
  for (const auto& [file, line] : cases) {
    report.str("");
    prompter.shown.clear();
    test::writeBytes(path(), file);
    EXPECT_EQ(pibModify(env(), PibAction::PatchAndWrite, kPatchQos, path()), 0);
    EXPECT_EQ(texts(), std::vector<std::string>{"Wrong local pib"});
    EXPECT_EQ(report.str(), line);
  }
  EXPECT_TRUE(sentAv(0xA020).empty());
}

TEST_F(DeviceOps, MessagesAndSilentCases) {
  start(R"({"unplugAtMs": 1})");
  clock.sleepMs(2);
  const MacAddress other = {0x02, 0x5C, 0, 0, 0, 0x09};
  const struct {
    PibAction action;
    int kind;
    const char* file;
    bool cardFound;
    const char* shown;  // nullptr: silent
  } cases[] = {
      {PibAction::Read, 0, "user.pib", true, "Failed to read user.pib"},  // device unplugged
      {PibAction::Read, 0, "userled.pib", true, nullptr},
      {PibAction::FactoryResetAndRead, 0, "default.pib", true, "Failed to read default.pib"},
      {PibAction::Read, 0, "user.pib", false, nullptr},
      {PibAction::PatchAndWrite, 1, "user.pib", false, "No device detected,error channel id"},
      {PibAction::PatchAndWrite, 4, "user.pib", true, "Failed to modify user.pib"},  // no patch
      {PibAction::PatchAndWrite, 1, "none.pib", true, "Failed to open local fail"},
  };
  patches.set(kPatchQos, [](const std::string&, Prompter&) { return true; });
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file + std::string(c.cardFound ? "" : ", no card"));
    prompter.shown.clear();
    ToolEnvironment e = env();
    e.cardMac = c.cardFound ? host : other;
    EXPECT_EQ(pibModify(e, c.action, c.kind, path(c.file)), 0);
    EXPECT_EQ(texts(), c.shown ? std::vector<std::string>{c.shown} : std::vector<std::string>{});
  }
}

TEST_F(DeviceOps, ASecondOperationWhileOneRunsIsRefused) {
  start();
  writePatchable();
  std::promise<void> entered, release;
  std::shared_future<void> released = release.get_future().share();
  patches.set(kPatchQos, [&](const std::string& file, Prompter&) {
    entered.set_value();
    released.wait();
    return modifyPibFile(file, 524, &unicastCap, 1) == 0;
  });
  DeviceWorker worker;
  ToolEnvironment e = env();
  auto write =
      worker.submit([&] { return pibModify(e, PibAction::PatchAndWrite, kPatchQos, path()); });
  ASSERT_TRUE(write.accepted);
  entered.get_future().wait();
  auto read = worker.submit([&] { return pibModify(e, PibAction::Read, 0, path("r.pib")); });
  EXPECT_FALSE(read.accepted);
  EXPECT_EQ(read.refusal.text,
            "Another device operation is running. Try again when it has finished.");
  release.set_value();
  EXPECT_EQ(write.result.get(), 1);
  EXPECT_EQ(device().pib[524], 3);
  EXPECT_TRUE(worker.submit([] { return 0; }).accepted);
  // Closed (the window's shutdown), it refuses what the engine thread still sends.
  worker.close();
  EXPECT_FALSE(worker.submit([] { return 0; }).accepted);
}

}  // namespace
}  // namespace strandline::testing
