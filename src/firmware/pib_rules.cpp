#include "firmware/pib_rules.h"

#include <cstddef>
#include <cstdint>

namespace strandline {

namespace {

// Little-endian fields read by their offset in the image, confined to one
// section. A read outside the section fails and makes ok() false, so a rule
// that ends with `&& f.ok()` fails too.
class FieldReader {
 public:
  FieldReader(ByteView data, std::size_t offset, std::size_t size) : begin_(offset) {
    if (offset <= data.size() && size <= data.size() - offset)
      section_ = data.subspan(offset, size);
    else
      ok_ = false;
  }
  explicit FieldReader(ByteView entry) : section_(entry), begin_(0) {}

  bool ok() const { return ok_; }

  std::uint8_t u8(std::size_t at) {
    return static_cast<std::uint8_t>(read(at, [](ByteReader& r) { return r.u8(); }));
  }
  std::int8_t s8(std::size_t at) { return static_cast<std::int8_t>(u8(at)); }
  std::uint16_t u16(std::size_t at) {
    return static_cast<std::uint16_t>(read(at, [](ByteReader& r) { return r.u16le(); }));
  }
  std::uint16_t u16be(std::size_t at) {
    return static_cast<std::uint16_t>(read(at, [](ByteReader& r) { return r.u16be(); }));
  }
  std::uint32_t u32(std::size_t at) {
    return read(at, [](ByteReader& r) { return r.u32le(); });
  }
  ByteView view(std::size_t at, std::size_t n) {
    ByteView out;
    read(at, [&](ByteReader& r) {
      out = r.view(n);
      return 0u;
    });
    return out;
  }
  // True when the n bytes at `at` lie inside the section.
  bool fits(std::size_t at, std::size_t n) {
    view(at, n);
    return ok_;
  }
  bool allZero(std::size_t at, std::size_t n) {
    ByteView v = view(at, n);
    for (std::uint8_t b : v)
      if (b != 0) return false;
    return ok_;
  }
  // A NUL-terminated text of at most maxChars characters starting at `at`.
  bool textFits(std::size_t at, std::size_t maxChars) {
    for (std::size_t i = 0; i <= maxChars; ++i) {
      if (u8(at + i) == 0) return ok_;
    }
    return false;
  }

 private:
  template <typename Read>
  std::uint32_t read(std::size_t at, Read readField) {
    if (!ok_ || at < begin_) {
      ok_ = false;
      return 0;
    }
    ByteReader reader(section_, at - begin_);
    std::uint32_t value = readField(reader);
    if (!reader.ok()) {
      ok_ = false;
      return 0;
    }
    return value;
  }

  ByteView section_;
  std::size_t begin_;
  bool ok_ = true;
};

bool inRange(std::uint64_t v, std::uint64_t low, std::uint64_t high) {
  return v >= low && v <= high;
}
bool zeroOrInRange(std::uint64_t v, std::uint64_t low, std::uint64_t high) {
  return v == 0 || inRange(v, low, high);
}

constexpr std::size_t kClassifierLength = 24;
constexpr std::size_t kRuleEntryLength = 28;
constexpr std::size_t kPolicyEntryLength = 100;
// The rule entries fill 560..783 and the policy entries 784..2383.
constexpr std::size_t kMaxRuleEntries = 8;
constexpr std::size_t kMaxPolicyEntries = 16;
static_assert(560 + kMaxRuleEntries * kRuleEntryLength == 784);
static_assert(784 + kMaxPolicyEntries * kPolicyEntryLength == 2384);

std::uint32_t classifierField(ByteView classifier) {
  FieldReader f(classifier);
  return f.u32(0);
}

// Device identity and local configuration.
bool identityRules(ByteView image) {
  FieldReader f(image, 12, 256);
  if ((f.u8(12) & 0x01) != 0) return false;  // group address
  if (f.u8(244) >= 4 || f.u8(245) >= 3 || f.u8(246) >= 3) return false;
  std::uint8_t security = f.u8(254);
  if (((security >> 4) & 3) >= 2 || security >= 64) return false;
  if (f.u8(256) == 1 && f.u8(257) >= 2) return false;
  return f.ok();
}

bool config268Rules(ByteView image) {
  FieldReader f(image, 268, 128);
  if (f.u8(268) != 1) return f.ok();
  std::uint8_t first = f.u8(269);
  if (first == 0 || first == 255 || (f.u8(270) & 0x01)) return false;
  std::size_t count = f.u8(277);
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t entry = 278 + 7 * i;
    if (!f.fits(entry, 7)) return false;
    std::uint8_t b = f.u8(entry);
    if (b == 0 || b == 255 || (f.u8(entry + 1) & 0x01)) return false;
  }
  return f.ok();
}

bool qosRules(ByteView image) {
  FieldReader f(image, 524, 2048);
  for (std::size_t at = 524; at < 528; ++at)
    if (f.u8(at) >= 4) return false;
  for (std::size_t at = 528; at <= 540; at += 4)
    if (!inRange(f.u32(at), 10000, 65000000)) return false;
  std::uint32_t rules = f.u32(552);
  std::uint32_t policies = f.u32(556);
  if (rules > kMaxRuleEntries || policies > kMaxPolicyEntries) return false;
  for (std::size_t i = 0; i < rules; ++i)
    if (!pibRuleEntryValid(f.view(560 + kRuleEntryLength * i, kRuleEntryLength))) return false;
  for (std::size_t i = 0; i < policies; ++i)
    if (!pibPolicyEntryValid(f.view(784 + kPolicyEntryLength * i, kPolicyEntryLength)))
      return false;
  return f.u8(2384) < 9 && f.ok();
}

bool tableBlockRules(ByteView image) {
  FieldReader f(image, 2572, 5120);
  return f.u32(2572) <= 17 && f.ok();
}

bool config7692Rules(ByteView image) {
  FieldReader f(image, 7692, 128);
  if (f.u32(7716) == 1 && !inRange(f.u32(7720), 2, 1440)) return false;
  return f.ok();
}

bool config7820Rules(ByteView image) {
  FieldReader f(image, 7820, 44);
  if (!inRange(f.u32(7824), 20, 180)) return false;
  if (f.u8(7828) == 1 && f.u8(7830) < f.u8(7829)) return false;
  return f.ok();
}

bool config7864Rules(ByteView image) {
  FieldReader f(image, 7864, 128);
  if (f.u32(7962) == 1 && !inRange(f.u32(7966), 100, 1000)) return false;
  return f.ok();
}

bool config7992Rules(ByteView image) {
  FieldReader f(image, 7992, 64);
  if (f.u32(7992) >= 13) return false;
  if (!zeroOrInRange(f.u32(8000), 0x10000, 0x1000000)) return false;
  if (!zeroOrInRange(f.u32(8004), 0x10000, 0x1000000)) return false;
  if (f.u32(8008) >= 16) return false;
  std::uint8_t band = f.u8(8012);
  if (band >= 4) return false;
  if (band == 1) {
    if (!inRange(f.u32(8013), 1227, 5016)) return false;
    std::uint32_t step = f.u32(8017);
    if (step >= 25 || (step >= 8 && step % 2 != 0)) return false;
  }
  if (f.u8(8046) == 1 && f.u8(8047) >= 7) return false;
  if (f.u8(8021) == 1) {
    unsigned shares = 0u + f.u8(8022) + f.u8(8023) + f.u8(8024) + f.u8(8025);
    if (shares > 100 || f.u8(8048) > 100 || f.u8(8049) > 100) return false;
  }
  if ((f.u8(8026) & 0x0F) != 0) {
    if (!inRange(f.u8(8027), 1, 100)) return false;
    if (!inRange(f.u32(8030), 1000, 14400000)) return false;
    if (!inRange(f.u32(8034), 500, 14400000)) return false;
    if (!inRange(f.u32(8038), 1000, 14400000)) return false;
  }
  return f.ok();
}

bool config8072Rules(ByteView image) {
  FieldReader f(image, 8072, 64);
  if (!inRange(f.u32(8080), 300000, 2000000)) return false;
  std::uint16_t switches = f.u16(8084);
  auto on = [&](int bit) { return (switches >> bit) & 1; };
  if (on(3) && (f.u32(8086) == 0 || f.u32(8090) == 0)) return false;
  if (on(4) && f.u32(8094) == 0) return false;
  if (on(5) && (f.u32(8098) == 0 || f.u32(8102) == 0)) return false;
  if (on(6)) {
    for (std::size_t at = 8106; at < 8114; at += 2) {
      std::uint16_t word = f.u16(at);
      for (int shift = 0; shift <= 9; shift += 3)
        if (((word >> shift) & 7) >= 6) return false;
    }
  }
  if (on(7)) {
    unsigned a = f.u8(8123), b = f.u8(8124);
    if (a > 100 || b > 100 || a + b > 100) return false;
  }
  if (on(8) && (f.u8(8118) == 0 || f.u8(8119) == 0 || f.u8(8120) == 0)) return false;
  return f.ok();
}

bool config8136Rules(ByteView image) {
  FieldReader f(image, 8136, 64);
  std::uint8_t mode = f.u8(8136);
  if (mode >= 3) return false;
  if (mode == 0) {
    for (std::size_t at = 8137; at <= 8140; ++at)
      if (f.u8(at) == 1) return false;
    if (!f.allZero(8141, 16)) return false;
  }
  if (mode == 1 && (f.u8(8137) == 0 || f.u8(8138) == 0 || f.u8(8139) == 0)) return false;
  if (f.u8(8157) >= 66) return false;
  if (f.u8(8158) == 1 && (!inRange(f.u16(8159), 4, 1440) || !inRange(f.u16(8161), 4, 1440)))
    return false;
  return f.u32(8163) < 4 && f.ok();
}

// Two 16-bit times at `at` and `at` + 2, each from 100 to 15000.
bool timerPair(FieldReader& f, std::size_t at) {
  return inRange(f.u16(at), 100, 15000) && inRange(f.u16(at + 2), 100, 15000);
}

bool hardwareGroupRules(FieldReader& f) {
  if (f.u8(10029) != 0) {
    if (!timerPair(f, 10023) || !inRange(f.u16(10027), 20000, 60000)) return false;
    if (!zeroOrInRange(f.u32(10031), 20000, 180000)) return false;
    if (!zeroOrInRange(f.u32(10035), 20000, 180000)) return false;
    if (!zeroOrInRange(f.u16(10039), 20000, 60000)) return false;
    if (!zeroOrInRange(f.u16(10041), 20000, 60000)) return false;
  }
  if (f.u8(10055) != 0 && !timerPair(f, 10051)) return false;
  if (f.u8(10077) != 0 && !timerPair(f, 10073)) return false;
  if (f.u8(10099) != 0 && (!timerPair(f, 10095) || f.u8(10101) > 1)) return false;
  if (f.u8(10128) != 0) {
    if (!timerPair(f, 10124) || f.u8(10130) > 1) return false;
    if (f.u8(10137) > 7 || f.u8(10138) > 2) return false;
  }
  return f.ok();
}

bool hardwareRules(ByteView image) {
  FieldReader f(image, 8200, 2048);
  if (f.u8(pib::kOffsetHardwareMarker) != pib::kHardwareMarker) return f.ok();
  std::size_t pins = f.u8(8205);
  if (pins > 40) return false;
  for (std::size_t i = 0; i < pins; ++i)
    if (f.u8(8206 + 30 * i) >= 40 || f.u8(8207 + 30 * i) >= 7) return false;
  std::size_t leds = f.u8(pib::kOffsetLedCount);
  if (leds > pib::kMaxLedEntries) return false;
  for (std::size_t i = 0; i < leds; ++i) {
    std::size_t e = pib::kOffsetLedTable + pib::kLedEntryLength * i;
    if (f.u8(e) >= 34 || f.u8(e + 1) >= 34) return false;
    if (f.u8(e + 2) > 39 || f.u8(e + 3) > 40 || f.u8(e + 4) > 40) return false;
  }
  for (std::size_t at = 9957; at <= 9960; ++at)
    if (f.u8(at) > 12) return false;
  for (std::size_t at = 9961; at <= 9965; at += 2)
    if (f.u16(at) > 4095) return false;
  std::uint8_t low = f.u8(9981), high = f.u8(9982);
  if (low > 150 || high > 150 || low >= high || f.u8(9985) > 150) return false;
  if (!inRange(f.u8(9987), 20, 60) || !inRange(f.u8(9988), 5, 20) || !inRange(f.u8(9989), 5, 10))
    return false;
  std::uint32_t start = f.u32(9992), end = f.u32(9996);
  bool bothZero = start == 0 && end == 0;
  if (!bothZero && (start == 0 || end == 0 || start >= end)) return false;
  return hardwareGroupRules(f);
}

bool config10248Rules(ByteView image) {
  FieldReader f(image, 10248, 640);
  std::size_t slots = f.u8(10248);
  if (!inRange(slots, 1, 32)) return false;
  for (std::size_t i = 0; i < slots; ++i)
    if (f.u8(10252 + 5 * i) >= 33 || f.u8(10253 + 5 * i) >= 2) return false;
  std::uint8_t profile = f.u8(10409);
  if (profile > 3) return false;
  if (profile == 0 && (!f.allZero(10410, 16) || f.u8(10820) == 1)) return false;
  if (f.u8(10426) == 1) {
    std::size_t records = f.u8(10435);
    if (records == 0) return false;
    std::uint32_t wantA = f.u32(10427), wantB = f.u32(10431);
    bool found = wantA == 0 && wantB == 0;
    for (std::size_t j = 0; j < records; ++j) {
      std::size_t r = 10436 + 24 * j;
      if (!f.fits(r, 24)) return false;
      if (!zeroOrInRange(f.u16(r + 8), 1227, 5016)) return false;
      std::int8_t gain = f.s8(r + 10);
      if (gain < -24 || gain > 2 || f.u8(r + 16) >= 33) return false;
      if (f.u32(r) == wantA && f.u32(r + 4) == wantB) found = true;
    }
    if (!found) return false;
  }
  return f.ok();
}

// Called only when the mode word is not 0.
bool modeParameterRules(FieldReader& f) {
  std::uint16_t mode = f.u16(pib::kOffsetModeWord);
  std::uint32_t period = f.u32(10890);
  // Widened: period * 100 must not wrap before the comparison.
  if (period == 0 || std::uint64_t{period} * 100 <= f.u32(11354)) return false;
  if (mode == 256) return period <= 144000 && f.u8(10898) <= 100 && f.ok();
  if (period != 30 && period != 150) return false;
  if ((mode == 2048 || mode == 32768) && f.u8(10898) != 0 && f.u8(10899) >= 12) return false;
  if (mode == 512 || mode == 8192) {
    std::size_t first = f.u8(10902);
    if (first > 2) return false;
    for (std::size_t i = 0; i < first; ++i)
      if (f.u8(10898 + i) > 11) return false;
    std::size_t second = f.u8(10908);
    if (second > 3) return false;
    for (std::size_t i = 0; i < second; ++i)
      if (f.u8(10903 + i) > 11) return false;
  }
  return f.ok();
}

bool listRules(FieldReader& f, PibList list, std::size_t at, std::size_t countAt) {
  std::size_t count = f.u16(countAt);
  if (count > pib::kMaxListEntries) return false;
  for (std::size_t i = 0; i < count; ++i)
    if (!pibListEntryValid(list, f.view(at + pib::kListEntryLength * i, pib::kListEntryLength)))
      return false;
  return f.ok();
}

// Mode word 0 switches the section off: whatever lies behind it, the two
// lists included, is left unchecked (devices leave stale bytes there).
bool config10888Rules(ByteView image) {
  FieldReader f(image, 10888, 512);
  if (f.u16(pib::kOffsetModeWord) == 0) return f.ok();
  return modeParameterRules(f) &&
         listRules(f, PibList::First, pib::kOffsetListA, pib::kOffsetListACount) &&
         listRules(f, PibList::Second, pib::kOffsetListB, pib::kOffsetListBCount);
}

bool config11400Rules(ByteView image) {
  FieldReader f(image, 11400, 64);
  std::uint8_t enabled = f.u8(11401);
  if (enabled > 1) return false;
  if (enabled == 1 && (!inRange(f.u16(11408), 10, 2000) || !inRange(f.u16(11410), 46, 1500)))
    return false;
  for (std::size_t r : {11420u, 11432u, 11444u}) {
    std::uint8_t bits = f.u8(r + 4), parity = f.u8(r + 5), stop = f.u8(r + 6), flow = f.u8(r + 7);
    if (!inRange(f.u32(r), 300, 921600)) return false;
    if ((bits != 7 && bits != 8) || parity >= 3 || (stop != 1 && stop != 2) || flow > 1)
      return false;
  }
  return f.ok();
}

bool textBlockRules(ByteView image) {
  FieldReader f(image, 11464, 4096);
  for (std::size_t at : {11465u, 11724u, 11981u})
    if (!f.textFits(at, 256)) return false;
  std::uint32_t total = 0u + f.u16(12248) + f.u16(12250) + f.u16(12252);
  return total <= 2560 && f.ok();
}

}  // namespace

bool pibClassifierValid(ByteView classifier) {
  FieldReader f(classifier);
  std::uint32_t field = f.u32(0);
  std::uint32_t op = f.u32(4);
  std::uint32_t value = f.u32(8);
  std::uint16_t leadingBigEndian = f.u16be(8);
  if (!f.ok() || classifier.size() < kClassifierLength || op >= 2) return false;
  switch (field) {
    case 2:
      return value < 8;
    case 3:
      return leadingBigEndian < 4096;
    case 4:
    case 5:
    case 8:
      return value < 256;
    case 9:
      return inRange(value, 1, 0xFFFFE);
    case 12:
    case 13:
    case 14:
    case 15:
    case 224:
    case 225:
    case 227:
      return value <= 0xFFFF;
    case 226:
      return value <= 0xFFFFFF;
    case 228:
      return op != 1 && value == 0;
    case 229:
      return value == 0;
    default:
      return field <= 15;
  }
}

bool pibClassifierProtocolBound(ByteView classifier) {
  FieldReader f(classifier);
  std::uint32_t field = f.u32(0);
  std::uint16_t leading = f.u16be(8);
  if (!f.ok()) return false;
  return field == 226 || (field == 227 && leading == 0x88E1);
}

// A rule entry is protocol-bound exactly when its action is 5.
bool pibRuleEntryValid(ByteView entry) {
  FieldReader f(entry);
  std::uint32_t action = f.u32(0);
  ByteView classifier = f.view(4, kClassifierLength);
  if (!f.ok() || action >= 16 || !pibClassifierValid(classifier)) return false;
  return pibClassifierProtocolBound(classifier) == (action == 5);
}

namespace {

bool policyKindKnown(std::uint8_t kind) {
  return kind <= 6 || kind == 16 || kind == 32 || kind == 33 || kind == 34;
}

bool policyParametersValid(FieldReader& f, std::uint8_t kind) {
  if (kind == 16) {
    return f.u16(76) == 1 && f.u8(78) < 4 && f.u8(79) < 16 && inRange(f.u16(80), 1, 9000) &&
           inRange(f.u32(82), 10000, 2000000) && f.ok();
  }
  if (kind == 34) return f.u16(76) == 2 && f.ok();
  return f.ok();
}

}  // namespace

// A policy entry of kind 5 is bound to the protocol: all its classifiers bound (mode 1)
// or some of them (mode 0); any other kind has none bound.
bool pibPolicyEntryValid(ByteView entry) {
  FieldReader f(entry);
  std::uint8_t kind = f.u8(0);
  std::uint8_t mode = f.u8(1);
  std::size_t count = f.u16(2);
  if (!f.ok() || entry.size() < kPolicyEntryLength) return false;
  if (!policyKindKnown(kind) || mode >= 3 || count > 3) return false;
  if ((count == 0) != (mode == 2)) return false;
  std::size_t bound = 0;
  for (std::size_t i = 0; i < count; ++i) {
    ByteView classifier = f.view(4 + kClassifierLength * i, kClassifierLength);
    if (!pibClassifierValid(classifier)) return false;
    std::uint32_t field = classifierField(classifier);
    if (kind == 16 && (field == 224 || field == 225)) return false;
    if (kind >= 32 && field >= 9 && field <= 11) return false;
    if (pibClassifierProtocolBound(classifier)) ++bound;
  }
  if (bound > 0 && kind != 5) return false;
  if (count > 0 && bound == count && mode != 1) return false;
  if (bound == 0 && kind == 5) return false;
  if (bound > 0 && bound < count && mode != 0) return false;  // only some bound: mode 0
  return policyParametersValid(f, kind);
}

bool pibListEntryValid(PibList list, ByteView entry) {
  FieldReader f(entry);
  std::uint32_t items = f.u32(60);
  if (!f.ok() || entry.size() < pib::kListEntryLength || items > 3) return false;
  for (std::size_t i = 0; i < items; ++i) {
    std::size_t item = 20 * i;
    switch (f.u32(item)) {
      case 1:
        if (f.u8(item + 4) > 11) return false;
        break;
      case 2:
        if (f.u16(item + 4) == 0) return false;
        break;
      case 4:
      case 8:
      case 16:
      case 32:
      case 64:
        break;
      case 0x20000:
        if (list != PibList::First || f.u32(item + 4) == 0) return false;
        break;
      default:
        return false;
    }
  }
  return f.ok();
}

bool pibContentValid(ByteView image) {
  if (image.size() < pib::kImageLength) return false;
  using Rule = bool (*)(ByteView);
  static constexpr Rule kRules[] = {
      identityRules,   config268Rules,   qosRules,         tableBlockRules,  config7692Rules,
      config7820Rules, config7864Rules,  config7992Rules,  config8072Rules,  config8136Rules,
      hardwareRules,   config10248Rules, config10888Rules, config11400Rules, textBlockRules,
  };
  for (Rule rule : kRules)
    if (!rule(image)) return false;
  return true;
}

}  // namespace strandline
