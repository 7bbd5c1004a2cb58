#!/usr/bin/python3
"""DXF drawings written by another DXF library, read by zelk-cli import-dxf; and our export of
the demo map, read by that library. Usage: ezdxf_check.py ZELK_CLI DEMO_MAP WORK_DIR"""
import json
import os
import shutil
import subprocess
import sys

import ezdxf

cli, demo, work = sys.argv[1:4]
os.makedirs(work, exist_ok=True)


def run(*args):
    r = subprocess.run([cli, *args], capture_output=True, text=True)
    if r.returncode != 0:
        sys.exit(f"zelk-cli {' '.join(args)} failed: {r.stderr}")
    return r.stdout


def objects(path):
    return json.loads(run("info", "--json", path))["objects"]


failures = []
for version in ("R12", "R2000", "R2018"):
    doc = ezdxf.new(version)
    msp = doc.modelspace()
    block = doc.blocks.new(name="TREE")
    block.add_circle((0, 0), 3)
    block.add_line((0, -3), (0, -8))
    msp.add_line((0, 0), (10, 10), dxfattribs={"layer": "ROADS"})
    msp.add_point((5, 5), dxfattribs={"layer": "TREES"})
    msp.add_text("Zürich", dxfattribs={"layer": "NAMES", "insert": (10, 20)})
    msp.add_circle((50, 50), 20, dxfattribs={"layer": "WATER"})
    msp.add_arc((80, 50), 10, 0, 90, dxfattribs={"layer": "ROADS"})
    msp.add_blockref("TREE", (30, 30), dxfattribs={"layer": "TREES", "rotation": 30})
    if version == "R12":
        msp.add_polyline2d([(0, 40), (10, 50), (20, 40)], dxfattribs={"layer": "ROADS"})
        # Open: the line, the arc, the block's line and the polyline; closed: both circles.
        expected = {"line": 4, "circle": 2, "text": 1, "point": 1}
    else:
        msp.add_lwpolyline([(0, 40, 0, 0, 1), (10, 40), (20, 50)], format="xyseb",
                           dxfattribs={"layer": "ROADS"})
        msp.add_ellipse((100, 100), major_axis=(30, 0), ratio=0.5)
        msp.add_spline([(0, 150), (30, 180), (60, 140), (90, 170)])
        msp.add_mtext("Two\\Plines", dxfattribs={"layer": "NAMES", "insert": (60, 20)})
        # Open: line, arc, the block's line, polyline and spline; closed: both circles and the
        # full ellipse.
        expected = {"line": 5, "circle": 3, "text": 2, "point": 1}
    drawing = os.path.join(work, f"drawing-{version}.dxf")
    doc.saveas(drawing)
    target = os.path.join(work, f"target-{version}.zkm")
    shutil.copy(demo, target)
    before = len(objects(target))
    run("import-dxf", target, drawing, "--mm-per-unit", "1", "--offset", "0,0")
    added = objects(target)[before:]
    lines = [o for o in added if o["type"] == 2]
    texts = [o for o in added if o["type"] == 4]
    points = [o for o in added if o["type"] == 1]
    closed = [o for o in lines if o["points"][0][:2] == o["points"][-1][:2]]
    got = {"line": len(lines) - len(closed), "circle": len(closed), "text": len(texts),
           "point": len(points)}
    if got != expected:
        failures.append(f"{version}: expected {expected}, imported {got}")
    names = sorted(o["text"] for o in texts)
    if "Zürich" not in names:
        failures.append(f"{version}: texts {names}")

# Our export, read back by the library: one entity per exported object, geometry in metres.
out = os.path.join(work, "demo.dxf")
run("export-dxf", demo, "-o", out, "--mm")
read = ezdxf.readfile(out)
kinds = {}
for e in read.modelspace():
    kinds[e.dxftype()] = kinds.get(e.dxftype(), 0) + 1
demo_objects = objects(demo)
points = sum(1 for o in demo_objects if o["type"] == 1 and not o["deleted"])
if kinds.get("POINT") != points:
    failures.append(f"export: {kinds.get('POINT')} POINTs for {points} point objects")
first = next(o for o in demo_objects if o["type"] == 1 and not o["deleted"])
p = next(e for e in read.modelspace() if e.dxftype() == "POINT")
x_mm = first["points"][0][0] / 100  # map units of 0.01 mm
if abs(p.dxf.location.x - x_mm) > 0.006:
    failures.append(f"export: first POINT at {p.dxf.location.x}, object at {x_mm} mm")

if failures:
    sys.exit("\n".join(failures))
print("ezdxf cross-check passed")
