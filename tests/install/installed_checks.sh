# Checks shared by the install and package tests: an installed tree (prefix $1) has every file
# in its place and runs from wherever it lies. Sourced; every check ends the test on failure.
#
# The programs run on the native view with a home folder of their own under $2, so the data
# folder they create is a throw-away one and nothing of the real user's is touched.

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

check_installed_files() {
  local prefix=$1
  local program_dir=$prefix/lib/scourwell
  for program in scourwell scourwell-db scourwell-cli; do
    [ -x "$program_dir/$program" ] && [ ! -L "$program_dir/$program" ] ||
      fail "$program_dir/$program is not an executable file"
    [ -L "$prefix/bin/$program" ] || fail "$prefix/bin/$program is not a link"
    [ "$(readlink "$prefix/bin/$program")" = "../lib/scourwell/$program" ] ||
      fail "$prefix/bin/$program does not point into lib/scourwell"
  done
  # The program reads these next to its own executable; the view never follows a link.
  for data in files.dat RegBase.rgk; do
    [ -f "$program_dir/$data" ] && [ ! -L "$program_dir/$data" ] ||
      fail "$program_dir/$data is missing or a link"
  done
  local pictures
  pictures=$(find "$prefix/share/scourwell/assets" -name '*.jpg' | wc -l)
  [ "$pictures" -eq 9 ] || fail "expected 9 pictures, found $pictures"
  for file in share/applications/org.scourwell.Scourwell.desktop \
              share/metainfo/org.scourwell.Scourwell.metainfo.xml \
              share/icons/hicolor/48x48/apps/scourwell.png \
              share/icons/hicolor/128x128/apps/scourwell.png \
              share/icons/hicolor/256x256/apps/scourwell.png \
              share/man/man1/scourwell-cli.1.gz \
              share/doc/scourwell/copyright; do
    [ -f "$prefix/$file" ] || fail "$prefix/$file is missing"
  done
}

# A fresh home: HOME and the XDG folders under $1.
use_fresh_home() {
  local home=$1
  mkdir -p "$home/.config" "$home/.local/share" "$home/.cache"
  export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share
  export XDG_CACHE_HOME=$home/.cache
  unset SCOURWELL_MACHINE XDG_DOCUMENTS_DIR
}

# Runs the installed companion and window (prefix $1) in a fresh home under $2.
check_installed_programs() {
  local prefix=$1 work=$2
  use_fresh_home "$work/home"
  local data_folder=$XDG_CONFIG_HOME/Vantoric/Scourwell/Settings

  # The window first, offscreen and for a bounded time: it must find its pictures and install
  # and load its database; any message box (they go to standard error here) is a failure.
  local status=0
  SCOURWELL_QUIT_AFTER_MS=2500 QT_QPA_PLATFORM=offscreen timeout 60 \
    "$prefix/bin/scourwell" >"$work/window.out" 2>"$work/window.err" || status=$?
  [ "$status" -eq 0 ] || fail "the window ended with $status: $(cat "$work/window.err")"
  if grep -E '^(Scourwell|Error|Information|Connection error): ' "$work/window.err"; then
    fail "the window reported problems"
  fi
  cmp -s "$data_folder/files.dat" "$prefix/lib/scourwell/files.dat" ||
    fail "the window did not install the shipped database into the data folder"

  # The companion reads the same data folder.
  local info
  info=$("$prefix/bin/scourwell-cli" db info) || fail "scourwell-cli db info failed"
  local version
  version=$("$prefix/bin/scourwell-db" list "$prefix/lib/scourwell/files.dat" | head -n 1)
  grep -qxF "Version: $version" <<<"$info" || fail "db info shows another version: $info"

  # A scan of a folder with one file far above the critical size of its drive.
  mkdir -p "$work/scanned"
  local drive_bytes
  drive_bytes=$(df -B1 --output=size "$work/scanned" | tail -n 1 | tr -d ' ')
  truncate -s "$((drive_bytes / 5))" "$work/scanned/huge.bin"
  local lines
  status=0
  lines=$("$prefix/bin/scourwell-cli" scan --folder "$work/scanned" --json 2>"$work/scan.err") ||
    status=$?
  [ "$status" -eq 1 ] || fail "scan exit status $status, expected 1: $(cat "$work/scan.err")"
  grep -q '"name":"huge.bin".*"status":"Critical"' <<<"$lines" || fail "scan output: $lines"
}
