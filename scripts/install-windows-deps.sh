#!/bin/sh
# Installs what the Windows build and its tests need and are missing (Debian): the
# MinGW-w64 cross compiler (POSIX threads), GoogleTest's sources, CMake and make, Wine
# (64-bit) to run the programs, Xvfb for the console test, zip for the package, and
# what scripts/build-proj-windows.sh needs to build PROJ and SQLite from Debian's source
# packages: curl, dpkg-source, xz, the native C compiler and tclsh (SQLite's generator
# tools) and sqlite3 (PROJ's build fills its database with it), and Boost's
# headers, which the cross build reads from the host's Boost folder alone.
set -e
missing=""
command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || missing="$missing g++-mingw-w64-x86-64-posix"
[ -f /usr/src/googletest/CMakeLists.txt ] || missing="$missing googletest"
command -v cmake >/dev/null 2>&1 || missing="$missing cmake"
command -v make >/dev/null 2>&1 || missing="$missing make"
command -v wine >/dev/null 2>&1 || missing="$missing wine wine64"
command -v xvfb-run >/dev/null 2>&1 || missing="$missing xvfb xauth"
command -v zip >/dev/null 2>&1 || missing="$missing zip"
command -v unzip >/dev/null 2>&1 || missing="$missing unzip"
[ -f /usr/include/boost/geometry.hpp ] || missing="$missing libboost-dev"
command -v curl >/dev/null 2>&1 || missing="$missing curl"
command -v dpkg-source >/dev/null 2>&1 || missing="$missing dpkg-dev"
command -v xz >/dev/null 2>&1 || missing="$missing xz-utils"
command -v gcc >/dev/null 2>&1 || missing="$missing gcc libc6-dev"
command -v tclsh >/dev/null 2>&1 || missing="$missing tcl"
command -v sqlite3 >/dev/null 2>&1 || missing="$missing sqlite3"
[ -z "$missing" ] && exit 0
echo "Устанавливаю:$missing"
if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
