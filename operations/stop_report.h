// The word that ends a run the user stopped, in the window and on the command line.
#pragma once

#include "base/host.h"
#include "operations/options.h"

namespace mirvex {

// Says "Операция прервана" when the run was stopped by the user; nothing otherwise
// (the operation has reported its completion or its failure itself).
void ReportStop(OperationStatus status, Host& host);

}  // namespace mirvex
