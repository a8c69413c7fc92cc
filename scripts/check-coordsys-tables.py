#!/usr/bin/env python3
"""Compares the ellipsoid and datum tables of mapinfo/coordsys_tables.cpp with GDAL's
reading of the same numbers, and prints every difference.

For each datum number N a one-point MIF with `CoordSys Earth Projection 1, N` is read
by GDAL's MapInfo driver (with MITAB_SET_TOWGS84_ON_KNOWN_DATUM=YES, so GDAL gives the
shift of its own datum table rather than the EPSG database's, unless GDAL takes the
datum from that database); the ellipsoid axes, the prime meridian and TOWGS84 are
compared with our row. TOWGS84 is position vector, our
rotations coordinate frame: the rotations are compared negated. Each ellipsoid number
E is read through `CoordSys Earth Projection 1, 999, E, 0, 0, 0`. Numbers GDAL knows
and the tables lack are listed too.

Needs Debian's python3-gdal (run it with /usr/bin/python3 if another python3 comes
first). Not run by the tests. Exit status 1 when a difference is found.
"""
import os
import re
import sys
import tempfile

from osgeo import gdal, ogr

TABLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'mapinfo', 'coordsys_tables.cpp')
NUMBER = r'(-?[0-9.e+-]+)'
ELLIPSOID_ROW = re.compile(r'^\s*\{(\d+), "([^"]*)", ' + ', '.join([NUMBER] * 2) + r'\},\s*$')
DATUM_ROW = re.compile(r'^\s*\{(\d+), "([^"]*)", (\d+), ' + ', '.join([NUMBER] * 8) + r'\},\s*$')
# Wider than the rounding of GDAL's numbers, far below any real difference.
TOLERANCE = 1e-7


def read_tables():
    ellipsoids, datums = {}, {}
    for line in open(TABLES, encoding='utf-8'):
        if m := ELLIPSOID_ROW.match(line):
            ellipsoids[int(m[1])] = (float(m[3]), float(m[4]))
        elif m := DATUM_ROW.match(line):
            datums[int(m[1])] = (int(m[3]), [float(m[i]) for i in range(4, 12)])
    return ellipsoids, datums


class Reader:
    """Reads the spatial reference GDAL gives a MIF header's CoordSys clause."""

    def __init__(self, folder):
        self.mif = os.path.join(folder, 'probe.mif')
        with open(os.path.join(folder, 'probe.mid'), 'w') as mid:
            mid.write('1\n')
        gdal.PushErrorHandler('CPLQuietErrorHandler')

    def read(self, clause, shift_from_gdal_table=True):
        gdal.SetConfigOption('MITAB_SET_TOWGS84_ON_KNOWN_DATUM', 'YES' if shift_from_gdal_table else 'NO')
        with open(self.mif, 'w') as mif:
            mif.write('Version 300\nDelimiter ","\nCoordSys Earth Projection 1, %s\n'
                      'Columns 1\n  id Integer\nData\n\nPoint 1 1\n' % clause)
        source = ogr.Open(self.mif)
        return source.GetLayer(0).GetSpatialRef().Clone()


def differs(a, b):
    return abs(a - b) > TOLERANCE


def main():
    ogr.UseExceptions()
    ellipsoids, datums = read_tables()
    print('%d ellipsoids, %d datums in %s' % (len(ellipsoids), len(datums), os.path.normpath(TABLES)))
    found = 0
    with tempfile.TemporaryDirectory() as folder:
        reader = Reader(folder)
        for number, (a, rf) in sorted(ellipsoids.items()):
            srs = reader.read('999, %d, 0, 0, 0' % number)
            theirs = (srs.GetSemiMajor(), srs.GetInvFlattening())
            if differs(a, theirs[0]) or differs(rf, theirs[1]):
                found += 1
                print('ellipsoid %d: ours a=%.12g rf=%.12g, GDAL %s a=%.12g rf=%.12g'
                      % (number, a, rf, srs.GetAttrValue('SPHEROID'), theirs[0], theirs[1]))
        for number, (ellipsoid, values) in sorted(datums.items()):
            srs = reader.read(str(number))
            ours_axes = ellipsoids.get(ellipsoid)
            theirs_axes = (srs.GetSemiMajor(), srs.GetInvFlattening())
            dx, dy, dz, rx, ry, rz, scale, meridian = values
            ours = [dx, dy, dz, -rx, -ry, -rz, scale]
            theirs = list(srs.GetTOWGS84())
            if not any(theirs):
                # A datum GDAL takes from the EPSG database gets no shift from GDAL's own
                # table; its shift is then the one the database gives its PROJ string.
                proj = reader.read(str(number), shift_from_gdal_table=False).ExportToProj4()
                if m := re.search(r'\+towgs84=(\S+)', proj):
                    theirs = [float(v) for v in m[1].split(',')] + [0.0] * 4

            theirs_meridian = float(srs.GetAttrValue('PRIMEM', 1) or 0)
            problems = []
            if ours_axes is None:
                problems.append('ellipsoid %d not in our table' % ellipsoid)
            elif differs(ours_axes[0], theirs_axes[0]) or differs(ours_axes[1], theirs_axes[1]):
                problems.append('ellipsoid %d a=%.12g rf=%.12g, GDAL %s a=%.12g rf=%.12g'
                                % ((ellipsoid,) + ours_axes + (srs.GetAttrValue('SPHEROID'),) + theirs_axes))
            if any(differs(p, q) for p, q in zip(ours, theirs)):
                problems.append('towgs84 ours %s, GDAL %s' % (ours, theirs))
            if differs(meridian, theirs_meridian):
                problems.append('prime meridian ours %.12g, GDAL %.12g' % (meridian, theirs_meridian))
            if problems:
                found += 1
                print('datum %d (GDAL: %s): %s' % (number, srs.GetAttrValue('DATUM'), '; '.join(problems)))
        # GDAL reads a number it does not know as plain WGS 84, silently; 9998 is no datum.
        unknown = reader.read('9998').ExportToWkt()
        for number in range(0, 1200):
            if number in datums or number == 999:  # 999 is the spelled-out form
                continue
            srs = reader.read(str(number))
            if srs.ExportToWkt() != unknown:
                found += 1
                print('datum %d: GDAL knows it (%s), the table lacks it' % (number, srs.GetAttrValue('DATUM')))
    print('%d difference(s)' % found)
    return 1 if found else 0


if __name__ == '__main__':
    sys.exit(main())
