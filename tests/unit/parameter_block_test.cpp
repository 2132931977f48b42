#include "firmware/parameter_block.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/checksum.h"
#include "firmware/pib_rules.h"

namespace strandline {
namespace {

struct Write {
  std::size_t at;
  int width;  // 1, 2 or 4 bytes, little-endian
  std::uint32_t value;
};

void put(Bytes& image, const Write& w) {
  for (int i = 0; i < w.width; ++i) image[w.at + i] = static_cast<std::uint8_t>(w.value >> (8 * i));
}

std::uint32_t get32(const Bytes& image, std::size_t at) {
  ByteReader r(image, at);
  return r.u32le();
}

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
  EXPECT_EQ(image[0], 4);
  EXPECT_EQ(image[1], 4);
  EXPECT_EQ(image[4] | image[5] << 8, 15560);
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
  // QoS defaults at their fixed offsets.
  EXPECT_EQ(Bytes(image.begin() + 524, image.begin() + 528), (Bytes{1, 1, 3, 2}));
  EXPECT_EQ(get32(image, 528), 2000000u);
  EXPECT_EQ(get32(image, 540), 300000u);
  EXPECT_EQ(Bytes(image.begin() + 544, image.begin() + 552),
            (Bytes{1, 1, 0, 0, 0x41, 0xFA, 0x41, 0xFA}));
  EXPECT_EQ(image[8200], 0xC0);
}

TEST(ParameterBlock, AttachReportsEachKindOfBadImage) {
  Bytes good(pib::kImageLength);
  ParameterBlockImage pib;
  ASSERT_EQ(pib.buildDefault(good), PibStatus::Ok);

  EXPECT_EQ(pib.attach({}), PibStatus::NoImage);
  Bytes tiny(good.begin(), good.begin() + 5);
  EXPECT_EQ(pib.attach(tiny), PibStatus::BadLength);

  Bytes v43 = good;
  v43[1] = 3;
  v43[4] = 0xFF;  // any length: nothing past the version is checked
  EXPECT_EQ(pib.attach(v43), PibStatus::VersionMismatch);
  EXPECT_FALSE(pib.valid());

  Bytes shortLength = good;
  put(shortLength, {4, 2, 15559});
  EXPECT_EQ(pib.attach(shortLength), PibStatus::BadLength);

  // The length field is right but the buffer holds less than it claims.
  Bytes truncated(good.begin(), good.begin() + 15000);
  EXPECT_EQ(pib.attach(truncated), PibStatus::BadLength);

  Bytes invalid = good;
  invalid[524] = 7;
  EXPECT_EQ(pib.attach(invalid), PibStatus::ContentInvalid);
  EXPECT_FALSE(pib.valid());

  // A larger buffer holding a good image is fine.
  Bytes roomy = good;
  roomy.resize(16384, 0xEE);
  EXPECT_EQ(pib.attach(roomy), PibStatus::Ok);
}

TEST_F(ParameterBlockTest, ResealMakesAChangedImageVerifyAgain) {
  image[545] = 0;
  EXPECT_FALSE(pibVerifies(image));
  EXPECT_EQ(pib.reseal(image), PibStatus::Ok);
  EXPECT_TRUE(pibVerifies(image));
  // The checksum is the complement of the XOR of the other words.
  std::uint32_t stored = get32(image, 8);
  put(image, {8, 4, 0});
  EXPECT_EQ(stored, checksum32(image));
}

TEST_F(ParameterBlockTest, ResealOfOtherVersionsAndOversizedLengths) {
  Bytes v43 = image;
  v43[1] = 3;
  EXPECT_EQ(pib.reseal(v43), PibStatus::VersionMismatch);
  EXPECT_TRUE(pibVerifies(v43));

  // Version 4.4 with a wrong length: returned by attach, checksum untouched.
  Bytes long44 = image;
  long44.resize(16388);
  put(long44, {4, 2, 16388});
  std::uint32_t before = get32(long44, 8);
  EXPECT_EQ(pib.reseal(long44), PibStatus::BadLength);
  EXPECT_EQ(get32(long44, 8), before);

  // Another version with a length over 16384: checksum field cleared.
  Bytes long43 = long44;
  long43[1] = 3;
  EXPECT_EQ(pib.reseal(long43), PibStatus::BadLength);
  EXPECT_EQ(get32(long43, 8), 0u);

  // A length field that claims more than the buffer holds is never summed.
  Bytes short43(v43.begin(), v43.begin() + 4000);
  EXPECT_EQ(pib.reseal(short43), PibStatus::BadLength);
  EXPECT_EQ(get32(short43, 8), 0u);
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
  const MacAddress mac{0x00, 0xB0, 0x52, 0x12, 0x34, 0x56};
  struct Case {
    std::uint8_t major, minor;
    PibStatus expected;
  };
  for (Case c :
       {Case{1, 3, PibStatus::VersionUnsupported}, Case{0, 9, PibStatus::VersionUnsupported},
        Case{1, 4, PibStatus::Ok}, Case{3, 2, PibStatus::Ok}}) {
    Bytes other = image;
    other[0] = c.major;
    other[1] = c.minor;
    ASSERT_EQ(pib.attach(other), PibStatus::VersionMismatch);
    EXPECT_EQ(pib.getNmk(nmk), c.expected) << int(c.major) << "." << int(c.minor);
    EXPECT_EQ(pib.setMac(mac), c.expected) << int(c.major) << "." << int(c.minor);
    // The fully guarded accessors refuse every version but 4.4.
    MacAddress out{};
    EXPECT_EQ(pib.getMac(out), PibStatus::VersionUnsupported);
  }
}

TEST_F(ParameterBlockTest, MacSetterRefusesGroupAndReservedAddresses) {
  const MacAddress refused[] = {{0x01, 0, 0, 0, 0, 0},
                                {0x00, 0xB0, 0x52, 0x00, 0x00, 0x01},
                                {0x00, 0xB0, 0x52, 0x00, 0x00, 0x02},
                                {0x00, 0xB0, 0x52, 0x00, 0x00, 0x03},
                                {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
  Bytes before = image;
  for (const MacAddress& mac : refused) EXPECT_EQ(pib.setMac(mac), PibStatus::BadValue);
  EXPECT_EQ(image, before);
  const MacAddress mac{0x00, 0xB0, 0x52, 0x12, 0x34, 0x56};
  EXPECT_EQ(pib.setMac(mac), PibStatus::Ok);
  EXPECT_EQ(Bytes(image.begin() + 12, image.begin() + 18), Bytes(mac.begin(), mac.end()));
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
  EXPECT_EQ(get32(image, 7820), 0u);
  EXPECT_EQ(get32(image, 7824), 60u);  // the rest of that block stays
  std::uint8_t level = 0;
  ASSERT_EQ(pib.getSecurityLevel(level), PibStatus::Ok);
  EXPECT_EQ(level, 1);
  // Same key, other security level: the NID changes, so it is written.
  EXPECT_EQ(pib.setNmk(key, 0), PibStatus::Ok);
  EXPECT_EQ(pib.reseal(image), PibStatus::Ok);
}

// One representative rule of each section: the "good" value passes, the "bad"
// one gives ContentInvalid. `setup` holds writes that enable the rule.
struct RuleCase {
  const char* name;
  std::vector<Write> setup;
  Write bad;
  std::uint32_t good;
};

class ContentRuleTest : public ParameterBlockTest,
                        public ::testing::WithParamInterface<RuleCase> {};

TEST_P(ContentRuleTest, OutOfRangeByteIsRefused) {
  const RuleCase& c = GetParam();
  for (const Write& w : c.setup) put(image, w);
  put(image, {c.bad.at, c.bad.width, c.good});
  EXPECT_EQ(reattach(), PibStatus::Ok);
  put(image, c.bad);
  EXPECT_EQ(reattach(), PibStatus::ContentInvalid);
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

INSTANTIATE_TEST_SUITE_P(
    Sections, ContentRuleTest,
    ::testing::Values(
        RuleCase{"identity_244", {}, {244, 1, 4}, 3},
        RuleCase{"identity_security_level", {}, {254, 1, 0x20}, 0x10},
        RuleCase{"identity_group_mac", {}, {12, 1, 0x01}, 0x02},
        RuleCase{"config268_entry", {{268, 1, 1}, {269, 1, 5}, {277, 1, 1}}, {278, 1, 255}, 254},
        RuleCase{"config268_count_past_section", config268Entries(), {277, 1, 17}, 16},
        RuleCase{"qos_default_cap", {}, {526, 1, 4}, 3},
        RuleCase{"qos_ttl_low", {}, {528, 4, 9999}, 10000},
        RuleCase{"qos_ttl_high", {}, {540, 4, 65000001}, 65000000},
        RuleCase{"qos_2384", {}, {2384, 1, 9}, 8},
        RuleCase{"qos_rule_entry_classifier", {{552, 4, 1}, {564, 4, 2}}, {572, 4, 8}, 7},
        RuleCase{
            "qos_rule_entry_bound_needs_action_5", {{552, 4, 1}, {564, 4, 226}}, {560, 4, 0}, 5},
        RuleCase{"qos_rule_entry_count", {}, {552, 4, 9}, 8},
        RuleCase{"qos_policy_entry_kind", {{556, 4, 1}, {785, 1, 2}}, {784, 1, 7}, 6},
        RuleCase{"qos_policy_entry_count", {}, {556, 4, 0x80000000u}, 0},
        RuleCase{"table_2572", {}, {2572, 4, 18}, 17},
        RuleCase{"config7692", {{7716, 4, 1}}, {7720, 4, 1441}, 1440},
        RuleCase{"config7820", {}, {7824, 4, 19}, 20},
        RuleCase{"config7864", {{7962, 4, 1}}, {7966, 4, 99}, 100},
        RuleCase{"config7992_shares",
                 {{8021, 1, 1}, {8022, 1, 30}, {8023, 1, 30}, {8024, 1, 30}},
                 {8025, 1, 11},
                 10},
        RuleCase{"config7992_odd_step", {{8012, 1, 1}, {8013, 4, 1227}}, {8017, 4, 9}, 10},
        RuleCase{"config8072", {}, {8080, 4, 299999}, 300000},
        RuleCase{"config8072_bit7", {{8084, 2, 0x80}, {8123, 1, 60}}, {8124, 1, 41}, 40},
        RuleCase{"config8136", {}, {8157, 1, 66}, 65},
        RuleCase{"hardware_led_byte2", {}, {9409, 1, 40}, 39},
        RuleCase{"hardware_led_byte4", {}, {9411, 1, 41}, 40},
        RuleCase{"hardware_led_count", {}, {9406, 1, 35}, 34},
        RuleCase{"hardware_9981_below_9982", {}, {9981, 1, 100}, 99},
        RuleCase{"hardware_group_10128",
                 {{10128, 1, 1}, {10124, 2, 100}, {10126, 2, 15000}},
                 {10138, 1, 3},
                 2},
        RuleCase{"config10248_slots", {}, {10248, 1, 33}, 32},
        RuleCase{"config10248_record_gain", {{10426, 1, 1}, {10435, 1, 1}}, {10446, 1, 0xE7}, 0xE8},
        RuleCase{"config10888_mode512", {{10888, 2, 512}, {10890, 4, 30}}, {10902, 1, 3}, 2},
        RuleCase{"config10888_list_item",
                 {{11142, 2, 1}, {10938 + 60, 4, 1}, {10938, 4, 1}},
                 {10942, 1, 12},
                 11},
        RuleCase{"config10888_list_count", {}, {11348, 2, 4}, 3},
        RuleCase{"config11400_data_bits", {}, {11424, 1, 9}, 7},
        RuleCase{"text_lengths", {}, {12252, 2, 2561}, 2560},
        RuleCase{"text_unterminated", longText(), {11721, 1, 'a'}, 0}),
    [](const ::testing::TestParamInfo<RuleCase>& param) { return std::string(param.param.name); });

TEST_F(ParameterBlockTest, HardwareRulesApplyOnlyWithTheMarker) {
  image[9409] = 40;  // LED byte 2 beyond its limit
  image[9987] = 0;
  EXPECT_EQ(reattach(), PibStatus::ContentInvalid);
  image[8200] = 0;
  EXPECT_EQ(reattach(), PibStatus::Ok);
  image[8200] = 0xC0;
  image[9409] = 39;
  image[9987] = 20;
  image[9410] = 40;
  image[9411] = 40;
  EXPECT_EQ(reattach(), PibStatus::Ok);
}

std::array<std::uint8_t, 24> classifier(std::uint32_t field, std::uint32_t op, Bytes value) {
  std::array<std::uint8_t, 24> c{};
  ByteWriter w(c);
  w.u32le(field);
  w.u32le(op);
  w.bytes(value);
  return c;
}

TEST(ParameterBlockRules, ClassifierRule) {
  struct Case {
    std::uint32_t field, op;
    Bytes value;
    bool valid;
  };
  const Case cases[] = {
      {2, 0, {7}, true},
      {2, 0, {8}, false},
      {2, 2, {0}, false},
      {3, 0, {0x0F, 0xFF}, true},
      {3, 0, {0x10, 0x00}, false},
      {9, 0, {0}, false},
      {9, 1, {0xFE, 0xFF, 0x0F}, true},
      {9, 0, {0xFF, 0xFF, 0x0F}, false},
      {12, 0, {0xFF, 0xFF, 0x00}, true},
      {12, 0, {0, 0, 1}, false},
      {226, 0, {0xFF, 0xFF, 0xFF}, true},
      {226, 0, {0, 0, 0, 1}, false},
      {228, 0, {}, true},
      {228, 1, {}, false},
      {229, 0, {1}, false},
      {16, 0, {}, false},
      {230, 0, {}, false},
      {11, 0, {0xFF, 0xFF, 0xFF, 0xFF}, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(pibClassifierValid(classifier(c.field, c.op, c.value)), c.valid)
        << "field " << c.field << " op " << c.op;
  EXPECT_TRUE(pibClassifierProtocolBound(classifier(227, 0, {0x88, 0xE1})));
  EXPECT_FALSE(pibClassifierProtocolBound(classifier(227, 0, {0xE1, 0x88})));
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
  auto bound = classifier(226, 0, {});
  auto plain = classifier(2, 0, {1});
  EXPECT_TRUE(pibPolicyEntryValid(policy(5, 1, {bound, bound})));
  EXPECT_FALSE(pibPolicyEntryValid(policy(5, 0, {bound, bound})));  // all bound: mode 1
  EXPECT_TRUE(pibPolicyEntryValid(policy(5, 0, {bound, plain})));
  EXPECT_FALSE(pibPolicyEntryValid(policy(5, 1, {bound, plain})));  // some bound: mode 0
  EXPECT_FALSE(pibPolicyEntryValid(policy(4, 1, {bound})));         // bound needs kind 5
  EXPECT_FALSE(pibPolicyEntryValid(policy(5, 0, {plain})));         // none bound: not 5
  EXPECT_TRUE(pibPolicyEntryValid(policy(0, 2, {})));
  EXPECT_FALSE(pibPolicyEntryValid(policy(0, 0, {})));  // count 0 only in mode 2
  EXPECT_FALSE(pibPolicyEntryValid(policy(32, 0, {classifier(10, 0, {})})));
  EXPECT_FALSE(pibPolicyEntryValid(policy(16, 0, {classifier(224, 0, {})})));

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
  EXPECT_EQ(get32(image, 10938 + 2 * 68 + 4), 3u);  // third entry's argument
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

TEST_F(ParameterBlockTest, SettersWriteTheirOffsetsAndKeepTheirValueRules) {
  EXPECT_EQ(pib.setModeWord(1), PibStatus::BadValue);
  EXPECT_EQ(pib.setModeWord(8192), PibStatus::Ok);
  EXPECT_EQ(image[10888] | image[10889] << 8, 8192);
  EXPECT_EQ(pib.setIntervalField(4999), PibStatus::BadValue);
  EXPECT_EQ(pib.setIntervalField(5000), PibStatus::Ok);
  EXPECT_EQ(get32(image, 11350), 5000u);
  PibModeParameters words{};
  for (std::size_t i = 0; i < words.size(); ++i) words[i] = 100 + i;
  EXPECT_EQ(pib.setModeParameters(words), PibStatus::Ok);
  EXPECT_EQ(get32(image, 10890), 100u);
  EXPECT_EQ(get32(image, 10934), 111u);

  EXPECT_EQ(pib.setTimeToLive(2, 9999), PibStatus::BadValue);
  EXPECT_EQ(pib.setTimeToLive(4, 20000), PibStatus::BadValue);
  EXPECT_EQ(pib.setTimeToLive(2, 65000000), PibStatus::Ok);
  EXPECT_EQ(get32(image, 536), 65000000u);
  EXPECT_EQ(pib.setDefaultCap(PibTraffic::IgmpManagedStream, 4), PibStatus::BadValue);
  EXPECT_EQ(pib.setDefaultCap(PibTraffic::IgmpManagedStream, 0), PibStatus::Ok);
  EXPECT_EQ(image[527], 0);
  EXPECT_EQ(pib.setPriorityMap(0, 0x1B), PibStatus::Ok);
  EXPECT_EQ(image[548], 0x1B);
  EXPECT_EQ(pib.setTosSwitch(false), PibStatus::Ok);
  EXPECT_EQ(image[545], 0);
  EXPECT_EQ(pib.setQosFlag(1), PibStatus::Ok);
  EXPECT_EQ(image[8021], 1);

  EXPECT_EQ(pib.setLedSetting(0, 0, 40), PibStatus::BadValue);
  EXPECT_EQ(pib.setLedSetting(0, 1, 41), PibStatus::BadValue);
  EXPECT_EQ(pib.setLedSetting(3, 0, 7), PibStatus::BadValue);  // only three LEDs
  EXPECT_EQ(pib.setLedSetting(1, 2, 40), PibStatus::Ok);
  EXPECT_EQ(image[9409 + 11 + 2], 40);
  EXPECT_EQ(pib.setHardwareMarker(0xC0), PibStatus::Ok);
  EXPECT_EQ(pib.setHfid(PibHfid::User, std::string(64, 'x')), PibStatus::BadValue);
  EXPECT_EQ(pib.setHfid(PibHfid::User, "Den"), PibStatus::Ok);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&image[116])), "Den");
}

}  // namespace
}  // namespace strandline
