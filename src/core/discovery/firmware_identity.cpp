#include "core/discovery/firmware_identity.h"

#include <algorithm>

#include "core/program_context.h"
#include "protocol/av_messages.h"

namespace strandline {

std::optional<std::string> chipFamily(std::uint8_t deviceId) {
  switch (deviceId) {
    case 1:
      return "TSC1000";
    case 2:
      return "TSC2000";
    case 3:
      return "TSC3000";
    case 4:
      return "TSC4000";
    case 5:
      return "TSC3005";
    default:
      return std::nullopt;
  }
}

std::uint32_t kindForDeviceId(std::uint8_t deviceId) {
  return deviceId == 4 ? kKindAvTsc4000 : kKindAv;
}

FirmwareIdentity identifyFirmware(const ThpapiResult& result, std::size_t fieldSize) {
  FirmwareIdentity identity;
  std::uint8_t deviceId = result.data[0];
  identity.family = chipFamily(deviceId);

  // data[1] bytes of text from data[2]; the decoder copied at most 64.
  std::size_t length = std::min<std::size_t>({result.data[1], 64, fieldSize ? fieldSize - 1 : 0});
  std::string text(reinterpret_cast<const char*>(&result.data[2]), length);
  text = text.substr(0, text.find('\0'));
  identity.rawVersion = text;

  const char* search = nullptr;
  if (deviceId == 1 || deviceId == 2 || deviceId == 3 || deviceId == 5) search = "TSC1000";
  if (deviceId == 4) search = "TSC4000";
  std::size_t at = search ? text.find(search) : std::string::npos;
  if (at != std::string::npos) {
    text.replace(at, 7, *identity.family);
    text = text.substr(at);  // anything before the family prefix is dropped
  }
  // Without the prefix the whole copied text is kept.
  identity.version = text;
  return identity;
}

bool queryFirmwareType(ProgramContext& ctx) {
  const MacAddress& cardMac = ctx.currentCardMac();
  if (!macIsSet(cardMac.data())) return false;
  std::array<std::uint8_t, 1528> frame{};
  std::size_t length =
      thpapiReadConfigurationBlock(ctx.thpapi, cardMac, ctx.currentAdapter().mac, frame);
  if (length == 0) {
    ctx.prompter.messageBox("Error in thpapi_ReadConfigurationBlock", "Error", MessageIcon::Error,
                            MessageButtons::Ok);
    return false;
  }
  sendFrame(ctx.cards, ctx.cards.currentCard, frame.data(), static_cast<std::uint16_t>(length));
  ThpapiResult result;
  if (!awaitConfirm(ctx, kMmConfigBlockRequest, result, /*waitMs=*/10)) return false;
  switch (result.data[0]) {
    case 0:
      ctx.firmware.configBlockOk = true;
      break;
    case 1:
      return false;
    case 2:
      ctx.firmware.configBlockOk = false;
      break;
    default:
      break;
  }
  switch (result.data[49]) {
    case 1:
      ctx.firmware.firmwareTypeLetter = 'B';
      break;
    case 2:
      ctx.firmware.firmwareTypeLetter = 'D';
      break;
    case 4:
      ctx.firmware.firmwareTypeLetter = 'A';
      break;
    case 0:
      ctx.firmware.firmwareTypeLetter = 'C';
      break;
    default:
      break;
  }
  return true;
}

}  // namespace strandline
