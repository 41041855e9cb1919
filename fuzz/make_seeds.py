#!/usr/bin/env python3
"""Writes the hand-made seed files of fuzz/corpus/<harness>/ (edge cases of every
reader). Real files of the sample race are copied there as they are. Run from the
top folder; existing seeds of the same name are overwritten."""
import os
import struct

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def put(harness, name, data):
    if isinstance(data, str):
        data = data.replace("\n", "\r\n").encode("cp932")
    os.makedirs(os.path.join(ROOT, harness), exist_ok=True)
    with open(os.path.join(ROOT, harness, name), "wb") as f:
        f.write(data)


EKI = "スタート 0 NICKNAME=市役所 URL=http://example.com/s\n一中 5.5\n二中 10.25 NICKNAME=二中継所\n三中 15\nゴール 21.1\n"
put("eki", "race", EKI)
put("eki", "fs_tab", "FS=Tab\nスタート 地点\t0\n一中\t5.5\tNICKNAME=一\n二中\t10\n三中\t15\nゴール\t21\n")
put("eki", "fs_comma", "FS=,\nスタート 地点,0\n一 中,5.5\n二中,10\n三中,15\nゴール,21,URL=http://x\n")
put("eki", "four_decimals", "スタート 0\n一中 5.1234\n二中 10\n三中 15\nゴール 20\n")
put("eki", "fifty_one", "".join("駅%d %d\n" % (i, i) for i in range(51)))
put("eki", "name_only", "スタート\n")
put("eki", "bad_fs", "FS=ab\nスタート 0\n")
put("eki", "empty", b"")
put("eki", "long_line", ("スタート 0 NICKNAME=" + "長" * 600 + "\n一中 5\n二中 10\n三中 15\nゴール 20\n"))
put("eki", "half_character", b"\x88\r\n\x88 0\r\nA\x81 5\r\n")
put("eki", "nul", b"\x00\x00 0\r\n\x00 5\r\n")

BUMON = "一般の部\nMaxSpeed=26 MinSpeed=9 StartTime=90000\n+++++\n女子の部\nMaxSpeed=22 MinSpeed=7.5 StartTime=93000\n+/+/+\n"
put("bumon", "race", BUMON)
put("bumon", "twenty_one", "".join("部門%d\nMaxSpeed=20 MinSpeed=5\n+++++\n" % i for i in range(21)))
put("bumon", "short_pattern", "一般\nMaxSpeed=20 MinSpeed=5\n+++\n")
put("bumon", "wide_plus", "一般\nMaxSpeed=20 MinSpeed=5\n＋＋＋＋＋\n")
put("bumon", "sixty_minutes", "一般\nMaxSpeed=20 MinSpeed=5 StartTime=96000\n+++++\n")
put("bumon", "no_max_speed", "一般\nMinSpeed=5\n+++++\n")
put("bumon", "two_lines", "一般\nMaxSpeed=20 MinSpeed=5\n")
put("bumon", "one_station", "一般\nMaxSpeed=20 MinSpeed=5\n+////\n")
put("bumon", "blank_name", "　\nMaxSpeed=20 MinSpeed=5\n+++++\n")
put("bumon", "ones_and_zeros", "一般\nMaxSpeed=1e308 MinSpeed=-1 StartTime=999999\n10101\n*\n")

TEAM = "1 Ａ高校 1\n2 Ｂクラブ 1 open\n7 Ｃ走友会 1\n12 Ｄ女子 2\n"
put("team", "race", TEAM)
put("team", "duplicate", "12 Ａ 1\n12 Ｂ 1\n")
put("team", "out_of_range", "1000 Ａ 1\n0 Ｂ 0\n5 Ｃ 3\n")
put("team", "fs_tab", "FS=Tab\n1\tＡ 高校\t1\topen\n2\tＢ\t2\n")
put("team", "fs_length", "FS=Length\n1 Ａ 1\n")
put("team", "many", "".join("%d チーム%d 1\n" % (i, i) for i in range(1, 502)))
put("team", "long_name", "1 " + "長" * 13 + "x 1\n2 " + "a" * 23 + "長 2\n")
put("team", "no_name", "1\n")
put("team", "no_division", "1 Ａ\n2 Ｂ x\n")
put("team", "comments", "# チーム\n\n*\n1 Ａ 1\n")

SENSYU = "1 一郎 二郎 三郎 四郎\n2 甲 乙 丙 丁\n7 Ａ Ｂ Ｃ Ｄ\n12 花子 桜子\n"
put("sensyu", "race", SENSYU)
put("sensyu", "duplicate", "1 一郎\n1 二郎\n")
put("sensyu", "fs_comma", "FS=,\n1,一 郎,二郎,,四郎,五郎,六郎\n")
put("sensyu", "long_names", "1 " + "あ" * 11 + " " + "a" * 19 + "あ\n")
put("sensyu", "unknown_team", "999 某\n0 某\n")

put("option", "race", "EVENTNAME=ファズ駅伝\n")
put("option", "wide_blanks", "　　EVENTNAME = 第１回　大会　# 注\nLISTFILE=結果.txt, 1\nBESTNO=-99999999999\n")
put("option", "end_marker", "*\nEVENTNAME=隠れた名前\n")
put("option", "empty_values", "EVENTNAME=\nEDITOR=\"\"\nLISTFILE=,\n")
put("option", "lower_case", "eventname=小文字\nEVENTMEI=別名\n")
put("option", "long_line", "EVENTNAME=" + "長" * 700 + "\nBESTNO=3\n")
put("option", "hash_only", "#\n#EVENTNAME=x\n")
put("option", "relative_bounds", "RELATIVE_FAST=0,5\nRELATIVE_SLOW= 1e400 \nRELATIVE_FAST=nan\n")
put("option", "kuriage", "KURIAGE1=11:20:00\nKURIAGE5=9:5:00\nKURIAGE13=-1:00:00\nKURIAGE0=123:45:67\n")

put("text_import", "notations", "EkiNo=2\n12 1:23:45\n3. 7 1.23.45 (comment)\n1 12345\n2 1:02:03 (区間(記録)) 1:01:30\n"
    "7 NoData\n1 1:02:03 nodata\n7 1:75:00\n12 abc\n12\n0 1:00:00\n1000 1:00:00\n7 1234567\n過ﾟ 1 10530\n")
put("text_import", "no_station", "1 10530\n2 10600\n")
put("text_import", "far_station", "ekino = 99\n1 10530\n")
put("text_import", "overlong", "7 (" + "x" * 1100 + ") 12 1:00:00\n1 2:00:00\n")
put("text_import", "nul", b"1 1:00:00\x00\r\n\x00\x00\x00")
put("text_import", "empty", b"")
put("text_import", "comments", "# 記録\n(1 1:00:00)\n")
put("text_import", "unbalanced", "1 ) 10000 ((\n2 (((10000\n")

# MASTFILE.DAT of the fuzz race: 4 sections, 4 teams; an old-format copy without the
# header and the input sequence numbers; damaged headers.
MAX_KUKAN = 4


def block(seq, dep, arr, sec=(0, 0, 0), cum=(0, 0, 0), srank=-1, crank=-1):
    return struct.pack("<h3B3B3B3Bhh", seq, *dep, *arr, *sec, *cum, srank, crank)


NONE = (127, 59, 59)


def team(no, div, name, open_flag=b"0", blocks=None):
    rec = struct.pack("<h", no) + open_flag + bytes([div]) + name.encode("cp932").ljust(25, b"\0")
    blocks = blocks or [block(0, (9, 0, 0), (9, 0, 0))] + [block(0, NONE, NONE)] * MAX_KUKAN
    return rec + b"".join(blocks)


teams = [team(1, 0, "Ａ高校", blocks=[block(0, (9, 0, 0), (9, 0, 0)), block(1, (9, 20, 0), (9, 20, 0))]
              + [block(0, NONE, NONE)] * 3),
         team(2, 0, "Ｂクラブ", b"1"), team(7, 0, "Ｃ走友会"), team(12, 1, "Ｄ女子")]
header = b"4.0" + struct.pack("<hh", MAX_KUKAN, 29 + 18 * (MAX_KUKAN + 1))
put("mastfile", "race", header + b"".join(teams))
put("mastfile", "old_format", b"".join(t[:29] + b"".join(t[29 + 18 * k + 2:29 + 18 * (k + 1)] for k in range(MAX_KUKAN + 1))
                                       for t in teams))
put("mastfile", "other_event", struct.pack("<h", 1200) + b"\0" * 150)
put("mastfile", "short_header", b"4.0\x04")
put("mastfile", "wrong_sections", b"4.0" + struct.pack("<hh", 8, 29 + 18 * 9) + b"".join(teams))
put("mastfile", "zero_length", b"4.0" + struct.pack("<hh", MAX_KUKAN, 0) + b"".join(teams))
put("mastfile", "bad_division", header + team(5, 250, "Ｅ") + teams[0][:60])
put("mastfile", "empty", b"")

NAMEREC = 2 + 21 * MAX_KUKAN


def names(no, runners):
    return struct.pack("<h", no) + b"".join(r.encode("cp932").ljust(21, b"\0")[:21] for r in runners).ljust(NAMEREC - 2, b"\0")


recs = [names(1, ["一郎", "二郎", "三郎", "四郎"]), names(2, ["甲", "乙"]), names(7, []), names(12, ["花子", "桜子"])]
put("namefile", "race", struct.pack("<hhh", -1, MAX_KUKAN, 21) + b"".join(recs))
put("namefile", "old_format", b"".join(recs))
put("namefile", "wrong_sections", struct.pack("<hhh", -1, 9, 21) + b"".join(recs))
put("namefile", "unterminated", struct.pack("<hhh", -1, MAX_KUKAN, 21) + struct.pack("<h", 1) + b"\x88" * (NAMEREC - 2))
put("namefile", "short", struct.pack("<hhh", -1, MAX_KUKAN, 21) + recs[0][:30])
put("namefile", "empty", b"")

for v in (0, 1, 2):
    put("selctout", "kind_%d" % v, struct.pack("<i", v))
put("selctout", "minus_one", struct.pack("<i", -1))
put("selctout", "three_bytes", b"\x01\x00\x00")
put("selctout", "long", struct.pack("<ii", 2, 7))
put("selctout", "empty", b"")

# What a terminal sends: keys, mouse reports, answers, control strings, cut short.
put("keys", "home_end", b"\x1b[H\x1b[1~\x1b[7~\x1bOH\x1b[F\x1b[4~\x1b[8~\x1bOF")
put("keys", "mouse", b"\x1b[<0;10;10M\x1b[<0;10;10m\x1b[M !!\x1b[M")
put("keys", "strings", b"\x1b]0;x\x07\x1b]2;title\x1b\\\x1bP1$rx\x1b\\\x1b_apc\x1b\\\x1b]unterminated")
put("keys", "alt_and_esc", b"\x1b1\x1b\x1b\x1b[\x1bO\x1b[1;5A\x1b[1;5\r\x1bO5P\x1b")
put("keys", "long", b"\x1b[" + b"1;" * 400 + b"~" + b"\x1b]" + b"x" * 2000)

# A definition file and the copy its editor gave back (NUL between them).
put("edited_text", "one_line_changed", "1 Ａ 1\r\n2 Ｂ 1\r\n".encode("cp932") + b"\0" + "1 Ａ 1\n2 Ｃ 2\n3 Ｄ 1\n".encode())
put("edited_text", "broken_bytes", b"a\x81\r\nb\xff\r\n\xed\x40\r\nx\n\xfa\x5c\0a\xef\xbf\xbd\nnew \xf0\x9f\x98\x80\n\xe7\xba\x8a\n")
put("edited_text", "carriage_returns", b"a\r\r\nb\rc\r\0a\r\nb\rc\r\n\r\n")
put("edited_text", "unchanged", b"1 x 1\r\n2 y 1\0001 x 1\n2 y 1\n")
