#!/usr/bin/env bash
# Sets up a fresh Debian machine for Veltrum, builds it and runs one of its jobs:
#   tools/bootstrap.sh demo   build a release and start veltrum against the simulated charger
#                             (without a display: run veltrum-cli against it)
#   tools/bootstrap.sh test   build with AddressSanitizer and UBSan and run the whole test suite
#   tools/bootstrap.sh package  build a release and make the Debian package and the release zip
#                             in build/package/packages
set -euo pipefail

mode=${1:-demo}
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  libftdi1-dev libusb-1.0-0-dev zlib1g-dev libzip-dev
  fonts-liberation2 xvfb xauth
)
# cpack reads the Debian package's dependencies with dpkg-shlibdeps, which needs file.
[ "$mode" != package ] || packages+=(dpkg-dev file)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

case "$mode" in
  demo)
    cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELTRUM_BUILD_TESTS=OFF
    cmake --build "$root/build/release" -j "$jobs"
    cli="$root/build/release/src/cli/veltrum-cli"
    demo="$root/build/demo"
    mkdir -p "$demo/data"
    export KELVORA_SIMULATOR=1 KELVORA_SIM_STATE="$demo/module.ini"
    if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
      # The desktop program in role Admin, with settings and base folder of its own, so that
      # the first look asks nothing and leaves the user's settings alone.
      export KELVORA_CONFIG_DIR="$demo/config"
      mkdir -p "$KELVORA_CONFIG_DIR"
      [ -f "$KELVORA_CONFIG_DIR/Kelvora.conf" ] ||
        printf '[Veltrum]\nDataPath="%s"\nRole=3\n' "$demo/data" >"$KELVORA_CONFIG_DIR/Kelvora.conf"
      exec "$root/build/release/src/app/veltrum"
    fi
    echo "== Chargers"
    "$cli" list
    echo "== Charger and module"
    "$cli" info
    echo "== Download (last lines of the listing)"
    "$cli" download --base "$demo/data" --yes | tail -n 6
    echo "== Nightly statistics of module K-104233"
    "$cli" report --base "$demo/data" --module K-104233 --csv -
    ;;
  test)
    cmake -S "$root" -B "$root/build/test" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELTRUM_SANITIZE=ON \
          -DVELTRUM_WERROR=ON
    cmake --build "$root/build/test" -j "$jobs"
    export QT_QPA_PLATFORM=offscreen
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ctest --test-dir "$root/build/test" --output-on-failure -j "$jobs"
    ;;
  package)
    out="$root/build/package"
    cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
          -DVELTRUM_BUILD_TESTS=OFF -DVELTRUM_BUILD_BENCH=OFF
    cmake --build "$out" -j "$jobs"
    rm -rf "$out/packages"
    (cd "$out" && cpack)
    ls -l "$out/packages"
    ;;
  *)
    echo "usage: $0 demo|test|package" >&2
    exit 2
    ;;
esac
