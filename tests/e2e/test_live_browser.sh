#!/usr/bin/env bash
# live/index.html in a real browser, opened from the folder (file://) while the
# publisher runs: headless Chromium driven through its DevTools pipe. The page shows
# the divisions and the time of the data; after the data files change, the publisher
# publishes again and the page shows the new time, then redraws new data (a greater
# version), all without a reload; a starred team shows on top.
#
# Skipped (SKIP line, status 0) when no headless Chromium is installed.
set -u
source "$(dirname "$0")/lib.sh"

e2e_need_browser

e2e_init "$1" "$2"
e2e_start
e2e_settle_on_menu 60
e2e_quit_from_menu

( cd "$E2E_RACE" && exec "$E2E_BIN" --publish 1 < /dev/null > "$E2E_WORK/publish.log" 2>&1 ) &
PUBLISHER=$!
for ((i = 0; i < 100; i++)); do
    [ -s "$E2E_RACE/live/results.js" ] && break
    sleep 0.1
done
[ -s "$E2E_RACE/live/results.js" ] || e2e_fail "live/results.js was not written"

python3 - "$BROWSER" "$E2E_RACE" "$E2E_WORK/profile" <<'PY'
import json, os, re, subprocess, sys, time

browser, race, profile = sys.argv[1:4]
to_browser_r, to_browser_w = os.pipe()
from_browser_r, from_browser_w = os.pipe()

def child_fds():
    os.dup2(to_browser_r, 3)
    os.dup2(from_browser_w, 4)

proc = subprocess.Popen([browser, "--headless", "--no-sandbox", "--disable-gpu", "--remote-debugging-pipe",
                         "--user-data-dir=" + profile, "about:blank"],
                        pass_fds=(3, 4), preexec_fn=child_fds, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
os.close(to_browser_r)
os.close(from_browser_w)
out = os.fdopen(to_browser_w, "wb")
inp = os.fdopen(from_browser_r, "rb")
buffer = b""
next_id = 0

def call(method, session=None, **params):
    global buffer, next_id
    next_id += 1
    message = {"id": next_id, "method": method, "params": params}
    if session:
        message["sessionId"] = session
    out.write(json.dumps(message).encode() + b"\0")
    out.flush()
    while True:
        while b"\0" not in buffer:
            chunk = os.read(inp.fileno(), 65536)
            if not chunk:
                raise SystemExit("FAIL: the browser closed its pipe")
            buffer += chunk
        raw, buffer = buffer.split(b"\0", 1)
        reply = json.loads(raw)
        if reply.get("id") == next_id:
            if "error" in reply:
                raise SystemExit("FAIL: %s: %s" % (method, reply["error"]))
            return reply["result"]

def fail(text):
    print("FAIL " + text)
    proc.kill()
    sys.exit(1)

target = call("Target.createTarget", url="file://%s/live/index.html?every=1" % race)["targetId"]
session = call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]

def js(expression):
    result = call("Runtime.evaluate", session, expression=expression, returnByValue=True)["result"]
    return result.get("value")

def wait_for(expression, what, seconds=30):
    deadline = time.time() + seconds
    while time.time() < deadline:
        value = js(expression)
        if value:
            return value
        time.sleep(0.2)
    fail(what)

first = wait_for("document.getElementById('generated').textContent.match(/[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8}/) && "
                 "document.getElementById('generated').textContent", "the time of the data is not shown")
tabs = js("document.querySelectorAll('#tabs button').length")
divisions = len(json.load(open(race + "/live/results.json", encoding="utf-8"))["divisions"])
if tabs != divisions:
    fail("%s division tabs for %s divisions" % (tabs, divisions))
rows = js("document.querySelectorAll('#board tr').length")
if not rows or rows < 2:
    fail("no standings drawn (%s rows)" % rows)
print("OK data of " + first + ", %d tabs, %d rows" % (tabs, rows))
js("window.notReloaded = true")

# A change of the data files: the publisher publishes again, a second later at least.
time.sleep(1.2)
os.utime(race + "/MASTFILE.DAT")
second = wait_for("(document.getElementById('generated').textContent != %s) && "
                  "document.getElementById('generated').textContent" % json.dumps(first), "the new time is not shown")
if not js("window.notReloaded === true"):
    fail("the page was reloaded")
print("OK new time " + second + " without a reload")

# New data (a greater version): the page redraws it.
data = json.load(open(race + "/live/results.json", encoding="utf-8"))
data["version"] += 1
data["event"] = "Changed <b>event</b>"
tmp = race + "/live/.results.js.tmp"
with open(tmp, "w", encoding="utf-8") as f:
    f.write("window.KORVEL_LIVE = " + json.dumps(data, ensure_ascii=False) + ";\n")
os.rename(tmp, race + "/live/results.js")
wait_for("document.getElementById('event').textContent == 'Changed <b>event</b>'", "the new version is not drawn")
if not js("window.notReloaded === true") or js("document.querySelectorAll('#event b').length") != 0:
    fail("reloaded, or the event name was taken as markup")
print("OK new version drawn as text without a reload")

# My teams: a starred team is shown on top, and kept.
js("document.querySelector('#board .star').click()")
mine = js("document.querySelectorAll('#mine tr').length")
kept = js("localStorage.getItem('korvel-live-stars')")
if mine != 2 or not kept or kept == "{}":
    fail("starred team: %s rows on top, stored %s" % (mine, kept))
print("OK starred team on top")
proc.kill()
PY
status=$?
kill -INT "$PUBLISHER"
wait "$PUBLISHER"
[ "$status" = 0 ] || e2e_fail "the live page in the browser (see above)"
e2e_pass
