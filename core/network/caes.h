// CAes: the field cipher of the protocol, AES-128 in CBC mode over whole blocks. The block
// operations come from OpenSSL; the chaining, the fixed IV and the padding rules are ours
// because the service relies on their exact (lenient) behaviour.
#pragma once

#include <QByteArray>
#include <QString>

#include "ctrace.h"

struct evp_cipher_ctx_st;

class CAes
{
public:
    static constexpr int BLOCK = 16;

    CAes();
    virtual ~CAes();
    CAes(const CAes &) = delete;
    CAes &operator=(const CAes &) = delete;

    void setIv(const unsigned char *pIv);
    void setKey(const unsigned char *pKey);

    // Both work on whole blocks only; trailing bytes of a partial block are dropped.
    QByteArray encryptCbc(const QByteArray &arPlain);
    QByteArray decryptCbc(const QByteArray &arCipher);

private:
    bool blockOp(evp_cipher_ctx_st *pCtx, const unsigned char *pIn, unsigned char *pOut);

    evp_cipher_ctx_st *m_pEncrypt = nullptr;
    evp_cipher_ctx_st *m_pDecrypt = nullptr;
    unsigned char m_iv[BLOCK] = {};
    bool m_bKeyed = false;
    CTrace m_trace{"CAes"};
};

// The field cipher with the built-in key and IV; each thread uses its own instance of it.
QByteArray encryptBytes(const QByteArray &arPlain);
QByteArray decryptBytes(const QByteArray &arCipher);
QByteArray encryptText(const QString &strText);

// The usual way a reply's text field is read back: decrypt, cut at the first zero byte, UTF-8.
QString decryptText(const QByteArray &arCipher);
