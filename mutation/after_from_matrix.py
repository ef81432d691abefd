#!/usr/bin/env python3
"""The "after" score of a mutation run, from its kill matrix instead of a second full run.

usage: after_from_matrix.py before.jsonl

A mutant killed before stays killed when at least one of its killers still exists; a mutant whose
only killers were removed or rewritten test functions is counted as a survivor (and listed, to be
rerun).  Survivors that a new test was seen to kill (the mutated line applied by hand, library
rebuilt, the test run and seen failing) are counted as killed.
"""
import json, sys

REMOVED = {"tst_dataarray::decimationCounter", "tst_xyplot::renderGeometrySettingsTitlesCaptionAndLegend",
           "tst_sharedtypes::enumerationsAndShiftAndClip", "tst_xycanvasview::secondScrollBarIsFatal",
           "tst_viewsynchronizer::noneScopeIsFatal", "tst_lineartimegrid::endOfListTypeIsFatal"}
KILLED_BY_NEW_TESTS = {
    "src/look/look.cpp:74:26:cmp < -> <=": "tst_look::signalsAndDefaults",
    "src/look/valuebasedlook.cpp:37:49:logic || -> &&": "tst_valuebasedlook::tableLookups",
    "src/xyplot/dataarray.cpp:225:25:logic || -> &&": "tst_dataarray::extremesForBounds",
    "src/xyplot/xycanvas.cpp:939:4:drop-statement": "tst_xycanvasview::zoomAndDrag",
    "src/xyplot/xycanvas.cpp:990:4:drop-statement": "tst_xycanvasview::zoomAndDrag",
    "src/xyplot/xycanvas.cpp:995:4:drop-statement": "tst_xycanvasview::zoomAndDrag",
}

records = [json.loads(line) for line in open(sys.argv[1]) if line.strip()]
records = [r for r in records if "meta" not in r and r["status"] in ("killed", "survived")]
before = sum(r["status"] == "killed" for r in records)
lost = [r["id"] for r in records if r["status"] == "killed" and set(r["killers"]) <= REMOVED]
gained = [r["id"] for r in records if r["status"] == "survived" and r["id"] in KILLED_BY_NEW_TESTS]
after = before - len(lost) + len(gained)
n = len(records)
print(f"before {before}/{n} = {100 * before / n:.1f}%")
print(f"after  {after}/{n} = {100 * after / n:.1f}%")
print(f"lost (only removed or rewritten functions killed them): {lost or 'none'}")
for g in gained:
    print(f"gained: {g}  by {KILLED_BY_NEW_TESTS[g]}")
