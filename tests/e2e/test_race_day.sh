#!/usr/bin/env bash
# Race day on the real binary: arrivals of the junior-high division typed at its three
# relay stations and the goal (refused team, refused station, a reset with -1, an
# added time), the results list by division and the intermediate list written to
# OUT.TXT and checked against times and ranks worked out by hand, then a SIGKILL in
# the middle of an entry: every confirmed entry must still be in MASTFILE.DAT.
#
# Junior-high division (4 sections, start 10:30:00): stations 10 中央図書館,
# 11 東公民館, 12 久遠野大橋, 13 市民競技場 (goal).
set -u
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"

MAST=$E2E_RACE/MASTFILE.DAT
OUT=$E2E_RACE/OUT.TXT

# wait_row_re REGEX: waits until some screen row matches the extended regex.
wait_row_re() {
    e2e_poll "$E2E_TIMEOUT" row_matches "$1" || e2e_fail "timed out waiting for a row matching /$1/"
}
row_matches() { grep -E -q -- "$1" <<<"$(e2e_screen)"; }

# expect_rows_re REGEX N MESSAGE: waits until exactly N rows match the regex.
expect_rows_re() {
    e2e_poll "$E2E_TIMEOUT" rows_match "$1" "$2" || e2e_fail "$3"
}
rows_match() { [ "$(e2e_screen | grep -E -c -- "$1")" = "$2" ]; }

# choose_station N HEADER: from the station selection screen to the team prompt,
# with no added time.
choose_station() {
    e2e_wait_for "中継所Ｎｏ＝"
    e2e_send "$1" Enter
    e2e_wait_for "$1 : $2　　加算時間＝       00"
    e2e_send Enter
    e2e_wait_for "チームＮｏ＝"
}

# arrival TEAM TYPED STORED [TYPED_TEXT ADDED_TEXT]: one pair at the team prompt; the
# recent-entry list must then show the team with the stored, typed and added times.
arrival() {
    local team=$1 typed=$2 stored=$3 typed_text=${4:-$3} added=${5:-00}
    e2e_wait_for "チームＮｏ＝"
    e2e_type "$team"
    e2e_send Enter
    wait_row_re "^$team .* のタイム＝"
    e2e_type "$typed"
    e2e_send Enter
    e2e_wait_gone "のタイム＝"
    wait_row_re "^$team .* +$stored \\( +$typed_text \\+ +$added \\)\$"
}

# The added-time field is open (its dots follow the header).
wait_added_time_field() {
    wait_row_re "加算時間＝ *[0-9:']+\.{6}"
}

# leave_station HEADER: Esc at the team prompt and at the added time, then Esc in the
# station submenu that follows a visit with entries.
leave_station() {
    e2e_send Escape
    wait_added_time_field
    e2e_send Escape
    e2e_wait_for "[1] チェックリスト出力"
    e2e_expect_screen "中継所 $1"
    e2e_expect_screen "[2] 繰上出発タイム入力"
    e2e_send Escape
    e2e_wait_for "中継所Ｎｏ＝"
}

mast_sum() { md5sum < "$MAST"; }

# wait_count TEXT N: waits until TEXT stands on N rows.
wait_count() {
    e2e_poll "$E2E_TIMEOUT" at_least "$1" "$2" || e2e_fail "timed out waiting for \"$1\" on $2 rows"
}
at_least() { [ "$(e2e_screen | grep -F -c -- "$1")" -ge "$2" ]; }

# check_list final|intermediate: OUT.TXT against the times and ranks worked out by
# hand; prints the differences.
check_list() {
    python3 "$E2E_WORK/check_list.py" "$OUT" "$1"
}
cat > "$E2E_WORK/check_list.py" <<'PY'
import re, sys

path, kind = sys.argv[1], sys.argv[2]
raw = open(path, "rb").read()
if b"\r\n" not in raw:
    print("OUT.TXT: lines do not end in CR LF")
    sys.exit(1)
lines = raw.decode("cp932").split("\r\n")
W = 12  # longest runner name in SENSYU.TXT, 12 bytes
bad = []

def width(s):
    return len(s.encode("cp932"))

def left(s, n):
    return s + " " * max(0, n - width(s))

def right(s, n):
    return " " * max(0, n - width(s)) + s

def time_text(t):
    """The nine-character time; t = (h, m, s) or None for no time (blank)."""
    if t is None:
        return None
    h, m, s = t
    if h:
        return " %2d:%02d'%02d" % (h, m, s)
    return "    " + ("%2d'" % m if m else "   ") + "%02d" % s

def timed(t, rank, o, c):
    text = time_text(t)
    if text is None:
        return " " * 13
    return right(text + ("%c%2d%c" % (o, rank, c) if rank else "    "), 13)

def rows(rank, team_no, name, runners, marks, sections, cumuls):
    """The three rows of a team; sections and cumuls: lists of (time, rank)."""
    r1 = ("%3d" % rank if rank else "   ") + " " + left(name, 24)
    r1 += "".join(right(m + n, W + 1) for m, n in zip(marks, runners))
    total = cumuls[-1][0]
    r2 = "   " + "   ﾁｰﾑNo:" + left(str(team_no), 6)
    r2 += (time_text(total) if total else " " * 10)
    r2 += "".join(right(timed(t, r, "<", ">"), W + 1) for t, r in sections)
    r3 = "   " + "   " + " " * 22
    r3 += "".join(right(timed(t, r, "[", "]"), W + 1) for t, r in cumuls)
    return [r1, r2, r3]

def mm(m, s=0):
    return (m // 60, m % 60, s)

runners = {
    401: ["太田　大輝", "石川　孝", "高野　湊", "石井　亮介"],
    402: ["長谷川　純一", "斉藤　航平", "竹内　信吾", "丸山　敬太"],
    403: ["十河　貴之", "原田　健太郎", "岩崎　昌平", "藤井　貴之"],
    404: ["竹内　航平", "十河　誠", "奥村　蓮", "西村　海斗"],
    405: ["福田　昌平", "竹内　拓海", "平野　優斗", "大野　隼人"],
    406: ["表　陸", "高野　宗一郎", "髙橋　瑞希", "岡田　昌平"],
    407: ["丸山　俊介", "野村　晴人", "森田　光太郎", "西村　駿"],
    408: ["斉藤　陸", "岡田　悠斗", "松尾　一輝", "高野　樹"],
}
names = {401: "久遠野第一中", 402: "久遠野第二中", 403: "久遠野南中", 404: "碧水中",
         405: "湖陽中", 406: "鈴音中", 407: "朝凪中", 408: "星ヶ浦中"}

# Worked out by hand from the typed clock times and the start at 10:30:00.
# Section times (rank), cumulative times (rank) per team, sections 1..4.
final = {
    # 402 and 404 both finish in 1:08'00; 404 was typed first at the goal and wins.
    404: (1, ["", "", "*", "*"],
          [(mm(16, 40), 2), (mm(18, 20), 6), (mm(17), 1), (mm(16), 1)],
          [(mm(16, 40), 2), (mm(35), 3), (mm(52), 3), (mm(68), 1)]),
    402: (2, ["*", "*", "*", ""],
          [(mm(16, 30), 1), (mm(16, 30), 1), (mm(17), 1), (mm(18), 3)],
          [(mm(16, 30), 1), (mm(33), 1), (mm(50), 1), (mm(68), 2)]),
    401: (3, ["", "", "", ""],
          [(mm(17), 3), (mm(17), 2), (mm(17, 30), 4), (mm(17, 30), 2)],
          [(mm(17), 3), (mm(34), 2), (mm(51, 30), 2), (mm(69), 3)]),
    403: (4, ["", "", "", ""],
          [(mm(18, 10), 4), (mm(17), 2), (mm(17, 50), 5), (mm(18), 3)],
          [(mm(18, 10), 4), (mm(35, 10), 4), (mm(53), 4), (mm(71), 4)]),
    405: (5, ["", "", "", ""],
          [(mm(19), 5), (mm(17), 2), (mm(18, 30), 6), (mm(18), 3)],
          [(mm(19), 5), (mm(36), 5), (mm(54, 30), 5), (mm(72, 30), 5)]),
    # Not finished: section and cumulative times up to 12, no total and no rank.
    406: (0, ["", "", "", ""],
          [(mm(20, 20), 6), (mm(17, 40), 5), (mm(19), 7), (None, 0)],
          [(mm(20, 20), 6), (mm(38), 6), (mm(57), 6), (None, 0)]),
    # Time at 10 cleared: no sections 1 and 2, no cumulative times at all, but
    # ranked sections 3 and 4.
    407: (0, ["", "", "", ""],
          [(None, 0), (None, 0), (mm(17, 20), 3), (mm(18, 40), 6)],
          [(None, 0), (None, 0), (None, 0), (None, 0)]),
    408: (0, ["", "", "", ""], [(None, 0)] * 4, [(None, 0)] * 4),
}
# The intermediate list at 東公民館 (section 2 the last shown).
intermediate = {
    404: (3, ["", ""], [(mm(16, 40), 2), (mm(18, 20), 6)], [(mm(16, 40), 2), (mm(35), 3)]),
    403: (4, ["", ""], [(mm(18, 10), 4), (mm(17), 2)], [(mm(18, 10), 4), (mm(35, 10), 4)]),
    407: (0, ["", ""], [(None, 0), (None, 0)], [(None, 0), (None, 0)]),
}

def check_team(team, want, n, lines):
    rank, marks, sections, cumuls = want
    expected = rows(rank, team, names[team], runners[team][:n], marks, sections, cumuls)
    key = "   ﾁｰﾑNo:" + left(str(team), 6)
    found = [i for i, l in enumerate(lines) if l.startswith("   " + key)]
    if len(found) != 1:
        bad.append("team %d: %d second rows" % (team, len(found)))
        return
    i = found[0]
    for got, exp in zip(lines[i - 1:i + 2], expected):
        if got != exp:
            bad.append("team %d:\n  got      |%s|\n  expected |%s|" % (team, got, exp))

def block_of(division):
    """The lines from the title before the division's heading to the next title."""
    starts = [i for i, l in enumerate(lines) if l.startswith("*** ")]
    for k, s in enumerate(starts):
        if lines[s + 1].startswith(division):
            end = starts[k + 1] if k + 1 < len(starts) else len(lines)
            return s, end
    return None

title_re = r"^\*\*\* 第３１回　久遠野市民駅伝競走大会 %s \*\*\*  \d{4}/\d\d/\d\d  \d\d:\d\d:\d\d$"
if kind == "final":
    titles = [l for l in lines if l.startswith("*** ")]
    if len(titles) != 1 or not re.match(title_re % "部門別成績一覧表", titles[0]):
        bad.append("expected one title of the results list, got %r" % titles)
    block = block_of("中学男子の部")
    if not block:
        bad.append("no heading of 中学男子の部")
    else:
        s, e = block
        heading = [
            left("中学男子の部", 27) + " " + "".join(right("第%s区" % d, W + 1) for d in "１２３４"),
            " 位" + "          &:繰上出発     "
            + "".join(right(n, W + 1) for n in ["中央図書館", "東公民館", "久遠野大橋", "市民競技場"]),
        ]
        if lines[s + 1] != heading[0]:
            bad.append("heading row 1:\n  got      |%s|\n  expected |%s|" % (lines[s + 1], heading[0]))
        if lines[s + 4] != heading[1]:
            bad.append("heading row 4:\n  got      |%s|\n  expected |%s|" % (lines[s + 4], heading[1]))
        order = [int(m.group(1)) for l in lines[s:e] for m in [re.match(r"^      ﾁｰﾑNo:(\d+)", l)] if m]
        if order != [404, 402, 401, 403, 405, 406, 407, 408]:
            bad.append("listing order %r" % order)
    for team, want in final.items():
        check_team(team, want, 4, lines)
else:
    block = block_of("中学男子の部")
    if not block:
        bad.append("no heading of 中学男子の部")
    else:
        s, e = block
        if not re.match(title_re % "中間成績一覧表", lines[s]):
            bad.append("title %r" % lines[s])
        order = [int(m.group(1)) for l in lines[s:e] for m in [re.match(r"^      ﾁｰﾑNo:(\d+)", l)] if m]
        if order != [402, 401, 404, 403, 405, 406, 407, 408]:
            bad.append("listing order at 東公民館 %r" % order)
        for team, want in intermediate.items():
            check_team(team, want, 2, lines[s:e])
    # Every division that passes 東公民館 is listed: high school, women, junior high.
    divs = [lines[i + 1].split(" ")[0] for i, l in enumerate(lines) if l.startswith("*** ")]
    if divs != ["高校男子の部", "女子の部", "中学男子の部"]:
        bad.append("divisions in the intermediate list %r" % divs)
if bad:
    print("\n".join(bad))
    sys.exit(1)
PY

# ---- 1. Fresh race, first build, start times registered ----
e2e_open_session
e2e_start_settled
[ -s "$MAST" ] || e2e_fail "MASTFILE.DAT was not built"

# ---- 2. Arrivals ----
e2e_send 4
e2e_wait_for "中継所Ｎｏ＝"

# Station 10, the end of section 1.
choose_station 10 "図書館前"
arrival 402 104630 "10:46'30"
arrival 404 104640 "10:46'40"
arrival 401 104700 "10:47'00"
arrival 403 104810 "10:48'10"
arrival 405 104900 "10:49'00"
arrival 406 105020 "10:50'20"
arrival 407 105500 "10:55'00"
# 407 again: the stored time is shown before anything is typed; -1 clears it.
e2e_type 407
e2e_send Enter
wait_row_re "^407 .* のタイム＝"
e2e_expect_screen "既に 10:55'00 が入力済みです。これから入力されるタイムに置き替わります。"
e2e_expect_screen "-1 を入力すれば、このチームのこの中継所でのデータが未入力の状態に戻ります。"
e2e_type -1
e2e_send Enter
e2e_wait_gone "のタイム＝"
wait_row_re "^407 .* +NoData \\( +-1 \\+ +00 \\)\$"
expect_rows_re '^407 ' 1 "team 407 is listed twice in the recent entries"
expect_rows_re "^40[1-7] " 7 "expected seven recent entries"

# Refused: a team number that is not in TEAM.TXT, and a team of a division that
# does not pass this station. Neither may change the master file.
before=$(mast_sum)
e2e_type 998
e2e_send Enter
e2e_wait_for "チームＮｏ（998）エラー"
e2e_expect_screen "チームＮｏ＝"
e2e_type 201
e2e_send Enter
e2e_wait_for "図書館前 は 高校男子の部 の中継所ではありません"
e2e_expect_screen "チームＮｏ＝"
sleep 0.3
[ "$(mast_sum)" = "$before" ] || e2e_fail "a refused entry changed MASTFILE.DAT"
leave_station "10 : 図書館前"

# Station 11, the end of section 2; 407 arrives although its time at 10 was cleared.
choose_station 11 "東公民館"
arrival 402 110300 "11:03'00"
arrival 401 110400 "11:04'00"
arrival 404 110500 "11:05'00"
arrival 403 110510 "11:05'10"
arrival 405 110600 "11:06'00"
arrival 407 110700 "11:07'00"
arrival 406 110800 "11:08'00"
before=$(mast_sum)
e2e_type 101
e2e_send Enter
e2e_wait_for "東公民館 は 一般の部 の中継所ではありません"
sleep 0.3
[ "$(mast_sum)" = "$before" ] || e2e_fail "a refused station changed MASTFILE.DAT"
leave_station "11 : 東公民館"

# Station 12, the end of section 3.
choose_station 12 "大橋"
arrival 402 112000 "11:20'00"
arrival 404 112200 "11:22'00"
arrival 401 112130 "11:21'30"
arrival 403 112300 "11:23'00"
arrival 407 112420 "11:24'20"
arrival 405 112430 "11:24'30"
arrival 406 112700 "11:27'00"
leave_station "12 : 大橋"

# The goal. 404 and 402 finish on the same total time, 404 typed first.
choose_station 13 "フィニッシュ"
arrival 404 113800 "11:38'00"
arrival 402 113800 "11:38'00"
arrival 401 113900 "11:39'00"
arrival 403 114100 "11:41'00"
arrival 405 114230 "11:42'30"
# An added time of 11:00:00: 407 typed as minutes and seconds only.
e2e_send Escape
wait_added_time_field
e2e_send 110000 Enter
e2e_wait_for "13 : フィニッシュ　　加算時間＝ 11:00'00"
arrival 407 4300 "11:43'00" "43'00" "11:00'00"
leave_station "13 : フィニッシュ"
e2e_send Escape
e2e_wait_for "[Esc] 終了"

# ---- 3. Results list by division, junior-high only, into OUT.TXT ----
[ ! -e "$OUT" ] || e2e_fail "OUT.TXT exists before any report"
e2e_send 7
e2e_wait_for "[3] 部門別成績一覧表出力"
e2e_send 3
# 407 has an arrival at 11 but no departure from 10 since its reset.
e2e_wait_for "第1中継所(中央図書館)で出発時刻なし。第2中継所(東公民館)で到着時刻あり。"
e2e_expect_screen "チームＮｏ=407 朝凪中（中学男子の部）"
e2e_wait_for "上のメッセージを確認したら Y を入力"
e2e_send y
e2e_wait_for "選択部門No(空入力で選択終了)＝"
e2e_send 4 Enter
wait_count "選択部門No(空入力で選択終了)＝" 2
e2e_send Enter
e2e_wait_for "区切文字(なし→"
e2e_send 0
e2e_wait_for "[3] 部門別成績一覧表出力" 20
e2e_poll "$E2E_TIMEOUT" test -s "$OUT" || e2e_fail "OUT.TXT was not written"

check_list final || e2e_fail "results list by division differs (see above)"

# ---- 4. Intermediate list at 東公民館 into OUT.TXT (overwritten) ----
e2e_send 7
e2e_wait_for "中間成績一覧表出力"
e2e_wait_for "中継所Ｎｏ＝"
e2e_send 11 Enter
e2e_wait_for "区切文字(なし→"
e2e_send 0
e2e_wait_for "\"OUT.TXT\"は既存です(上書き→"
e2e_send 0
e2e_wait_for "[7] 中間成績一覧表出力（中継所指定）" 20
check_list intermediate || e2e_fail "intermediate list differs (see above)"
e2e_send Escape
e2e_wait_for "[Esc] 終了"
e2e_quit_from_menu

# ---- 5. SIGKILL in the middle of an entry ----
# The program again in the same folder: two more arrivals at the goal, then 407's
# goal time half retyped when the program is killed.
e2e_run
e2e_wait_for "[Esc] 終了" 20
e2e_wait_for "選択["
e2e_send 4
choose_station 13 "フィニッシュ"
arrival 406 114700 "11:47'00"
arrival 408 115500 "11:55'00"
e2e_type 407
e2e_send Enter
wait_row_re "^407 .* のタイム＝"
e2e_expect_screen "既に 11:43'00 が入力済みです。"
e2e_type 1150
e2e_wait_for "1150"
pid=$(e2e_program_pid)
[ -n "$pid" ] || e2e_fail "program not running"
kill -KILL "$pid"
e2e_wait_exit
[ "$E2E_EXIT" = 137 ] || e2e_fail "exit status $E2E_EXIT after SIGKILL, expected 137"

# The entries left copies of the data in backup/, each as long as the file itself.
copies=("$E2E_RACE"/backup/MASTFILE_*.DAT)
[ -s "${copies[0]}" ] || e2e_fail "no copy of MASTFILE.DAT in backup/ after the entries"
for copy in "${copies[@]}"; do
    [ "$(stat -c %s "$copy")" = "$(stat -c %s "$MAST")" ] || e2e_fail "$copy is not complete"
done

# Every confirmed entry is in the master file, in typing order; the pair being typed
# left no trace. Entries: (team, station k, clock time or None for -1), in the order
# typed; the input sequence numbers count them from 1.
python3 - "$MAST" <<'PY' || e2e_fail "MASTFILE.DAT after the kill differs (see above)"
import struct, sys

data = open(sys.argv[1], "rb").read()
version, max_kukan, rec_len = data[:3], *struct.unpack_from("<hh", data, 3)
if version != b"4.0" or max_kukan != 10 or rec_len != 29 + 18 * 11:
    print("header %r %d %d" % (version, max_kukan, rec_len))
    sys.exit(1)
records = {}
for off in range(7, len(data) - rec_len + 1, rec_len):
    team = struct.unpack_from("<h", data, off)[0]
    records[team] = data[off:off + rec_len]
if (len(data) - 7) % rec_len or len(records) != 60:
    print("file of %d bytes, %d teams" % (len(data), len(records)))
    sys.exit(1)

def block(team, k):
    b = records[team][29 + 18 * k:29 + 18 * (k + 1)]
    seq = struct.unpack_from("<H", b, 0)[0]
    return seq, tuple(b[2:5]), tuple(b[5:8])

NONE = (127, 59, 59)
typed = [
    (402, 1, (10, 46, 30)), (404, 1, (10, 46, 40)), (401, 1, (10, 47, 0)), (403, 1, (10, 48, 10)),
    (405, 1, (10, 49, 0)), (406, 1, (10, 50, 20)), (407, 1, (10, 55, 0)), (407, 1, None),
    (402, 2, (11, 3, 0)), (401, 2, (11, 4, 0)), (404, 2, (11, 5, 0)), (403, 2, (11, 5, 10)),
    (405, 2, (11, 6, 0)), (407, 2, (11, 7, 0)), (406, 2, (11, 8, 0)),
    (402, 3, (11, 20, 0)), (404, 3, (11, 22, 0)), (401, 3, (11, 21, 30)), (403, 3, (11, 23, 0)),
    (407, 3, (11, 24, 20)), (405, 3, (11, 24, 30)), (406, 3, (11, 27, 0)),
    (404, 4, (11, 38, 0)), (402, 4, (11, 38, 0)), (401, 4, (11, 39, 0)), (403, 4, (11, 41, 0)),
    (405, 4, (11, 42, 30)), (407, 4, (11, 43, 0)),
    # after the restart
    (406, 4, (11, 47, 0)), (408, 4, (11, 55, 0)),
]
expected = {}
for seq, (team, k, t) in enumerate(typed, 1):
    expected[(team, k)] = (seq, t or NONE, t or NONE)
bad = []
for team in range(401, 409):
    for k in range(0, 5):
        want = expected.get((team, k), (0, NONE, NONE))
        if k == 0:
            want = (0, (10, 30, 0), (10, 30, 0))  # the registered start time
        got = block(team, k)
        if got != want:
            bad.append("team %d station %d: seq, departure, arrival %r, expected %r" % (team, k, got, want))
# Nothing typed for any other team.
for team, rec in records.items():
    if 401 <= team <= 408:
        continue
    for k in range(1, 11):
        seq, dep, arr = block(team, k)
        if seq or arr != NONE:
            bad.append("team %d station %d touched: %r" % (team, k, (seq, dep, arr)))
if bad:
    print("\n".join(bad))
    sys.exit(1)
PY

# SIGKILL leaves the terminal raw (nothing can restore it); the operator's remedy is
# stty sane, after which the shell must answer again.
e2e_type "stty sane"
e2e_send Enter
e2e_check_terminal_sane

# Started again, the program shows 407's goal time as it was before the kill.
before=$(mast_sum)
e2e_run
e2e_wait_for "[Esc] 終了" 20
e2e_wait_for "選択["
e2e_send 4
choose_station 13 "フィニッシュ"
e2e_type 407
e2e_send Enter
wait_row_re "^407 .* のタイム＝"
e2e_expect_screen "既に 11:43'00 が入力済みです。"
e2e_send Escape
e2e_wait_gone "のタイム＝"
e2e_send Escape
wait_added_time_field
e2e_send Escape
# No entry in this visit: straight back to the station choice.
e2e_wait_for "中継所Ｎｏ＝"
e2e_send Escape
e2e_wait_for "[Esc] 終了"
e2e_quit_from_menu
[ "$(mast_sum)" = "$before" ] || e2e_fail "a visit without entries changed MASTFILE.DAT"

e2e_pass
