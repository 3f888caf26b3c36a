// CFieldWriter: the one writer for packet fields. A count-prefixed field is written only when
// its count can describe every byte that follows; otherwise nothing of it is written and the
// writer is marked failed, and the caller must not send the packet.
#pragma once

#include <QByteArray>
#include <QString>

#include "ctrace.h"

class CFieldWriter
{
public:
    CFieldWriter() = default;
    explicit CFieldWriter(quint8 iCode) { u8(iCode); }

    CFieldWriter &u8(quint8 iValue);
    CFieldWriter &u32(quint32 iValue);
    // An IEEE-754 double, least significant byte first.
    CFieldWriter &f64(double dValue);
    CFieldWriter &zpid(quint32 iZpid) { return u32(iZpid); }
    CFieldWriter &str8(const QString &strText);
    CFieldWriter &str8Bytes(const QByteArray &arBytes);
    CFieldWriter &enc8(const QString &strText);
    CFieldWriter &enc8Bytes(const QByteArray &arPlain);
    CFieldWriter &blob32(const QByteArray &arBytes);
    CFieldWriter &tail(const QByteArray &arBytes);

    bool ok() const { return m_bOk; }
    const QByteArray &packet() const { return m_arPacket; }
    int size() const { return int(m_arPacket.size()); }

private:
    CFieldWriter &count8(const QByteArray &arBytes, const char *pField);

    QByteArray m_arPacket;
    bool m_bOk = true;
    CTrace m_trace{"CFieldWriter"};
};
