#pragma once

#include "systemreport.h"

// The print section: every CUPS queue with its state and the number of
// jobs waiting in it; "CUPS absent" when no scheduler answers within
// connectTimeoutMs. Blocking calls: run on a worker thread.
namespace PrintQueues {

ReportPart read(int connectTimeoutMs);

} // namespace PrintQueues
