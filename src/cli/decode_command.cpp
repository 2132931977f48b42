// strandline-cli decode: one received AV frame through the message library's
// decoder, printed as JSON.
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "base/bytes.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "protocol/av_decode.h"

namespace strandline::cli {

namespace {

int runDecode(const std::string& hex, bool versionOne) {
  Bytes frame;
  if (!parseHex(hex, frame) || frame.empty()) {
    std::fprintf(stderr, "strandline-cli decode: the frame must be given as hex digits\n");
    return kExitUsage;
  }

  ThpapiContext library;
  ThpapiResult result;
  int selector = versionOne ? kVersionSelectorV1 : 0;
  if (thpapiDecodeFrame(library, ByteView(frame), result, selector) != 0) {
    std::printf("%s\n", nlohmann::json{{"error", library.lastError}}.dump().c_str());
    return kExitFailure;
  }
  nlohmann::ordered_json out;
  out["operation"] = result.operation;
  out["completion"] = result.completion;
  out["messageType"] = result.messageType;
  out["status"] = result.status;
  out["source"] = macToText(result.source);
  out["destination"] = macToText(result.destination);
  out["dataValid"] = result.dataValid;
  out["dataLength"] = result.dataLength;
  out["data"] = toHex(ByteView(result.data.data(), result.dataLength));
  std::printf("%s\n", out.dump().c_str());
  return kExitOk;
}

}  // namespace

void addDecodeCommand(CLI::App& app, Action& action) {
  struct Options {
    std::string hex;
    bool versionOne = false;
  };
  auto o = std::make_shared<Options>();
  CLI::App* sub = app.add_subcommand(
      "decode", "decode one received AV frame (the whole Ethernet frame, as hex) as JSON");
  sub->add_option("HEXFRAME", o->hex, "the frame as hex digits")->required();
  sub->add_flag("--v1", o->versionOne, "decode with the version 1 message layouts");
  onRun(*sub, action, [o] { return runDecode(o->hex, o->versionOne); });
}

}  // namespace strandline::cli
