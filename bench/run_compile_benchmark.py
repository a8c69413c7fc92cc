#!/usr/bin/env python3
"""Times the whole way from a MIF to gmapsupp.img: mirvex build (the conversion, then the
compile, tiled where the map is big) against one mkgmap call on the whole converted map.

Generates a map of the chosen layout and size with bench/generate_map.cpp (outside the
repository), converts it with the layout's program folder, then times:
  one mkgmap call   mkgmap on the whole .mp with the options mirvex gives a single map
                    (its Java heap as Java chooses it), the baseline;
  mirvex compile    the same .mp, tiled and compiled side by side when it is big;
  mirvex build      the MIF and MID to gmapsupp.img in one run.
Each row gives the seconds, the peak memory of all its processes together (mirvex and
Java: sampled from /proc every 0.2 s, the resident sets of the process tree summed), the
number of tiles, and whether gmapsupp.img was written. Prints the table with the targets;
appends it to docs/performance.md unless --no-append.

    bench/run_compile_benchmark.py [--layout mapinfo] [--size-mb 60] [--work DIR]
                                   [--build DIR] [--no-baseline] [--no-append]
"""
import argparse
import datetime
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TARGET_SPEEDUP = 1.6       # the tiled compile of the 60 MB map, times faster than one mkgmap call
TARGET_MEMORY_GB = 4.0     # peak memory of all processes together


def tree_rss(root_pid):
    """The resident memory of a process and all its descendants, in bytes."""
    children = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
            children.setdefault(int(fields[1]), []).append(int(entry))
        except OSError:
            continue
    total, stack = 0, [root_pid]
    while stack:
        pid = stack.pop()
        stack.extend(children.get(pid, []))
        try:
            with open(f"/proc/{pid}/status") as status:
                for line in status:
                    if line.startswith("VmRSS:"):
                        total += int(line.split()[1]) * 1024
        except OSError:
            pass
    return total


def timed(command, cwd=None):
    """Seconds, peak memory of the process tree and the output of one run."""
    start = time.monotonic()
    process = subprocess.Popen(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    peak = [0]
    done = threading.Event()

    def sample():
        while not done.is_set():
            peak[0] = max(peak[0], tree_rss(process.pid))
            done.wait(0.2)

    sampler = threading.Thread(target=sample)
    sampler.start()
    output = process.communicate()[0]
    done.set()
    sampler.join()
    seconds = time.monotonic() - start
    if process.returncode != 0:
        print(output[-3000:], file=sys.stderr)
    return seconds, peak[0], output, process.returncode


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--layout", default="mapinfo")
    parser.add_argument("--size-mb", type=int, default=60)
    parser.add_argument("--work")
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--no-baseline", action="store_true")
    parser.add_argument("--no-append", action="store_true")
    args = parser.parse_args()

    mirvex = os.path.join(args.build, "mirvex")
    generator = os.path.join(args.build, "mirvex_bench_generate")
    if not os.path.exists(generator):
        subprocess.run(["cmake", "--build", args.build, "--target", "mirvex_bench_generate", "mirvex"], check=True)
    work = args.work or tempfile.mkdtemp(prefix="mirvex-compile-bench-")
    maps = os.path.join(work, "maps")
    subprocess.run([generator, "--layout", args.layout, maps, str(args.size_mb)], check=True, stdout=subprocess.DEVNULL)
    home = os.path.join(maps, "home-full")
    mif, mid = os.path.join(maps, "map.mif"), os.path.join(maps, "map.mid")
    converted = os.path.join(work, "map.mp")
    subprocess.run([mirvex, "convert", mif, mid, converted, "--home", home, "--quiet"], check=True,
                   stdout=subprocess.DEVNULL)
    map_mb = os.path.getsize(converted) / 1e6

    rows = []
    if not args.no_baseline:
        out = os.path.join(work, "one-call")
        os.makedirs(out, exist_ok=True)
        seconds, peak, output, status = timed(
            ["mkgmap", "--output-dir=" + out, "--code-page=1251", "--mapname=10000001", "--family-id=1",
             "--gmapsupp", converted], cwd=out)
        rows.append(("one mkgmap call, whole map", seconds, peak, 1, status == 0 and
                     os.path.exists(os.path.join(out, "gmapsupp.img"))))
    for name, command, out in (
            ("mirvex compile (tiled when big)", [mirvex, "compile", converted, "--output",
                                                  os.path.join(work, "compiled"), "--home", home, "--quiet"],
             os.path.join(work, "compiled")),
            ("mirvex build (MIF to gmapsupp.img)", [mirvex, "build", mif, mid, "--output", os.path.join(work, "built"),
                                                     "--home", home, "--quiet"], os.path.join(work, "built"))):
        seconds, peak, output, status = timed(command)
        tiles = len([f for f in os.listdir(out) if re.fullmatch(r"\d{8}\.img", f)]) if os.path.isdir(out) else 0
        # The overview map is an .img of its own.
        tiles = max(1, tiles - 1) if tiles > 1 else tiles
        rows.append((name, seconds, peak, tiles, status == 0 and os.path.exists(os.path.join(out, "gmapsupp.img"))))

    lines = [f"Compile, {args.layout} layout, MIF {os.path.getsize(mif) / 1e6:.1f} MB, converted map {map_mb:.1f} MB, "
             f"{os.cpu_count()} cores, {datetime.date.today()}:", "",
             "| run | seconds | peak memory of all processes GB | tiles | gmapsupp.img |", "|---|---:|---:|---:|---|"]
    for name, seconds, peak, tiles, written in rows:
        lines.append(f"| {name} | {seconds:.1f} | {peak / 2**30:.2f} | {tiles} | {'written' if written else 'NOT written'} |")
    lines.append("")
    if not args.no_baseline and rows[0][4]:
        speedup = rows[0][1] / rows[1][1]
        lines.append(f"Tiled compile against one mkgmap call: {speedup:.2f} times faster "
                     f"(target {TARGET_SPEEDUP}: {'met' if speedup >= TARGET_SPEEDUP else 'MISSED'}).")
    peak_gb = max(row[2] for row in rows[1:]) / 2**30
    lines.append(f"Peak memory of mirvex's runs: {peak_gb:.2f} GB (target {TARGET_MEMORY_GB}: "
                 f"{'met' if peak_gb <= TARGET_MEMORY_GB else 'MISSED'}).")
    text = "\n".join(lines)
    print(text)
    if not args.no_append:
        with open(os.path.join(ROOT, "docs", "performance.md"), "a") as doc:
            doc.write("\n" + text + "\n")
    if not args.work:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
