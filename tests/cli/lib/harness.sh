# What the command-line test scripts share, sourced first by each: the program and the source
# folder from the arguments, a pinned time zone, a private work folder and home (the command
# line must never touch the user's settings), and the checks and their summary.
cli=$1
source_dir=$2
export TZ=Asia/Tokyo
fails=0
pass=0
check() { # name expected actual
    if [ "$2" == "$3" ]; then
        pass=$((pass + 1))
    else
        fails=$((fails + 1))
        printf 'FAIL %s\n--- expected\n%s\n--- actual\n%s\n' "$1" "$2" "$3"
    fi
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME"
