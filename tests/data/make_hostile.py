#!/usr/bin/python3
"""Writes the hostile workbooks of hostile/ with the standard library only:
each is a small .xlsx that once crashed, hung or misled the reader, or must
be refused for a reason of its own. The two .xls files beside them came from
fuzzing libfreexl (one crashes it, one declares more columns than a sheet
holds) and are kept as they were found. It also re-zips cells.xlsx with
zip64 headers, as `zip -fz` (Debian package zip) and Python's force_zip64
write them.

Run from this folder: /usr/bin/python3 make_hostile.py
"""
import os
import struct
import subprocess
import tempfile
import zipfile
import zlib

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


def zip64(name, parts):
    """A package whose directory gives every size in the zip64 extra field;
    parts: (name, inflated bytes, declared inflated size)."""
    local, central = b"", b""
    for part, data, size in parts:
        n = part.encode()
        c = zlib.compressobj(9, zlib.DEFLATED, -15)
        packed = c.compress(data) + c.flush()
        extra = struct.pack("<HHQQ", 1, 16, size, len(packed))
        head = (20, 45, 0, 8, 0, 0x5821, zlib.crc32(data), 0xFFFFFFFF, 0xFFFFFFFF, len(n), len(extra))
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, *head, 0, 0, 0, 0, len(local)) + n + extra
        local += struct.pack("<IHHHHHIIIHH", 0x04034B50, *head[1:]) + n + extra + packed
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(parts), len(parts), len(central), len(local), 0)
    open(name, "wb").write(local + central + end)


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

# A 10 KB file of 100,000 cells that all show one shared text of 32,767
# characters: 3.3 billion characters once read.
xlsx("hostile/text-bomb.xlsx", HEADER + line(2) + "<row><c t=\"s\"><v>0</v></c></row>" * 100000,
     extra={"xl/sharedStrings.xml": '<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
                                    '<si><t>%s</t></si></sst>' % ("x" * 32767)})
# The first sheet's relationship names parts that are no worksheet.
xlsx("hostile/sheet-is-workbook.xlsx", target="workbook.xml")
xlsx("hostile/sheet-is-shared-text.xlsx", target="sharedStrings.xml",
     extra={"xl/sharedStrings.xml": '<sst><si><t>L1</t></si></sst>'})
xlsx("hostile/no-rows.xlsx", "")
# An external entity declared on line 2 of the shared texts, and an
# undeclared one used on line 3 (it might be declared in the external
# document type, which is never read).
xlsx("hostile/external-entity.xlsx", HEADER + '<row r="2"><c r="A2" t="s"><v>0</v></c></row>',
     extra={"xl/sharedStrings.xml": '<?xml version="1.0"?>\n<!DOCTYPE sst [<!ENTITY e SYSTEM "/etc/hostname">]>\n'
                                    '<sst><si><t>L&e;1</t></si></sst>'})
xlsx("hostile/undeclared-entity.xlsx", HEADER + '<row r="2"><c r="A2" t="s"><v>0</v></c></row>',
     extra={"xl/sharedStrings.xml": '<?xml version="1.0"?>\n<!DOCTYPE sst SYSTEM "sst.dtd">\n<sst><si><t>L&u;1</t></si></sst>'})
# Rounded to the second this is 10000-01-01.
xlsx("hostile/date-past-9999.xlsx", HEADER + '<row r="2"><c r="A2" s="1"><v>2958465.9999999</v></c></row>',
     extra={"xl/styles.xml": STYLES})
# The zip64 field declares 3 GiB for the sheet.
zip64("hostile/part-past-cap-zip64.xlsx", [("xl/workbook.xml", WORKBOOK.encode(), len(WORKBOOK)),
                                           ("xl/_rels/workbook.xml.rels", (RELS % "worksheets/sheet1.xml").encode(),
                                            len(RELS % "worksheets/sheet1.xml")),
                                           ("xl/worksheets/sheet1.xml", sheet(HEADER + line(2)).encode(), 3 << 30)])

# cells.xlsx with zip64 headers, as two other tools write them.
with zipfile.ZipFile("cells.xlsx") as source, zipfile.ZipFile("cells-force-zip64.xlsx", "w") as z:
    for info in source.infolist():
        copy = zipfile.ZipInfo(info.filename, date_time=(2024, 1, 1, 0, 0, 0))
        copy.compress_type = zipfile.ZIP_DEFLATED
        with z.open(copy, "w", force_zip64=True) as out:
            out.write(source.read(info))
with tempfile.TemporaryDirectory() as tmp, zipfile.ZipFile("cells.xlsx") as source:
    source.extractall(tmp)
    if os.path.exists("cells-zip-fz.xlsx"):
        os.remove("cells-zip-fz.xlsx")
    names = [i.filename for i in source.infolist() if not i.is_dir()]
    subprocess.run(["zip", "-q", "-X", "-fz", os.path.abspath("cells-zip-fz.xlsx")] + names, cwd=tmp, check=True)

# Files that are no workbook at all.
open("hostile/text.xlsx", "w").write("Machine ID;Description\nMC1;one\n")
open("hostile/empty.xls", "w").close()
open("hostile/truncated.xls", "wb").write(open("machines.xls", "rb").read()[:700])
