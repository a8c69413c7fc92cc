#!/usr/bin/env python3
"""Times mirvex against the I/O floor, a word counter and GDAL on one generated map.

Generates (deterministically from a seed, outside the repository) a MIF/MID pair of
the chosen size with two program folders (an empty dictionary and one of 10,000
records), then times side by side: cat (the I/O floor), wc -w, mirvex convert with
each dictionary, mirvex crop of the converted map, mirvex testmap, and, when installed,
ogr2ogr writing the MIF as CSV with WKT geometry. Prints a table of seconds, MB/s,
ratios and peak RSS, and appends it with the date and machine to docs/performance.md.

    bench/run_benchmark.py [--size-mb 200] [--seed 20261208] [--work DIR] [--build DIR]
                           [--repeat 3] [--no-append] [--no-ogr]

The big-file check: --size-mb 4608 --repeat 1 --no-ogr (about 10 GB of disk in --work).
"""
import argparse
import datetime
import os
import platform
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def run(command, stdout=subprocess.DEVNULL):
    """Runs a command; returns (seconds, peak RSS in MB) of that process alone.

    The peak RSS comes from /usr/bin/time: a child forked straight from this script
    would count the interpreter's own pages as well."""
    # Earlier runs leave hundreds of MB of dirty pages; flushing them first keeps their
    # write-back from slowing the run being timed.
    os.sync()
    with tempfile.NamedTemporaryFile("r") as rss_file:
        start = time.perf_counter()
        result = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", rss_file.name] + command, stdout=stdout,
                                stderr=subprocess.DEVNULL)
        seconds = time.perf_counter() - start
        if result.returncode != 0:
            sys.exit(f"failed: {' '.join(command)}")
        return seconds, int(rss_file.read().split()[-1]) / 1024


def best(command, repeat, stdout=subprocess.DEVNULL):
    runs = [run(command, stdout) for _ in range(repeat)]
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


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--size-mb", type=int, default=200)
    parser.add_argument("--seed", type=int, default=20261208)
    parser.add_argument("--work", default="/tmp/mirvex-bench")
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--no-append", action="store_true")
    parser.add_argument("--no-ogr", action="store_true", help="leave out ogr2ogr (minutes on a big map)")
    args = parser.parse_args()

    subprocess.run(["cmake", "--build", args.build, "--target", "mirvex", "mirvex_bench_generate", "-j", "2"],
                   check=True, stdout=subprocess.DEVNULL)
    mirvex = os.path.join(args.build, "mirvex")
    work = args.work
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    subprocess.run([os.path.join(args.build, "mirvex_bench_generate"), work, str(args.size_mb), str(args.seed)],
                   check=True)
    mif, mid = os.path.join(work, "map.mif"), os.path.join(work, "map.mid")
    converted = os.path.join(work, "converted.mp")
    mb = lambda *paths: sum(os.path.getsize(p) for p in paths) / 1e6
    rows = []  # (name, input MB, seconds, rss, baseline key)

    seconds, rss = best(["cat", mif, mid], args.repeat)
    rows.append(("cat MIF MID > /dev/null", mb(mif, mid), seconds, rss))
    seconds, rss = best(["wc", "-w", mif], args.repeat)
    rows.append(("wc -w MIF", mb(mif), seconds, rss))
    wc_mif = seconds
    for home, name in (("home-empty", "empty dictionary"), ("home-full", "10,000-record dictionary")):
        seconds, rss = best([mirvex, "convert", mif, mid, converted, "--home", os.path.join(work, home), "--quiet"],
                            args.repeat)
        rows.append((f"mirvex convert, {name}", mb(mif, mid), seconds, rss))
    seconds, rss = best(["wc", "-w", converted], args.repeat)
    wc_map = seconds
    rows.append(("wc -w converted map", mb(converted), seconds, rss))
    seconds, rss = best([mirvex, "crop", converted, os.path.join(work, "cut.mp"), "--home",
                         os.path.join(work, "home-full"), "--quiet"], args.repeat)
    rows.append(("mirvex crop of the converted map", mb(converted), seconds, rss))
    test_map = os.path.join(work, "test.mp")
    open(test_map, "w").close()
    seconds, rss = best([mirvex, "testmap", test_map, "--home", os.path.join(work, "home-empty")], args.repeat)
    rows.append(("mirvex testmap", 0, seconds, rss))
    ogr = None
    if shutil.which("ogr2ogr") and not args.no_ogr:
        csv = os.path.join(work, "ogr.csv")
        seconds, rss = run(["ogr2ogr", "-f", "CSV", "-lco", "GEOMETRY=AS_WKT", csv, mif])
        ogr = seconds
        rows.append(("ogr2ogr -f CSV -lco GEOMETRY=AS_WKT", mb(mif, mid), seconds, rss))

    cat_rate = rows[0][1] / rows[0][2]
    lines = ["| command | input MB | seconds | MB/s | × cat | × wc -w | × ogr2ogr | peak RSS MB |",
             "|---|---:|---:|---:|---:|---:|---:|---:|"]
    for name, size, seconds, rss in rows:
        rate = size / seconds if size else 0
        # Speeds as a share of cat's; wc and ogr2ogr as time ratios against this command.
        vs_cat = f"{rate / cat_rate:.3f}" if size else "–"
        base_wc = wc_map if "crop" in name else wc_mif
        vs_wc = f"{base_wc / seconds:.2f}" if name.startswith("mirvex") and "testmap" not in name else "–"
        vs_ogr = f"{ogr / seconds:.1f}" if ogr and name.startswith("mirvex convert") else "–"
        lines.append(f"| {name} | {size:.1f} | {seconds:.3f} | {rate:.1f} | {vs_cat} | {vs_wc} | {vs_ogr} | {rss:.1f} |")
    table = "\n".join(lines)
    empty, full = rows[2][2], rows[3][2]
    summary = (f"Dictionary cost: {100 * (full / empty - 1):+.1f} % (10,000 records against none). "
               f"× wc -w and × ogr2ogr are how many times faster mirvex is (time ratios); "
               f"crop is compared with wc -w over its own input.")
    print(table)
    print(summary)
    if not args.no_append:
        stamp = datetime.datetime.now().strftime("%Y-%m-%d %H:%M")
        with open(os.path.join(ROOT, "docs", "performance.md"), "a", encoding="utf-8") as out:
            out.write(f"\n## {stamp}: {args.size_mb} MB map, seed {args.seed}, best of {args.repeat}\n\n"
                      f"Machine: {machine()}\n\n{table}\n\n{summary}\n")
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
