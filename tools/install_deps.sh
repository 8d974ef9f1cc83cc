#!/usr/bin/env bash
# Installs the Debian packages Celforge needs, and nothing when all are there.
#   tools/install_deps.sh run    what building and running the editor needs
#   tools/install_deps.sh test   that, plus what the tests, fuzzer and benchmark need
set -euo pipefail

run_packages=(g++ cmake ninja-build pkg-config libsdl2-dev libxmp-dev libspng-dev libgif-dev nlohmann-json3-dev libsqlite3-dev zlib1g-dev
              zenity fonts-nanum)
test_packages=(libsdl2-image-dev libgtest-dev libbenchmark-dev clang libclang-rt-14-dev
               xvfb xauth xdotool x11-utils xfonts-base python3 python3-pil fonts-dejavu-core
               shared-mime-info xdg-utils libglib2.0-bin imagemagick godot3-server nodejs
               python3-gi gir1.2-gtk-3.0)
# The engine checks install their Node packages with npm; Node.js builds that
# bring their own npm need no Debian npm.
command -v npm > /dev/null || test_packages+=(npm)

wanted=("${run_packages[@]}")
[ "${1:-run}" = test ] && wanted+=("${test_packages[@]}")

missing=()
for package in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
