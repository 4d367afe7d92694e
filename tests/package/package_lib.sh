# SPDX-License-Identifier: Apache-2.0
# The package built from the built tree into a folder of its own, for the
# checks that source this file: sets $out (removed on exit) and $deb.
# Usage: . package_lib.sh BUILD_DIR
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log"; exit 1; }
debs=("$out"/karvento_*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || { echo "no single karvento_*.deb in $out"; ls "$out"; exit 1; }
deb=${debs[0]}
