// Livery's start: the single-instance check, the file, then the sheet.
#pragma once

#include "livery/options.h"

namespace strandline::livery {

// Runs the editor in the running QApplication. A second copy returns 0 at
// once without a message; otherwise 0 once the sheet has closed.
int entryPoint(const Options& options);

}  // namespace strandline::livery
