#!/usr/bin/env bash
# The web results in a real browser: the sample race with one team renamed to a name
# holding markup and four arrivals of the junior-high division at its first station,
# results entry 6 on the real binary, then the written sites rendered by headless
# Chromium. A harness page loads the frameset, a division page and the mobile pages
# in frames, inspects the rendered documents after they have loaded and writes its
# findings into its own DOM, which --dump-dom prints.
#
# Skipped (SKIP line, status 0) when no headless Chromium is installed.
set -u
source "$(dirname "$0")/lib.sh"

e2e_need_browser

e2e_init "$1" "$2"
e2e_open_session
# Team 403 gets a name that a careless page would turn into an element.
python3 - "$E2E_RACE/TEAM.TXT" <<'PY' || e2e_fail "cannot rename team 403"
import sys
path = sys.argv[1]
text = open(path, "rb").read().decode("cp932")
lines = [("403  <i>南中</i>  4" if l.startswith("403 ") else l) for l in text.split("\r\n")]
open(path, "wb").write("\r\n".join(lines).encode("cp932"))
PY
# No terminal browser on the path, whatever this machine has installed.
mkdir -p "$E2E_WORK/bin"
ln -s "$(command -v true)" "$E2E_WORK/bin/true"
e2e_type "export EDITOR=true VISUAL=true PATH=$E2E_WORK/bin"
e2e_send Enter
e2e_run
e2e_settle_on_menu 60

# Arrivals at station 10, the end of the junior-high division's first section.
e2e_send 4
e2e_wait_for "中継所Ｎｏ＝"
e2e_send 10 Enter
e2e_wait_for "加算時間＝"
e2e_send Enter
for pair in "402 104630" "404 104640" "401 104700" "403 104810"; do
    set -- $pair
    e2e_wait_for "チームＮｏ＝"
    e2e_type "$1"
    e2e_send Enter
    e2e_wait_for "のタイム＝"
    e2e_type "$2"
    e2e_send Enter
    e2e_wait_gone "のタイム＝"
done
e2e_send Escape
# The added-time field opens (its dots follow the header).
for ((i = 0; i < 100; i++)); do
    grep -E -q "加算時間＝ *[0-9:']+\.{6}" <<<"$(e2e_screen)" && break
    sleep 0.1
done
e2e_send Escape
e2e_wait_for "[1] チェックリスト出力"
e2e_send Escape
e2e_wait_for "中継所Ｎｏ＝"
e2e_send Escape
e2e_wait_for "[Esc] 終了"

# Results entry 6. Without a desktop or a terminal browser the program names the
# pages to open, one line each, and waits for Y.
e2e_send 7
e2e_wait_for "[6] 部門別成績一覧 HTML 出力"
e2e_send 6
e2e_wait_for "ブラウザで開いてください: $E2E_RACE/html_keitai/index.htm" 30
e2e_expect_screen "ブラウザで開いてください: $E2E_RACE/html/index.htm"
e2e_send y
e2e_wait_for "[6] 部門別成績一覧 HTML 出力"
for f in html/index.htm html/contents.htm html/1.htm html/4.htm html_keitai/index.htm html_keitai/4.htm; do
    [ -s "$E2E_RACE/$f" ] || e2e_fail "$f was not written"
done
leftovers=$(find "$E2E_RACE/html" "$E2E_RACE/html_keitai" -name '*.tmp')
[ -z "$leftovers" ] || e2e_fail "temporary pages left behind: $leftovers"

SITE=file://$E2E_RACE
cat > "$E2E_WORK/harness.html" <<EOF
<!DOCTYPE html>
<html><head><meta charset="utf-8"></head><body>
<pre id="out"></pre>
<iframe id="site" src="$SITE/html/index.htm" width="1000" height="700"></iframe>
<iframe id="division" src="$SITE/html/4.htm" width="1000" height="700"></iframe>
<iframe id="mindex" src="$SITE/html_keitai/index.htm"></iframe>
<iframe id="mpage" src="$SITE/html_keitai/4.htm"></iframe>
<script>
var lines = [];
function check(name, ok, detail) { lines.push((ok ? "OK " : "FAIL ") + name + (ok ? "" : ": " + detail)); }
function doc(id) { return document.getElementById(id).contentWindow.document; }
window.addEventListener("load", function () {
  try {
    var site = document.getElementById("site").contentWindow;
    var frames = site.document.getElementsByTagName("frame");
    check("frameset", frames.length == 2, frames.length + " frames");
    check("upper frame", site.frames[0].location.href.endsWith("/html/contents.htm"), site.frames[0].location.href);
    check("lower frame", site.frames[1].location.href.endsWith("/html/1.htm"), site.frames[1].location.href);
    var links = site.frames[0].document.links;
    check("contents loaded", links.length >= 4 && links[3].textContent == "中学男子の部", links.length + " links");
    var lower = site.frames[1].document.body.textContent;
    check("division 1 loaded", lower.indexOf("一般の部") >= 0, lower.slice(0, 80));

    var d = doc("division");
    var result = d.getElementsByTagName("table")[1];
    var teams = 0, first = null;
    for (var i = 0; i < result.rows.length; i++) {
      var row = result.rows[i];
      if (row.getAttribute("bgcolor") == "aqua") continue;
      teams++;
      if (row.cells[1].textContent.indexOf("No=402") >= 0) first = row;
    }
    check("one row per team", teams == 8, teams + " team rows");
    // Only the first station is reached: the winner of section 1 (402) has the one
    // rank-1 cell, and every cell of rank 1 and only those are gold.
    var gold = 0, wrong = "";
    var cells = result.getElementsByTagName("td");
    for (var i = 0; i < cells.length; i++) {
      var isGold = getComputedStyle(cells[i]).backgroundColor == "rgb(255, 215, 0)";
      var first1 = /< 1>/.test(cells[i].textContent);
      if (isGold) gold++;
      if (isGold != first1) wrong += " [" + cells[i].textContent + "]";
    }
    check("rank 1 colour", gold == 1 && wrong == "", gold + " gold cells" + wrong);
    check("rank 1 team", first != null && getComputedStyle(first.cells[2]).backgroundColor == "rgb(255, 215, 0)" &&
          first.cells[2].textContent.indexOf("*") == 0, first ? first.cells[2].textContent : "no row of 402");
    check("markup as text", d.getElementsByTagName("i").length == 0 && d.body.textContent.indexOf("<i>南中</i>") >= 0,
          d.getElementsByTagName("i").length + " i elements");
    var tables = d.getElementsByTagName("table");
    check("speed ranking", tables.length == 3 && tables[2].textContent.indexOf("スピードランキング") >= 0 &&
          tables[2].rows.length == 2 + 4, tables.length + " tables");

    var mi = doc("mindex");
    check("mobile index", mi.links.length == 4 && mi.links[0].textContent == "一般の部" &&
          mi.links[3].getAttribute("href") == "4.htm", mi.links.length + " links");
    var mp = doc("mpage");
    var spans = mp.getElementsByTagName("span");
    var gold = 0;
    for (var i = 0; i < spans.length; i++) if (getComputedStyle(spans[i]).backgroundColor == "rgb(255, 215, 0)") gold++;
    check("mobile page", mp.getElementsByTagName("hr").length == 8 && gold == 1 &&
          mp.getElementsByTagName("i").length == 0 && mp.body.textContent.indexOf("<i>南中</i>") >= 0,
          mp.getElementsByTagName("hr").length + " entries, " + gold + " gold");
    check("mobile reach", mp.body.textContent.indexOf("1位") >= 0 && mp.body.textContent.indexOf("2位") >= 0,
          mp.body.textContent.slice(0, 120));
  } catch (e) {
    lines.push("FAIL exception: " + e);
  }
  document.getElementById("out").textContent = lines.join("\n");
});
</script>
</body></html>
EOF

dom=$(timeout 60 "$BROWSER" --headless --no-sandbox --disable-gpu --allow-file-access-from-files \
      --virtual-time-budget=10000 --user-data-dir="$E2E_WORK/profile" --dump-dom "file://$E2E_WORK/harness.html" 2>"$E2E_WORK/browser.log")
results=$(sed -n '/<pre id="out">/,/<\/pre>/p' <<<"$dom" | sed -e 's/.*<pre id="out">//' -e 's/<\/pre>.*//')
echo "$results"
oks=$(grep -c '^OK ' <<<"$results")
fails=$(grep -c '^FAIL' <<<"$results")
if [ "$oks" -lt 13 ] || [ "$fails" -ne 0 ]; then
    tail -5 "$E2E_WORK/browser.log"
    e2e_fail "the rendered pages differ ($oks checks passed, $fails failed)"
fi

e2e_send Escape
e2e_wait_for "[Esc] 終了"
e2e_send Escape
e2e_wait_for "を終了しますか？"
e2e_send y
e2e_expect_exit 0
e2e_pass
