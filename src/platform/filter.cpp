#include <pcap/pcap.h>

#include "platform/frame_link.h"

namespace strandline {

unsigned runFilter(const FilterProgram& program, ByteView frame) {
  std::vector<bpf_insn> insns;
  insns.reserve(program.size());
  for (const FilterInstruction& i : program) insns.push_back({i.code, i.jt, i.jf, i.k});
  if (!bpf_validate(insns.data(), static_cast<int>(insns.size()))) return 0;
  return bpf_filter(insns.data(), frame.data(), static_cast<u_int>(frame.size()),
                    static_cast<u_int>(frame.size()));
}

}  // namespace strandline
