// The firmware upgrades against the simulated adapters on virtual time: each
// AV form and the Boost loader run to the new firmware; a fault, a bad file or
// a cancel leaves the old one running; the upgrade decision.
#include <gtest/gtest.h>

#include <atomic>

#include "core/device_ops/av_upgrade.h"
#include "core/device_ops/boost_upgrade.h"
#include "core/device_ops/upgrade_decision.h"
#include "integration/sim_fixture.h"
#include "sim/firmware_image.h"

namespace strandline::testing {
namespace {

const MacAddress kAv = {0x02, 0x5A, 0, 0, 0x01, 0x01};
const MacAddress kBoost = {0x02, 0x5A, 0, 0, 0x20, 0x01};
const std::string kOld = "TSC1000-MAC-OLD-1.0";
const std::string kNew = "TSC1000-MAC-NEW-2.0";

std::string avNetwork(const std::string& faults, int deviceId = 2) {
  return R"({"adapters": [{"mac": "02:5A:00:00:01:01", "interface": "sl0", "firmware": ")" + kOld +
         R"(", "password": "K7QM-2VXA", "deviceId": )" + std::to_string(deviceId) +
         R"(, "faults": )" + faults + "}]}";
}

std::string boostNetwork(const std::string& extra) {
  return R"({"adapters": [{"mac": "02:5A:00:00:20:01", "kind": "boost", "interface": "sl0",
             "firmware": "HP85-BOOST-OLD", "password": "B8VC-X7ZL-K6JH-G5FD")" +
         extra + "}]}";
}

class FirmwareUpgrade : public ToolFixture {
 protected:
  UpgradeControl control() {
    return {[this](const UpgradeProgress& p) {
              progress.push_back(p);
              if (cancelAfter && progress.size() >= cancelAfter) cancel = true;
            },
            &cancel};
  }
  // Sample files: the simulator's own firmware image and the device's block.
  AvUpgradeRequest avFiles(std::uint32_t options) {
    test::writeBytes(folder.file("new.nvm"), sim::buildFirmwareImage(kNew));
    test::writeBytes(folder.file("new.pib"), device().pib);
    return {kAv, options, folder.file("new.pib"), folder.file("new.nvm"),
            folder.file("default.pib")};
  }
  std::size_t updateFrames() { return sentAv(0xA020).size() + sentAv(0xA004).size(); }
  std::vector<UpgradeStep> steps() const {
    std::vector<UpgradeStep> out;
    for (const UpgradeProgress& p : progress)
      if (out.empty() || out.back() != p.step) out.push_back(p.step);
    return out;
  }

  std::vector<UpgradeProgress> progress;
  std::atomic<bool> cancel{false};
  std::size_t cancelAfter = 0;
};

// Options 0 (memory writes, start), 34 (module writes, start), 19 and 35
// (module writes, commit).
class AvUpdateForm : public FirmwareUpgrade, public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(AvUpdateForm, RunsToTheEndAndTheNewFirmwareRuns) {
  const std::uint32_t options = GetParam();
  load(avNetwork("{}"));
  AvUpgradeOutcome out = runAvUpgrade(env(), avFiles(options), control());
  EXPECT_TRUE(out.upgraded);
  EXPECT_EQ(out.versionAfter, kNew);
  EXPECT_EQ(device().firmware, kNew);
  EXPECT_EQ(texts(), std::vector<std::string>{kAvUpgradeSuccess.text});
  EXPECT_TRUE(out.defaultSaved);
  EXPECT_EQ(test::readBytes(folder.file("default.pib")), device().factoryPib);
  // Only the commit forms put the new firmware into flash.
  EXPECT_EQ(device().firmwareImage == sim::buildFirmwareImage(kNew), (options & 1) != 0);
  EXPECT_GT(sentAv(options == 0 ? 0xA004 : 0xA020).size(), 0u);
  EXPECT_EQ(steps(),
            (std::vector<UpgradeStep>{UpgradeStep::WritingFirmware, UpgradeStep::WritingParameters,
                                      UpgradeStep::Committing, UpgradeStep::WaitingForRestart,
                                      UpgradeStep::FactoryReset, UpgradeStep::SavingDefaultPib,
                                      UpgradeStep::Finished}));
  EXPECT_TRUE(std::any_of(progress.begin(), progress.end(),
                          [](const UpgradeProgress& p) { return p.percent() == 100; }));
}

INSTANTIATE_TEST_SUITE_P(Options, AvUpdateForm, ::testing::Values(0u, 19u, 34u, 35u));

struct FaultRow {
  const char* faults;
  std::uint32_t options;
  std::size_t writes;  // update requests sent (resends included); 0: not counted
};

class AvFault : public FirmwareUpgrade, public ::testing::WithParamInterface<FaultRow> {};

TEST_P(AvFault, EndsWithTheMessageAndTheOldFirmwareRunning) {
  const FaultRow& r = GetParam();
  load(avNetwork(r.faults));
  const Bytes oldImage = device().firmwareImage;
  AvUpgradeOutcome out = runAvUpgrade(env(), avFiles(r.options), control());
  EXPECT_FALSE(out.upgraded);
  EXPECT_EQ(texts(), std::vector<std::string>{kAvUpgradeAbortedInTransfer.text});
  if (r.writes) {
    EXPECT_EQ(updateFrames(), r.writes);
  }
  EXPECT_EQ(device().firmware, kOld);
  EXPECT_EQ(device().firmwareImage, oldImage);
  // The device came back and took its factory defaults.
  EXPECT_TRUE(out.defaultSaved);
  EXPECT_EQ(out.versionAfter, kOld);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, AvFault,
    ::testing::Values(FaultRow{R"({"loseAnswerNth": {"0xA020": 3}})", 19, 3},
                      FaultRow{R"({"loseAnswerNth": {"0xA004": 2}})", 0, 2},
                      // A refused first chunk ends it: resends follow good chunks only.
                      FaultRow{R"({"status": {"0xA020": 20}})", 19, 1},
                      FaultRow{R"({"powerLossOnCommit": true})", 35, 0}));

Bytes flipped(Bytes data, std::size_t at) {
  data.at(at) ^= 1;
  return data;
}

// A spoilt file: its good bytes changed, or (no change) its path leads nowhere.
struct FileRow {
  const char* name;
  bool block;  // the parameter block, else the firmware
  Bytes (*change)(Bytes good);
  const Notice* message;
  friend void PrintTo(const FileRow& r, std::ostream* os) { *os << r.name; }
};
const FileRow kSpoiltFiles[] = {
    {"missing firmware", false, nullptr, &kAvUpgradeOpenFirmware},
    {"short firmware", false, [](Bytes) { return Bytes(40, 0); }, &kAvUpgradeWrongHeader},
    {"bad image checksum", false, [](Bytes f) { return flipped(f, f.size() - 1); },
     &kAvUpgradeWrongHeader},
    // The second block alone: a good header whose next header is 0.
    {"one-block firmware", false,
     [](Bytes f) {
       sim::NvmHeader last;
       EXPECT_EQ(sim::checkFirmwareImage(f, &last), sim::ImageCheck::Ok);
       return Bytes(f.begin() + static_cast<std::ptrdiff_t>(last.offset), f.end());
     },
     &kAvUpgradeWrongHeader},
    {"missing block", true, nullptr, &kAvUpgradeOpenPib},
    {"bad block checksum", true, [](Bytes b) { return flipped(b, 600); }, &kAvUpgradePibOperation},
};

class AvFileCheck : public FirmwareUpgrade, public ::testing::WithParamInterface<FileRow> {};

TEST_P(AvFileCheck, RefusesBeforeAnyFrame) {
  const FileRow& row = GetParam();
  load(avNetwork("{}"));
  AvUpgradeRequest request = avFiles(19);
  std::string& path = row.block ? request.pibPath : request.nvmPath;
  if (row.change)
    test::writeBytes(path, row.change(test::readBytes(path)));
  else
    path += ".gone";
  AvUpgradeOutcome out = runAvUpgrade(env(), request, control());
  EXPECT_FALSE(out.sentFrames);
  EXPECT_EQ(updateFrames(), 0u);
  EXPECT_EQ(texts(), std::vector<std::string>{row.message->text});
  EXPECT_EQ(device().firmware, kOld);
  EXPECT_TRUE(out.defaultSaved);  // the factory reset and save still run
}

INSTANTIATE_TEST_SUITE_P(Files, AvFileCheck, ::testing::ValuesIn(kSpoiltFiles));

// A chunk refused after good ones is sent again and the upgrade goes on.
TEST_F(FirmwareUpgrade, ARefusedChunkMidTransferIsSentAgain) {
  load(avNetwork(R"({"refuseNth": {"0xA020": 3}})"));
  AvUpgradeOutcome out = runAvUpgrade(env(), avFiles(19), control());
  EXPECT_TRUE(out.upgraded);
  EXPECT_EQ(device().firmware, kNew);
  // 4 chunks of firmware, 16 of the block, one of them twice.
  EXPECT_EQ(updateFrames(), 4u + 16u + 1u);
}

TEST_F(FirmwareUpgrade, CancelStopsAtARequestBoundaryAndTheDeviceKeepsItsFirmware) {
  load(avNetwork("{}"));
  cancelAfter = 5;
  AvUpgradeOutcome out = runAvUpgrade(env(), avFiles(19), control());
  EXPECT_TRUE(out.cancelled);
  EXPECT_FALSE(out.upgraded);
  EXPECT_EQ(updateFrames(), 4u);  // the fifth request was never built
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(device().firmware, kOld);
  EXPECT_TRUE(out.defaultSaved);
}

struct DecisionRow {
  std::string network;
  UpgradeKind kind;
  std::uint32_t options;
  std::string message;
};

class UpgradeChoice : public FirmwareUpgrade, public ::testing::WithParamInterface<DecisionRow> {};

TEST_P(UpgradeChoice, ByAdapterKindAndFirmwareType) {
  const DecisionRow& r = GetParam();
  load(r.network);
  ready();
  UpgradeDecision d = checkUpgradeCapability(*ctx);
  EXPECT_EQ(d.kind, r.kind);
  EXPECT_EQ(d.options, r.options);
  EXPECT_EQ(texts(),
            r.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{r.message});
}

INSTANTIATE_TEST_SUITE_P(
    Adapters, UpgradeChoice,
    ::testing::Values(
        DecisionRow{avNetwork("{}", 2), UpgradeKind::HomePlugAv, 19, ""},
        DecisionRow{avNetwork(R"({"status": {"0xA058": 2}})", 2), UpgradeKind::HomePlugAv, 0, ""},
        DecisionRow{avNetwork("{}", 1), UpgradeKind::HomePlugAv, 35, ""},
        DecisionRow{avNetwork(R"({"status": {"0xA058": 2}})", 1), UpgradeKind::HomePlugAv, 34, ""},
        DecisionRow{avNetwork(R"({"status": {"0xA058": 1}})", 2), UpgradeKind::None, 0,
                    kUpgradeNoFirmwareType.text},
        // The TSC4000 family is not asked: its block counts as good.
        DecisionRow{avNetwork(R"({"status": {"0xA058": 1}})", 4), UpgradeKind::HomePlugAv, 19, ""},
        DecisionRow{boostNetwork(""), UpgradeKind::HomePlug10, 0, ""}));

class BoostUpgrade : public FirmwareUpgrade {
 protected:
  BoostUpgradeRequest files(std::size_t configLength, std::size_t imageLength = 2500) {
    Bytes image(imageLength, 0);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 5 + 1);
    std::string text = "HP85-BOOST-NEW";
    std::copy(text.begin(), text.end(), image.begin());
    image[text.size()] = 0;
    test::writeBytes(folder.file("new.img"), image);
    Bytes config(configLength, 0);
    for (std::size_t i = 0; i < config.size(); ++i) config[i] = static_cast<std::uint8_t>(i + 9);
    test::writeBytes(folder.file("new.cfg"), config);
    return {kBoost, folder.file("new.img"), configLength ? folder.file("new.cfg") : ""};
  }
  std::size_t loaderFrames(std::uint8_t code) {
    const auto sent = link.sentFrames();
    return std::count_if(sent.begin(), sent.end(), [code](const auto& one) {
      const Bytes& f = one.second;
      return f.size() > 17 && f[12] == 0x88 && f[13] == 0x7B && f[17] == code;
    });
  }
};

struct SectionRow {
  std::size_t config;
  std::uint32_t flags;
  std::size_t checksums;
};

class BoostSections : public BoostUpgrade, public ::testing::WithParamInterface<SectionRow> {};

TEST_P(BoostSections, AreWrittenCommittedCheckedAndTheAdapterRestarts) {
  const SectionRow& r = GetParam();
  load(boostNetwork(""));
  BoostUpgradeRequest request = files(r.config);
  BoostUpgradeOutcome out = upgradeHp10Firmware(env(), request, control());
  EXPECT_TRUE(out.upgraded);
  EXPECT_EQ(out.writtenFlags, r.flags);
  EXPECT_EQ(out.versionAfter, "HP85-BOOST-NEW");
  EXPECT_EQ(texts(), std::vector<std::string>{kBoostSuccess.text});
  EXPECT_EQ(device(kBoost).modules[0x100], test::readBytes(request.imagePath));
  EXPECT_EQ(loaderFrames(0x81), 3 + (r.config == 960 ? 3u : r.config ? 2u : 0u));
  EXPECT_EQ(loaderFrames(0x83), r.checksums);
  EXPECT_EQ(loaderFrames(0x7F), 1u);
  EXPECT_FALSE(device(kBoost).inLoader);
  EXPECT_EQ(progress.back().step, UpgradeStep::Finished);
  EXPECT_EQ(progress.back().percent(), 100);
}

INSTANTIATE_TEST_SUITE_P(Configurations, BoostSections,
                         ::testing::Values(SectionRow{960, 0x1B0, 4}, SectionRow{512, 0x130, 3},
                                           SectionRow{0, 0x100, 1}));

TEST_F(BoostUpgrade, ALoaderAtTheFallbackAddressIsUpgradedThroughIt) {
  load(boostNetwork(R"(, "loaderFallback": true)"));
  BoostUpgradeOutcome out = upgradeHp10Firmware(env(), files(960), control());
  EXPECT_TRUE(out.usedFallback);
  EXPECT_TRUE(out.upgraded);
  EXPECT_EQ(out.versionAfter, "HP85-BOOST-NEW");
  // The first chunk twice (own address, then the fallback), then every frame to the fallback.
  EXPECT_EQ(loaderFrames(0x81), 7u);
  std::vector<MacAddress> destinations;
  for (const auto& [card, f] : link.sentFrames())
    if (f.size() > 17 && f[15] == 0x10) destinations.push_back(macAt(f, 0));
  EXPECT_EQ(destinations.front(), kBoost);
  EXPECT_TRUE(std::all_of(destinations.begin() + 1, destinations.end(),
                          [](const MacAddress& m) { return m == sim::kLoaderFallbackMac; }));
}

// Files refused before any frame, and loader answers that stop the upgrade.
struct BoostFailureRow {
  const char* faults;
  const char *image, *config;  // appended to the file's path; nullptr: no file given
  bool framesSent;
  const Notice *first, *second = nullptr;  // the messages shown
};
const BoostFailureRow kBoostFailures[] = {
    {"{}", nullptr, nullptr, false, &kBoostNoFile},
    {"{}", nullptr, "", false, &kBoostNoImage},
    {"{}", ".gone", "", false, &kBoostOpenImage},
    {"{}", "", ".gone", false, &kBoostOpenConfig},
    {R"({"corruptChecksum": true})", "", "", true, &kBoostImageMismatch, &kBoostResetFailed},
    {R"({"status": {"0x1081": 1}})", "", "", true, &kBoostNoResponse, &kBoostImageSendFailed},
    {R"({"status": {"0x1082": 1}})", "", "", true, &kBoostNoResponse, &kBoostCommitFailed},
    {R"({"status": {"0x1084": 1}})", "", "", true, &kBoostNoResponse, &kBoostVerifyFailed},
};

class BoostFailure : public BoostUpgrade, public ::testing::WithParamInterface<BoostFailureRow> {};

TEST_P(BoostFailure, ShowsItsMessages) {
  const BoostFailureRow& r = GetParam();
  load(boostNetwork(std::string(R"(, "faults": )") + r.faults));
  BoostUpgradeRequest request = files(960);
  for (auto [path, suffix] :
       {std::pair{&request.imagePath, r.image}, {&request.configPath, r.config}})
    *path = suffix ? *path + suffix : "";
  BoostUpgradeOutcome out = upgradeHp10Firmware(env(), request, control());
  EXPECT_FALSE(out.upgraded);
  std::vector<std::string> messages{r.first->text};
  if (r.second) messages.push_back(r.second->text);
  EXPECT_EQ(texts(), messages);
  EXPECT_EQ(out.sentFrames, r.framesSent);
  EXPECT_EQ(device(kBoost).firmware, "HP85-BOOST-OLD");
}

INSTANTIATE_TEST_SUITE_P(Failures, BoostFailure, ::testing::ValuesIn(kBoostFailures));

}  // namespace
}  // namespace strandline::testing
