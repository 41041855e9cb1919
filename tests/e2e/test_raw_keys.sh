#!/usr/bin/env bash
# What a hostile keyboard sends into the team field of the time entry: Ctrl-C,
# Ctrl-\ and Ctrl-Z are keys that beep (the half-typed number stays, the program
# runs on), and whole escape sequences no screen takes (a mouse report, an OSC
# string, a DCS string, unknown CSI and SS3 sequences) beep once each and leave
# nothing in the field. A shell started from the program still gets Ctrl-C itself.
set -u
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"

# expect_beep_bytes HEX...: the bytes as one burst ring the bell and leave the
# screen as it was.
expect_beep_bytes() {
    local before
    before=$(e2e_screen)
    e2e_clear_bell
    e2e_key_turn
    e2e_tmux send-keys -t "$E2E_SESSION" -H "$@" || e2e_fail "cannot send $*"
    e2e_poll "$E2E_TIMEOUT" e2e_bell_rang || e2e_fail "bytes $* did not beep"
    sleep 0.3
    e2e_poll "$E2E_TIMEOUT" e2e_screen_is "$before" || e2e_fail "bytes $* changed the screen"
}

e2e_start
e2e_settle_on_menu 60
e2e_send 4
e2e_wait_for "中継所Ｎｏ＝"
e2e_send 10 Enter
e2e_wait_for "加算時間＝"
e2e_send Enter
e2e_wait_for "チームＮｏ＝"

# ---- Ctrl keys ----
e2e_type 40
e2e_wait_for "チームＮｏ＝.40 "
e2e_expect_beep C-c 'C-\' C-z
[ -n "$(e2e_program_pid)" ] || e2e_fail "the program ended on a Ctrl key"
e2e_type 8
e2e_send Enter
e2e_wait_for "408 "
e2e_wait_for "のタイム＝"
e2e_send Escape
e2e_wait_gone "のタイム＝"
e2e_wait_for "チームＮｏ＝"

# ---- Escape sequences ----
# SGR mouse report ESC [ < 0 ; 10 ; 10 M
expect_beep_bytes 1b 5b 3c 30 3b 31 30 3b 31 30 4d
# X10 mouse report ESC [ M and three raw bytes
expect_beep_bytes 1b 5b 4d 20 31 31
# OSC ESC ] 0 ; x BEL, and one ended by ESC \
expect_beep_bytes 1b 5d 30 3b 78 07
expect_beep_bytes 1b 5d 32 3b 31 32 1b 5c
# DCS ESC P 1 $ r x ESC \
expect_beep_bytes 1b 50 31 24 72 78 1b 5c
# CSI with parameters and intermediates no screen takes, and an SS3 one
expect_beep_bytes 1b 5b 31 3b 35 20 71
expect_beep_bytes 1b 4f 35 50
e2e_expect_screen "チームＮｏ＝... " "the team field is not empty"
# The field still takes a number after them.
e2e_type 408
e2e_send Enter
e2e_wait_for "のタイム＝"

# ---- A started shell: Ctrl-C interrupts its command, not the program ----
e2e_send F5
e2e_wait_main_menu
e2e_send 9
e2e_wait_for "[C] コマンドプロンプトを起動"
e2e_send C
e2e_type 'echo "ready:$$"'
e2e_send Enter
e2e_wait_for "ready:"
e2e_type 'sleep 30; echo slept'
e2e_send Enter
sleep 0.5
e2e_send C-c
e2e_type 'echo "interrupted:$?"'
e2e_send Enter
e2e_wait_for "interrupted:130"
e2e_type exit
e2e_send Enter
e2e_wait_for "[C] コマンドプロンプトを起動"
[ -n "$(e2e_program_pid)" ] || e2e_fail "Ctrl-C in the shell ended the program"
e2e_pass
