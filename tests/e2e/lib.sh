# Helpers for end-to-end tests: the real binary in a detached tmux session.
#
#   source "$(dirname "$0")/lib.sh"
#   e2e_init "$1" "$2"            # path to korvel32, sample folder (the ctest arguments)
#   e2e_start                     # program running in a fresh copy of the sample race
#   e2e_wait_for "選択["
#   e2e_send 1 Escape
#   e2e_send Escape y
#   e2e_expect_exit 0             # or e2e_wait_exit, then look at $E2E_EXIT
#   e2e_check_terminal_sane
#   e2e_pass
#
# Also: e2e_open_session and e2e_run to start the program again in the same folder,
# e2e_settle_on_menu to get past the first start's data build, e2e_screen, e2e_row,
# e2e_expect_screen, e2e_expect_row, e2e_expect_count, e2e_wait_gone,
# e2e_program_pid, e2e_quit_from_menu, e2e_need_browser.
#
# The machine may be busy (CI, a build running beside the tests): every screen
# assertion waits for what it expects, polling until $E2E_TIMEOUT seconds have passed
# (30 unless set), and keys are sent as a person types them: each key only once the
# program has read the ones before, and at least $E2E_KEY_GAP seconds (0.15) after
# the previous one, so that a screen which throws away typed-ahead keys never loses
# one. A deliberate burst goes through e2e_tmux send-keys.
#
# The pane runs an interactive `bash --norc` in a terminal of 100x40 with LANG=C.UTF-8,
# TZ=Asia/Tokyo and TERM=xterm-256color; the program is typed into it as a command
# line, so the shell is still there after the program ends and can report the state
# the program left the terminal in. Each test has its own tmux server (socket) and
# its own temporary folder; both are removed on exit, whatever the outcome
# (E2E_KEEP=1 keeps the folder for a look afterwards).
#
# Screen texts are compared as UTF-8: tmux shows the program's CP932 output
# converted, so write expected texts in this file's encoding. Every failing helper
# prints the screen and ends the test with status 1.

E2E_COLS=${E2E_COLS:-100}
E2E_ROWS=${E2E_ROWS:-40}
E2E_TIMEOUT=${E2E_TIMEOUT:-30}
E2E_KEY_GAP=${E2E_KEY_GAP:-0.15}
E2E_LAST_KEY=0
E2E_PROMPT='e2e$ '
# The prompt as captured: tmux drops trailing blanks.
E2E_PROMPT_SHOWN='e2e$'

# e2e_init KORVEL32 SAMPLE_DIR
#   Checks the binary, the sample folder and tmux, makes the temporary folder
#   ($E2E_WORK, with the race copy in $E2E_RACE) and installs the clean-up trap.
e2e_init() {
    E2E_BIN=$(cd "$(dirname "$1")" 2>/dev/null && pwd)/$(basename "$1")
    E2E_SAMPLE=$(cd "$2" 2>/dev/null && pwd)
    E2E_TEST=$(basename "$0" .sh)
    [ -x "$E2E_BIN" ] || { echo "FAIL: $E2E_TEST: program not found: $1"; exit 1; }
    [ -d "$E2E_SAMPLE" ] || { echo "FAIL: $E2E_TEST: sample folder not found: $2"; exit 1; }
    command -v tmux >/dev/null || { echo "FAIL: $E2E_TEST: tmux is not installed"; exit 1; }
    E2E_WORK=$(mktemp -d "${TMPDIR:-/tmp}/korvel_e2e.XXXXXX") || exit 1
    E2E_RACE=$E2E_WORK/race
    # The server's socket lives in the test's folder and goes with it.
    E2E_SOCKET=$E2E_WORK/tmux.sock
    E2E_SESSION=e2e
    E2E_EXIT_FILE=$E2E_WORK/exit_status
    mkdir -p "$E2E_WORK/home"
    trap e2e_cleanup EXIT
    trap 'exit 1' INT TERM HUP
}

# e2e_cleanup
#   Ends the tmux server (and with it the program) and removes the temporary folder.
#   Installed as the EXIT trap by e2e_init; safe to call twice.
e2e_cleanup() {
    if [ -n "${E2E_SOCKET:-}" ]; then
        tmux -S "$E2E_SOCKET" kill-server 2>/dev/null
    fi
    if [ -n "${E2E_WORK:-}" ] && [ -d "$E2E_WORK" ]; then
        if [ "${E2E_KEEP:-0}" = 1 ]; then
            echo "kept $E2E_WORK"
        else
            rm -rf "$E2E_WORK"
        fi
    fi
}

# e2e_tmux ARGS...
#   tmux on this test's own server.
e2e_tmux() {
    tmux -S "$E2E_SOCKET" "$@"
}

# e2e_start [PROGRAM ARGUMENTS...]
#   e2e_open_session, then the program started in it (e2e_run). Returns once the
#   command line is entered; wait for the program's first screen with e2e_wait_for.
e2e_start() {
    e2e_open_session
    e2e_run "$@"
}

# e2e_open_session
#   Copies the sample race into a fresh $E2E_RACE (dropping any data files built
#   there earlier) and opens the session with the shell waiting in that folder.
e2e_open_session() {
    e2e_tmux kill-server 2>/dev/null || true
    rm -rf "$E2E_RACE"
    mkdir -p "$E2E_RACE"
    cp -R "$E2E_SAMPLE/." "$E2E_RACE/" || e2e_fail "cannot copy $E2E_SAMPLE"
    # No graphical session: help and readme open in the pager, never in a window.
    LANG=C.UTF-8 e2e_tmux -f /dev/null new-session -d -s "$E2E_SESSION" \
        -x "$E2E_COLS" -y "$E2E_ROWS" -c "$E2E_RACE" \
        env -u DISPLAY -u WAYLAND_DISPLAY -u LC_ALL -u LANGUAGE \
        LANG=C.UTF-8 TZ=Asia/Tokyo TERM=xterm-256color HOME="$E2E_WORK/home" \
        PS1="$E2E_PROMPT" bash --norc --noprofile -i \
        || e2e_fail "cannot start tmux"
    e2e_tmux set-option -t "$E2E_SESSION" status off >/dev/null
    e2e_wait_for "$E2E_PROMPT_SHOWN" 10
}

# e2e_run [PROGRAM ARGUMENTS...]
#   Types `korvel32 ARGS; echo "EXIT:$?" > $E2E_EXIT_FILE` into the pane's shell:
#   starts the program again in the same race folder after it has ended, keeping
#   the files of the earlier run.
e2e_run() {
    local args="" a
    for a in "$@"; do args+=" $(printf '%q' "$a")"; done
    rm -f "$E2E_EXIT_FILE"
    e2e_tmux send-keys -t "$E2E_SESSION" -l \
        "$(printf '%q' "$E2E_BIN")$args; echo \"EXIT:\$?\" > $(printf '%q' "$E2E_EXIT_FILE")"
    e2e_tmux send-keys -t "$E2E_SESSION" Enter
}

# e2e_send KEY...
#   Sends each argument in turn. Key names: Escape (Esc), Enter, Tab, Space,
#   BSpace (Backspace), Delete, Up, Down, Left, Right, Home, End, PageUp, PageDown,
#   F1..F12, C-x style control keys. Anything else is typed literally, so
#   `e2e_send 27 Enter 103105 Enter` types 27, Enter, 103105, Enter.
e2e_send() {
    local key name
    for key in "$@"; do
        case "$key" in
            Esc|Escape) name=Escape ;;
            Backspace|BSpace) name=BSpace ;;
            Delete|DC) name=DC ;;
            PageUp|PPage) name=PPage ;;
            PageDown|NPage) name=NPage ;;
            Enter|Tab|Space|Up|Down|Left|Right|Home|End) name=$key ;;
            F[1-9]|F1[0-2]) name=$key ;;
            C-?) name=$key ;;
            *) name="" ;;
        esac
        e2e_key_turn
        if [ -n "$name" ]; then
            e2e_tmux send-keys -t "$E2E_SESSION" "$name" || e2e_fail "cannot send $key"
        else
            e2e_tmux send-keys -t "$E2E_SESSION" -l -- "$key" || e2e_fail "cannot type $key"
        fi
    done
}

# e2e_type TEXT
#   Types TEXT literally, even when it looks like a key name.
e2e_type() {
    e2e_key_turn
    e2e_tmux send-keys -t "$E2E_SESSION" -l -- "$1" || e2e_fail "cannot type $1"
}

# e2e_key_turn
#   Waits as a person would before the next key: until the program has read every
#   key sent so far (nothing left unread on the pane's terminal; a program that reads
#   nothing for $E2E_TIMEOUT seconds is left to the next assertion), then until
#   $E2E_KEY_GAP seconds have passed since the last key.
e2e_key_turn() {
    local deadline=$(( $(e2e_now) + E2E_TIMEOUT * 1000 ))
    while [ "$(e2e_unread)" != 0 ] && [ "$(e2e_now)" -lt "$deadline" ]; do
        sleep 0.05
    done
    local wait_ms=$(( E2E_LAST_KEY + $(e2e_ms "$E2E_KEY_GAP") - $(e2e_now) ))
    [ "$wait_ms" -gt 0 ] && sleep "$(printf '%d.%03d' $((wait_ms / 1000)) $((wait_ms % 1000)))"
    E2E_LAST_KEY=$(e2e_now)
}

# e2e_unread
#   Prints how many bytes sent to the pane its program has not read yet.
e2e_unread() {
    local tty
    tty=$(e2e_tmux display-message -p -t "$E2E_SESSION" '#{pane_tty}' 2>/dev/null)
    [ -n "$tty" ] || { echo 0; return; }
    # FIONREAD (0x541B) on the pane's terminal: the bytes waiting in its input queue.
    perl -MFcntl -e 'sysopen(my $t, $ARGV[0], O_RDONLY | O_NOCTTY | O_NONBLOCK) or do { print 0; exit };
        my $n = pack("L", 0); ioctl($t, 0x541B, $n) or do { print 0; exit }; print unpack("L", $n)' "$tty"
}

# e2e_now: milliseconds since the epoch. e2e_ms SECONDS: seconds (0.15) as milliseconds.
e2e_now() { local t=${EPOCHREALTIME/[.,]/}; echo $(( t / 1000 )); }
e2e_ms() { awk -v s="$1" 'BEGIN { printf "%d", s * 1000 }'; }

# e2e_poll SECONDS COMMAND...
#   Runs COMMAND every 0.1 s until it succeeds (status 0) or SECONDS have passed
#   (status 1). Timeouts below $E2E_TIMEOUT are raised to it: a busy machine is slow.
e2e_poll() {
    local limit=$1
    shift
    [ "$limit" -lt "$E2E_TIMEOUT" ] && limit=$E2E_TIMEOUT
    local deadline=$(( $(e2e_now) + limit * 1000 ))
    while :; do
        "$@" && return 0
        [ "$(e2e_now)" -ge "$deadline" ] && return 1
        sleep 0.1
    done
}

# Conditions for e2e_poll.
e2e_screen_has() { grep -F -q -- "$1" <<<"$(e2e_screen)"; }
e2e_screen_lacks() { ! e2e_screen_has "$1"; }
e2e_row_has() {
    local row text
    row=$(e2e_row "$1")
    shift
    for text in "$@"; do
        grep -F -q -- "$text" <<<"$row" || return 1
    done
}
e2e_count_is() { [ "$(e2e_screen | grep -F -c -- "$1")" = "$2" ]; }
# Menus list their entries as "[1]" to "[9]" from column 10.
e2e_nine_entries() { [ "$(e2e_screen | grep -c '^          \[[1-9]\] ')" = 9 ]; }

# e2e_screen
#   Prints the visible screen, one line per row, as UTF-8.
e2e_screen() {
    e2e_tmux capture-pane -p -t "$E2E_SESSION"
}

# e2e_row N
#   Prints row N of the screen (from 0), trailing blanks removed.
e2e_row() {
    e2e_screen | sed -n "$(($1 + 1))p" | sed 's/ *$//'
}

# e2e_dump [TITLE]
#   Prints the screen with row numbers, for failure reports.
e2e_dump() {
    echo "---- screen${1:+: $1} ----"
    e2e_screen | awk '{ printf "%2d|%s\n", NR - 1, $0 }'
    echo "----"
}

# e2e_fail MESSAGE
#   Reports the failure with the screen and ends the test (status 1).
e2e_fail() {
    {
        echo "FAIL: ${E2E_TEST:-e2e}: $*"
        e2e_tmux has-session -t "$E2E_SESSION" 2>/dev/null && e2e_dump
    } >&2
    exit 1
}

# e2e_pass
#   Reports success and ends the test (status 0).
e2e_pass() {
    echo "PASS: $E2E_TEST"
    exit 0
}

# e2e_wait_for TEXT [TIMEOUT_SECONDS]
#   Polls the screen every 0.1 s until it contains TEXT (a fixed string);
#   fails with the screen after the timeout.
e2e_wait_for() {
    e2e_poll "${2:-$E2E_TIMEOUT}" e2e_screen_has "$1" \
        || e2e_fail "timed out after ${2:-$E2E_TIMEOUT} s waiting for \"$1\""
}

# e2e_wait_gone TEXT [TIMEOUT_SECONDS]
#   Polls until TEXT is no longer on the screen.
e2e_wait_gone() {
    e2e_poll "${2:-$E2E_TIMEOUT}" e2e_screen_lacks "$1" \
        || e2e_fail "timed out after ${2:-$E2E_TIMEOUT} s waiting for \"$1\" to go"
}

# e2e_expect_screen TEXT [MESSAGE]
#   Waits until the screen contains TEXT; fails with MESSAGE after the timeout.
e2e_expect_screen() {
    e2e_poll "$E2E_TIMEOUT" e2e_screen_has "$1" || e2e_fail "${2:-screen lacks \"$1\"}"
}

# e2e_expect_row N TEXT...
#   Waits until row N contains every TEXT.
e2e_expect_row() {
    local n=$1
    e2e_poll "$E2E_TIMEOUT" e2e_row_has "$@" || { shift; e2e_fail "row $n lacks \"$*\""; }
}

# e2e_expect_count TEXT N [MESSAGE]
#   Waits until exactly N rows of the screen contain TEXT.
e2e_expect_count() {
    e2e_poll "$E2E_TIMEOUT" e2e_count_is "$1" "$2" \
        || e2e_fail "${3:-expected \"$1\" on $2 rows, saw $(e2e_screen | grep -F -c -- "$1")}"
}

# e2e_wait_exit [TIMEOUT_SECONDS]
#   Waits for the program to end and sets E2E_EXIT to its exit status.
e2e_wait_exit() {
    local line
    e2e_poll "${1:-$E2E_TIMEOUT}" test -s "$E2E_EXIT_FILE" \
        || e2e_fail "the program did not end within ${1:-$E2E_TIMEOUT} s"
    line=$(cat "$E2E_EXIT_FILE")
    E2E_EXIT=${line#EXIT:}
}

# e2e_expect_exit STATUS [TIMEOUT_SECONDS]
#   Waits for the program to end and fails unless it ended with STATUS.
e2e_expect_exit() {
    e2e_wait_exit "${2:-$E2E_TIMEOUT}"
    [ "$E2E_EXIT" = "$1" ] || e2e_fail "exit status $E2E_EXIT, expected $1"
}

# e2e_quit_from_menu
#   From the main menu: Esc, Y to the question, status 0 and a sane terminal.
e2e_quit_from_menu() {
    e2e_send Escape
    e2e_wait_for "を終了しますか？"
    e2e_send y
    e2e_expect_exit 0
    e2e_check_terminal_sane
}

# e2e_check_terminal_sane
#   After the program has ended: runs `stty -a` in the pane and fails unless the
#   terminal is back in line mode with echo (icanon, echo). The output goes to a
#   file, so this works even when the program left echo off.
e2e_check_terminal_sane() {
    local out=$E2E_WORK/stty.txt
    rm -f "$out"
    e2e_key_turn
    e2e_tmux send-keys -t "$E2E_SESSION" -l "stty -a > $(printf '%q' "$out.tmp"); mv $(printf '%q' "$out.tmp") $(printf '%q' "$out")"
    e2e_tmux send-keys -t "$E2E_SESSION" Enter
    e2e_poll "$E2E_TIMEOUT" test -s "$out" || e2e_fail "stty -a gave nothing: the shell did not get the command"
    local words
    words=$(tr -s ' ;\n' '\n\n\n' < "$out")
    grep -x -q icanon <<<"$words" || e2e_fail "terminal left without icanon: $(cat "$out")"
    grep -x -q echo <<<"$words" || e2e_fail "terminal left without echo: $(cat "$out")"
}

# e2e_start_settled
#   The usual start of a race-day test: the program in the race folder, started from
#   the shell with an editor that returns at once (the list file opens in the editor
#   after each report), then settled on its main menu.
e2e_start_settled() {
    e2e_type "export EDITOR=true VISUAL=true"
    e2e_send Enter
    e2e_run
    e2e_settle_on_menu 60
}

# e2e_leave_time_entry
#   From the team prompt of time entry back to the main menu: Esc through the added
#   time, the station submenu and the station prompt.
e2e_leave_time_entry() {
    e2e_send Escape
    e2e_wait_for "加算時間＝"
    e2e_send Escape
    e2e_wait_for "[1] チェックリスト出力"
    e2e_send Escape
    e2e_wait_for "中継所Ｎｏ＝"
    e2e_send Escape
    e2e_wait_main_menu
}

# e2e_settle_on_menu [TIMEOUT_SECONDS=60]
#   For setting up: answers Y to every question on the screen (the first start on
#   the sample race builds MASTFILE.DAT and NAMEFILE.DAT and asks about the start
#   times) until the main menu has stayed up for 2 seconds.
e2e_settle_on_menu() {
    local deadline=$(( $(date +%s) + ${1:-60} )) steady_since="" screen
    while [ "$(date +%s)" -lt "$deadline" ]; do
        screen=$(e2e_screen)
        if grep -F -q -e "（Y / N）" -e "（Y）" -e "Y を入力" <<<"$screen"; then
            e2e_send y
            steady_since=""
            sleep 0.5
        elif grep -F -q "選択[" <<<"$screen" && grep -F -q "[Esc] 終了" <<<"$screen"; then
            [ -n "$steady_since" ] || steady_since=$(date +%s)
            [ $(( $(date +%s) - steady_since )) -ge 2 ] && return 0
            sleep 0.2
        else
            steady_since=""
            sleep 0.2
        fi
    done
    e2e_fail "the main menu did not settle within ${1:-60} s"
}

# e2e_program_pid
#   Prints the process id of the running program (a child of the pane's shell),
#   or nothing when it is not running.
e2e_program_pid() {
    local shell_pid stat rest pid
    shell_pid=$(e2e_tmux display-message -p -t "$E2E_SESSION" '#{pane_pid}') || return 0
    for stat in /proc/[0-9]*/stat; do
        { read -r rest < "$stat"; } 2>/dev/null || continue
        pid=${rest%% *}
        # Fields after the command name (which may hold blanks): state ppid ...
        rest=${rest##*) }
        set -- $rest
        if [ "$2" = "$shell_pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "$(basename "$E2E_BIN" | cut -c1-15)" ]; then
            echo "$pid"
            return 0
        fi
    done
}

# e2e_wait_main_menu [TIMEOUT]
#   Waits until the main menu is drawn whole, its prompt included.
e2e_wait_main_menu() {
    e2e_wait_for "[Esc] 終了" "${1:-$E2E_TIMEOUT}"
    e2e_wait_for "選択[ ]"
    e2e_expect_row 9 "[1] テキストファイルの作成・変更・閲覧"
    e2e_expect_row 21 "選択[ ]"
}

# e2e_clear_bell
#   Clears the pane's bell flag: tmux resets it when the window is selected anew.
e2e_clear_bell() {
    e2e_tmux new-window -d -t "$E2E_SESSION:9" 'sleep 30'
    e2e_tmux select-window -t "$E2E_SESSION:9"
    e2e_tmux select-window -t "$E2E_SESSION:0"
    e2e_tmux kill-window -t "$E2E_SESSION:9"
}

# e2e_bell_flag
#   Prints 1 when the program rang the bell since the last e2e_clear_bell, else 0.
e2e_bell_flag() { e2e_tmux display-message -p -t "$E2E_SESSION:0" '#{window_bell_flag}'; }

# e2e_expect_beep KEY...
#   Each key rings the bell and leaves the screen as it was.
e2e_expect_beep() {
    local key before
    for key in "$@"; do
        before=$(e2e_screen)
        e2e_clear_bell
        [ "$(e2e_bell_flag)" = 0 ] || e2e_fail "bell flag could not be cleared"
        e2e_send "$key"
        e2e_poll "$E2E_TIMEOUT" e2e_bell_rang || e2e_fail "key $key did not beep"
        e2e_poll "$E2E_TIMEOUT" e2e_screen_is "$before" || e2e_fail "key $key changed the screen"
    done
}
e2e_bell_rang() { [ "$(e2e_bell_flag)" = 1 ]; }
e2e_screen_is() { [ "$(e2e_screen)" = "$1" ]; }

# e2e_quit
#   From the main menu: Esc, confirmed with Y; the program must end with status 0 and
#   leave the terminal sane.
e2e_quit() {
    e2e_send Escape
    e2e_wait_for "を終了しますか？"
    e2e_send y
    e2e_expect_exit 0
    e2e_check_terminal_sane
}

# e2e_need_browser
#   Sets $BROWSER to a headless Chromium, or ends the test with a SKIP line (status 0)
#   when none is installed.
e2e_need_browser() {
    BROWSER=""
    local b
    for b in chromium-headless-shell chromium chromium-browser; do
        if command -v "$b" >/dev/null; then BROWSER=$(command -v "$b"); return 0; fi
    done
    local name=${0##*/}
    echo "SKIP: ${name%.sh}: no headless Chromium (chromium-headless-shell or chromium)"
    exit 0
}
