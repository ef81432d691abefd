// Provisional assertion layer: formats and delivers the assertion line and stops.
#include "dbg.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {
DbgCallbackFunctions_t* gRecord = nullptr;
}

int dbg_Init(const char*, int, int, int) { return 0; }
void dbg_Terminate() {}
const char* dbg_getenv(const char* name) { return std::getenv(name); }
void dbg_SetCallbackFunctions(DbgCallbackFunctions_t* record) { gRecord = record; }

void dbg_Abort()
{
    std::fputs("Abnormal program termination...\n", stderr);
    std::abort();
}

void dbg_Assert(const char* module, const char* submodule, const char* function, const char* file, int line,
                const char* text)
{
    (void)module; (void)file;
    std::fprintf(stderr, " ASSERT: %10s Ln:%4d %20s %s\n", submodule, line, function, text);
    dbg_Abort();
}

void dbg_AssertArg(const char* module, const char* submodule, const char* function, const char* file, int line,
                   const char* format, ...)
{
    char buffer[3200];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    dbg_Assert(module, submodule, function, file, line, buffer);
}
