#include "cpasswordhash.h"

#include <sodium.h>

bool CPasswordHash::initialise()
{
    return sodium_init() >= 0;
}

QByteArray CPasswordHash::hash(const QString &strPassword, Cost cost)
{
    const QByteArray arPassword = strPassword.toUtf8();
    const unsigned long long iOps =
        cost == Minimal ? crypto_pwhash_OPSLIMIT_MIN : crypto_pwhash_OPSLIMIT_INTERACTIVE;
    const size_t iMem =
        cost == Minimal ? crypto_pwhash_MEMLIMIT_MIN : crypto_pwhash_MEMLIMIT_INTERACTIVE;
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, arPassword.constData(), quint64(arPassword.size()), iOps, iMem) != 0)
        return QByteArray();
    return QByteArray(out);
}

bool CPasswordHash::verify(const QByteArray &arHash, const QString &strPassword)
{
    if (arHash.isEmpty() || arHash.size() >= crypto_pwhash_STRBYTES)
        return false;
    const QByteArray arPassword = strPassword.toUtf8();
    // The stored text is copied into a zero-terminated buffer of the size the library expects.
    char stored[crypto_pwhash_STRBYTES] = {};
    memcpy(stored, arHash.constData(), size_t(arHash.size()));
    return crypto_pwhash_str_verify(stored, arPassword.constData(), quint64(arPassword.size())) ==
           0;
}

bool CPasswordHash::costFromName(const QString &strName, Cost &cost)
{
    if (strName == QLatin1String("interactive")) {
        cost = Interactive;
        return true;
    }
    if (strName == QLatin1String("minimal")) {
        cost = Minimal;
        return true;
    }
    return false;
}
