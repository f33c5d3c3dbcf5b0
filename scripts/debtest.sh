#!/bin/bash
# debtest.sh DEBDIR MOVIE: installs the packages in DEBDIR on this machine,
# compresses MOVIE with the installed shrinkwell-cli, purges the packages and
# checks that none of their files is left. Needs root.
set -euo pipefail
debs=$(cd "$1" && pwd)
movie=$(realpath "$2")
if [ "$(id -u)" -ne 0 ]; then
  echo "deb-test: needs root (apt-get install and purge)" >&2
  exit 1
fi
packages=$(for d in "$debs"/*.deb; do dpkg-deb -f "$d" Package; done | sort -u)
for p in $packages; do
  if dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null | grep -q '^ii'; then
    echo "deb-test: $p is installed already; remove it first" >&2
    exit 1
  fi
done

fail=0
work=$(mktemp -d)
trap 'apt-get -o DPkg::Lock::Timeout=600 purge -y -qq $packages >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
export DEBIAN_FRONTEND=noninteractive
apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "$debs"/*.deb >/dev/null
# Every path the packages put on the machine, their folders left out (they may be shared).
for p in $packages; do dpkg-query -L "$p"; done | sort -u | while read -r f; do [ -d "$f" ] || echo "$f"; done >"$work/files"

/usr/bin/shrinkwell-cli --version
cp "$movie" "$work/movie.swf"
/usr/bin/shrinkwell-cli -o "$work/out" "$work/movie.swf" || fail=1
ls "$work/out"/*_compressed.* >/dev/null || { echo "deb-test: no output written"; fail=1; }
man -w shrinkwell-cli >/dev/null || { echo "deb-test: man shrinkwell-cli finds no page"; fail=1; }

apt-get -o DPkg::Lock::Timeout=600 purge -y -qq $packages >/dev/null
for p in $packages; do
  if dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null | grep -q '^[a-z][^n]'; then
    echo "deb-test: $p still known to dpkg"; fail=1
  fi
done
while read -r f; do
  if [ -e "$f" ] || [ -L "$f" ]; then echo "deb-test: left behind: $f"; fail=1; fi
done <"$work/files"
[ $fail = 0 ] && echo "deb-test: installed, ran, purged; nothing left behind ($(wc -l <"$work/files") files)"
exit $fail
