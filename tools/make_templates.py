#!/usr/bin/env python3
"""Writes the certificate templates sample/区間賞賞状.docm and sample/団体賞賞状.docm.

Each is a mail-merge document in Office Open XML (a zip package, no macros): an A4
certificate whose merge fields (MERGEFIELD) carry the column names of the merge files
区間賞TAB.txt and 団体賞TAB.txt that the certificate menu writes, and whose mail-merge
settings name that file, TAB-separated, as the data source. The event name is taken
from the sample's OPTION.TXT; edit it in the word processor for another race.

The output depends on nothing but this file and OPTION.TXT: the zip entries carry a
fixed time stamp, so running it again gives the same bytes.

    python3 tools/make_templates.py [sample folder]     (default: sample/ of the repo)
    python3 tools/make_templates.py --check [sample folder]

--check writes nothing: it fails unless both templates in the folder are valid zip
packages whose parts are well-formed XML and whose bytes are what this script makes.
"""

import io
import os
import sys
import zipfile
import xml.dom.minidom
from xml.sax.saxutils import escape, quoteattr

W_NS = "http://schemas.openxmlformats.org/wordprocessingml/2006/main"
R_NS = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
REL_NS = "http://schemas.openxmlformats.org/package/2006/relationships"
OFFICE_REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
XML_HEAD = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
FIXED_TIME = (1980, 1, 1, 0, 0, 0)

# A4 in twentieths of a point, margins of 25 mm.
PAGE = '<w:pgSz w:w="11906" w:h="16838"/><w:pgMar w:top="1701" w:right="1418" w:bottom="1418" w:left="1418" w:header="851" w:footer="851" w:gutter="0"/>'


def event_name(sample):
    """EVENTNAME, else EVENTMEI, of OPTION.TXT, as the program reads it."""
    path = os.path.join(sample, "OPTION.TXT")
    names = {}
    try:
        with open(path, "rb") as f:
            for raw in f.read().decode("cp932").splitlines():
                key, sep, value = raw.partition("=")
                if sep:
                    names.setdefault(key.strip(), value.strip())
    except OSError:
        pass
    return names.get("EVENTNAME") or names.get("EVENTMEI") or "？？？？駅伝大会"


def run(text, size=None, bold=False):
    props = '<w:rFonts w:ascii="MS Mincho" w:eastAsia="ＭＳ 明朝" w:hAnsi="MS Mincho"/>'
    if bold:
        props += "<w:b/>"
    if size:
        props += '<w:sz w:val="%d"/><w:szCs w:val="%d"/>' % (size * 2, size * 2)
    return '<w:r><w:rPr>%s</w:rPr><w:t xml:space="preserve">%s</w:t></w:r>' % (props, escape(text))


def field(instruction, shown, size=None, bold=False):
    """A simple field: MERGEFIELD <column> or DATE, showing «column» until merged."""
    return '<w:fldSimple w:instr=%s>%s</w:fldSimple>' % (quoteattr(" %s " % instruction), run(shown, size, bold))


def merge(column, size=None, bold=False):
    return field("MERGEFIELD %s" % column, "«%s»" % column, size, bold)


def paragraph(parts, align="center", before=0, after=0):
    ppr = '<w:pPr><w:spacing w:before="%d" w:after="%d"/><w:jc w:val="%s"/></w:pPr>' % (before, after, align)
    return "<w:p>%s%s</w:p>" % (ppr, "".join(parts))


def document(body):
    return (XML_HEAD + '<w:document xmlns:w="%s" xmlns:r="%s"><w:body>%s<w:sectPr>%s</w:sectPr></w:body></w:document>'
            % (W_NS, R_NS, "".join(body), PAGE))


def section_award_body(event):
    return [
        paragraph([run("賞　　状", 48, True)], before=600, after=600),
        paragraph([merge("部門名", 16), run("　第", 16), merge("区間", 16), run("区　区間賞", 16)], after=200),
        paragraph([merge("チーム名", 16)], after=200),
        paragraph([merge("選手名", 32, True), run("　殿", 20)], after=800),
        paragraph([run("あなたは%sにおいて" % event, 14)], align="left"),
        paragraph([merge("発駅", 14), run(" → ", 14), merge("着駅", 14), run("（", 14), merge("距離", 14),
                   run("）の区間を", 14)], align="left"),
        paragraph([merge("タイム", 14), run("（時速 ", 14), merge("スピード", 14), run("）で走り", 14)], align="left"),
        paragraph([run("区間第一位の栄誉に輝きました", 14)], align="left"),
        paragraph([run("よってその健闘をたたえここに賞します", 14)], align="left", after=800),
        paragraph([field('DATE \\@ "yyyy年M月d日"', "日付", 14)], align="left", after=400),
        paragraph([run(event, 14)], align="right"),
        paragraph([run("大会会長", 14)], align="right"),
    ]


def team_award_body(event):
    return [
        paragraph([run("賞　　状", 48, True)], before=600, after=600),
        paragraph([merge("部門名", 16), run("　", 16), merge("順位文字列2", 20, True)], after=200),
        paragraph([merge("チーム名", 32, True), run("　殿", 20)], after=800),
        paragraph([run("貴チームは%sにおいて" % event, 14)], align="left"),
        paragraph([merge("発駅", 14), run(" → ", 14), merge("着駅", 14), run("（", 14), merge("距離", 14),
                   run("）を", 14)], align="left"),
        paragraph([merge("タイム", 14), run(" で走り", 14), merge("順位文字列3", 14), run("となりました", 14)],
                  align="left"),
        paragraph([run("よってその栄誉をたたえここに賞します", 14)], align="left", after=800),
        paragraph([field('DATE \\@ "yyyy年M月d日"', "日付", 14)], align="left", after=400),
        paragraph([run(event, 14)], align="right"),
        paragraph([run("大会会長", 14)], align="right"),
    ]


def settings(merge_file):
    """Form letters from the TAB-separated merge file beside the document."""
    return (XML_HEAD + '<w:settings xmlns:w="%s" xmlns:r="%s">'
            '<w:mailMerge><w:mainDocumentType w:val="formLetters"/><w:linkToQuery/>'
            '<w:dataType w:val="textFile"/><w:connectString w:val=""/>'
            '<w:query w:val=%s/><w:dataSource r:id="rIdMergeSource"/>'
            '<w:odso><w:fieldMapData/></w:odso></w:mailMerge>'
            '<w:defaultTabStop w:val="840"/><w:compat/></w:settings>'
            % (W_NS, R_NS, quoteattr("SELECT * FROM %s" % merge_file)))


def package(body, merge_file, title):
    parts = {
        "[Content_Types].xml": XML_HEAD +
        '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
        '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
        '<Default Extension="xml" ContentType="application/xml"/>'
        '<Override PartName="/word/document.xml" ContentType="application/vnd.ms-word.document.macroEnabled.main+xml"/>'
        '<Override PartName="/word/settings.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml"/>'
        '<Override PartName="/word/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"/>'
        '<Override PartName="/docProps/core.xml" ContentType="application/vnd.openxmlformats-package.core-properties+xml"/>'
        '<Override PartName="/docProps/app.xml" ContentType="application/vnd.openxmlformats-officedocument.extended-properties+xml"/>'
        '</Types>',
        "_rels/.rels": XML_HEAD +
        '<Relationships xmlns="%s">'
        '<Relationship Id="rId1" Type="%s/officeDocument" Target="word/document.xml"/>'
        '<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties" Target="docProps/core.xml"/>'
        '<Relationship Id="rId3" Type="%s/extended-properties" Target="docProps/app.xml"/>'
        '</Relationships>' % (REL_NS, OFFICE_REL, OFFICE_REL),
        "docProps/core.xml": XML_HEAD +
        '<cp:coreProperties xmlns:cp="http://schemas.openxmlformats.org/package/2006/metadata/core-properties" '
        'xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:title>%s</dc:title><dc:creator>KORVEL32</dc:creator>'
        '</cp:coreProperties>' % escape(title),
        "docProps/app.xml": XML_HEAD +
        '<Properties xmlns="http://schemas.openxmlformats.org/officeDocument/2006/extended-properties">'
        '<Application>KORVEL32</Application></Properties>',
        "word/_rels/document.xml.rels": XML_HEAD +
        '<Relationships xmlns="%s">'
        '<Relationship Id="rId1" Type="%s/settings" Target="settings.xml"/>'
        '<Relationship Id="rId2" Type="%s/styles" Target="styles.xml"/>'
        '</Relationships>' % (REL_NS, OFFICE_REL, OFFICE_REL),
        "word/_rels/settings.xml.rels": XML_HEAD +
        '<Relationships xmlns="%s">'
        '<Relationship Id="rIdMergeSource" Type="%s/mailMergeSource" Target=%s TargetMode="External"/>'
        '</Relationships>' % (REL_NS, OFFICE_REL, quoteattr(merge_file)),
        "word/settings.xml": settings(merge_file),
        "word/styles.xml": XML_HEAD +
        '<w:styles xmlns:w="%s"><w:docDefaults><w:rPrDefault><w:rPr>'
        '<w:rFonts w:ascii="MS Mincho" w:eastAsia="ＭＳ 明朝" w:hAnsi="MS Mincho"/>'
        '<w:sz w:val="24"/><w:lang w:val="en-US" w:eastAsia="ja-JP"/></w:rPr></w:rPrDefault></w:docDefaults>'
        '<w:style w:type="paragraph" w:default="1" w:styleId="Normal"><w:name w:val="Normal"/></w:style>'
        '</w:styles>' % W_NS,
        "word/document.xml": document(body),
    }
    return parts


def package_bytes(parts):
    """Stored (uncompressed) entries in a fixed order with a fixed time: same bytes every run."""
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_STORED) as z:
        for name, text in parts.items():
            info = zipfile.ZipInfo(name, FIXED_TIME)
            info.compress_type = zipfile.ZIP_STORED
            info.external_attr = 0o644 << 16
            z.writestr(info, text.encode("utf-8"))
    return buffer.getvalue()


def check(path, expected):
    """Problems of the template at path: an invalid package, a part that is not XML, stale bytes."""
    try:
        with open(path, "rb") as f:
            data = f.read()
        with zipfile.ZipFile(io.BytesIO(data)) as z:
            if z.testzip() is not None:
                return ["%s: damaged entry %s" % (path, z.testzip())]
            names = z.namelist()
            problems = ["%s: no %s" % (path, part) for part in ("[Content_Types].xml", "word/document.xml")
                        if part not in names]
            for name in names:
                try:
                    xml.dom.minidom.parseString(z.read(name))
                except Exception as e:
                    problems.append("%s: %s is not well-formed XML: %s" % (path, name, e))
    except (OSError, zipfile.BadZipFile) as e:
        return ["%s: %s" % (path, e)]
    if data != expected:
        problems.append("%s: differs from what tools/make_templates.py makes; run it again" % path)
    return problems


def main():
    args = sys.argv[1:]
    checking = bool(args) and args[0] == "--check"
    if checking:
        args = args[1:]
    here = os.path.dirname(os.path.abspath(__file__))
    sample = args[0] if args else os.path.join(here, "..", "sample")
    event = event_name(sample)
    templates = {
        "区間賞賞状.docm": package(section_award_body(event), "区間賞TAB.txt", "区間賞賞状"),
        "団体賞賞状.docm": package(team_award_body(event), "団体賞TAB.txt", "団体賞賞状"),
    }
    problems = []
    for name, parts in templates.items():
        path = os.path.join(sample, name)
        if checking:
            problems += check(path, package_bytes(parts))
        else:
            with open(path + ".tmp", "wb") as f:
                f.write(package_bytes(parts))
            os.replace(path + ".tmp", path)
    for p in problems:
        print("FAIL:", p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
