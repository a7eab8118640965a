#!/usr/bin/env python3
"""Makes "data/models/vorantil/vwm/keyboard.gltf" (with keyboard.bin): a 61-key synthesizer,
1.06 units wide (x), keys towards +z, standing on y = 0, in the manner of a late-eighties
workstation: dark chassis with wooden end cheeks, a green display, a floppy drive, two rows of
knobs, six faders and pitch and modulation wheels.

Node names the scenes look up (all root nodes, so their matrices are comparable):
- "Key_00" .. "Key_60", key 0 a C. Every key's mesh is one primitive in one of three shapes:
  the white keys C, E, F and B share the mesh of "Key_00" (a plain key), the sharps share the
  mesh of "Key_01", the white keys D, G and A share the mesh of "Key_02" (a key notched on
  both sides), and the top C "Key_60" has its own. So each of the four masters has a material
  of its own. A key's node matrix places it; the meshes sit at x = 0.
- "Knob_000" .. "Knob_035": twelve spare knobs on the left and two rows of twelve in the middle,
  each turned to its own angle; all share one mesh.
- "Fader_000" .. "Fader_005": fader caps in their slots, at different settings; one mesh.
- "Floppy_Drive" and a second drive "Floppy_Drive_001", "Display", "Wheels", "Body" (chassis,
  panel, cheeks and fader slots), and the empty markers "Camera", "Camera_001", "Camera_002"
  and "Lamp" (no camera or light is attached, so loading the file adds neither).

Deterministic, standard library only; skips the work when the output is newer than this script
and its helpers. Run from the repository root."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gltfwriter import generate, quaternion  # noqa: E402
from meshshapes import (cylinder, placed, rotate, rounded_box, translate, span_box,  # noqa: E402
                        merged)

OUTPUT = os.path.join("data", "models", "vorantil", "vwm", "keyboard.gltf")

KEYS = 61
PITCH = 0.0235           # white key spacing
PANEL_TOP = 0.085        # the top of the control panel behind the keys
WHITE_OF_NOTE = (0, None, 1, None, 2, 3, None, 4, None, 5, None, 6)
SHARPS = {1, 3, 6, 8, 10}
PLAIN_WHITES = {0, 4, 5, 11}  # C, E, F, B




def key_x(key):
    """Centre x of a key: white keys side by side, sharps on the joint after their white key."""
    octave, note = divmod(key, 12)
    if note in SHARPS:
        white = octave * 7 + WHITE_OF_NOTE[note - 1] + 0.5
    else:
        white = octave * 7 + WHITE_OF_NOTE[note]
    return (white - 17.5) * PITCH


def key_meshes():
    plain = span_box(-0.01125, 0.01125, 0.070, 0.092, 0.015, 0.165)
    notched = merged(span_box(-0.01125, 0.01125, 0.070, 0.092, 0.110, 0.165),
                     span_box(-0.0063, 0.0063, 0.070, 0.092, 0.015, 0.110))
    sharp = placed(rounded_box(0.012, 0.021, 0.095, 0.002, 1), translate(0, 0.0955, 0.0625))
    return plain, notched, sharp


def add_keys(gltf):
    plain, notched, sharp = key_meshes()
    meshes = {
        "plain": gltf.mesh("WhiteKeyPlain", [(plain, gltf.material(
            "KeyWhitePlain", (0.92, 0.91, 0.87, 1.0), 0.0, 0.35))]),
        "sharp": gltf.mesh("BlackKey", [(sharp, gltf.material(
            "KeyBlack", (0.03, 0.03, 0.035, 1.0), 0.0, 0.25))]),
        "notched": gltf.mesh("WhiteKeyNotched", [(notched, gltf.material(
            "KeyWhiteNotched", (0.92, 0.91, 0.87, 1.0), 0.0, 0.35))]),
        "top": gltf.mesh("WhiteKeyTop", [(plain, gltf.material(
            "KeyWhiteTop", (0.92, 0.91, 0.87, 1.0), 0.0, 0.35))]),
    }
    for key in range(KEYS):
        note = key % 12
        kind = ("top" if key == KEYS - 1 else "sharp" if note in SHARPS
                else "plain" if note in PLAIN_WHITES else "notched")
        gltf.node("Key_%02d" % key, meshes[kind], translation=(key_x(key), 0.0, 0.0))


def add_knobs(gltf):
    body = merged(cylinder(0.011, 0.012, 20, top_radius=0.0095))
    cap = merged(placed(cylinder(0.0075, 0.0025, 20), translate(0, 0.012, 0)))
    pointer = span_box(-0.0009, 0.0009, 0.0145, 0.0150, 0.001, 0.0085)
    mesh = gltf.mesh("Knob", [(body, gltf.material("KnobBody", (0.05, 0.05, 0.055, 1.0), 0.0, 0.4)),
                              (cap, gltf.material("KnobCap", (0.70, 0.70, 0.72, 1.0), 1.0, 0.3)),
                              (pointer, gltf.material("KnobPointer", (0.95, 0.95, 0.95, 1.0), 0.0, 0.5))])
    positions = [(-0.44 + 0.022 * c, -0.170) for c in range(12)]
    positions += [(-0.12 + 0.034 * c, z) for z in (-0.055, -0.125) for c in range(12)]
    for k, (x, z) in enumerate(positions):
        angle = -135.0 + (k * 97) % 271
        gltf.node("Knob_%03d" % k, mesh, translation=(x, PANEL_TOP, z),
                  rotation=quaternion((0, 1, 0), angle))


def fader_x(k):
    return 0.32 + 0.032 * k


def add_faders(gltf):
    cap = merged(span_box(-0.008, 0.008, 0.0, 0.012, -0.005, 0.005),
                 span_box(-0.0085, 0.0085, 0.012, 0.014, -0.006, 0.006))
    mesh = gltf.mesh("Fader", [(cap, gltf.material("FaderCap", (0.85, 0.85, 0.82, 1.0), 0.0, 0.45))])
    for k, setting in enumerate((0.8, 0.35, 0.6, 0.15, 0.9, 0.5)):
        gltf.node("Fader_%03d" % k, mesh, translation=(fader_x(k), PANEL_TOP, -0.155 + 0.1 * setting))


def add_body(gltf):
    chassis = gltf.material("Chassis", (0.12, 0.12, 0.13, 1.0), 0.6, 0.35)
    panel = gltf.material("Panel", (0.20, 0.20, 0.22, 1.0), 0.0, 0.5)
    wood = gltf.material("Wood", (0.42, 0.22, 0.10, 1.0), 0.0, 0.7)
    slot = gltf.material("Slot", (0.015, 0.015, 0.015, 1.0), 0.0, 0.8)
    shell = merged(span_box(-0.50, 0.50, 0.0, 0.070, 0.0, 0.170),      # under the keys
                   span_box(-0.50, 0.50, 0.0, 0.078, 0.170, 0.190))    # the front strip
    top = span_box(-0.50, 0.50, 0.0, PANEL_TOP, -0.190, 0.0)
    cheeks = merged(*[placed(rounded_box(0.03, 0.105, 0.38, 0.008, 2), translate(x, 0.0525, 0))
                      for x in (-0.515, 0.515)])
    slots = merged(*[span_box(fader_x(k) - 0.002, fader_x(k) + 0.002, PANEL_TOP, PANEL_TOP + 0.0005,
                              -0.165, -0.045) for k in range(6)])
    gltf.part("Body", [(shell, chassis), (top, panel), (cheeks, wood), (slots, slot)])

    lcd = gltf.material("Display", (0.10, 0.25, 0.10, 1.0), 0.0, 0.2, emissive=(0.25, 0.85, 0.35))
    frame = span_box(-0.425, -0.195, PANEL_TOP, PANEL_TOP + 0.003, -0.150, -0.085)
    glass = span_box(-0.415, -0.205, PANEL_TOP + 0.003, PANEL_TOP + 0.0035, -0.143, -0.092)
    gltf.part("Display", [(frame, slot), (glass, lcd)])

    drive = gltf.material("DriveBezel", (0.08, 0.08, 0.09, 1.0), 0.2, 0.4)
    led = gltf.material("DriveLed", (0.9, 0.3, 0.1, 1.0), 0.0, 0.3, emissive=(1.0, 0.35, 0.1))

    def floppy(name, x, z):
        bezel = span_box(x - 0.050, x + 0.050, PANEL_TOP, PANEL_TOP + 0.006, z - 0.02, z + 0.02)
        opening = span_box(x - 0.045, x + 0.045, PANEL_TOP + 0.006, PANEL_TOP + 0.0065,
                           z - 0.004, z + 0.001)
        button = span_box(x + 0.030, x + 0.042, PANEL_TOP + 0.006, PANEL_TOP + 0.009,
                          z + 0.008, z + 0.015)
        lamp = span_box(x - 0.042, x - 0.036, PANEL_TOP + 0.006, PANEL_TOP + 0.007,
                        z + 0.009, z + 0.013)
        gltf.part(name, [(bezel, drive), (merged(opening, button), slot), (lamp, led)])

    floppy("Floppy_Drive", -0.36, -0.045)
    floppy("Floppy_Drive_001", -0.245, -0.045)

    wheel = gltf.material("Wheel", (0.06, 0.06, 0.06, 1.0), 0.0, 0.6)
    wheels = merged(*[placed(cylinder(0.026, 0.012, 24), translate(x, 0.066, 0.085),
                             rotate((0, 0, 1), 90), translate(0, -0.006, 0))
                      for x in (-0.478, -0.452)])
    gltf.part("Wheels", [(wheels, wheel)])


def add_markers(gltf):
    for name, position in (("Camera", (0.0, 0.55, 0.85)), ("Camera_001", (-0.9, 0.4, 0.6)),
                           ("Camera_002", (0.7, 0.9, -0.5)), ("Lamp", (0.4, 1.2, 0.8))):
        gltf.node(name, translation=position)


def build(gltf):
    add_body(gltf)
    add_keys(gltf)
    add_knobs(gltf)
    add_faders(gltf)
    add_markers(gltf)


def main():
    generate(OUTPUT, build, __file__)


if __name__ == "__main__":
    main()
