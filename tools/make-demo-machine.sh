#!/usr/bin/env bash
# Builds a small demo machine in a folder: drives C: and D: with declared sizes, a temporary
# folder full of junk, an oversized download and a video collection, harmless files that the
# shipped signature database names (one or more for each kind of entry, and the EICAR test
# file as a start-up object that only its digest identifies), and a machine file that
# describes it. Try Scourwell on it without touching your own files:
#
#   bash tools/make-demo-machine.sh /tmp/scourwell-demo
#   SCOURWELL_MACHINE=/tmp/scourwell-demo/machine.ini build/bin/scourwell
set -euo pipefail
target=${1:?usage: make-demo-machine.sh FOLDER}
here=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$target"
cd "$target"

c=drive_c
user=$c/Users/demo
temp=$user/AppData/Local/Temp
mkdir -p "$c/Windows/System32" "$c/ProgramData/Vendor/Cache" "$c/Program Files/Common Files" \
         "$c/Program Files/Scourwell" "$user/AppData/Roaming" "$user/Documents/Videos" \
         "$user/Desktop" "$temp/setup-cache/bits" drive_d/Backups

# Junk in the temporary folder: small files and a folder tree.
for i in 1 2 3 4 5; do head -c $((i * 1500)) /dev/zero > "$temp/~tmp$i.tmp"; done
echo "install log" > "$temp/install.log"
head -c 40000 /dev/zero > "$temp/setup-cache/package.cab"
head -c 9000 /dev/zero > "$temp/setup-cache/bits/part.bin"
# Oversized objects (sparse: they take no real space).
truncate -s 3500000000 "$user/Documents/Videos/holiday-2013.avi"
truncate -s 2800000000 "$user/Documents/old-disk-image.iso"
truncate -s 13000000000 "$c/ProgramData/Vendor/Cache/update-store.bin"
truncate -s 60000000000 drive_d/Backups/full-backup.vhd
echo "Dear friend" > "$user/Documents/letter.txt"

# Start-up programs: a tray tool (a copy of sleep, so that it can be started as a task of the
# view: "drive_c/Program Files/Tool/tool.exe" 600 &), a helper under the system folder, and a
# suspicious program with a double extension in the roaming folder.
mkdir -p "$c/Program Files/Tool" "$user/AppData/Roaming/Updates"
cp /bin/sleep "$c/Program Files/Tool/tool.exe"
echo "uninstaller" > "$c/Program Files/Tool/uninstall.exe"
echo "helper program" > "$c/Windows/System32/demohelp.exe"
echo "not a picture" > "$user/AppData/Roaming/Updates/photo.jpg.exe"
cp "$here/data/RegBase.rgk" "$c/Program Files/Scourwell/RegBase.rgk"

# An expandable string as .reg writes it: hex(2) bytes of UTF-16LE text with its final zero.
utf16_hex() {
  printf '%s\0' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx1 | tr -s ' \n' ',,' |
    sed 's/^,//; s/,$//'
}
helper_hex=$(utf16_hex '%windir%\System32\demohelp.exe')

# Harmless files for the malware scan: every one holds a line of text saying what it is.
demo_af="$user/AppData/Roaming/ScourwellDemo"
demo_caf="$c/ProgramData/ScourwellDemo"
mkdir -p "$demo_af" "$demo_caf" "$c/Windows/Temp/ScourwellDemoFolder"
plant() { echo "Scourwell demo object ($2), harmless" > "$1"; }
plant "$demo_af/demo_plain.exe" "a location"
plant "$demo_af/demo_noproc.exe" "a location not looked up among processes"
plant "$demo_caf/demo_list_1.exe" "a wildcard listing"
plant "$demo_caf/demo_list_2.exe" "a wildcard listing"
plant "$demo_caf/demoset42.exe" "a name set"
plant "$demo_caf/demofrag_7_helper.exe" "name fragments, a start-up object"
plant "$demo_caf/demoenuma.exe" "an enumeration"
plant "$demo_caf/demoenumc.exe" "an enumeration"
plant "$demo_caf/demoenumd.exe" "the end of an enumeration, never found"
plant "$c/Windows/Temp/ScourwellDemoFolder/readme.txt" "a folder entry"
plant "$c/Windows/System32/scourwell_demo32.exe" "below a section marker"
plant "$demo_af/qx7k29m.exe" "a machine-named start-up object"
# The EICAR anti-virus test file, found only by its digest as a start-up object.
printf '%s' 'X5O!P%@AP[4\PZX54(P^)7CC)7}$EICAR-STANDARD-ANTIVIRUS-TEST-FILE!$H+H*' > "$demo_af/eicar.com"
# A program the database finds by its running process: a copy of sleep. Start it in the
# background before scanning to see it found and ended (it is not started here).
cp /bin/sleep "$demo_caf/demo_running.exe"

# The shipped database, when a build exists.
if [ -f "$here/build/bin/files.dat" ]; then
  cp "$here/build/bin/files.dat" "$c/Program Files/Scourwell/files.dat"
fi

cat > seed.reg <<'REG'
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion]
"ProgramFilesDir"="C:\\Program Files"
"CommonFilesDir"="C:\\Program Files\\Common Files"

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders]
"Local AppData"="C:\\Users\\demo\\AppData\\Local"

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run]
"Tool"="\"C:\\Program Files\\Tool\\tool.exe\" /tray"
"PhotoUpdate"="C:\\Users\\demo\\AppData\\Roaming\\Updates\\photo.jpg.exe"
"OldSync"="C:\\Program Files\\OldSync\\sync.exe -background"

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Run]
REG
echo "\"Helper\"=hex(2):$helper_hex" >> seed.reg
cat >> seed.reg <<'REG'

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tool]
"DisplayName"="Tray Tool"
"UninstallString"="\"C:\\Program Files\\Tool\\uninstall.exe\" /S"

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Uninstall\ScourwellDemoHelper]
"UninstallString"="C:\\ProgramData\\ScourwellDemo\\demofrag_7_helper.exe"

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Uninstall\ScourwellDemoEicar]
"UninstallString"="C:\\Users\\demo\\AppData\\Roaming\\ScourwellDemo\\eicar.com"

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Uninstall\ScourwellDemoTool]
"UninstallString"="C:\\Users\\demo\\AppData\\Roaming\\ScourwellDemo\\qx7k29m.exe"
REG

cat > machine.ini <<'INI'
[machine]
user = demo
shortdate = dd.MM.yyyy
longtime = HH:mm:ss
windows = C:\Windows
system = C:\Windows\System32
temp = C:\Users\demo\AppData\Local\Temp
program = C:\Program Files\Scourwell
registry = registry.db
import = seed.reg
winver = nt 6.1 csd="Service Pack 1" product=workstation arch=amd64

[drives]
C = drive_c, type=fixed, total=128849018880, free=14000000000
D = drive_d, type=fixed, total=500000000000, free=320000000000

[folders]
5 = C:\Users\demo\Documents
16 = C:\Users\demo\Desktop
26 = C:\Users\demo\AppData\Roaming
35 = C:\ProgramData
40 = C:\Users\demo
INI
echo "Demo machine ready: SCOURWELL_MACHINE=$target/machine.ini"
echo "To see the malware scan end a running program, start it before scanning:"
echo "  \"$target/$demo_caf/demo_running.exe\" 600 &"
