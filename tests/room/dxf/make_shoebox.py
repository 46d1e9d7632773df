"""Writes shoebox rooms with ezdxf, a DXF writer independent of Sorvi.

usage: python3 make_shoebox.py OUTDIR

A 5 m x 4 m x 3 m box (60 m^3), its six walls on two layers, a source point and a
receiver point, as 3D faces and as one polyface mesh, each in the R2000 and R12 layouts:
faces_r2000.dxf, faces_r12.dxf, mesh_r2000.dxf, mesh_r12.dxf.
"""
import os
import sys

import ezdxf

X, Y, Z = 5.0, 4.0, 3.0
P = [(0, 0, 0), (X, 0, 0), (X, Y, 0), (0, Y, 0), (0, 0, Z), (X, 0, Z), (X, Y, Z), (0, Y, Z)]
# Corner indices of each wall, counter-clockwise seen from inside the room.
WALLS = [
    ((0, 1, 2, 3), "Floor and ceiling"),
    ((4, 7, 6, 5), "Floor and ceiling"),
    ((0, 4, 5, 1), "Walls"),
    ((1, 5, 6, 2), "Walls"),
    ((2, 6, 7, 3), "Walls"),
    ((3, 7, 4, 0), "Walls"),
]


def new_drawing(version):
    doc = ezdxf.new(version)
    for name in ("Floor and ceiling", "Walls", "sources", "receivers"):
        doc.layers.add(name)
    msp = doc.modelspace()
    msp.add_point((1.0, 1.5, 1.2), dxfattribs={"layer": "sources"})
    msp.add_point((3.5, 2.25, 1.6), dxfattribs={"layer": "receivers"})
    return doc, msp


def faces(version, path):
    doc, msp = new_drawing(version)
    for idx, layer in WALLS:
        msp.add_3dface([P[i] for i in idx], dxfattribs={"layer": layer})
    doc.saveas(path)


def mesh(version, path):
    doc, msp = new_drawing(version)
    pf = msp.add_polyface(dxfattribs={"layer": "Walls"})
    pf.append_faces([[P[i] for i in idx] for idx, _ in WALLS])
    pf.optimize()
    doc.saveas(path)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for version, tag in (("R2000", "r2000"), ("R12", "r12")):
        faces(version, os.path.join(out, "faces_%s.dxf" % tag))
        mesh(version, os.path.join(out, "mesh_%s.dxf" % tag))


if __name__ == "__main__":
    main()
