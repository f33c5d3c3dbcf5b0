#!/bin/bash
# Installs the Debian packages that building, testing, benchmarking and fuzzing
# need (`deps.sh deb`: also what building the Debian packages needs). Silent
# and quick when they are all present: dpkg-query only.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  zlib1g-dev libdeflate-dev liblzma-dev
  libgtest-dev googletest libbenchmark-dev
  clang
  lame ffmpeg
  qt6-base-dev xvfb xauth
  help2man librsvg2-bin
  desktop-file-utils appstream bash-completion
)
if [ "${1:-}" = deb ]; then
  packages+=(debhelper dpkg-dev fakeroot lintian)
fi

# One dpkg-query call for all of them keeps the common case fast.
declare -A present=()
while read -r name status; do
  if [[ $status == ii* ]]; then present[$name]=1; fi
done < <(dpkg-query -W -f='${Package} ${db:Status-Abbrev}\n' "${packages[@]}" libjpeg62-turbo-dev libjpeg-dev 2>/dev/null || true)

missing=()
for p in "${packages[@]}"; do
  [ -n "${present[$p]:-}" ] || missing+=("$p")
done
# Either JPEG development package provides the same headers.
if [ -z "${present[libjpeg62-turbo-dev]:-}" ] && [ -z "${present[libjpeg-dev]:-}" ]; then
  missing+=(jpeg)
fi

[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi
echo "deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
# Another apt run may hold the lock for a while: wait for it rather than fail.
apt=(apt-get -o DPkg::Lock::Timeout=600)
"${sudo[@]}" "${apt[@]}" update -qq
for i in "${!missing[@]}"; do
  if [ "${missing[$i]}" = jpeg ]; then
    if apt-cache show libjpeg62-turbo-dev >/dev/null 2>&1; then
      missing[$i]=libjpeg62-turbo-dev
    else
      missing[$i]=libjpeg-dev
    fi
  fi
done
"${sudo[@]}" "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "deps: done" >&2
