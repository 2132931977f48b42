#include "livery/prefs_fields.h"

#include "livery/text_forms.h"

namespace strandline::livery {

namespace {

using F = FieldForm;
using P = OemPrefs;

const FieldControl kControls[] = {
    {1012, "scan interval", F::Decimal32, &P::scanInterval},
    {1013, "quality type", F::Decimal16, nullptr, &P::qualityType},
    {1014, "iconSize", F::Decimal16, nullptr, &P::iconSize},
    {1017, "color", F::Hex32, &P::color},
    {1032, "Diagnostics Level", F::Decimal16, nullptr, &P::diagnosticsLevel},
    {1015, "smLogoLeft", F::Decimal16, nullptr, &P::smLogoLeft},
    {1016, "smLogoTop", F::Decimal16, nullptr, &P::smLogoTop},
    {1018, "lgLogoLeft", F::Decimal16, nullptr, &P::lgLogoLeft},
    {1020, "lgLogoTop", F::Decimal16, nullptr, &P::lgLogoTop},
    {1033, "OUI", F::Oui},
    {1031, "Vendor name", F::Text, nullptr, nullptr, &P::vendorName, kVendorNameWidth},
    {1010, "AutoScan", F::Flag, nullptr, &P::autoScan},
    {1019, "showOnlyActive", F::Flag, nullptr, &P::showOnlyActive},
    {1021, "showRate", F::Flag, nullptr, &P::showRate},
    {1022, "showQuality", F::Flag, nullptr, &P::showQuality},
    {1023, "ampm", F::Flag, nullptr, &P::ampm},
    {1101, "Upgrade Capabilty", F::Flag, nullptr, &P::upgradeCapability},
    {1028, "webAddress", F::Text, nullptr, nullptr, &P::webAddress, kWebAddressWidth},
    {1029, "copyright", F::Text, nullptr, nullptr, &P::copyright, kCopyrightWidth},
    {1030, "appName", F::Text, nullptr, nullptr, &P::appName, kAppNameWidth},
};

}  // namespace

std::span<const FieldControl> editorControls() {
  return kControls;
}

std::string showField(const OemPrefs& prefs, const FieldControl& c) {
  switch (c.form) {
    case F::Decimal32:
      return showDecimal(prefs.*c.int32);
    case F::Decimal16:
      return showDecimal(prefs.*c.int16);
    case F::Hex32:
      return showHex(prefs.*c.int32);
    case F::Oui:
      return showOui(prefs.oui);
    case F::Text:
      return prefs.*c.text;
    case F::Flag:
      return prefs.*c.int16 != 0 ? "1" : "0";
  }
  return {};
}

bool takeField(OemPrefs& prefs, const FieldControl& c, std::string_view text) {
  switch (c.form) {
    case F::Decimal32:
    case F::Decimal16: {
      std::optional<std::int64_t> v = readDecimal(text);
      if (!v) return false;
      // The field's width of the value: its low 32 or 16 bits.
      auto bits = static_cast<std::uint64_t>(*v);
      if (c.form == F::Decimal32)
        prefs.*c.int32 = static_cast<std::int32_t>(static_cast<std::uint32_t>(bits));
      else
        prefs.*c.int16 = static_cast<std::int16_t>(static_cast<std::uint16_t>(bits));
      return true;
    }
    case F::Hex32: {
      std::optional<std::uint32_t> v = readHex(text);
      if (v) prefs.*c.int32 = static_cast<std::int32_t>(*v);
      return v.has_value();
    }
    case F::Oui: {
      std::optional<std::array<std::uint8_t, 3>> v = readOui(text);
      if (v) prefs.oui = *v;
      return v.has_value();
    }
    case F::Text:
      prefs.*c.text = fitText(text, c.width);
      return true;
    case F::Flag:
      return true;  // flags follow the clicks, not the box
  }
  return true;
}

void flipFlag(OemPrefs& prefs, const FieldControl& c) {
  if (c.form == F::Flag) prefs.*c.int16 = prefs.*c.int16 == 0 ? 1 : 0;
}

}  // namespace strandline::livery
