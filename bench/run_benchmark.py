#!/usr/bin/env python3
"""Times mirvex against the I/O floor, a word counter and GDAL on generated maps.

Generates (deterministically from a seed, outside the repository) a MIF/MID pair of
the chosen size for each layout, with two program folders (an empty dictionary and
one of 10,000 records), then times side by side: cat (the I/O floor), wc -w, mirvex
convert with each dictionary, mirvex crop of the converted map, mirvex testmap, and
ogr2ogr writing the MIF as CSV with WKT geometry. Prints one table per layout of
seconds, MB/s, ratios and peak RSS with the targets met or missed, and appends the
tables with the date and machine to docs/performance.md. The map view is measured on
the same maps with bench/map_view_bench.cpp: its load of the MIF/MID against the
convert, its peak memory, and 100 redraws at 1280x800 after zooms and pans; and, where
Qt is built, with bench/map_paint_bench.cpp: the same redraws painted by the window's
painter into a 1280x800 picture (Qt's offscreen platform), the redraw a user waits for.
The same map written in Gauss-Krüger metres (zone 7, Pulkovo 1942) is converted too, by
default for the mapinfo layout: the conversion then transforms every vertex into WGS 84,
and the table gives its speed against wc -w over that MIF and the cost per vertex of the
transformation (its time less the WGS 84 conversion's, over the generator's vertex count).

The layouts (bench/generate_map.cpp):
  four-column  the benchmark's first map: a four-column MID, options naming the columns.
  mapinfo      the map as MapInfo exports it: a three-column MID of typed columns, the
               dictionary deciding the sections (TypeObj=0), type column 1, label
               column 2, the column count taken from the header (AutoSet=1). Its
               object.txt is written again just before each conversion, as when the
               dictionary was edited moments before the run.
  spread       the MapInfo layout's objects spread evenly over 30 by 20 degrees, each
               within 0.05 degrees of its own centre; the section follows the MIF
               object (TypeObj=1).

    bench/run_benchmark.py [--layout all|four-column|mapinfo|spread] [--size-mb 200]
                           [--seed 20261208] [--work DIR] [--build DIR] [--repeat 3]
                           [--no-append] [--no-ogr] [--gauss-kruger mapinfo|all|none]

The big-file check: --size-mb 4608 --repeat 1 --no-ogr --gauss-kruger none (about 10 GB
of disk in --work).
/usr/bin/time and, unless --no-ogr, ogr2ogr are installed with apt-get when missing.
"""
import argparse
import datetime
import os
import platform
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LAYOUTS = ("four-column", "mapinfo", "spread")

# What the engine is to reach, checked on every table: (label, row, measure, bound).
TARGET_CONVERT_WC = 1.0   # convert with the 10,000-record dictionary, times faster than wc -w over the MIF
TARGET_CONVERT_OGR = 30.0  # the same convert, times faster than ogr2ogr -f CSV
TARGET_CROP_WC = 1.2      # crop, times faster than wc -w over its input
TARGET_RSS_MB = 16.0      # peak RSS of the convert with the 10,000-record dictionary
TARGET_VIEW_LOAD = 1.5    # loading the MIF/MID into the map view, times the convert (10,000 records)
TARGET_VIEW_RSS_MB = 64.0  # peak RSS of the map view's load and redraws
TARGET_REDRAW_MS = 30.0   # a redraw at 1280x800 after a zoom or pan, median and worst of 100
TARGET_GK_CONVERT_WC = 0.5  # convert of the Gauss-Krüger map (10,000 records), times faster than wc -w over its MIF
GK_CONVERT = "mirvex convert (Gauss-Krüger), 10,000-record dictionary"
GK_WC = "wc -w MIF (Gauss-Krüger)"


def apt_install(packages):
    """Installs Debian packages; True when they are there afterwards."""
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    print(f"installing {' '.join(packages)} with apt-get", file=sys.stderr)
    subprocess.run(sudo + ["apt-get", "update"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    return subprocess.run(sudo + ["apt-get", "install", "-y"] + packages, env=env,
                          stdout=subprocess.DEVNULL).returncode == 0


def ensure_tools(with_ogr):
    if not os.path.exists("/usr/bin/time") and not apt_install(["time"]):
        sys.exit("/usr/bin/time is needed for the peak RSS: apt-get install time")
    if with_ogr and not shutil.which("ogr2ogr") and not apt_install(["gdal-bin"]):
        print("ogr2ogr could not be installed: the tables leave it out", file=sys.stderr)


def run(command, stdout=subprocess.DEVNULL, prepare=None):
    """Runs a command; returns (seconds, peak RSS in MB) of that process alone.

    The peak RSS comes from /usr/bin/time: a child forked straight from this script
    would count the interpreter's own pages as well. `prepare` runs just before the
    clock starts (after the flush), so what it writes is moments old for the command."""
    # Earlier runs leave hundreds of MB of dirty pages; flushing them first keeps their
    # write-back from slowing the run being timed.
    os.sync()
    if prepare:
        prepare()
    with tempfile.NamedTemporaryFile("r") as rss_file:
        start = time.perf_counter()
        result = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", rss_file.name] + command, stdout=stdout,
                                stderr=subprocess.DEVNULL)
        seconds = time.perf_counter() - start
        if result.returncode != 0:
            sys.exit(f"failed: {' '.join(command)}")
        return seconds, int(rss_file.read().split()[-1]) / 1024


def best(command, repeat, stdout=subprocess.DEVNULL, prepare=None):
    runs = [run(command, stdout, prepare) for _ in range(repeat)]
    return min(r[0] for r in runs), max(r[1] for r in runs)


def machine():
    model = platform.processor() or platform.machine()
    try:
        with open("/proc/cpuinfo") as cpuinfo:
            for line in cpuinfo:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    return f"{model}, {os.cpu_count()} cores, {platform.system()} {platform.release()}"


def rewrite(path, data):
    """Writes the file again with the same bytes: a dictionary just saved."""
    def write():
        with open(path, "wb") as out:
            out.write(data)
    return write


def generate(args, layout, work, coordsys="wgs84"):
    """Writes the map of one layout into `work`; returns the generator's counts (objects, vertices)."""
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    result = subprocess.run([os.path.join(args.build, "mirvex_bench_generate"), "--layout", layout, "--coordsys",
                             coordsys, work, str(args.size_mb), str(args.seed)],
                            check=True, stdout=subprocess.PIPE, text=True)
    return {key: int(value) for key, value in (line.split("=", 1) for line in result.stdout.split())}


def convert_prepare(layout, home):
    """The mapinfo layout's dictionary is written again just before each conversion."""
    if layout != "mapinfo":
        return None
    dictionary = os.path.join(home, "object.txt")
    with open(dictionary, "rb") as source:
        return rewrite(dictionary, source.read())


def paired_ratio(args, mif, convert):
    """The convert against wc -w in pairs run one right after the other, so that a busy
    moment of the machine slows both of a pair: the median of the pairs' ratios."""
    ratios = []
    for _ in range(max(args.repeat, 5)):
        wc_seconds, _ = run(["wc", "-w", mif])
        convert_seconds, _ = run(convert)
        ratios.append(wc_seconds / convert_seconds)
    return statistics.median(ratios)


def measure_gauss_kruger(args, mirvex, layout, rows, view):
    """The same map in Gauss-Krüger metres: wc -w over its MIF, its conversion with the
    10,000-record dictionary (best of, and paired with wc -w), and the transformation's
    cost per vertex against the WGS 84 conversion of the same objects."""
    work = os.path.join(args.work, layout + "-gk")
    counts = generate(args, layout, work, "gauss-kruger")
    mif, mid = os.path.join(work, "map.mif"), os.path.join(work, "map.mid")
    mb = lambda *paths: sum(os.path.getsize(p) for p in paths) / 1e6
    wc_seconds, wc_rss = best(["wc", "-w", mif], args.repeat)
    home = os.path.join(work, "home-full")
    convert = [mirvex, "convert", mif, mid, os.path.join(work, "converted.mp"), "--home", home, "--quiet"]
    seconds, rss = best(convert, args.repeat, prepare=convert_prepare(layout, home))
    # The two rows stand after the WGS 84 conversions they are compared with.
    at = 1 + next(i for i, row in enumerate(rows) if row[0] == "mirvex convert, 10,000-record dictionary")
    rows[at:at] = [(GK_WC, mb(mif), wc_seconds, wc_rss), (GK_CONVERT, mb(mif, mid), seconds, rss)]
    view["gk_convert_wc_paired"] = paired_ratio(args, mif, convert)
    view["gk_vertices"] = counts["vertices"]
    shutil.rmtree(work, ignore_errors=True)


def measure_layout(args, mirvex, layout):
    """Generates the map of one layout and times every command on it.

    Returns the rows (name, input MB, seconds, peak RSS MB) and the map view's redraw figures."""
    work = os.path.join(args.work, layout)
    generate(args, layout, work)
    mif, mid = os.path.join(work, "map.mif"), os.path.join(work, "map.mid")
    converted = os.path.join(work, "converted.mp")
    mb = lambda *paths: sum(os.path.getsize(p) for p in paths) / 1e6
    rows = []

    seconds, rss = best(["cat", mif, mid], args.repeat)
    rows.append(("cat MIF MID > /dev/null", mb(mif, mid), seconds, rss))
    seconds, rss = best(["wc", "-w", mif], args.repeat)
    rows.append(("wc -w MIF", mb(mif), seconds, rss))
    for home, name in (("home-empty", "empty dictionary"), ("home-full", "10,000-record dictionary")):
        home = os.path.join(work, home)
        seconds, rss = best([mirvex, "convert", mif, mid, converted, "--home", home, "--quiet"],
                            args.repeat, prepare=convert_prepare(layout, home))
        rows.append((f"mirvex convert, {name}", mb(mif, mid), seconds, rss))
    convert_full = [mirvex, "convert", mif, mid, converted, "--home", os.path.join(work, "home-full"), "--quiet"]
    view_paired = {"convert_wc_paired": paired_ratio(args, mif, convert_full)}
    view_bench = os.path.join(args.build, "mirvex_bench_map_view")
    home_full = os.path.join(work, "home-full")
    seconds, rss = best([view_bench, "--mif", mif, mid, home_full, "--load-only"], args.repeat)
    rows.append(("map view load of the MIF/MID", mb(mif, mid), seconds, rss))
    # The redraws: one run that loads, then zooms, pans and draws 100 times.
    with tempfile.NamedTemporaryFile("r") as out_file:
        with open(out_file.name, "w") as out:
            seconds, rss = run([view_bench, "--mif", mif, mid, home_full], stdout=out)
        view = dict(line.strip().split("=", 1) for line in out_file if "=" in line)
    view = {key: float(value) for key, value in view.items()}
    view.update(view_paired)
    view["rss"] = rss
    rows.append(("map view load + 100 redraws at 1280x800", mb(mif, mid), seconds, rss))
    paint_bench = os.path.join(args.build, "mirvex_bench_map_paint")
    if os.path.exists(paint_bench):
        result = subprocess.run([paint_bench, "--mif", mif, mid, home_full], stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, text=True, check=True)
        painted = dict(line.strip().split("=", 1) for line in result.stdout.splitlines() if "=" in line)
        view["paint_median"] = float(painted["redraw_paint_median_ms"])
        view["paint_worst"] = float(painted["redraw_paint_worst_ms"])
    seconds, rss = best(["wc", "-w", converted], args.repeat)
    rows.append(("wc -w converted map", mb(converted), seconds, rss))
    seconds, rss = best([view_bench, "--map", converted, "--load-only"], args.repeat)
    rows.append(("map view load of the converted map", mb(converted), seconds, rss))
    seconds, rss = best([mirvex, "crop", converted, os.path.join(work, "cut.mp"), "--home",
                         os.path.join(work, "home-full"), "--quiet"], args.repeat)
    rows.append(("mirvex crop of the converted map", mb(converted), seconds, rss))
    test_map = os.path.join(work, "test.mp")
    open(test_map, "w").close()
    seconds, rss = best([mirvex, "testmap", test_map, "--home", os.path.join(work, "home-empty")], args.repeat)
    rows.append(("mirvex testmap", 0, seconds, rss))
    if shutil.which("ogr2ogr") and not args.no_ogr:
        csv = os.path.join(work, "ogr.csv")
        seconds, rss = run(["ogr2ogr", "-f", "CSV", "-lco", "GEOMETRY=AS_WKT", csv, mif])
        rows.append(("ogr2ogr -f CSV -lco GEOMETRY=AS_WKT", mb(mif, mid), seconds, rss))
    shutil.rmtree(work, ignore_errors=True)
    if args.gauss_kruger == "all" or args.gauss_kruger == layout:
        measure_gauss_kruger(args, mirvex, layout, rows, view)
    return rows, view


def report(rows, view):
    """The table, the dictionary cost and the targets of one layout, as Markdown."""
    by_name = {row[0]: row for row in rows}
    wc_mif = by_name["wc -w MIF"][2]
    wc_map = by_name["wc -w converted map"][2]
    ogr_row = by_name.get("ogr2ogr -f CSV -lco GEOMETRY=AS_WKT")
    ogr = ogr_row[2] if ogr_row else None
    cat_rate = rows[0][1] / rows[0][2]
    lines = ["| command | input MB | seconds | MB/s | × cat | × wc -w | × ogr2ogr | peak RSS MB |",
             "|---|---:|---:|---:|---:|---:|---:|---:|"]
    for name, size, seconds, rss in rows:
        rate = size / seconds if size else 0
        # Speeds as a share of cat's; wc and ogr2ogr as time ratios against this command.
        vs_cat = f"{rate / cat_rate:.3f}" if size else "–"
        base_wc = wc_map if "crop" in name else by_name[GK_WC][2] if name == GK_CONVERT else wc_mif
        vs_wc = f"{base_wc / seconds:.2f}" if name.startswith("mirvex") and "testmap" not in name else "–"
        if name.startswith("map view"):
            vs_cat = "–"
        # ogr2ogr read the WGS 84 map only.
        vs_ogr = f"{ogr / seconds:.1f}" if ogr and name.startswith("mirvex convert,") else "–"
        lines.append(f"| {name} | {size:.1f} | {seconds:.3f} | {rate:.1f} | {vs_cat} | {vs_wc} | {vs_ogr} | {rss:.1f} |")
    table = "\n".join(lines)

    empty = by_name["mirvex convert, empty dictionary"]
    full = by_name["mirvex convert, 10,000-record dictionary"]
    crop = by_name["mirvex crop of the converted map"]
    summary = (f"Dictionary cost: {100 * (full[2] / empty[2] - 1):+.1f} % (10,000 records against none). "
               f"× wc -w and × ogr2ogr are how many times faster mirvex is (time ratios); "
               f"crop is compared with wc -w over its own input.")
    gk = by_name.get(GK_CONVERT)
    if gk:
        summary += (f" The Gauss-Krüger convert is compared with wc -w over its own MIF; it takes "
                    f"{gk[2] / full[2]:.2f} × the WGS 84 convert of the same {view['gk_vertices']:,} vertices, "
                    f"{1e9 * (gk[2] - full[2]) / view['gk_vertices']:.0f} ns more per vertex for the "
                    f"transformation into WGS 84.")

    def check(label, value, bound, at_least, unit=""):
        met = value >= bound if at_least else value <= bound
        sign = "≥" if at_least else "≤"
        return f"{label} {sign} {bound:g}{unit}: {value:.2f}{unit} ({'met' if met else 'MISSED'})"

    targets = [check("convert (10,000 records) × wc -w, median of paired runs", view["convert_wc_paired"],
                     TARGET_CONVERT_WC, True)]
    if ogr:
        targets.append(check("convert (10,000 records) × ogr2ogr", ogr / full[2], TARGET_CONVERT_OGR, True))
    if gk:
        targets.append(check("convert Gauss-Krüger (10,000 records) × wc -w, median of paired runs",
                             view["gk_convert_wc_paired"], TARGET_GK_CONVERT_WC, True))
    targets.append(check("crop × wc -w", wc_map / crop[2], TARGET_CROP_WC, True))
    targets.append(check("convert (10,000 records) peak RSS", full[3], TARGET_RSS_MB, False, " MB"))
    view_load = by_name["map view load of the MIF/MID"]
    view_rss = max(view_load[3], view["rss"])
    summary += (f"\n\nMap view: loading the MIF/MID takes {view_load[2] / full[2]:.2f} × the convert "
                f"(10,000 records); {int(view['objects'])} objects in a summary of {view['summary_mb']:.1f} MB; "
                f"redraw at 1280x800 after a zoom or pan: median {view['redraw_median_ms']:.1f} ms, worst "
                f"{view['redraw_worst_ms']:.1f} ms of 100 (up to {int(view['redraw_max_commands'])} commands).")
    targets.append(check("view load ÷ convert (10,000 records)", view_load[2] / full[2], TARGET_VIEW_LOAD, False))
    targets.append(check("view peak RSS", view_rss, TARGET_VIEW_RSS_MB, False, " MB"))
    targets.append(check("redraw median", view["redraw_median_ms"], TARGET_REDRAW_MS, False, " ms"))
    targets.append(check("redraw worst", view["redraw_worst_ms"], TARGET_REDRAW_MS, False, " ms"))
    if "paint_median" in view:
        summary += (f" Painted into a 1280x800 picture by the window's painter (Qt, offscreen), the redraw "
                    f"takes: median {view['paint_median']:.1f} ms, worst {view['paint_worst']:.1f} ms of 100.")
        targets.append(check("redraw with painting median", view["paint_median"], TARGET_REDRAW_MS, False, " ms"))
        targets.append(check("redraw with painting worst", view["paint_worst"], TARGET_REDRAW_MS, False, " ms"))
    return table, summary, "Targets: " + "; ".join(targets) + "."


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--layout", choices=("all", "both") + LAYOUTS, default="all")
    parser.add_argument("--size-mb", type=int, default=200)
    parser.add_argument("--seed", type=int, default=20261208)
    parser.add_argument("--work", default="/tmp/mirvex-bench")
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--no-append", action="store_true")
    parser.add_argument("--no-ogr", action="store_true", help="leave out ogr2ogr (minutes on a big map)")
    parser.add_argument("--gauss-kruger", choices=("mapinfo", "all", "none"), default="mapinfo",
                        help="the layouts also converted from Gauss-Krüger metres")
    args = parser.parse_args()

    ensure_tools(not args.no_ogr)
    subprocess.run(["cmake", "--build", args.build, "--target", "mirvex", "mirvex_bench_generate",
                    "mirvex_bench_map_view", "-j", "2"],
                   check=True, stdout=subprocess.DEVNULL)
    # The painting benchmark needs Qt: without it the tables leave it out.
    subprocess.run(["cmake", "--build", args.build, "--target", "mirvex_bench_map_paint", "-j", "2"],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    mirvex = os.path.join(args.build, "mirvex")
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    layouts = LAYOUTS if args.layout in ("all", "both") else (args.layout,)
    load = os.getloadavg()[0]
    sections = []
    for layout in layouts:
        table, summary, targets = report(*measure_layout(args, mirvex, layout))
        print(f"\n{layout} layout\n\n{table}\n\n{summary}\n{targets}")
        sections.append((layout, table, summary, targets))
    shutil.rmtree(args.work, ignore_errors=True)

    if not args.no_append:
        stamp = datetime.datetime.now().strftime("%Y-%m-%d %H:%M")
        with open(os.path.join(ROOT, "docs", "performance.md"), "a", encoding="utf-8") as out:
            for layout, table, summary, targets in sections:
                out.write(f"\n## {stamp}: {args.size_mb} MB map, {layout} layout, seed {args.seed}, "
                          f"best of {args.repeat}\n\nMachine: {machine()}; load average {load:.2f} at the start\n\n"
                          f"{table}\n\n{summary}\n\n{targets}\n")


if __name__ == "__main__":
    main()
