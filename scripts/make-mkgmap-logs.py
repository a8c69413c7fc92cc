#!/usr/bin/env python3
"""Writes the maps with planted faults of tests/data/mkgmap/ and the logs mkgmap writes
for them, as `mirvex compile` keeps them (mkgmap.log beside the images).

    scripts/make-mkgmap-logs.py [BUILD]    (BUILD: the build folder, default build)

empty_data.plain.log is mkgmap's output without the program's logging settings. Each
map is the converted sample (tests/data/sample.expected.mp) with one fault, except
wide_area.mp (a map wide enough that mkgmap coarsens the overview map's frame of it and
says so as an error, though the map is whole) and tile_0002.mp (a part of
point_without_data.mp cut out as a tile would be: the header and the sections from the
24th to the 26th). map_too_big.log is kept as it stands, not made here: the excerpt of
what mkgmap writes for a map of about 200 MB, whose RGN section outgrows the format.
two_maps.gmapsupp.img is mkgmap's gmapsupp.img of two small maps. The
tests read the logs as data, so the mapping from mkgmap's messages to sections and
lines is tested without Java; run this again after a new mkgmap to refresh them.

The maps are compiled from copies in a folder of a fixed, neutral name (WORK), so the
paths the logs quote are the same on every machine and name no one's folders.
"""
import os
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SAMPLE = os.path.join(ROOT, "tests", "data", "sample.expected.mp")
OUT = os.path.join(ROOT, "tests", "data", "mkgmap")
# The script's own folder, made afresh for each run and removed after it.
WORK = "/tmp/mirvex-map"


def sections(lines):
    return [i for i, line in enumerate(lines) if line in ("[RGN10]", "[RGN20]", "[RGN40]", "[RGN80]")]


def key_line(lines, section_start, key):
    i = section_start
    while not lines[i].startswith(key):
        i += 1
    return i


def nth_section(lines, kind, n):
    return [i for i in sections(lines) if lines[i] == kind][n]


def plant(lines, name):
    lines = list(lines)
    if name == "empty_data":
        # The first polygon's outer ring: "Data0=" with nothing after it.
        lines[key_line(lines, nth_section(lines, "[RGN80]", 0), "Data0=")] = "Data0="
    elif name == "type_not_number":
        lines[key_line(lines, nth_section(lines, "[RGN80]", 1), "Type=")] = "Type=Lake"
    elif name == "type_out_of_range":
        # 0x80 is no polygon type.
        lines[key_line(lines, nth_section(lines, "[RGN80]", 0), "Type=")] = "Type=0x80"
    elif name == "letter_in_coordinate":
        line = key_line(lines, nth_section(lines, "[RGN40]", 1), "Data0=")
        lines[line] = "Data0=(5O.6150,36.4950),(50.6060,36.4970)"
    elif name == "unknown_code_page":
        # A code page Java has no charset for: mkgmap ends with an uncaught exception.
        lines[lines.index("CodePage=1251")] = "CodePage=1"
    elif name == "point_without_data":
        del lines[key_line(lines, nth_section(lines, "[RGN10]", 2), "Data0=")]
    return lines


def cut_tile(lines):
    """The header and the 24th to 26th object sections, as a tile of the map."""
    starts = sections(lines)
    header_end = lines.index("[END-IMG ID]") + 1
    end = starts[26] if len(starts) > 26 else len(lines)
    return lines[:header_end] + [""] + lines[starts[23]:end]


def small_map(map_id, name, south, west, height, width):
    """A map of one lake and one point in a rectangle of the size given in degrees."""
    north, east = south + height, west + width
    ring = [(south, west), (south, east), (north, east), (north, west), (south, west)]
    return ["[IMG ID]", "ID=%d" % map_id, "Name=" + name, "CodePage=1251", "Datum=W84", "Levels=3",
            "Level0=22", "Level1=20", "Level2=18", "Zoom0=0", "Zoom1=1", "Zoom2=2", "[END-IMG ID]", "",
            "[RGN80]", "Type=0x3c", "Label=Lake", "Data0=" + ",".join("(%.4f,%.4f)" % p for p in ring),
            "[END-RGN80]", "",
            "[RGN10]", "Type=0x2f00", "Label=Point", "Data0=(%.4f,%.4f)" % (south + height / 2, west + width / 2),
            "[END-RGN10]", ""]


def main():
    build = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else os.path.join(ROOT, "build")
    mirvex = os.path.join(build, "mirvex")
    with open(SAMPLE, "rb") as file:
        lines = file.read().decode("cp1251").split("\r\n")
    os.makedirs(OUT, exist_ok=True)
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    work = WORK
    try:
        home = os.path.join(work, "home")
        os.makedirs(home)
        planted = {"empty_data", "type_not_number", "type_out_of_range", "letter_in_coordinate",
                   "point_without_data", "unknown_code_page"}
        made = {"wide_area": small_map(10000001, "Wide", 50.0, 0.0, 5.0, 60.0),
                "tile_0002": cut_tile(plant(lines, "point_without_data"))}
        for name in ["sample"] + sorted(planted) + sorted(made):
            if name in made:
                with open(os.path.join(OUT, name + ".mp"), "wb") as file:
                    file.write("\r\n".join(made[name]).encode("cp1251"))
                map_path = os.path.join(work, name + ".mp")
                shutil.copyfile(os.path.join(OUT, name + ".mp"), map_path)
            elif name != "sample":
                with open(os.path.join(OUT, name + ".mp"), "wb") as file:
                    file.write("\r\n".join(plant(lines, name)).encode("cp1251"))
                map_path = os.path.join(work, name + ".mp")
                shutil.copyfile(os.path.join(OUT, name + ".mp"), map_path)
            else:
                map_path = os.path.join(work, os.path.basename(SAMPLE))
                shutil.copyfile(SAMPLE, map_path)
            output = os.path.join(work, name)
            subprocess.run([mirvex, "compile", map_path, "--output", output, "--home", home, "--quiet"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False, cwd=work)
            shutil.copyfile(os.path.join(output, "mkgmap.log"), os.path.join(OUT, name + ".log"))
            print(name)
        # mkgmap's own format, as it writes without the program's logging settings.
        result = subprocess.run(["mkgmap", "--output-dir=" + os.path.join(work, "plain"),
                                 os.path.join(work, "empty_data.mp")],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, check=False, cwd=work)
        with open(os.path.join(OUT, "empty_data.plain.log"), "wb") as file:
            file.write(result.stdout.replace(b"\n", b"\r\n"))
        print("empty_data.plain")
        # Two maps in one gmapsupp.img, compiled with the options the program gives mkgmap.
        both = os.path.join(work, "both")
        os.makedirs(both)
        for map_id, south in ((10000001, 50.0), (10000002, 51.0)):
            with open(os.path.join(both, "%d.mp" % map_id), "wb") as file:
                file.write("\r\n".join(small_map(map_id, "Two", south, 36.0, 0.1, 0.1)).encode("cp1251"))
        subprocess.run(["mkgmap", "--output-dir=.", "--code-page=1251", "--family-id=6324", "--family-name=Two",
                        "--series-name=Two", "--description=Two", "--gmapsupp", "10000001.mp", "10000002.mp"],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True, cwd=both)
        shutil.copyfile(os.path.join(both, "gmapsupp.img"), os.path.join(OUT, "two_maps.gmapsupp.img"))
        print("two_maps.gmapsupp.img")
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
