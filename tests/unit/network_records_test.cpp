#include "model/network_records.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>

#include "model/known_device.h"

namespace strandline {
namespace {

template <typename Record>
Bytes serialize(const Record& record, std::size_t size) {
  Bytes out(size);
  ByteWriter w(out);
  record.serialize(w);
  EXPECT_TRUE(w.ok());
  EXPECT_EQ(w.position(), size) << "the record must fill exactly its size";
  return out;
}

std::uint32_t u32At(const Bytes& b, std::size_t at) {
  return ByteReader(b, at).u32le();
}
double doubleAt(const Bytes& b, std::size_t at) {
  return std::bit_cast<double>(ByteReader(b, at).u64le());
}
std::string textAt(const Bytes& b, std::size_t at) {
  return ByteReader(b, at).text(std::min<std::size_t>(64, b.size() - at));
}

Bytes randomBytes(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& x : b) x = static_cast<std::uint8_t>(rng());
  return b;
}

// Any bytes read into a record are written back unchanged: text after its
// NUL, reserved bytes, NaN payloads and negative counters included.
template <typename Record>
void expectByteIdentity(std::size_t size) {
  for (std::uint32_t seed = 1; seed <= 20; ++seed) {
    Bytes in = randomBytes(size, seed);
    ByteReader r(in);
    Record record;
    record.parse(r);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.position(), size);
    EXPECT_EQ(serialize(record, size), in) << "seed " << seed;
  }
}

TEST(NetworkRecords, AnyBytesRoundTripUnchanged) {
  expectByteIdentity<RateStats>(kRateStatsSize);
  expectByteIdentity<StationRecord>(kStationRecordSize);
  expectByteIdentity<AdapterNetwork>(kAdapterNetworkSize);
  expectByteIdentity<KnownDevice>(kKnownDeviceSize);
}

TEST(NetworkRecords, StationFieldsSitAtTheirOffsets) {
  StationRecord s;
  s.valid = 1;
  s.mac = {0x00, 0x11, 0xAA, 0x01, 0x02, 0x03};
  s.missesLeft = -2;
  s.kind = 5;
  s.vendor.set("vendor");
  s.product.set("product");
  s.firmware.set("firmware-1.2");
  s.sent = 0x01020304;
  s.misses = 6;
  s.kindChanged = 1;
  s.tx = {7, 8, 150.0, 100.0, 200.0, 1};
  s.rx.current = 99.0;
  s.networkKey[0] = 0xAB;
  s.networkKey[15] = 0xCD;
  s.networkName.set("HomePlugAV");
  Bytes b = serialize(s, kStationRecordSize);

  EXPECT_EQ(u32At(b, 0), 1u);
  EXPECT_EQ(b[4], 0x00);
  EXPECT_EQ(b[6], 0xAA);
  EXPECT_EQ(b[9], 0x03);
  EXPECT_EQ(b[60], 0xFE);
  EXPECT_EQ(u32At(b, 61), 5u);
  EXPECT_EQ(textAt(b, 65), "vendor");
  EXPECT_EQ(textAt(b, 145), "product");
  EXPECT_EQ(textAt(b, 225), "firmware-1.2");
  EXPECT_EQ(u32At(b, 411), 0x01020304u);
  EXPECT_EQ(b[411], 0x04) << "little-endian";
  EXPECT_EQ(u32At(b, 415), 6u);
  EXPECT_EQ(b[419], 1);
  EXPECT_EQ(u32At(b, 420), 7u);
  EXPECT_EQ(u32At(b, 424), 8u);
  EXPECT_EQ(doubleAt(b, 428), 150.0);
  EXPECT_EQ(doubleAt(b, 436), 100.0);
  EXPECT_EQ(doubleAt(b, 444), 200.0);
  EXPECT_EQ(b[452], 1);
  EXPECT_EQ(doubleAt(b, 461), 99.0);
  EXPECT_EQ(b[486], 0xAB);
  EXPECT_EQ(b[501], 0xCD);
  EXPECT_EQ(textAt(b, 502), "HomePlugAV");
}

TEST(NetworkRecords, AdapterFieldsSitAtTheirOffsets) {
  AdapterNetwork a;
  a.cardMac = {1, 2, 3, 4, 5, 6};
  a.present = 1;
  a.kind = 4;
  a.adapterMac = {0x0A, 0, 0, 0, 0, 0x0B};
  a.stations[0].valid = 1;
  a.stations[31].mac = {0xEE, 0, 0, 0, 0, 0x31};
  a.localTx.current = 42.0;
  a.localRx.current = 43.0;
  a.firmware.set("local firmware");
  a.stationCount = -1;
  a.networkKey[0] = 0x5A;
  a.networkName.set("private");
  Bytes b = serialize(a, kAdapterNetworkSize);

  EXPECT_EQ(b[0], 1);
  EXPECT_EQ(b[5], 6);
  EXPECT_EQ(u32At(b, 6), 1u);
  EXPECT_EQ(u32At(b, 10), 4u);
  EXPECT_EQ(b[14], 0x0A);
  EXPECT_EQ(b[19], 0x0B);
  EXPECT_EQ(u32At(b, 45), 1u);
  EXPECT_EQ(b[45 + 31 * 542 + 4], 0xEE);
  EXPECT_EQ(b[45 + 31 * 542 + 9], 0x31);
  EXPECT_EQ(doubleAt(b, 17389 + 8), 42.0);
  EXPECT_EQ(doubleAt(b, 17422 + 8), 43.0);
  EXPECT_EQ(textAt(b, 17455), "local firmware");
  EXPECT_EQ(u32At(b, 17520), 0xFFFFFFFFu);
  EXPECT_EQ(b[17524], 0x5A);
  EXPECT_EQ(textAt(b, 17540), "private");
}

TEST(NetworkRecords, KnownDeviceFieldsSitAtTheirOffsets) {
  KnownDevice d;
  d.name.set("Device 1");
  d.mac = {0x00, 0x11, 0xAA, 0, 0, 0x01};
  d.password.set("CHECK ABCD-EFGH-IJKL-MNOP");
  d.networkName.set("Unknown Networkname");
  d.networkKey[7] = 0x77;
  d.reserved[24] = 0x99;
  d.lastSeen = 0x0000000180000001;  // a time after 2038 needs both words
  Bytes b = serialize(d, kKnownDeviceSize);

  EXPECT_EQ(textAt(b, 0), "Device 1");
  EXPECT_EQ(b[35], 0x00);
  EXPECT_EQ(b[37], 0xAA);
  EXPECT_EQ(b[40], 0x01);
  EXPECT_EQ(textAt(b, 41), "CHECK ABCD-EFGH-IJKL-MNOP");
  EXPECT_EQ(textAt(b, 97), "Unknown Networkname");
  EXPECT_EQ(b[149 + 7], 0x77);
  EXPECT_EQ(b[189], 0x99);
  EXPECT_EQ(u32At(b, 190), 0x80000001u) << "low word first";
  EXPECT_EQ(u32At(b, 194), 1u);
}

TEST(NetworkRecords, FixedTextCutsAndTerminates) {
  FixedText<8> t;
  t.set("0123456789");
  EXPECT_EQ(t.str(), "0123456");
  EXPECT_EQ(t.bytes[7], '\0');
  t.set("ab");
  EXPECT_EQ(t.str(), "ab");
  EXPECT_EQ(t.bytes[3], '\0') << "the rest of the field is cleared";
  // A field without any NUL (as a file may hold) still reads as bounded text.
  t.bytes.fill('x');
  EXPECT_EQ(t.str(), "xxxxxxx");
}

TEST(NetworkRecords, RemoveStationMovesTheLaterOnesDown) {
  AdapterNetwork a;
  for (std::uint8_t i = 0; i < 32; ++i) {
    a.stations[i].valid = 1;
    a.stations[i].mac = {0x02, 0, 0, 0, 0, static_cast<std::uint8_t>(i + 1)};
  }
  EXPECT_TRUE(removeStation(a, {0x02, 0, 0, 0, 0, 3}));
  EXPECT_EQ(a.stations[1].mac[5], 2);
  EXPECT_EQ(a.stations[2].mac[5], 4);
  EXPECT_EQ(a.stations[30].mac[5], 32);
  EXPECT_EQ(a.stations[31], StationRecord{});
  EXPECT_FALSE(removeStation(a, {0x02, 0, 0, 0, 0, 3}));
  EXPECT_FALSE(removeStation(a, MacAddress{})) << "a zero MAC names no station";
}

}  // namespace
}  // namespace strandline
