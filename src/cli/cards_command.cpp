// strandline-cli cards: the network cards Strandline would use, opened as the
// card table opens them.
#include <cstdio>
#include <memory>

#include "cli/commands.h"
#include "cli/options.h"
#include "core/card_table.h"
#include "platform/pcap_link.h"

namespace strandline::cli {

namespace {

int runCards(const CommonOptions& options) {
  PcapLink link(options.interfacesToUse());
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

}  // namespace

void addCardsCommand(CLI::App& app, Action& action) {
  auto options = std::make_shared<CommonOptions>();
  CLI::App* sub = app.add_subcommand("cards", "the network cards Strandline would use");
  addInterfaceOption(*sub, *options);
  onRun(*sub, action, [options] { return runCards(*options); });
}

}  // namespace strandline::cli
