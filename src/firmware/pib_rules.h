// The content rules that decide whether a version 4.4 parameter block image is
// acceptable. Every read is confined to the section (or entry) it belongs to:
// a count whose entries would run past their section fails its rule.
#pragma once

#include "base/bytes.h"
#include "firmware/parameter_block.h"

namespace strandline {

// All rules of every section; false for an image shorter than 15560 bytes.
bool pibContentValid(ByteView image);

// A 24-byte classifier: 32-bit field code, 32-bit operator, 16 value bytes.
bool pibClassifierValid(ByteView classifier);
// A classifier that selects the HomePlug AV management protocol itself.
bool pibClassifierProtocolBound(ByteView classifier);
// A 28-byte classification rule entry: 32-bit action, then a classifier.
bool pibRuleEntryValid(ByteView entry);
// A 100-byte policy entry: kind, mode, classifier count, up to three classifiers
// and a parameter record at +76.
bool pibPolicyEntryValid(ByteView entry);
// A 68-byte entry of one of the two lists in the block at 10888.
bool pibListEntryValid(PibList list, ByteView entry);

}  // namespace strandline
