# Shared by bin/demo, bin/test and bin/bench: install what is missing, then build.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD="$ROOT/build"

PACKAGES=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev zlib1g-dev nettle-dev
  libcurl4-openssl-dev qt6-base-dev libjpeg62-turbo-dev libpng-dev libtiff-dev
  python3 python3-pyftpdlib python3-pil clang-14 libclang-rt-14-dev
  imagemagick libjpeg-turbo-progs libtiff-tools curl attr vsftpd dpkg-dev file libssl-dev
  openssl)

ensure_packages() {
  local missing=()
  local p
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
}

configure_main() {
  if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  fi
}

build_main() {
  configure_main
  cmake --build "$BUILD" -j "$(nproc)"
}

# Only what the demo runs: the programs and the library, not tests, fuzzers or benchmarks.
build_programs() {
  configure_main
  cmake --build "$BUILD" -j "$(nproc)" --target tidewell tidewell-gen Graphics pics
}

build_fuzz() {
  local dir="$BUILD/fuzz"
  if [ ! -f "$dir/build.ninja" ]; then
    CC=clang-14 CXX=clang++-14 cmake -S "$ROOT" -B "$dir" -G Ninja -DFUZZ=ON >/dev/null
  fi
  cmake --build "$dir" -j "$(nproc)" --target fuzzers
}
