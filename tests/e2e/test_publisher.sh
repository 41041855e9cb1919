#!/usr/bin/env bash
# The publisher beside the menus: the sample race built by the program's first start,
# then `korvel32 --publish 1` without a terminal (its plain lines in a file) while the
# data files change, with a PUBLISHCMD hook that takes a second, fails the first time
# and notes every call; then the status screen in the terminal, ended with q.
set -u
source "$(dirname "$0")/lib.sh"

e2e_init "$1" "$2"
e2e_start
e2e_settle_on_menu 60
e2e_quit_from_menu
[ -s "$E2E_RACE/MASTFILE.DAT" ] || e2e_fail "no MASTFILE.DAT after the first start"

HOOK=$E2E_WORK/hook.sh
cat > "$HOOK" <<HOOK
#!/bin/sh
w=$E2E_WORK
[ -e \$w/hook.running ] && echo OVERLAP >> \$w/hook.log
touch \$w/hook.running
n=\$(( \$(cat \$w/hook.count 2>/dev/null || echo 0) + 1 ))
echo \$n > \$w/hook.count
printf '%s\n' "\$@" > \$w/hook.args.\$n
sleep 1
rm -f \$w/hook.running
echo "first line"
echo "upload \$n done"
[ \$n -eq 1 ] && exit 3
exit 0
HOOK
chmod +x "$HOOK"
printf 'PUBLISHCMD=%s {dir}/live/ second\r\n' "$HOOK" >> "$E2E_RACE/OPTION.TXT"

( cd "$E2E_RACE" && exec "$E2E_BIN" --publish 1 < /dev/null > "$E2E_WORK/publish.log" 2>&1 ) &
PUBLISHER=$!
# Changes while the hook runs: the publications go on, the hook waits its turn.
for ((i = 0; i < 40; i++)); do
    sleep 0.25
    touch "$E2E_RACE/MASTFILE.DAT"
    [ "$(cat "$E2E_WORK/hook.count" 2>/dev/null || echo 0)" -ge 3 ] && break
done
for ((i = 0; i < 40; i++)); do
    [ -e "$E2E_WORK/hook.running" ] || break
    sleep 0.25
done
kill -INT "$PUBLISHER"
wait "$PUBLISHER"
status=$?
log=$(cat "$E2E_WORK/publish.log")
echo "$log" | tail -8
[ "$status" = 0 ] || e2e_fail "the publisher ended with $status after SIGINT"
published=$(grep -c "公開しました" <<<"$log")
[ "$published" -ge 4 ] || e2e_fail "only $published publications"
grep -q "PUBLISHCMD 終了コード 3: upload 1 done" <<<"$log" || e2e_fail "the failing hook's status and last line are not shown"
grep -q "PUBLISHCMD 終了コード 0: upload 2 done" <<<"$log" || e2e_fail "the hook did not run again after failing"
grep -q "終了します" <<<"$log" || e2e_fail "no orderly end"
[ ! -e "$E2E_WORK/hook.log" ] || e2e_fail "the hook ran twice at once"
[ "$(cat "$E2E_WORK/hook.args.1")" = "$E2E_RACE/live/
second" ] || e2e_fail "hook arguments: $(cat "$E2E_WORK/hook.args.1")"
for f in html/index.htm html_keitai/index.htm live/index.html live/results.json live/results.js live/results.csv live/iof-results.xml; do
    [ -s "$E2E_RACE/$f" ] || e2e_fail "$f was not written"
done
leftovers=$(find "$E2E_RACE" -maxdepth 1 -name '.*staging*')
[ -z "$leftovers" ] || e2e_fail "staging folders left behind: $leftovers"

# The status screen on a terminal; q ends it.
e2e_run --publish 1
e2e_wait_for "KORVEL32 速報公開"
e2e_wait_for "最終公開"
e2e_wait_for "ゴール 0 /"
e2e_wait_for "PUBLISHCMD 終了コード 0: upload"
e2e_send q
e2e_expect_exit 0
e2e_check_terminal_sane
e2e_pass
