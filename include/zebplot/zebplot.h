#ifndef ZEBPLOT_ZEBPLOT_H
#define ZEBPLOT_ZEBPLOT_H

// Umbrella header: every exported class, free function and variable of the
// plotting library.

#include "zebplot_export.h"

// Diagnostics
#include "dbg.h"
#include "dbgmsgbuffer.h"

// Shared types and render settings
#include "plottypes.h"
#include "bounds.h"
#include "plotrendersettings.h"

#endif
