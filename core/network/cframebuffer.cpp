#include "cframebuffer.h"

#include "packint.h"

bool CFrameBuffer::takePacket(QByteArray &arPacket)
{
    if (m_arBuffer.size() < 2)
        return false;
    const int iLength = int(unpackUInt(m_arBuffer.left(2)));
    if (m_arBuffer.size() < iLength + 2)
        return false;
    arPacket = m_arBuffer.mid(2, iLength);
    m_arBuffer.remove(0, iLength + 2);
    return true;
}
