#ifndef ZEBGUIBASE_CALLBACKFUNCTIONS_H
#define ZEBGUIBASE_CALLBACKFUNCTIONS_H

#include "zebguibase_export.h"

#include <cstdio>

/// The record of callbacks through which the diagnostics layer delivers its
/// lines.  The record is exchanged between separately built libraries, so the
/// field order is fixed; every field is one pointer wide and may be null.
struct DbgCallbackFunctions_t
{
    void (*lock)(void* context);            ///< taken around the delivery of a line
    void (*unlock)(void* context);          ///< released after the delivery
    void* context;                          ///< argument of lock and unlock
    void (*threadName)(char* buffer, int size); ///< fills the caller's thread name
    void* reserved1;                        ///< not used by the diagnostics layer
    void* reserved2;                        ///< not used by the diagnostics layer
    void* reserved3;                        ///< not used by the diagnostics layer
    unsigned long long (*time)();           ///< current time in milliseconds, when no fixed time is set
    void (*dump)(int value);                ///< called on a failed assertion with the dump value
    void (*logFileOpened)(FILE* stream);    ///< told which stream initialisation chose
    void (*output)(const char* text, int stream); ///< every formatted line; 1 = errors, 2 = others
    const char* (*getenv)(const char* name); ///< replaces the runtime's getenv
    void (*abort)();                        ///< replaces the process abort
};

/// The process-wide callback record: output to standard error, lock and unlock
/// on a mutex, the time in milliseconds since the epoch, the thread's name,
/// the runtime's getenv.  Dump, log-file and abort callbacks are null.
ZEBGUIBASE_EXPORT DbgCallbackFunctions_t* getCallBackFunctions();

#endif
