#!/usr/bin/python3
"""Writes the hostile workbooks of hostile/ with the standard library only:
each is a small .xlsx that once crashed, hung or misled the reader, or must
be refused for a reason of its own. The two .xls files beside them came from
fuzzing libfreexl (one crashes it, one declares more columns than a sheet
holds) and are kept as they were found.

Run from this folder: /usr/bin/python3 make_hostile.py
"""
import struct
import zipfile

WORKBOOK = ('<?xml version="1.0" encoding="UTF-8"?>'
            '<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
            'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">'
            '<sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>')
RELS = ('<?xml version="1.0" encoding="UTF-8"?>'
        '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" '
        'Target="%s"/></Relationships>')
STYLES = ('<?xml version="1.0" encoding="UTF-8"?>'
          '<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
          '<cellXfs count="2"><xf numFmtId="0"/><xf numFmtId="14"/></cellXfs></styleSheet>')


def sheet(rows):
    return ('<?xml version="1.0" encoding="UTF-8"?>'
            '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
            '<sheetData>%s</sheetData></worksheet>' % rows)


HEADER = '<row r="1"><c r="A1" t="inlineStr"><is><t>Line ID</t></is></c></row>'


def line(row, text="L1"):
    return '<row r="%d"><c r="A%d" t="inlineStr"><is><t>%s</t></is></c></row>' % (row, row, text)


def xlsx(name, sheet_rows=HEADER + line(2), target="worksheets/sheet1.xml", workbook=WORKBOOK, extra=None):
    parts = {"xl/workbook.xml": workbook, "xl/_rels/workbook.xml.rels": RELS % target,
             "xl/worksheets/sheet1.xml": sheet(sheet_rows)}
    parts.update(extra or {})
    with zipfile.ZipFile(name, "w", zipfile.ZIP_DEFLATED) as z:
        for part, text in parts.items():
            z.writestr(zipfile.ZipInfo(part, date_time=(2024, 1, 1, 0, 0, 0)), text, zipfile.ZIP_DEFLATED)


def declare_size(name, part, size):
    """Makes the part's headers declare size inflated bytes."""
    data = bytearray(open(name, "rb").read())
    encoded = part.encode()
    for signature, at in ((b"PK\x03\x04", 22), (b"PK\x01\x02", 24)):
        i = data.find(signature)
        while i >= 0:
            name_at = i + (30 if signature == b"PK\x03\x04" else 46)
            if data[name_at:name_at + len(encoded)] == encoded:
                struct.pack_into("<I", data, i + at, size)
            i = data.find(signature, i + 1)
    open(name, "wb").write(data)


def damage(name, part):
    """Spoils the deflated bytes of the part."""
    data = bytearray(open(name, "rb").read())
    i = data.find(b"PK\x03\x04")
    while data[i + 30:i + 30 + len(part)] != part.encode():
        i = data.find(b"PK\x03\x04", i + 1)
        assert i >= 0
    start = i + 30 + struct.unpack_from("<H", data, i + 26)[0] + struct.unpack_from("<H", data, i + 28)[0]
    data[start + 8:start + 24] = b"\xff" * 16
    open(name, "wb").write(data)


xlsx("hostile/target-outside.xlsx", target="../../x.xml")
xlsx("hostile/row-past-limit.xlsx", HEADER + line(300000000))
xlsx("hostile/cell-past-limit.xlsx", HEADER + '<row r="2"><c r="A2147483647"><v>1</v></c></row>')
xlsx("hostile/column-past-limit.xlsx", HEADER + '<row r="2"><c r="FXSHRXW2"><v>1</v></c></row>')
xlsx("hostile/part-past-cap.xlsx")
declare_size("hostile/part-past-cap.xlsx", "xl/worksheets/sheet1.xml", 0xFFFFFFF0)
xlsx("hostile/part-damaged.xlsx")
damage("hostile/part-damaged.xlsx", "xl/worksheets/sheet1.xml")
xlsx("hostile/broken-shared-text.xlsx", HEADER + '<row r="2"><c r="A2" t="s"><v>0</v></c></row>',
     extra={"xl/sharedStrings.xml": '<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
                                    '<si><t>PN-10&20</t></si></sst>'})
xlsx("hostile/broken-styles.xlsx", extra={"xl/styles.xml": STYLES.replace("</cellXfs>", "</cellXf>")})
xlsx("hostile/broken-workbook.xlsx", workbook=WORKBOOK.replace("</workbook>", "<definedNames></workbook>"))
xlsx("hostile/absurd-date.xlsx", HEADER + '<row r="2"><c r="A2" s="1"><v>1e300</v></c></row>',
     extra={"xl/styles.xml": STYLES})
# Few cells, each far to the right: the rows would take more places than
# a sheet may hand back.
xlsx("hostile/cells-far-apart.xlsx",
     HEADER + "".join('<row r="%d"><c r="XFD%d"><v>1</v></c></row>' % (r, r) for r in range(2, 1028)))

# Files that are no workbook at all.
open("hostile/text.xlsx", "w").write("Machine ID;Description\nMC1;one\n")
open("hostile/empty.xls", "w").close()
open("hostile/truncated.xls", "wb").write(open("machines.xls", "rb").read()[:700])
