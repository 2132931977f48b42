// strandline-cli cards: the network cards Strandline would use, opened as the
// card table opens them.
#include <cstdio>

#include "cli/commands.h"
#include "cli/options.h"
#include "core/card_table.h"
#include "platform/pcap_link.h"

namespace strandline::cli {

int runCards(const Args& args) {
  CommonOptions options;
  Args rest;
  if (!parseCommonOptions(args, options, rest) || !rest.empty())
    return usage("cards [--interface IF]...");
  PcapLink link(options.interfaces);
  CardTable table;
  table.link = &link;
  openAllCards(table);
  std::string problem = capturePermissionProblem(table);
  if (!problem.empty()) {
    std::fprintf(stderr, "strandline-cli: %s\n", problem.c_str());
    return kExitFailure;
  }
  if (table.count == 0) {
    std::fprintf(stderr, "strandline-cli: no usable Ethernet card%s\n",
                 table.errorText.empty() ? "" : (" (" + table.errorText + ")").c_str());
    return kExitNoAdapter;
  }
  for (int i = 0; i < table.count; ++i) {
    const CardSlot& slot = table.cards[i];
    std::printf("%d %s %s %s \"%s\"\n", i, slot.deviceName.c_str(), macToText(slot.mac).c_str(),
                slot.handle ? "open" : "closed", slot.displayName.c_str());
  }
  closeAllCards(table);
  return kExitOk;
}

}  // namespace strandline::cli
