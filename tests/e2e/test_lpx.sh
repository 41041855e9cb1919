#!/usr/bin/env bash
# The print program: conversion of a CP932 report, and what it does with and
# without a print spooler. Spoolers are fake scripts that record what they got.
#   bash test_lpx.sh <path-to-korvel32> <sample-dir>
set -u

lpx="$(cd "$(dirname "$1")" && pwd)/lpx/lpx"
[ -x "$lpx" ] || { echo "FAIL: no print program at $lpx"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# expect_same NAME EXPECTED_FILE ACTUAL_FILE
expect_same() {
    if ! cmp -s "$2" "$3"; then
        fail "$1"
        echo "  expected:"; od -c "$2" | sed 's/^/    /'
        echo "  got:"; od -c "$3" | sed 's/^/    /'
    fi
}

# A report as the results program writes it: CP932, CR LF, a form feed between
# pages. "表" (95 5C) has a backslash as trail byte; FF is no CP932 byte at all.
#   第１区 CR LF / 表示 CR LF / FF 2ページ CR LF / FF
printf '\x91\xe6\x82\x50\x8b\xe6\r\n\x95\x5c\x8e\xa6\r\n\x0c2\x83\x79\x81\x5b\x83\x57\r\n\xff' > report.txt
# The same text in UTF-8 with LF; the stray byte becomes U+FFFD.
printf '\xe7\xac\xac\xef\xbc\x91\xe5\x8c\xba\n\xe8\xa1\xa8\xe7\xa4\xba\n\x0c2\xe3\x83\x9a\xe3\x83\xbc\xe3\x82\xb8\n\xef\xbf\xbd' > expected.txt

mkdir empty fakelp fakelpr failing
cat > fakelp/lp <<EOF
#!/bin/sh
echo "\$@" > "$work/lp.args"
exec /bin/cat > "$work/lp.stdin"
EOF
cat > fakelp/lpstat <<'EOF'
#!/bin/sh
echo "office accepting requests since Sat 01 Mar 2025 08:00:00 JST"
echo "goal_line accepting requests since Sat 01 Mar 2025 08:00:00 JST"
EOF
cat > fakelpr/lpr <<EOF
#!/bin/sh
echo "\$@" > "$work/lpr.args"
exec /bin/cat > "$work/lpr.stdin"
EOF
cat > failing/lp <<'EOF'
#!/bin/sh
/bin/cat > /dev/null
echo "lp: The printer or class does not exist." >&2
exit 3
EOF
chmod +x fakelp/* fakelpr/* failing/*

# --- conversion ---------------------------------------------------------------
"$lpx" --to-stdout report.txt > converted.txt 2> err.txt
[ $? -eq 0 ] || fail "--to-stdout exit status"
expect_same "--to-stdout conversion" expected.txt converted.txt

# --- no spooler: a clear reason and a failure status ---------------------------
PATH="$work/empty" "$lpx" -p -q report.txt > out.txt 2> err.txt
status=$?
[ $status -ne 0 ] || fail "no spooler: exit status 0"
grep -q "no print spooler" err.txt || fail "no spooler: message missing: $(cat err.txt)"
[ -s out.txt ] && fail "no spooler: unexpected standard output: $(cat out.txt)"

# --- lp: the text on its stdin, printer and copies passed, unknown option warned
PATH="$work/fakelp" "$lpx" -p -q -z -P office -n 2 report.txt > out.txt 2> err.txt
[ $? -eq 0 ] || fail "lp: exit status $(cat err.txt)"
expect_same "lp: text on standard input" expected.txt lp.stdin
grep -q -- "-d office -n 2 -t report.txt" lp.args || fail "lp: arguments were: $(cat lp.args)"
grep -q "unknown option -z" err.txt || fail "lp: no warning for -z: $(cat err.txt)"
[ -s out.txt ] && fail "lp: -q still wrote: $(cat out.txt)"

# Without -q the official is told where it went; without -P nothing chooses a printer.
PATH="$work/fakelp" "$lpx" -p report.txt > out.txt 2> err.txt < /dev/null
[ $? -eq 0 ] || fail "lp without -q: exit status"
grep -q "sent to the default printer" out.txt || fail "lp without -q: message was: $(cat out.txt)"
grep -q -- "-d" lp.args && fail "lp without -P: arguments were: $(cat lp.args)"

# The file is the last word; earlier stray words from a print command are ignored.
PATH="$work/fakelp" "$lpx" office -p -q report.txt > out.txt 2> err.txt
[ $? -eq 0 ] || fail "stray word: exit status"
expect_same "stray word: printed file" expected.txt lp.stdin

# --- lpr when there is no lp ---------------------------------------------------
PATH="$work/fakelpr" "$lpx" -pq -Pgoal_line -n3 report.txt > out.txt 2> err.txt
[ $? -eq 0 ] || fail "lpr: exit status $(cat err.txt)"
expect_same "lpr: text on standard input" expected.txt lpr.stdin
grep -q -- "-P goal_line -# 3 -T report.txt" lpr.args || fail "lpr: arguments were: $(cat lpr.args)"

# --- a spooler that refuses the job --------------------------------------------
PATH="$work/failing" "$lpx" -p -q report.txt > out.txt 2> err.txt
[ $? -ne 0 ] || fail "failing lp: exit status 0"
grep -q "exit status 3" err.txt || fail "failing lp: message was: $(cat err.txt)"

# --- files that cannot be printed ----------------------------------------------
PATH="$work/fakelp" "$lpx" -p -q missing.txt > out.txt 2> err.txt
[ $? -ne 0 ] || fail "missing file: exit status 0"
grep -q "cannot read missing.txt" err.txt || fail "missing file: message was: $(cat err.txt)"

PATH="$work/fakelp" "$lpx" -p -q > out.txt 2> err.txt
[ $? -ne 0 ] || fail "options without a file: exit status 0"

# --- settings mode: usage and the known printers ---------------------------------
PATH="$work/fakelp" "$lpx" > out.txt 2> err.txt < /dev/null
[ $? -eq 0 ] || fail "settings: exit status"
grep -q "^使い方: lpx" out.txt || fail "settings: no usage"
grep -q "^  office$" out.txt && grep -q "^  goal_line$" out.txt || fail "settings: printers missing: $(cat out.txt)"
PATH="$work/empty" "$lpx" > out.txt 2> err.txt < /dev/null
[ $? -eq 0 ] || fail "settings without spooler: exit status"
grep -q "見つかりません" out.txt || fail "settings without spooler: $(cat out.txt)"

if [ $failures -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "lpx: all checks passed"
