#!/usr/bin/env bash
# Builds the release presets and packs VQM_FUNC1-<version>-win64.zip and the Linux archive
# (under build/release-*/packages/), then unpacks each into an empty folder and uses it:
# the DLL from the zip must stay under 1.5 MB, import Windows system DLLs only, load under
# Wine, answer an export and show the project's version in its version resource; the Linux
# prefix must carry the versioned soname, build a C++ program with find_package(VQM) that
# calls the library, and run vqm-replay from its bin/ folder.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
bash scripts/setup.sh
fail() { echo "package check failed: $*" >&2; exit 1; }

for preset in release-native release-win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  (cd "build/$preset" && cpack >/dev/null)
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release-native/CMakeCache.txt)
zip="$root/build/release-win64/packages/VQM_FUNC1-$version-win64.zip"
tgz="$root/build/release-native/packages/VQM_FUNC1-$version-Linux-$(uname -m).tar.gz"
# What every package's DLL or library answers: VQM_F_PrcNorm(0.5) on 3, -3, 249, 100, 0.
expected_scaled="0: 2 -2 125 50 0"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# ---- the Windows zip ----
mkdir "$work/zip" && (cd "$work/zip" && cmake -E tar xf "$zip")
dir="$work/zip/VQM_FUNC1-$version-win64"
for f in VQM_FUNC1.DLL LICENSE CHANGELOG.md install-windows.md script/declarations.txt; do
  [ -f "$dir/$f" ] || fail "$f missing from $(basename "$zip")"
done
dll="$dir/VQM_FUNC1.DLL"
size=$(stat -c %s "$dll")
[ "$size" -lt 1572864 ] || fail "VQM_FUNC1.DLL is $size bytes, not under 1.5 MB"
imports=$(x86_64-w64-mingw32-objdump -p "$dll" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
for name in $imports; do
  case "$name" in
    kernel32.dll|msvcrt.dll|user32.dll|advapi32.dll|ole32.dll|oleaut32.dll|winmm.dll) ;;
    *) fail "VQM_FUNC1.DLL imports $name, not a Windows system DLL" ;;
  esac
done
x86_64-w64-mingw32-gcc-posix -O2 -Wall -Wextra -Werror -static cmake/package_check/dll_probe.c \
  -lversion -o "$work/dll_probe.exe"
# The test run's Wine prefix, when there is one, saves creating another. Wine sees the Unix
# root as drive Z:.
wineprefix="${VQM_PACKAGE_WINEPREFIX:-$root/build/win64/wineprefix}"
mkdir -p "$(dirname "$wineprefix")"
got=$(cd "$work" && WINEPREFIX="$wineprefix" \
      WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" /usr/lib/wine/wine64 \
      "$work/dll_probe.exe" "Z:$(echo "$dll" | tr / '\\')" 2>"$work/wine.log" | tr -d '\r') ||
  { cat "$work/wine.log" >&2; fail "the DLL probe under Wine"; }
[ "$got" = "$version $version: $expected_scaled" ] ||
  fail "the DLL from the zip answered '$got', expected '$version $version: $expected_scaled'"
echo "win64 zip: $zip ($size-byte DLL, imports: $(echo $imports), version resource $version)"

# ---- the Linux archive ----
mkdir "$work/tgz" && (cd "$work/tgz" && cmake -E tar xf "$tgz")
prefix="$work/tgz/VQM_FUNC1-$version-Linux-$(uname -m)"
lib=$(ls "$prefix"/lib*/libVQM_FUNC1.so."$version")
soname=$(objdump -p "$lib" | sed -n 's/^\s*SONAME\s*//p')
[ "$soname" = "libVQM_FUNC1.so.${version%%.*}" ] || fail "soname '$soname'"
# Nothing the library might write may land outside the scratch folder.
export VQM_DRIVE_ROOT="$work/drives" VQM_HOST_DIR="$work/host"
mkdir -p "$VQM_HOST_DIR"
cmake -S cmake/package_check/consumer -B "$work/consumer" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/consumer" >/dev/null
got=$("$work/consumer/vqm_consumer")
[ "$got" = "$expected_scaled" ] || fail "the find_package(VQM) program printed '$got'"
# The tool looks for the library from its own folder, which VQM_HOST_DIR would stand in for;
# what the library writes then stays in the unpacked prefix.
mkdir -p "$work/replay"
env -u VQM_HOST_DIR "$prefix/bin/vqm-replay" --quiet --run prcnorm --out "$work/replay/sample" \
  >/dev/null ||
  fail "vqm-replay from the unpacked bin/ folder"
echo "Linux archive: $tgz (soname $soname; find_package(VQM) program and vqm-replay ran)"
