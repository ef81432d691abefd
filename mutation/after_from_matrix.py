#!/usr/bin/env python3
"""The "after" score of mutation runs, from their kill matrices instead of a second full run.

usage: after_from_matrix.py RUN.jsonl [RUN.jsonl ...]

A mutant killed before stays killed when at least one of its killers still exists; a mutant whose
only killers were removed or rewritten test functions is counted as a survivor (and listed, to be
rerun), unless the rewritten function was seen to kill it again (CHECKED).  Survivors that a new
test was seen to kill (the mutated line applied by hand, library rebuilt, the test run and seen
failing) are counted as killed.
"""
import json, sys

# Test functions deleted, or merged into another function, since the runs.
REMOVED = {
    # first review
    "tst_dataarray::decimationCounter", "tst_xyplot::renderGeometrySettingsTitlesCaptionAndLegend",
    "tst_sharedtypes::enumerationsAndShiftAndClip", "tst_xycanvasview::secondScrollBarIsFatal",
    "tst_viewsynchronizer::noneScopeIsFatal", "tst_lineartimegrid::endOfListTypeIsFatal",
    # second review
    "tst_dataarray::liveObjectsAndMemoryReturnToStart", "tst_dataarray::fatalProgrammingErrors",
    "tst_compresseddataarray::invariantWarnings", "tst_filters::registrationAndOwnership",
    "tst_dbgmsgbuffer::wrapAroundKeepsNewestLines", "tst_timeplotwidget::everythingIsReleased",
    # fourth review (trimA): merged into another function of its file, or removed
    "tst_xycanvasdrawing::linesLandOnTheirPixels", "tst_xycanvasview::scrollBars", "tst_xycanvasview::zoomButtons",
    "tst_xyplot::renderedTitlesAndCaption", "tst_xyplot::renderedMarkerLabelsKeepTheCanvasFont",
    # third review (merged into tst_xydataset::signalRelaysAndLookReplacement)
    "tst_xydataset::signalRelays", "tst_xydataset::lookReplacement",
    "tst_xyplot::renderedLegendAndHopelessSizes",
    "tst_xycanvasmouse::rubberBandZoom", "tst_xycanvasmouse::panning",
    "tst_lineargrid::tickSpacingAndOffset", "tst_lineargrid::decimalsAndLabels", "tst_lineargrid::labelTextFollowsLocale",
    "tst_xycanvasdrawing::pointsInOneColumnBecomeOneLine", "tst_xycanvasdrawing::gapsAndInvalidPoints",
    "tst_xycanvasview::followPolicy", "tst_xycanvasview::manualPolicyAndPolicySignals",
    "tst_xycanvasdrawing::markerLayers", "tst_xycanvasdrawing::ellipsesAtAnyAspectRatio",
    "tst_xycanvashidpi::denseCurveKeepsItsShapeWithTwiceTheColumns", "tst_xycanvashidpi::hitTestIsTheSameAtEveryRatio",
}
# Test functions rewritten (shortened) since the runs: their kills count only where CHECKED says the
# new version was seen to kill the mutant again.
REWRITTEN = {
    "tst_bitdataarray::storageAndStatistics", "tst_compresseddataarray::conversionAndMemory",
    "tst_look::colorBarBackground", "tst_timeplotwidget::axisTitleFollowsTheTimeType",
    "tst_readymadeplots::gridsAndHorizontalMarkers", "tst_readymadeplots::spectrumBandsAndFixedBounds",
    "tst_sharedtypes::renderSettingsStack",
    # third review (canvas, plot, grid, scale and legend tests): bodies changed beyond moving the
    # definition into the class, a shorter spelling of the same call or merged declarations
    "tst_xycanvasdrawing::pointsInOneColumnBecomeOneLine", "tst_xycanvasdrawing::gapsAndInvalidPoints",
    "tst_xycanvasdrawing::colorBarsAndSymbols", "tst_xycanvasdrawing::ellipsesAtAnyAspectRatio",
    "tst_xycanvasdrawing::incrementalDrawingAndTimeBudget", "tst_xycanvasdrawing::viewportMapAndVisibleRange",
    "tst_xycanvasdrawing::degenerateInput", "tst_xycanvasfastpath::columnsMatchPointByPoint",
    "tst_xycanvasfastpath::incrementalDrawingAndArrayChanges",
    "tst_xycanvasfastpath::hitTestMatchesVisitingEveryCandidate", "tst_xycanvasview::followPolicy",
    "tst_xycanvasview::wheelKeepsPointUnderMouse", "tst_xycanvashidpi::gridLinesCoverWholeDevicePixels",
    "tst_xycanvashidpi::denseCurveKeepsItsShapeWithTwiceTheColumns",
    "tst_xycanvashidpi::followsItsWindowToAScreenOfAnotherRatio", "tst_lineargrid::tickSpacingAndOffset",
    "tst_lineargrid::decimalsAndLabels", "tst_lineargrid::gridLinesAndLabelsInPlot", "tst_lineargrid::degenerateExtents",
    "tst_xyscale::blankUntilGivenTicks", "tst_xyscale::yAxisTicksLabelsAndHiding", "tst_xyscale::xAxisTicksAndLabels",
    "tst_xylegend::namesArePlainText", "tst_xyscale::repaintsOnlyOnChange",
    "tst_xyscale::fixedLabels", "tst_plotexport::svgKeepsTheLayout", "tst_plotexport::pdfHasTextOnePageAndTheCurves",
    "tst_plotexport::rasterFilesResolutionAndErrors", "tst_verticallabel::textReadsUpwards",
    # third review: the storage and look model runs, the time plots, and the debug layer's test,
    # which now runs against its own copy of the layer
    "tst_dataarray::randomOperationsAgainstModel", "tst_dataarray::throttledVariance",
    "tst_dataarray::memoryAccountingAndReferences", "tst_compresseddataarray::randomOperationsAgainstModel",
    "tst_compresseddataarray::chunkingOfAppendsAndRemovals", "tst_bitdataarray::randomOperationsAgainstModel",
    "tst_blockminmaxcache::followsRandomChanges", "tst_blockminmaxcache::blocksAndMemory",
    "tst_look::randomizedAgainstModel", "tst_readymadeplots::correlationWindowStaysFixed",
    "tst_timeplotwidget::statisticsLineAndMarkerBounds", "tst_timeplotwidget::colourBarFiltersAndLegendRule",
    "tst_timeplotwidget::hiddenFixModeMasksTheSeries", "tst_debug::fatalAssertionsStopTheProgram",
    "tst_debug::linesHeadersAndDelivery", "tst_debug::longLinesAreCut", "tst_debug::environmentConfiguration",
    "tst_debug::initTerminateAndLogFile",
    # fourth pass on the same files: assertions joined, one-line helpers, the model's sortedness
    "tst_readymadeplots::toolBarSignalsReachThePlotAndCoordinatesComeBack",
    "tst_timeplotwidget::colourBarFiltersAndLegendRule", "tst_lineartimegrid::computedLocalOffset",
    "tst_lineartimegrid::ticksAreLabelledAsTimes", "tst_valuebasedlook::tableLookups",
    "tst_valuebasedlook::tableMaintenanceAndSearch", "tst_valuebasedlook::presentEntriesFollowTheNewestPoint",
    "tst_look::signalsAndDefaults", "tst_look::presentEntriesAndLegendTexts",
    "tst_look::fixedPositionsInterpolationAndMarkers", "tst_xydataset::referencesAndOwnership",
    "tst_xydataset::bounds", "tst_xydataset::signalRelaysAndLookReplacement", "tst_filters::viewportMaskFilter",
    "tst_dataarray::decimationKeepsEvenlySpacedSamples", "tst_compresseddataarray::conversion",
    "tst_bitdataarray::storageAndStatistics", "tst_dbgmsgbuffer::nodeSizes",
    "tst_dbgmsgbuffer::randomPushesKeepAConsistentRing", "tst_dbgmsgbuffer::dumpLines",
    "tst_viewsynchronizer::userNavigationSpreadsInTheEnabledDirections",
    "tst_viewsynchronizer::removedAndDeletedCanvases", "tst_viewsynchronizer::organizerScopesAndActions",
    "tst_viewsynchronizer::settingsRoundTrip", "tst_viewsynchronizer::optionsPageAndDialog",
}
CHECKED = {             # mutant id -> rewritten function seen killing it
    "src/timeplot/timeplotwidget.cpp:120:8:drop-statement": "tst_timeplotwidget::axisTitleFollowsTheTimeType",
    # third review: the same mutation on today's library (where the code moved: the drawing pass's own
    # class, the column search, the shared galloping search), RelWithDebInfo, the function run alone
    "src/xyplot/blockminmaxcache.cpp:20:4:drop-statement": "tst_xycanvasfastpath::columnsMatchPointByPoint",
    "src/xyplot/dataarray.cpp:307:16:drop-statement": "tst_xycanvasfastpath::incrementalDrawingAndArrayChanges",
    "src/xyplot/xycanvasdrawing.cpp:450:18:cmp == -> !=": "tst_xycanvasfastpath::columnsMatchPointByPoint",
    "src/xyplot/xycanvasdrawing.cpp:664:20:negate if": "tst_xycanvasfastpath::columnsMatchPointByPoint",
    "src/xyplot/xycanvasdrawing.cpp:728:26:cmp <= -> <": "tst_xycanvasfastpath::columnsMatchPointByPoint",
    "src/xyplot/xycanvasdrawing.cpp:744:16:drop-statement": "tst_xycanvasfastpath::columnsMatchPointByPoint",
    "src/xyplot/xycanvasdrawing.cpp:765:19:off-by-one drop '+ 1'": "tst_xycanvasdrawing::incrementalDrawingAndTimeBudget",
    "src/xyplot/xycanvasdrawing.cpp:851:4:drop-statement": "tst_xycanvasdrawing::incrementalDrawingAndTimeBudget",
    "src/xyplot/xycanvasmouse.cpp:510:46:swap std::min -> std::max": "tst_xycanvasfastpath::hitTestMatchesVisitingEveryCandidate",
    "src/xyplot/xycanvasmouse.cpp:514:16:negate if": "tst_xycanvasfastpath::hitTestMatchesVisitingEveryCandidate",
    "src/xyplot/xycanvasmouse.cpp:554:77:cmp > -> >=": "tst_xycanvasfastpath::hitTestMatchesVisitingEveryCandidate",
    "src/xyplot/xycanvasmouse.cpp:561:12:negate if": "tst_xycanvasfastpath::hitTestMatchesVisitingEveryCandidate",
    "src/xyplot/lineargrid.cpp:75:38:logic && -> ||": "tst_lineargrid::degenerateExtents",
    "src/xyplot/xyscale.cpp:147:16:drop-statement": "tst_xyscale::xAxisTicksAndLabels",
    "src/xyplot/xyscale.cpp:197:24:cmp == -> !=": "tst_xyscale::fixedLabels",
    # third review (blockminmaxcache.cpp:161 was checked on the same expression, now line 229)
    "src/look/look.cpp:619:42:off-by-one drop '- 1'": "tst_look::randomizedAgainstModel",
    "src/look/look.cpp:619:35:cmp == -> !=": "tst_look::randomizedAgainstModel",
    "src/look/look.cpp:624:4:drop-statement": "tst_look::randomizedAgainstModel",
    "src/xyplot/bitdataarray.cpp:92:27:off-by-one drop '+ 1'": "tst_bitdataarray::randomOperationsAgainstModel",
    "src/xyplot/blockminmaxcache.cpp:67:4:negate if": "tst_blockminmaxcache::blocksAndMemory",
    "src/xyplot/blockminmaxcache.cpp:116:16:drop-statement": "tst_blockminmaxcache::followsRandomChanges",
    "src/xyplot/compresseddataarraytemplate.cpp:31:10:cmp < -> <=": "tst_compresseddataarray::chunkingOfAppendsAndRemovals",
    "src/xyplot/compresseddataarraytemplate.cpp:64:4:drop-statement": "tst_compresseddataarray::randomOperationsAgainstModel",
    "src/xyplot/compresseddataarraytemplate.cpp:75:4:drop-statement": "tst_compresseddataarray::randomOperationsAgainstModel",
    "src/xyplot/compresseddataarraytemplate.cpp:81:4:drop-statement": "tst_compresseddataarray::randomOperationsAgainstModel",
    "src/xyplot/compresseddataarraytemplate.cpp:231:14:off-by-one drop '- 1'": "tst_compresseddataarray::chunkingOfAppendsAndRemovals",
    "src/xyplot/compresseddataarraytemplate.cpp:373:41:off-by-one drop '+ 1'": "tst_compresseddataarray::randomOperationsAgainstModel",
    "src/xyplot/compresseddataarraytemplate.cpp:395:11:negate if": "tst_compresseddataarray::randomOperationsAgainstModel",
    "src/xyplot/compresseddataarraytemplate.cpp:408:19:logic || -> &&": "tst_compresseddataarray::randomOperationsAgainstModel",
    "src/xyplot/compresseddataarraytemplate.cpp:454:28:logic && -> ||": "tst_compresseddataarray::chunkingOfAppendsAndRemovals",
    "src/xyplot/compresseddataarraytemplate.cpp:480:4:drop-statement": "tst_compresseddataarray::randomOperationsAgainstModel",
    "src/xyplot/compresseddataarraytemplate.cpp:491:25:logic && -> ||": "tst_compresseddataarray::randomOperationsAgainstModel",
    "src/xyplot/compresseddataarraytemplate.cpp:517:66:cmp == -> !=": "tst_compresseddataarray::randomOperationsAgainstModel",
    "src/xyplot/dataarray.cpp:347:4:negate if": "tst_dataarray::randomOperationsAgainstModel",
    "src/xyplot/dataarray.cpp:357:12:drop-statement": "tst_dataarray::randomOperationsAgainstModel",
    "src/xyplot/dataarray.cpp:418:8:negate if": "tst_dataarray::randomOperationsAgainstModel",
    "src/xyplot/dataarray.cpp:476:58:off-by-one drop '- 1'": "tst_dataarray::randomOperationsAgainstModel",
    "src/xyplot/dataarray.cpp:605:11:cmp == -> !=": "tst_dataarray::randomOperationsAgainstModel",
    "src/xyplot/dataarraytemplate.cpp:101:4:negate if": "tst_dataarray::randomOperationsAgainstModel",
    "src/xyplot/dataarraytemplate.cpp:103:12:negate if": "tst_dataarray::randomOperationsAgainstModel",
    "lib/Core/Debug/dbg.cpp:111:12:drop-statement": "tst_debug::fatalAssertionsStopTheProgram",
    "src/timeplot/correlationplotwidget.cpp:16:4:drop-statement": "tst_readymadeplots::correlationWindowStaysFixed",
    "src/timeplot/timeplotwidget.cpp:36:4:drop-statement": "tst_timeplotwidget::statisticsLineAndMarkerBounds",
    "lib/Core/Debug/dbg.cpp:169:12:drop-statement": "tst_debug::linesHeadersAndDelivery",
    "lib/Core/Debug/dbg.cpp:182:4:negate if": "tst_debug::linesHeadersAndDelivery",
    "lib/Core/Debug/dbg.cpp:189:8:drop-statement": "tst_debug::linesHeadersAndDelivery",
    "lib/Core/Debug/dbg.cpp:250:11:negate if": "tst_debug::linesHeadersAndDelivery",
    "lib/Core/Debug/dbg.cpp:485:8:negate if": "tst_debug::fatalAssertionsStopTheProgram",
    "lib/Core/Debug/dbg.cpp:517:4:negate if": "tst_debug::linesHeadersAndDelivery",
    "lib/Core/Debug/dbg.cpp:544:21:cmp <= -> <": "tst_debug::environmentConfiguration",
    "lib/Core/Debug/dbg.cpp:551:4:negate if": "tst_debug::fatalAssertionsStopTheProgram",
    "src/timeplot/spectrumplotwidget.cpp:91:4:drop-statement": "tst_readymadeplots::spectrumBandsAndFixedBounds",
    "src/timeplot/timeplotwidget.cpp:49:4:drop-statement": "tst_timeplotwidget::statisticsLineAndMarkerBounds",
    "src/xyplot/viewsynchronizer.cpp:99:16:logic || -> &&": "tst_viewsynchronizer::removedAndDeletedCanvases",
    "src/xyplot/blockminmaxcache.cpp:161:32:swap std::min -> std::max": "tst_blockminmaxcache::followsRandomChanges",
    # fourth review: functions merged under a new name, or whose other killers were rewritten
    "src/xyplot/xycanvas.cpp:558:8:drop-statement": "tst_xycanvasview::scrollBarsAndZoomButtons",
    "src/xyplot/xycanvas.cpp:1084:8:drop-statement": "tst_xycanvasview::scrollBarsAndZoomButtons",
    "src/xyplot/xycanvasdrawing.cpp:78:4:drop-statement": "tst_xycanvasfastpath::columnsMatchPointByPoint",
    "src/xyplot/xycanvasdrawing.cpp:608:28:drop-statement": "tst_xycanvasfastpath::columnsMatchPointByPoint",
    # fourth pass
    "src/look/look.cpp:295:4:drop-statement": "tst_look::presentEntriesAndLegendTexts",
    "src/look/look.cpp:343:76:cmp == -> !=": "tst_look::presentEntriesAndLegendTexts",
    "src/look/valuebasedlook.cpp:84:35:logic && -> ||": "tst_valuebasedlook::tableLookups",
    "src/look/valuebasedlook.cpp:127:29:logic && -> ||": "tst_valuebasedlook::presentEntriesFollowTheNewestPoint",
    "src/xyplot/xycanvas.cpp:984:4:drop-statement": "tst_readymadeplots::toolBarSignalsReachThePlotAndCoordinatesComeBack",
    "lib/Core/Debug/src/dbgmsgbuffer.cpp:39:39:off-by-one drop '+ 1'": "tst_dbgmsgbuffer::nodeSizes",
    "src/xyplot/viewsynchronizationoptionswidget.cpp:44:4:negate if": "tst_viewsynchronizer::optionsPageAndDialog",
    "src/xyplot/viewsynchronizationorganizer.cpp:22:64:cmp <= -> <": "tst_viewsynchronizer::organizerScopesAndActions",
    "src/xyplot/viewsynchronizationoptionswidget.cpp:104:4:drop-statement": "tst_viewsynchronizer::optionsPageAndDialog",
    # after merging both branches: mutants whose killers were rewritten on different branches, checked
    # again on the merged tests (today's library, the line found by its text or its counterpart)
    "src/xyplot/blockminmaxcache.cpp:104:8:negate if": "tst_blockminmaxcache::followsRandomChanges",
    "src/xyplot/blockminmaxcache.cpp:167:38:off-by-one drop '+ 1'": "tst_blockminmaxcache::followsRandomChanges",
    "src/xyplot/blockminmaxcache.cpp:173:47:off-by-one drop '- 1'": "tst_blockminmaxcache::followsRandomChanges",
    "src/xyplot/dataarray.cpp:141:8:drop-statement": "tst_dataarray::randomOperationsAgainstModel",
    "src/xyplot/dataarray.cpp:549:4:negate if": "tst_dataarray::randomOperationsAgainstModel",
    "src/xyplot/xycanvas.cpp:728:18:cmp == -> !=": "tst_viewsynchronizer::removedAndDeletedCanvases",
    "src/xyplot/xycanvas.cpp:978:4:drop-statement": "tst_readymadeplots::toolBarSignalsReachThePlotAndCoordinatesComeBack",
    "src/xyplot/xycanvasdrawing.cpp:355:8:drop-statement": "tst_xycanvasdrawing::colorBarsAndSymbols",
    "src/xyplot/xycanvasdrawing.cpp:491:28:logic && -> ||": "tst_xycanvasdrawing::columnsGapsAndInvalidPoints",
    "src/xyplot/xycanvasdrawing.cpp:780:25:logic && -> ||": "tst_xycanvasdrawing::columnsGapsAndInvalidPoints",
}
KILLED_BY_NEW_TESTS = {
    "src/look/look.cpp:74:26:cmp < -> <=": "tst_look::signalsAndDefaults",
    "src/look/valuebasedlook.cpp:37:49:logic || -> &&": "tst_valuebasedlook::tableLookups",
    "src/xyplot/dataarray.cpp:225:25:logic || -> &&": "tst_dataarray::extremesForBounds",
    "src/xyplot/xycanvas.cpp:939:4:drop-statement": "tst_xycanvasview::zoomAndDrag",
    "src/xyplot/xycanvas.cpp:990:4:drop-statement": "tst_xycanvasview::zoomAndDrag",
    "src/xyplot/xycanvas.cpp:995:4:drop-statement": "tst_xycanvasview::zoomAndDrag",
    # second review
    "src/timeplot/spectrumplotwidget.cpp:91:4:drop-statement": "tst_readymadeplots::spectrumBandsAndFixedBounds",
    "src/xyplot/lineargrid.cpp:234:12:drop-statement": "tst_lineargrid::gridLinesAndLabelsInPlot",
    "src/xyplot/xydataset.cpp:86:59:swap std::max -> std::min": "tst_xydataset::bounds",
    "src/timeplot/timeplotwidget.cpp:49:4:drop-statement": "tst_timeplotwidget::statisticsLineAndMarkerBounds",
}

for path in sys.argv[1:]:
    records = [json.loads(line) for line in open(path) if line.strip()]
    records = [r for r in records if "meta" not in r and r["status"] in ("killed", "survived")]
    before = sum(r["status"] == "killed" for r in records)
    gone = REMOVED | REWRITTEN
    lost = [r["id"] for r in records if r["status"] == "killed" and set(r["killers"]) <= gone
            and r["id"] not in CHECKED]
    gained = [r["id"] for r in records if r["status"] == "survived" and r["id"] in KILLED_BY_NEW_TESTS]
    after = before - len(lost) + len(gained)
    n = len(records)
    print(f"{path}:")
    print(f"  before {before}/{n} = {100 * before / n:.1f}%")
    print(f"  after  {after}/{n} = {100 * after / n:.1f}%")
    print(f"  lost (only removed or rewritten functions killed them): {lost or 'none'}")
    for r in records:
        if r["status"] == "killed" and set(r["killers"]) <= gone and set(r["killers"]) & REWRITTEN \
                and r["id"] not in CHECKED:
            print(f"  to check: {r['id']} killed by {sorted(set(r['killers']) & REWRITTEN)}")
    for g in gained:
        print(f"  gained: {g}  by {KILLED_BY_NEW_TESTS[g]}")
