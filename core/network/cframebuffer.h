// CFrameBuffer: turns the server's TCP byte stream (16-bit little-endian length, then the
// packet) back into packets, whatever way the stream was cut into reads.
#pragma once

#include <QByteArray>

class CFrameBuffer
{
public:
    void append(const QByteArray &arBytes) { m_arBuffer.append(arBytes); }
    // Takes the next complete frame's packet out of the buffer; false when none is complete.
    bool takePacket(QByteArray &arPacket);
    void clear() { m_arBuffer.clear(); }
    int pending() const { return int(m_arBuffer.size()); }

private:
    QByteArray m_arBuffer;
};
