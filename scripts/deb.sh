#!/bin/bash
# deb.sh OUT: builds the Debian packages with dpkg-buildpackage from a copy
# of the tree in OUT (the packages, .changes and .buildinfo land in OUT, not
# beside the checkout), then runs lintian over them: any error fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "$1" && cd "$1" && pwd)
version=$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)
src=$out/shrinkwell-$version
project=$(sed -n 's/^project(shrinkwell VERSION \([^ ]*\) .*/\1/p' "$root/CMakeLists.txt")
if [ "$version" != "$project" ]; then
  echo "deb: debian/changelog says $version, CMakeLists.txt $project: add a changelog entry" >&2
  exit 1
fi

rm -rf "$src" "$out"/*.deb "$out"/*.changes "$out"/*.buildinfo
mkdir -p "$src"
# The files git knows of (edits not yet committed included), without build
# folders or other untracked output.
if git -C "$root" rev-parse --git-dir >/dev/null 2>&1; then
  (cd "$root" && git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
    tar --null -T - -cf -) | tar -xf - -C "$src"
else
  tar -C "$root" --exclude='./build*' --exclude=./out -cf - . | tar -xf - -C "$src"
fi

export DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:-parallel=$(nproc)}"
export CCACHE_BASEDIR="$src"
(cd "$src" && nice dpkg-buildpackage -b -us -uc)
rm -rf "$src"
ls "$out"/*.deb
lintian --fail-on error "$out"/shrinkwell_"${version}"_*.changes
