#!/bin/sh
# Installs the build dependencies that are missing (Debian): a C++20 compiler, CMake,
# make, GoogleTest, Qt 6 Widgets (with its test module) and its Russian translation,
# PROJ (the coordinate transformations, and its cs2cs the tests compare with), Boost's
# headers (Boost.Geometry cuts regions at tile edges), and Xvfb
# for the window's screenshot test. Runs apt-get only when something is missing.
set -e
missing=""
command -v g++ >/dev/null 2>&1 || missing="$missing g++"
command -v cmake >/dev/null 2>&1 || missing="$missing cmake"
command -v make >/dev/null 2>&1 || missing="$missing make"
[ -f /usr/include/gtest/gtest.h ] || missing="$missing libgtest-dev"
[ -d /usr/lib/x86_64-linux-gnu/cmake/Qt6Widgets ] || [ -n "$(find /usr/lib -maxdepth 3 -name Qt6WidgetsConfig.cmake 2>/dev/null)" ] ||
  missing="$missing qt6-base-dev"
command -v cs2cs >/dev/null 2>&1 || missing="$missing proj-bin"
[ -f /usr/include/boost/geometry.hpp ] || missing="$missing libboost-dev"
command -v xvfb-run >/dev/null 2>&1 || missing="$missing xvfb xauth"
[ -f /usr/share/qt6/translations/qtbase_ru.qm ] || missing="$missing qt6-translations-l10n"
[ -z "$missing" ] && exit 0
echo "Устанавливаю:$missing"
if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
