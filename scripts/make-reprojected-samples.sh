#!/bin/sh
# Writes the maps of tests/data/reprojected/: WGS 84 longitude/latitude MIF/MID
# samples reprojected by GDAL's ogr2ogr into projected and Pulkovo 1942 systems,
# and for each the coordinates GDAL reads back from it in WGS 84, twice:
#   NAME.gdal-wgs84.csv       GDAL's own way back (its datum shift from the EPSG
#                             database, which may differ from the MIF's datum row);
#   NAME.mif-datum-wgs84.csv  back through the datum parameters the MIF's CoordSys
#                             line names (MITAB_SET_TOWGS84_ON_KNOWN_DATUM=YES).
# samples.csv lists each map with its source and the CoordSys line GDAL wrote, and
# the script ends with the largest difference of each way back from the source.
# Needs gdal-bin and python3-gdal; run from anywhere, the outputs are replaced.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/tests/data/reprojected"
# The interpreter that has Debian's GDAL bindings, even when another python3 comes first.
python=${PYTHON:-/usr/bin/python3}
north="$root/data/sample/sample.mif"
south="$out/south.mif"

# name|source|target system
samples="utm37n|$north|EPSG:32637
utm35s|$south|EPSG:32735
gk7_zone_prefix|$north|EPSG:28407
gk7_cm39|$north|EPSG:2497
lcc_custom|$north|+proj=lcc +lat_1=48 +lat_2=54 +lat_0=50 +lon_0=37 +datum=WGS84 +units=m +no_defs
lcc_europe|$north|EPSG:3034
mercator_world|$north|EPSG:3395
mercator_web|$north|EPSG:3857
pulkovo1942_lonlat|$north|EPSG:4284"

cd "$out"
printf 'name,source,target,coordsys\n' > samples.csv
echo "$samples" | while IFS='|' read -r name source target; do
  rm -f "$name.mif" "$name.mid" "$name.gdal-wgs84.csv" "$name.mif-datum-wgs84.csv"
  ogr2ogr -f "MapInfo File" -dsco FORMAT=MIF -lco ENCODING=CP1251 -t_srs "$target" "$name.mif" "$source"
  ogr2ogr -f CSV -lco GEOMETRY=AS_WKT -t_srs EPSG:4326 "$name.gdal-wgs84.csv" "$name.mif"
  ogr2ogr --config MITAB_SET_TOWGS84_ON_KNOWN_DATUM YES -f CSV -lco GEOMETRY=AS_WKT -t_srs EPSG:4326 \
    "$name.mif-datum-wgs84.csv" "$name.mif"
  coordsys=$(grep -a '^CoordSys' "$name.mif" | tr -d '\r')
  relative=$(echo "$source" | sed "s|^$root/||")
  printf '%s,%s,"%s","%s"\n' "$name" "$relative" "$target" "$(echo "$coordsys" | sed 's/"/""/g')" >> samples.csv
done

# The largest difference, in degrees, between the source's vertices and each way back.
"$python" - "$root" <<'EOF'
import csv, sys
from osgeo import ogr
ogr.UseExceptions()
root = sys.argv[1]

def vertices(geometry):
    if geometry.GetGeometryCount() == 0:
        return [geometry.GetPoint_2D(i) for i in range(geometry.GetPointCount())]
    return [p for i in range(geometry.GetGeometryCount()) for p in vertices(geometry.GetGeometryRef(i))]

def read(path):
    source = ogr.Open(path)  # the layer lives only as long as its data source
    return [vertices(feature.GetGeometryRef()) for feature in source.GetLayer(0) if feature.GetGeometryRef()]

def largest_difference(a, b):
    if [len(f) for f in a] != [len(f) for f in b]: return 'shape differs'
    return '%.2e' % max(abs(p - q) for fa, fb in zip(a, b) for va, vb in zip(fa, fb) for p, q in zip(va, vb))

print('%-20s %-14s %s' % ('map', 'gdal-wgs84', 'mif-datum-wgs84'))
for row in csv.DictReader(open(root + '/tests/data/reprojected/samples.csv')):
    source = read(root + '/' + row['source'])
    back = [read(root + '/tests/data/reprojected/%s.%s.csv' % (row['name'], way)) for way in ('gdal-wgs84', 'mif-datum-wgs84')]
    print('%-20s %-14s %s' % (row['name'], largest_difference(source, back[0]), largest_difference(source, back[1])))
EOF
