#include "sim/keys.h"

#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <memory>
#include <stdexcept>

#include "base/bytes.h"

namespace strandline::sim {

namespace {

constexpr std::uint8_t kAvNetworkSalt[8] = {0x08, 0x85, 0x6D, 0xAF, 0x7C, 0xF5, 0x81, 0x86};
constexpr std::uint8_t kDeviceSalt[8] = {0x08, 0x85, 0x6D, 0xAF, 0x7C, 0xF5, 0x81, 0x85};
constexpr std::size_t kMaxTextBytes = 64;
constexpr int kKeyDigests = 1000;
constexpr int kNidDigests = 5;

// The digests of one derivation: the first over the text and the salt (when
// one is given), each further one over the digest before it.
class DigestChain {
 public:
  // The digest is fetched once for the chain, not again for each of its digests.
  explicit DigestChain(const char* digestName)
      : md_(EVP_MD_fetch(nullptr, digestName, nullptr), EVP_MD_free),
        ctx_(EVP_MD_CTX_new(), EVP_MD_CTX_free) {
    if (!md_ || !ctx_) throw std::runtime_error("digest unavailable");
  }

  ByteView run(ByteView text, const std::uint8_t* salt, int count) {
    digest(text, salt);
    for (int i = 1; i < count; ++i) digest(ByteView(out_.data(), length_), nullptr);
    return {out_.data(), length_};
  }

 private:
  void digest(ByteView data, const std::uint8_t* salt) {
    // `data` may point into out_: the final call writes out_ only after both updates.
    unsigned written = 0;
    bool ok = EVP_DigestInit_ex(ctx_.get(), md_.get(), nullptr) == 1 &&
              EVP_DigestUpdate(ctx_.get(), data.data(), data.size()) == 1 &&
              (!salt || EVP_DigestUpdate(ctx_.get(), salt, 8) == 1) &&
              EVP_DigestFinal_ex(ctx_.get(), out_.data(), &written) == 1;
    if (!ok) throw std::runtime_error("digest failed");
    length_ = written;
  }

  std::unique_ptr<EVP_MD, decltype(&EVP_MD_free)> md_;
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx_;
  std::array<std::uint8_t, EVP_MAX_MD_SIZE> out_{};
  std::size_t length_ = 0;
};

ByteView textBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), std::min(text.size(), kMaxTextBytes)};
}

Key16 pbkdf1(const char* digestName, std::string_view text, const std::uint8_t* salt,
             std::size_t keyLength) {
  DigestChain chain(digestName);
  ByteView d = chain.run(textBytes(text), salt, kKeyDigests);
  Key16 key{};
  std::copy_n(d.begin(), keyLength, key.begin());
  return key;
}

}  // namespace

Key16 avNetworkKey(std::string_view networkName) {
  return pbkdf1("SHA2-256", networkName, kAvNetworkSalt, 16);
}

Key16 avDeviceKey(std::string_view devicePassword) {
  return pbkdf1("SHA2-256", devicePassword, kDeviceSalt, 16);
}

Key16 hp10Key(std::string_view text) {
  Key16 key = pbkdf1("MD5", text, kDeviceSalt, 8);
  for (std::size_t i = 0; i < 8; ++i) {
    // Bit 0 makes the count of one bits in the byte odd.
    bool oddAbove = __builtin_popcount(key[i] >> 1) % 2 == 1;
    key[i] = static_cast<std::uint8_t>((key[i] & 0xFE) | (oddAbove ? 0 : 1));
  }
  return key;
}

Nid avNid(const Key16& nmk, std::uint8_t securityLevel) {
  DigestChain chain("SHA2-256");
  ByteView d = chain.run(ByteView(nmk.data(), nmk.size()), nullptr, kNidDigests);
  Nid nid{};
  std::copy_n(d.begin(), 6, nid.begin());
  nid[6] = static_cast<std::uint8_t>((d[6] >> 4) | ((securityLevel & 3) << 4));
  return nid;
}

}  // namespace strandline::sim
