#!/usr/bin/env bash
# A prepared text file of arrival times for 中央図書館 (station 10) of the sample race,
# in several notations, loaded through "[9] その他" → "[3]": the look at the file in
# the pager, the station taken from its EkiNo= line, the three refusal messages, the
# station submenu. The stored times are then checked in MASTFILE.DAT and in the
# station detail file exported from "[7] 結果出力" → "[9]", the section detail file
# for the ranks and speeds worked out by hand, and the station pattern file from
# "[9] その他" → "[6]".
#
# Junior-high division (start 10:30:00 at 運動公園, 39.6 km): 中央図書館 (44.05 km) is
# its logical station 1.
set -u
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"

STATION_FILE=$E2E_RACE/結果明細中継所TAB.txt
SECTION_FILE=$E2E_RACE/結果明細区間TAB.txt
PATTERN_FILE=$E2E_RACE/部門中継所.csv

# quit_pager TEXT: waits for TEXT in the pager that shows a file, then leaves it.
quit_pager() {
    e2e_wait_for "$1"
    e2e_send q
}

e2e_start
e2e_settle_on_menu

# The import file as a results office would receive it: CP932 with CR LF.
printf '%s\r\n' \
    "# 中央図書館の到着記録（手書き用紙から入力）" \
    "EkiNo=10" \
    "401 10:47:00" \
    "2. 402 10.46.30 (区間賞)" \
    "403 104810" \
    "404 10:46:40 (計時(手動)) " \
    "405 10:49:00 10:48:30" \
    "406 NoData" \
    "407 1:75:00" \
    "999 10:50:00" \
    "201 10:40:00" \
    | iconv -f UTF-8 -t CP932 > "$E2E_RACE/times.txt" || e2e_fail "cannot write the import file"

e2e_send 9
e2e_wait_for "[3] テキストファイルからのタイムデータ読み込み"
e2e_send 3
e2e_wait_for "入力ファイル＝"
e2e_type "times.txt"
e2e_send Enter
quit_pager "401 10:47:00"
e2e_wait_for "このファイルでよろしいですか？（Y / N）"
e2e_send y
# The station comes from the file: no station selection.
e2e_wait_for "10 : 図書館前　　加算時間＝"
e2e_send Enter
e2e_wait_for "上のメッセージを確認したら Y を入力"
e2e_expect_screen "数字列が時刻になっていない:407 17500"
e2e_expect_screen "ﾁｰﾑNoエラー:999 105000"
e2e_expect_screen "該当中継所でない:201 104000"
e2e_send y
e2e_wait_for "中継所 10 : 図書館前"
e2e_expect_screen "[1] チェックリスト出力"
e2e_expect_screen "[2] 繰上出発タイム入力"
e2e_send Escape
e2e_wait_for "[6] 駅・部門パターン出力"

# Team block of logical station 1 as stored: arrival, departure, input sequence number.
python3 - "$E2E_RACE/MASTFILE.DAT" > "$E2E_WORK/mast.txt" <<'PY' || e2e_fail "cannot read MASTFILE.DAT"
import struct, sys
data = open(sys.argv[1], "rb").read()
max_kukan, rec_len = struct.unpack_from("<hh", data, 3)
for off in range(7, len(data) - rec_len + 1, rec_len):
    team = struct.unpack_from("<h", data, off)[0]
    if 401 <= team <= 408:
        b = off + 29 + 18
        seq = struct.unpack_from("<h", data, b)[0]
        dep, arr = data[b + 2:b + 5], data[b + 5:b + 8]
        print(team, "%d:%02d:%02d" % tuple(arr), "%d:%02d:%02d" % tuple(dep), seq)
PY
cat > "$E2E_WORK/mast_expected.txt" <<'EOF'
401 10:47:00 10:47:00 1
402 10:46:30 10:46:30 2
403 10:48:10 10:48:10 3
404 10:46:40 10:46:40 4
405 10:49:00 10:48:30 5
406 127:59:59 127:59:59 6
407 127:59:59 127:59:59 0
408 127:59:59 127:59:59 0
EOF
diff "$E2E_WORK/mast_expected.txt" "$E2E_WORK/mast.txt" || e2e_fail "MASTFILE.DAT differs from the import file"

# The station pattern file.
e2e_send 6
quit_pager "作業用駅名"
e2e_wait_for "[6] 駅・部門パターン出力"
[ -f "$PATTERN_FILE" ] || e2e_fail "部門中継所.csv was not written"
iconv -f CP932 -t UTF-8 "$PATTERN_FILE" | grep -F -x -q "$(printf '"10","中央図書館","図書館前","第8中継所","","","第1中継所"\r')" \
    || e2e_fail "部門中継所.csv lacks the line of station 10: $(iconv -f CP932 -t UTF-8 "$PATTERN_FILE" | sed -n 12p)"
e2e_send Escape
e2e_wait_main_menu

# The detail files, after the computation of the results.
e2e_send 7
e2e_wait_for "[9] 全明細データファイル出力"
e2e_send 9
quit_pager "イベント名"
quit_pager "区間No"
e2e_wait_for "[9] 全明細データファイル出力"
[ -f "$STATION_FILE" ] && [ -f "$SECTION_FILE" ] || e2e_fail "the detail files were not written"

python3 - "$STATION_FILE" "$SECTION_FILE" > "$E2E_WORK/detail.txt" <<'PY' || e2e_fail "cannot read the detail files"
import sys
bad = []
def rows(path):
    raw = open(path, "rb").read()
    if b"\r\n" not in raw or raw.replace(b"\r\n", b"").count(b"\n"):
        bad.append(path + ": lines do not end in CR LF")
    return [l.split("\t") for l in raw.decode("cp932").split("\r\n") if l]

stations = rows(sys.argv[1])
sections = rows(sys.argv[2])
runners = {401: ("太田　大輝", "石川　孝"), 402: ("長谷川　純一", "斉藤　航平"),
           403: ("十河　貴之", "原田　健太郎"), 404: ("竹内　航平", "十河　誠"),
           405: ("福田　昌平", "竹内　拓海"), 406: ("表　陸", "高野　宗一郎"),
           407: ("丸山　俊介", "野村　晴人"), 408: ("斉藤　陸", "岡田　悠斗")}
# Station 10 (logical 1): arrival and departure columns, carried start.
expected = {401: ("10 47 00", "10 47 00", "No"), 402: ("10 46 30", "10 46 30", "No"),
            403: ("10 48 10", "10 48 10", "No"), 404: ("10 46 40", "10 46 40", "No"),
            405: ("10 49 00", "10 48 30", "Yes"), 406: ("  ", "  ", "No"),
            407: ("  ", "  ", "No"), 408: ("  ", "  ", "No")}
for team, (arr, dep, carried) in expected.items():
    line = [r for r in stations if r[4] == str(team) and r[7] == "1"]
    if len(line) != 1:
        bad.append("team %d: %d station lines at logical station 1" % (team, len(line)))
        continue
    r = line[0]
    want = ["第３１回　久遠野市民駅伝競走大会", "4", "中学男子の部", "4", str(team), r[5], "No", "1", "10",
            "中央図書館", "図書館前", "", "44.05", runners[team][0]] + arr.split(" ") + [runners[team][1]] \
           + dep.split(" ") + [carried]
    if r[:22] != want:
        bad.append("team %d station line:\n  got  %r\n  want %r" % (team, r[:22], want))
    if len(r) != 24:
        bad.append("team %d: %d columns" % (team, len(r)))
# Section 1 of the finishers at station 10: section time, rank, speed over 4.45 km.
ranks = {402: ("0 16 30", "1", "16.18"), 404: ("0 16 40", "2", "16.02"), 401: ("0 17 00", "3", "15.71"),
         403: ("0 18 10", "4", "14.70"), 405: ("0 19 00", "5", "14.05")}
for team, (time, rank, speed) in ranks.items():
    r = [r for r in sections if r[4] == str(team) and r[7] == "1"][0]
    got = (" ".join(r[23:26]), r[26], r[31], r[32])
    if got != (time, rank, "4.45", speed):
        bad.append("team %d section 1: got %r" % (team, got))
junior = [r for r in stations if r[1] == "4"]
if len(junior) != 8 * 5:
    bad.append("%d station lines of the junior division, expected 40" % len(junior))
if bad:
    print("\n".join(bad))
sys.exit(1 if bad else 0)
PY
[ -s "$E2E_WORK/detail.txt" ] && e2e_fail "detail files: $(cat "$E2E_WORK/detail.txt")"
ls "$E2E_RACE" | grep -q '\.tmp$' && e2e_fail "a temporary file was left: $(ls "$E2E_RACE")"

e2e_send Escape
e2e_wait_main_menu
e2e_send Escape
e2e_wait_for "を終了しますか？"
e2e_send y
e2e_expect_exit 0
e2e_pass
