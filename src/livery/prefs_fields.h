// The controls of the editor page and the field each one edits: how a field
// is shown in its box, read back from the box and, for a check box, flipped.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "storage/oem_prefs.h"

namespace strandline::livery {

enum class FieldForm {
  Decimal32,  // "%ld", all 32 bits
  Decimal16,  // decimal, the low 16 bits kept
  Hex32,      // "%x"
  Oui,        // shown "%02X:%02X:%02X", read "%X:%X:%X"
  Text,       // cut to the field's width less one
  Flag,       // a check box
};

struct FieldControl {
  int id;  // the control id, also the widget's object name
  const char* label;
  FieldForm form;
  std::int32_t OemPrefs::*int32 = nullptr;
  std::int16_t OemPrefs::*int16 = nullptr;
  std::string OemPrefs::*text = nullptr;
  std::size_t width = 0;  // of a text field
};

// Every control of the page, in the page's order.
std::span<const FieldControl> editorControls();

// The box text of the field (16-bit fields sign-extended); for a flag "1" or "0".
std::string showField(const OemPrefs& prefs, const FieldControl& control);
// Stores what the box holds. False when a number box (or the OUI box) holds
// no number: the field keeps its value.
bool takeField(OemPrefs& prefs, const FieldControl& control, std::string_view text);
// A click on a check box: 0 becomes 1, anything else 0.
void flipFlag(OemPrefs& prefs, const FieldControl& control);

}  // namespace strandline::livery
