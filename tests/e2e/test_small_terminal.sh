#!/usr/bin/env bash
# An 80x25 terminal: the definition listing of the debug option runs far past the last
# row; the view follows it, Home and End page through it while the program waits for
# a key, and every later screen shows its first row again: the main menu after the
# start, after the D key's listing, and the destination selection.
set -u
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"
E2E_COLS=80
E2E_ROWS=25

# past_listings: answers the listing's wait (any key) and every question until the
# main menu shows.
past_listings() {
    local deadline=$(( $(date +%s) + E2E_TIMEOUT )) screen
    while [ "$(date +%s)" -lt "$deadline" ]; do
        screen=$(e2e_screen)
        if grep -F -q "[Esc] 終了" <<<"$screen" && grep -F -q "選択[ ]" <<<"$screen"; then
            return 0
        elif grep -F -q -e "（Y / N）" -e "（Y）" -e "Y を入力" <<<"$screen"; then
            e2e_send y
        elif grep -F -q "sizeof_namerec=" <<<"$screen"; then
            e2e_send Enter
        fi
        sleep 0.5
    done
    e2e_fail "the main menu did not come"
}

# menu_whole: the main menu from its first row to its prompt.
menu_whole() {
    e2e_expect_row 0 "KORVEL32 version 3.74 (Build "
    e2e_expect_row 2 "作業フォルダ→"
    e2e_expect_row 4 "出力先→"
    e2e_expect_row 6 "* 第３１回　久遠野市民駅伝競走大会 *"
    e2e_expect_row 21 "選択[ ]"
}

e2e_start -d
# The listing ends with its sizes and waits for a key, without a prompt.
e2e_wait_for "sizeof_namerec="
e2e_expect_row 23 "sizeof_namerec="
e2e_send Home
e2e_wait_gone "sizeof_namerec="
e2e_send PageDown
e2e_send End
e2e_expect_row 23 "sizeof_namerec="
past_listings
menu_whole

# The D key: the listing again, then the dump; the menu comes back whole.
e2e_send D
e2e_wait_for "sizeof_namerec="
past_listings
menu_whole
e2e_send 2
e2e_wait_for "選択（エンターで確定）["
e2e_expect_row 2 "出力先の変更"
e2e_expect_row 4 "[1] プリンタ"
e2e_expect_row 6 "[3] クリップボード"
e2e_send Escape
e2e_wait_main_menu
menu_whole
e2e_quit_from_menu

e2e_pass
