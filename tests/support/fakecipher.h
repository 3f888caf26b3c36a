// The fake service's own field cipher: OpenSSL's AES-128-CBC with PKCS#7, called directly, so
// that a fault in the client's cipher cannot cancel out in the tests.
#pragma once

#include <QByteArray>
#include <QString>

QByteArray fakeEncrypt(const QByteArray &arPlain);
// Empty on a ciphertext that does not decrypt to valid padding.
QByteArray fakeDecrypt(const QByteArray &arCipher);
QString fakeDecryptText(const QByteArray &arCipher);
