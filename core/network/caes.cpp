#include "caes.h"

#include <openssl/evp.h>

#include <cstring>

namespace {

// Shared with the service; both directions, every command.
constexpr unsigned char FIELD_KEY[CAes::BLOCK + 1] = "Zephon#Field#Key";
constexpr unsigned char FIELD_IV[CAes::BLOCK + 1] = "Zephon-Field-IV!";

// One per thread: a cipher object keeps its chaining state between calls, and the parse
// workers decrypt the lists they store on threads of their own.
CAes &fieldCipher()
{
    thread_local CAes aes;
    return aes;
}

} // namespace

CAes::CAes() : m_pEncrypt(EVP_CIPHER_CTX_new()), m_pDecrypt(EVP_CIPHER_CTX_new()) {}

CAes::~CAes()
{
    EVP_CIPHER_CTX_free(m_pEncrypt);
    EVP_CIPHER_CTX_free(m_pDecrypt);
}

void CAes::setIv(const unsigned char *pIv)
{
    std::memcpy(m_iv, pIv, BLOCK);
}

void CAes::setKey(const unsigned char *pKey)
{
    // ECB without padding is the bare block cipher; the chaining is done here.
    m_bKeyed = m_pEncrypt && m_pDecrypt &&
               EVP_EncryptInit_ex(m_pEncrypt, EVP_aes_128_ecb(), nullptr, pKey, nullptr) == 1 &&
               EVP_CIPHER_CTX_set_padding(m_pEncrypt, 0) == 1 &&
               EVP_DecryptInit_ex(m_pDecrypt, EVP_aes_128_ecb(), nullptr, pKey, nullptr) == 1 &&
               EVP_CIPHER_CTX_set_padding(m_pDecrypt, 0) == 1;
    if (!m_bKeyed)
        m_trace.traceError("AES key setup failed");
}

bool CAes::blockOp(evp_cipher_ctx_st *pCtx, const unsigned char *pIn, unsigned char *pOut)
{
    int iOut = 0;
    return EVP_CipherUpdate(pCtx, pOut, &iOut, pIn, BLOCK) == 1 && iOut == BLOCK;
}

QByteArray CAes::encryptCbc(const QByteArray &arPlain)
{
    const int nBlocks = int(arPlain.size()) / BLOCK;
    QByteArray arOut(nBlocks * BLOCK, '\0');
    if (!m_bKeyed)
        return QByteArray();
    unsigned char chain[BLOCK];
    std::memcpy(chain, m_iv, BLOCK);
    const auto *pIn = reinterpret_cast<const unsigned char *>(arPlain.constData());
    auto *pOut = reinterpret_cast<unsigned char *>(arOut.data());
    for (int b = 0; b < nBlocks; ++b) {
        unsigned char block[BLOCK];
        for (int i = 0; i < BLOCK; ++i)
            block[i] = pIn[b * BLOCK + i] ^ chain[i];
        if (!blockOp(m_pEncrypt, block, pOut + b * BLOCK))
            return QByteArray();
        std::memcpy(chain, pOut + b * BLOCK, BLOCK);
    }
    return arOut;
}

QByteArray CAes::decryptCbc(const QByteArray &arCipher)
{
    const int nBlocks = int(arCipher.size()) / BLOCK;
    QByteArray arOut(nBlocks * BLOCK, '\0');
    if (!m_bKeyed)
        return QByteArray();
    const auto *pIn = reinterpret_cast<const unsigned char *>(arCipher.constData());
    auto *pOut = reinterpret_cast<unsigned char *>(arOut.data());
    for (int b = 0; b < nBlocks; ++b) {
        if (!blockOp(m_pDecrypt, pIn + b * BLOCK, pOut + b * BLOCK))
            return QByteArray();
        const unsigned char *pChain = b == 0 ? m_iv : pIn + (b - 1) * BLOCK;
        for (int i = 0; i < BLOCK; ++i)
            pOut[b * BLOCK + i] ^= pChain[i];
    }
    return arOut;
}

QByteArray encryptBytes(const QByteArray &arPlain)
{
    if (arPlain.isEmpty())
        return QByteArray();
    CAes &aes = fieldCipher();
    aes.setIv(FIELD_IV);
    const int iPad = CAes::BLOCK - int(arPlain.size()) % CAes::BLOCK;
    QByteArray arPadded = arPlain;
    arPadded.append(iPad, char(iPad));
    aes.setKey(FIELD_KEY);
    return aes.encryptCbc(arPadded);
}

QByteArray decryptBytes(const QByteArray &arCipher)
{
    if (arCipher.isEmpty())
        return QByteArray();
    CAes &aes = fieldCipher();
    aes.setIv(FIELD_IV);
    aes.setKey(FIELD_KEY);
    QByteArray arPlain = aes.decryptCbc(arCipher);
    if (arPlain.isEmpty())
        return arPlain;
    // The padding is deliberately not verified: decryption never fails, a malformed tail only
    // changes how much of the plaintext is kept.
    const int n = qint8(arPlain.at(arPlain.size() - 1));
    if (n <= 0)
        return arPlain;
    if (n > arPlain.size())
        return QByteArray();
    arPlain.chop(n);
    return arPlain;
}

QByteArray encryptText(const QString &strText)
{
    return encryptBytes(strText.toUtf8());
}

QString decryptText(const QByteArray &arCipher)
{
    QByteArray arPlain = decryptBytes(arCipher);
    const int iZero = int(arPlain.indexOf('\0'));
    if (iZero >= 0)
        arPlain.truncate(iZero);
    return QString::fromUtf8(arPlain);
}
