// strandline-cli decode: one received AV frame through the message library's
// decoder, printed as JSON.
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "base/bytes.h"
#include "cli/commands.h"
#include "protocol/av_decode.h"

namespace strandline::cli {

int runDecode(const Args& args) {
  bool versionOne = false;
  std::string hex;
  for (const std::string& arg : args) {
    if (arg == "--v1") {
      versionOne = true;
    } else if (hex.empty() && !arg.empty() && arg[0] != '-') {
      hex = arg;
    } else {
      return usage(kDecodeSynopsis);
    }
  }
  Bytes frame;
  if (hex.empty() || !parseHex(hex, frame) || frame.empty()) {
    std::fprintf(stderr, "strandline-cli decode: the frame must be given as hex digits\n");
    return usage(kDecodeSynopsis);
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

}  // namespace strandline::cli
