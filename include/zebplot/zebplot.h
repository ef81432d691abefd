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

// Data storage
#include "dataarray.h"
#include "abstractdataarraytemplate.h"
#include "dataarraytemplate.h"
#include "bitdataarray.h"
#include "compresseddataarraytemplate.h"
#include "blockminmaxcache.h"

// Grids and scales
#include "xyabstractgrid.h"
#include "lineargrid.h"
#include "xyscale.h"

// Plot widgets
#include "verticallabel.h"

// Legends
#include "looklegend.h"
#include "xylegend.h"

// The plot widget
#include "xyplot.h"

// Canvas
#include "marker.h"
#include "viewportmap.h"
#include "xycanvas.h"

// Data sets
#include "xydataset.h"

// Appearance, filters and draw listeners
#include "look.h"
#include "valuebasedlook.h"
#include "xydatasetfilter.h"
#include "xydatasetdrawlistener.h"
#include "colorbardrawlistener.h"
#include "viewportmaskfilter.h"

// Time plots
#include "lineartimegrid.h"
#include "toolbarplotwidget.h"
#include "timeplotwidget.h"
#include "spectrumplotwidget.h"
#include "correlationplotwidget.h"

// View synchronization
#include "viewsynchronizer.h"
#include "viewsynchronizationorganizer.h"
#include "viewsynchronizationoptionswidget.h"

#endif
