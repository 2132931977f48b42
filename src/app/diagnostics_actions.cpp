#include "app/diagnostics_actions.h"

namespace strandline::app {

ReportFacts reportFacts(const ProgramContext& ctx, const OemPrefs& prefs, const OuiList& oui) {
  ReportFacts facts;
  takeProgramFacts(ctx, facts);
  facts.prefs = prefs;
  facts.oui = oui;
  facts.host = currentHostInfo();
  return facts;
}

int deleteDevices(ProgramContext& ctx, MainPageState& state, const std::vector<std::string>& macs) {
  if (macs.empty())
    ctx.prompter.messageBox(kSelectDeviceFirst, kDiagnosticsCaption, MessageIcon::Exclamation,
                            MessageButtons::Ok);
  int deleted = 0;
  for (const std::string& mac : macs) {
    int position = findKnownByMacText(ctx.known, mac);
    if (position == 0) continue;
    const KnownDevice device = ctx.known.at(position);
    if (!device.password.empty() &&
        ctx.prompter.messageBox(kDeletePasswordQuestion, kDiagnosticsCaption, MessageIcon::Question,
                                MessageButtons::YesNo) != MessageAnswer::Yes)
      continue;
    deleteKnownDevice(ctx.known, position, &ctx.currentNetwork());
    state.listed.erase(device.mac);
    ++deleted;
  }
  saveDatabase(ctx, state);
  return deleted;
}

std::string dataFolderOf(const MainPageState& state) {
  const std::string& path = state.databasePath.path();
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace strandline::app
