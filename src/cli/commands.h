// strandline-cli subcommands: one file each, sharing this table.
#pragma once

#include <string>
#include <vector>

namespace strandline::cli {

using Args = std::vector<std::string>;

// Exit codes shared by every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoAdapter = 3;

struct Command {
  const char* name;
  const char* synopsis;  // one or more lines for --help
  int (*run)(const Args& args);
};

inline constexpr const char* kKeySynopsis =
    "key nmk|dak|nek TEXT      network or device key of a text, as hex\n"
    "  strandline-cli key nid NMKHEX LEVEL      network identifier of a key at security level 0-3";
inline constexpr const char* kDecodeSynopsis =
    "decode [--v1] HEXFRAME    decode one received AV frame (whole Ethernet frame) as JSON";

inline constexpr const char* kNetworkSynopsis =
    "network set-local|set-all NAME [--db FILE] [--interface IF]... [--simulate FILE]\n"
    "                         a network name on the local adapter, or on every device whose\n"
    "                         password the database holds and then on the local adapter";
inline constexpr const char* kDeviceSynopsis =
    "device add [--name NAME] PASSWORD [--db FILE] [--interface IF]... [--simulate FILE]\n"
    "  strandline-cli device verify MAC PASSWORD [--db FILE] ...\n"
    "                         add a device by its printed password; check and store a password\n"
    "  strandline-cli device reset [--interface IF]... [--simulate FILE]\n"
    "  strandline-cli device factory-reset [--save FILE] [--interface IF]... [--simulate FILE]\n"
    "                         restart the local adapter; restore its factory defaults (and\n"
    "                         save the block it then holds into FILE)";
inline constexpr const char* kPibSynopsis =
    "pib read|write FILE [--interface IF]... [--simulate FILE]\n"
    "  strandline-cli pib check|show FILE\n"
    "  strandline-cli pib patch FILE OFFSET HEXBYTES\n"
    "                         the local adapter's parameter block into FILE; FILE into the\n"
    "                         adapter, committed and restarted; check a block file or show it\n"
    "                         as JSON; change bytes of a block file and reseal it";
inline constexpr const char* kQosSynopsis =
    "qos show [--data DIR] [--interface IF]... [--simulate FILE]\n"
    "  strandline-cli qos set [--vlan on|off] [--tos on|off] [--vlan-map C,C,C,C,C,C,C,C]\n"
    "                         [--tos-map C,...] [--default-cap unicast=C,multicast=C,igmp=C,\n"
    "                         igmp-stream=C] [--ttl MS,MS,MS,MS] [--data DIR] ...\n"
    "                         the local adapter's QoS settings as JSON; change the named ones\n"
    "                         (CAP C 0-3, times to live 10-65000 ms), committed and restarted";
inline constexpr const char* kLedSynopsis =
    "led status|off|on [--data DIR] [--interface IF]... [--simulate FILE]\n"
    "                         whether the local adapter's LEDs are on; switch them off, or on\n"
    "                         again with the settings saved while they were on";
inline constexpr const char* kFirmwareSynopsis =
    "firmware upgrade --pib FILE --nvm FILE [--save FILE] [--yes] [--interface IF]...\n"
    "                         [--simulate FILE]\n"
    "  strandline-cli firmware upgrade --img FILE [--cfg FILE] [--yes] [--interface IF]... ...\n"
    "  strandline-cli firmware check FILE\n"
    "                         upgrade the local HomePlug AV adapter (then restore its factory\n"
    "                         defaults and save its block, default.pib in the data folder\n"
    "                         unless --save) or the local Boost HomePlug 1.0 adapter; walk and\n"
    "                         check a firmware file, its blocks as JSON";
inline constexpr const char* kReportSynopsis =
    "report [--out FILE] [--json] [--db FILE] [--interface IF]... [--simulate FILE]\n"
    "                         discovery and one scan, then the diagnostics report (or the same\n"
    "                         facts as JSON) on stdout or into FILE";
inline constexpr const char* kDbSynopsis =
    "db show [FILE]\n"
    "  strandline-cli db delete MAC [--db FILE] [--yes]\n"
    "                         the device database as JSON; remove a device from it (a device\n"
    "                         with a password only after a yes, or with --yes)";

inline constexpr const char* kMonitorSynopsis =
    "monitor [--interface IF]... [--cycles N] [--interval N] [--json]\n"
    "                         [--prometheus [ADDR:]PORT] [--data DIR] [--db FILE]\n"
    "                         [--keep-full HOURS] [--keep-days DAYS] [--simulate FILE]\n"
    "                         scan without a window: one report per cycle, the rate history\n"
    "                         recorded, the last report served at /metrics (localhost unless\n"
    "                         ADDR is given)";
inline constexpr const char* kHistorySynopsis =
    "history MAC [--since DURATION] [--csv|--json] [--data DIR]\n"
    "                         the stored rate samples of a station (DURATION: 90s, 15m, 2h, 7d;\n"
    "                         default 24h)";

// The subcommands, each in its own file.
int runCards(const Args& args);
int runScan(const Args& args);
int runDb(const Args& args);
int runPrefs(const Args& args);
int runKey(const Args& args);
int runDecode(const Args& args);
int runNetwork(const Args& args);
int runDevice(const Args& args);
int runPib(const Args& args);
int runQos(const Args& args);
int runLed(const Args& args);
int runFirmware(const Args& args);
int runReport(const Args& args);
int runMonitor(const Args& args);
int runHistory(const Args& args);

// Prints "usage: strandline-cli <synopsis>" to stderr and returns kExitUsage.
int usage(const char* synopsis);

}  // namespace strandline::cli
