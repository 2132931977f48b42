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

// Golden field bytes, written as the values they hold.
std::string le32(std::uint32_t v) {
  Bytes b(4);
  ByteWriter(b).u32le(v);
  return toHex(b);
}
std::string le64(double d) {
  Bytes b(8);
  ByteWriter(b).u64le(std::bit_cast<std::uint64_t>(d));
  return toHex(b);
}
std::string textZ(const std::string& text) {
  return toHex(Bytes(text.begin(), text.end())) + "00";
}

// Each golden field sits at its offset in the serialized record.
void expectFields(const Bytes& b,
                  std::initializer_list<std::pair<std::size_t, std::string>> fields) {
  for (const auto& [at, hex] : fields)
    EXPECT_EQ(toHex(ByteView(b).subspan(at, hex.size() / 2)), hex) << "field at " << at;
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

TEST(NetworkRecords, StationAdapterAndKnownDeviceFieldsSitAtTheirOffsets) {
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
  expectFields(serialize(s, kStationRecordSize),
               {{0, le32(1)},
                {4, "0011AA010203"},
                {60, "FE"},
                {61, le32(5)},
                {65, textZ("vendor")},
                {145, textZ("product")},
                {225, textZ("firmware-1.2")},
                {411, "04030201"},  // little-endian
                {415, le32(6) + "01" + le32(7) + le32(8)},
                {428, le64(150.0) + le64(100.0) + le64(200.0) + "01"},
                {461, le64(99.0)},
                {486, "AB"},
                {501, "CD" + textZ("HomePlugAV")}});

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
  expectFields(serialize(a, kAdapterNetworkSize),
               {{0, "010203040506" + le32(1) + le32(4) + "0A000000000B"},
                {45, le32(1)},
                {45 + 31 * 542 + 4, "EE0000000031"},
                {17389 + 8, le64(42.0)},
                {17422 + 8, le64(43.0)},
                {17455, textZ("local firmware")},
                {17520, "FFFFFFFF5A"},
                {17540, textZ("private")}});

  KnownDevice d;
  d.name.set("Device 1");
  d.mac = {0x00, 0x11, 0xAA, 0, 0, 0x01};
  d.password.set("CHECK ABCD-EFGH-IJKL-MNOP");
  d.networkName.set("Unknown Networkname");
  d.networkKey[7] = 0x77;
  d.reserved[24] = 0x99;
  d.lastSeen = 0x0000000180000001;  // a time after 2038 needs both words
  expectFields(serialize(d, kKnownDeviceSize),
               {{0, textZ("Device 1")},
                {35, "0011AA000001" + textZ("CHECK ABCD-EFGH-IJKL-MNOP")},
                {97, textZ("Unknown Networkname")},
                {149 + 7, "77"},
                {189, "99" + le32(0x80000001) + le32(1)}});  // low word first
}

TEST(NetworkRecords, FixedTextClearsTheRestAndStaysBounded) {
  FixedText<8> t;
  t.set("0123456789");
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
  EXPECT_EQ(a.stations[30].mac[5], 32);
  EXPECT_EQ(a.stations[31], StationRecord{});
  EXPECT_FALSE(removeStation(a, {0x02, 0, 0, 0, 0, 3}));
  EXPECT_FALSE(removeStation(a, MacAddress{})) << "a zero MAC names no station";
}

}  // namespace
}  // namespace strandline
