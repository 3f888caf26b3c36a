// Integer codecs, the field reader's bounds and the field writer's count rules.
#include <QTest>

#include "caes.h"
#include "cfieldreader.h"
#include "cfieldwriter.h"
#include "codes.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "packint.h"
#include "zephonversion.h"

class TestFields : public QObject
{
    Q_OBJECT
private slots:
    void packUnpack_data();
    void packUnpack();
    void readsWhatTheFakeServiceWrites();
    void everyTruncationFailsCleanly_data();
    void everyTruncationFailsCleanly();
    void blobCountBeyondPacket();
    void countedFieldLimits_data();
    void countedFieldLimits();
    void enc8IsReadableByTheService();
};

void TestFields::packUnpack_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<quint32>("value");
    QTest::newRow("empty") << QByteArray() << 0u;
    QTest::newRow("one byte") << QByteArray::fromHex("7f") << 0x7fu;
    QTest::newRow("two bytes") << QByteArray::fromHex("3412") << 0x1234u;
    QTest::newRow("three bytes") << QByteArray::fromHex("563412") << 0x123456u;
    QTest::newRow("four bytes") << QByteArray::fromHex("87d61200") << 1234567u;
    QTest::newRow("max") << QByteArray::fromHex("ffffffff") << 0xffffffffu;
    QTest::newRow("extra bytes ignored") << QByteArray::fromHex("01000000ff") << 1u;
}

void TestFields::packUnpack()
{
    QFETCH(QByteArray, bytes);
    QFETCH(quint32, value);
    QCOMPARE(unpackUInt(bytes), value);
    if (bytes.size() == 4)
        QCOMPARE(packUInt32(value), bytes);
    QCOMPARE(packUInt32(value).size(), 4);
    QCOMPARE(unpackUInt(packUInt32(value)), value);
}

void TestFields::readsWhatTheFakeServiceWrites()
{
    const QByteArray arCipher = fakeEncrypt("13800138000");
    const QByteArray ar = FakePacket(Codes::CmdUserPhone)
                              .u8(0)
                              .u32(424242)
                              .str8("10.0.0.5")
                              .str8(arCipher)
                              .blob32(QByteArray("\x01\x02\x03", 3))
                              .raw("rest");
    CFieldReader reader(ar);
    QCOMPARE(reader.u8(), quint8(13));
    QCOMPARE(reader.u8(), quint8(0));
    QCOMPARE(reader.zpid(), 424242u);
    QCOMPARE(reader.str8Text(), QString("10.0.0.5"));
    QCOMPARE(reader.enc8Text(), QString("13800138000"));
    QCOMPARE(reader.blob32(), QByteArray("\x01\x02\x03", 3));
    QCOMPARE(reader.tail(), QByteArray("rest"));
    QVERIFY(reader.ok());
    QVERIFY(reader.atEnd());
}

namespace {

struct Fields
{
    quint8 a = 0;
    quint32 b = 0;
    QByteArray c, d, e;
};

Fields readAll(CFieldReader &reader)
{
    Fields f;
    f.a = reader.u8();
    f.b = reader.u32();
    f.c = reader.str8();
    f.d = reader.enc8();
    f.e = reader.blob32();
    return f;
}

} // namespace

void TestFields::everyTruncationFailsCleanly_data()
{
    QTest::addColumn<int>("cut");
    CFieldWriter writer(7);
    writer.u32(0xA1B2C3D4).str8(ZEPHON_VERSION_TEXT).enc8("secret").blob32("blob-bytes");
    for (int i = 0; i < writer.size(); ++i)
        QTest::addRow("%d", i) << i;
}

void TestFields::everyTruncationFailsCleanly()
{
    QFETCH(int, cut);
    CFieldWriter writer(7);
    writer.u32(0xA1B2C3D4).str8(ZEPHON_VERSION_TEXT).enc8("secret").blob32("blob-bytes");
    const QByteArray arFull = writer.packet();

    // The cut packet sits in front of bytes that must never be seen by the reader.
    QByteArray arBacking = arFull.left(cut) + QByteArray(64, '\xEE');
    const QByteArray arCut = QByteArray::fromRawData(arBacking.constData(), cut);
    CFieldReader whole(arFull);
    const Fields expected = readAll(whole);
    QVERIFY(whole.ok());

    CFieldReader reader(arCut);
    const Fields got = readAll(reader);
    QVERIFY(!reader.ok());
    QVERIFY(reader.atEnd());
    QCOMPARE(reader.tail(), QByteArray());
    for (const QByteArray &ar : {got.c, got.d, got.e})
        QVERIFY(!ar.contains('\xEE'));
    // Whatever was read is the true field or a prefix of it, never invented bytes.
    QVERIFY(expected.c.startsWith(got.c));
    QVERIFY(expected.d.startsWith(got.d));
    QVERIFY(expected.e.startsWith(got.e));
    if (cut >= 5)
        QCOMPARE(got.b, expected.b);
    else if (cut >= 1)
        QCOMPARE(got.b, unpackUInt(arFull.mid(1, cut - 1)));
}

void TestFields::blobCountBeyondPacket()
{
    const QByteArray ar = FakePacket(1).u32(0xFFFFFFF0u).raw("abc");
    CFieldReader reader(ar, 1);
    QCOMPARE(reader.blob32(), QByteArray("abc"));
    QVERIFY(!reader.ok());

    CFieldReader outside(ar, 99);
    QVERIFY(!outside.ok());
    QCOMPARE(outside.u32(), 0u);
}

void TestFields::countedFieldLimits_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("fits");
    QTest::newRow("str8 255") << "str8" << 255 << true;
    QTest::newRow("str8 256") << "str8" << 256 << false;
    QTest::newRow("str8 empty") << "str8" << 0 << true;
    // 239 plaintext bytes pad to 240; 240 bytes gain a whole block and make 256.
    QTest::newRow("enc8 239") << "enc8" << 239 << true;
    QTest::newRow("enc8 240") << "enc8" << 240 << false;
    QTest::newRow("enc8 empty") << "enc8" << 0 << true;
}

void TestFields::countedFieldLimits()
{
    QFETCH(QString, kind);
    QFETCH(int, length);
    QFETCH(bool, fits);
    const QString strText(length, QChar('x'));
    CFieldWriter writer(9);
    if (kind == "str8")
        writer.str8(strText);
    else
        writer.enc8(strText);
    writer.u8(0x5A);
    QCOMPARE(writer.ok(), fits);
    if (!fits) {
        // Nothing of the oversized field was written, so no count can disagree with it.
        QCOMPARE(writer.packet(), QByteArray::fromHex("095a"));
        return;
    }
    CFieldReader reader(writer.packet(), 1);
    const QByteArray arField = reader.str8();
    QCOMPARE(reader.u8(), quint8(0x5A));
    QVERIFY(reader.ok() && reader.atEnd());
    QCOMPARE(arField.isEmpty(), length == 0);
    if (kind == "str8")
        QCOMPARE(QString::fromUtf8(arField), strText);
    else
        QCOMPARE(fakeDecryptText(arField), strText);
}

void TestFields::enc8IsReadableByTheService()
{
    CFieldWriter writer;
    writer.enc8(QString::fromUtf8("密码-pass"));
    const QByteArray ar = writer.packet();
    QCOMPARE(int(quint8(ar.at(0))), ar.size() - 1);
    QCOMPARE(fakeDecryptText(ar.mid(1)), QString::fromUtf8("密码-pass"));
}

QTEST_GUILESS_MAIN(TestFields)
#include "tst_fields.moc"
