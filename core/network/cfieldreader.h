// CFieldReader: the one bounded reader for packet fields. It never reads past the packet: a
// field cut short yields what `QByteArray::mid` would give (a small number, partial or empty
// bytes) and marks the reader failed, so parsers may stay lenient or check ok().
#pragma once

#include <QByteArray>
#include <QString>

class CFieldReader
{
public:
    explicit CFieldReader(const QByteArray &arPacket, int iOffset = 0);

    quint8 u8();
    quint32 u32();
    quint32 zpid() { return u32(); }
    // IEEE-754 double, little-endian; 0 when cut short.
    double f64();
    QByteArray bytes(int n);
    QByteArray str8();
    QString str8Text();
    QByteArray enc8();
    QString enc8Text();
    QByteArray blob32();
    QByteArray tail();
    void skip(int n);

    bool ok() const { return m_bOk; }
    bool atEnd() const { return m_iPos >= m_arPacket.size(); }
    int pos() const { return m_iPos; }
    int remaining() const { return int(m_arPacket.size()) - m_iPos; }

private:
    const QByteArray m_arPacket;
    int m_iPos;
    bool m_bOk = true;
};
