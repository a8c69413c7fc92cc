#!/usr/bin/env python3
"""scripts/build-proj-windows.sh refuses what it downloads unless the hashes match: a
.dsc other than the one whose SHA-256 it keeps, and a file whose SHA-256 differs from
the one its .dsc lists, each stop the script before anything is unpacked or built,
with the file named, no stamp written and the bad download removed (so the next run
fetches it again). The pool is a local folder served through file://, so no network
is used.

Usage: tests/windows/proj_script_test.py
"""
import os
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SCRIPT = os.path.join(ROOT, "scripts", "build-proj-windows.sh")
DSC = "sqlite3_3.40.1-2+deb12u2.dsc"
REAL_DSC = os.path.join(ROOT, "tests", "data", "debian", DSC)
failures = []


def check(condition, what):
    print(("ok    " if condition else "FAIL  ") + what)
    if not condition:
        failures.append(what)


def run(case, pool_files, cached=None):
    """Runs the script with a pool holding pool_files (name -> bytes) and the downloads
    folder seeded with cached (name -> bytes); checks that it stopped on the file
    `case` names and left nothing built."""
    name, bad_file = case
    with tempfile.TemporaryDirectory() as tmp:
        pool = os.path.join(tmp, "mirror", "pool", "main", "s", "sqlite3")
        os.makedirs(pool)
        for file, data in pool_files.items():
            with open(os.path.join(pool, file), "wb") as f:
                f.write(data)
        build = os.path.join(tmp, "build")
        downloads = os.path.join(build, "deps-build", "downloads")
        os.makedirs(downloads)
        for file, data in (cached or {}).items():
            with open(os.path.join(downloads, file), "wb") as f:
                f.write(data)
        env = dict(os.environ, MIRVEX_DEBIAN_MIRROR="file://" + os.path.join(tmp, "mirror"))
        result = subprocess.run(["sh", SCRIPT, build], env=env, capture_output=True, text=True)
        check(result.returncode != 0, name + ": the script fails")
        check("Контрольная сумма не совпала: " + bad_file in result.stderr,
              name + ": the message names " + bad_file + " (stderr: " + result.stderr.strip() + ")")
        check(not os.path.exists(os.path.join(downloads, bad_file)), name + ": the bad download is removed")
        check(not os.path.exists(os.path.join(build, "deps", ".built")), name + ": no stamp")
        check(not os.path.exists(os.path.join(build, "deps-build", "src", "sqlite3")), name + ": nothing unpacked")


def main():
    if not shutil.which("curl"):
        print("skipped: curl is not installed")
        return 0
    with open(REAL_DSC, "rb") as f:
        real_dsc = f.read()
    # A .dsc that lists the same files but is not the one the script keeps the hash of.
    run(("a different .dsc", DSC), {DSC: real_dsc.replace(b"Version: 3.40.1-2", b"Version: 3.40.1-3")})
    # The right .dsc (already downloaded) and a tampered file it lists.
    run(("a tampered orig tarball", "sqlite3_3.40.1.orig-www.tar.xz"),
        {"sqlite3_3.40.1.orig-www.tar.xz": b"not the tarball"}, cached={DSC: real_dsc})
    if failures:
        print("%d check(s) failed" % len(failures))
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
