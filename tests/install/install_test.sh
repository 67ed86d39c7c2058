#!/usr/bin/env bash
# Installs the build into a temporary prefix, moves the tree elsewhere and runs it from there:
# the installed programs must find everything relative to their own executables.
#   install_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
. "$(dirname "$0")/installed_checks.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
check_installed_files "$work/prefix"

# The build and source folders' paths may appear in debug information, never in the data the
# programs use at run time.
for program in scourwell scourwell-db scourwell-cli; do
  if readelf -p .rodata "$work/prefix/lib/scourwell/$program" 2>/dev/null |
     grep -qF -e "$build" -e "$source_dir"; then
    fail "$program refers to the build or source folder"
  fi
done

# Run from another place than the one it was installed to.
cp -a "$work/prefix" "$work/moved"
rm -rf "$work/prefix"
check_installed_programs "$work/moved" "$work"
echo "install test passed"
