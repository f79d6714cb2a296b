#!/usr/bin/env bash
# The real program in a real X server: starts trawler on a fresh demo set-up under a private
# Xvfb, finds its main window, refreshes, toggles the status bar through the View menu, opens
# help, checks that a second start hands over to the first and ends, opens a folder window, the
# file list of a cabinet and the link check of the demo site's start page, opens a cache found
# below a folder through the select-folder dialog, quits through the File menu and checks that
# the settings were written back.
# Usage: smoke.sh TRAWLER SOURCE_DIR. Exit 0 passed, 1 failed, 77 skipped (no Xvfb or xdotool).
set -u
trawler=$1
source_dir=$2

for tool in Xvfb xdotool xwininfo xprop; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
        exit 77
    fi
done

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
started=$(date +%s.%N)

cleanup() {
    if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then
        kill "$app_pid" 2>/dev/null
        sleep 0.5
        kill -9 "$app_pid" 2>/dev/null
    fi
    if [ -n "$xvfb_pid" ] && kill -0 "$xvfb_pid" 2>/dev/null; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() {
    echo "FAIL: $*"
    if [ -s "$work/trawler.err" ]; then
        echo "--- trawler stderr"
        cat "$work/trawler.err"
    fi
    if [ -n "${DISPLAY:-}" ] && [ -n "$xvfb_pid" ]; then
        echo "--- top-level windows"
        timeout 5 xwininfo -root -children 2>&1 | sed -n '/children:/,$p'
    fi
    exit 1
}
step() { echo "-- $*"; }

# Everything the program might write stays in the work folder: settings, runtime folder, caches.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_CACHE_HOME="$work/home/.cache" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
unset WAYLAND_DISPLAY XAUTHORITY SESSION_MANAGER

step "demo set-up"
registry=$(timeout 30 bash "$source_dir/scripts/make-demo.sh" --fresh "$work/demo") ||
    fail "make-demo.sh failed"
[ -f "$registry" ] || fail "make-demo.sh wrote no registry ($registry)"
export TRAWLER_REGISTRY="$registry"

step "X server"
# -displayfd picks a free display number and writes it once the server accepts clients.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 1 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
[ -s "$work/display" ] || { cat "$work/xvfb.log"; fail "Xvfb did not start"; }
export DISPLAY=":$(tr -dc '0-9' <"$work/display")"
# The pointer waits in a corner no window covers, so that no tooltip pops up under it.
timeout 5 xdotool mousemove 1279 1023 || fail "xdotool could not move the pointer"

# The visible, managed top-level windows whose title matches the pattern (popup menus, which
# carry the program's name too, are override-redirect and left out).
windows() {
    local id
    for id in $(timeout 5 xdotool search --onlyvisible --name "$1" 2>/dev/null); do
        timeout 5 xwininfo -id "$id" 2>/dev/null | grep -q 'Override Redirect State: no' && echo "$id"
    done
}
# Waits up to $2 seconds for a window titled $1; prints its id.
wait_window() {
    local tries=$(($2 * 10)) found
    for _ in $(seq 1 "$tries"); do
        found=$(windows "$1" | head -n 1)
        [ -n "$found" ] && { echo "$found"; return 0; }
        kill -0 "$app_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}
# An open popup menu of the program (of the menu bar or a context menu): a visible
# override-redirect window of its class. Only the first showing of a menu carries the popup-menu
# window type; a menu shown again gets a new X window typed as normal, so the type is no test.
menu_open() {
    local id
    for id in $(timeout 5 xdotool search --onlyvisible --class trawler 2>/dev/null); do
        timeout 5 xwininfo -id "$id" 2>/dev/null | grep -q 'Override Redirect State: yes' && return 0
    done
    return 1
}
wait_menu() { # open|closed
    for _ in $(seq 1 50); do
        if menu_open; then [ "$1" = open ] && return 0; else [ "$1" = closed ] && return 0; fi
        sleep 0.1
    done
    return 1
}
# There is no window manager: give the window the keyboard focus before typing.
focus() {
    timeout 5 xdotool windowfocus --sync "$main_window" || fail "could not focus window $main_window"
}
keys() {
    timeout 5 xdotool key --clearmodifiers "$@" || fail "xdotool key $* failed"
}
alive() {
    kill -0 "$app_pid" 2>/dev/null || { wait "$app_pid"; fail "trawler ended ($*), status $?"; }
}

step "start"
"$trawler" >"$work/trawler.out" 2>"$work/trawler.err" &
app_pid=$!
main_window=$(wait_window '^Trawler$' 20) || {
    alive "before its window appeared"
    fail "no window titled Trawler within 20 s"
}

step "refresh (F5)"
focus
keys F5
sleep 0.5
alive "after F5"
[ -n "$(windows '^Trawler$')" ] || fail "main window gone after F5"

step "status bar through 表示 (&V)"
focus
keys alt+v
wait_menu open || fail "Alt+V opened no menu"
keys b
wait_menu closed || fail "the View menu stayed open after B"
alive "after toggling the status bar"

step "help (F1)"
focus
keys F1
wait_window '^Trawler ヘルプ' 10 >/dev/null || fail "no help window within 10 s of F1"
alive "after F1"

step "second start"
timeout 10 "$trawler" >"$work/second.out" 2>"$work/second.err"
rc=$?
[ "$rc" = 0 ] || { cat "$work/second.err"; fail "second start ended with status $rc (124: hung)"; }
alive "after the second start"
count=$(windows '^Trawler$' | wc -l)
[ "$count" = 1 ] || fail "$count main windows after the second start"

step "folder window through 開く (&B)"
# The tree has the focus with the first cabinet selected; Down selects the next cabinet.
focus
keys Down
keys alt+f
wait_menu open || fail "Alt+F opened no menu"
keys b
wait_menu closed || fail "the File menu stayed open after B"
folder_window=$(wait_window '^TR - ' 10) || fail "no folder window (TR - ...) within 10 s of 開く"
echo "   $(timeout 5 xdotool getwindowname "$folder_window")"
alive "after opening a folder window"

step "file list through 一覧 (&L)"
focus
keys alt+e
wait_menu open || fail "Alt+E opened no menu"
keys l
wait_menu closed || fail "the Edit menu stayed open after L"
list_window=$(wait_window '^一覧 - ' 10) || fail "no file list window (一覧 - ...) within 10 s of 一覧"
echo "   $(timeout 5 xdotool getwindowname "$list_window")"
alive "after opening a file list"

step "link check of RootPage.html through 編集 (&E) > リンクチェック (&B)"
# The cabinet still selected in the tree is opened (Right); its second folder is the site's
# server (Down, Down). The list follows the tree half a second after the last key.
focus
keys Right
keys Down
keys Down
sleep 1
keys Tab
# Type-ahead selects RootPage.html in the list; "編集 (&E)" (Alt+E) has "リンクチェック (&B)".
# A list that was not filled yet is tried again.
link_window=""
for try in 1 2 3 4 5; do
    focus
    keys r o o t
    keys alt+e
    wait_menu open || fail "Alt+E opened no menu"
    keys b
    wait_menu closed || fail "the menu stayed open after B"
    link_window=$(wait_window '^リンクチェック - RootPage\.html$' 3) && break
    alive "while opening the link check"
    sleep 0.5
done
[ -n "$link_window" ] || fail "no link check window (リンクチェック - RootPage.html) after 5 tries"
echo "   $(timeout 5 xdotool getwindowname "$link_window") (try $try)"
alive "after opening the link check"

step "caches below a folder through キャッシュの検索 (&S)"
# A copy of one demo cache deep in a disk-like tree, with a file that only looks like an index.
mkdir -p "$work/disk/Windows/Profiles/kim/Cache" "$work/disk/stray"
cp -R "$work/demo/samples/netscape2/." "$work/disk/Windows/Profiles/kim/Cache/"
echo "not a cache" >"$work/disk/stray/index.dat"
focus
keys alt+f
wait_menu open || fail "Alt+F opened no menu"
keys s
select_window=$(wait_window '^フォルダを選択$' 10) || fail "no select-folder dialog within 10 s of キャッシュの検索"
timeout 5 xdotool windowfocus --sync "$select_window" || fail "could not focus the select-folder dialog"
# The folder field has the focus with its text selected: typing replaces it, Enter goes to the
# folder, and OK (after the field in the tab order) takes it.
timeout 10 xdotool type --delay 5 "$work/disk" || fail "could not type the folder"
keys Return
sleep 0.3
keys Tab
keys Return
# The found cache is opened as a temporary cabinet and selected; 開く shows it in a window.
found_window=""
for try in 1 2 3 4 5; do
    sleep 0.5
    focus
    keys alt+f
    wait_menu open || fail "Alt+F opened no menu"
    keys b
    wait_menu closed || fail "the File menu stayed open after B"
    found_window=$(wait_window '^TR - kim/Cache$' 3) && break
    alive "while opening the found cache"
done
[ -n "$found_window" ] || fail "no folder window of the found cache (TR - kim/Cache) after 5 tries"
echo "   $(timeout 5 xdotool getwindowname "$found_window") (try $try)"
alive "after the search"

step "quit through 終了 (&X)"
focus
keys alt+f
wait_menu open || fail "Alt+F opened no menu"
keys x
status=""
for _ in $(seq 1 200); do
    if ! kill -0 "$app_pid" 2>/dev/null; then
        wait "$app_pid"
        status=$?
        break
    fi
    sleep 0.1
done
[ -n "$status" ] || fail "trawler still runs 20 s after 終了"
app_pid=""
[ "$status" = 0 ] || fail "trawler ended with status $status"

step "settings written back"
config=$(tr -d '\r' <"$registry" |
    awk '/^\[/ { inside = ($0 == "[HKEY_CURRENT_USER\\Software\\Kestrelware\\Trawler\\Config]") }
         inside')
[ -n "$config" ] || fail "no Config key in the registry"
for value in '"View Style"=dword:' '"Terminate"=hex:' '"Exec"=hex:' '"Split"=dword:'; do
    grep -qF "$value" <<<"$config" || fail "Config lacks $value"
done
# Without a window manager the window keeps the first-start placement it was given.
for value in '"Left"=dword:000000ef' '"Top"=dword:0000005e' '"Right"=dword:00000310' \
    '"Bottom"=dword:000001ba' '"ShowCmd"=dword:00000001'; do
    grep -qxF "$value" <<<"$config" || fail "Config lacks $value (placement of a first start)"
done
grep -qxF '"Status Bar"=dword:00000000' <<<"$config" ||
    fail "the status bar toggled through the menu was not saved as hidden"
cabinets=$(grep -c '^\[HKEY_CURRENT_USER\\Software\\Kestrelware\\Trawler\\Cabinets\\Cab' "$registry")
[ "$cabinets" = 8 ] || fail "$cabinets cabinets in the registry after closing, expected 8"

echo "PASS in $(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }') s"
