#include "platform/host_info.h"

#include <pcap/pcap.h>
#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cctype>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace strandline {

namespace {

std::string trim(std::string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return std::string(text.substr(begin, end - begin));
}

// Reads a small text file whole; empty when it cannot be read.
std::string readText(const char* path, std::size_t maxBytes = 1 << 20) {
  std::ifstream in(path);
  if (!in) return {};
  std::string text(maxBytes, '\0');
  in.read(text.data(), static_cast<std::streamsize>(maxBytes));
  text.resize(static_cast<std::size_t>(in.gcount()));
  return text;
}

// The value of KEY=value in an os-release text, unquoted.
std::string osReleaseValue(std::string_view text, std::string_view key) {
  std::istringstream lines{std::string(text)};
  std::string line;
  while (std::getline(lines, line)) {
    if (line.size() <= key.size() || line.compare(0, key.size(), key) != 0 ||
        line[key.size()] != '=')
      continue;
    std::string value = trim(std::string_view(line).substr(key.size() + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    return value;
  }
  return {};
}

}  // namespace

std::string osPlatformLine(std::string_view kernelRelease, std::string_view distribution) {
  int numbers[3] = {0, 0, 0};
  const char* at = kernelRelease.data();
  const char* end = at + kernelRelease.size();
  for (int& n : numbers) {
    auto [stop, error] = std::from_chars(at, end, n);
    if (error != std::errc()) break;
    at = stop;
    if (at == end || *at != '.') break;
    ++at;
  }
  char line[96];
  std::snprintf(line, sizeof line, "OS Platform: %s   V%d.%d, Build %d", "Linux", numbers[0],
                numbers[1], numbers[2]);
  std::string text = line;
  if (!distribution.empty()) text += " (" + std::string(distribution) + ")";
  return text;
}

std::string distributionName(std::string_view osRelease) {
  std::string name = osReleaseValue(osRelease, "PRETTY_NAME");
  return name.empty() ? osReleaseValue(osRelease, "NAME") : name;
}

std::string cpuModelName(std::string_view cpuinfo) {
  std::istringstream lines{std::string(cpuinfo)};
  std::string line;
  while (std::getline(lines, line)) {
    std::size_t colon = line.find(':');
    if (colon == std::string::npos || trim(std::string_view(line).substr(0, colon)) != "model name")
      continue;
    return trim(std::string_view(line).substr(colon + 1));
  }
  return {};
}

HostInfo currentHostInfo() {
  HostInfo info;
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) == 0) info.computerName = name;
  struct passwd entry {};
  struct passwd* found = nullptr;
  char buffer[4096];
  if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found)
    info.userName = found->pw_name;
  struct utsname system {};
  std::string release;
  if (::uname(&system) == 0) {
    info.processor = system.machine;
    release = system.release;
  }
  std::string model = cpuModelName(readText("/proc/cpuinfo"));
  if (!model.empty()) info.processor += (info.processor.empty() ? "" : " ") + ("(" + model + ")");
  std::string distribution = distributionName(readText("/etc/os-release", 64 * 1024));
  if (distribution.empty())
    distribution = distributionName(readText("/usr/lib/os-release", 64 * 1024));
  info.osPlatform = osPlatformLine(release, distribution);
  info.library = pcap_lib_version();
  return info;
}

}  // namespace strandline
