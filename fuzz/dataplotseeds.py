#!/usr/bin/env python3
"""Writes the seed inputs of fuzz_dataplot into corpus/fuzz_dataplot/.

Each seed is a short session in the target's encoding (see Op in
fuzz_dataplot.cpp): two configuration bytes, then opcodes with arguments.
"""
import os
import struct

OPS = ("AppendPoint AppendBurst LeftShift Decimate ReplaceValue SetViewBounds ZoomTo ZoomStep Drag "
       "MousePress MouseMove MouseRelease Wheel EnterLeave Cursor Policy Limits ChangeLook ToggleVisible "
       "Render Repaint Stream Resize ShowAll TimeAxis Markers LabelsAndLegend PostedEvents ViewportMargin "
       "ScrollBar LegendClick Tracking").split()


def op(name, *args):
    return bytes([OPS.index(name)]) + b"".join(args)


def b(*values):
    return bytes(values)


def num(value):
    """A plain number: the int16 form of anyDouble, scaled by 10^0."""
    return b(66) + struct.pack(">h", value)


def special(index):
    """anyDouble's table: 0 NaN, 1 inf, 2 -inf, 3 1e308, 4 -1e308, 7 denormal."""
    return b(index)


def raw(value):
    return b(32) + struct.pack(">d", value)


def at(x, y):
    return b(x + 8, 0, y + 8)


def stream(data_set, count, base, amplitude):
    return op("AppendBurst", b(data_set, count - 1), num(base), num(amplitude)) + op("Stream")


SEEDS = {
    # A plain plot: lines streaming in, drawn, rendered with a legend.
    "plain-stream": b(0b0000_0100, 0b00_01_00) + stream(0, 100, 40, 2) + stream(1, 100, 30, 3)
    + op("Render", b(64, 48, 7)) + op("Repaint", b(0)),
    # A time plot with a colour bar, shifted and decimated as the monitor bounds its memory.
    "time-shift-decimate": b(0b0000_1101, 0b00_10_00) + stream(0, 200, 45, 1) + stream(1, 200, 2, 1)
    + op("LeftShift", b(0), b(0, 50)) + op("Decimate", b(0)) + op("Stream") + op("TimeAxis", b(1), num(2), b(0, 218))
    + op("Render", b(64, 48, 3)),
    # Rubber-band zoom and panning with the mouse, then the wheel.
    "mouse": b(0b0001_0000, 0) + stream(0, 150, 0, 100) + op("Cursor", b(1)) + op("MousePress", at(20, 20), b(0))
    + op("MouseMove", at(60, 50), b(0)) + op("MouseRelease", at(60, 50), b(0)) + op("Cursor", b(2))
    + op("MousePress", at(50, 50), b(0)) + op("MouseMove", at(10, 30), b(0)) + op("MouseRelease", at(10, 30), b(0))
    + op("Wheel", at(40, 40), struct.pack(">h", 240)) + op("Wheel", at(40, 40), struct.pack(">h", -360))
    + op("Repaint", b(2)),
    # Extremes: infinities, 1e308 and NaN among ordinary points, then views and zooms.
    "extremes": b(0b0000_0010, 0b01) + stream(0, 50, 10, 1) + op("AppendPoint", b(0, 1), special(1))
    + op("AppendPoint", b(1, 1), special(3)) + op("AppendPoint", b(0, 1), special(0))
    + op("AppendPoint", b(0, 1), special(7)) + op("Stream")
    + op("SetViewBounds", num(0), num(10), raw(-1e300), raw(1e300), b(1)) + op("ZoomStep", b(0)) * 3
    + op("ZoomTo", b(1), num(5), num(5), b(1)) + op("ShowAll") + op("Render", b(40, 30, 1)),
    # Policies, markers, labels and a resize between renders.
    "policies": b(0b0000_0000, 0b01) + stream(0, 80, -20, 5) + op("Policy", b(0, 1, 1)) + op("Policy", b(1, 0, 0))
    + op("Markers", b(3), num(7)) + op("LabelsAndLegend", b(0b0111)) + op("LabelsAndLegend", b(0b1110))
    + op("Resize", b(0, 90), b(0, 70)) + op("Drag", b(0), num(30), b(1)) + op("ChangeLook", b(0, 255, 0, 0, 9, 1, 2))
    + stream(0, 30, 0, 1) + op("Render", b(64, 48, 5)),
}

if __name__ == "__main__":
    directory = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "fuzz_dataplot")
    os.makedirs(directory, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(directory, name), "wb") as f:
            f.write(data)
