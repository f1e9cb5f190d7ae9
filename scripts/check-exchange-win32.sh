#!/usr/bin/env bash
# Cross-builds VortaExchange for 32-bit Windows from Exchange/ alone and checks
# its exports and imports: exactly the ten undecorated names, and SetupAPI,
# HID and the bulk driver bound at run time, never imported.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/win32}
objdump=i686-w64-mingw32-objdump

cmake -S "$root/Exchange" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DMANOVERA_WERROR=ON >/dev/null
cmake --build "$build" -j 4

dll="$build/VortaExchange.dll"
dump=$("$objdump" -p "$dll")

expected=$(printf '%s\n' VORTA_BULK_Command VORTA_BULK_CommandEx VORTA_BULK_Read VORTA_BULK_Write \
    VORTA_COM_Command VORTA_COM_Read VORTA_COM_Write VORTA_USB_Command VORTA_USB_Read VORTA_USB_Write | sort)
actual=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' \
    | sed -n 's/^[[:space:]]*\[ *[0-9]*\][[:space:]]*//p' | sort)

status=0
if [ "$actual" != "$expected" ]; then
    echo "FAIL: exports differ"
    diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") || true
    status=1
fi
imports=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p')
if printf '%s\n' "$imports" | grep -qiE '^(setupapi|hid|usbbulk)\.dll$'; then
    echo "FAIL: imported statically:"
    printf '%s\n' "$imports" | grep -iE '^(setupapi|hid|usbbulk)\.dll$'
    status=1
fi
if [ $status -eq 0 ]; then
    echo "VortaExchange.dll: ten exports, imports: $(echo $imports)"
fi
exit $status
