#!/usr/bin/env bash
# The main menu of the real program: first build of the sample race's data files,
# the framed title, the ticking clock, refused keys, the exit confirmation, and a
# sane terminal after a normal exit, an orderly stop and SIGTERM.
set -u
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"

e2e_start
# No data files yet: the program builds them and offers the start times.
e2e_wait_for "上のスタート時刻を登録しますか？" 20
e2e_send y
e2e_wait_for "メニューへ戻ります（Y）"
e2e_send y
e2e_wait_for "選択[ ]"
[ -s "$E2E_RACE/MASTFILE.DAT" ] || e2e_fail "MASTFILE.DAT was not built"
[ -s "$E2E_RACE/NAMEFILE.DAT" ] || e2e_fail "NAMEFILE.DAT was not built"

e2e_expect_row 0 "KORVEL32 version 3.74 (Build "
e2e_expect_row 5 "**********"
e2e_expect_row 6 "* 第３１回　久遠野市民駅伝競走大会 *"
e2e_expect_row 9 "[1] テキストファイルの作成・変更・閲覧"
e2e_expect_row 17 "[9] その他"
e2e_expect_row 19 "[Esc] 終了"
e2e_expect_row 21 "選択[ ]"
e2e_poll "$E2E_TIMEOUT" e2e_nine_entries || e2e_fail "expected nine menu entries"

# The clock ticks.
clock1=$(e2e_row 1)
clock_moved() { [ "$(e2e_row 1)" != "$clock1" ]; }
e2e_poll "$E2E_TIMEOUT" clock_moved || e2e_fail "the clock did not advance: $clock1"

# An unhandled key changes nothing but the clock.
before=$(e2e_screen | sed '2d')
e2e_send x F12 Tab
sleep 0.5
after=$(e2e_screen | sed '2d')
[ "$before" = "$after" ] || e2e_fail "a refused key changed the screen"

# Esc, then N: back to the menu.
e2e_send Escape
e2e_wait_for "KORVEL32 を終了しますか？（Y / N）[ ]"
e2e_send n
e2e_wait_for "[Esc] 終了"

# Esc, then Y: the program ends with status 0 and keeps the destination.
e2e_send Escape
e2e_wait_for "を終了しますか？"
e2e_send y
e2e_expect_exit 0
size=$(stat -c %s "$E2E_RACE/SELCTOUT.DAT" 2>/dev/null)
[ "$size" = 4 ] || e2e_fail "SELCTOUT.DAT holds ${size:-no} bytes, expected 4"
e2e_check_terminal_sane

# An orderly stop: a master file whose section count differs from the definition.
printf '\x03\x00' | dd of="$E2E_RACE/MASTFILE.DAT" bs=1 seek=3 conv=notrunc 2>/dev/null
e2e_run
e2e_wait_for "選択[ ]"
e2e_send 7
e2e_wait_for "の区間数(3)が違います"
e2e_wait_for "上のメッセージを確認した後 Y を入力"
e2e_send y
e2e_expect_exit 1
e2e_check_terminal_sane

# SIGTERM while the menu waits restores the terminal too.
rm -f "$E2E_RACE/MASTFILE.DAT"
e2e_run
e2e_wait_for "上のスタート時刻を登録しますか？" 20
e2e_send n
e2e_wait_for "メニューへ戻ります（Y）"
e2e_send y
e2e_wait_for "選択[ ]"
pid=$(e2e_program_pid)
[ -n "$pid" ] || e2e_fail "program not running"
kill -TERM "$pid"
e2e_wait_exit
e2e_check_terminal_sane

e2e_pass
