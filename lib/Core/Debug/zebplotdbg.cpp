#include "zebplotdbg.h"

#include "dbg.h"

#include <callbackfunctions.h>

namespace {
// The library keeps no log file of its own: lines go to the callbacks of
// zebguibase, and the log-file stream stays standard output unless a host sets
// this variable.
const char* const kLogFileVariable = "GEXDESK_NO_FILE_LOGGING_IMPLEMENTED";
constexpr int kMaxMessageLength = 3072;

const zebplotDbg instance;
} // namespace

zebplotDbg::zebplotDbg()
{
    dbg_SetCallbackFunctions(getCallBackFunctions());
    dbg_Init(kLogFileVariable, 0, 0, kMaxMessageLength);
}
