# Runs the monitor headless and checks what it wrote.
#   cmake -DMONITOR=... -DCHECK=... -DRUN=simulated|decimated|replay|piped|crowded|badargs|zedf9p|trimble|quectel|gpsdjson|nodate
#         -DFIXTURE=... -DDATA=... -DOUT=... -P smoketest.cmake
file(REMOVE_RECURSE "${OUT}")

if(RUN STREQUAL "badargs")
  # Each mistake ends at once with exit code 2 and says what is wrong,
  # instead of running forever or quietly doing something else.
  set(cases "--rate|inf" "--rate|1e9" "--rate|nan" "--duration|inf" "--duration|1e12" "--speed|nan"
            "--speed|inf" "--max-points|1e12" "--max-points|-5" "--seed|4294967296" "--size|200x149"
            "--size|99999x150" "--replay=" "--render=" "stray.csv" "--follow" "--tcp|localhost"
            "--tcp|localhost:0" "--serial|/dev/null:12" "--gpsd|host:99999" "--date|2019-02-30"
            "--replay|a.log|--gpsd" "--date|1979-12-31" "--format|gif" "--format|,")
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
  set(files signal-strength fix-mode satellites dop cn0-elevation spectrum correlation window)
  set(vector_files signal-strength fix-mode satellites dop cn0-elevation spectrum correlation)
elseif(RUN STREQUAL "decimated")
  # Ten minutes squeezed into at most 150 samples: the stored samples end up
  # more than six seconds apart and must still be joined into curves.
  set(args --render "${OUT}" --duration 600 --max-points 150 --decimate --size 1200x700)
  set(files signal-strength fix-mode satellites dop cn0-elevation)
elseif(RUN STREQUAL "crowded")
  # More curves than a legend can show at the smallest size (every GPS,
  # GLONASS, Galileo and BeiDou satellite on L1): the legend cannot fit, and
  # nothing may wait for an answer.  A very long name is no series at all.
  string(REPEAT "W" 400 long)
  set(crowd "")
  foreach(second RANGE 5)
    foreach(system G32 R32 E36 C63)
      string(SUBSTRING "${system}" 0 1 letter)
      string(SUBSTRING "${system}" 1 -1 count)
      foreach(k RANGE 1 ${count})
        math(EXPR cn0 "10 + ${k}")
        string(APPEND crowd "139855680${second}000,cn0:${letter}${k},${cn0}\n")
      endforeach()
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
elseif(RUN STREQUAL "zedf9p")
  # Dual frequency: a band at a time, DOPs, C/N0 against elevation.
  set(args --replay "${DATA}/ublox-zed-f9p-nmea.log" --duration 86400 --render "${OUT}" --size 1200x700)
  set(files signal-strength signal-strength-L2 signal-strength-E5b cn0-elevation cn0-elevation-L2 fix-mode satellites dop window)
elseif(RUN STREQUAL "trimble")
  # Ten seconds of DGNSS, ten minutes later two of RTK fixed: wide enough
  # for both to show.
  # No --duration: a replay is read to its end (RTK fixed starts 10 minutes in).
  set(args --replay "${DATA}/nmea-rtk.log" --render "${OUT}" --size 8000x700)
  set(plotsize 8000x700)
  set(files fix-mode satellites)
elseif(RUN STREQUAL "quectel")
  set(args --replay "${DATA}/quectelLC79D.log" --duration 86400 --render "${OUT}" --size 1200x700)
  set(files signal-strength signal-strength-L5 cn0-elevation fix-mode satellites dop)
elseif(RUN STREQUAL "gpsdjson")
  set(args --replay "${DATA}/ublox-zed-f9p-gpsd.json" --duration 86400 --render "${OUT}" --size 1200x700)
  set(files signal-strength)
elseif(RUN STREQUAL "nodate")
  # The Trimble log without its RMC sentences: times, but no date.
  file(STRINGS "${DATA}/nmea-rtk.log" lines REGEX "GGA")
  list(JOIN lines "\n" text)
  file(WRITE "${OUT}-gga.log" "${text}\n")
  execute_process(COMMAND "${MONITOR}" --replay "${OUT}-gga.log" --render "${OUT}"
    OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE result TIMEOUT 60)
  if(NOT result EQUAL 1 OR NOT errors MATCHES "no date .*--date YYYY-MM-DD")
    message(FATAL_ERROR "a log without date: exit ${result}, stderr: ${errors}")
  endif()
  set(args --replay "${OUT}-gga.log" --date 2020-03-18 --duration 86400 --render "${OUT}" --size 8000x700)
  set(plotsize 8000x700)
  set(files fix-mode)
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

# What the plots hold, against the recordings read by eye.
set(expect_replay "monitor CSV: 676 lines, 100 epochs; 4 broken" "line 9: time is not a number"
    "C/N0 L1: 4 curves: G05 L1 G12 L1 E24 E1 R07 L1OF")
set(expect_piped ${expect_replay})
set(expect_crowded "C/N0 L1: 163 curves" "skipped 6 \\(6 cn0:WWWW")
# The first epoch, 00:39:56, by eye: GPS L1 (signal 1) tracked 05 10 13 15 16
# 20 21 27 29, L2 (6) only 27; GLONASS L1OF 66 81 82 87 (R02 R17 R18 R23),
# L2OF 66 81 82; Galileo E1 (7) 07 12 18 33, E5b (2) 12 18; BeiDou B1I 08 12
# 13 19 21 22 (its second GSV group has no signal id and no C/N0).  Later
# epochs add G10 L2 and R08 L2OF; every GGA has quality 1.
set(expect_zedf9p "NMEA 0183: 1027 lines, 29 epochs; skipped 58 \\(29 GNGBS, 29 GNVTG\\)"
    "C/N0 L1: 23 curves: G05 L1 G10 L1 G13 L1 G15 L1 G16 L1 G20 L1 G21 L1 G27 L1 G29 L1 R02 L1OF R17 L1OF R18 L1OF R23 L1OF E07 E1 E12 E1 E18 E1 E33 E1 C08 B1I C12 B1I C13 B1I C19 B1I C21 B1I C22 B1I\n"
    "C/N0 L2: 6 curves: G27 L2 R02 L2OF R17 L2OF R18 L2OF R08 L2OF G10 L2\n" "C/N0 E5b: 2 curves: E12 E5b E18 E5b\n"
    "29 epochs; fix modes: Autonomous 29;")
# GGA quality 2 from 13:28:19.60 to 13:28:29.90 (104 epochs), 4 from
# 13:38:59.80 (18 epochs); no GSV, so no C/N0.
set(expect_trimble "122 epochs; fix modes: DGNSS 104, RTK fixed 18;")
# 284 $PGLOR lines; 30 GGA with quality 1; GPS L1 and L5, Galileo E1 and E5a.
set(expect_quectel "skipped [0-9]+ \\([^)]*284 PGLOR" "C/N0 L5: [0-9]+ curves: G06 L5" "30 epochs; fix modes: Autonomous 30;")
# gpsd names Galileo 33 SBAS 120 (S20) when it reads NMEA.
set(expect_gpsdjson "gpsd JSON: 24 lines, 2 epochs" "C/N0 L1: 23 curves: .* S20 L1 C08 B1I")
set(expect_nodate "122 epochs; fix modes: DGNSS 104, RTK fixed 18;")
foreach(expected IN LISTS expect_${RUN})
  if(NOT output MATCHES "${expected}")
    message(FATAL_ERROR "expected in the output: ${expected}")
  endif()
endforeach()
if(RUN STREQUAL "replay" OR RUN STREQUAL "piped")
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
# DOP curves (PDOP, HDOP, VDOP) and C/N0 against elevation (GPS, Galileo).
set(checks_dop 30 "#282828" "#1f77b4" "#d62728")
set(checks_cn0-elevation 30 "#1f77b4" "#2ca02c")
if(RUN STREQUAL "zedf9p")
  # Autonomous all along; GPS and GLONASS on L2, only Galileo on E5b.
  set(checks_fix-mode 40 "#f59600" "#5a2896")
  set(checks_window 80 "#f59600" "#005aa0")
  set(checks_cn0-elevation-L2 30 "#d62728")
  set(checks_signal-strength-L2 40)
  set(checks_signal-strength-E5b 30)
elseif(RUN STREQUAL "trimble")
  set(checks_fix-mode 30 "#e1cd00" "#1ea03c")
elseif(RUN STREQUAL "nodate")
  set(checks_fix-mode 30 "#e1cd00")
elseif(RUN STREQUAL "quectel")
  set(checks_fix-mode 30 "#f59600")
  set(checks_signal-strength-L5 30)
elseif(RUN STREQUAL "gpsdjson")
  set(checks_signal-strength 40)
endif()
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
  elseif(plotsize)
    set(size ${plotsize})
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
