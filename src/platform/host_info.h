// What the diagnostics report tells about the computer: its name, the user,
// the processor, the operating system and the packet-capture library.
#pragma once

#include <string>
#include <string_view>

namespace strandline {

struct HostInfo {
  std::string computerName;  // gethostname
  std::string userName;      // the password database's entry of the real user
  std::string processor;     // the machine name of uname, with the CPU model when known
  std::string osPlatform;    // the whole "OS Platform: ..." line
  std::string library;       // libpcap's own version text
};

// The facts of this computer.
HostInfo currentHostInfo();

// "OS Platform: Linux   V<major>.<minor>, Build <patch>" from a kernel release
// text such as "6.1.0-18-amd64" (numbers missing from it read as 0), followed
// by " (<distribution>)" when a distribution name is given.
std::string osPlatformLine(std::string_view kernelRelease, std::string_view distribution);

// PRETTY_NAME of an os-release file's text (else NAME), without quotes; empty
// when it has neither.
std::string distributionName(std::string_view osRelease);

// The first "model name" value of a /proc/cpuinfo text; empty when there is none.
std::string cpuModelName(std::string_view cpuinfo);

}  // namespace strandline
