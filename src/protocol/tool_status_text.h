// The texts of the status codes in vendor confirms, for the toolkit's report
// lines.
#pragma once

#include <cstdint>

#include "base/bytes.h"

namespace strandline {

// The text of a status code in a confirm of the given type. A pair the table
// does not hold reads "Success" for code 0 and "Failure" for any other code.
const char* mmeStatusText(std::uint16_t confirmType, std::uint8_t code);

// The confirm types whose status sits at byte 24 instead of byte 20.
bool statusAtByte24(std::uint16_t confirmType);

// The status of a received confirm: byte 20, or byte 24 for the four link
// confirms (0xA0C1, 0xA0C5, 0xA0C9, 0xA0CD); 0 when the frame is too short.
std::uint8_t toolConfirmStatus(ByteView frame);

}  // namespace strandline
