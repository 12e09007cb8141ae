#!/usr/bin/env bash
# Kordavel: install what is missing, build, then start the program or run the tests.
#   ./build.sh run    installs, builds and starts Kordavel
#   ./build.sh test   installs, builds and runs every test headless, also under the
#                     address and undefined-behaviour sanitizers
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev qt6-svg-dev
          qt6-qpa-plugins qt6-image-formats-plugins libx11-dev fonts-liberation)
# Only the tests need these: pdftotext reads printed pages back.
TEST_PACKAGES=(poppler-utils)

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

build() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
}

case "${1:-}" in
run)
    install_missing "${PACKAGES[@]}"
    build default
    exec build/default/src/kordavel "${@:2}"
    ;;
test)
    install_missing "${PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    build default
    ctest --preset default
    build asan
    ctest --preset asan
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
