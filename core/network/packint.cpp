#include "packint.h"

QByteArray packUInt32(quint32 iValue)
{
    QByteArray ar(4, '\0');
    for (int i = 0; i < 4; ++i)
        ar[i] = char((iValue >> (8 * i)) & 0xFF);
    return ar;
}

quint32 unpackUInt(const QByteArray &arBytes)
{
    quint32 iValue = 0;
    const int n = qMin(int(arBytes.size()), 4);
    for (int i = 0; i < n; ++i)
        iValue |= quint32(quint8(arBytes.at(i))) << (8 * i);
    return iValue;
}
