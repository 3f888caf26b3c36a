#include "fakecipher.h"

#include <openssl/evp.h>

#include <memory>

namespace {

const unsigned char KEY[] = {'Z', 'e', 'p', 'h', 'o', 'n', '#', 'F',
                             'i', 'e', 'l', 'd', '#', 'K', 'e', 'y'};
const unsigned char IV[] = {'Z', 'e', 'p', 'h', 'o', 'n', '-', 'F',
                            'i', 'e', 'l', 'd', '-', 'I', 'V', '!'};

QByteArray run(const QByteArray &arIn, bool bEncrypt)
{
    if (arIn.isEmpty())
        return QByteArray();
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                        EVP_CIPHER_CTX_free);
    if (!ctx ||
        EVP_CipherInit_ex(ctx.get(), EVP_aes_128_cbc(), nullptr, KEY, IV, bEncrypt ? 1 : 0) != 1)
        return QByteArray();
    QByteArray arOut(int(arIn.size()) + 32, '\0');
    int iLen = 0;
    int iFinal = 0;
    auto *pOut = reinterpret_cast<unsigned char *>(arOut.data());
    if (EVP_CipherUpdate(ctx.get(), pOut, &iLen,
                         reinterpret_cast<const unsigned char *>(arIn.constData()),
                         int(arIn.size())) != 1 ||
        EVP_CipherFinal_ex(ctx.get(), pOut + iLen, &iFinal) != 1)
        return QByteArray();
    arOut.truncate(iLen + iFinal);
    return arOut;
}

} // namespace

QByteArray fakeEncrypt(const QByteArray &arPlain)
{
    return run(arPlain, true);
}

QByteArray fakeDecrypt(const QByteArray &arCipher)
{
    return run(arCipher, false);
}

QString fakeDecryptText(const QByteArray &arCipher)
{
    return QString::fromUtf8(fakeDecrypt(arCipher));
}
