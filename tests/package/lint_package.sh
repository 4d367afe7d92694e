#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Debian's own checkers on the package built from the built tree: lintian
# (pedantic, failing on any error or warning) and desktop-file-validate on
# the desktop entry as installed.
# Usage: lint_package.sh BUILD_DIR
set -euo pipefail
. "$(dirname "$0")/package_lib.sh" "$1"
fail=0
# Every tag is shown; errors and warnings fail the test.
lintian --pedantic --display-info --fail-on error,warning "$deb" 2>&1 | grep -v 'running with root privileges' ||
  true
lintian --pedantic --fail-on error,warning "$deb" >/dev/null 2>&1 || { echo "FAIL: lintian"; fail=1; }

mkdir "$out/root"
dpkg-deb -x "$deb" "$out/root"
desktop-file-validate "$out/root/usr/share/applications/karvento.desktop" ||
  { echo "FAIL: desktop-file-validate"; fail=1; }
# Its hints count too: one main category, so the entry is in one menu.
if [[ -n $(desktop-file-validate "$out/root/usr/share/applications/karvento.desktop" 2>&1) ]]; then
  echo "FAIL: desktop-file-validate has remarks"; fail=1
fi
exit $fail
