// FakePacket: the fake service's own packet encoder and field access, written independently
// of the client's reader and writer.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstring>

class FakePacket
{
public:
    explicit FakePacket(quint8 iCode) { m_ar.append(char(iCode)); }

    FakePacket &u8(quint8 v)
    {
        m_ar.append(char(v));
        return *this;
    }
    FakePacket &u32(quint32 v)
    {
        for (int i = 0; i < 4; ++i)
            m_ar.append(char((v >> (8 * i)) & 0xFF));
        return *this;
    }
    // IEEE-754 double, least significant byte first.
    FakePacket &f64(double d)
    {
        quint64 v = 0;
        std::memcpy(&v, &d, sizeof v);
        for (int i = 0; i < 8; ++i)
            m_ar.append(char((v >> (8 * i)) & 0xFF));
        return *this;
    }
    FakePacket &str8(const QByteArray &ar) { return u8(quint8(ar.size())).raw(ar); }
    FakePacket &blob32(const QByteArray &ar) { return u32(quint32(ar.size())).raw(ar); }
    FakePacket &raw(const QByteArray &ar)
    {
        m_ar.append(ar);
        return *this;
    }
    QByteArray bytes() const { return m_ar; }
    operator QByteArray() const { return m_ar; }

    // The server's TCP frame: 16-bit little-endian length, then the packet.
    static QByteArray frame(const QByteArray &arPacket)
    {
        QByteArray ar;
        ar.append(char(arPacket.size() & 0xFF));
        ar.append(char((arPacket.size() >> 8) & 0xFF));
        return ar + arPacket;
    }

    // Little-endian u32 at iOffset; -1 when the packet is too short.
    static qint64 u32At(const QByteArray &ar, int iOffset)
    {
        if (iOffset < 0 || ar.size() < iOffset + 4)
            return -1;
        quint32 v = 0;
        for (int i = 0; i < 4; ++i)
            v |= quint32(quint8(ar.at(iOffset + i))) << (8 * i);
        return v;
    }

private:
    QByteArray m_ar;
};
