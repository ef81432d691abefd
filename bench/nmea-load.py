#!/usr/bin/env python3
"""NMEA recordings for the GNSS Monitor's benchmark, written to stdout.

  nmea-load.py day LOG     24 hours at 1 Hz made from a real recording (the
                           ZED-F9P log): its epochs repeated in a loop with
                           the times shifted, and C/N0 filled in (from the
                           elevation) for the signals the receiver listed
                           without one, so that every listed signal is a curve.
  nmea-load.py rate HZ S   S seconds at HZ of a receiver tracking 40
                           satellites (12 GPS, 8 GLONASS, 10 Galileo, 10
                           BeiDou) on two signals each: 80 curves.
"""
import math
import re
import sys


def checked(body):
    total = 0
    for c in body.encode():
        total ^= c
    return "$%s*%02X\r\n" % (body, total)


def hhmmss(seconds):
    seconds %= 86400
    return "%02d%02d%05.2f" % (seconds // 3600, seconds // 60 % 60, seconds % 60)


def day(log):
    lines = [l.rstrip("\r\n") for l in open(log, errors="replace") if l.startswith("$")]
    # Epochs start at RMC; keep whole epochs only.
    epochs, current = [], []
    for line in lines:
        if line.startswith("$GNRMC") and current:
            epochs.append(current)
            current = []
        current.append(line)
    epochs.append(current)
    out = sys.stdout
    for k in range(86400):
        source = epochs[k % len(epochs)]
        old = re.match(r"\$GNRMC,([0-9.]+)", source[0]).group(1)
        new = hhmmss(k)
        chunk = []
        for line in source:
            body = line[1:line.rindex("*")]
            body = body.replace(old, new)
            if body[2:5] == "GSV":
                fields = body.split(",")
                groups = (len(fields) - 4) // 4
                for g in range(groups):
                    i = 4 + 4 * g
                    if fields[i] and fields[i + 1] and not fields[i + 3]:
                        elevation = float(fields[i + 1])
                        fields[i + 3] = "%02d" % (15 + 25 * math.sin(math.radians(max(elevation, 0))))
                body = ",".join(fields)
            chunk.append(checked(body))
        out.write("".join(chunk))


def rate(hz, seconds):
    # system talker, NMEA system id, PRN offset, satellites, the two signal ids
    systems = [("GP", 1, 0, 12, (1, 6)), ("GL", 2, 64, 8, (1, 3)), ("GA", 3, 0, 10, (7, 2)), ("GB", 4, 0, 10, (1, 11))]
    out = sys.stdout
    step = 1.0 / hz
    for k in range(int(seconds * hz)):
        t = k * step
        time = hhmmss(t)
        lines = [checked("GNRMC,%s,A,4552.65403,S,17030.00668,E,0.025,,120419,,,R,V" % time),
                 checked("GNGGA,%s,4552.65403,S,17030.00668,E,4,40,0.52,14.2,M,1.8,M,1.0,0000" % time)]
        for talker, sid, offset, count, signals in systems:
            prns = ["%02d" % (offset + n + 1) for n in range(min(count, 12))]
            lines.append(checked("GNGSA,A,3,%s,1.02,0.52,0.88,%d" % (",".join(prns + [""] * (12 - len(prns))), sid)))
        for talker, sid, offset, count, signals in systems:
            for signal in signals:
                sats = []
                for n in range(count):
                    elevation = int(5 + (80 * (n + 1) / count + t / 60) % 85)
                    cn0 = int(25 + 20 * math.sin(math.radians(elevation)) + 2 * math.sin(t + n))
                    sats.append("%02d,%02d,%03d,%02d" % (offset + n + 1, elevation, (37 * n) % 360, cn0))
                total = (len(sats) + 3) // 4
                for s in range(total):
                    group = sats[4 * s:4 * s + 4]
                    lines.append(checked("%sGSV,%d,%d,%02d,%s,%X" % (talker, total, s + 1, count, ",".join(group), signal)))
        lines.append(checked("GNGST,%s,0.9,,,,0.012,0.010,0.020" % time))
        out.write("".join(lines))


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "day":
        day(sys.argv[2])
    elif len(sys.argv) == 4 and sys.argv[1] == "rate":
        rate(float(sys.argv[2]), float(sys.argv[3]))
    else:
        sys.exit(__doc__)
