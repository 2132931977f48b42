#include "sim/firmware_image.h"

#include "sim/checksum.h"

namespace strandline::sim {

namespace {

void appendBlock(Bytes& out, const Bytes& image, std::uint32_t loadAddress, bool last) {
  std::size_t headerAt = out.size();
  std::size_t next = last ? 0 : headerAt + kNvmHeaderLength + image.size();
  Bytes header(kNvmHeaderLength, 0);
  ByteWriter w(header);
  w.u32le(kNvmHeaderVersion);
  w.u32le(0);
  w.u32le(loadAddress);
  w.u32le(static_cast<std::uint32_t>(image.size()));
  w.u32le(checksum32(image));
  w.u32le(loadAddress);  // entry point: the first byte of the image
  w.zeros(12);
  w.u32le(static_cast<std::uint32_t>(next));
  w.u32le(0);
  // Word 10 makes the header check to zero.
  w.seek(40);
  w.u32le(checksum32(ByteView(header).first(40)));
  out.insert(out.end(), header.begin(), header.end());
  out.insert(out.end(), image.begin(), image.end());
}

bool readHeader(ByteView image, std::size_t at, NvmHeader& h, std::uint32_t& version) {
  ByteReader r(image, at);
  version = r.u32le();
  r.skip(4);
  h.offset = at;
  h.loadAddress = r.u32le();
  h.length = r.u32le();
  h.checksum = r.u32le();
  h.entryPoint = r.u32le();
  r.skip(12);
  h.next = r.u32le();
  r.skip(4);
  return r.ok();
}

}  // namespace

Bytes buildFirmwareImage(const std::string& versionText) {
  Bytes loader(512);
  for (std::size_t i = 0; i < loader.size(); ++i) loader[i] = static_cast<std::uint8_t>(i * 7 + 3);
  Bytes firmware(3000, 0);
  for (std::size_t i = 64; i < firmware.size(); ++i)
    firmware[i] = static_cast<std::uint8_t>(i * 13 + 1);
  ByteWriter w(firmware);
  w.text(versionText, 64);
  Bytes out;
  appendBlock(out, loader, 0x00000000, false);
  appendBlock(out, firmware, 0x01000000, true);
  return out;
}

ImageCheck checkFirmwareImage(ByteView image, NvmHeader* last) {
  std::size_t at = 0;
  for (int blocks = 0; blocks < 64; ++blocks) {
    NvmHeader h;
    std::uint32_t version = 0;
    if (!readHeader(image, at, h, version)) return ImageCheck::HeaderOutside;
    if (version != kNvmHeaderVersion) return ImageCheck::BadHeaderVersion;
    if (checksum32(image.subspan(at, kNvmHeaderLength)) != 0) return ImageCheck::BadHeaderChecksum;
    std::size_t dataAt = at + kNvmHeaderLength;
    if (h.length > image.size() - dataAt) return ImageCheck::BadImageChecksum;
    if (checksum32(image.subspan(dataAt, h.length), h.checksum) != 0)
      return ImageCheck::BadImageChecksum;
    if (h.next == 0) {
      if (last) *last = h;
      return ImageCheck::Ok;
    }
    at = h.next;
  }
  return ImageCheck::HeaderOutside;  // a chain that loops
}

std::optional<std::string> firmwareVersionOf(ByteView image) {
  NvmHeader last;
  if (checkFirmwareImage(image, &last) != ImageCheck::Ok) return std::nullopt;
  ByteReader r(image, last.offset + kNvmHeaderLength);
  std::string text = r.text(std::min<std::size_t>(64, last.length));
  if (text.empty()) return std::nullopt;
  for (char c : text)
    if (c < 0x20 || c > 0x7E) return std::nullopt;
  return text;
}

}  // namespace strandline::sim
