#!/usr/bin/env bash
# The submenus of the real program, one pass over each: the text files opening in the
# editor, the start time of one division changed and registered, the same-time list
# from the checks, the speed table, team counts, option listing, program path and
# the refused self-import of the "other" menu, the certificate and results screens,
# and the keys that only beep.
#
# The editor is a stub that logs the file name and returns at once, so every list
# written to OUT.TXT comes straight back to its menu.
set -u
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"

MAST=$E2E_RACE/MASTFILE.DAT
OUT=$E2E_RACE/OUT.TXT
EDLOG=$E2E_WORK/editor.log

cat > "$E2E_WORK/editor.sh" <<'SH'
#!/bin/sh
for a; do last=$a; done
basename "$last" >> "$EDLOG"
SH
chmod +x "$E2E_WORK/editor.sh"

editor_count() { if [ -f "$EDLOG" ]; then wc -l < "$EDLOG"; else echo 0; fi; }

# editor_calls N: waits until the editor has been started N times in all.
editor_calls() {
    e2e_poll "$E2E_TIMEOUT" editor_started "$1" || e2e_fail "the editor was started $(editor_count) times, expected $1"
}
editor_started() { [ "$(editor_count)" -ge "$1" ]; }

# The screen of a submenu: title framed by stars on rows 5-7 and the prompt row.
expect_frame() {
    local stars
    stars=$(printf '%*s' "$(printf '%s' "$1" | iconv -f UTF-8 -t CP932 | wc -c)" '' | tr ' ' '*')
    e2e_expect_row 5 "          $stars"
    e2e_expect_row 6 "          $1"
    e2e_expect_row 7 "          $stars"
    e2e_expect_row "$2" "          選択[ ] Escｷｰで戻る"
}

e2e_open_session
e2e_type "export VISUAL=$(printf '%q' "$E2E_WORK/editor.sh") EDLOG=$(printf '%q' "$EDLOG")"
e2e_send Enter
e2e_run
e2e_settle_on_menu

# ---- 1. Text files: five definition files in the editor, untouched ----
e2e_send 1
e2e_wait_for "* テキストファイルの作成・変更・閲覧 *"
expect_frame "* テキストファイルの作成・変更・閲覧 *" 20
e2e_expect_row 4 "出力先→ ファイル（OUT.TXT）"
e2e_expect_row 9 "[1] 駅　　　　　EKI.TXT"
e2e_expect_row 13 "[5] オプション　OPTION.TXT"
e2e_expect_row 15 "[6] 出力結果　　OUT.TXT"
e2e_expect_row 16 "[7] HTML閲覧　　html/index.htm, html_keitai/index.htm"
e2e_expect_row 18 "[9] 団体賞賞状差し込みデータ　団体賞TAB.txt"
e2e_poll "$E2E_TIMEOUT" e2e_nine_entries || e2e_fail "expected nine entries"
grep -F -q "F2" <<<"$(e2e_row 20)" && e2e_fail "F2 offered on the text-file screen"
n=0
for key in 1 2 3 4 5; do
    e2e_send "$key"
    n=$((n + 1))
    editor_calls "$n"
    e2e_wait_for "選択[ ]"
done
got=$(tr '\n' ' ' < "$EDLOG")
[ "$got" = "EKI.TXT BUMON.TXT TEAM.TXT SENSYU.TXT OPTION.TXT " ] || e2e_fail "the editor opened: $got"
for f in EKI.TXT BUMON.TXT TEAM.TXT SENSYU.TXT OPTION.TXT; do
    cmp -s "$E2E_SAMPLE/$f" "$E2E_RACE/$f" || e2e_fail "$f changed although the editor changed nothing"
done
e2e_expect_beep x F2
e2e_send Escape
e2e_wait_main_menu

# ---- 2. Start time of the junior-high division moved to 10:45:00 ----
cp "$MAST" "$E2E_WORK/mast_before"
e2e_send 3
e2e_wait_for "第１走者のスタート時刻入力"
e2e_wait_for " 1: 一般の部                   のスタート時刻＝......"
e2e_send 90000 Enter
e2e_wait_for " 2: 高校男子の部               のスタート時刻＝......"
e2e_send 91000 Enter
e2e_wait_for " 3: 女子の部                   のスタート時刻＝......"
e2e_send 100000 Enter
e2e_wait_for " 4: 中学男子の部               のスタート時刻＝......"
# Sixty minutes is no time: refused, asked again.
e2e_send 106000 Enter
e2e_expect_count " 4: 中学男子の部 " 2 "106000 was not refused"
e2e_send 104500 Enter
e2e_wait_for "上のスタート時刻を登録しますか？（Y / N）"
e2e_expect_screen " 1: 一般の部                   のスタート時刻＝  9:00'00"
e2e_expect_screen " 3: 女子の部                   のスタート時刻＝ 10:00'00"
e2e_expect_screen " 4: 中学男子の部               のスタート時刻＝ 10:45'00"
cmp -s "$MAST" "$E2E_WORK/mast_before" || e2e_fail "MASTFILE.DAT changed before the registration"
e2e_send y
e2e_wait_main_menu
python3 - "$E2E_WORK/mast_before" "$MAST" <<'PY' || e2e_fail "start times in MASTFILE.DAT (see above)"
import struct, sys
before, after = (open(p, "rb").read() for p in sys.argv[1:])
rec_len = struct.unpack_from("<h", after, 5)[0]
bad = []
if len(before) != len(after) or (len(after) - 7) % rec_len:
    bad.append("file size %d, was %d" % (len(after), len(before)))
starts = {0: (9, 0, 0), 1: (9, 10, 0), 2: (10, 0, 0), 3: (10, 45, 0)}
juniors = 0
for pos in range(7, len(after) - rec_len + 1, rec_len):
    a, b = after[pos:pos + rec_len], before[pos:pos + rec_len]
    team, division = struct.unpack_from("<h", a, 0)[0], a[3]
    juniors += division == 3
    dep, arr = tuple(a[31:34]), tuple(a[34:37])
    if dep != starts[division] or arr != starts[division]:
        bad.append("team %d: start %r / %r, expected %r" % (team, dep, arr, starts[division]))
    # Only the two start times of block 0 may change.
    if a[:31] + a[37:] != b[:31] + b[37:]:
        bad.append("team %d: bytes besides the start times changed" % team)
if juniors != 8:
    bad.append("%d junior-high teams, expected 8" % juniors)
if after[:7] != before[:7]:
    bad.append("header changed")
if bad:
    print("\n".join(bad))
sys.exit(1 if bad else 0)
PY

# ---- 3. Checks: the same-time list ----
# 404 then 402 reach 中央図書館 (station 10, the end of section 1) at 11:02:00, 17'00
# after the start: a tie, broken by the input order.
python3 - "$MAST" <<'PY'
import struct, sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
rec_len = struct.unpack_from("<h", data, 5)[0]
for pos in range(7, len(data) - rec_len + 1, rec_len):
    team = struct.unpack_from("<h", data, pos)[0]
    if team in (404, 402):
        block = pos + 29 + 18
        struct.pack_into("<h", data, block, 1 if team == 404 else 2)
        data[block + 2:block + 8] = bytes([11, 2, 0, 11, 2, 0])
open(path, "wb").write(data)
PY
e2e_send 6
e2e_wait_for "* 入力データ・チェック *"
expect_frame "* 入力データ・チェック *" 20
e2e_expect_row 14 "[6] 同タイム・チェック"
e2e_expect_row 16 "[8] 全中継所・全チーム（各中継所でタイム順）"
e2e_expect_row 17 "[9] 照合入力（ダブルエントリー）"
e2e_expect_row 18 "[0] 区間タイム相対チェック"
e2e_expect_row 20 "F2ｷｰで出力先変更"
[ ! -e "$OUT" ] || e2e_fail "OUT.TXT exists before any list"
e2e_send 6
editor_calls 6
e2e_wait_for "選択[ ]"
[ "$(tail -n 1 "$EDLOG")" = OUT.TXT ] || e2e_fail "the same-time list did not open OUT.TXT"
python3 - "$OUT" <<'PY' || e2e_fail "same-time list (see above)"
import re, sys
raw = open(sys.argv[1], "rb").read()
lines = raw.decode("cp932").split("\r\n")
def pad(s, n):
    return s + " " * (n - len(s.encode("cp932")))
title = r"\*\*\* 第３１回　久遠野市民駅伝競走大会 同タイム・チェック・リスト \*\*\*  \d{4}/\d\d/\d\d  \d\d:\d\d:\d\d"
expected = [
    "",
    None,
    "10 中央図書館",
    "",
    "中学男子の部（第 1 中継所）",
    "    404: " + pad("碧水中", 24) + " " + "    17'00" + "  1位",
    "    402: " + pad("久遠野第二中", 24) + " " + "    17'00" + "  2位",
    "",
]
bad = []
if b"\r\n" not in raw:
    bad.append("lines do not end in CR LF")
if len(lines) < 2 or not re.fullmatch(title, lines[1]):
    bad.append("title line %r" % (lines[1:2],))
if len(lines) != len(expected):
    bad.append("%d lines, expected %d: %r" % (len(lines), len(expected), lines))
for i, (got, want) in enumerate(zip(lines, expected)):
    if want is not None and got != want:
        bad.append("line %d:\n  got      |%s|\n  expected |%s|" % (i + 1, got, want))
if bad:
    print("\n".join(bad))
sys.exit(1 if bad else 0)
PY
# A key that selects no entry beeps.
e2e_expect_beep a
e2e_send Escape
e2e_wait_main_menu

# ---- 4. Other functions ----
e2e_send 9
e2e_wait_for "* その他 *"
expect_frame "* その他 *" 21
e2e_expect_row 12 "[4] スピード：タイム換算表出力"
e2e_expect_row 19 "[C] コマンドプロンプトを起動"

# Speed table: OUT.TXT overwritten, every cell worked out from t = d / v.
e2e_send 4
editor_calls 7
e2e_wait_for "選択[ ]"
python3 - "$OUT" <<'PY' || e2e_fail "speed table (see above)"
import sys
from fractions import Fraction
lines = open(sys.argv[1], "rb").read().decode("cp932").split("\r\n")
distances = [100, 800, 1000, 1500, 5000, 10000, 42195]
def cell(t):
    if t < 60:
        return "%7.2f" % float(t)
    s = int(t)  # whole seconds, truncated
    h, m, s = s // 3600, s // 60 % 60, s % 60
    return "%d:%02d'%02d" % (h, m, s) if h else "  %2d'%02d" % (m, s)
expected = ["スピード：タイム換算表", "", "km/h" + "".join("\t%6dm" % d for d in distances)]
for tenths in range(300, 44, -5):
    # d metres at tenths/10 km/h take d * 3600 / (tenths * 100) seconds, exactly.
    expected.append("%d.%d" % (tenths // 10, tenths % 10) if tenths >= 100 else " %d.%d" % (tenths // 10, tenths % 10))
    expected[-1] += "".join("\t" + cell(Fraction(d * 36, tenths)) for d in distances)
expected.append("")
bad = []
rows = [l for l in lines[3:] if l]
if len(rows) != 52:
    bad.append("%d data rows, expected 52" % len(rows))
if not lines[3].startswith("30.0\t  12.00\t") or not rows[-1].startswith(" 4.5\t"):
    bad.append("first row %r, last row %r" % (lines[3], rows[-1]))
for i, (got, want) in enumerate(zip(lines, expected)):
    if got != want:
        bad.append("line %d:\n  got      |%s|\n  expected |%s|" % (i + 1, got, want))
if len(lines) != len(expected):
    bad.append("%d lines, expected %d" % (len(lines), len(expected)))
if bad:
    print("\n".join(bad))
sys.exit(1 if bad else 0)
PY

# Team counts from TEAM.TXT: 24, 16, 12 and 8 teams; names padded to 12 bytes.
e2e_send 5
editor_calls 8
e2e_wait_for "選択[ ]"
python3 - "$OUT" <<'PY' || e2e_fail "team counts (see above)"
import re, sys
lines = open(sys.argv[1], "rb").read().decode("cp932").split("\r\n")
title = r"\*\*\* 第３１回　久遠野市民駅伝競走大会  部門別チーム数一覧表 \*\*\*  \d{4}/\d\d/\d\d  \d\d:\d\d:\d\d"
expected = ["", None,
            " 1: 一般の部      24チーム",
            " 2: 高校男子の部  16チーム",
            " 3: 女子の部      12チーム",
            " 4: 中学男子の部   8チーム",
            "            合計  60チーム",
            ""]
bad = []
if len(lines) != len(expected):
    bad.append("%d lines, expected %d: %r" % (len(lines), len(expected), lines))
elif not re.fullmatch(title, lines[1]):
    bad.append("title %r" % lines[1])
for got, want in zip(lines, expected):
    if want is not None and got != want:
        bad.append("  got      |%s|\n  expected |%s|" % (got, want))
if bad:
    print("\n".join(bad))
sys.exit(1 if bad else 0)
PY

# Option listing: only the one key the sample sets.
e2e_send 7
e2e_wait_for "メニューへ戻ります（Y）"
e2e_expect_row 2 "\"OPTION.TXT\"に設定されているオプション・データは次の通りです"
e2e_expect_row 3 "        ------------------------------------------------------------"
e2e_expect_row 4 "        EVENTNAME=第３１回　久遠野市民駅伝競走大会"
e2e_expect_row 5 "        ------------------------------------------------------------"
e2e_send y
e2e_wait_for "* その他 *"

# The print program's settings, in Japanese; one key returns to the submenu.
e2e_send 8
e2e_wait_for "何かキーを押すとメニューに戻ります"
e2e_expect_screen "使い方: lpx"
e2e_send x
e2e_wait_for "* その他 *"
e2e_expect_row 21 "選択[ ]"

# Program path, version and the program file's time (two-second steps).
e2e_send p
e2e_wait_for "今動いているKORVEL32のプログラムファイルは"
e2e_wait_for "上のメッセージを確認したら Y を入力"
mtime=$(stat -c %Y "$(readlink -f "$E2E_BIN")")
stamp=$(TZ=Asia/Tokyo date -d "@$((mtime - mtime % 2))" '+%Y/%m/%d  %H:%M:%S')
e2e_expect_screen "$(readlink -f "$E2E_BIN")"
e2e_expect_screen "version 3.74  $stamp"
e2e_send y
e2e_wait_for "選択[ ]"

# Importing MASTFILE.DAT into itself is refused; the prompt comes back; Esc leaves.
before=$(md5sum < "$MAST")
e2e_send 2
e2e_wait_for "入力ファイル＝"
e2e_type MASTFILE.DAT
e2e_send Enter
e2e_wait_for "MASTFILE.DAT と MASTFILE.DAT は同じファイルです。"
e2e_expect_screen "取り込み処理は行いませんでした。"
e2e_wait_for "上のメッセージを確認したら Y を入力"
e2e_send y
e2e_expect_count "入力ファイル＝" 2 "the import prompt did not come back"
e2e_send Escape
e2e_wait_for "* その他 *"
[ "$(md5sum < "$MAST")" = "$before" ] || e2e_fail "the refused import changed MASTFILE.DAT"
e2e_expect_beep x
e2e_send Escape
e2e_wait_main_menu

# ---- 5. Certificates: no destination line ----
e2e_send 8
e2e_wait_for "* 賞状作成 *"
expect_frame "* 賞状作成 *" 21
grep -F -q "出力先→" <<<"$(e2e_screen)" && e2e_fail "destination line on the certificate screen"
e2e_expect_row 9 "MS-Word の差し込み印刷機能を使って賞状を作ります。"
e2e_expect_row 11 "開くとき [マクロを有効にする] を選択してください。"
e2e_expect_row 13 "[1] 区間賞差し込みファイル（\"区間賞TAB.txt\"）を作る"
e2e_expect_row 19 "[8] [6]と[7]を続けて実行"
# F2 is no key of this screen (its entries are tested in test_awards.sh).
e2e_expect_beep F2
e2e_send Escape
e2e_wait_main_menu

# ---- 6. Results: the entries not built yet beep ----
e2e_send 7
e2e_wait_for "* 結果出力 *"
expect_frame "* 結果出力 *" 20
e2e_expect_row 9 "[0] ゴール速報"
e2e_expect_row 18 "[9] 全明細データファイル出力"
e2e_expect_beep a
e2e_send Escape
e2e_wait_main_menu

e2e_quit_from_menu

e2e_pass
