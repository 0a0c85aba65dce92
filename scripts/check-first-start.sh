#!/usr/bin/env bash
# A first start and a close of vornell (by SIGTERM, as a session end does) under a virtual
# display writes Vornell.ini beside the program with the default settings.
set -euo pipefail
vornell="$1"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$vornell" "$dir/vornell"
xvfb-run -a "$dir/vornell" >/dev/null 2>&1 &
runner=$!
sleep 3
child=$(pgrep -P "$runner" -x vornell || true)
[ -n "$child" ] && kill -TERM "$child"
wait "$runner" || true
# The two sections of the port and the graph first, byte for byte; the window's own after them.
expected=$(printf '[HardWare]\r\nname="COM1"\r\n[GrFormOptions]\r\nleft=0\r\nright=200\r\ncolor=16711680\r\nscale=3\r\nevents=1\r\n[MainForm]\r')
if [ "$(head -n 9 "$dir/Vornell.ini" 2>/dev/null)" != "$expected" ]; then
  echo "check-first-start: Vornell.ini is not the default one:" >&2
  cat -A "$dir/Vornell.ini" >&2 || echo "(missing)" >&2
  exit 1
fi
echo "check-first-start: a first start and close wrote the default Vornell.ini"
