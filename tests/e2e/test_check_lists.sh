#!/usr/bin/env bash
# Carried starts and check lists on the real binary: arrivals at 東公民館 (station 11,
# which 一般の部 skips), then from the station submenu carried starts at
# 11:25:00 with a refused team number and a team whose division skips the station, the
# check of teams that look like carried starts, and the station check list written to
# OUT.TXT and compared with the list worked out by hand. Then the same list on the
# printer path, in two columns, through a print command that keeps its file.
set -u
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"

MAST=$E2E_RACE/MASTFILE.DAT
OUT=$E2E_RACE/OUT.TXT
PRINTED=$E2E_WORK/printed.txt

wait_row_re() {
    local limit=$(( ${2:-10} * 10 )) i
    for ((i = 0; i <= limit; i++)); do
        grep -E -q -- "$1" <<<"$(e2e_screen)" && return 0
        sleep 0.1
    done
    e2e_fail "timed out waiting for a row matching /$1/"
}

wait_file() {
    local i
    for ((i = 0; i <= 100; i++)); do
        [ -s "$1" ] && return 0
        sleep 0.1
    done
    e2e_fail "$1 was not written"
}

mast_sum() { md5sum < "$MAST"; }

# arrival TEAM TYPED: one pair at the time-entry team prompt.
arrival() {
    e2e_wait_for "チームＮｏ＝"
    e2e_type "$1"
    e2e_send Enter
    wait_row_re "^$1 .* のタイム＝"
    e2e_type "$2"
    e2e_send Enter
    e2e_wait_gone "のタイム＝"
    wait_row_re "^$1 .*\\( "
}

# carried TEAM NAME: one team at the carried-start team prompt, listed afterwards.
carried() {
    e2e_wait_for "チームＮｏ＝"
    e2e_type "$1"
    e2e_send Enter
    wait_row_re "^$1 $2"
}

# The station check list of station 11 as worked out by hand: 201, 401 and 402 arrived
# (in that order of time) with departure equal to arrival; 403 and 404 have only the
# carried-start departure, so they lead the teams without an arrival, which follow by
# team number (no sequence numbers). PAGE_ROWS: rows per column in two columns.
cat > "$E2E_WORK/expect.py" <<'PY'
import re, sys

path, rows = sys.argv[1], int(sys.argv[2])
raw = open(path, "rb").read()
if rows == 0 and b"\r\n" not in raw:
    print("lines do not end in CR LF")
    sys.exit(1)
text = raw.decode("cp932").replace("\r\n", "\n")
text = re.sub(r"\d{4}/\d\d/\d\d  \d\d:\d\d:\d\d", "STAMP", text)

arrived = [(201, " 11:05'00"), (401, " 11:20'00"), (402, " 11:21'30")]
items = [(t, a, "       ←") for t, a in arrived]  # "←" is two bytes: 7 blanks pad to 9
items += [(t, "   NoData", " 11:25'00") for t in (403, 404)]
items += [(t, "   NoData", "   NoData") for t in list(range(202, 217)) + list(range(301, 313)) + list(range(405, 409))]

header = ("\n第３１回　久遠野市民駅伝競走大会\n*** チェック・リスト ***  STAMP\nEkiNo=11 東公民館\n\n"
          "「到着時刻」の順に出力されています。\n←：「到着時刻に同じ」を示す。\n\n")
heading = "       ﾁｰﾑNo     到着時刻     出発時刻"

def cell(n):
    t, a, d = items[n]
    return "%3d:%8d    %s    %s" % (n + 1, t, a, d)

if rows == 0:
    expected = header + heading + "\n" + "".join(cell(n) + "\n" for n in range(len(items)))
else:
    expected = ""
    for p in range(0, len(items), 2 * rows):
        expected += header + heading + "  |  " + (heading if p + rows < len(items) else "")
        for i in range(rows):
            if p + i >= len(items):
                break
            right = cell(p + rows + i) if p + rows + i < len(items) else ""
            expected += "\n" + cell(p + i) + "  |  " + right
        expected += "\n\f"
if text != expected:
    exp, got = expected.split("\n"), text.split("\n")
    for i in range(max(len(exp), len(got))):
        e = exp[i] if i < len(exp) else "<none>"
        g = got[i] if i < len(got) else "<none>"
        if e != g:
            print("line %d:\n  expected %r\n  got      %r" % (i + 1, e, g))
    sys.exit(1)
PY

# ---- 1. Fresh race; arrivals at 東公民館 ----
e2e_open_session
e2e_start_settled

e2e_send 4
e2e_wait_for "中継所Ｎｏ＝"
e2e_send 11 Enter
e2e_wait_for "11 : 東公民館　　加算時間＝"
e2e_send Enter
arrival 401 112000
arrival 402 112130
arrival 201 110500
e2e_send Escape
wait_row_re "加算時間＝ *[0-9:']+\.{6}"
e2e_send Escape
e2e_wait_for "[2] 繰上出発タイム入力"

# ---- 2. Carried starts from the station submenu ----
e2e_send 2
e2e_wait_for "繰上出発タイム入力では、加算時間は無効です。"
e2e_wait_for "11 : 東公民館　　繰上出発タイム＝"
e2e_send 112500 Enter
e2e_wait_for "11 : 東公民館　　繰上出発タイム＝ 11:25'00"
carried 403 久遠野南中
before=$(mast_sum)
e2e_type 999
e2e_send Enter
e2e_wait_for "チームＮｏ（999）エラー"
e2e_type 101
e2e_send Enter
e2e_wait_for "東公民館 は 一般の部 の中継所ではありません"
[ "$before" = "$(mast_sum)" ] || e2e_fail "a refused team changed MASTFILE.DAT"
carried 404 碧水中
e2e_send Escape

# The check: every team of the three divisions that has neither arrived by 11:25 nor been
# entered, ten numbers a line.
e2e_wait_for "警告！次のチームは繰上出発ではありませんか？"
e2e_wait_for " 202 203 204 205 206 207 208 209 210 211"
e2e_wait_for " 212 213 214 215 216 301 302 303 304 305"
e2e_wait_for " 306 307 308 309 310 311 312 405 406 407"
e2e_wait_for " 408"
e2e_wait_for "上のメッセージを確認したら Y を入力"
e2e_send y

# The station submenu again, now with the check list alone.
e2e_wait_for "[1] チェックリスト出力"
e2e_wait_gone "[2] 繰上出発タイム入力"
e2e_wait_for "中継所 11 : 東公民館"

# ---- 3. The station check list into OUT.TXT ----
[ ! -e "$OUT" ] || e2e_fail "OUT.TXT exists before any list"
e2e_send 1
e2e_wait_for "区切文字(なし→"
e2e_send 0
wait_file "$OUT"
e2e_wait_for "[1] チェックリスト出力"
python3 "$E2E_WORK/expect.py" "$OUT" 0 || e2e_fail "the station check list in OUT.TXT differs (see above)"
e2e_send Escape
e2e_wait_for "中継所Ｎｏ＝"
e2e_send Escape
e2e_wait_main_menu

# ---- 4. Every other list of the check submenu, added to OUT.TXT ----
# answer_until TEXT: confirms warnings with Y until TEXT is on the screen.
answer_until() {
    local i screen
    for ((i = 0; i <= 200; i++)); do
        screen=$(e2e_screen)
        grep -F -q -- "$1" <<<"$screen" && return 0
        if grep -F -q "Y を入力" <<<"$screen"; then
            e2e_send y
            sleep 0.3
        fi
        sleep 0.1
    done
    e2e_fail "timed out waiting for \"$1\""
}
# append_list KEY TITLE: the list of entry KEY appended to OUT.TXT, TITLE in it.
append_list() {
    local size
    size=$(stat -c %s "$OUT")
    e2e_send "$1"
    if [ "$1" != 5 ]; then
        e2e_wait_for "区切文字(なし→"
        e2e_send 0
    fi
    e2e_wait_for "\"OUT.TXT\"は既存です(上書き→"
    e2e_send 1
    # The submenu is redrawn with an empty prompt once the list is delivered.
    answer_until "選択[ ]"
    for ((i = 0; i < 50; i++)); do [ "$(stat -c %s "$OUT")" -gt "$size" ] && break; sleep 0.1; done
    tail -c +$((size + 1)) "$OUT" | iconv -f CP932 -t UTF-8 | grep -F -q -- "$2" ||
        e2e_fail "entry $1 did not add \"$2\" to OUT.TXT"
}
e2e_send 6
e2e_wait_for "* 入力データ・チェック *"
append_list 3 "チェック・リスト（全チーム・全中継所）"
append_list 4 "チーム名・選手名チェック・リスト"
append_list 8 "チェック・リスト（各中継所でタイム順）"
append_list 5 "疑問スピード"
e2e_send 7
e2e_wait_for "チェック・リスト出力（部門名・チーム名付）"
e2e_wait_for "中継所Ｎｏ＝"
e2e_send 99 Enter
e2e_wait_for "区切文字(なし→"
e2e_send 0
e2e_wait_for "\"OUT.TXT\"は既存です(上書き→"
e2e_send 1
e2e_wait_for "選択[ ]"
iconv -f CP932 -t UTF-8 "$OUT" | tr -d "\r" | grep -E -q "^  1:     201 高校男子の部 +久遠野高校 +11:05'00 +←$" ||
    e2e_fail "the list with names has no row for 201"

# The team on screen; a number without a team is refused.
e2e_send 1
e2e_wait_for "チームＮｏ＝"
e2e_send 201 Enter
e2e_wait_for "久遠野高校 （高校男子の部）"
wait_row_re "^第 4 中継所 : 東公民館 +11:05'00 +11:05'00  4区"
e2e_send 999 Enter
e2e_wait_for "ナンバー=999 エラー"
e2e_send Escape
e2e_wait_for "選択[ ]"
e2e_send Escape
e2e_wait_main_menu

# ---- 5. The printer path, two columns of 10 rows ----
cat > "$E2E_WORK/keep.sh" <<EOF
cat "\$1" >> "$PRINTED"
EOF
printf 'PRINTCMD62=sh %s\r\nPRINT62_DANGUMI_GYOU_SUU=10\r\n' "$E2E_WORK/keep.sh" >> "$E2E_RACE/OPTION.TXT"
e2e_send 2
e2e_wait_for "出力先の変更"
e2e_send 1 Enter
e2e_wait_main_menu
e2e_send 6
e2e_wait_for "[2] 中継所指定"
e2e_send 2
e2e_wait_for "チェック・リスト出力"
e2e_wait_for "中継所Ｎｏ＝"
e2e_send 11 Enter
wait_file "$PRINTED"
e2e_wait_for "選択[ ]" 20
python3 "$E2E_WORK/expect.py" "$PRINTED" 10 || e2e_fail "the printed two-column list differs (see above)"
ls "$E2E_RACE" | grep -q -i '\.tmp$' && e2e_fail "a temporary file was left in the race folder"

e2e_send Escape
e2e_wait_main_menu
e2e_send Escape
e2e_wait_for "を終了しますか？"
e2e_send y
e2e_expect_exit 0
e2e_check_terminal_sane
e2e_pass
