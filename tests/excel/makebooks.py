#!/usr/bin/python3
# Writes the workbooks the reader tests open into the folder given as the argument: some made
# by openpyxl as a spreadsheet user would make them, some put together by hand to hold what
# openpyxl does not write (inline and rich strings, cells without references, broken parts).
import os
import sys
import zipfile

import openpyxl

out = sys.argv[1]


def path(name):
    return os.path.join(out, name)


# Numbers of every kind in row 2, under a header row.
book = openpyxl.Workbook()
sheet = book.active
sheet.title = "数字"
values = ["13000000000", 13000000000, 0, 0.0, 3.0, 1.5, 0.1, 2**53, 1e20, -7, True, "0731"]
for column, value in enumerate(values, start=1):
    sheet.cell(row=1, column=column, value="h%d" % column)
    sheet.cell(row=2, column=column, value=value)
book.save(path("numbers.xlsx"))

# A used range of B2:D10 with an empty cell inside, and a second, empty sheet.
book = openpyxl.Workbook()
sheet = book.active
sheet.title = "offset"
for row in range(2, 11):
    for column in range(2, 5):
        sheet.cell(row=row, column=column, value="r%dc%d" % (row, column))
sheet.cell(row=5, column=3).value = None
book.create_sheet("empty")
book.save(path("offset.xlsx"))

# A cloud address book starting at B2, mobiles stored as numbers.
book = openpyxl.Workbook()
sheet = book.active
sheet.append([])
sheet.append([None, "姓名", "手机", "分组"])
sheet.append([None, "张三", 13800000001, "同事"])
sheet.append([None, "李四", "139-0000-0002", None])
book.save(path("netcontact_b2.xlsx"))

# An employee sheet with only eight columns.
book = openpyxl.Workbook()
sheet = book.active
sheet.append(["姓名", "手机", "电话", "部门", "部门编码", "部门排序", "职位", "员工编码"])
sheet.append(["王五", "13800000003", "010-1", "研发", "D1", "1", "工程师", "E1"])
book.save(path("emp8.xlsx"))

RELS_NS = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
MAIN_NS = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
ROOT_RELS = ('<?xml version="1.0" encoding="UTF-8"?>'
             '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
             '<Relationship Id="rId1" Type="%s/officeDocument" Target="xl/workbook.xml"/>'
             '</Relationships>' % RELS_NS)
WORKBOOK = ('<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="%s" xmlns:r="%s"><sheets>'
            '<sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets></workbook>'
            % (MAIN_NS, RELS_NS))


def workbook_rels(absolute):
    target = "/xl/worksheets/sheet1.xml" if absolute else "worksheets/sheet1.xml"
    return ('<?xml version="1.0" encoding="UTF-8"?>'
            '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="%s/worksheet" Target="%s"/>'
            '<Relationship Id="rId2" Type="%s/sharedStrings" Target="sharedStrings.xml"/>'
            '</Relationships>' % (RELS_NS, target, RELS_NS))


def sheet_xml(rows):
    return ('<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="%s"><sheetData>%s'
            '</sheetData></worksheet>' % (MAIN_NS, rows))


def strings_xml(items):
    return ('<?xml version="1.0" encoding="UTF-8"?><sst xmlns="%s">%s</sst>'
            % (MAIN_NS, "".join("<si>%s</si>" % item for item in items)))


def package(name, sheet, strings, absolute=False):
    with zipfile.ZipFile(path(name), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("_rels/.rels", ROOT_RELS)
        z.writestr("xl/workbook.xml", WORKBOOK)
        z.writestr("xl/_rels/workbook.xml.rels", workbook_rels(absolute))
        z.writestr("xl/sharedStrings.xml", strings_xml(strings))
        if isinstance(sheet, str):
            z.writestr("xl/worksheets/sheet1.xml", sheet)
        else:
            sheet(z)


def inline(text):
    return '<c t="inlineStr"><is><t>%s</t></is></c>' % text


# Inline strings, plain and in runs, and rich shared strings with a phonetic run left out.
package("strings.xlsx", sheet_xml(
    '<row r="1"><c r="A1" t="inlineStr"><is><t>内联</t></is></c>'
    '<c r="B1" t="inlineStr"><is><r><t>甲</t></r><r><rPr><b/></rPr><t>乙</t></r></is></c>'
    '<c r="C1" t="s"><v>0</v></c><c r="D1" t="s"><v>1</v></c>'
    '<c r="E1" t="str"><f>A1</f><v>公式</v></c><c r="F1" t="b"><v>0</v></c>'
    '<c r="G1" t="inlineStr"><is><t>_x0041_b_x005F_x0041__x00zz_</t></is></c></row>'),
    ["<t>共享</t>", "<r><rPr><i/></rPr><t>富</t></r><r><t>文本</t></r><rPh><t>ふ</t></rPh>"],
    absolute=True)

# Rows and cells without references follow the one before them.
package("noref.xlsx", sheet_xml(
    "<row>" + inline("a1") + inline("b1") + "</row>"
    "<row>" + inline("a2") + '<c r="D2" t="inlineStr"><is><t>d2</t></is></c>' + inline("e2") +
    "</row><row r=\"5\">" + inline("a5") + "</row>"), [])

# A shared-string index past the end of the strings reads as an empty cell.
package("badindex.xlsx", sheet_xml(
    '<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>7</v></c>'
    '<c r="C1" t="s"><v>-1</v></c></row>'
    '<row r="2"><c r="A2" t="s"><v>0</v></c><c r="B2" t="s"><v>99999999999</v></c></row>'),
    ["<t>only</t>"])

# Broken XML in the worksheet.
package("malformed.xlsx", sheet_xml('<row r="1"><c r="A1"><v>1</v></row>'), [])

# A bad cell reference.
package("badref.xlsx", sheet_xml('<row r="1"><c r="1A"><v>1</v></c></row>'), [])

# A worksheet that inflates far past the reader's part limit from a few hundred kilobytes.
BOMB_BYTES = int(sys.argv[2]) if len(sys.argv) > 2 else 130 * 1024 * 1024


def bomb(z):
    info = zipfile.ZipInfo("xl/worksheets/sheet1.xml")
    info.compress_type = zipfile.ZIP_DEFLATED
    with z.open(info, "w", force_zip64=True) as part:
        part.write(('<?xml version="1.0"?><worksheet xmlns="%s"><sheetData>' % MAIN_NS)
                   .encode())
        block = b" " * (1 << 20)
        for _ in range(BOMB_BYTES // len(block) + 1):
            part.write(block)
        part.write(b"</sheetData></worksheet>")


package("bomb.xlsx", bomb, [])

# The same worksheet, its directory entry claiming a hundred bytes: the size must come from
# inflating, not from the directory.
data = bytearray(open(path("bomb.xlsx"), "rb").read())
name = b"xl/worksheets/sheet1.xml"
at = data.find(b"PK\x01\x02")
while at != -1:
    name_length = int.from_bytes(data[at + 28:at + 30], "little")
    if data[at + 46:at + 46 + name_length] == name:
        data[at + 24:at + 28] = (100).to_bytes(4, "little")
    at = data.find(b"PK\x01\x02", at + 4)
open(path("liar.xlsx"), "wb").write(data)
