#!/usr/bin/env bash
# The output destination: F2 refused by the main menu, the selection from main-menu
# entry 2 and from F2 in the "other" submenu, SELCTOUT.DAT after each choice and after
# the exit, the choice kept over a restart, Esc and F5 in the selection leaving it
# unchanged, Esc and a digit in one burst, an out-of-range SELCTOUT.DAT, and the list
# file name on the menu.
set -u
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"

SELCTOUT=$E2E_RACE/SELCTOUT.DAT

# selctout_is HEX: SELCTOUT.DAT holds exactly these bytes (od -An -tx1, no blanks).
selctout_is() {
    local got
    got=$(od -An -tx1 "$SELCTOUT" 2>/dev/null | tr -d ' \n')
    [ "$got" = "$1" ] || e2e_fail "SELCTOUT.DAT holds \"${got:-nothing}\", expected $1"
}

# menu_destination NAME: the destination line of the menu on the screen names NAME.
menu_destination() {
    e2e_expect_row 4 "出力先→"
    e2e_expect_row 4 "$1"
}

# arrow_on ROW DIGIT: the selection screen points at ROW (4, 5 or 6) and shows DIGIT.
arrow_on() {
    local r
    e2e_expect_row 8 "選択（エンターで確定）[$2]"
    for r in 4 5 6; do
        if [ "$r" = "$1" ]; then
            e2e_expect_row "$r" "→"
        elif grep -F -q "→" <<<"$(e2e_row "$r")"; then
            e2e_fail "the arrow is on row $r, expected row $1"
        fi
    done
}

e2e_start
e2e_settle_on_menu
[ -e "$SELCTOUT" ] && e2e_fail "SELCTOUT.DAT exists before any choice"
# Without SELCTOUT.DAT the destination is the list file.
menu_destination "ファイル（OUT.TXT）"

# F2 is no key of the main menu: a beep, nothing else.
e2e_clear_bell
[ "$(e2e_bell_flag)" = 0 ] || e2e_fail "bell flag could not be cleared"
before=$(e2e_screen | sed '2d')
e2e_send F2
e2e_poll "$E2E_TIMEOUT" e2e_bell_rang || e2e_fail "F2 on the main menu did not beep"
sleep 0.3
after=$(e2e_screen | sed '2d')
[ "$before" = "$after" ] || e2e_fail "F2 on the main menu changed the screen"

# Entry 2: the current choice is marked; Up moves to the printer, Enter takes it and
# writes SELCTOUT.DAT at once.
e2e_send 2
e2e_wait_for "選択（エンターで確定）["
e2e_expect_row 4 "[1] プリンタ"
e2e_expect_row 5 "[2] ファイル（OUT.TXT）"
e2e_expect_row 6 "[3] クリップボード"
arrow_on 5 2
e2e_send Up
e2e_wait_for "選択（エンターで確定）[1]"
arrow_on 4 1
e2e_send Enter
e2e_wait_main_menu
menu_destination "プリンタ"
selctout_is 00000000

# F2 in the "other" submenu: the same screen, choice by digit, back to the submenu.
e2e_send 9
e2e_wait_for "* その他 *"
menu_destination "プリンタ"
e2e_send F2
e2e_wait_for "選択（エンターで確定）["
arrow_on 4 1
e2e_send 3
e2e_wait_for "選択（エンターで確定）[3]"
arrow_on 6 3
e2e_send Enter
e2e_wait_for "* その他 *"
menu_destination "クリップボード"
selctout_is 02000000
e2e_send Escape
e2e_wait_main_menu
menu_destination "クリップボード"

# The exit keeps the choice.
e2e_send Escape
e2e_wait_for "を終了しますか？"
e2e_send y
e2e_expect_exit 0
selctout_is 02000000
e2e_check_terminal_sane

# A restart shows the kept destination.
e2e_run
e2e_wait_main_menu 20
menu_destination "クリップボード"

# Moving the choice and leaving with Esc, or F5, changes nothing, not even the file.
stamp=$(stat -c %y "$SELCTOUT")
e2e_send 2
e2e_wait_for "選択（エンターで確定）["
arrow_on 6 3
e2e_send Down
e2e_wait_for "選択（エンターで確定）[1]"
arrow_on 4 1
e2e_send Up
e2e_wait_for "選択（エンターで確定）[3]"
e2e_send Up
e2e_wait_for "選択（エンターで確定）[2]"
arrow_on 5 2
e2e_send Escape
e2e_wait_main_menu
menu_destination "クリップボード"
e2e_send 9
e2e_wait_for "* その他 *"
e2e_send F2
e2e_wait_for "選択（エンターで確定）["
e2e_send Right
e2e_wait_for "選択（エンターで確定）[1]"
e2e_send Escape
e2e_wait_for "* その他 *"
menu_destination "クリップボード"
e2e_send F2
e2e_wait_for "選択（エンターで確定）["
e2e_send 1
e2e_wait_for "選択（エンターで確定）[1]"
e2e_send F5
e2e_wait_main_menu
menu_destination "クリップボード"
selctout_is 02000000
[ "$(stat -c %y "$SELCTOUT")" = "$stamp" ] || e2e_fail "SELCTOUT.DAT was rewritten without a choice"
# Esc and a digit arriving in one burst (a fast typist, ssh) are two keys: Esc leaves
# the selection unchanged and the digit picks the main-menu entry.
e2e_send 2
e2e_wait_for "選択（エンターで確定）["
e2e_tmux send-keys -t "$E2E_SESSION" Escape 6
e2e_wait_for "* 入力データ・チェック *"
selctout_is 02000000
e2e_send Escape
e2e_wait_main_menu
menu_destination "クリップボード"
e2e_send Escape
e2e_wait_for "を終了しますか？"
e2e_send y
e2e_expect_exit 0
selctout_is 02000000

# A value out of range means the list file; the exit then stores 1.
printf '\x07\x00\x00\x00' > "$SELCTOUT"
e2e_run
e2e_wait_main_menu 20
menu_destination "ファイル（OUT.TXT）"
e2e_send 2
e2e_wait_for "選択（エンターで確定）["
arrow_on 5 2
e2e_send Escape
e2e_wait_main_menu
e2e_send Escape
e2e_wait_for "を終了しますか？"
e2e_send y
e2e_expect_exit 0
selctout_is 01000000

# The menu and the selection both show the LISTFILE option as written, mode included.
printf 'LISTFILE=KEKKA.TXT,1\r\n' >> "$E2E_RACE/OPTION.TXT"
e2e_run
e2e_wait_main_menu 20
e2e_send 2
e2e_wait_for "選択（エンターで確定）["
e2e_expect_row 5 "[2] ファイル（KEKKA.TXT,1）"
e2e_send Escape
e2e_wait_main_menu
menu_destination "ファイル（KEKKA.TXT,1）"
e2e_quit_from_menu

e2e_pass
