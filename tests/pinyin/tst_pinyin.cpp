// Readings from the built-in tables, the sort key and the text-stripping functions.
#include "pinyin.h"

#include <QElapsedTimer>
#include <QTest>
#include <QThread>

class TestPinyin : public QObject
{
    Q_OBJECT

private slots:
    void readings_data();
    void readings();
    void everyReadingIsANamedSyllable();
    void names_data();
    void names();
    void sortKey_data();
    void sortKey();
    void strip_data();
    void strip();
    void keysWaitForAMapStillLoading();
};

static QString readingsText(const WordItem &item)
{
    QStringList names;
    for (int i = 0; i < item.iCount; ++i)
        names << syllableName(item.arReadings[i]);
    return names.join(u' ');
}

void TestPinyin::readings_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("expectedCode");
    QTest::addColumn<QString>("readings");

    QTest::newRow("one reading 一") << 0x4E00 << 0x4E00 << "yi";
    QTest::newRow("polyphone 长 prefers chang") << 0x957F << 0x957F << "chang zhang";
    QTest::newRow("行 three readings") << 0x884C << 0x884C << "hang heng xing";
    QTest::newRow("重") << 0x91CD << 0x91CD << "zhong chong";
    QTest::newRow("乐") << 0x4E50 << 0x4E50 << "le yue";
    QTest::newRow("丁") << 0x4E01 << 0x4E01 << "ding zheng";
    QTest::newRow("阿 lists syllable a") << 0x963F << 0x963F << "a e";
    QTest::newRow("女 written nv") << 0x5973 << 0x5973 << "nv";
    QTest::newRow("略 written lue") << 0x7565 << 0x7565 << "lue";
    QTest::newRow("U+4E06 has no reading") << 0x4E06 << 0x4E06 << "";
    QTest::newRow("last code point of the block") << 0x9FFF << 0x9FFF << "";
    QTest::newRow("just below the block") << 0x4DFF << 0x4DFF << "";
    QTest::newRow("full-width A folds to a") << 0xFF21 << 0x61 << "";
    QTest::newRow("full-width Z folds to z") << 0xFF3A << 0x7A << "";
    QTest::newRow("full-width a moves past ASCII") << 0xFF41 << 0x81 << "";
    QTest::newRow("full-width digit zero stays") << 0xFF10 << 0xFF10 << "";
    QTest::newRow("low byte 0x20 stays") << 0xFF20 << 0xFF20 << "";
    QTest::newRow("ASCII passes unchanged") << 0x41 << 0x41 << "";
    QTest::newRow("high surrogate") << 0xD83D << 0xD83D << "";
}

void TestPinyin::readings()
{
    QFETCH(int, code);
    QFETCH(int, expectedCode);
    QFETCH(QString, readings);

    const WordItem item = charReadings(quint16(code));
    QCOMPARE(int(item.iCode), expectedCode);
    QCOMPARE(readingsText(item), readings);
}

// The search index indexes syllable strings by these numbers; a reading that points at the
// empty slot or past the inventory would make an unmatchable item.
void TestPinyin::everyReadingIsANamedSyllable()
{
    int withReading = 0;
    for (int c = 0x4E00; c <= 0x9FFF; ++c) {
        const WordItem item = charReadings(quint16(c));
        QVERIFY(item.iCount >= 0 && item.iCount <= 4);
        for (int i = 0; i < item.iCount; ++i) {
            const int s = item.arReadings[i];
            QVERIFY2(s >= 0 && s < kSyllableCount && !syllableName(s).isEmpty(),
                     qPrintable(QString::number(c, 16)));
            for (int j = 0; j < i; ++j)
                QVERIFY2(item.arReadings[j] != s, qPrintable(QString::number(c, 16)));
        }
        withReading += item.iCount > 0;
    }
    // Nearly the whole block carries readings; a broken table would drop far below.
    QVERIFY2(withReading > 20800, qPrintable(QString::number(withReading)));
}

void TestPinyin::names_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("name");
    QTest::newRow("first") << 0 << "a";
    QTest::newRow("ji sits among the g syllables") << 91 << "ji";
    QTest::newRow("yi") << 347 << "yi";
    QTest::newRow("zhang") << 369 << "zhang";
    QTest::newRow("empty slot") << 393 << "";
    QTest::newRow("lv") << 403 << "lv";
    QTest::newRow("last") << 405 << "fo";
    QTest::newRow("past the end") << 406 << "";
    QTest::newRow("negative") << -1 << "";
}

void TestPinyin::names()
{
    QFETCH(int, index);
    QFETCH(QString, name);
    QCOMPARE(syllableName(index), name);
}

void TestPinyin::sortKey_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("key");
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("two characters") << "张三"
                                    << "zhangsan";
    QTest::newRow("full-width letters lose the hyphen") << "Ａ-Ｂ"
                                                        << "ａｂ";
    QTest::newRow("letters and digits lower-cased") << "Tom 2 Lee"
                                                    << "tom2lee";
    QTest::newRow("unknown character kept") << "张丂"
                                            << "zhang丂";
    QTest::newRow("apostrophe and punctuation vanish") << "O'Brien，（张）"
                                                       << "obrienzhang";
    QTest::newRow("main reading only") << "行"
                                       << "xing";
    QTest::newRow("emoji kept") << "张😀"
                                << "zhang😀";
}

void TestPinyin::sortKey()
{
    QFETCH(QString, text);
    QFETCH(QString, key);
    setPinyinMap({{u'张', QStringLiteral("zhang")},
                  {u'三', QStringLiteral("san")},
                  {u'行', QStringLiteral("xing")}});
    QCOMPARE(toPinyin(text), key);
    setPinyinMap({});
    QCOMPARE(toPinyin(QStringLiteral("张-三")), QStringLiteral("张三"));
}

void TestPinyin::strip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("withoutPunctuation");
    QTest::addColumn<QString>("withoutAlphanumerics");
    QTest::newRow("empty") << ""
                           << ""
                           << "";
    QTest::newRow("ascii marks") << "a-b_c d!?"
                                 << "abcd"
                                 << "-_ !?";
    QTest::newRow("chinese marks") << "【张】、“三”…—·《》？"
                                   << "张三"
                                   << "【张】、“三”…—·《》？";
    QTest::newRow("mixed name") << "Li 小明2"
                                << "Li小明2"
                                << " 小明";
    QTest::newRow("surrogate pair survives") << "😀."
                                             << "😀"
                                             << "😀.";
    QTest::newRow("full-width letters are not alphanumerics") << "Ａ1"
                                                              << "Ａ1"
                                                              << "Ａ";
}

void TestPinyin::strip()
{
    QFETCH(QString, text);
    QFETCH(QString, withoutPunctuation);
    QFETCH(QString, withoutAlphanumerics);
    QCOMPARE(removePunctuation(text), withoutPunctuation);
    QCOMPARE(removeAlphanumerics(text), withoutAlphanumerics);
}

// The map is read on a thread of its own at start-up; a key asked for before it is in waits
// for it rather than coming out without readings, and replacing it waits too.
void TestPinyin::keysWaitForAMapStillLoading()
{
    loadPinyinMapAsync([] {
        QThread::msleep(300);
        return QHash<char16_t, QString>{{u'张', QStringLiteral("zhang")}};
    });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(toPinyin(QStringLiteral("张")), QStringLiteral("zhang"));
    QVERIFY(clock.elapsed() >= 250);
    QCOMPARE(pinyinMapSize(), 1);
    loadPinyinMapAsync([] {
        QThread::msleep(100);
        return QHash<char16_t, QString>{{u'李', QStringLiteral("li")}};
    });
    setPinyinMap({});
    QThread::msleep(200);
    QCOMPARE(pinyinMapSize(), 0);
}

QTEST_GUILESS_MAIN(TestPinyin)
#include "tst_pinyin.moc"
