#!/usr/bin/env bash
# MASTFILE.DAT cut in the middle of the 60th record while the program waits at the
# main menu (59 whole records of the sample and 200 bytes of the next): the time entry
# says so before it starts, names the newest whole copy in backup/, and with Y puts it
# back, so that team 408 is there with the arrival stored before the damage.
set -u
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"

# team_408_at_station_10: from the station prompt of the time entry to the time of 408.
team_408_at_station_10() {
    e2e_wait_for "中継所Ｎｏ＝"
    e2e_send 10 Enter
    e2e_wait_for "加算時間＝"
    e2e_send Enter
    e2e_wait_for "チームＮｏ＝"
    e2e_type 408
    e2e_send Enter
    e2e_wait_for "のタイム＝"
}

e2e_start
e2e_settle_on_menu 60
# One arrival: the entry's first copy goes to backup/.
e2e_send 4
team_408_at_station_10
e2e_type 104630
e2e_send Enter
e2e_wait_for "10:46'30"
e2e_send F5
e2e_wait_main_menu
e2e_poll "$E2E_TIMEOUT" compgen -G "$E2E_RACE/backup/MASTFILE_*.DAT" >/dev/null || e2e_fail "no copy in backup/"
copy=$(basename "$(ls "$E2E_RACE"/backup/MASTFILE_*.DAT | tail -1)")

truncate -s 13600 "$E2E_RACE/MASTFILE.DAT"
e2e_send 4
e2e_wait_for "MASTFILE.DAT が壊れています"
e2e_expect_screen "完全なのは 1～59 件目（チームＮｏ 101～407）です"
e2e_expect_screen "60 件目（チームＮｏ 408）は 227 バイト中 200 バイトしかありません"
e2e_expect_screen "backup/$copy（60 チーム）です"
e2e_send y
e2e_wait_for "を MASTFILE.DAT に戻しました"
e2e_send y
team_408_at_station_10
[ "$(stat -c %s "$E2E_RACE/MASTFILE.BAD")" = 13600 ] || e2e_fail "the damaged file was not kept aside"
e2e_expect_screen "10:46'30"
e2e_pass
