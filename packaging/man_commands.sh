#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# The sections that help2man adds to karvento-cli's manual page: each
# command's own --help, as the program prints it.
# Usage: man_commands.sh KARVENTO_CLI > karvento-cli.h2m
set -eu
cli=$1
echo "[COMMANDS]"
for command in sheets grid convert check project dms at; do
  echo ".SS $command"
  echo ".nf"
  # Backslashes are roff's escapes, and a line may not begin with its
  # control characters.
  "$cli" "$command" --help | sed -e 's/\\/\\e/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"
  echo ".fi"
done
echo "[SEE ALSO]"
echo ".BR karvento (1),"
echo ".BR ogr2ogr (1),"
echo ".BR proj (1)"
