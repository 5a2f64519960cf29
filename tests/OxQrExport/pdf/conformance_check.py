#!/usr/bin/python3
"""Checks a PDF file against the machine-checkable rules of archival (PDF/A-2b) and
accessible (PDF/UA-1, Matterhorn checkpoints) files that concern what reports contain.

usage: conformance_check.py FILE [--archival] [--accessible]
Prints one line per rule broken ("FAIL <rule>: <what>") and, on success, "OK <n> rules";
exit status 1 when a rule is broken.

Rules checked
  archival (PDF/A-2b)
    A-header     the header is %PDF-1.x with a binary comment line (4 bytes above 127)
    A-id         the trailer has a file identifier of two strings
    A-encrypt    the file is not encrypted
    A-xmp        the catalog has an XMP metadata stream (Type Metadata, Subtype XML, no
                 filter) with pdfaid:part 2 and pdfaid:conformance B
    A-info       every information entry (Title, Author, Subject, Keywords, Creator, Producer,
                 CreationDate, ModDate) equals its XMP property
    A-intent     an output intent GTS_PDFA1 with an RGB ICC profile (N 3) when device RGB is used
    A-fonts      every font (descendant fonts included) is embedded
    A-cidmap     a CIDFontType2 font has a CIDToGIDMap
    A-transp     no soft mask, constant alpha below 1 or blend mode other than Normal, unless
                 the page has a transparency group with a colour space
    A-annots     every annotation has the print flag and neither hidden nor no-view flags
    A-actions    no JavaScript, Launch or other forbidden action; no additional actions
    A-filters    no LZW and no external stream data
  accessible (PDF/UA-1)
    U-xmp        XMP metadata with pdfuaid:part 1 and a dc:title (06-001..06-003)
    U-title      ViewerPreferences DisplayDocTitle true (07-001)
    U-marked     MarkInfo Marked true and a structure tree root (01-001)
    U-lang       the catalog's Lang is a non-empty language tag (11-001)
    U-content    every painting operator is inside marked content: an artifact or an MCID
                 of a structure element; tagged content never inside an artifact (01-005,
                 01-007)
    U-parent     every MCID of a page is in the parent tree under the page's StructParents,
                 and the element found there holds that MCID on that page; every element's
                 kids name it as their parent
    U-types      every structure type is a standard type (02-001)
    U-tables     Table holds TR rows, TR holds TH and TD cells, TH has a Scope (09-004,
                 09-005, 15-003)
    U-headings   the first heading is H1 and no level is skipped (14-002, 14-003)
    U-figures    every Figure has alternative text (13-004)
    U-fonts      every font is embedded and has a ToUnicode map (31-001, 31-027)
    U-tabs       every page has Tabs /S (24-? for pages with annotations; asked of all)
    U-annots     annotations other than pop-ups are tagged (28-002); reports write none

Not checked, and why
  - the fonts' programs against their dictionaries (widths, .notdef use, CIDSet): needs a
    font parser; the fonts come from HarfBuzz's subsetter over installed faces
  - the ICC profile's own validity and version: needs a colour profile parser; the profile
    is Debian's sRGB.icc (ICC v2)
  - XMP against its schemas beyond the properties above (extension schema validity)
  - content stream operators' arguments and implementation limits
  - what needs a person: whether alternative text describes the figure, whether the
    reading order and heading levels make sense, colour contrast (Matterhorn's "human"
    checkpoints); the reading order is compared with pdftotext's by the tests instead
"""
import re
import sys

import pikepdf
from pikepdf import Array, Dictionary, Name

STANDARD_TYPES = {
    "Document", "Part", "Art", "Sect", "Div", "BlockQuote", "Caption", "TOC", "TOCI", "Index",
    "NonStruct", "Private", "P", "H", "H1", "H2", "H3", "H4", "H5", "H6", "L", "LI", "Lbl",
    "LBody", "Table", "TR", "TH", "TD", "THead", "TBody", "TFoot", "Span", "Quote", "Note",
    "Reference", "BibEntry", "Code", "Link", "Annot", "Ruby", "RB", "RT", "RP", "Warichu", "WT",
    "WP", "Figure", "Formula", "Form",
}
PAINTING = {"Tj", "TJ", "'", '"', "Do", "f", "F", "f*", "S", "s", "B", "B*", "b", "b*", "sh", "BI"}

failures = []


def fail(rule, what):
    failures.append(f"FAIL {rule}: {what}")


def text(value):
    return str(value) if value is not None else None


def xmp_property(xmp, name):
    m = re.search(r"<%s>(.*?)</%s>" % (re.escape(name), re.escape(name)), xmp, re.S)
    if not m:
        return None
    inner = re.sub(r"<[^>]+>", "", m.group(1)).strip()
    return inner.replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", '"').replace("&amp;", "&")


def info_date_to_xmp(date):
    m = re.match(r"D:(\d{4})(\d\d)(\d\d)(\d\d)(\d\d)(\d\d)([+-])(\d\d)'(\d\d)'", date)
    if not m:
        return None
    y, mo, d, h, mi, s, sign, oh, om = m.groups()
    return f"{y}-{mo}-{d}T{h}:{mi}:{s}{sign}{oh}:{om}"


def walk_fonts(pdf):
    seen = set()
    for page in pdf.pages:
        res = page.obj.get("/Resources", Dictionary())
        fonts = res.get("/Font", Dictionary())
        for _, font in fonts.items():
            if font.objgen in seen:
                continue
            seen.add(font.objgen)
            yield font
            for desc in font.get("/DescendantFonts", Array()):
                yield desc


def embedded(font):
    desc = font.get("/FontDescriptor")
    if font.get("/Subtype") == Name.Type0:
        return True  # judged by its descendant
    return desc is not None and any(k in desc for k in ("/FontFile", "/FontFile2", "/FontFile3"))


def check_archival(pdf, raw):
    if not re.match(rb"%PDF-1\.[0-7]\r?\n%[\x80-\xff]{4}", raw):
        fail("A-header", "no PDF header with a binary comment line")
    ids = pdf.trailer.get("/ID")
    if ids is None or len(ids) != 2:
        fail("A-id", "the trailer has no /ID of two strings")
    if "/Encrypt" in pdf.trailer:
        fail("A-encrypt", "the file is encrypted")
    meta = pdf.Root.get("/Metadata")
    xmp = ""
    if meta is None:
        fail("A-xmp", "no metadata stream")
    else:
        if meta.get("/Subtype") != Name.XML or meta.get("/Type") != Name.Metadata:
            fail("A-xmp", "the metadata stream is not Type Metadata, Subtype XML")
        if "/Filter" in meta:
            fail("A-xmp", "the metadata stream is filtered")
        xmp = meta.read_bytes().decode("utf-8")
        if xmp_property(xmp, "pdfaid:part") != "2" or xmp_property(xmp, "pdfaid:conformance") != "B":
            fail("A-xmp", "no pdfaid:part 2 / conformance B")
    info = pdf.trailer.get("/Info", Dictionary())
    pairs = {"/Title": "dc:title", "/Author": "dc:creator", "/Subject": "dc:description",
             "/Keywords": "pdf:Keywords", "/Creator": "xmp:CreatorTool", "/Producer": "pdf:Producer"}
    for key, prop in pairs.items():
        if key in info and xmp_property(xmp, prop) != str(info[key]):
            fail("A-info", f"{key} {str(info[key])!r} is not the XMP {prop} {xmp_property(xmp, prop)!r}")
    for key, prop in (("/CreationDate", "xmp:CreateDate"), ("/ModDate", "xmp:ModifyDate")):
        if key in info and info_date_to_xmp(str(info[key])) != xmp_property(xmp, prop):
            fail("A-info", f"{key} {str(info[key])} is not the XMP {prop} {xmp_property(xmp, prop)}")
    intents = pdf.Root.get("/OutputIntents", Array())
    rgb = [i for i in intents if i.get("/S") == Name("/GTS_PDFA1") and "/DestOutputProfile" in i
           and int(i.DestOutputProfile.get("/N", 0)) == 3]
    if not rgb:
        fail("A-intent", "no GTS_PDFA1 output intent with an RGB profile")
    for font in walk_fonts(pdf):
        if not embedded(font):
            fail("A-fonts", f"font {font.get('/BaseFont')} is not embedded")
        if font.get("/Subtype") == Name.CIDFontType2 and "/CIDToGIDMap" not in font:
            fail("A-cidmap", f"CID font {font.get('/BaseFont')} has no CIDToGIDMap")
    for page in pdf.pages:
        group = page.obj.get("/Group")
        res = page.obj.get("/Resources", Dictionary())
        for _, gs in res.get("/ExtGState", Dictionary()).items():
            transparent = ("/SMask" in gs and gs.SMask != Name.None_) or float(gs.get("/ca", 1)) < 1 or \
                float(gs.get("/CA", 1)) < 1 or gs.get("/BM", Name.Normal) not in (Name.Normal, Name.Compatible)
            if transparent and (group is None or "/CS" not in group):
                fail("A-transp", "transparency without a page group colour space")
        for _, xobj in res.get("/XObject", Dictionary()).items():
            if "/SMask" in xobj and (group is None or "/CS" not in group):
                fail("A-transp", "an image with a soft mask without a page group colour space")
        for annot in page.obj.get("/Annots", Array()):
            flags = int(annot.get("/F", 0))
            if not flags & 4 or flags & (2 | 32):
                fail("A-annots", f"annotation {annot.get('/Subtype')} lacks the print flag or is hidden")
        if "/AA" in page.obj:
            fail("A-actions", "a page has additional actions")
    for obj in pdf.objects:
        if isinstance(obj, Dictionary) or isinstance(obj, pikepdf.Stream):
            if obj.get("/S") in (Name.JavaScript, Name.Launch, Name("/Sound"), Name("/Movie"), Name("/ResetForm")):
                fail("A-actions", f"a forbidden action {obj.get('/S')}")
            if "/JS" in obj:
                fail("A-actions", "JavaScript")
        if isinstance(obj, pikepdf.Stream):
            filters = obj.get("/Filter")
            names = [filters] if isinstance(filters, Name) else list(filters or [])
            if Name.LZWDecode in names:
                fail("A-filters", "an LZW stream")
            if "/F" in obj:
                fail("A-filters", "a stream with external data")


def check_accessible(pdf):
    root = pdf.Root
    meta = root.get("/Metadata")
    xmp = meta.read_bytes().decode("utf-8") if meta is not None else ""
    if xmp_property(xmp, "pdfuaid:part") != "1":
        fail("U-xmp", "no pdfuaid:part 1 in the metadata")
    if not xmp_property(xmp, "dc:title"):
        fail("U-xmp", "no dc:title in the metadata")
    prefs = root.get("/ViewerPreferences", Dictionary())
    if not bool(prefs.get("/DisplayDocTitle", False)):
        fail("U-title", "ViewerPreferences DisplayDocTitle is not true")
    if not bool(root.get("/MarkInfo", Dictionary()).get("/Marked", False)) or "/StructTreeRoot" not in root:
        fail("U-marked", "not marked or no structure tree")
        return
    lang = str(root.get("/Lang", ""))
    if not re.match(r"^[A-Za-z]{2,8}(-[A-Za-z0-9]{1,8})*$", lang):
        fail("U-lang", f"Lang {lang!r} is not a language tag")
    for font in walk_fonts(pdf):
        if not embedded(font):
            fail("U-fonts", f"font {font.get('/BaseFont')} is not embedded")
        if font.get("/Subtype") != Name.CIDFontType2 and "/ToUnicode" not in font:
            fail("U-fonts", f"font {font.get('/BaseFont')} has no ToUnicode map")

    tree = root.StructTreeRoot
    nums = tree.ParentTree.get("/Nums", Array())
    parent = {int(nums[i]): nums[i + 1] for i in range(0, len(nums), 2)}
    headings = []
    figures_without_alt = 0

    def visit(elem, parent_elem):
        nonlocal figures_without_alt
        s = str(elem.get("/S", ""))[1:]
        if s not in STANDARD_TYPES and s not in tree.get("/RoleMap", Dictionary()):
            fail("U-types", f"structure type {s} is not standard")
        if parent_elem is not None and elem.get("/P") is not None and elem.P.objgen != parent_elem.objgen:
            fail("U-parent", f"a {s} element does not name its parent")
        if re.fullmatch(r"H[1-6]", s):
            headings.append(int(s[1]))
        if s == "Figure" and not str(elem.get("/Alt", "")) and not str(elem.get("/ActualText", "")):
            figures_without_alt += 1
        kids = elem.get("/K")
        kids = list(kids) if isinstance(kids, Array) else ([] if kids is None else [kids])
        kid_types = []
        for kid in kids:
            if isinstance(kid, Dictionary) and kid.get("/Type", Name.StructElem) == Name.StructElem and "/S" in kid:
                kid_types.append(str(kid.S)[1:])
                visit(kid, elem)
        if s == "Table" and any(t not in ("TR", "THead", "TBody", "TFoot") for t in kid_types):
            fail("U-tables", f"a Table holds {kid_types}")
        if s == "TR" and any(t not in ("TH", "TD") for t in kid_types):
            fail("U-tables", f"a TR holds {kid_types}")
        if s == "TH":
            attrs = elem.get("/A")
            attrs = list(attrs) if isinstance(attrs, Array) else ([attrs] if attrs is not None else [])
            if not any("/Scope" in a for a in attrs if isinstance(a, Dictionary)) and "/ID" not in elem:
                fail("U-tables", "a TH has no Scope")

    top = tree.get("/K")
    for elem in (list(top) if isinstance(top, Array) else [top]):
        visit(elem, None)
    if figures_without_alt:
        fail("U-figures", f"{figures_without_alt} Figure elements without alternative text")
    if headings:
        if headings[0] != 1:
            fail("U-headings", f"the first heading is H{headings[0]}")
        for a, b in zip(headings, headings[1:]):
            if b > a + 1:
                fail("U-headings", f"H{a} is followed by H{b}")

    for number, page in enumerate(pdf.pages, 1):
        if page.obj.get("/Tabs") != Name.S:
            fail("U-tabs", f"page {number} has no Tabs /S")
        for annot in page.obj.get("/Annots", Array()):
            if annot.get("/Subtype") != Name.Popup and "/StructParent" not in annot:
                fail("U-annots", f"page {number}: an untagged annotation")
        depth_artifact = 0
        stack = []
        mcids = []
        for operands, op in pikepdf.parse_content_stream(page):
            op = str(op)
            if op in ("BDC", "BMC"):
                tag = str(operands[0])
                props = operands[1] if op == "BDC" else None
                is_artifact = tag == "/Artifact"
                has_mcid = isinstance(props, Dictionary) and "/MCID" in props
                if not is_artifact and has_mcid and depth_artifact:
                    fail("U-content", f"page {number}: tagged content inside an artifact")
                if has_mcid:
                    mcids.append(int(props.MCID))
                stack.append((is_artifact, has_mcid))
                depth_artifact += is_artifact
            elif op == "EMC":
                if stack:
                    is_artifact, _ = stack.pop()
                    depth_artifact -= is_artifact
            elif op in PAINTING and not any(a or m for a, m in stack):
                fail("U-content", f"page {number}: {op} outside marked content")
                break
        key = page.obj.get("/StructParents")
        if mcids and key is None:
            fail("U-parent", f"page {number} has marked content but no StructParents")
            continue
        if key is None:
            continue
        entry = parent.get(int(key))
        if entry is None:
            fail("U-parent", f"page {number}: no parent tree entry {int(key)}")
            continue
        for mcid in mcids:
            if mcid >= len(entry) or not isinstance(entry[mcid], Dictionary):
                fail("U-parent", f"page {number}: MCID {mcid} is not in the parent tree")
                continue
            elem = entry[mcid]
            kids = elem.get("/K")
            kids = list(kids) if isinstance(kids, Array) else [kids]
            held = any(isinstance(k, int) and int(k) == mcid for k in kids) or any(
                isinstance(k, Dictionary) and int(k.get("/MCID", -1)) == mcid for k in kids)
            if not held or "/Pg" not in elem or elem.Pg.objgen != page.obj.objgen:
                fail("U-parent", f"page {number}: the element of MCID {mcid} does not hold it on this page")


def main():
    args = sys.argv[1:]
    path = args[0]
    raw = open(path, "rb").read(64)
    with pikepdf.open(path) as pdf:
        rules = 0
        if "--archival" in args:
            check_archival(pdf, raw)
            rules += 12
        if "--accessible" in args:
            check_accessible(pdf)
            rules += 13
    for f in failures[:50]:
        print(f)
    if failures:
        return 1
    print(f"OK {rules} rules")
    return 0


if __name__ == "__main__":
    sys.exit(main())
