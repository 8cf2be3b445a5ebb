# Sourced by the screenshot scripts: a fresh home folder and a virtual X
# display for one run of the program, both removed (and the program and the
# display stopped) when the script ends. $1 is what CORVANE_DIALOGS answers
# ("ok", "ok:TITLE,..." or empty for none). A script that starts a tray host
# keeps its process id in $tray.
home="$(mktemp -d)"
trap 'kill "${pid:-}" "${tray:-}" "${xvfb:-}" 2>/dev/null || true; rm -rf "$home"' EXIT
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp &
xvfb=$!
# Up to 20 s for the display to take clients (a loaded machine starts slowly).
for _ in $(seq 1 100); do
  DISPLAY="$display" xdotool getdisplaygeometry >/dev/null 2>&1 && break
  sleep 0.2
done

export DISPLAY="$display" HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config"
export XDG_RUNTIME_DIR="$home/run" CORVANE_BOXES=print CORVANE_DIALOGS="${1:-}"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
