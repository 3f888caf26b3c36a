#!/usr/bin/env python3
"""Generates the built-in character readings and the common database's Pinyin rows.

Input: Unihan_Readings.txt (plain or .bz2, from the Debian package unicode-data).
Output:
  core/pinyin/pinyintables.cpp    syllable inventory, reading table, polyphone table
  data/pinyin.tsv                 one row per character: Hanzi, DuYin, DuYin1..DuYin6

Run by hand after a Unihan update; the build only reads the committed output:
  python3 tools/pinyin/gen_pinyin.py [path/to/Unihan_Readings.txt[.bz2]]

Readings are lower-case Latin without tone marks. u with diaeresis is written "v" where the
inventory has a syllable for it (lv, nv) and "u" everywhere else (lue, nue, and after j, q,
x and y, where standard spelling never marks it), so every reading is one of the inventory
syllables. Readings outside the inventory (hm, ng, hng, ...) are dropped.

Order of a character's readings: first the modern standard dictionary (kTGHZ2013), then the
older one (kXHC1983), then kMandarin and kHanyuPinlu; kHanyuPinyin only when none of those
gives a reading. Korean gugyeol marks that only kMandarin transliterates get no reading.
tools/pinyin/preferred.tsv overrides the order for characters whose common
reading would otherwise not come first. The main reading (reading-table entry and DuYin) is
the first kMandarin value, falling back to the first of the ordered list.
"""

import bz2
import os
import sys
import unicodedata

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))

# The index of each syllable is part of the data format: the reading tables and the search
# index refer to syllables by position. Index 393 is deliberately empty.
SYLLABLES = """a ai an ang ao ba bai ban bang bao bei ben beng bi bian biao bie bin bing bo bu ca cai
can cang cao ce ceng cha chai chan chang chao che chen cheng chi chong chou chu chuai chuan
chuang chui chun chuo ci cong cou cu cuan cui cun cuo da dai dan dang dao de deng di dian diao
die ding diu dong dou du duan dui dun duo e en er fa fan fang fei fen feng fu fou ga gai gan
gang gao ge ji gen geng gong gou gu gua guai guan guang gui gun guo ha hai han hang hao he hei
hen heng hong hou hu hua huai huan huang hui hun huo jia jian jiang qiao jiao jie jin jing
jiong jiu ju juan jue jun ka kai kan kang kao ke ken keng kong kou ku kua kuai kuan kuang kui
kun kuo la lai lan lang lao le lei leng li lia lian liang liao lie lin ling liu long lou lu
luan lue lun luo ma mai man mang mao me mei men meng mi mian miao mie min ming miu mo mou mu
na nai nan nang nao ne nei nen neng ni nian niang niao nie nin ning niu nong nu nuan nue yao
nuo o ou pa pai pan pang pao pei pen peng pi pian piao pie pin ping po pou pu qi qia qian
qiang qie qin qing qiong qiu qu quan que qun ran rang rao re ren reng ri rong rou ru ruan rui
run ruo sa sai san sang sao se sen seng sha shai shan shang shao she shen sheng shi shou shu
shua shuai shuan shuang shui shun shuo si song sou su suan sui sun suo ta tai tan tang tao te
teng ti tian tiao tie ting tong tou tu tuan tui tun tuo wa wai wan wang wei wen weng wo wu xi
xia xian xiang xiao xie xin xing xiong xiu xu xuan xue xun ya yan yang ye yi yin ying yo yong
you yu yuan yue yun za zai zan zang zao ze zei zen zeng zha zhai zhan zhang zhao zhe zhen
zheng zhi zhong zhou zhu zhua zhuai zhuan zhuang zhui zhun zhuo zi zong zou zu zuan zui zun
zuo""".split() + [""] + "ei m n dia cen nou jv qv xv lv nv fo".split()

assert len(SYLLABLES) == 406 and SYLLABLES[393] == "" and SYLLABLES[347] == "yi" and SYLLABLES[369] == "zhang" and SYLLABLES[107] == "hang"
SYLLABLE_INDEX = {s: i for i, s in enumerate(SYLLABLES) if s}

TABLE_FIRST = 0x4E00
TABLE_SIZE = 0x5200
MAX_READINGS = 4   # slots of a polyphone row
MAX_DUYIN = 7      # DuYin plus DuYin1..DuYin6

# Characters whose readings get a row in data/pinyin.tsv: the BMP ideograph blocks, since
# the sort key looks characters up one 16-bit code unit at a time.
TSV_RANGES = [(0x3400, 0x4DBF), (0x4E00, 0x9FFF), (0xF900, 0xFAFF)]


def normalise(reading):
    """Latin reading with tone marks -> inventory spelling, or None."""
    decomposed = unicodedata.normalize("NFD", reading.strip().lower())
    out = []
    for ch in decomposed:
        if ch == "\u0308":  # diaeresis: only ever on u
            if out and out[-1] == "u":
                out[-1] = "\u00fc"
            continue
        if unicodedata.category(ch) == "Mn":
            continue
        out.append(ch)
    s = "".join(out)
    if "\u00fc" in s:
        s = s.replace("\u00fc", "v") if s in ("l\u00fc", "n\u00fc") else s.replace("\u00fc", "u")
    return s if s in SYLLABLE_INDEX else None


def parse_field(field, value):
    """The readings a Unihan field lists, in its own order, still with tone marks."""
    if field == "kMandarin":
        return value.split()
    if field == "kHanyuPinlu":
        return [item.split("(")[0] for item in value.split()]
    readings = []
    for item in value.split():  # "page.pos[,page.pos]:r1[,r2...]"
        readings.extend(item.split(":", 1)[1].split(","))
    return readings


def load_unihan(path):
    opener = bz2.open if path.endswith(".bz2") else open
    fields = {}
    with opener(path, "rt", encoding="utf-8") as f:
        for line in f:
            if not line.startswith("U+"):
                continue
            code, field, value = line.rstrip("\n").split("\t", 2)
            cp = int(code[2:], 16)
            if cp > 0xFFFF:
                continue
            fields.setdefault(cp, {})[field] = value
    return fields


def ordered_readings(entry):
    def collect(names):
        out = []
        for name in names:
            if name in entry:
                for r in parse_field(name, entry[name]):
                    s = normalise(r)
                    if s and s not in out:
                        out.append(s)
        return out

    dictionaries = ["kTGHZ2013", "kXHC1983", "kHanyuPinlu", "kHanyuPinyin"]
    if entry.get("kDefinition", "").startswith("kwukyel") and not any(
            name in entry for name in dictionaries):
        # Korean gugyeol marks: their kMandarin value is a nominal transliteration that no
        # dictionary attests, and no Chinese name contains them.
        return []
    readings = collect(["kTGHZ2013", "kXHC1983", "kMandarin", "kHanyuPinlu"])
    return readings or collect(["kHanyuPinyin"])


def main_reading(entry, readings):
    for r in parse_field("kMandarin", entry.get("kMandarin", "")):
        s = normalise(r)
        if s:
            return s
    return readings[0] if readings else None


def load_preferred(path):
    preferred = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            hanzi, readings = line.split("\t", 1)
            readings = readings.split()
            for r in readings:
                assert r in SYLLABLE_INDEX, (hanzi, r)
            preferred[ord(hanzi)] = readings
    return preferred


def apply_preferred(readings, preferred):
    return list(preferred) + [r for r in readings if r not in preferred]


def find_unihan():
    for candidate in ("/usr/share/unicode/Unihan_Readings.txt",
                      "/usr/share/unicode/Unihan_Readings.txt.bz2"):
        if os.path.exists(candidate):
            return candidate
    sys.exit("Unihan_Readings.txt not found; install unicode-data or pass its path")


def write_cpp(path, table, polyphones, source_note):
    lines = [
        "// Generated by tools/pinyin/gen_pinyin.py from " + source_note + "; do not edit.",
        "// clang-format off",
        '#include "pinyintables.h"',
        "",
        "namespace pinyintables {",
        "",
        "const char *const kSyllables[406] = {",
    ]
    row = []
    for s in SYLLABLES:
        row.append('"%s",' % s)
        if len(row) == 12:
            lines.append("    " + " ".join(row))
            row = []
    if row:
        lines.append("    " + " ".join(row))
    lines += ["};", "", "const qint32 kReadingTable[kReadingTableSize] = {"]
    for i in range(0, TABLE_SIZE, 16):
        lines.append("    " + " ".join("%d," % v for v in table[i:i + 16]))
    lines += ["};", "", "const qint32 kPolyphoneTable[kPolyphoneCount][5] = {"]
    for cp, slots in polyphones:
        lines.append("    {0x%04X, %s}," % (cp, ", ".join(str(s) for s in slots)))
    lines += ["};", "", "} // namespace pinyintables", ""]
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))


def main():
    source = sys.argv[1] if len(sys.argv) > 1 else find_unihan()
    fields = load_unihan(source)
    preferred = load_preferred(os.path.join(ROOT, "tools", "pinyin", "preferred.tsv"))

    readings_of = {}
    main_of = {}
    for cp, entry in fields.items():
        readings = ordered_readings(entry)
        if cp in preferred:
            readings = apply_preferred(readings, preferred[cp])
        if not readings:
            continue
        readings_of[cp] = readings
        main_of[cp] = main_reading(entry, readings)

    table = [0] * TABLE_SIZE
    polyphones = []
    for cp in range(TABLE_FIRST, TABLE_FIRST + TABLE_SIZE):
        if cp not in readings_of:
            continue
        table[cp - TABLE_FIRST] = SYLLABLE_INDEX[main_of[cp]] + 1
        readings = readings_of[cp]
        if len(readings) > 1:
            # Slots hold syllable index + 1 so that syllable 0 ("a") can be listed; 0 ends a row.
            slots = [SYLLABLE_INDEX[r] + 1 for r in readings[:MAX_READINGS]]
            polyphones.append((cp, slots + [0] * (MAX_READINGS - len(slots))))

    write_cpp(os.path.join(ROOT, "core", "pinyin", "pinyintables.cpp"), table, polyphones,
              os.path.basename(source))
    header = os.path.join(ROOT, "core", "pinyin", "pinyintables.h")
    with open(header, encoding="utf-8") as f:
        text = f.read()
    marker = "constexpr int kPolyphoneCount = "
    start = text.index(marker) + len(marker)
    end = text.index(";", start)
    with open(header, "w", encoding="utf-8") as f:
        f.write(text[:start] + str(len(polyphones)) + text[end:])

    rows = 0
    with open(os.path.join(ROOT, "data", "pinyin.tsv"), "w", encoding="utf-8") as f:
        f.write("# Generated by tools/pinyin/gen_pinyin.py; Hanzi, DuYin, DuYin1..DuYin6\n")
        for first, last in TSV_RANGES:
            for cp in range(first, last + 1):
                if cp not in readings_of:
                    continue
                main = main_of[cp]
                rest = [r for r in readings_of[cp] if r != main][:MAX_DUYIN - 1]
                f.write("\t".join([chr(cp), main] + rest) + "\n")
                rows += 1

    counts = {}
    for _, slots in polyphones:
        n = sum(1 for s in slots if s)
        counts[n] = counts.get(n, 0) + 1
    zero = sum(1 for v in table if v == 0)
    zero_to_9fa5 = sum(1 for v in table[:0x9FA5 - TABLE_FIRST + 1] if v == 0)
    print("reading table: %d entries, %d without reading (%d up to U+9FA5)"
          % (TABLE_SIZE, zero, zero_to_9fa5))
    print("polyphone table: %d rows, by number of readings: %s"
          % (len(polyphones), dict(sorted(counts.items()))))
    print("pinyin.tsv: %d rows" % rows)


if __name__ == "__main__":
    main()
