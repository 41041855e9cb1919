#!/usr/bin/env bash
# Blind double entry through the menus of the real binary: arrivals typed at station
# 10 (中央図書館, the end of section 1 of the junior-high division), then typed again
# from the input-data check submenu [9]: one equal, one different and corrected, the
# summary naming the teams not typed; then the relative check list [0].
set -u
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"

MAST=$E2E_RACE/MASTFILE.DAT
OUT=$E2E_RACE/OUT.TXT

# pair TEAM TIME: one team number and time at the team prompt.
pair() {
    e2e_wait_for "チームＮｏ＝"
    e2e_type "$1"
    e2e_send Enter
    e2e_wait_for "のタイム＝"
    e2e_type "$2"
    e2e_send Enter
}

# arrival_at TEAM: the arrival at station 10 in MASTFILE.DAT as h:mm:ss.
arrival_at() {
    python3 - "$MAST" "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
rec_len = struct.unpack_from("<h", data, 5)[0]
for pos in range(7, len(data) - rec_len + 1, rec_len):
    if struct.unpack_from("<h", data, pos)[0] == int(sys.argv[2]):
        h, m, s = data[pos + 29 + 18 + 5:pos + 29 + 18 + 8]
        print("%d:%02d:%02d" % (h, m, s))
PY
}

e2e_open_session
e2e_start_settled

# ---- The first official: five arrivals ----
e2e_send 4
e2e_wait_for "中継所Ｎｏ＝"
e2e_send 10 Enter
e2e_wait_for "10 : 図書館前　　加算時間＝       00"
e2e_send Enter
pair 402 104630
pair 404 104640
pair 401 104700
pair 403 104810
pair 405 104900
e2e_wait_for "10:49'00"
e2e_leave_time_entry

# ---- The second official: the check submenu's double entry ----
e2e_send 6
e2e_wait_for "* 入力データ・チェック *"
e2e_expect_row 17 "[9] 照合入力（ダブルエントリー）"
e2e_send 9
e2e_wait_for "照合入力（ダブルエントリー）"
e2e_wait_for "中継所Ｎｏ＝"
e2e_send 10 Enter
e2e_wait_for "加算時間＝"
e2e_send Enter
e2e_wait_for "照合入力　10 : 図書館前"
pair 402 104630
e2e_wait_for "10:46'30 一致"
# 404: the stored time is nowhere on the screen before its time is typed.
e2e_wait_for "チームＮｏ＝"
e2e_type 404
e2e_send Enter
e2e_wait_for "404 "
e2e_wait_for "のタイム＝"
e2e_screen_lacks "10:46'40" || e2e_fail "the stored time of 404 shows before it is typed"
e2e_type 104650
e2e_send Enter
e2e_wait_for "記録 10:46'40 ／ 照合 10:46'50"
e2e_wait_for "記録を照合の値に直しますか（Y / N）"
e2e_send y
e2e_expect_row 3 "404 " "照合 10:46'50" "修正"
[ "$(arrival_at 404)" = "10:46:50" ] || e2e_fail "404 holds $(arrival_at 404), expected 10:46:50"
[ "$(arrival_at 402)" = "10:46:30" ] || e2e_fail "402 changed to $(arrival_at 402)"
e2e_wait_for "チームＮｏ＝"
e2e_send Escape
e2e_wait_for "照合入力の結果"
e2e_expect_screen "入力した件数　   2"
e2e_expect_screen "不一致　　　　   1（うち修正 1）"
e2e_expect_screen "照合されていないチーム　3 チーム"
e2e_expect_screen "  401  403  405"
e2e_send y
e2e_wait_for "中継所Ｎｏ＝"
e2e_send Escape
e2e_wait_for "* 入力データ・チェック *"

# ---- The relative check list: five teams within the bounds ----
e2e_send 0
e2e_poll "$E2E_TIMEOUT" test -s "$OUT" || e2e_fail "no relative check list in OUT.TXT"
e2e_wait_for "選択[ ]"
iconv -f CP932 -t UTF-8 "$OUT" | grep -F -q "区間タイム相対チェック" || e2e_fail "OUT.TXT lacks the title"
iconv -f CP932 -t UTF-8 "$OUT" | grep -F -q "該当なし" || e2e_fail "OUT.TXT lacks 該当なし"
e2e_send Escape
e2e_wait_main_menu
e2e_quit
e2e_pass
