// The field cipher: standard AES vectors, CBC chaining, and the padding rules the service
// relies on, checked against OpenSSL's own CBC mode.
#include <QTest>

#include "caes.h"
#include "fakecipher.h"

class TestAes : public QObject
{
    Q_OBJECT
private slots:
    void knownVectors_data();
    void knownVectors();
    void matchesServiceCipher_data();
    void matchesServiceCipher();
    void unpadding_data();
    void unpadding();
    void partialBlocks_data();
    void partialBlocks();
};

void TestAes::knownVectors_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("iv");
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QByteArray>("cipher");
    // A zero IV makes one CBC block the bare block cipher.
    QTest::newRow("FIPS-197 C.1") << QByteArray::fromHex("000102030405060708090a0b0c0d0e0f")
                                  << QByteArray(16, '\0')
                                  << QByteArray::fromHex("00112233445566778899aabbccddeeff")
                                  << QByteArray::fromHex("69c4e0d86a7b0430d8cdb78070b4c55a");
    QTest::newRow("SP 800-38A F.2.1") << QByteArray::fromHex("2b7e151628aed2a6abf7158809cf4f3c")
                                      << QByteArray::fromHex("000102030405060708090a0b0c0d0e0f")
                                      << QByteArray::fromHex("6bc1bee22e409f96e93d7e117393172a"
                                                             "ae2d8a571e03ac9c9eb76fac45af8e51"
                                                             "30c81c46a35ce411e5fbc1191a0a52ef"
                                                             "f69f2445df4f9b17ad2b417be66c3710")
                                      << QByteArray::fromHex("7649abac8119b246cee98e9b12e9197d"
                                                             "5086cb9b507219ee95db113a917678b2"
                                                             "73bed6b8e3c1743b7116e69e22229516"
                                                             "3ff1caa1681fac09120eca307586e1a7");
}

void TestAes::knownVectors()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, iv);
    QFETCH(QByteArray, plain);
    QFETCH(QByteArray, cipher);
    CAes aes;
    aes.setIv(reinterpret_cast<const unsigned char *>(iv.constData()));
    aes.setKey(reinterpret_cast<const unsigned char *>(key.constData()));
    QCOMPARE(aes.encryptCbc(plain).toHex(), cipher.toHex());
    QCOMPARE(aes.decryptCbc(cipher).toHex(), plain.toHex());
}

void TestAes::matchesServiceCipher_data()
{
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<int>("cipherLength");
    QTest::newRow("1 byte") << QByteArray("a") << 16;
    QTest::newRow("15 bytes") << QByteArray(15, 'p') << 16;
    QTest::newRow("16 bytes") << QByteArray(16, 'p') << 32;
    QTest::newRow("17 bytes") << QByteArray(17, 'p') << 32;
    QTest::newRow("ends 0x01") << QByteArray("abc\x01") << 16;
    QTest::newRow("ends 0x10") << QByteArray("abcdefghijklmno\x10") << 32;
    QTest::newRow("utf-8 text") << QString::fromUtf8("你好, world").toUtf8() << 16;
    QTest::newRow("binary zeros") << QByteArray(40, '\0') << 48;
}

void TestAes::matchesServiceCipher()
{
    QFETCH(QByteArray, plain);
    QFETCH(int, cipherLength);
    const QByteArray arCipher = encryptBytes(plain);
    QCOMPARE(arCipher.size(), cipherLength);
    QCOMPARE(arCipher.toHex(), fakeEncrypt(plain).toHex());
    QCOMPARE(decryptBytes(arCipher), plain);
    QCOMPARE(decryptBytes(fakeEncrypt(plain)), plain);
    QCOMPARE(encryptText(QString::fromUtf8(plain)),
             encryptBytes(QString::fromUtf8(plain).toUtf8()));
}

namespace {

// A ciphertext whose plaintext is exactly `plain` (whole blocks, no padding added): CBC's
// leading blocks do not depend on the padding block that encryptBytes appends.
QByteArray cipherOfExactly(const QByteArray &plain)
{
    return encryptBytes(plain).left(plain.size());
}

} // namespace

void TestAes::unpadding_data()
{
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray ar15(15, 'k');
    QTest::newRow("pad 5") << ar15 + '\x05' << ar15.left(11);
    QTest::newRow("pad 16 empties one block") << ar15 + '\x10' << QByteArray();
    QTest::newRow("last 0x00 keeps all") << ar15 + '\0' << ar15 + '\0';
    QTest::newRow("last 0x80 keeps all") << ar15 + '\x80' << ar15 + '\x80';
    QTest::newRow("last 0xff keeps all") << ar15 + '\xff' << ar15 + '\xff';
    QTest::newRow("n beyond length") << ar15 + '\x11' << QByteArray();
    QTest::newRow("n 0x7f") << ar15 + '\x7f' << QByteArray();
    QTest::newRow("padding bytes unchecked")
        << QByteArray(13, 'k') + "xy\x03" << QByteArray(13, 'k');
    const QByteArray ar31(31, 'm');
    QTest::newRow("two blocks, n 32") << ar31 + '\x20' << QByteArray();
    QTest::newRow("two blocks, n 20") << ar31 + '\x14' << ar31.left(12);
}

void TestAes::unpadding()
{
    QFETCH(QByteArray, plain);
    QFETCH(QByteArray, expected);
    QCOMPARE(decryptBytes(cipherOfExactly(plain)), expected);
}

void TestAes::partialBlocks_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("empty") << 0;
    QTest::newRow("5") << 5;
    QTest::newRow("15") << 15;
    QTest::newRow("17") << 17;
    QTest::newRow("47") << 47;
}

void TestAes::partialBlocks()
{
    QFETCH(int, length);
    const QByteArray arWhole = encryptBytes(QByteArray(30, 'z'));
    // The input ends where a partial block ends; anything behind it must stay unread.
    QByteArray arBacking = (arWhole + arWhole).left(length) + QByteArray(32, '\x77');
    const QByteArray arInput = QByteArray::fromRawData(arBacking.constData(), length);
    const QByteArray arPlain = decryptBytes(arInput);
    QVERIFY(arPlain.size() <= (length / 16) * 16);
    if (length >= 32)
        QCOMPARE(arPlain, QByteArray(30, 'z'));
    QCOMPARE(encryptBytes(QByteArray()), QByteArray());
}

QTEST_GUILESS_MAIN(TestAes)
#include "tst_aes.moc"
