#include "protocol/tool_status_text.h"

#include <algorithm>
#include <iterator>

#include "protocol/device_tool_frames.h"

namespace strandline {

namespace {

struct StatusRow {
  std::uint16_t type;
  std::uint8_t code;
  const char* text;
};

// Ordered by confirm type, then by code.
constexpr StatusRow kStatusRows[] = {
    {0xA005, 0x14, "Bad Checksum"},
    {0xA005, 0x1C, "Bad Length"},
    {0xA005, 0x38, "Bad Address"},
    {0xA005, 0x3C, "Bad Data Alignment"},
    {0xA009, 0x10, "Bad Offset"},
    {0xA009, 0x14, "Bad Length"},
    {0xA00D, 0x10, "Bad Module ID"},
    {0xA00D, 0x14, "Bad Image Checksum"},
    {0xA00D, 0x1C, "Bad Image Length"},
    {0xA00D, 0x38, "Bad Image Load Address"},
    {0xA00D, 0x3C, "Bad Data Alignment"},
    {0xA00D, 0x40, "Bad Start Address"},
    {0xA011, 0x10, "No NVRAM"},
    {0xA01D, 0x01, "Device Failed to Reset"},
    {0xA01D, 0x02, "Device Busy"},
    {0xA021, 0x10, "Bad Module"},
    {0xA021, 0x12, "Bad Length"},
    {0xA021, 0x14, "Bad Checksum"},
    {0xA021, 0x20, "Bad Offset"},
    {0xA021, 0x40, "Operation Blocked"},
    {0xA021, 0x50, "Fail to lock NVM"},
    {0xA025, 0x10, "Bad Module"},
    {0xA025, 0x12, "Bad Length"},
    {0xA025, 0x14, "Bad Checksum"},
    {0xA025, 0x20, "Unexpected Offset"},
    {0xA025, 0x50, "Fail to lock NVM"},
    {0xA025, 0x58, "DAK Mismatch"},
    {0xA029, 0x10, "Bad Module"},
    {0xA029, 0x14, "No NVRAM"},
    {0xA029, 0x18, "Not enough NVRAM"},
    {0xA029, 0x1C, "Bad Header Checksum"},
    {0xA029, 0x20, "Bad Image Checksum"},
    {0xA029, 0x24, "Bad PIB"},
    {0xA029, 0x28, "Softloader Too Large"},
    {0xA029, 0x2C, "Firmware Too Large"},
    {0xA029, 0x42, "Firmware without PIB"},
    {0xA029, 0x44, "Bad PIB Checksum"},
    {0xA029, 0x46, "DAK Not Zero"},
    {0xA029, 0x48, "MAC Mismatch"},
    {0xA029, 0x50, "MFG HFID Mismatch"},
    {0xA029, 0x52, "Bad Bind Factory Defaults"},
    {0xA029, 0x54, "Bad Bind Template PIB"},
    {0xA029, 0x56, "Bad Bind Working PIB"},
    {0xA029, 0x58, "Error Computing PIB Checksum"},
    {0xA029, 0x5A, "Bad Bind Scratch PIB"},
    {0xA029, 0x5C, "No Firmware Version"},
    {0xA029, 0x5E, "Version Mismatch"},
    {0xA029, 0x60, "Bad 01PIB Checksum"},
    {0xA029, 0x62, "Bad 02PIB Checksum"},
    {0xA029, 0x64, "Bad WPIB Checksum"},
    {0xA029, 0x66, "Illegal Firmware Revision"},
    {0xA031, 0x01, "Bad Control"},
    {0xA031, 0x02, "Bad Direction"},
    {0xA031, 0x10, "Bad Link ID"},
    {0xA031, 0x20, "Bad MAC Address"},
    {0xA035, 0x10, "Bad Control"},
    {0xA049, 0x12, "Invalid Length"},
    {0xA049, 0x20, "Invalid Duration"},
    {0xA049, 0x24, "Already Set"},
    {0xA051, 0x10, "Bad PEKS"},
    {0xA051, 0x11, "Bad PIB"},
    {0xA051, 0x12, "Bad PEKS Encrypted Payload"},
    {0xA051, 0x13, "Remote Failure"},
    {0xA051, 0x14, "Bad Remote Response"},
    {0xA051, 0x15, "Remote Decryption Failed"},
    {0xA059, 0x10, "No NVRAM"},
    {0xA05D, 0x30, "Bad Checksum"},
    {0xA05D, 0x34, "BIST Failed"},
    {0xA065, 0x10, "No NVRAM"},
    {0xA069, 0x02, "Not Supported"},
    {0xA06D, 0x01, "Bad Control"},
    {0xA06D, 0x02, "Success Write"},
    {0xA06D, 0x03, "Bad Write Parameter"},
    {0xA071, 0x01, "Bad MAC Address"},
    {0xA071, 0x02, "Bad TMSLOT"},
    {0xA081, 0x10, "Bad Module ID"},
    {0xA081, 0x14, "No Flash Memory"},
    {0xA081, 0x18, "Not Enough Flash Memory"},
    {0xA081, 0x1C, "Bad Image Header Checksum"},
    {0xA081, 0x20, "Bad Image Checksum"},
    {0xA081, 0x24, "Invalid PIB"},
    {0xA081, 0x28, "Softloader Too Large"},
    {0xA081, 0x2C, "Firmware File Too Large"},
    {0xA081, 0x42, "Firmware without PIB"},
    {0xA081, 0x44, "Bad PIB Checksum"},
    {0xA081, 0x46, "DAK Not Zero"},
    {0xA081, 0x48, "DAC Mismatch"},
    {0xA081, 0x50, "MFG HFID Mismatch"},
    {0xA081, 0x52, "Bad Bind Factory Defaults"},
    {0xA081, 0x54, "Bad Bind Template PIB"},
    {0xA081, 0x56, "Bad Bind Working PIB"},
    {0xA081, 0x58, "DAK Mismatch"},
    {0xA081, 0x5A, "Failed to Lock NVM"},
    {0xA089, 0x01, "Bad Control"},
    {0xA089, 0x02, "Bad Volatility"},
    {0xA089, 0x03, "Bad Classifier"},
    {0xA089, 0x04, "Classifier table full"},
    {0xA089, 0x05, "Classifier exists with different action"},
    {0xA089, 0x06, "Classifier not found"},
    {0xA08D, 0x10, "Refused"},
    {0xA08D, 0x11, "Refused"},
    {0xA08F, 0x10, "Error"},
    {0xA091, 0x01, "Unknown Peer Address"},
    {0xA091, 0x02, "Unknown Slot Number"},
    {0xA099, 0x01, "Misaligned Address"},
    {0xA099, 0x02, "Misaligned Entry Point"},
    {0xA099, 0x04, "Foreign Entry Point"},
    {0xA099, 0x08, "Bad Checksum"},
    {0xA099, 0x10, "Out of Memory"},
    {0xA099, 0x20, "Offset/Length Mismatch"},
    {0xA099, 0x40, "Memory not Operational"},
    {0xA099, 0x80, "Bad Length"},
    {0xA0B1, 0x10, "Invalid Number of Module Operations"},
    {0xA0B1, 0x11, "Invalid Module Operation ID"},
    {0xA0B1, 0x12, "Invalid Session ID"},
    {0xA0B1, 0x13, "Invalid Num Module Operation Specific Data"},
    {0xA0B1, 0x14, "Module ID not found"},
    {0xA0B1, 0x15, "Invalid Module Length"},
    {0xA0B1, 0x16, "Invalid Module Index"},
    {0xA0B1, 0x17, "Invalid Data Length"},
    {0xA0B1, 0x18, "Unexpected Offset"},
    {0xA0B1, 0x19, "Invalid Commit Action Code"},
    {0xA0B1, 0x1A, "Operation Block by previous Commit"},
    {0xA0B1, 0x1B, "Duplicate ModuleID/SubID"},
    {0xA0B1, 0x1C, "Invalid ModuleID/SubID"},
    {0xA0B1, 0x20, "NVM not Present"},
    {0xA0B1, 0x21, "NVM too small"},
    {0xA0B1, 0x22, "Unsupported Flash"},
    {0xA0B1, 0x23, "Fail to Lock NVM"},
    {0xA0B1, 0x24, "Failed to Write NVM"},
    {0xA0B1, 0x30, "Invalid Module Checksum"},
    {0xA0B1, 0x31, "Individual Module Error"},
    {0xA0B1, 0x32, "Module not available in NVM or Memory"},
    {0xA0B1, 0x40, "Invalid Header Checksum"},
    {0xA0B1, 0x41, "Invalid Firmware Image Checksum"},
    {0xA0B1, 0x42, "Softloader Image is Too Large"},
    {0xA0B1, 0x43, "Firmware Image is Too Large"},
    {0xA0B1, 0x44, "Invalid PIB Checksum"},
    {0xA0B1, 0x45, "No Firmware Version"},
    {0xA0B1, 0x46, "FW Commit but no PIB"},
    {0xA0B1, 0x47, "Version Mismatch"},
    {0xA0B1, 0x50, "Invalid PIB"},
    {0xA0B1, 0x51, "DAK Not Zero"},
    {0xA0B1, 0x52, "MAC Mismatch"},
    {0xA0B1, 0x53, "DAK Mismatch"},
    {0xA0B1, 0x54, "Manufacturer HFID Mismatch"},
    {0xA0B1, 0x55, "Bad Bind to Factory Default PIB"},
    {0xA0B1, 0x56, "Bad Bind to Template PIB"},
    {0xA0B1, 0x57, "Bad Bind to Working PIB"},
    {0xA0B1, 0x58, "Bad Bind Scratch PIB"},
    {0xA0B1, 0x59, "Error Generating Checksum Scratch PIB"},
    {0xA0B1, 0x5A, "Checksum Error O1 PIB"},
    {0xA0B1, 0x5B, "Checksum Error O2 PIB"},
    {0xA0B1, 0x5C, "Checksum Error Working PIB"},
    {0xA0C1, 0x03, "Invalid Classifier"},
    {0xA0C1, 0x04, "Already too many Classifiers"},
    {0xA0C1, 0x05, "Classifier exists with different Classification Action"},
    {0xA0C1, 0x07, "Link Already in Progress"},
    {0xA0C1, 0x08, "Invalid Configuration"},
    {0xA0C1, 0x10, "Invalid CSPEC Version"},
    {0xA0C1, 0x11, "Invalid CSPEC"},
    {0xA0C1, 0x20, "Out of Local Resources"},
    {0xA0C1, 0x30, "Invalid Peer"},
    {0xA0C1, 0x31, "Peer Confirm Timed out"},
    {0xA0C1, 0x40, "Peer rejection"},
    {0xA0C5, 0x01, "Invalid Modification Control"},
    {0xA0C5, 0x06, "CID Not Found"},
    {0xA0C5, 0x07, "Link Update in Progress, try again later"},
    {0xA0C9, 0x06, "CID Not Found"},
    {0xA0C9, 0x07, "Link Update in Progress. Try again later"},
    {0xA0C9, 0x31, "Peer Confirm Timed out"},
    {0xA0CD, 0x01, "Invalid Request Type"},
    {0xA0CD, 0x04, "Too Many Requests"},
    {0xA0CD, 0x06, "CID Not Found"},
    {0xA0CD, 0x10, "Invalid CSPEC Version"},
    {0xA0CD, 0x31, "Peer Confirm Timed out"},
    {0xA0D1, 0x01, "Unsupported"},
    {0xA0D1, 0x02, "Process Failed"},
    {0xA0D9, 0x01, "Bad VersionID or InfoID"},
    {0xA0DD, 0x01, "No Enumeration Table"},
    {0xA0F5, 0x01, "Bad Request Type"},
    {0xA0F5, 0x10, "Bad MAC Address"},
    {0xA0F5, 0x11, "Bad Tone Map Index"},
};

constexpr bool ordered() {
  for (std::size_t i = 1; i < std::size(kStatusRows); ++i) {
    const StatusRow& a = kStatusRows[i - 1];
    const StatusRow& b = kStatusRows[i];
    if (a.type > b.type || (a.type == b.type && a.code >= b.code)) return false;
  }
  return true;
}
static_assert(ordered());

}  // namespace

const char* mmeStatusText(std::uint16_t confirmType, std::uint8_t code) {
  const char* fallback = code == 0 ? "Success" : "Failure";
  auto rows = std::equal_range(
      std::begin(kStatusRows), std::end(kStatusRows), StatusRow{confirmType, 0, nullptr},
      [](const StatusRow& a, const StatusRow& b) { return a.type < b.type; });
  auto row =
      std::find_if(rows.first, rows.second, [code](const StatusRow& r) { return r.code == code; });
  return row == rows.second ? fallback : row->text;
}

bool statusAtByte24(std::uint16_t confirmType) {
  return confirmType == 0xA0C1 || confirmType == 0xA0C5 || confirmType == 0xA0C9 ||
         confirmType == 0xA0CD;
}

std::uint8_t toolConfirmStatus(ByteView frame) {
  ByteReader r(frame, kAvOffsetType);
  std::uint16_t type = r.u16le();
  r.seek(statusAtByte24(type) ? kLinkStatusAt : kToolStatusAt);
  std::uint8_t status = r.u8();
  return r.ok() ? status : 0;
}

}  // namespace strandline
