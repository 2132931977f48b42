#include "firmware/parameter_block.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "firmware/pib_rules.h"
#include "unit/av_frames.h"

namespace strandline {
namespace {

struct Write {
  std::size_t at;
  int width;  // 0, 1, 2 or 4 bytes, little-endian
  std::uint32_t value;
};

void put(Bytes& image, const Write& w) {
  testframes::putU32(image, w.at, w.value, w.width);
}
using testframes::getU32;

class ParameterBlockTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(pib.buildDefault(image), PibStatus::Ok); }

  PibStatus reattach() { return pib.attach(image); }

  Bytes image = Bytes(pib::kImageLength);
  ParameterBlockImage pib;
};

TEST_F(ParameterBlockTest, DefaultImageIsValidSealedAndNeutral) {
  EXPECT_TRUE(pib.valid());
  EXPECT_TRUE(pibVerifies(image));
  EXPECT_EQ(testframes::hexAt(image, 0, 6), "04040000C83C");  // version 4.4, length 15560
  // QoS defaults: caps, time to live per cap, switches, priority map.
  EXPECT_EQ(testframes::hexAt(image, 524, 28),
            testframes::golden("01010302 80841E00 80841E00 E0930400 E0930400 01010000 41FA41FA"));
  EXPECT_EQ(image[8200], 0xC0);
  MacAddress mac{};
  ASSERT_EQ(pib.getMac(mac), PibStatus::Ok);
  EXPECT_EQ(mac, kLocalDeviceMac);
  Key16 nmk{};
  ASSERT_EQ(pib.getNmk(nmk), PibStatus::Ok);
  EXPECT_EQ(toHex(nmk), "50D3E4933F855B7040784DF815AA8DB7");
  Nid nid{};
  ASSERT_EQ(pib.getNid(nid), PibStatus::Ok);
  EXPECT_EQ(nid, deriveNid(nmk, 0));
  std::string text;
  ASSERT_EQ(pib.getHfid(PibHfid::Manufacturer, text), PibStatus::Ok);
  EXPECT_EQ(text, "Strandline HomePlug AV Device");
  ASSERT_EQ(pib.getHfid(PibHfid::Network, text), PibStatus::Ok);
  EXPECT_EQ(text, "Strandline Enabled Network");
}

TEST(ParameterBlock, AttachReportsEachKindOfBadImage) {
  Bytes good(pib::kImageLength);
  ParameterBlockImage pib;
  ASSERT_EQ(pib.buildDefault(good), PibStatus::Ok);
  const struct {
    const char* what;
    std::size_t size;  // of the buffer, grown with 0xEE
    Write change;
    PibStatus expected;
  } cases[] = {
      {"no image", 0, {}, PibStatus::NoImage},
      {"shorter than the header", 5, {}, PibStatus::BadLength},
      {"version 4.3 of any length", 15560, {1, 4, 0xFF000003}, PibStatus::VersionMismatch},
      {"length field one short", 15560, {4, 2, 15559}, PibStatus::BadLength},
      {"buffer shorter than the length", 15000, {}, PibStatus::BadLength},
      {"larger buffer", 16384, {}, PibStatus::Ok},
  };
  for (const auto& c : cases) {
    Bytes image = good;
    image.resize(c.size, 0xEE);
    put(image, c.change);
    EXPECT_EQ(pib.attach(image), c.expected) << c.what;
    EXPECT_EQ(pib.valid(), c.expected == PibStatus::Ok) << c.what;
  }
}

TEST_F(ParameterBlockTest, ResealSealsVersionFourFourAndLeavesOtherImagesAlone) {
  image[545] = 0;
  EXPECT_FALSE(pibVerifies(image));
  EXPECT_EQ(pib.reseal(image), PibStatus::Ok);
  EXPECT_TRUE(pibVerifies(image));
  const std::uint32_t stored = getU32(image, 8);

  Bytes v43 = image;
  v43[1] = 3;
  EXPECT_EQ(pib.reseal(v43), PibStatus::VersionMismatch);
  EXPECT_TRUE(pibVerifies(v43));
  // Version 4.4 with a wrong length: returned by attach, checksum untouched.
  Bytes long44 = image;
  long44.resize(16388);
  put(long44, {4, 2, 16388});
  EXPECT_EQ(pib.reseal(long44), PibStatus::BadLength);
  EXPECT_EQ(getU32(long44, 8), stored);
  // Another version with a length over 16384: checksum field cleared.
  Bytes long43 = long44;
  long43[1] = 3;
  EXPECT_EQ(pib.reseal(long43), PibStatus::BadLength);
  EXPECT_EQ(getU32(long43, 8), 0u);
  // A length field that claims more than the buffer holds is never summed.
  Bytes short43(v43.begin(), v43.begin() + 4000);
  EXPECT_EQ(pib.reseal(short43), PibStatus::BadLength);
  EXPECT_EQ(getU32(short43, 8), 0u);
}

TEST_F(ParameterBlockTest, GuardCodesOfTheAccessors) {
  std::uint8_t value = 0;
  ParameterBlockImage empty;
  EXPECT_EQ(empty.getQosFlag(value), PibStatus::NoImage);

  image[524] = 9;
  ASSERT_EQ(reattach(), PibStatus::ContentInvalid);
  EXPECT_EQ(pib.getQosFlag(value), PibStatus::NotValidated);
  EXPECT_EQ(pib.setQosFlag(1), PibStatus::NotValidated);
  image[524] = 1;
  ASSERT_EQ(reattach(), PibStatus::Ok);

  image[0] = 5;  // changed under the attached image
  EXPECT_EQ(pib.getQosFlag(value), PibStatus::VersionUnsupported);
  image[0] = 4;
  put(image, {4, 2, 15000});
  EXPECT_EQ(pib.getQosFlag(value), PibStatus::BadLength);
  put(image, {4, 2, 15560});
  EXPECT_EQ(pib.getQosFlag(value), PibStatus::Ok);
}

TEST_F(ParameterBlockTest, IdentityAccessorsServeEveryVersionFromOnePointFour) {
  Key16 nmk{};
  MacAddress mac{0x00, 0xB0, 0x52, 0x12, 0x34, 0x56};
  const struct {
    std::uint8_t major, minor;
    PibStatus expected;
  } cases[] = {{1, 3, PibStatus::VersionUnsupported},
               {0, 9, PibStatus::VersionUnsupported},
               {1, 4, PibStatus::Ok},
               {3, 2, PibStatus::Ok}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << int(c.major) << "." << int(c.minor));
    Bytes other = image;
    other[0] = c.major;
    other[1] = c.minor;
    ASSERT_EQ(pib.attach(other), PibStatus::VersionMismatch);
    EXPECT_EQ(pib.getNmk(nmk), c.expected);
    EXPECT_EQ(pib.setMac(mac), c.expected);
    // The fully guarded accessors refuse every version but 4.4.
    EXPECT_EQ(pib.getMac(mac), PibStatus::VersionUnsupported);
  }
}

TEST_F(ParameterBlockTest, MacSetterRefusesGroupAndReservedAddresses) {
  Bytes before = image;
  MacAddress mac;
  for (const char* text : {"01:00:00:00:00:00", "00:B0:52:00:00:01", "00:B0:52:00:00:02",
                           "00:B0:52:00:00:03", "FF:FF:FF:FF:FF:FF"}) {
    ASSERT_TRUE(parseMac(text, mac));
    EXPECT_EQ(pib.setMac(mac), PibStatus::BadValue) << text;
  }
  EXPECT_EQ(image, before);
  ASSERT_TRUE(parseMac("00:B0:52:12:34:56", mac));
  EXPECT_EQ(pib.setMac(mac), PibStatus::Ok);
  EXPECT_EQ(testframes::hexAt(image, 12, 6), "00B052123456");
}

TEST_F(ParameterBlockTest, SetNmkDerivesTheNidAndDetectsNoChange) {
  Key16 current{};
  ASSERT_EQ(pib.getNmk(current), PibStatus::Ok);
  EXPECT_EQ(pib.setNmk(current, 2), PibStatus::BadValue);

  put(image, {7820, 4, 0x12345678});
  Bytes before = image;
  EXPECT_EQ(pib.setNmk(current, 0), PibStatus::NidUnchanged);
  EXPECT_EQ(image, before);

  Key16 key = deriveNetworkKey("private-net");
  ASSERT_EQ(pib.setNmk(key, 1), PibStatus::Ok);
  Nid nid = deriveNid(key, 1);
  EXPECT_EQ(Bytes(image.begin() + 100, image.begin() + 116), Bytes(key.begin(), key.end()));
  EXPECT_EQ(Bytes(image.begin() + 248, image.begin() + 255), Bytes(nid.begin(), nid.end()));
  EXPECT_EQ(getU32(image, 7820), 0u);
  EXPECT_EQ(getU32(image, 7824), 60u);  // the rest of that block stays
  std::uint8_t level = 0;
  ASSERT_EQ(pib.getSecurityLevel(level), PibStatus::Ok);
  EXPECT_EQ(level, 1);
  // Same key, other security level: the NID changes, so it is written.
  EXPECT_EQ(pib.setNmk(key, 0), PibStatus::Ok);
  EXPECT_EQ(pib.reseal(image), PibStatus::Ok);
}

// Enabled, with 18 entries' worth of acceptable first bytes: the 17th entry
// would end past the section.
std::vector<Write> config268Entries() {
  std::vector<Write> writes{{268, 1, 1}, {269, 1, 5}};
  for (std::size_t i = 0; i < 18; ++i) writes.push_back({278 + 7 * i, 1, 1});
  return writes;
}

std::vector<Write> longText() {
  std::vector<Write> writes;
  for (std::size_t i = 0; i < 256; ++i) writes.push_back({11465 + i, 1, 'a'});
  return writes;
}

// One representative rule of each section: the "good" value passes, the "bad"
// one gives ContentInvalid. `setup` holds writes that enable the rule.
TEST_F(ParameterBlockTest, EachSectionRefusesOutOfRangeValues) {
  const struct {
    const char* name;
    std::vector<Write> setup;
    Write bad;
    std::uint32_t good;
  } cases[] = {
      {"identity_244", {}, {244, 1, 4}, 3},
      {"identity_security_level", {}, {254, 1, 0x20}, 0x10},
      {"identity_group_mac", {}, {12, 1, 0x01}, 0x02},
      {"config268_entry", {{268, 1, 1}, {269, 1, 5}, {277, 1, 1}}, {278, 1, 255}, 254},
      {"config268_count_past_section", config268Entries(), {277, 1, 17}, 16},
      {"qos_default_cap", {}, {526, 1, 4}, 3},
      {"qos_ttl_low", {}, {528, 4, 9999}, 10000},
      {"qos_ttl_high", {}, {540, 4, 65000001}, 65000000},
      {"qos_2384", {}, {2384, 1, 9}, 8},
      {"qos_rule_entry_classifier", {{552, 4, 1}, {564, 4, 2}}, {572, 4, 8}, 7},
      {"qos_rule_entry_bound_needs_action_5", {{552, 4, 1}, {564, 4, 226}}, {560, 4, 0}, 5},
      {"qos_rule_entry_count", {}, {552, 4, 9}, 8},
      {"qos_policy_entry_kind", {{556, 4, 1}, {785, 1, 2}}, {784, 1, 7}, 6},
      {"qos_policy_entry_count", {}, {556, 4, 0x80000000u}, 0},
      {"table_2572", {}, {2572, 4, 18}, 17},
      {"config7692", {{7716, 4, 1}}, {7720, 4, 1441}, 1440},
      {"config7820", {}, {7824, 4, 19}, 20},
      {"config7864", {{7962, 4, 1}}, {7966, 4, 99}, 100},
      {"7992_shares",
       {{8021, 1, 1}, {8022, 1, 30}, {8023, 1, 30}, {8024, 1, 30}},
       {8025, 1, 11},
       10},
      {"config7992_odd_step", {{8012, 1, 1}, {8013, 4, 1227}}, {8017, 4, 9}, 10},
      {"config8072", {}, {8080, 4, 299999}, 300000},
      {"config8072_bit7", {{8084, 2, 0x80}, {8123, 1, 60}}, {8124, 1, 41}, 40},
      {"config8136", {}, {8157, 1, 66}, 65},
      {"hardware_only_with_marker", {{9409, 1, 40}, {9987, 1, 0}}, {8200, 1, 0xC0}, 0},
      {"hardware_led_byte2", {}, {9409, 1, 40}, 39},
      {"hardware_led_byte3", {}, {9410, 1, 41}, 40},
      {"hardware_9987", {}, {9987, 1, 19}, 20},
      {"hardware_led_byte4", {}, {9411, 1, 41}, 40},
      {"hardware_led_count", {}, {9406, 1, 35}, 34},
      {"hardware_9981_below_9982", {}, {9981, 1, 100}, 99},
      {"hardware_10128", {{10128, 1, 1}, {10124, 2, 100}, {10126, 2, 15000}}, {10138, 1, 3}, 2},
      {"config10248_slots", {}, {10248, 1, 33}, 32},
      {"config10248_record_gain", {{10426, 1, 1}, {10435, 1, 1}}, {10446, 1, 0xE7}, 0xE8},
      {"config10888_mode512", {{10888, 2, 512}, {10890, 4, 30}}, {10902, 1, 3}, 2},
      {"10888_list_item",
       {{10888, 2, 256}, {10890, 4, 1000}, {11142, 2, 1}, {10998, 4, 1}, {10938, 4, 1}},
       {10942, 1, 12},
       11},
      {"config10888_list_count", {{10888, 2, 256}, {10890, 4, 1000}}, {11348, 2, 4}, 3},
      // Mode word 0: stale list bytes behind it are not looked at.
      {"config10888_mode_0_ends_the_rules", {{10890, 4, 1000}, {11348, 2, 4}}, {10888, 2, 256}, 0},
      {"config11400_data_bits", {}, {11424, 1, 9}, 7},
      {"text_lengths", {}, {12252, 2, 2561}, 2560},
      {"text_unterminated", longText(), {11721, 1, 'a'}, 0}};
  const Bytes saved = image;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    image = saved;
    for (const Write& w : c.setup) put(image, w);
    put(image, {c.bad.at, c.bad.width, c.good});
    EXPECT_EQ(reattach(), PibStatus::Ok);
    put(image, c.bad);
    EXPECT_EQ(reattach(), PibStatus::ContentInvalid);
  }
}

std::array<std::uint8_t, 24> classifier(std::uint32_t field, std::uint32_t op,
                                        const char* value = "") {
  Bytes bytes;
  EXPECT_TRUE(parseHex(value, bytes) || !*value);
  std::array<std::uint8_t, 24> c{};
  ByteWriter w(c);
  w.u32le(field);
  w.u32le(op);
  w.bytes(bytes);
  return c;
}

TEST(ParameterBlockRules, ClassifierRule) {
  const struct {
    std::uint32_t field, op;
    const char* value;
    bool valid;
  } cases[] = {{2, 0, "07", true},       {2, 0, "08", false},      {2, 2, "00", false},
               {3, 0, "0FFF", true},     {3, 0, "1000", false},    {9, 0, "00", false},
               {9, 1, "FEFF0F", true},   {9, 0, "FFFF0F", false},  {12, 0, "FFFF00", true},
               {12, 0, "000001", false}, {226, 0, "FFFFFF", true}, {226, 0, "00000001", false},
               {228, 0, "", true},       {228, 1, "", false},      {229, 0, "01", false},
               {16, 0, "", false},       {230, 0, "", false},      {11, 0, "FFFFFFFF", true}};
  for (const auto& c : cases)
    EXPECT_EQ(pibClassifierValid(classifier(c.field, c.op, c.value)), c.valid)
        << "field " << c.field << " op " << c.op;
  EXPECT_TRUE(pibClassifierProtocolBound(classifier(227, 0, "88E1")));
  EXPECT_FALSE(pibClassifierProtocolBound(classifier(227, 0, "E188")));
}

std::array<std::uint8_t, 100> policy(std::uint8_t kind, std::uint8_t mode,
                                     std::vector<std::array<std::uint8_t, 24>> classifiers) {
  std::array<std::uint8_t, 100> e{};
  ByteWriter w(e);
  w.u8(kind);
  w.u8(mode);
  w.u16le(static_cast<std::uint16_t>(classifiers.size()));
  for (const auto& c : classifiers) w.bytes(c);
  return e;
}

TEST(ParameterBlockRules, PolicyEntryBindingToTheProtocol) {
  auto bound = classifier(226, 0);
  auto plain = classifier(2, 0, "01");
  EXPECT_TRUE(pibPolicyEntryValid(policy(5, 1, {bound, bound})));
  EXPECT_FALSE(pibPolicyEntryValid(policy(5, 0, {bound, bound})));  // all bound: mode 1
  EXPECT_TRUE(pibPolicyEntryValid(policy(5, 0, {bound, plain})));
  EXPECT_FALSE(pibPolicyEntryValid(policy(5, 1, {bound, plain})));  // some bound: mode 0
  EXPECT_FALSE(pibPolicyEntryValid(policy(4, 1, {bound})));         // bound needs kind 5
  EXPECT_FALSE(pibPolicyEntryValid(policy(5, 0, {plain})));         // none bound: not 5
  EXPECT_TRUE(pibPolicyEntryValid(policy(0, 2, {})));
  EXPECT_FALSE(pibPolicyEntryValid(policy(0, 0, {})));  // count 0 only in mode 2
  EXPECT_FALSE(pibPolicyEntryValid(policy(32, 0, {classifier(10, 0)})));
  EXPECT_FALSE(pibPolicyEntryValid(policy(16, 0, {classifier(224, 0)})));

  auto kind16 = policy(16, 0, {plain});
  EXPECT_FALSE(pibPolicyEntryValid(kind16));
  ByteWriter w(kind16, 76);
  w.u16le(1);
  w.u8(3);
  w.u8(15);
  w.u16le(9000);
  w.u32le(10000);
  EXPECT_TRUE(pibPolicyEntryValid(kind16));
  auto kind34 = policy(34, 2, {});
  kind34[76] = 2;
  EXPECT_TRUE(pibPolicyEntryValid(kind34));
}

PibListEntry listEntry(std::uint32_t kind, std::uint32_t argument) {
  PibListEntry e{};
  ByteWriter w(e);
  w.u32le(kind);
  w.u32le(argument);
  w.seek(60);
  w.u32le(1);
  return e;
}

TEST_F(ParameterBlockTest, ListsHoldAtMostThreeCheckedEntries) {
  EXPECT_EQ(pib.appendListEntry(PibList::Second, listEntry(0x20000, 1)), PibStatus::BadValue);
  EXPECT_EQ(pib.appendListEntry(PibList::First, listEntry(0x20000, 0)), PibStatus::BadValue);
  for (std::uint32_t i = 0; i < 3; ++i)
    EXPECT_EQ(pib.appendListEntry(PibList::First, listEntry(0x20000, i + 1)), PibStatus::Ok);
  EXPECT_EQ(pib.appendListEntry(PibList::First, listEntry(4, 0)), PibStatus::BadValue);
  std::size_t count = 0;
  ASSERT_EQ(pib.getListCount(PibList::First, count), PibStatus::Ok);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(image[11142], 3);
  EXPECT_EQ(getU32(image, 10938 + 2 * 68 + 4), 3u);  // third entry's argument
  PibListEntry out{};
  EXPECT_EQ(pib.getListEntry(PibList::First, 2, out), PibStatus::Ok);
  EXPECT_EQ(out, listEntry(0x20000, 3));
  EXPECT_EQ(pib.getListEntry(PibList::Second, 0, out), PibStatus::BadValue);
  EXPECT_EQ(pib.reseal(image), PibStatus::Ok);

  std::vector<PibListEntry> four(4, listEntry(8, 0));
  EXPECT_EQ(pib.replaceList(PibList::Second, four), PibStatus::BadValue);
  EXPECT_EQ(pib.replaceList(PibList::Second, std::span(four).first(2)), PibStatus::Ok);
  EXPECT_EQ(image[11348], 2);
  EXPECT_EQ(pib.clearList(PibList::First), PibStatus::Ok);
  EXPECT_EQ(image[11142], 0);
  EXPECT_EQ(pib.reseal(image), PibStatus::Ok);
}

// The status of each call, in order, against the one they all should give.
void expectAll(PibStatus expected, std::initializer_list<PibStatus> got) {
  int i = 0;
  for (PibStatus s : got) EXPECT_EQ(s, expected) << "call " << i++;
}

TEST_F(ParameterBlockTest, SettersKeepTheirValueRulesAndWriteTheirOffsets) {
  PibModeParameters words{};
  for (std::size_t i = 0; i < words.size(); ++i) words[i] = 100 + i;
  // The last LED call names a fourth LED; there are three.
  expectAll(PibStatus::BadValue,
            {pib.setModeWord(1), pib.setIntervalField(4999), pib.setTimeToLive(2, 9999),
             pib.setTimeToLive(4, 20000), pib.setDefaultCap(PibTraffic::IgmpManagedStream, 4),
             pib.setHfid(PibHfid::User, std::string(64, 'x')), pib.setLedSetting(0, 0, 40),
             pib.setLedSetting(0, 1, 41), pib.setLedSetting(3, 0, 7)});
  expectAll(PibStatus::Ok,
            {pib.setModeWord(8192), pib.setIntervalField(5000), pib.setModeParameters(words),
             pib.setTimeToLive(2, 65000000), pib.setDefaultCap(PibTraffic::IgmpManagedStream, 0),
             pib.setPriorityMap(0, 0x1B), pib.setTosSwitch(false), pib.setQosFlag(1),
             pib.setLedSetting(1, 2, 40), pib.setHardwareMarker(0xC0),
             pib.setHfid(PibHfid::User, "Den")});
  const Write written[] = {{10888, 2, 8192}, {11350, 4, 5000},    {10890, 4, 100},
                           {10934, 4, 111},  {536, 4, 65000000},  {527, 1, 0},
                           {548, 1, 0x1B},   {545, 1, 0},         {8021, 1, 1},
                           {9422, 1, 40},    {116, 4, 0x006E6544}};
  for (const Write& w : written) EXPECT_EQ(getU32(image, w.at, w.width), w.value) << w.at;
}

}  // namespace
}  // namespace strandline
