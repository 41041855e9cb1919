#!/usr/bin/env python3
"""Writes the sample race in sample/: EKI.TXT, BUMON.TXT, TEAM.TXT, SENSYU.TXT and
OPTION.TXT, as CP932 text with CR LF line ends.

Every place, team and runner is invented. The output depends on nothing but this
file, so running it again gives the same bytes: change the tables here, never the
files by hand, and every team keeps exactly one runner per section of its division.

    python3 tools/make_sample.py [output folder]     (default: sample/ of the repo)
"""

import os
import sys

EVENT_NAME = "第３１回　久遠野市民駅伝競走大会"

# Stations in course order: name (at most 12 bytes), cumulative distance as written
# (whole km or up to 3 decimals), working name, course-map page.
STATIONS = [
    ("市役所前", "0", "スタート（市役所）", "start"),
    ("駅前通り", "4.2", None, None),
    ("桜並木橋", "9.875", None, None),
    ("北小学校前", "13.4", "北小前", None),
    ("峠入口", "18.25", None, None),
    ("霧見峠", "22.9", "霧見峠（最高点）", "kirimi"),
    ("湖畔公園", "27.35", None, "kohan"),
    ("白樺荘前", "31.125", None, None),
    ("川原町", "35", None, None),
    ("運動公園", "39.6", "運動公園（中学）", None),
    ("中央図書館", "44.05", "図書館前", None),
    ("東公民館", "48.4", None, None),
    ("久遠野大橋", "52.775", "大橋", None),
    ("市民競技場", "57.3", "フィニッシュ", "goal"),
]
COURSE_URL = "https://www.example.com/kuonno-ekiden/course/%s.html"

# Divisions: name, MaxSpeed, MinSpeed, StartTime (HHMMSS digits), stations used
# (physical numbers), team numbers start at, team names with their open flags.
DIVISIONS = [
    ("一般の部", "26.0", "9.0", "90000",
     [0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13], 101, "male", [
         "久遠野市役所Ａ", "久遠野市役所Ｂ", "碧水ＡＣ", "湖陽製紙陸上部",
         "久遠野消防署", "鈴音町走友会", "朝凪クラブ", "久遠野学院大学",
         "星ヶ浦ランナーズ", "久遠野警察署", "白樺台ＲＣ", "湖陽電工",
         "久遠野郵便局", "月見台陸友会", "久遠野ソフト工房", "碧水中央病院",
         "朝凪信用金庫", "霧見山岳会", "久遠野農友会", "鈴音建設",
         "星ヶ浦漁協", "碧水ジョギング部", "久遠野教職員ＯＢ open",
         "湖陽大学（招待） open",
     ]),
    ("高校男子の部", "25.0", "9.0", "91000",
     [0, 3, 6, 9, 11, 12, 13], 201, "male", [
         "久遠野高校", "久遠野北高校", "久遠野工業高校", "碧水高校",
         "湖陽高校", "湖陽第二高校", "鈴音学園高校", "朝凪高校",
         "星ヶ浦高校", "白樺台高校", "月見台高校", "霧見高校",
         "久遠野商業高校", "碧水東高校", "久遠野高校Ｂ open", "湖陽高校Ｂ open",
     ]),
    ("女子の部", "22.0", "7.5", "100000",
     [6, 7, 9, 11, 12, 13], 301, "female", [
         "久遠野高校", "碧水高校", "鈴音学園高校", "湖陽製紙",
         "朝凪クラブ", "星ヶ浦高校", "久遠野学院大学", "月見台ＡＣ",
         "白樺台高校", "霧見高校", "久遠野市役所", "鈴音町走友会 open",
     ]),
    ("中学男子の部", "22.0", "7.5", "103000",
     [9, 10, 11, 12, 13], 401, "male", [
         "久遠野第一中", "久遠野第二中", "久遠野南中", "碧水中",
         "湖陽中", "鈴音中", "朝凪中", "星ヶ浦中",
     ]),
]

SURNAMES = [
    "佐々木", "髙橋", "山﨑", "小野寺", "藤原", "石川", "村上", "森田", "遠藤",
    "青木", "坂本", "斉藤", "福田", "太田", "西村", "藤井", "岡田", "後藤",
    "長谷川", "近藤", "石井", "前田", "小川", "岩崎", "中島", "原田", "松尾",
    "竹内", "野村", "菅原", "千葉", "久保", "杉山", "大野", "今井", "増田",
    "平野", "桑原", "十河", "宮本", "丸山", "安藤", "北村", "堀", "関",
    "谷口", "秋山", "荒木", "内田", "高野", "横山", "奥村", "表", "能登谷",
]
MALE_NAMES = [
    "翔太", "大輝", "拓海", "颯", "蓮", "陽斗", "悠真", "湊", "健太郎", "直樹",
    "誠", "智之", "浩二", "雅人", "亮介", "慎也", "航平", "陸", "蒼", "海斗",
    "駿", "大和", "勇気", "晴人", "樹", "優斗", "康平", "聡", "純一", "修",
    "光太郎", "貴之", "孝", "宗一郎", "竜馬", "隼人", "一輝", "圭吾", "達也",
    "俊介", "宏明", "昌平", "敬太", "悠斗", "颯太", "瑞希", "克也", "信吾",
]
FEMALE_NAMES = [
    "美咲", "葵", "結衣", "彩花", "陽菜", "七海", "美穂", "千尋", "由佳", "麻衣",
    "沙織", "明日香", "花音", "莉子", "遥", "楓", "菜々子", "舞", "詩織", "恵",
    "綾乃", "智美", "里奈", "芽衣", "杏", "凛", "早紀", "若菜", "日和", "真由",
    "奈央", "梨花", "夏希", "未来", "紗希", "咲良",
]

TEAM_NAME_BYTES = 24
RUNNER_NAME_BYTES = 20
STATION_NAME_BYTES = 12
WORK_NAME_BYTES = 20
DIVISION_NAME_BYTES = 26


class Lcg:
    """A fixed pseudo-random sequence, independent of the Python version."""

    def __init__(self, seed):
        self.state = seed

    def below(self, n):
        self.state = (self.state * 1103515245 + 12345) % 2147483648
        return (self.state >> 8) % n


def width(text):
    return len(text.encode("cp932"))


def pad(text, columns):
    return text + " " * max(0, columns - width(text))


def check(condition, message):
    if not condition:
        sys.exit("make_sample: " + message)


def eki_lines():
    lines = []
    for name, distance, nickname, page in STATIONS:
        check(width(name) <= STATION_NAME_BYTES, "station name too long: " + name)
        check(len(distance.partition(".")[2]) <= 3, "more than 3 decimals: " + distance)
        line = pad(name, 12) + " " + distance.rjust(7)
        if nickname:
            check(width(nickname) <= WORK_NAME_BYTES, "nickname too long: " + nickname)
            line += "  NICKNAME=" + nickname
        if page:
            line += "  URL=" + COURSE_URL % page
        lines.append(line)
    lines += [
        "*",
        "ここから下は読まれません（上の「*」の行で終わり）。",
        "",
        "１行に１中継所。コースの順に、スタートからフィニッシュまで書きます。",
        "  中継所名（全角６文字まで）  スタートからの通算距離(km)",
        "通算距離の小数は３桁まで。NICKNAME= は一覧表などで使う通称（全角10文字まで）、",
        "URL= は HTML の成績表から開くコース紹介ページです。どちらも省略できます。",
        "区切りは空白（またはタブ）です。中継所名に空白は使えません。",
        "途中に空行を入れると、そこで終わりになるので注意してください。",
    ]
    return lines


def bumon_lines():
    lines = []
    count = len(STATIONS)
    for name, max_speed, min_speed, start, used, _, _, _ in DIVISIONS:
        check(width(name) <= DIVISION_NAME_BYTES, "division name too long: " + name)
        check(all(0 <= i < count for i in used), "unknown station in " + name)
        pattern = "".join("+" if i in used else "/" for i in range(count))
        lines += [name, "MaxSpeed=%s MinSpeed=%s StartTime=%s" % (max_speed, min_speed, start),
                  pattern]
    lines += [
        "*",
        "ここから下は読まれません。",
        "",
        "１部門は３行です。",
        "  １行目  部門名（全角13文字まで）",
        "  ２行目  MaxSpeed=上限速度 MinSpeed=下限速度（km/h、疑問スピードの判定に使用）",
        "          StartTime=スタート時刻（時分秒を続けた数字。9時10分00秒なら 91000）",
        "  ３行目  EKI.TXT の中継所の順に１文字ずつ。使う中継所は + 、使わない中継所は /",
        "          （1 と 0 でも可）。最初の + がその部門のスタート、最後の + がゴールです。",
        "部門の番号は、このファイルに書いた順に 1, 2, 3 … です（TEAM.TXT で使います）。",
    ]
    return lines


def teams():
    """(division number, team number, name, open) for every team, in file order."""
    result = []
    for d, (_, _, _, _, _, first, _, names) in enumerate(DIVISIONS, start=1):
        for i, entry in enumerate(names):
            name, _, flag = entry.partition(" ")
            check(width(name) <= TEAM_NAME_BYTES, "team name too long: " + name)
            result.append((d, first + i, name, flag == "open"))
    numbers = [t[1] for t in result]
    check(len(numbers) == len(set(numbers)), "team number used twice")
    check(all(1 <= n <= 999 for n in numbers), "team number outside 1-999")
    return result


def team_lines():
    lines = [
        "# チーム一覧",
        "# チームNo（1～999）  チーム名（全角12文字まで、空白なし）  部門No  [open]",
        "# 部門No は BUMON.TXT に書いた部門の順番です。",
        "# open と書いたチームはオープン参加（記録は取るが順位は付けない）です。",
        "# 数字で始まらない行は読み飛ばされます。",
    ]
    previous = 0
    for d, number, name, is_open in teams():
        if d != previous:
            division = DIVISIONS[d - 1]
            lines += ["", "# %d %s（%d区間）" % (d, division[0], len(division[4]) - 1)]
            previous = d
        line = "%-5d%s%d" % (number, pad(name, 26), d)
        if is_open:
            line += "  open"
        lines.append(line)
    return lines


def runner_names():
    """Section runners of every team; no full name appears twice in the race."""
    rng = Lcg(31)
    taken = set()
    result = {}
    for d, number, _, _ in teams():
        division = DIVISIONS[d - 1]
        given = FEMALE_NAMES if division[6] == "female" else MALE_NAMES
        runners = []
        while len(runners) < len(division[4]) - 1:
            name = SURNAMES[rng.below(len(SURNAMES))] + "　" + given[rng.below(len(given))]
            if name in taken:
                continue
            check(width(name) <= RUNNER_NAME_BYTES, "runner name too long: " + name)
            taken.add(name)
            runners.append(name)
        result[number] = runners
    return result


def sensyu_lines():
    lines = [
        "# 選手一覧",
        "# チームNo,１区の選手,２区の選手,… の順に、区間の数だけ書きます。",
        "# 次の行で区切り文字をカンマにしているので、姓と名の間の空白はそのまま残ります。",
        "FS=,",
    ]
    names = runner_names()
    previous = 0
    for d, number, _, _ in teams():
        if d != previous:
            division = DIVISIONS[d - 1]
            lines += ["", "# %d %s（%d区間）" % (d, division[0], len(division[4]) - 1)]
            previous = d
        lines.append(",".join([str(number)] + names[number]))
    return lines


OPTIONS = [
    ("大会名の別の書き方（EVENTNAME が無いときに使われます）", "EVENTMEI=第３１回　久遠野市民駅伝競走大会"),
    ("出力先「ファイル」のファイル名。,0 は上書き、,1 は追加（省くとファイルがあるときにたずねます）", "LISTFILE=OUT.TXT,0"),
    ("テキストファイルを開くエディタ（省略すると nano などの標準のエディタ）", "EDITOR=nano"),
    ("数字の入力方法。2 で左から右へ入力（省略すると 1 で電卓のように右詰め）", "NUM_INPUTTYPE=2"),
    ("書いておくと、タイム入力とチェックリストに入力順番号を表示します", "INPUTSEQ=1"),
    ("中継所チェックリストをプリンタで２段組にするときの１段の行数", "PRINT62_DANGUMI_GYOU_SUU=40"),
    ("疑問スピード一覧表の並べ方。2 で中継所順（省略すると 1 で種類順）", "GIMON_SPEED_SORTTYPE=2"),
    ("区間賞一覧表の並べ方。1 は部門ごと、2 は区間ごと", "KUKANSYOU_PRINTTYPE=2"),
    ("2 で区間賞一覧表から中継所・距離・スピードを省きます", "KUKANSYOU_OUTPUT_MODE=2"),
    ("団体賞を与える総合順位の最下位（省略すると 10 位まで）", "BESTNO=8"),
    ("部門別成績一覧表でチームの間に入れる空行の数", "LF=1"),
    ("部門別成績一覧表の各部門の先頭に入れる一行", "SENDEN=主催　久遠野市陸上競技協会"),
    ("順位を付けるチーム。1 記録のある区間すべて、2 記録が途切れた後は付けない、3 完走チームだけ", "RULE_KUKAN_KIKEN=2"),
    ("オープン参加チームを並べる位置。1 タイム順の位置、2 順位の付いたチームの後、3 部門の最後", "OPEN_TEAM_OUTPUT_POSITION=3"),
    ("タイム入力時にこれより速い区間を警告します（km/h）", "FAST_SPEED_LIMIT=28.0"),
    ("タイム入力時にこれより遅い区間を警告します（km/h）", "SLOW_SPEED_LIMIT=5.0"),
    ("HTML の成績表で１位の欄の背景色（先頭の # は付けません）", "HTMLCOLOR1=FFD700"),
    ("２位の欄の背景色", "HTMLCOLOR2=C0C0C0"),
    ("３位の欄の背景色", "HTMLCOLOR3=CD853F"),
    ("HTML の各ページの <head> に加える文", 'HTML_HEAD=<meta name="robots" content="noindex">'),
    ("成績表の <table> タグ", "HTML_TABLE=<table border=1 cellpadding=2>"),
    ("目次ページの戻り先リンク１のアドレス", "HOMEADDRESS1=https://www.example.com/kuonno-ekiden/"),
    ("戻り先リンク１の文字", "HOMENAME1=大会ホームページ"),
    ("目次ページの戻り先リンク２のアドレス", "HOMEADDRESS2=https://www.example.com/"),
    ("戻り先リンク２の文字", "HOMENAME2=久遠野市陸上競技協会"),
    ("写真ページへのリンクのアドレス（書いたときだけリンクを作ります）", "PHOTOPAGEADDRESS=https://www.example.com/kuonno-ekiden/photo/"),
    ("写真ページへのリンクの文字", "PHOTOPAGENAME=大会の写真"),
]

# Print commands, one per report. "LPX" is the bundled print program; -P chooses
# the printer, -n the number of copies.
PRINT_COMMANDS = [
    ("PRINTCMD62", "中継所チェックリスト", "LPX -p -q"),
    ("PRINTCMD63", "全中継所・全チームのチェックリスト", "LPX -p -q -P office"),
    ("PRINTCMD64", "チーム名・選手名一覧", "LPX -p -q"),
    ("PRINTCMD65", "疑問スピード一覧表", "LPX -p -q"),
    ("PRINTCMD66", "同タイム・チェックリスト", "LPX -p -q"),
    ("PRINTCMD67", "中継所チェックリスト（部門名・チーム名付）", "LPX -p -q"),
    ("PRINTCMD68", "全中継所・全チーム（タイム順）のチェックリスト", "LPX -p -q"),
    ("PRINTCMD70", "ゴール速報（２部印刷の例）", "LPX -p -q -n 2"),
    ("PRINTCMD71", "区間賞一覧表", "LPX -p -q"),
    ("PRINTCMD72", "団体賞一覧表", "LPX -p -q"),
    ("PRINTCMD73", "部門別成績一覧表", "LPX -p -q -P office"),
    ("PRINTCMD74", "順位変遷表", "LPX -p -q"),
    ("PRINTCMD75", "区間順位表", "LPX -p -q"),
    ("PRINTCMD77", "中間成績一覧表", "LPX -p -q"),
    ("PRINTCMD78", "スピード・ランキング表", "LPX -p -q"),
    ("PRINTCMD94", "スピード：タイム換算表", "LPX -p -q"),
    ("PRINTCMD95", "部門別チーム数一覧表", "LPX -p -q"),
]


def option_lines():
    lines = [
        "# オプション設定（キー=値）",
        "# 「#」から後ろはコメントです。使いたい行の先頭の # を消すと有効になります。",
        "# 同じキーが２回あるときは上の行が使われます。値に # は書けません。",
        "",
        "# 大会名（メニュー・一覧表・HTML の見出し）",
        "EVENTNAME=" + EVENT_NAME,
        "",
    ]
    for explanation, example in OPTIONS:
        lines += ["# " + explanation, "#" + example, ""]
    lines.append("# 一覧表ごとの印刷コマンド（省略すると LPX -p -q。-P プリンタ名、-n 部数）")
    for key, report, command in PRINT_COMMANDS:
        lines.append(pad("#%s=%s" % (key, command), 36) + "# " + report)
    return lines


def write(folder, name, lines):
    data = "".join(line + "\r\n" for line in lines).encode("cp932")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "sample")
    os.makedirs(folder, exist_ok=True)
    write(folder, "EKI.TXT", eki_lines())
    write(folder, "BUMON.TXT", bumon_lines())
    write(folder, "TEAM.TXT", team_lines())
    write(folder, "SENSYU.TXT", sensyu_lines())
    write(folder, "OPTION.TXT", option_lines())


if __name__ == "__main__":
    main()
