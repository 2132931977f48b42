// The network file: a JSON description of the simulated adapters.
//
// {
//   "adapters": [
//     { "mac": "02:00:00:00:01:01", "kind": "av",        // "av", "hp10" or "boost"
//       "interface": "sl0",                              // only for local adapters
//       "deviceId": 2,                                   // AV chip family, 1 to 5
//       "deviceClass": 3,                                // HomePlug 1.0, 1 to 3
//       "firmware": "TSC1000-MAC-3-1-3114-00-20",        // version text
//       "password": "K7QM-2VXA-98RT-ZP4L",               // device password (DAK / DEK)
//       "networkName": "HomePlugAV",                     // or "networkKey": hex
//       "tx": 180, "rx": 160,                            // rates to the local adapter
//       "rates": { "02:00:00:00:01:02": { "tx": 90, "rx": 85 } },
//       "bridged": "02:00:00:00:0a:01", "firmwareType": 4,
//       "vendor": "...", "product": "...", "loaderFallback": false,
//       "leds": [[1, 2, 3], [7, 7, 7]],                  // AV: the LED table's setting bytes
//       "faults": { "loss": 0.2, "seed": 7, "delayMs": 30, "duplicate": true,
//                   "corruptChecksum": true, "corruptChecksumAt": 1024, "wrongOui": true,
//                   "status": { "0xA050": 17 }, "rebootMs": 1500, "remoteKeyFailure": 19,
//                   "keepsOwnKey": true,
//                   "unplugAtMs": 1000, "replugAtMs": 4000,
//                   "loseAnswerNth": { "0xA020": 3 }, "wrongOffsetNth": { "0xA024": 2 },
//                   "unplugAfterNth": { "0xA020": 5 }, "neverGoesDown": true } } ] }
//
// Rates: AV figures are Mbit/s as the device reports them (0..255 in the
// version-0 network information); HomePlug 1.0 figures are Mbit/s, which the
// device turns into its raw statistics. Without a network name or key, AV
// adapters are on "HomePlugAV" and HomePlug 1.0 adapters on "HomePlug".
// Fault "status" keys are request types: AV message types (0xA050), and for
// the Boost loader commands 0x1000 plus the command code (0x1081 = write).
// The "...Nth" faults count each adapter's AV requests of a type from 1: the
// answer to that one is lost, or its module confirm states a wrong offset, or
// the adapter is unplugged once it has answered that many.
// "neverGoesDown": commit and resets are answered, but the device stays up.
// Without "leds" an AV adapter has eight LEDs set 1, 2, 3 (all on); 7 in all
// three bytes of every LED means its LEDs are off.
#pragma once

#include <string>

#include "sim/medium.h"

namespace strandline::sim {

// Parses a network description; on failure returns false with `error` naming
// the adapter and the field.
bool parseNetwork(const std::string& json, Medium& medium, std::string& error);
bool loadNetworkFile(const std::string& path, Medium& medium, std::string& error);

// Gives an adapter its derived keys, parameter block and firmware image from
// its identity fields (used by the loader and by tests that build networks).
void completeAdapter(Adapter& a, const std::string& networkName);

}  // namespace strandline::sim
