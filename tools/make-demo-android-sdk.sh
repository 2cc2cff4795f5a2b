#!/bin/sh
# Creates a stand-in Android SDK so that Kestrine can be tried (and tested) on a machine without
# Android devices: PATH/platform-tools/adb is a small shell script answering like a machine with
# one emulator, one phone and one phone that has not allowed USB debugging yet.
#
# Usage: tools/make-demo-android-sdk.sh [--bare] PATH
#   PATH      the SDK directory to create (must not exist yet); try Kestrine with ANDROID_HOME=PATH
#   --bare    an adb that answers nothing until told what to say (the test fixture uses this)
#
# The stand-in adb works like the stand-in Xcode tools (see make-demo-xcode.sh), with its StandIn
# directory at PATH/StandIn: scenarios/adb/<NNNN>/ say what calls answer, log/adb/ holds one
# file per call whose first two fields are whether ANDROID_ADB_SERVER_PORT was set, and its value.
set -eu

. "$(dirname -- "$0")/stand-in-tool.sh"
read_stand_in_arguments PATH "$@"
sdk=$target

standin="$sdk/StandIn"
mkdir -p "$sdk/platform-tools" "$standin/log" "$standin/scenarios/adb"

write_stand_in_tool "$sdk/platform-tools/adb" adb ../StandIn ANDROID_ADB_SERVER_PORT

if [ "$bare" = 1 ]; then
    exit 0
fi

scenario adb 0001 "devices -l" 0
cat > "$current/stdout" <<'LIST'
List of devices attached
emulator-5554          device product:sdk_gphone64_x86_64 model:sdk_gphone64_x86_64 device:emu64xa transport_id:1
R5CT1234567            device usb:1-1 product:a54xnseea model:SM_A546B device:a54x transport_id:2
0A1B2C3D4E5F6789       unauthorized usb:1-2 transport_id:3

LIST

scenario adb 0002 "emulator-5554 emu avd name" 0
printf 'Pixel_7_API_34\r\nOK\r\n' > "$current/stdout"

scenario adb 0003 "emulator-5554 shell getprop ro.build.version.release" 0
printf '14\n' > "$current/stdout"

scenario adb 0004 "R5CT1234567 shell getprop ro.build.version.release" 0
printf '13\n' > "$current/stdout"

scenario adb 0005 "shell pm list packages -3" 0
printf 'package:com.example.shop\npackage:com.example.news\npackage:com.example.chat\n' \
    > "$current/stdout"

scenario adb 0006 "shell am start" 0
cat > "$current/stdout" <<'START'
Starting: Intent { act=android.intent.action.VIEW dat=demo:/... }
Status: ok
LaunchState: COLD
Activity: com.example.shop/.MainActivity
TotalTime: 412
WaitTime: 415
Complete
START

# The browser (asked once per device) and the app a URL resolves to (for a cold start).
scenario adb 0007 "resolve-activity --brief -a android.intent.action.VIEW -d" 0
printf 'priority=0 preferredOrder=0 match=0x208000 specificIndex=-1 isDefault=true\n%s\n' \
    'com.example.shop/.MainActivity' > "$current/stdout"

scenario adb 0008 "resolve-activity --brief -a android.intent.action.VIEW -c android.intent.category.BROWSABLE" 0
printf 'priority=0 preferredOrder=0 match=0x208000 specificIndex=-1 isDefault=false\n%s\n' \
    'com.android.chrome/com.google.android.apps.chrome.IntentDispatcher' > "$current/stdout"

# A green 108x240 screen.
scenario adb 0009 "exec-out screencap -p" 0
base64 -d > "$current/stdout" <<'PNG'
iVBORw0KGgoAAAANSUhEUgAAAGwAAADwCAIAAABqoBaiAAABPUlEQVR42u3QIREAAAgEsE+EoB/d8Vjs7pZgqWmeokCiRIlIlChRIhIlSpSIRIkSJSJRokSJSJQoUSISJUpEokSJEpEoUaJEJEqUKBGJEiVKRKJEiRKRKFGiRCRKlIhEiRIlIlGiRIlIlChRIhIlSpSIRIkSJSJRokSJFiRKlIhEiRIlIlGiRIlIlChRIhIlSpSIRIkSJSJRokQkSpQoEYkSJUpEokSJEpEoUaJEJEqUKBGJEiVKRKJEiUiUKFEiEiVKlIhEiRIlIlGiRIlIlChRIhIlSpRoQaJEiUiUKFEiEiVKlIhEiRIlIlGiRIlIlChRIhIlSkSiRIkSkShRokQkSpQoEYkSJUpEokSJEpEoUaJEJEqUiESJEiUiUaJEiUiUKFEiEiVKlIhEiRIlIlGiRIlIlCgRiRIlSuRa2oNtWurSmI0AAAAASUVORK5CYII=
PNG

scenario adb 0010 "-s 0A1B2C3D4E5F6789 " 1
cat > "$current/stderr" <<'DENIED'
adb: device unauthorized.
This adb server's $ADB_VENDOR_KEYS is not set
Try 'adb kill-server' if that seems wrong.
Otherwise check for a confirmation dialog on your device.
DENIED

echo "Demo Android SDK created at $sdk"
echo "Start Kestrine with ANDROID_HOME=$sdk. Calls are logged under $standin/log."
