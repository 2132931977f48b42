#include "app/main_page_model.h"

#include <gtest/gtest.h>

#include "platform/memory_link.h"
#include "platform/single_instance.h"
#include "storage/about_texts.h"
#include "storage/bitmap_file.h"
#include "unit/storage_test_util.h"

namespace strandline::app {
namespace {

TEST(MainPageTexts, StatusNetworkTypeCountReleaseAndVersion) {
  const std::pair<std::string, std::string> cases[] = {
      {statusLine(true, 7, true), "Adding device. Please Wait..."},
      {statusLine(false, 1, true), " Scanning..."},
      {networkTypeLine("HomePlugAV", false), "Network Type: Private"},
      {networkTypeLine("HomePlug", false), "Network Type: Public"},
      {networkTypeLine("Attic", true), "Network Type: Private"},
      {deviceCountLine(1), "1 Powerline Device detected:"},
      {deviceCountLine(0), "0 Powerline Devices detected:"},
      {releaseText("20110213"), "Released: Feburary 13, 2011"},
      {releaseText("20111313"), "Released:  13, 2011"},
      {versionText("6-0-0-12-4", "123"), "v6.0.0.12, Build 0123"},
  };
  for (const auto& [got, expected] : cases) EXPECT_EQ(got, expected);
}

TEST(LocalAdapters, ConnectionLineListRowsAndSelection) {
  std::array<LocalAdapter, kMaxCards> adapters{};
  adapters[1].present = 1;
  adapters[1].kind = kKindAv;
  adapters[1].mac = {2, 0, 0, 0, 0, 1};
  adapters[3].present = 1;
  adapters[3].kind = kKindBoost;  // no MAC: present but not listed
  adapters[5].present = 1;
  adapters[5].kind = kKindHomePlug10;
  adapters[5].mac = {2, 0, 0, 0, 0, 5};
  EXPECT_EQ(connectionLine(adapters, 9), "HomePlug Adapter NOT DETECTED");
  auto rows = localRows(adapters);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].kind, "HomePlug 1.0 Device");
  EXPECT_EQ(rows[1].mac, "02:00:00:00:00:05");
  // The index counts present adapters only.
  for (auto [index, card] : {std::pair{0, 1}, {1, 3}, {2, 5}, {3, -1}})
    EXPECT_EQ(cardForListIndex(adapters, index), card) << index;

  AdapterSnapshot snapshot{};
  EXPECT_TRUE(takeAdapterChanges(snapshot, adapters));
  EXPECT_FALSE(takeAdapterChanges(snapshot, adapters));
  adapters[5].kind = kKindBoost;
  EXPECT_TRUE(takeAdapterChanges(snapshot, adapters));
}

TEST(SingleInstance, SecondLockIsRefusedUntilTheFirstGoes) {
  test::ScratchFolder dir;
  std::string error;
  auto first = std::make_unique<SingleInstance>();
  EXPECT_EQ(first->acquire(dir.path(), error), SingleInstance::Result::First);
  SingleInstance second;
  EXPECT_EQ(second.acquire(dir.path(), error), SingleInstance::Result::AlreadyRunning);
  first.reset();
  EXPECT_EQ(second.acquire(dir.path(), error), SingleInstance::Result::First);
  EXPECT_EQ(SingleInstance().acquire("/nonexistent-folder", error),
            SingleInstance::Result::Unavailable);
}

// An 8-bit bitmap whose palette entry i is 0x2010ii and whose file row r holds
// the indexes r * 16 + x.
Bytes bmpFile(std::int32_t width, std::int32_t height, std::uint16_t bits = 8) {
  const std::size_t stride = static_cast<std::size_t>((width + 3) / 4 * 4), offset = 14 + 40 + 1024;
  Bytes file(offset + stride * static_cast<std::size_t>(std::abs(height)));
  ByteWriter w(file);
  w.u16le(0x4D42);  // "BM"
  for (auto v : {file.size(), std::size_t{0}, offset, std::size_t{40}})
    w.u32le(static_cast<std::uint32_t>(v));
  w.u32le(static_cast<std::uint32_t>(width));
  w.u32le(static_cast<std::uint32_t>(height));
  w.u16le(1);
  w.u16le(bits);
  ByteWriter palette(file, 54);
  for (std::uint32_t i = 0; i < 256; ++i) palette.u32le(0x201000 | i);
  for (std::size_t i = offset; i < file.size(); ++i)
    file[i] = static_cast<std::uint8_t>((i - offset) / stride * 16 + (i - offset) % stride);
  return file;
}

TEST(PaletteBitmap, DecodesRowsThroughThePaletteAndRefusesDamagedFiles) {
  auto bmp = decodePaletteBitmap(bmpFile(3, 2));
  ASSERT_TRUE(bmp);
  EXPECT_EQ(bmp->width, 3);
  EXPECT_EQ(bmp->height, 2);
  // The file's first row is the bottom one; row padding is skipped.
  EXPECT_EQ(bmp->pixels, (std::vector<std::uint32_t>{0x201010, 0x201011, 0x201012, 0x201000,
                                                     0x201001, 0x201002}));
  auto topDown = decodePaletteBitmap(bmpFile(3, -2));
  ASSERT_TRUE(topDown);
  EXPECT_EQ(topDown->pixels[0], 0x201000u);

  Bytes good = bmpFile(5, 4);
  Bytes huge = good, badOffset = good;
  huge[18] = huge[19] = 0xFF;  // width far beyond the data
  badOffset[10] = 0xF0;
  badOffset[11] = 0xFF;
  for (const Bytes& bad :
       {Bytes(good.begin(), good.end() - 1), Bytes(good.begin(), good.begin() + 60),
        bmpFile(5, 4, 24), bmpFile(0, 4), huge, badOffset, Bytes{}})
    EXPECT_FALSE(decodePaletteBitmap(bad)) << bad.size();
}

class RefreshTest : public ::testing::Test {
 protected:
  RefreshTest() : link(clock), ctx(link, clock, prompter) {}

  void SetUp() override {
    ctx.adapters[0].present = 1;
    ctx.adapters[0].kind = kKindAv;
    ctx.adapters[0].mac = {2, 0, 0, 0, 0, 1};
    AdapterNetwork& n = ctx.networks[0];
    n.networkName.set("Attic");
    for (std::uint8_t i = 0; i < 3; ++i) {
      n.stations[i].valid = 1;
      n.stations[i].mac = {2, 0, 0, 0, 1, static_cast<std::uint8_t>(i + 1)};
    }
    n.stationCount = 3;
    takeAdapterChanges(state.adapterSnapshot, ctx.adapters);
  }

  VirtualClock clock;
  MemoryLink link;
  RecordingPrompter prompter;
  ProgramContext ctx;
  MainPageState state;
};

TEST_F(RefreshTest, NamesNewStationsAndMarksThemSeenOnce) {
  addKnownDevice(ctx.known, {2, 0, 0, 0, 1, 2}, "Device 1");
  ctx.networks[0].stations[2].valid = 0;  // gone: not named
  EXPECT_FALSE(refreshAfterScan(ctx, state, 7, 1000));
  ASSERT_EQ(ctx.known.count(), 2u);
  EXPECT_EQ(ctx.known.at(2).name.str(), "Device 2");
  for (int i = 1; i <= 2; ++i) {
    EXPECT_EQ(ctx.known.at(i).lastSeen, 1000);
    EXPECT_EQ(ctx.known.at(i).networkName.str(), "Attic");
  }
  // Already listed: the next refresh leaves the records alone.
  EXPECT_FALSE(refreshAfterScan(ctx, state, 1, 2000));
  EXPECT_EQ(ctx.known.at(1).lastSeen, 1000);
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(RefreshTest, LostAdapterWarnsOnceAndClearsTheStations) {
  std::uint32_t generation = state.listGeneration;
  ctx.adapters[0].present = 0;
  EXPECT_TRUE(refreshAfterScan(ctx, state, 7, 1000));
  EXPECT_FALSE(refreshAfterScan(ctx, state, 7, 1000));  // nothing changed since
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, "HomePlug Adapter NOT DETECTED");
  EXPECT_EQ(prompter.shown[0].caption, "Problem Occurred");
  EXPECT_EQ(ctx.networks[0].stationCount, 0);
  EXPECT_EQ(ctx.networks[0].stations[0].valid, 0u);
  EXPECT_NE(state.listGeneration, generation);
  EXPECT_FALSE(state.adapterWarningShown);
  // While the adapter restarts after a Set Local it goes unreported, until seen again.
  ctx.adapters[0].present = 1;
  refreshAfterScan(ctx, state, 7, 1000);
  ctx.keyFlow.suppressNotDetected = true;
  ctx.adapters[0].present = 0;
  EXPECT_TRUE(refreshAfterScan(ctx, state, 7, 1000));
  EXPECT_EQ(prompter.shown.size(), 1u);
  ctx.adapters[0].present = 1;
  refreshAfterScan(ctx, state, 7, 1000);
  EXPECT_FALSE(ctx.keyFlow.suppressNotDetected);
}

TEST_F(RefreshTest, NewAdapterIsSelectedByTheRememberedListRow) {
  ctx.adapters[2].present = 1;
  ctx.adapters[2].kind = kKindBoost;
  ctx.adapters[2].mac = {2, 0, 0, 0, 0, 3};
  ctx.networks[2].kind = kKindBoost;
  state.selectedLocalIndex = 1;
  EXPECT_TRUE(refreshAfterScan(ctx, state, 7, 1000));
  EXPECT_EQ(ctx.cards.currentCard, 2);
  EXPECT_TRUE(ctx.kestrelMode);
  EXPECT_TRUE(prompter.shown.empty());
}

// A sort column or card out of range in the database is not taken; its
// notices reach the user on load and save.
TEST_F(RefreshTest, DatabaseValuesOutOfRangeAreNotTakenAndItsNoticesAreShown) {
  state.sortColumn = 4;
  DeviceDatabase db = databaseFrom(ctx, state);
  MainPageState other;
  ProgramContext fresh(link, clock, prompter);
  takeDatabase(fresh, other, db);
  db.sortColumn = 12;
  db.currentCard = 9;
  takeDatabase(fresh, other, db);
  EXPECT_EQ(other.sortColumn, 4);
  EXPECT_EQ(fresh.cards.currentCard, 7);

  test::ScratchFolder dir;
  state.databasePath = dir.file("old.data");
  test::writeBytes(state.databasePath, Bytes{0x31, 0x01, 0, 0});  // version 305
  loadDatabase(ctx, state);
  state.databasePath = dir.file("missing-folder/db.data");
  addKnownDevice(ctx.known, {2, 0, 0, 0, 1, 2}, "Hall");
  saveDatabase(ctx, state);
  ASSERT_EQ(prompter.shown.size(), 2u);
  EXPECT_EQ(prompter.shown[0].caption, "Attention!");
  EXPECT_EQ(prompter.shown[0].text, kDatabaseReadMessage);
  EXPECT_EQ(prompter.shown[1].caption, "Problem Occurred");
  EXPECT_EQ(prompter.shown[1].text, kDatabaseWriteFailed.text);
  EXPECT_EQ(prompter.shown[1].icon, MessageIcon::Error);
}

}  // namespace
}  // namespace strandline::app
