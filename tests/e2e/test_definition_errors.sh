#!/usr/bin/env bash
# The hidden D key's master-file dump, and a broken BUMON.TXT met by the entries that
# load the event definition: the message, the file opened in the editor (the EDITOR
# option before the environment's), "0" back to a working main menu, "1" an orderly
# stop with status 1 and a sane terminal. Entries 1 and 2 work without the definition.
set -u
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"

# Stand-in editors: they only note which file they were given.
EDITOR_LOG=$E2E_WORK/editor.log
for who in env option; do
    printf '#!/bin/sh\necho "%s $1" >> "%s"\n' "$who" "$EDITOR_LOG" > "$E2E_WORK/${who}_editor.sh"
    chmod +x "$E2E_WORK/${who}_editor.sh"
done
# The pane's shell inherits this environment through the tmux server.
unset VISUAL
export EDITOR=$E2E_WORK/env_editor.sh

# utf8 FILE: the CP932 file as UTF-8.
utf8() { iconv -f CP932 -t UTF-8 "$1" || e2e_fail "$1 is not CP932 text"; }

e2e_start
e2e_settle_on_menu

# ---- The dump ----
DUMP=$E2E_RACE/debugdmp.tmp
# Keys are taken one after the other: once entry 2 shows, the dump is complete.
e2e_send D
sleep 0.3
e2e_send 2
e2e_wait_for "選択（エンターで確定）["
e2e_send Escape
e2e_wait_main_menu
[ -s "$DUMP" ] || e2e_fail "D wrote no debugdmp.tmp"
utf8 "$DUMP" > "$E2E_WORK/dump.txt"
mapfile -t dump < "$E2E_WORK/dump.txt"
[ "${dump[0]}" = "version=4.0" ] || e2e_fail "dump line 1: ${dump[0]}"
[ "${dump[1]}" = "max_kukan=10" ] || e2e_fail "dump line 2: ${dump[1]}"
[ "${dump[2]}" = "rec_len=227" ] || e2e_fail "dump line 3: ${dump[2]}"
grep -q $'\r' "$DUMP" && e2e_fail "the dump is written with CR LF"

# One team line per TEAM.TXT entry, in division then team-number order.
utf8 "$E2E_RACE/TEAM.TXT" | tr -d '\r' | awk '
    /^[ \t]*[0-9]/ {
        open_flag = 0
        for (i = 4; i <= NF; i++) if (index($i, "open")) open_flag = 1
        printf "%d %d %s %d\n", $3, $1, $2, open_flag
    }' | sort -k1,1n -k2,2n | while read -r division team name open_flag; do
        printf 'チームNo=%02X %02X,オープン参加=%02X,部門No=%02X,チーム名=%s\n' \
            $((team % 256)) $((team / 256)) $((open_flag ? 0x31 : 0x30)) $((division - 1)) "$name"
    done > "$E2E_WORK/teams_expected.txt"
[ "$(wc -l < "$E2E_WORK/teams_expected.txt")" = 60 ] || e2e_fail "the sample should hold 60 teams"
grep '^チームNo=' "$E2E_WORK/dump.txt" > "$E2E_WORK/teams_dumped.txt"
diff "$E2E_WORK/teams_expected.txt" "$E2E_WORK/teams_dumped.txt" >&2 \
    || e2e_fail "the dump's team lines differ from TEAM.TXT"

# First record (101, 10 sections): start block with 9:00:00 registered, then unset
# blocks, then an empty line before the next team.
[ "${dump[4]}" = "入力連番=00 00,出発時刻=09 00 00,到着時刻=09 00 00,区間時間=00 00 00,通算時間=00 00 00,区間順位=FF FF,通算順位=FF FF" ] \
    || e2e_fail "dump block 0 of team 101: ${dump[4]}"
for ((n = 5; n <= 14; n++)); do
    [ "${dump[n]}" = "入力連番=00 00,出発時刻=7F 3B 3B,到着時刻=7F 3B 3B,区間時間=00 00 00,通算時間=00 00 00,区間順位=FF FF,通算順位=FF FF" ] \
        || e2e_fail "dump line $((n + 1)): ${dump[n]}"
done
[ -z "${dump[15]}" ] || e2e_fail "no empty line after team 101's blocks: ${dump[15]}"
# Sections per division 10, 6, 5, 4 with 24, 16, 12, 8 teams: a team line, its
# blocks and an empty line each.
expected_lines=$((3 + 24 * 13 + 16 * 9 + 12 * 8 + 8 * 7))
[ "${#dump[@]}" = "$expected_lines" ] || e2e_fail "the dump has ${#dump[@]} lines, expected $expected_lines"

e2e_send Escape
e2e_wait_for "を終了しますか？"
e2e_send y
e2e_expect_exit 0

# ---- A bad character in a station pattern ----
# Older than MASTFILE.DAT, so that the waiting menu does not rebuild: the error must
# come from the entries.
python3 - "$E2E_RACE/BUMON.TXT" <<'EOF' || e2e_fail "cannot edit BUMON.TXT"
import sys
path = sys.argv[1]
data = open(path, 'rb').read()
assert data.count(b'\r\n+//+//+//+/+++\r\n') == 1
open(path, 'wb').write(data.replace(b'\r\n+//+//+//+/+++\r\n', b'\r\n+//+//+//+/+x+\r\n'))
EOF
touch -r "$E2E_RACE/MASTFILE.DAT" -d '-10 seconds' "$E2E_RACE/BUMON.TXT"
mast_sum=$(md5sum < "$E2E_RACE/MASTFILE.DAT")
# The stop below must write the destination itself.
rm -f "$E2E_RACE/SELCTOUT.DAT"

e2e_run
e2e_wait_main_menu 20
# Entries 1 and 2 do not read the definition.
e2e_send 1
e2e_wait_for "* テキストファイルの作成・変更・閲覧 *"
e2e_send Escape
e2e_wait_main_menu
e2e_send 2
e2e_wait_for "選択（エンターで確定）["
e2e_send Escape
e2e_wait_main_menu

# expect_pattern_error: the report of the bad character in line 6.
expect_pattern_error() {
    e2e_wait_for "BUMON.TXT 6 行目。フォーマット・エラー"
    e2e_expect_screen "+//+//+//+/+x+"
    e2e_expect_screen "13文字目に不正な文字 'x' がある"
    e2e_expect_screen "３行目で使える文字は +, /, 1, 0 の４つだけ"
    e2e_expect_screen "意味は下の通り"
    e2e_expect_screen "中継所に使う=+ または 1"
    e2e_expect_screen "中継所に使わない=/ または 0"
    e2e_wait_for "BUMON.TXT を修正してください"
    e2e_expect_screen "修正後続行→"
    e2e_expect_screen "中止→"
}

rm -f "$EDITOR_LOG"
e2e_send 7
expect_pattern_error
# Without an EDITOR option the environment's editor gets BUMON.TXT.
[ "$(wc -l < "$EDITOR_LOG" 2>/dev/null)" = 1 ] || e2e_fail "the editor ran $(cat "$EDITOR_LOG" 2>/dev/null) times, expected once"
grep -q '^env .*/BUMON\.TXT$' "$EDITOR_LOG" || e2e_fail "editor log: $(cat "$EDITOR_LOG")"
# Keys other than 0 and 1 are refused.
e2e_send 2 y Enter
sleep 0.3
e2e_expect_screen "BUMON.TXT を修正してください"
e2e_send 0
e2e_wait_main_menu
e2e_expect_row 6 "* 第３１回　久遠野市民駅伝競走大会 *"
e2e_expect_row 4 "出力先→"
grep -F -q "を修正してください" <<<"$(e2e_screen)" && e2e_fail "the error is still on the screen"
# The terminal is still in key-by-key mode after the editor: one key opens entry 2.
e2e_send 2
e2e_wait_for "選択（エンターで確定）["
e2e_send Escape
e2e_wait_main_menu
[ "$(md5sum < "$E2E_RACE/MASTFILE.DAT")" = "$mast_sum" ] || e2e_fail "MASTFILE.DAT changed"

# The EDITOR option comes before the environment; 1 stops the program.
printf 'EDITOR=%s\r\n' "$E2E_WORK/option_editor.sh" >> "$E2E_RACE/OPTION.TXT"
rm -f "$EDITOR_LOG"
e2e_send 9
expect_pattern_error
grep -q '^option .*/BUMON\.TXT$' "$EDITOR_LOG" || e2e_fail "editor log: $(cat "$EDITOR_LOG" 2>/dev/null)"
e2e_send 1
e2e_wait_for "KORVEL32 を終了します。"
e2e_wait_for "上のメッセージを確認した後 Y を入力"
e2e_send y
e2e_expect_exit 1
e2e_check_terminal_sane
[ -e "$E2E_RACE/MASTFILE.TMP" ] && e2e_fail "MASTFILE.TMP left behind"
[ "$(md5sum < "$E2E_RACE/MASTFILE.DAT")" = "$mast_sum" ] || e2e_fail "MASTFILE.DAT changed"
[ "$(od -An -tx1 "$E2E_RACE/SELCTOUT.DAT" 2>/dev/null | tr -d ' \n')" = 01000000 ] \
    || e2e_fail "the stop did not save the destination"

# ---- A pattern line shorter than the station list, met by the D key ----
python3 - "$E2E_RACE/BUMON.TXT" <<'EOF' || e2e_fail "cannot edit BUMON.TXT"
import sys
path = sys.argv[1]
data = open(path, 'rb').read()
data = data.replace(b'\r\n+//+//+//+/+x+\r\n', b'\r\n+//+//+//+/+++\r\n')
assert data.count(b'\r\n+++/+++/+++/++\r\n') == 1
open(path, 'wb').write(data.replace(b'\r\n+++/+++/+++/++\r\n', b'\r\n+++/+++\r\n'))
EOF
touch -r "$E2E_RACE/MASTFILE.DAT" -d '-10 seconds' "$E2E_RACE/BUMON.TXT"
rm -f "$DUMP"
e2e_run
e2e_wait_main_menu 20
e2e_send d
e2e_wait_for "BUMON.TXT 3 行目。フォーマット・エラー"
e2e_expect_screen "+++/+++"
e2e_expect_screen "中継所指定行の文字数が駅数（14）に満たない"
e2e_wait_for "BUMON.TXT を修正してください"
e2e_send 0
e2e_wait_main_menu
[ -e "$DUMP" ] && e2e_fail "debugdmp.tmp written although the definition is broken"
e2e_quit_from_menu

e2e_pass
