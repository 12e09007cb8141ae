#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Kordavel: install what is missing, build, then start the program or run the tests.
#   ./build.sh run    installs, builds and starts Kordavel
#   ./build.sh test   installs, builds and runs every test headless, also under the
#                     address and undefined-behaviour sanitizers
#   ./build.sh package  installs, builds and makes the Debian package in build/default
#   ./build.sh bench  installs, builds and runs every benchmark once at a small size
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev qt6-svg-dev
          qt6-qpa-plugins qt6-image-formats-plugins libx11-dev fonts-liberation)
# Only the tests need these: pdftotext reads printed pages back; the formatting check;
# the desktop entry and metainfo checks.
TEST_PACKAGES=(poppler-utils clang-format desktop-file-utils appstream)
# The Debian package: dependencies computed from the binary.
PACKAGE_PACKAGES=(dpkg-dev lintian)

install_missing() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$p")
    done
    if ((${#missing[@]})); then
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo=sudo
        echo "Installing: ${missing[*]}"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
    fi
}

# The tree keeps its .clang-format; the desktop entry and the metainfo (as the build
# configures it) pass their validators.
check_files() {
    find src tests bench fuzz resources \( -name '*.cpp' -o -name '*.h' \) -print0 |
        xargs -0 clang-format --dry-run --Werror
    desktop-file-validate resources/linux/org.kordavel.Kordavel.desktop
    appstreamcli validate --no-net build/default/resources/linux/org.kordavel.Kordavel.metainfo.xml
}

build() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
}

case "${1:-}" in
run)
    install_missing "${PACKAGES[@]}"
    build default
    exec build/default/src/app/kordavel "${@:2}"
    ;;
test)
    install_missing "${PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    build default
    check_files
    ctest --preset default
    build asan
    ctest --preset asan
    ;;
bench)
    # Each benchmark once, at a size that proves it still builds and runs; the figures of
    # record are taken by hand at the full sizes its header names.
    install_missing "${PACKAGES[@]}"
    build default
    cmake --build --preset default --target benchmarks
    export QT_QPA_PLATFORM=offscreen
    set -x
    build/default/bench/bench_editor 2000 1
    build/default/bench/bench_tools 20000 1
    build/default/bench/bench_preview 2000 1
    build/default/bench/bench_view 20000
    build/default/bench/bench_dnc 1 1
    build/default/bench/bench_transfer 5 1000 200
    build/default/bench/bench_compare 2000 20 1
    { set +x; } 2>/dev/null
    ;;
package)
    install_missing "${PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
    build default
    rm -f build/default/kordavel_*.deb
    (cd build/default && cpack -G DEB)
    # Debian's own checks of the package; an error fails the command.
    lintian --fail-on error build/default/kordavel_*.deb
    ;;
*)
    echo "usage: $0 run|test|bench|package" >&2
    exit 2
    ;;
esac
