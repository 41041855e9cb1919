#!/usr/bin/env bash
# The master file built and rebuilt by the waiting main menu: the first build with the
# team counts and the start times, two times entered at a relay station, a newer
# TEAM.TXT carrying the times over, and a declined rebuild that leaves MASTFILE.DAT
# alone and is not offered again until TEAM.TXT changes once more.
set -u
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"

MAST=$E2E_RACE/MASTFILE.DAT

# block TEAM K: "seq departure arrival" of station block K of TEAM in MASTFILE.DAT,
# read by the record layout (7-byte header, 29 bytes of team data, 18-byte blocks).
block() {
    python3 - "$MAST" "$1" "$2" <<'EOF' || e2e_fail "cannot read block $2 of team $1"
import struct, sys
data = open(sys.argv[1], 'rb').read()
team, k = int(sys.argv[2]), int(sys.argv[3])
length = struct.unpack_from('<h', data, 5)[0]
for start in range(7, len(data) - length + 1, length):
    if struct.unpack_from('<h', data, start)[0] == team:
        b = start + 29 + 18 * k
        seq = struct.unpack_from('<h', data, b)[0]
        dep, arr = data[b + 2:b + 5], data[b + 5:b + 8]
        print('%d %d:%02d:%02d %d:%02d:%02d' % ((seq,) + tuple(dep) + tuple(arr)))
        sys.exit(0)
sys.exit(1)
EOF
}

expect_block() {
    local got
    got=$(block "$1" "$2")
    [ "$got" = "$3" ] || e2e_fail "team $1 block $2: \"$got\", expected \"$3\""
}

# touch_team_list NOTE: appends a comment line to TEAM.TXT once its stamp can be told
# from MASTFILE.DAT's (the stamps compare in steps of two seconds).
touch_team_list() {
    local ref
    ref=$(stat -c %Y "$MAST")
    for ((;;)); do
        # A second beyond what is needed: the file system's clock may lag the system's
        # by a tick, and a second append after a short stamp would change the file
        # again while the program already asks about the first.
        while [ "$(date +%s)" -lt $((ref + 3)) ]; do sleep 0.1; done
        printf '# %s\r\n' "$1" >> "$E2E_RACE/TEAM.TXT"
        [ "$(stat -c %Y "$E2E_RACE/TEAM.TXT")" -ge $((ref + 2)) ] && return 0
        sleep 0.5
    done
}

expect_team_counts() {
    e2e_wait_for "作成中・・・" 15
    e2e_wait_for "            合計  60チーム"
    e2e_expect_screen " 1: 一般の部      24チーム"
    e2e_expect_screen " 2: 高校男子の部  16チーム"
    e2e_expect_screen " 3: 女子の部      12チーム"
    e2e_expect_screen " 4: 中学男子の部   8チーム"
}

expect_announcement() {
    e2e_wait_for "MASTFILE.DAT より新しくなっていますので" 15
    e2e_expect_screen "EKI.TXT, BUMON.TXT, TEAM.TXT のどれかが"
    e2e_expect_screen "MASTFILE.DAT を作り直します"
}

# ---- First build: no data files yet ----
e2e_start
expect_announcement
expect_team_counts
e2e_wait_for "上のスタート時刻を登録しますか？（Y / N）"
e2e_expect_screen " 1: 一般の部                   のスタート時刻＝  9:00'00"
e2e_expect_screen " 2: 高校男子の部               のスタート時刻＝  9:10'00"
e2e_expect_screen " 3: 女子の部                   のスタート時刻＝ 10:00'00"
e2e_expect_screen " 4: 中学男子の部               のスタート時刻＝ 10:30'00"
e2e_send y
e2e_wait_for "MASTFILE.DAT を作り直しました"
e2e_wait_for "NAMEFILE.DAT を作り直しました"
e2e_wait_for "メニューへ戻ります（Y）"
e2e_send y
e2e_wait_main_menu
[ "$(stat -c %s "$MAST")" = $((7 + 60 * 227)) ] || e2e_fail "MASTFILE.DAT has $(stat -c %s "$MAST") bytes"
expect_block 101 0 "0 9:00:00 9:00:00"
expect_block 201 0 "0 9:10:00 9:10:00"
expect_block 408 0 "0 10:30:00 10:30:00"
expect_block 101 1 "0 127:59:59 127:59:59"

# ---- Two times at station 1 ----
e2e_send 4
e2e_wait_for "中継所Ｎｏ＝"
e2e_expect_screen "1 : 駅前通り"
e2e_send 1 Enter
e2e_wait_for "加算時間＝"
e2e_send Enter
e2e_wait_for "チームＮｏ＝"
e2e_send 101 Enter
e2e_wait_for "101 久遠野市役所Ａ のタイム＝"
e2e_send 91512 Enter
e2e_wait_for "チームＮｏ＝"
e2e_wait_for "9:15'12"
e2e_send 102 Enter
e2e_wait_for "102 久遠野市役所Ｂ のタイム＝"
e2e_send 91540 Enter
e2e_wait_for "9:15'40"
e2e_wait_for "チームＮｏ＝"
e2e_expect_row 2 "101 久遠野市役所Ａ" "9:15'12"
e2e_expect_row 3 "102 久遠野市役所Ｂ" "9:15'40"
# Back out: the team prompt, the added time, the station's own menu, the station list.
e2e_send Escape
e2e_expect_row 0 "加算時間＝       00...... Escｷｰで戻る"
e2e_send Escape
e2e_wait_for "中継所  1 : 駅前通り"
e2e_send Escape
e2e_wait_for "中継所Ｎｏ＝"
e2e_send Escape
e2e_wait_main_menu
expect_block 101 1 "1 9:15:12 9:15:12"
expect_block 102 1 "2 9:15:40 9:15:40"
entered_sum=$(md5sum < "$MAST")

# ---- A newer TEAM.TXT: rebuilt with the times carried over ----
touch_team_list "first change"
expect_announcement
expect_team_counts
e2e_wait_for "旧 MASTFILE.DAT のタイムデータを引き継ぎますか？（Y / N）[ ]"
e2e_send y
# 60 start blocks and the two entries.
e2e_wait_for "62 件のタイムを取り込みました"
e2e_wait_for "上のメッセージを確認したら Y を入力"
e2e_send y
e2e_wait_for "MASTFILE.DAT を作り直しました"
e2e_wait_for "メニューへ戻ります（Y）"
# Times carried over: the start times are not registered again.
e2e_expect_screen "NAMEFILE.DAT を作り直しました"
grep -F -q "スタート時刻を登録しますか" <<<"$(e2e_screen)" && e2e_fail "start times offered after a carry-over"
e2e_send y
e2e_wait_main_menu
expect_block 101 0 "0 9:00:00 9:00:00"
expect_block 101 1 "1 9:15:12 9:15:12"
expect_block 102 1 "2 9:15:40 9:15:40"
expect_block 103 1 "0 127:59:59 127:59:59"
# The team list did not change, so neither did anything else in the file.
[ "$(md5sum < "$MAST")" = "$entered_sum" ] || e2e_fail "MASTFILE.DAT differs after carrying the times over"
[ -e "$E2E_RACE/MASTFILE.TMP" ] && e2e_fail "MASTFILE.TMP left behind"

# ---- Declined: N to the carry-over and N to the initialisation ----
names_sum=$(md5sum < "$E2E_RACE/NAMEFILE.DAT")
touch_team_list "second change"
expect_announcement
e2e_wait_for "旧 MASTFILE.DAT のタイムデータを引き継ぎますか？（Y / N）[ ]"
e2e_send n
e2e_wait_for "タイムデータがすべて初期化されます"
e2e_wait_for "実行しますか？（Y / N）[ ]"
e2e_send n
# The menu is drawn again and waits on: the question must not come back.
menu_shown=0
for ((i = 0; i < 40; i++)); do
    screen=$(e2e_screen)
    grep -F -q "引き継ぎますか？（Y / N）[ ]" <<<"$screen" && e2e_fail "the declined rebuild was offered again"
    grep -F -q "作成中・・・" <<<"$screen" && [ "$menu_shown" = 1 ] && e2e_fail "the declined rebuild started again"
    grep -F -q "[Esc] 終了" <<<"$screen" && menu_shown=1
    sleep 0.1
done
declined_screen=$screen
[ "$(md5sum < "$MAST")" = "$entered_sum" ] || e2e_fail "MASTFILE.DAT changed after declining"
[ "$(md5sum < "$E2E_RACE/NAMEFILE.DAT")" = "$names_sum" ] || e2e_fail "NAMEFILE.DAT changed after declining"
[ -e "$E2E_RACE/MASTFILE.TMP" ] && e2e_fail "MASTFILE.TMP left behind after declining"

# The program still takes menu keys; the data are as they were.
e2e_send 2
e2e_wait_for "選択（エンターで確定）["
e2e_send Escape
e2e_wait_main_menu
sleep 1
grep -F -q "引き継ぎますか" <<<"$(e2e_screen)" && e2e_fail "the declined rebuild was offered again after a redraw"

# A further change of TEAM.TXT is offered again.
touch_team_list "third change"
expect_announcement
e2e_wait_for "旧 MASTFILE.DAT のタイムデータを引き継ぎますか？（Y / N）[ ]"
e2e_send y
e2e_wait_for "62 件のタイムを取り込みました"
e2e_send y
e2e_wait_for "メニューへ戻ります（Y）"
e2e_send y
e2e_wait_main_menu
expect_block 101 1 "1 9:15:12 9:15:12"
expect_block 102 1 "2 9:15:40 9:15:40"

# ---- Ended by SIGTERM while a rebuild asks: its temporary file goes with it ----
kept_sum=$(md5sum < "$MAST")
touch_team_list "fourth change"
expect_announcement
e2e_wait_for "旧 MASTFILE.DAT のタイムデータを引き継ぎますか？（Y / N）[ ]"
compgen -G "$E2E_RACE/MASTFILE_??????.TMP" > /dev/null || e2e_fail "no temporary file while the rebuild asks"
pid=$(e2e_program_pid)
[ -n "$pid" ] || e2e_fail "program not running"
kill -TERM "$pid"
e2e_wait_exit
e2e_check_terminal_sane
leftover=$(compgen -G "$E2E_RACE/*.TMP")
[ -z "$leftover" ] || e2e_fail "left after SIGTERM: $leftover"
[ "$(md5sum < "$MAST")" = "$kept_sum" ] || e2e_fail "MASTFILE.DAT changed by the ended rebuild"

if [ "$menu_shown" != 1 ]; then
    echo "---- screen 4 s after the rebuild was declined ----" >&2
    awk '{ printf "%2d|%s\n", NR - 1, $0 }' <<<"$declined_screen" | sed -n 1,24p >&2
    e2e_fail "after the rebuild was declined the main menu was not drawn again (the build's screen stayed while the menu waited for keys)"
fi
e2e_pass
