// CPasswordHash: passwords are kept only as slow salted hashes (Argon2id through libsodium's
// crypto_pwhash_str). The cost is chosen when a hash is made and recorded inside it, so
// verification needs no setting. Safe to call from any thread.
#pragma once

#include <QByteArray>
#include <QString>

class CPasswordHash
{
public:
    enum Cost
    {
        Interactive, // libsodium's interactive limits: the cost of every real account
        Minimal      // the library's lowest limits, for test fixtures only
    };

    // False when the library cannot be used; every other call then fails.
    static bool initialise();
    // An empty result means the hash could not be made (out of memory).
    static QByteArray hash(const QString &strPassword, Cost cost = Interactive);
    static bool verify(const QByteArray &arHash, const QString &strPassword);
    static bool costFromName(const QString &strName, Cost &cost);
};
