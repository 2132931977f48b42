#include "storage/oem_prefs.h"

#include <unistd.h>

#include <algorithm>

namespace strandline {

OemPrefs defaultOemPrefs() {
  OemPrefs p;
  p.scanInterval = 30;
  p.iconSize = 24;
  p.diagnosticsLevel = 1;
  p.showOnlyActive = 1;
  p.autoScan = 1;
  p.smLogoLeft = 10;
  p.smLogoTop = 310;
  p.lgLogoLeft = 80;
  p.lgLogoTop = 25;
  p.showRate = 1;
  p.showQuality = 1;
  p.ampm = 1;
  p.webAddress = kDefaultWebAddress;
  p.appName = kDefaultAppName;
  p.copyright = kDefaultCopyright;
  return p;
}

// A text field as a NUL-terminated string would read it, kept inside the field.
static std::string fieldText(ByteReader& r, std::size_t width) {
  std::string s = r.text(width);
  if (s.size() > width - 1) s.resize(width - 1);
  return s;
}

OemPrefs parseOemPrefs(ByteView data) {
  // Every read past the end yields zero, so a short file leaves the rest zero.
  ByteReader r(data);
  auto i16 = [&r] { return static_cast<std::int16_t>(r.u16le()); };
  OemPrefs p;
  p.scanInterval = static_cast<std::int32_t>(r.u32le());
  p.qualityType = i16();
  p.color = static_cast<std::int32_t>(r.u32le());
  p.iconSize = i16();
  p.diagnosticsLevel = i16();
  p.showOnlyActive = i16();
  p.autoScan = i16();
  p.smLogoLeft = i16();
  p.smLogoTop = i16();
  p.lgLogoLeft = i16();
  p.lgLogoTop = i16();
  p.showRate = i16();
  p.showQuality = i16();
  p.ampm = i16();
  p.upgradeCapability = i16();
  // A text field cut by the end of the file keeps the bytes that are there.
  auto text = [&](std::size_t width) {
    if (r.has(width)) return fieldText(r, width);
    if (!r.ok()) return std::string();
    ByteView tail = data.subspan(r.position());
    r.skip(width);
    return std::string(tail.begin(), std::find(tail.begin(), tail.end(), std::uint8_t{0}));
  };
  p.webAddress = text(kWebAddressWidth);
  p.appName = text(kAppNameWidth);
  if (r.has(3))
    p.oui = r.array<3>();
  else
    r.skip(3);
  p.vendorName = text(kVendorNameWidth);
  p.copyright = text(kCopyrightWidth);
  return p;
}

Bytes serializeOemPrefs(const OemPrefs& p) {
  Bytes out(kOemPrefsSize);
  ByteWriter w(out);
  w.u32le(static_cast<std::uint32_t>(p.scanInterval));
  w.u16le(static_cast<std::uint16_t>(p.qualityType));
  w.u32le(static_cast<std::uint32_t>(p.color));
  for (std::int16_t v :
       {p.iconSize, p.diagnosticsLevel, p.showOnlyActive, p.autoScan, p.smLogoLeft, p.smLogoTop,
        p.lgLogoLeft, p.lgLogoTop, p.showRate, p.showQuality, p.ampm, p.upgradeCapability})
    w.u16le(static_cast<std::uint16_t>(v));
  w.text(p.webAddress, kWebAddressWidth);
  w.text(p.appName, kAppNameWidth);
  w.bytes(p.oui.data(), p.oui.size());
  w.text(p.vendorName, kVendorNameWidth);
  w.text(p.copyright, kCopyrightWidth);
  return out;
}

OemSettings readOemPrefs(const std::string& path, FileOps& ops) {
  OemSettings s;
  ReadFileResult file = readWholeFile(ops, path, kOemPrefsSize);
  if (file.status == ReadFileResult::Status::Ok) {
    s.prefs = parseOemPrefs(file.data);
    s.fromFile = true;
  } else {
    s.prefs = defaultOemPrefs();
    s.problem = file.error;
  }
  if (s.prefs.scanInterval < 1) s.prefs.scanInterval = 1;
  s.gridLines = s.prefs.iconSize == 0;
  s.timerInterval = static_cast<std::int16_t>(s.prefs.scanInterval & 0xFFFF);
  return s;
}

Status writeOemPrefs(const std::string& path, const OemPrefs& prefs, FileOps& ops) {
  return writeFileAtomically(ops, path, serializeOemPrefs(prefs), 0644);
}

std::string findShippedFile(const std::string& name) {
  if (::access(name.c_str(), F_OK) == 0) return name;
  std::string installed = std::string(STRANDLINE_SHARE_DIR) + "/" + name;
  if (::access(installed.c_str(), F_OK) == 0) return installed;
  return name;
}

}  // namespace strandline
