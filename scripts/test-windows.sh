#!/usr/bin/env bash
# Cross-builds the Windows executables into build-win/ with mingw-w64 and tests them under Wine
# on a virtual display: the core tests, a batch run, and the utility's window, whose controls and
# picture are checked against the main dialog's resource table.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-win
# Wine, the cross compiler and the display come with the packages: install them before looking.
if [ "${1:-}" != "--in-display" ]; then scripts/install-windows-deps.sh; fi
# Debian keeps the 64-bit Wine programs here (WINE_DIR to look elsewhere first), else the PATH.
wine_dir=${WINE_DIR:-/usr/lib/wine}
wine=$wine_dir/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine || true)
wineserver=$wine_dir/wineserver64
[ -x "$wineserver" ] || wineserver=$(command -v wineserver || true)
if [ -z "$wine" ] || [ -z "$wineserver" ]; then
  echo "test-windows: wine64 (or wine) and wineserver are needed, and not found" >&2
  exit 1
fi
export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# The part that needs the display; run inside xvfb-run by the part below.
if [ "${1:-}" = "--in-display" ]; then
  status=0
  echo "== core tests under Wine"
  timeout 900 "$wine" "$build/tests/core_tests.exe" || status=1

  echo "== zbk-utility.exe --version"
  version=$(timeout 120 "$wine" "$build/win32/zbk-utility.exe" --version | tr -d '\r')
  echo "$version"
  [ "$version" = "zbk-utility 2.5" ] || { echo "unexpected version text"; status=1; }

  echo "== zbk-utility.exe --simulate --batch"
  if ! timeout 120 "$wine" "$build/win32/zbk-utility.exe" --simulate --batch "connect; status" \
      >"$build/wine-window/batch.txt" 2>&1; then
    echo "the batch run failed:"; status=1
  fi
  tr -d '\r' <"$build/wine-window/batch.txt"

  echo "== zbk-utility.exe --simulate --screenshot under Wine"
  if ! timeout 120 "$wine" "$build/win32/zbk-utility.exe" --simulate \
      --screenshot "$build/wine-window/window.png" --list-controls \
      >"$build/wine-window/controls.txt" 2>"$build/wine-window/stderr.txt"; then
    echo "zbk-utility.exe failed:"; cat "$build/wine-window/stderr.txt"; status=1
  fi
  "$wineserver" -w || true
  exit $status
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
# The default target: everything the Windows tree holds builds, not only what is run below.
ninja -C "$build" -j"${JOBS:-2}"

# A fresh prefix every run, so that nothing left by an earlier one decides a result. All windows
# go into one Wine desktop, which draws their frames itself: Xvfb has no window manager.
"$wineserver" -k 2>/dev/null || true
rm -rf "$WINEPREFIX" "$build/wine-window"
mkdir -p "$build/wine-window"
timeout 300 "$wine" wineboot -i >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
"$wineserver" -w || true

status=0
xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --in-display || status=1

echo "== the window against the resource table"
python3 - "$build/wine-window/controls.txt" "$build/wine-window/window.png" <<'EOF' || status=1
import re, struct, sys, zlib
from collections import Counter

listing, png_path = sys.argv[1], sys.argv[2]
passed = failed = 0
def check(ok, what):
    global passed, failed
    if ok:
        passed += 1
    else:
        failed += 1
        print("FAILED:", what)

lines = [l.rstrip("\r\n") for l in open(listing, encoding="utf-8", errors="replace")]
head = re.match(r'window (\d+)x(\d+) client (\d+)x(\d+) "(.*)"', lines[0]) if lines else None
check(head is not None and head.group(5) == "ZBK Utility V2.5", "the main window and its caption")
controls = []
for l in lines[1:]:
    m = re.match(r'control (-?\d+) (\w+) (-?\d+),(-?\d+),(\d+),(\d+) (\w+) (\w+) "(.*)"$', l)
    check(m is not None, "control line: " + l)
    if m:
        controls.append(dict(id=int(m[1]), cls=m[2].lower(), x=int(m[3]), y=int(m[4]),
                             w=int(m[5]), h=int(m[6]), visible=m[7] == "visible", text=m[9]))
check(len(controls) == 66, "66 controls, found %d" % len(controls))
by_id = {c["id"]: c for c in controls if c["id"] != -1}
# Every addressed control of the main dialog, with its class.
expected = {
    1003: "button", 1006: "button", 1016: "edit", 1012: "button", 1007: "button",
    1017: "button", 1013: "edit", 1015: "button", 1018: "edit", 1011: "edit", 1002: "button",
    1032: "button", 1033: "button", 1034: "button", 1040: "button", 1023: "edit", 1022: "edit",
    1004: "combobox", 1005: "combobox", 1014: "combobox", 1024: "combobox", 1009: "combobox",
    1010: "combobox", 1025: "combobox", 1026: "combobox", 1028: "button", 1: "button",
    1019: "listbox", 1020: "button", 1021: "button", 1029: "button", 1030: "edit",
    1008: "button", 215: "static", 1031: "button", 216: "static", 217: "static", 218: "static",
    219: "static", 220: "static", 221: "static", 222: "static", 223: "static", 1037: "combobox",
    224: "static", 1039: "button", 1038: "combobox", 1041: "combobox", 225: "static",
}
for cid, cls in expected.items():
    check(cid in by_id and by_id[cid]["cls"] == cls, "control %d of class %s" % (cid, cls))
captions = {1003: "Connect ZBK", 1006: "Status", 1007: "Cut For&ward", 1017: "Cut Ba&ck",
            1012: "Motor On", 1015: "Motor Off", 1: "Exit", 1028: "Program ZBK",
            1020: "Read PIC", 1021: "Program PIC", 1008: "Erase PIC", 1002: "Connected",
            1030: "0x0000", 1016: "255", 1013: "96", 1018: "1", 1011: "20"}
for cid, text in captions.items():
    check(by_id.get(cid, {}).get("text") == text, "control %d shows %r" % (cid, text))
check(not by_id.get(1031, {}).get("visible", True), "the test buffer button is hidden")
check(all(c["visible"] for c in controls if c["id"] != 1031), "every other control is visible")
frames = [c["text"] for c in controls if c["cls"] == "button" and c["id"] == -1]
check(len(frames) == 10 and " ZBK Test " in frames, "the ten group boxes")
# The dialog-unit layout: controls further right or lower in the table are so on the screen.
if all(k in by_id for k in (1003, 1006, 1019, 1028)):
    check(by_id[1003]["x"] < by_id[1006]["x"] < by_id[1019]["x"], "columns in table order")
    check(by_id[1003]["y"] < by_id[1028]["y"], "rows in table order")

data = open(png_path, "rb").read()
check(data[:8] == b"\x89PNG\r\n\x1a\n", "a PNG file")
pos, idat, size = 8, b"", None
while pos + 8 <= len(data):
    n, kind = struct.unpack(">I4s", data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + n]
    check(zlib.crc32(kind + body) == struct.unpack(">I", data[pos + 8 + n:pos + 12 + n])[0],
          "CRC of " + kind.decode())
    if kind == b"IHDR":
        size = struct.unpack(">II", body[:8])
    if kind == b"IDAT":
        idat += body
    pos += 12 + n
check(head is not None and size == (int(head[1]), int(head[2])), "picture of the window's size")
raw = zlib.decompress(idat)
w, h = size
rows = [raw[y * (w * 3 + 1) + 1:(y + 1) * (w * 3 + 1)] for y in range(h)]
def pixel(x, y):
    r = rows[y]
    return r[x * 3], r[x * 3 + 1], r[x * 3 + 2]
face = Counter(pixel(x, y) for y in range(0, h, 4) for x in range(0, w, 4)).most_common(1)[0][0]
check(min(face) > 150 and max(face) - min(face) < 40, "a grey dialog face, found %r" % (face,))
# Client area offset inside the frame: borders left and right, caption on top.
border = (w - int(head[3])) // 2
top = h - int(head[4]) - border
for c in controls:
    if c["cls"] == "button" and c["id"] > 0 and c["visible"] and c["text"]:
        colours = {pixel(border + x, top + y)
                   for y in range(c["y"], c["y"] + c["h"]) for x in range(c["x"], c["x"] + c["w"])}
        check(len(colours) > 2, "button %d drawn with its caption" % c["id"])
print("wine-window: %d passed, %d failed" % (passed, failed))
sys.exit(1 if failed else 0)
EOF
"$wineserver" -k 2>/dev/null || true
exit $status
