// The content rules that decide whether a version 4.4 parameter block image is
// acceptable. Every read is confined to the section (or entry) it belongs to:
// a count whose entries would run past their section fails its rule.
#pragma once

#include "api/bytes.h"
#include "firmware/parameter_block.h"

namespace strandline {

// All rules of every section; false for an image shorter than 15560 bytes.
bool PibContentValid(ByteView image);

// A 24-byte classifier: 32-bit field code, 32-bit operator, 16 value bytes.
bool PibClassifierValid(ByteView classifier);
// A classifier that selects the HomePlug AV management protocol itself.
bool PibClassifierProtocolBound(ByteView classifier);
// A 28-byte classification rule entry: 32-bit action, then a classifier.
bool PibRuleEntryValid(ByteView entry);
// A 100-byte policy entry: kind, mode, classifier count, up to three classifiers
// and a parameter record at +76.
bool PibPolicyEntryValid(ByteView entry);
// A 68-byte entry of one of the two lists in the block at 10888.
bool PibListEntryValid(PibList list, ByteView entry);

}  // namespace strandline
