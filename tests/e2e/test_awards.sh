#!/usr/bin/env bash
# Awards and result tables on the real binary after a race day: arrivals of four
# junior-high teams typed at the division's three relay stations and the goal, then
# every report of this part of the results submenu written to the list file, one sent
# to the printer through lpx and a fake spooler, and both merge files and both PDF
# certificates written from the certificate submenu and a template opened (a fake
# xdg-open records what is opened).
#
# Junior-high division (4 sections, start 10:30:00): stations 10 中央図書館,
# 11 東公民館, 12 久遠野大橋, 13 市民競技場 (goal). Totals: 402 1:08'00,
# 404 1:08'30, 401 1:09'00, 403 1:11'00.
set -u
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"

OUT=$E2E_RACE/OUT.TXT
OPENED=$E2E_WORK/opened.log
SPOOLED=$E2E_WORK/lp.stdin

# text FILE: the CP932 file as UTF-8 with LF line ends.
text() { iconv -f CP932 -t UTF-8 "$1" | tr -d '\r'; }

# expect_in FILE TEXT...: every TEXT (a fixed string) stands in the converted file,
# waiting up to 5 s for a file still being written.
expect_in() {
    local file=$1 t i
    shift
    for t in "$@"; do
        for ((i = 0; i <= 50; i++)); do
            [ -s "$file" ] && grep -F -q -- "$t" <<<"$(text "$file")" && break
            sleep 0.1
        done
        [ -s "$file" ] || e2e_fail "$(basename "$file") was not written"
        grep -F -q -- "$t" <<<"$(text "$file")" || { text "$file" >&2; e2e_fail "$(basename "$file") lacks \"$t\""; }
    done
}

# wait_new FILE STAMP_FILE: waits until FILE is newer than STAMP_FILE.
wait_new() {
    local i
    for ((i = 0; i <= 100; i++)); do
        [ "$1" -nt "$2" ] && return 0
        sleep 0.1
    done
    e2e_fail "$(basename "$1") was not written again"
}

# at_station N HEADER TEAM TIME...: one visit of the entry screen at station N.
at_station() {
    local station=$1 header=$2
    shift 2
    e2e_wait_for "中継所Ｎｏ＝"
    e2e_send "$station" Enter
    e2e_wait_for "$station : $header"
    e2e_send Enter
    while [ $# -ge 2 ]; do
        e2e_wait_for "チームＮｏ＝"
        e2e_type "$1"
        e2e_send Enter
        e2e_wait_for "のタイム＝"
        e2e_type "$2"
        e2e_send Enter
        e2e_wait_gone "のタイム＝"
        shift 2
    done
    e2e_send Escape
    # The added-time field is open once its dots follow the header.
    for ((i = 0; i <= 100; i++)); do
        grep -E -q "加算時間＝ *[0-9:']+\.{6}" <<<"$(e2e_screen)" && break
        sleep 0.1
    done
    e2e_send Escape
    e2e_wait_for "[1] チェックリスト出力"
    e2e_send Escape
}

# report KEY TITLE [PROMPT KEYS]...: a results-submenu entry into the existing list file,
# overwritten; PROMPT KEYS pairs answer the entry's own prompts before the overwrite
# question (KEYS split at blanks: "4 Enter").
report() {
    local key=$1 title=$2
    shift 2
    touch -d '-2 seconds' "$E2E_WORK/before"
    e2e_send "$key"
    while [ $# -ge 2 ]; do
        e2e_wait_for "$1"
        e2e_send $2
        shift 2
    done
    e2e_wait_for "\"OUT.TXT\"は既存です(上書き→"
    e2e_send 0
    e2e_wait_for "[9] 全明細データファイル出力" 20
    wait_new "$OUT" "$E2E_WORK/before"
    expect_in "$OUT" "$title"
}

# ---- 1. Fresh race; a fake spooler and a fake xdg-open on the PATH ----
mkdir -p "$E2E_WORK/bin"
cat > "$E2E_WORK/bin/lp" <<EOF
#!/bin/sh
exec /bin/cat > "$SPOOLED"
EOF
cat > "$E2E_WORK/bin/xdg-open" <<EOF
#!/bin/sh
echo "\$1" >> "$OPENED"
EOF
chmod +x "$E2E_WORK/bin/lp" "$E2E_WORK/bin/xdg-open"
e2e_open_session
e2e_type "export EDITOR=true VISUAL=true DISPLAY=:99 PATH=$(printf '%q' "$E2E_WORK/bin"):\$PATH"
e2e_send Enter
e2e_run
e2e_settle_on_menu 60
[ -s "$E2E_RACE/区間賞賞状.docm" ] || e2e_fail "the section-award template is not in the race folder"

# ---- 2. Race day ----
e2e_send 4
at_station 10 "図書館前" 402 104630 404 104630 401 104700 403 104810
at_station 11 "東公民館" 402 110300 401 110400 404 110500 403 110510
at_station 12 "大橋" 402 112000 404 112200 401 112130 403 112300
at_station 13 "フィニッシュ" 402 113800 404 113830 401 113900 403 114100
e2e_wait_for "中継所Ｎｏ＝"
e2e_send Escape
e2e_wait_main_menu

# ---- 3. Each report of the results submenu to the list file ----
e2e_send 7
e2e_wait_for "[0] ゴール速報"
# The goal bulletin: no computation; the first report writes OUT.TXT afresh.
e2e_send 0
expect_in "$OUT" "ゴール速報" "注意！この資料は正式なチーム順位表ではありません" \
    "  1: 402 久遠野第二中" "  2: 404 碧水中" " 11:38'00 －  10:30'00 ＝   1:08'00" "  5: 405 湖陽中"
report 1 "区間賞受賞者一覧表"
expect_in "$OUT" "中学男子の部" "    第  4 区" "(402 久遠野第二中"
report 2 "団体賞（10位まで）一覧表"
expect_in "$OUT" "    1 位 (402) 久遠野第二中" "    2 位 (404) 碧水中" "    4 位 (403) 久遠野南中"
report 4 "順位変遷表"
expect_in "$OUT" "中学男子の部" "市民競技場"
report 5 "区間順位表" "区間＝" "4 Enter" "区切文字(なし→" 0
expect_in "$OUT" " 4 区  中学男子の部    久遠野大橋 → 市民競技場" "  1 位    16'30  西村　海斗"

# ---- 4. One report through the printer: the team award list ----
e2e_send F2
e2e_wait_for "選択（エンターで確定）["
e2e_send 1
e2e_wait_for "選択（エンターで確定）[1]"
e2e_send Enter
e2e_wait_for "[9] 全明細データファイル出力"
e2e_send 2
for ((i = 0; i < 100; i++)); do [ -s "$SPOOLED" ] && break; sleep 0.1; done
[ -s "$SPOOLED" ] || e2e_fail "nothing reached the spooler"
grep -F -q "団体賞（10位まで）一覧表" "$SPOOLED" || { cat "$SPOOLED" >&2; e2e_fail "the spooler got no team award list"; }
grep -F -q "    1 位 (402) 久遠野第二中" "$SPOOLED" || e2e_fail "the spooled list lacks the winner"
e2e_wait_for "[9] 全明細データファイル出力" 20
e2e_send Escape
e2e_wait_main_menu

# ---- 5. Certificates: both merge files, a template, both PDFs ----
e2e_send 8
e2e_wait_for "* 賞状作成 *"
e2e_send 1
e2e_wait_for "[8] [6]と[7]を続けて実行"
SECTION_TAB=$E2E_RACE/区間賞TAB.txt
TEAM_TAB=$E2E_RACE/団体賞TAB.txt
expect_in "$SECTION_TAB" "データ作成日時	部門No	部門名	区間	タイム	タイム時間	タイム分	タイム秒	選手名" \
    "	中学男子の部	4	16分30秒	0	16	30	西村　海斗	404	碧水中	"
grep -q $'\r$' "$SECTION_TAB" || e2e_fail "区間賞TAB.txt has no CR LF line ends"
# Entry 8: the team merge file, the question, N: no template.
e2e_send 8
e2e_wait_for "この差し込みファイルでよろしいですか？（Y / N）"
e2e_send n
e2e_wait_gone "この差し込みファイルでよろしいですか？"
e2e_wait_for "[8] [6]と[7]を続けて実行"
expect_in "$TEAM_TAB" "	1	優　勝	優　勝	第 1 位	402	久遠野第二中	1時間08分00秒	1	08	00	" \
    "	2	第 2 位	準優勝	第 2 位	404	碧水中	"
for ((i = 0; i < 30; i++)); do grep -q '団体賞TAB.txt$' "$OPENED" 2>/dev/null && break; sleep 0.1; done
grep -q '区間賞TAB.txt$' "$OPENED" || e2e_fail "区間賞TAB.txt was not opened"
grep -q '団体賞TAB.txt$' "$OPENED" || e2e_fail "団体賞TAB.txt was not opened"
grep -q 'docm$' "$OPENED" && e2e_fail "a template was opened after N"
# Entry 7: the team template, opened under its name on disk.
e2e_send 7
for ((i = 0; i < 50; i++)); do grep -q '団体賞賞状.docm$' "$OPENED" 2>/dev/null && break; sleep 0.1; done
grep -q '団体賞賞状.docm$' "$OPENED" || { cat "$OPENED" >&2; e2e_fail "the team template was not opened"; }
# Entries 4 and 9: the PDF certificates, one page per line of the merge file, opened.
pdf_pages() { pdfinfo "$1" | sed -n 's/^Pages: *//p'; }
e2e_send 4
for ((i = 0; i < 100; i++)); do grep -q '区間賞賞状.pdf$' "$OPENED" 2>/dev/null && break; sleep 0.1; done
grep -q '区間賞賞状.pdf$' "$OPENED" || { cat "$OPENED" >&2; e2e_fail "区間賞賞状.pdf was not opened"; }
[ "$(pdf_pages "$E2E_RACE/区間賞賞状.pdf")" = "$(($(wc -l < "$SECTION_TAB") - 1))" ] ||
    e2e_fail "区間賞賞状.pdf has $(pdf_pages "$E2E_RACE/区間賞賞状.pdf") pages for $(wc -l < "$SECTION_TAB") merge lines"
# The page of a winner is the line of the merge file.
page=$(($(text "$SECTION_TAB" | grep -n '西村　海斗' | cut -d: -f1) - 1))
pdftotext -raw -f "$page" -l "$page" "$E2E_RACE/区間賞賞状.pdf" - | tr -d ' \n' | sed 's/　//g' | grep -q '西村海斗' ||
    e2e_fail "page $page of 区間賞賞状.pdf is not 西村　海斗's certificate"
e2e_send 9
for ((i = 0; i < 100; i++)); do grep -q '団体賞賞状.pdf$' "$OPENED" 2>/dev/null && break; sleep 0.1; done
grep -q '団体賞賞状.pdf$' "$OPENED" || e2e_fail "団体賞賞状.pdf was not opened"
[ "$(pdf_pages "$E2E_RACE/団体賞賞状.pdf")" = "$(($(wc -l < "$TEAM_TAB") - 1))" ] || e2e_fail "団体賞賞状.pdf: wrong page count"
e2e_wait_for "[9] 団体賞賞状を PDF で作る"
# Entry 2 without the templates: both access messages and the confirmation.
rm "$E2E_RACE/区間賞賞状.docm"
e2e_send 2
e2e_wait_for "\"区間賞賞状.docm\" パスまたはファイルが見つかりません"
e2e_wait_for "\"区間賞賞状.doc\" パスまたはファイルが見つかりません"
e2e_wait_for "上のメッセージを確認したら Y を入力"
e2e_send y
e2e_wait_for "[8] [6]と[7]を続けて実行"
e2e_send Escape
e2e_wait_main_menu
e2e_quit
e2e_pass
