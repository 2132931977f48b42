#include "firmware/boost_files.h"

#include <algorithm>

#include "base/checksum.h"

namespace strandline {

BoostConfig boostConfigFrom(ByteView file) {
  BoostConfig config;
  config.fileLength = std::min(file.size(), kBoostConfigReadLength);
  std::copy_n(file.begin(), config.fileLength, config.bytes.begin());
  return config;
}

std::vector<BoostSection> boostWriteSections(const BoostConfig& config) {
  std::vector<BoostSection> sections{kBoostIdentitySection, kBoostParameterSection};
  if (config.fileLength == kBoostConfigFullLength) sections.push_back(kBoostOptionSection);
  return sections;
}

std::vector<BoostSection> boostVerifySections(std::uint32_t writtenFlags) {
  std::vector<BoostSection> sections;
  for (const BoostSection& s : {kBoostIdentitySection, kBoostOptionSection, kBoostParameterSection})
    if (writtenFlags & s.module) sections.push_back(s);
  return sections;
}

std::uint32_t boostConfigFlags(const BoostConfig& config) {
  std::uint32_t flags = 0;
  for (const BoostSection& s : boostWriteSections(config)) flags |= s.module;
  return flags;
}

std::uint32_t moduleChecksum(ByteView data) {
  std::size_t whole = data.size() & ~std::size_t{3};
  std::uint32_t checksum = checksum32(data.first(whole));
  if (whole == data.size()) return checksum;
  std::array<std::uint8_t, 4> tail{};
  std::copy(data.begin() + static_cast<std::ptrdiff_t>(whole), data.end(), tail.begin());
  return checksum32(tail, ~checksum);
}

std::vector<BoostChunk> boostImageChunks(std::size_t imageLength) {
  std::vector<BoostChunk> chunks;
  for (std::size_t at = 0; at < imageLength; at += kBoostImageChunk)
    chunks.push_back({at, std::min(kBoostImageChunk, imageLength - at)});
  return chunks;
}

}  // namespace strandline
