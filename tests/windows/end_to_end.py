#!/usr/bin/env python3
"""The Windows mirvex.exe under Wine, checked from outside where the test program cannot
reach: the same bytes as the reviewed maps (and as the Linux build, when there is one),
Ctrl+C (Wine turns SIGINT into the console's Ctrl+C event) stopping a run cleanly and a
second one ending it without a temporary file, and the program folder of a folder that
cannot be written.

Usage: tests/windows/end_to_end.py BUILD_DIR   (Wine's environment already set)
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build-windows"))
MIRVEX = os.path.join(BUILD, "mirvex.exe")
WINE = shutil.which("wine") or shutil.which("wine64")
failures = []


def check(condition, what):
    print(("ok    " if condition else "FAIL  ") + what)
    if not condition:
        failures.append(what)


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def mirvex(*arguments, program=MIRVEX):
    return subprocess.run([WINE, program, *arguments], capture_output=True, timeout=300)


def temporary_files(folder):
    return [name for name in os.listdir(folder) if ".mirvex-" in name]


def program_folder_files(home):
    shutil.copy(os.path.join(ROOT, "data/config.ini"), home)
    shutil.copy(os.path.join(ROOT, "data/object.txt"), home)


def same_bytes_as_the_reviewed_maps(scratch):
    maps = [
        ("sample", "data/sample/sample.mif", "data/sample/sample.mid", None, "tests/data/sample.expected.mp"),
        ("GDAL", "tests/data/gdal/gdal_layer.mif", "tests/data/gdal/gdal_layer.mid",
         b"[System]\r\nKolSt=2\r\nTypeSt=1\r\nPodpSt=2\r\nAutoSet=1\r\n", "tests/data/gdal/gdal_layer.expected.mp"),
    ]
    linux = os.path.join(ROOT, "build", "mirvex")
    for name, mif, mid, settings, expected in maps:
        home = os.path.join(scratch, name)
        os.makedirs(home)
        program_folder_files(home)
        if settings:
            open(os.path.join(home, "mirvex.ini"), "wb").write(settings)
        else:
            shutil.copy(os.path.join(ROOT, "data/sample/mirvex.ini"), home)
        result = os.path.join(home, "windows.mp")
        run = mirvex("convert", windows_path(os.path.join(ROOT, mif)), windows_path(os.path.join(ROOT, mid)),
                     windows_path(result), "--home", windows_path(home), "--quiet")
        check(run.returncode == 0, f"{name}: wine mirvex.exe convert ends with 0 ({run.stderr.decode(errors='replace')})")
        made = open(result, "rb").read() if os.path.exists(result) else b""
        check(made == open(os.path.join(ROOT, expected), "rb").read(), f"{name}: the reviewed map byte for byte")
        if os.access(linux, os.X_OK):
            linux_result = os.path.join(home, "linux.mp")
            subprocess.run([linux, "convert", os.path.join(ROOT, mif), os.path.join(ROOT, mid), linux_result,
                            "--home", home, "--quiet"], check=True, capture_output=True)
            check(made == open(linux_result, "rb").read(), f"{name}: the Linux build's map byte for byte")


def start_long_conversion(folder):
    """A conversion that runs for a while, started once its temporary result exists."""
    with open(os.path.join(folder, "big.mif"), "wb") as mif:
        mif.write(b"Columns 2\r\nData\r\n\r\nPline 3000000\r\n" + b"37.215119 54.199747\r\n" * 3000000)
    open(os.path.join(folder, "big.mid"), "wb").write(b'"a","b"\r\n')
    open(os.path.join(folder, "map.mp"), "wb").write(b"earlier result\r\n")
    program_folder_files(folder)
    process = subprocess.Popen([WINE, MIRVEX, "convert", "big.mif", "big.mid", "map.mp", "--home",
                                windows_path(folder), "--quiet"], cwd=folder, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE)
    deadline = time.time() + 120
    while not temporary_files(folder) and process.poll() is None and time.time() < deadline:
        time.sleep(0.01)
    return process


def interrupt(scratch):
    folder = os.path.join(scratch, "once")
    os.makedirs(folder)
    process = start_long_conversion(folder)
    check(process.poll() is None, "Ctrl+C: the run is under way when it comes")
    process.send_signal(signal.SIGINT)
    out, err = process.communicate(timeout=120)
    check(process.returncode == 1, f"Ctrl+C: the run stops with status 1 (got {process.returncode})")
    check("Операция прервана" in err.decode("utf-8", "replace"), "Ctrl+C: it says the operation was stopped")
    check(open(os.path.join(folder, "map.mp"), "rb").read() == b"earlier result\r\n", "Ctrl+C: the earlier result stays")
    check(not temporary_files(folder), "Ctrl+C: no temporary file is left")

    # Two at once: the second either ends the program at once or, when the system
    # merged the two signals into one, the run stops as above; never a completed run,
    # a changed result or a temporary file left behind.
    folder = os.path.join(scratch, "twice")
    os.makedirs(folder)
    process = start_long_conversion(folder)
    process.send_signal(signal.SIGINT)
    process.send_signal(signal.SIGINT)
    out, err = process.communicate(timeout=120)
    ended = process.returncode not in (0, 1)
    stopped = process.returncode == 1 and "Операция прервана" in err.decode("utf-8", "replace")
    check(ended or stopped, f"second Ctrl+C: ends the program or stops the run (status {process.returncode})")
    time.sleep(0.5)  # a file removed while open goes when its last handle closes
    check(open(os.path.join(folder, "map.mp"), "rb").read() == b"earlier result\r\n",
          "second Ctrl+C: the earlier result stays")
    check(not temporary_files(folder), "second Ctrl+C: no temporary file is left")


def program_folder(scratch):
    """The executable's folder when it can be written, else %APPDATA%\\Mirvex seeded."""
    folder = os.path.join(scratch, "Mirvex")
    os.makedirs(folder)
    shutil.copy(MIRVEX, folder)
    for name in ("config.ini", "object.txt", "point.dat", "line.dat", "poligon.dat"):
        shutil.copy(os.path.join(ROOT, "data", name), folder)
    # The package's settings are the sample's (scripts/make-windows-package.sh).
    shutil.copy(os.path.join(ROOT, "data/sample/mirvex.ini"), folder)
    shutil.copytree(os.path.join(ROOT, "data/help"), os.path.join(folder, "help"))
    program = os.path.join(folder, "mirvex.exe")
    help_text = mirvex("--help", program=program).stdout.decode("utf-8", "replace")
    check(windows_path(folder) in help_text, "a folder that can be written is the program folder")

    if os.geteuid() != 0 or subprocess.run(["chattr", "+i", folder], capture_output=True).returncode != 0:
        print("skip  the read-only installation folder (needs root and chattr)")
        return
    # Wine takes %APPDATA% from its prefix, not from the Linux environment.
    appdata_text = subprocess.run([WINE, "cmd", "/c", "echo %APPDATA%"], capture_output=True, text=True).stdout.strip()
    appdata = subprocess.run(["winepath", "-u", appdata_text], capture_output=True, text=True).stdout.strip()
    data = os.path.join(appdata, "Mirvex")
    shutil.rmtree(data, ignore_errors=True)
    try:
        help_text = mirvex("--help", program=program).stdout.decode("utf-8", "replace")
        check(appdata_text + "\\Mirvex" in help_text, "a folder that cannot be written: %APPDATA%\\Mirvex instead")
        for name in ("mirvex.ini", "config.ini", "object.txt", "point.dat", "line.dat", "poligon.dat",
                     "help/index.html"):
            check(os.path.isfile(os.path.join(data, name)), f"%APPDATA%\\Mirvex is seeded with {name}")
        sample = os.path.join(ROOT, "data/sample")
        result = os.path.join(scratch, "sample.mp")
        run = mirvex("convert", windows_path(os.path.join(sample, "sample.mif")),
                     windows_path(os.path.join(sample, "sample.mid")), windows_path(result), program=program)
        check(run.returncode == 0 and os.path.getsize(result) > 0, "the sample converts with the seeded folder")
        # With the shipped settings (the sample's columns) the map is the reviewed one.
        expected = open(os.path.join(ROOT, "tests/data/sample.expected.mp"), "rb").read()
        check(open(result, "rb").read() == expected, "the seeded folder converts the sample as the reviewed map")
        check(sorted(os.listdir(folder)) == sorted(["mirvex.exe", "mirvex.ini", "config.ini", "object.txt", "point.dat", "line.dat",
                                                   "poligon.dat", "help"]), "nothing is written beside the program")
    finally:
        subprocess.run(["chattr", "-i", folder])
        shutil.rmtree(data, ignore_errors=True)


def main():
    if not WINE:
        sys.exit("wine is not installed (scripts/install-windows-deps.sh)")
    scratch = tempfile.mkdtemp(prefix="mirvex-windows-")
    try:
        same_bytes_as_the_reviewed_maps(scratch)
        interrupt(scratch)
        program_folder(scratch)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    if failures:
        sys.exit(f"{len(failures)} Windows check(s) failed")
    print("all Windows checks passed")


if __name__ == "__main__":
    main()
