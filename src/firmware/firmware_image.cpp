#include "firmware/firmware_image.h"

#include <cerrno>
#include <iterator>
#include <map>

#include "base/checksum.h"

namespace strandline {

namespace {

// The byte ranges of the blocks walked so far; a block that overlaps one of
// them would make the walk loop or read one block as two.
class WalkedRegions {
 public:
  // False when [start, end) overlaps a region already added; else adds it.
  bool add(std::size_t start, std::size_t end) {
    auto next = regions_.lower_bound(start);
    if (next != regions_.end() && next->first < end) return false;
    if (next != regions_.begin() && std::prev(next)->second > start) return false;
    regions_.emplace(start, end);
    return true;
  }

 private:
  std::map<std::size_t, std::size_t> regions_;
};

bool imageInside(ByteView file, const NvmBlock& block) {
  return block.header.imageLength <= file.size() - block.imageOffset();
}

std::size_t blockEnd(const NvmBlock& block) {
  return block.imageOffset() + block.header.imageLength;
}

bool imageVerifies(ByteView file, const NvmBlock& block) {
  ByteView image = file.subspan(block.imageOffset(), block.header.imageLength);
  return checksum32(image) == block.header.imageChecksum;
}

std::string Failure(const char* what, const std::string& name, int block) {
  return std::string(what) + ": " + name + " (" + std::to_string(block) + ")";
}

}  // namespace

bool readNvmHeader(ByteView file, std::size_t offset, NvmBlockHeader& out) {
  if (offset > file.size() || file.size() - offset < kNvmHeaderLength) return false;
  ByteReader r(file, offset);
  out.version = r.u32le();
  out.word1 = r.u32le();
  out.loadAddress = r.u32le();
  out.imageLength = r.u32le();
  out.imageChecksum = r.u32le();
  for (std::uint32_t& word : out.words5to8) word = r.u32le();
  out.nextHeader = r.u32le();
  out.word10 = r.u32le();
  return r.ok();
}

void writeNvmHeader(const NvmBlockHeader& header, std::uint8_t* out) {
  ByteWriter w(std::span<std::uint8_t>(out, kNvmHeaderLength));
  w.u32le(header.version);
  w.u32le(header.word1);
  w.u32le(header.loadAddress);
  w.u32le(header.imageLength);
  w.u32le(header.imageChecksum);
  for (std::uint32_t word : header.words5to8) w.u32le(word);
  w.u32le(header.nextHeader);
  w.u32le(header.word10);
}

bool nvmHeaderVerifies(ByteView file, std::size_t offset) {
  if (offset > file.size() || file.size() - offset < kNvmHeaderLength) return false;
  return checksum32(file.subspan(offset, kNvmHeaderLength)) == 0;
}

NvmLastBlock findLastNvmBlock(ByteView file) {
  NvmLastBlock result;
  WalkedRegions walked;
  std::size_t offset = 0;
  for (;;) {
    NvmBlock& block = result.block;
    block.offset = offset;
    if (!readNvmHeader(file, offset, block.header) || !imageInside(file, block)) {
      result.error = EFAULT;
      return result;
    }
    if (!nvmHeaderVerifies(file, offset)) {
      result.error = EINVAL;
      return result;
    }
    if (!walked.add(offset, blockEnd(block))) {
      result.error = ELOOP;
      return result;
    }
    if (block.header.nextHeader == 0) return result;
    offset = block.header.nextHeader;
  }
}

bool nvmFirstBlockIsLast(ByteView file) {
  NvmBlockHeader header;
  return readNvmHeader(file, 0, header) && nvmHeaderVerifies(file, 0) && header.nextHeader == 0;
}

NvmCheck checkNvmFile(ByteView file, const std::string& name) {
  NvmCheck check;
  WalkedRegions walked;
  std::size_t offset = 0;
  for (int number = 0;; ++number) {
    check.block = number;
    NvmBlock block;
    block.offset = offset;
    if (!readNvmHeader(file, offset, block.header)) {
      check.message = Failure("Can't read header", name, number);
      return check;
    }
    if (block.header.version != kNvmHeaderVersion) {
      check.message = Failure("Bad header version", name, number);
      return check;
    }
    if (!nvmHeaderVerifies(file, offset)) {
      check.message = Failure("Bad header checksum", name, number);
      return check;
    }
    if (!imageInside(file, block) || !imageVerifies(file, block)) {
      check.message = Failure("Bad image checksum", name, number);
      return check;
    }
    if (!walked.add(offset, blockEnd(block))) {
      check.message = Failure("Overlapping block", name, number);
      return check;
    }
    check.blocks.push_back(block);
    if (block.header.nextHeader == 0) {
      check.ok = true;
      return check;
    }
    offset = block.header.nextHeader;
  }
}

}  // namespace strandline
