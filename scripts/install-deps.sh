#!/bin/sh
# Installs the build dependencies that are missing (Debian): a C++20 compiler, CMake,
# make and GoogleTest. Runs apt-get only when something is missing.
set -e
missing=""
command -v g++ >/dev/null 2>&1 || missing="$missing g++"
command -v cmake >/dev/null 2>&1 || missing="$missing cmake"
command -v make >/dev/null 2>&1 || missing="$missing make"
[ -f /usr/include/gtest/gtest.h ] || missing="$missing libgtest-dev"
[ -z "$missing" ] && exit 0
echo "Устанавливаю:$missing"
if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
