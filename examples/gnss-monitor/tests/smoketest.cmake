# Runs the monitor headless and checks what it wrote.
#   cmake -DMONITOR=... -DCHECK=... -DRUN=simulated|decimated|replay|piped|crowded|badargs -DFIXTURE=... -DOUT=...
#         -P smoketest.cmake
file(REMOVE_RECURSE "${OUT}")

if(RUN STREQUAL "badargs")
  # Each mistake ends at once with exit code 2 and says what is wrong,
  # instead of running forever or quietly doing something else.
  set(cases "--rate|inf" "--rate|1e9" "--rate|nan" "--duration|inf" "--duration|1e12" "--speed|nan"
            "--speed|inf" "--max-points|1e12" "--max-points|-5" "--seed|4294967296" "--size|200x149"
            "--size|99999x150" "--replay=" "--render=" "stray.csv" "--follow" "--format|gif" "--format|,")
  foreach(case IN LISTS cases)
    string(REPLACE "|" ";" args "${case}")
    execute_process(COMMAND "${MONITOR}" --render "${OUT}" ${args}
      OUTPUT_QUIET ERROR_VARIABLE errors RESULT_VARIABLE result TIMEOUT 20)
    if(NOT result STREQUAL "2" OR NOT errors MATCHES "gnss-monitor: ")
      message(FATAL_ERROR "${args}: exit ${result}, expected 2 with a message; stderr: ${errors}")
    endif()
  endforeach()
  return()
endif()

if(RUN STREQUAL "simulated")
  # Three minutes of data with a small point limit, so that the oldest
  # samples are dropped on the way.
  set(args --render "${OUT}" --duration 180 --max-points 1200 --size 1200x700 --format png,pdf,svg)
  set(files signal-strength fix-mode satellites spectrum correlation window)
  set(vector_files signal-strength fix-mode satellites spectrum correlation)
elseif(RUN STREQUAL "decimated")
  # Ten minutes squeezed into at most 150 samples: the stored samples end up
  # more than six seconds apart and must still be joined into curves.
  set(args --render "${OUT}" --duration 600 --max-points 150 --decimate --size 1200x700)
  set(files signal-strength fix-mode satellites)
elseif(RUN STREQUAL "crowded")
  # More series than a legend can show at the smallest size, one with a very
  # long name: the legend cannot fit, and nothing may wait for an answer.
  string(REPEAT "W" 400 long)
  set(crowd "")
  foreach(second RANGE 5)
    foreach(k RANGE 1 160)
      string(APPEND crowd "139855680${second}000,cn0:S${k},${k}\n")
    endforeach()
    string(APPEND crowd "139855680${second}000,cn0:${long},40\n")
  endforeach()
  file(WRITE "${OUT}-crowd.csv" "${crowd}")
  set(args --replay "${OUT}-crowd.csv" --render "${OUT}" --size 200x150)
  set(files signal-strength fix-mode satellites)
  set(size 200x150)
elseif(RUN STREQUAL "piped")
  set(args --replay /dev/stdin --render "${OUT}" --size 1200x700)
  set(files signal-strength fix-mode satellites window)
else()
  set(args --replay "${FIXTURE}" --render "${OUT}" --size 1200x700)
  set(files signal-strength fix-mode satellites window)
endif()

if(RUN STREQUAL "piped")
  # The same recording through a pipe, as a recorder or a converter would
  # deliver it.
  execute_process(COMMAND "${CMAKE_COMMAND}" -E cat "${FIXTURE}"
    COMMAND "${MONITOR}" ${args}
    OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE result TIMEOUT 120)
else()
  execute_process(COMMAND "${MONITOR}" ${args}
    OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE result TIMEOUT 120)
endif()
message("${output}${errors}")
if(NOT result EQUAL 0)
  message(FATAL_ERROR "gnss-monitor exited with ${result}")
endif()

if(RUN STREQUAL "replay" OR RUN STREQUAL "piped")
  # The fixture holds exactly four lines that do not parse.
  if(NOT output MATCHES "4 broken lines skipped")
    message(FATAL_ERROR "the broken lines of the fixture were not reported")
  endif()
  if(NOT errors MATCHES "line 9: time is not a number")
    message(FATAL_ERROR "the first broken line was not reported with its number")
  endif()
  if(output MATCHES "spectrum.png")
    message(FATAL_ERROR "a replay has no spectrum to render")
  endif()
endif()

# Curve and bar colours that must show: the first satellite's curve, the
# position error, the satellite count, and the fix modes of the run (RTK float
# and fixed).
set(checks_signal-strength 60 "#1f77b4")
set(checks_fix-mode 40 "#5a2896" "#1ea03c" "#3c82e6")
set(checks_satellites 30 "#005aa0")
set(checks_spectrum 40 "#143c96")
set(checks_correlation 40 "#1f77b4" "#d62728")
set(checks_window 80 "#1ea03c" "#5a2896" "#005aa0")
if(RUN STREQUAL "crowded")
  # Too small for the colour checks; drawn is enough.
  foreach(name IN LISTS files)
    set(checks_${name} 8)
  endforeach()
endif()

foreach(name IN LISTS files)
  set(png "${OUT}/${name}.png")
  if(NOT EXISTS "${png}")
    message(FATAL_ERROR "${png} was not written")
  endif()
  if(NOT output MATCHES "wrote [^\n]*${name}.png")
    message(FATAL_ERROR "${name}.png was not reported")
  endif()
  if(name STREQUAL "window")
    # The window's size is the platform's business; read it from the report.
    string(REGEX MATCH "window.png \\(([0-9]+x[0-9]+)\\)" _ "${output}")
    set(size "${CMAKE_MATCH_1}")
  elseif(NOT RUN STREQUAL "crowded")
    set(size 1200x700)
  endif()
  execute_process(COMMAND "${CHECK}" "${png}" ${size} ${checks_${name}}
    OUTPUT_VARIABLE check RESULT_VARIABLE result)
  message("${check}")
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "pixel check of ${name}.png failed")
  endif()
endforeach()

# The vector files of the plots, when asked for: there, reported, not empty.
foreach(name IN LISTS vector_files)
  foreach(type IN ITEMS pdf svg)
    set(file "${OUT}/${name}.${type}")
    if(NOT EXISTS "${file}")
      message(FATAL_ERROR "${file} was not written")
    endif()
    file(SIZE "${file}" bytes)
    if(NOT output MATCHES "wrote [^\n]*${name}.${type}" OR bytes LESS 1000)
      message(FATAL_ERROR "${file} was not written (${bytes} bytes)")
    endif()
  endforeach()
endforeach()
