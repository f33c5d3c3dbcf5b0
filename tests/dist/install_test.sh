#!/bin/bash
# install_test.sh BUILD_DIR SCRATCH APP(0|1): installs the build into a scratch
# prefix and checks what a user and a packager rely on there.
set -euo pipefail
build=$1 scratch=$2 prefix=$2/prefix app=$3
here=$(cd "$(dirname "$0")" && pwd)
fail=0
bad() { echo "FAIL: $*"; fail=1; }

rm -rf "$scratch" && mkdir -p "$scratch"
cmake --install "$build" --prefix "$prefix" >/dev/null

expect=(bin/shrinkwell-cli lib/libtagsmith.so lib/libtagsmith.so.0 include/tagsmith/pipeline/tagsmith.h
  lib/pkgconfig/tagsmith.pc share/man/man1/shrinkwell-cli.1 share/bash-completion/completions/shrinkwell-cli)
if [ "$app" = 1 ]; then
  id=org.shrinkwell.Shrinkwell
  expect+=(bin/shrinkwell share/man/man1/shrinkwell.1 share/applications/$id.desktop
    share/metainfo/$id.metainfo.xml share/icons/hicolor/scalable/apps/$id.svg share/icons/hicolor/48x48/apps/$id.png)
fi
for f in "${expect[@]}"; do [ -e "$prefix/$f" ] || bad "not installed: $f"; done
[ -L "$prefix/lib/libtagsmith.so.0" ] || bad "libtagsmith.so.0 is not a link to the versioned library"
readelf -d "$prefix/lib/libtagsmith.so.0" | grep -q 'SONAME.*\[libtagsmith\.so\.0\]' || bad "SONAME is not libtagsmith.so.0"

# The installed programs load the installed library, and nothing points into the build.
for exe in "$prefix"/bin/*; do
  runpath=$(readelf -d "$exe" | sed -n 's/.*R\(UN\)\{0,1\}PATH.*\[\(.*\)\]/\2/p')
  [ "$runpath" = '$ORIGIN/../lib' ] || bad "$(basename "$exe") has the search path '$runpath'"
  loaded=$(ldd "$exe" | sed -n 's/.*libtagsmith\.so\.0 => \(.*\) (.*/\1/p')
  [ "$(realpath "$loaded")" = "$(realpath "$prefix/lib/libtagsmith.so.0")" ] ||
    bad "$(basename "$exe") loads '$loaded', not the installed library"
done
"$prefix/bin/shrinkwell-cli" --version | grep -q '^shrinkwell-cli [0-9]' || bad "shrinkwell-cli --version"
man -l --warnings "$prefix/share/man/man1/"*.1 2>&1 >/dev/null | grep . && bad "man page warnings"

# A program of our own, compiled with nothing but what pkg-config gives.
flags=$(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --cflags --libs tagsmith)
c++ -std=c++20 -o "$scratch/usetagsmith" "$here/usetagsmith.cpp" $flags -Wl,-rpath,"$prefix/lib" || bad "compiling against the installed headers"
[ -x "$scratch/usetagsmith" ] && { "$scratch/usetagsmith" "$scratch/tiny.swf" >/dev/null || bad "the installed library read the header wrong"; }

if [ "$app" = 1 ]; then
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$prefix/share/applications/$id.desktop" || bad "desktop-file-validate"
  fi
  if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null || bad "appstreamcli validate"
  fi
fi

# Completion: options and presets come from --help, movies and folders from the disk.
completion=/usr/share/bash-completion/bash_completion
if [ -r "$completion" ]; then
  mkdir -p "$scratch/c/dir" && touch "$scratch/c/a.swf" "$scratch/c/b.EXE" "$scratch/c/c.txt"
  complete_words() {
    (cd "$scratch/c" && PATH=$prefix/bin:$PATH bash -c '
      . "$1"; . "$2"; shift 2
      COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
      _shrinkwell_cli shrinkwell-cli "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
      ((${#COMPREPLY[@]})) && printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "; true' _ "$completion" "$prefix/share/bash-completion/completions/shrinkwell-cli" "$@")
  }
  check() { local want=$1; shift; got=$(complete_words shrinkwell-cli "$@"); [ "$got" = "$want" ] || bad "completing '$*': '$got', not '$want'"; }
  check "Basic Best " -p B
  check "Good " --preset=G
  check "--overwrite " --overw
  check "a.swf b.EXE dir " ""
  check "dir " -o ""
  check "" -j ""
fi
exit $fail
