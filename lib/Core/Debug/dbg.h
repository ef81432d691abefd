#ifndef ZEB_CORE_DEBUG_DBG_H
#define ZEB_CORE_DEBUG_DBG_H

// Assertion and trace layer shared by the plotting library and its hosts.
// Plain functions: a failed assertion formats one line, hands it to the output
// callback of the callback record, tells the listener and stops the program.

#include "zebplot_export.h"

#include <callbackfunctions.h>

#include <cstddef>

// Trace levels.
enum {
    DBG_LEVEL_ERROR = 1,
    DBG_LEVEL_FUNC = 2,
    DBG_LEVEL_0 = 4,
    DBG_LEVEL_1 = 8,
    DBG_LEVEL_2 = 16,
    DBG_LEVEL_ASSERT = 32
};

// Header pieces (trace-info bits).
enum {
    DBG_INFO_MODULE = 1,
    DBG_INFO_SUBMOD = 2,
    DBG_INFO_FUNC = 8,
    DBG_INFO_FILE = 16,
    DBG_INFO_LINE = 32,
    DBG_INFO_LEVEL = 64,
    DBG_INFO_TIME = 128,
    DBG_INFO_THREAD = 256
};

typedef void (*DbgListener_t)(int level);
typedef void (*DbgErrorHook_t)(const char* line, int length);

// --- set-up -------------------------------------------------------------------
// dbg_Init stores how assertions end (continueAfterAssert, dumpValue) and the
// longest message M; a line holds at most M + 127 characters.  The first call of
// the process also reads the environment: ZEB_TRACELEVEL, ZEB_TRACEINFO,
// ZEB_MODULES, ZEB_SUBMODULES, ZEB_STARTTIME, ZEB_STOPTIME and the log file named
// by the variable logFileVariable (ZEB_LOGFILE when null).  Every call must be
// paired with a dbg_Terminate; the last one closes the log file.
ZEBPLOT_EXPORT int dbg_Init(const char* logFileVariable, int continueAfterAssert, int dumpValue,
                            int maxMessageLength);
ZEBPLOT_EXPORT void dbg_Terminate();
// The environment as the host sees it: through the getenv callback when the
// callback record has one, otherwise the runtime's getenv.
ZEBPLOT_EXPORT const char* dbg_getenv(const char* name);

// --- assertions -----------------------------------------------------------------
ZEBPLOT_EXPORT void dbg_AssertArg(const char* module, const char* submodule, const char* function,
                                  const char* file, int line, const char* format, ...)
    __attribute__((format(printf, 6, 7)));
ZEBPLOT_EXPORT void dbg_Assert(const char* module, const char* submodule, const char* function,
                               const char* file, int line, const char* text);
[[noreturn]] ZEBPLOT_EXPORT void dbg_Abort();

// --- callbacks, listener, serialisation -------------------------------------------
ZEBPLOT_EXPORT void dbg_SetCallbackFunctions(DbgCallbackFunctions_t* record);
ZEBPLOT_EXPORT void dbg_TraceSetListener(DbgListener_t listener);
ZEBPLOT_EXPORT void dbg_SetErrorHook(DbgErrorHook_t hook);
ZEBPLOT_EXPORT void dbg_lock();
ZEBPLOT_EXPORT void dbg_unlock();
// The fixed time when one is set, else the time callback's value, else 0; in
// milliseconds, like the ZEB_STARTTIME and ZEB_STOPTIME window (given in
// seconds) and the TIME header piece (written in whole seconds).
ZEBPLOT_EXPORT unsigned long long dbg_GetTime();
// Non-zero while some thread formats or delivers a line.
ZEBPLOT_EXPORT int dbg_IsBusy();

// --- what callers should trace --------------------------------------------------
// The producers below deliver every line they are given; callers that trace
// consult these first.
ZEBPLOT_EXPORT void dbg_SetTime(unsigned long long time);
// 1 when the current time lies in the window ZEB_STARTTIME..ZEB_STOPTIME, else 0.
ZEBPLOT_EXPORT int dbg_TimeActive();
// 1 when the module and submodule pass the filters, 0 when not, -1 before dbg_Init.
ZEBPLOT_EXPORT int dbg_SubModActive(const char* module, const char* submodule);
ZEBPLOT_EXPORT void dbg_TraceEnable();
ZEBPLOT_EXPORT void dbg_TraceDisable();
ZEBPLOT_EXPORT int dbg_TraceEnabled();
// The levels (DBG_LEVEL_* bits) to emit, from ZEB_TRACELEVEL.
ZEBPLOT_EXPORT int dbg_GetTraceLevel();
// The header pieces (DBG_INFO_* bits) written, from ZEB_TRACEINFO.
ZEBPLOT_EXPORT int dbg_GetTraceInfo();

// --- trace producers --------------------------------------------------------------
ZEBPLOT_EXPORT void dbg_Trace(int level, const char* module, const char* submodule, const char* function,
                              const char* file, int line, const char* text);
ZEBPLOT_EXPORT void dbg_TraceArg(int level, const char* module, const char* submodule, const char* function,
                                 const char* file, int line, const char* format, ...)
    __attribute__((format(printf, 7, 8)));
ZEBPLOT_EXPORT void dbg_TraceIn(int level, const char* module, const char* submodule, const char* function,
                                const char* file, int line);
ZEBPLOT_EXPORT void dbg_TraceOut(int level, const char* module, const char* submodule, const char* function,
                                 const char* file, int line);
// A continuation line: the formatted message without header.
ZEBPLOT_EXPORT void dbg_TraceContArg(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Delivers a line the caller has already formatted.
ZEBPLOT_EXPORT void dbg_DumpInfo(const char* text, int level);

// Assertion helpers of the plotting library: module "zebplot", the class name as
// submodule, the calling function, file and line.
#define ZEB_ASSERT(submodule, text) \
    dbg_Assert("zebplot", submodule, __func__, __FILE__, __LINE__, text)
#define ZEB_ASSERT_ARG(submodule, ...) \
    dbg_AssertArg("zebplot", submodule, __func__, __FILE__, __LINE__, __VA_ARGS__)
// Checks a condition; a false condition is a programming error.
#define ZEB_CHECK(condition, submodule, text) \
    do { if (!(condition)) ZEB_ASSERT(submodule, text); } while (0)

#endif
