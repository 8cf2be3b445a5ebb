# Sourced by the screenshot scripts: a fresh home folder and a virtual X
# display for one run of the program, both removed (and the program and the
# display stopped) when the script ends. $1 is what CORVANE_DIALOGS answers
# ("ok", "ok:TITLE,..." or empty for none). A script that starts a tray host
# keeps its process id in $tray.
home="$(mktemp -d)"
trap 'kill "${pid:-}" "${tray:-}" "${xvfb:-}" 2>/dev/null || true; rm -rf "$home"' EXIT
# Xvfb picks a free display itself and writes its number once it takes
# clients, so runs side by side never meet on one display.
displayFile="$home/display"
# -noreset: the server does not start over (and refuse clients meanwhile)
# each time its last client goes.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$displayFile" &
xvfb=$!
for _ in $(seq 1 100); do
  [ -s "$displayFile" ] && break
  sleep 0.2
done
display=":$(head -1 "$displayFile")"
[ "$display" != ":" ] || {
  echo "Xvfb did not start" >&2
  exit 1
}

export DISPLAY="$display" HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config"
export XDG_RUNTIME_DIR="$home/run" CORVANE_BOXES=print CORVANE_DIALOGS="${1:-}"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
