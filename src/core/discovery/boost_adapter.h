// The Boost HomePlug 1.0 adapter over the program context: finding it, asking
// for its identity, version string, statistics and current key, and taking
// its answers into the adapter and station records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/mac_address.h"
#include "protocol/boost_frames.h"

namespace strandline {

struct ProgramContext;

void sendPrivateRequest(ProgramContext& ctx, const MacAddress& destination, std::uint8_t code,
                        const std::uint8_t* data, std::size_t dataLength);
void requestIdentity(ProgramContext& ctx);
void requestStatistics(ProgramContext& ctx, const MacAddress& destination);
void requestVersionString(ProgramContext& ctx);
void requestCurrentKey(ProgramContext& ctx);

// Handles every waiting frame until none is left or an AV frame is met; the
// result is that of the last frame (1 for a Boost answer).
int processHp10Frames(ProgramContext& ctx, std::string* text);
// processHp10Frames for 100 ms, waking on frames.
int pollHp10(ProgramContext& ctx, std::string* text);
// Clears the found flag, asks for the identity and polls; the found flag.
bool probeBoostAdapter(ProgramContext& ctx);

}  // namespace strandline
