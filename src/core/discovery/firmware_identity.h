// Firmware identity of HomePlug AV adapters: the chip family from the device
// identifier of a version confirmation, and the version text rewritten to begin
// with the family name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "protocol/av_decode.h"

namespace strandline {

struct ProgramContext;

// "TSC1000", "TSC2000", "TSC3000", "TSC3005", "TSC4000" for identifiers 1, 2, 3, 5, 4.
std::optional<std::string> chipFamily(std::uint8_t deviceId);
// Kind 5 for the TSC4000 family (identifier 4), else 4.
std::uint32_t kindForDeviceId(std::uint8_t deviceId);

struct FirmwareIdentity {
  std::optional<std::string> family;  // none for an unlisted identifier
  std::string rawVersion;             // the copied version text
  std::string version;                // from the family prefix on
};

// Applies the identity rules to a decoded version confirmation; fieldSize is the
// size of the field the normalised text goes into (text of fieldSize - 1 at most).
FirmwareIdentity identifyFirmware(const ThpapiResult& result, std::size_t fieldSize);

// Reads the local AV adapter's configuration block for its firmware type.
// true on success (configBlockOk and firmwareTypeLetter updated).
bool queryFirmwareType(ProgramContext& ctx);

}  // namespace strandline
