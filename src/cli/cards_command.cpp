// strandline-cli cards: the network cards Strandline would use, opened as the
// card table opens them.
#include <cstdio>

#include "api/card_table.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "platform/pcap_link.h"

namespace strandline::cli {

int RunCards(const Args& args) {
  CommonOptions options;
  Args rest;
  if (!ParseCommonOptions(args, options, rest) || !rest.empty())
    return Usage("cards [--interface IF]...");
  PcapLink link(options.interfaces);
  CardTable table;
  table.link = &link;
  OpenAllCards(table);
  std::string problem = CapturePermissionProblem(table);
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
    std::printf("%d %s %s %s \"%s\"\n", i, slot.deviceName.c_str(), MacToText(slot.mac).c_str(),
                slot.handle ? "open" : "closed", slot.displayName.c_str());
  }
  CloseAllCards(table);
  return kExitOk;
}

}  // namespace strandline::cli
