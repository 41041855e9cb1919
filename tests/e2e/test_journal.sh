#!/usr/bin/env bash
# The journal on the real binary: an arrival and its undo with F9 at the team prompt
# (both lines in JOURNAL.TXT, with this pane's terminal), the two new lines of the
# other submenu, the history list of every station in OUT.TXT, and the recovery of
# MASTFILE.DAT from the text files and the journal.
set -u
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"

JOURNAL=$E2E_RACE/JOURNAL.TXT
OUT=$E2E_RACE/OUT.TXT

journal_has() { iconv -f CP932 -t UTF-8 "$JOURNAL" | tr -d '\r' | grep -E -q -- "$1"; }

e2e_open_session
e2e_start_settled

# ---- 1. An arrival, then F9 takes it back ----
e2e_send 4
e2e_wait_for "中継所Ｎｏ＝"
e2e_send 11 Enter
e2e_wait_for "11 : 東公民館　　加算時間＝"
e2e_send Enter
e2e_wait_for "チームＮｏ＝"
e2e_send 401 Enter
e2e_wait_for "のタイム＝"
e2e_send 112000 Enter
e2e_wait_gone "のタイム＝"
journal_has "^[0-9/]{10} [0-9:]{8}	[^	]+@[^	]+ pts/[0-9]+	到着	11	401	NoData	11:20:00	1	112000$" ||
    e2e_fail "no arrival line in JOURNAL.TXT"
e2e_send F9
e2e_wait_for "取消: チームＮｏ=401"
e2e_wait_for "到着 11:20:00 →  NoData"  # the arrow is padded to two cells
e2e_wait_for "取り消しますか？（Y / N）"
e2e_send y
e2e_wait_for "チームＮｏ＝"
journal_has "	取消	11	401	11:20:00	NoData	0	F9$" || e2e_fail "no undo line in JOURNAL.TXT"
# Nothing further back: said on the message line.
e2e_send F9
e2e_wait_for "取り消せる入力はありません"
e2e_send 402 Enter
e2e_wait_for "のタイム＝"
e2e_send 112130 Enter
e2e_wait_gone "のタイム＝"
e2e_leave_time_entry

# ---- 2. The other submenu: the history list ----
e2e_send 9
e2e_wait_for "* その他 *"
e2e_expect_row 19 "[C] コマンドプロンプトを起動"
e2e_expect_row 20 "          [J] 入力履歴一覧（JOURNAL.TXT）   [R] 入力履歴からタイムデータを復元"
e2e_send j
e2e_wait_for "中継所Ｎｏ＝"
e2e_send 99 Enter
e2e_wait_for "区切文字(なし→"
e2e_send 0
e2e_wait_for "* その他 *"
iconv -f CP932 -t UTF-8 "$OUT" | tr -d '\r' | grep -E -q "^\* +[0-9/]{10} [0-9:]{8} +401 久遠野第一中 +到着" ||
    e2e_fail "the history list has no marked row for 401"
iconv -f CP932 -t UTF-8 "$OUT" | tr -d '\r' | grep -E -q "^  [0-9/]{10} [0-9:]{8} +402 久遠野第二中 +到着" ||
    e2e_fail "the history list has no plain row for 402"

# ---- 3. Recovery: the arrival of 402 comes back into a damaged master file ----
before=$(md5sum < "$E2E_RACE/MASTFILE.DAT")
e2e_send r
e2e_wait_for "から、"
e2e_wait_for "実行しますか？（Y / N）"
e2e_send y
e2e_wait_for "MASTFILE.DAT を復元しました"
e2e_send y
e2e_wait_for "* その他 *"
[ "$before" = "$(md5sum < "$E2E_RACE/MASTFILE.DAT")" ] || e2e_fail "the recovered MASTFILE.DAT differs from the one entered"
journal_has "	作成					" || e2e_fail "the recovery left no line"
ls "$E2E_RACE"/backup/JOURNAL_*.TXT >/dev/null 2>&1 || e2e_fail "no copy of the journal in backup/"
e2e_send Escape
e2e_wait_main_menu
e2e_quit
e2e_pass
