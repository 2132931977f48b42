#include "base/keys.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace strandline {

namespace {

// PBKDF1: D1 = H(text | salt), Di = H(Di-1), `rounds` digests in all.
std::array<std::uint8_t, EVP_MAX_MD_SIZE> pbkdf1(const char* digestName, const std::string& text,
                                                 const std::uint8_t* salt, int rounds,
                                                 unsigned& digestLength) {
  std::array<std::uint8_t, EVP_MAX_MD_SIZE> digest{};
  EVP_MD* md = EVP_MD_fetch(nullptr, digestName, nullptr);
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  if (!md || !ctx) throw std::runtime_error("digest unavailable");
  std::size_t textLength = std::min<std::size_t>(text.size(), 64);
  EVP_DigestInit_ex(ctx, md, nullptr);
  EVP_DigestUpdate(ctx, text.data(), textLength);
  if (salt) EVP_DigestUpdate(ctx, salt, 8);
  EVP_DigestFinal_ex(ctx, digest.data(), &digestLength);
  for (int i = 1; i < rounds; ++i) {
    EVP_DigestInit_ex(ctx, md, nullptr);
    EVP_DigestUpdate(ctx, digest.data(), digestLength);
    EVP_DigestFinal_ex(ctx, digest.data(), &digestLength);
  }
  EVP_MD_CTX_free(ctx);
  EVP_MD_free(md);
  return digest;
}

Key16 first16(const std::array<std::uint8_t, EVP_MAX_MD_SIZE>& digest) {
  Key16 key{};
  std::memcpy(key.data(), digest.data(), key.size());
  return key;
}

// Odd parity over the byte: bit 0 is chosen from the one bits in bits 1..7.
std::uint8_t oddParity(std::uint8_t b) {
  int ones = __builtin_popcount(b & 0xFE);
  return static_cast<std::uint8_t>((ones & 1) ? (b & 0xFE) : (b | 0x01));
}

}  // namespace

Key16 deriveNetworkKey(const std::string& networkName) {
  unsigned length = 0;
  return first16(pbkdf1("SHA2-256", networkName, kNmkSalt, 1000, length));
}

Key16 deriveDeviceKey(const std::string& devicePassword) {
  unsigned length = 0;
  return first16(pbkdf1("SHA2-256", devicePassword, kDakSalt, 1000, length));
}

Key16 deriveHp10Key(const std::string& text) {
  unsigned length = 0;
  Key16 key = first16(pbkdf1("MD5", text, kHp10Salt, 1000, length));
  for (int i = 0; i < 8; ++i) key[i] = oddParity(key[i]);
  return key;
}

Nid deriveNid(const Key16& nmk, std::uint8_t securityLevel) {
  unsigned length = 0;
  std::string text(reinterpret_cast<const char*>(nmk.data()), nmk.size());
  auto digest = pbkdf1("SHA2-256", text, nullptr, 5, length);
  Nid nid{};
  std::memcpy(nid.data(), digest.data(), 6);
  nid[6] = static_cast<std::uint8_t>((digest[6] >> 4) | ((securityLevel & 3) << 4));
  return nid;
}

Key16 makeRandomKey(bool avMode, bool kestrelMode, std::time_t now) {
  Key16 defaultKey =
      avMode ? deriveNetworkKey(kDefaultAvNetworkName) : deriveHp10Key(kDefaultHp10NetworkName);
  std::size_t width = (!avMode && kestrelMode) ? 8 : 16;
  KeyRandom random;
  random.seed(static_cast<std::uint32_t>(now));
  Key16 key{};
  do {
    key.fill(0);
    for (std::size_t i = 0; i < width; ++i) key[i] = random.nextByte();
  } while (std::memcmp(key.data(), defaultKey.data(), 8) == 0);
  return key;
}

}  // namespace strandline
