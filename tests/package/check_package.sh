#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the Debian package from the built tree and checks what it holds:
# the two programs, the desktop entry with its caption and icon, and the
# dependencies that dpkg-shlibdeps found for the binaries.
# Usage: check_package.sh BUILD_DIR
set -euo pipefail
# The programs speak their default language, Chinese, unless a case below
# asks for English.
export LC_ALL=C.UTF-8
unset LANGUAGE
. "$(dirname "$0")/package_lib.sh" "$1"
info=$(dpkg-deb -I "$deb")
files=$(dpkg-deb -c "$deb" | awk '{print $NF}')
echo "$info"
echo "$files"

fail=0
expect() {  # expect WHAT PATTERN TEXT
  if ! grep -qE -- "$2" <<<"$3"; then
    echo "FAIL: $1 (no line matching '$2')"
    fail=1
  fi
}
expect "package name" '^ Package: karvento$' "$info"
expect "architecture" '^ Architecture: [a-z0-9]+$' "$info"
# Computed dependencies: the C and C++ runtime and the toolkit's widgets.
expect "libc dependency" '^ Depends:.*libc6 \(>=' "$info"
expect "libstdc++ dependency" '^ Depends:.*libstdc\+\+6 \(>=' "$info"
expect "Qt widgets dependency" '^ Depends:.*libqt6widgets6' "$info"
expect "toolkit translations" '^ Depends:.*qt6-translations-l10n' "$info"
expect "platform plugins" '^ Depends:.*qt6-qpa-plugins' "$info"
expect "window program" '^\./usr/bin/karvento$' "$files"
expect "command-line program" '^\./usr/bin/karvento-cli$' "$files"
expect "desktop entry" '^\./usr/share/applications/karvento\.desktop$' "$files"
expect "icon" '^\./usr/share/icons/hicolor/scalable/apps/karvento\.svg$' "$files"
expect "manual page of the command line" '^\./usr/share/man/man1/karvento-cli\.1\.gz$' "$files"
expect "manual page of the window" '^\./usr/share/man/man1/karvento\.1\.gz$' "$files"
expect "copyright" '^\./usr/share/doc/karvento/copyright$' "$files"
expect "changelog" '^\./usr/share/doc/karvento/changelog\.gz$' "$files"
expect "bash completion" '^\./usr/share/bash-completion/completions/karvento-cli$' "$files"
expect "maintainer" '^ Maintainer: .*<[^@]+@[^@]+\.[a-z]+>$' "$info"
# Nothing of the build leaks into the package: no tests, no static libraries.
if grep -qE '_tests$|\.a$|/include/' <<<"$files"; then
  echo "FAIL: build products in the package"; fail=1
fi

# The desktop entry as installed.
mkdir "$out/root"
dpkg-deb -x "$deb" "$out/root"
entry=$(cat "$out/root/usr/share/applications/karvento.desktop")
expect "entry caption" '^Name=Karvento 图幅号工具$' "$entry"
expect "entry command" '^Exec=karvento$' "$entry"
expect "entry icon" '^Icon=karvento$' "$entry"
# The installed binaries are the ones that run: the CLI answers --help.
"$out/root/usr/bin/karvento-cli" --help >"$out/help.txt" 2>&1 || { echo "FAIL: karvento-cli --help"; fail=1; }
expect "cli help" 'karvento-cli' "$(cat "$out/help.txt")"
# The English catalogue, found by the installed program beside itself
# (../share/locale), also under a locale the machine has not generated.
expect "English catalogue" '^\./usr/share/locale/en/LC_MESSAGES/karvento\.mo$' "$files"
expect "cli help in Chinese" '^用法：karvento-cli 命令' "$(cat "$out/help.txt")"
expect "cli help in English" '^usage: karvento-cli COMMAND' "$(LC_ALL=en_US.UTF-8 "$out/root/usr/bin/karvento-cli" --help)"
# The modules come with the program and are found where they are installed;
# a missing one is named with the package that brings it.
expect "GIS module" '^\./usr/lib/[a-z0-9_-]+/karvento/libkarvento-cli-gis\.so$' "$files"
expect "map module" '^\./usr/lib/[a-z0-9_-]+/karvento/libkarvento-cli-map\.so$' "$files"
cli="$out/root/usr/bin/karvento-cli"
"$cli" sheets --from 116:20,39:50 --to 116:30,40:00 --output "$out/a.gpkg" 2>"$out/gpkg.txt" &&
  ogrinfo -ro -q "$out/a.gpkg" >/dev/null || { echo "FAIL: installed GeoPackage"; cat "$out/gpkg.txt"; fail=1; }
# The Python module in Debian's Python path, finding the GIS module where
# the package puts it.
# (A sanitized build has no module: Debian's Python is not instrumented.)
if [ "${2:-ON}" = ON ]; then
  expect "Python module" '^\./usr/lib/python3/dist-packages/karvento/_karvento\.cpython-[0-9]+-[a-z0-9_-]+\.so$' "$files"
  expect "Python stubs" '^\./usr/lib/python3/dist-packages/karvento/__init__\.pyi$' "$files"
fi
if grep -q dist-packages/karvento <<<"$files"; then
  PYTHONPATH="$out/root/usr/lib/python3/dist-packages" /usr/bin/python3 -c \
    'import sys, karvento; karvento.sheets(extent=(116.3, 39.8, 116.5, 40.0)).write(sys.argv[1])' "$out/py.gpkg" \
    2>"$out/py.txt" && ogrinfo -ro -q "$out/py.gpkg" >/dev/null ||
    { echo "FAIL: installed Python module"; cat "$out/py.txt"; fail=1; }
fi
rm "$out"/root/usr/lib/*/karvento/libkarvento-cli-map.so
status=0
"$cli" sheets --from 116:20,39:50 --to 116:30,40:00 --format svg >/dev/null 2>"$out/missing.txt" || status=$?
[[ $status -eq 1 ]] || { echo "FAIL: a missing module gave exit status $status"; fail=1; }
expect "missing module named" 'libkarvento-cli-map\.so.*软件包 karvento' "$(cat "$out/missing.txt")"
# The manual page is the program's help, with its exit statuses.
manual=$(zcat "$out/root/usr/share/man/man1/karvento-cli.1.gz")
expect "manual page text" 'Exit status' "$manual"
expect "manual page of each command" '^usage: karvento-cli grid --min-x' "$manual"
# Completion offers the commands and each command's options.
completion=$(bash -c 'source "$1"; COMP_WORDS=(karvento-cli sheets --pro); COMP_CWORD=2; COMP_LINE="karvento-cli sheets --pro"
  COMP_POINT=${#COMP_LINE}; _karvento_cli; echo "${COMPREPLY[*]}"' _ "$out/root/usr/share/bash-completion/completions/karvento-cli")
[[ $completion == "--progress" ]] || { echo "FAIL: completion gave '$completion'"; fail=1; }
exit $fail
