#include "base/keys.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "base/bytes.h"
#include "sim/keys.h"

namespace strandline {
namespace {

std::string hex(const Key16& key, std::size_t n = 16) {
  return toHex(ByteView(key.data(), n));
}

// One line of tests/data/key_vectors.txt, computed outside this code base.
struct KeyVector {
  std::string inputHex;
  std::string text;
  std::string nmk, dak, hp10Key, nid0, nid1;
};

std::vector<KeyVector> loadKeyVectors() {
  std::ifstream in(STRANDLINE_SOURCE_DIR "/tests/data/key_vectors.txt");
  std::vector<KeyVector> out;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    KeyVector v;
    std::istringstream fields(line);
    fields >> v.inputHex >> v.nmk >> v.dak >> v.hp10Key >> v.nid0 >> v.nid1;
    EXPECT_TRUE(fields) << "malformed line: " << line;
    Bytes input;
    if (v.inputHex != "-") {
      EXPECT_TRUE(parseHex(v.inputHex, input)) << v.inputHex;
    }
    v.text.assign(input.begin(), input.end());
    out.push_back(v);
  }
  return out;
}

struct Derivations {
  std::function<Key16(const std::string&)> networkKey, deviceKey, hp10Key;
  std::function<Nid(const Key16&, std::uint8_t)> nid;
};

void expectVectors(const Derivations& derive) {
  std::vector<KeyVector> vectors = loadKeyVectors();
  ASSERT_GE(vectors.size(), 8u) << "tests/data/key_vectors.txt missing or short";
  // The published key of the default AV network pins the file itself.
  EXPECT_EQ(vectors[0].text, "HomePlugAV");
  EXPECT_EQ(vectors[0].nmk, "50D3E4933F855B7040784DF815AA8DB7");
  for (const KeyVector& v : vectors) {
    SCOPED_TRACE("input " + v.inputHex);
    Key16 nmk = derive.networkKey(v.text);
    EXPECT_EQ(hex(nmk), v.nmk);
    EXPECT_EQ(hex(derive.deviceKey(v.text)), v.dak);
    EXPECT_EQ(hex(derive.hp10Key(v.text), 8), v.hp10Key);
    Nid nid0 = derive.nid(nmk, 0);
    Nid nid1 = derive.nid(nmk, 1);
    EXPECT_EQ(toHex(ByteView(nid0.data(), nid0.size())), v.nid0);
    EXPECT_EQ(toHex(ByteView(nid1.data(), nid1.size())), v.nid1);
  }
}

TEST(KeyVectors, SystemDerivationsMatchTheIndependentVectors) {
  expectVectors({deriveNetworkKey, deriveDeviceKey, deriveHp10Key, deriveNid});
}

TEST(KeyVectors, SimulatorDerivationsMatchTheIndependentVectors) {
  expectVectors({[](const std::string& t) { return sim::avNetworkKey(t); },
                 [](const std::string& t) { return sim::avDeviceKey(t); },
                 [](const std::string& t) {
                   Key16 key = sim::hp10Key(t);
                   for (std::size_t i = 8; i < 16; ++i) EXPECT_EQ(key[i], 0) << "byte " << i;
                   return key;
                 },
                 sim::avNid});
}

TEST(Keys, RandomKeyIsSeededByTimeAndAvoidsTheDefaultKey) {
  Key16 a = makeRandomKey(true, false, 1000);
  Key16 b = makeRandomKey(true, false, 1000);
  Key16 c = makeRandomKey(true, false, 1001);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
  Key16 boost = makeRandomKey(false, true, 1000);
  for (int i = 8; i < 16; ++i) EXPECT_EQ(boost[i], 0);
  Key16 defaultKey = deriveNetworkKey("HomePlugAV");
  for (std::time_t t = 0; t < 200; ++t)
    EXPECT_NE(hex(makeRandomKey(true, false, t), 8), hex(defaultKey, 8));
}

TEST(Keys, GeneratorMatchesTheLinearCongruentialRule) {
  KeyRandom random;
  random.seed(0);
  // state 2531011 -> bits 16..30 = 38 -> low byte 0x26
  EXPECT_EQ(random.nextByte(), 0x26);
  // state = 2531011 * 214013 + 2531011 mod 2^32 = 505908858 -> (>>16)&0x7FFF = 7719 -> 0x27
  EXPECT_EQ(random.nextByte(), 0x27);
}

}  // namespace
}  // namespace strandline
