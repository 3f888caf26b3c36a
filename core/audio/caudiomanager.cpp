#include "caudiomanager.h"

#include <cstring>

#include "caudio.h"
#include "cfieldreader.h"
#include "cfieldwriter.h"
#include "cg729codec.h"
#include "codes.h"
#include "csessionstate.h"
#include "csocket.h"

namespace {

constexpr quint8 SUB_VOICE = 6;
constexpr quint8 FIRST_SLOT_BIT = 0x20;
constexpr int MASK_OFFSET = 12;

} // namespace

CAudioManager::CAudioManager(QObject *parent)
    : CAudioManager(std::make_unique<CAudio>(), std::make_unique<CG729Codec>(), parent)
{}

CAudioManager::CAudioManager(std::unique_ptr<CBaseAudio> pAudio,
                             std::unique_ptr<CSpeechCodec> pCodec, QObject *parent)
    : QObject(parent), m_pAudio(std::move(pAudio)), m_pCodec(std::move(pCodec))
{
    m_timerWatchdog.setInterval(m_iCheckMs);
    m_timerKeepAlive.setInterval(m_iCheckMs);
    m_pCodec->initEncoder(1);
    m_pCodec->initDecoder();
    connect(m_pAudio.get(), &CBaseAudio::sig_recData, this, &CAudioManager::onAudioData);
    // A device that cannot open leaves the call silent but still running: keep-alives and
    // the watchdog work without it.
    if (m_pAudio->open(8000, 1, 16) != CBaseAudio::OPEN_OK)
        m_trace.traceError("audio device did not open");
    else if (!m_pAudio->start(1))
        m_trace.traceError("audio device did not start");
    m_clockKeepAlive.start();
    connect(&m_timerWatchdog, &QTimer::timeout, this, &CAudioManager::onTimer);
    connect(&m_timerKeepAlive, &QTimer::timeout, this, &CAudioManager::onKeepAliveTick);
    m_timerKeepAlive.start();
}

CAudioManager::~CAudioManager()
{
    m_timerWatchdog.stop();
    m_timerKeepAlive.stop();
    disconnect(m_pAudio.get(), nullptr, this, nullptr);
    m_pAudio->stop();
    m_pAudio->close();
}

void CAudioManager::setPeer(CSocket *socket, quint32 peerZpid)
{
    m_pSocket = socket;
    m_iPeerZpid = peerZpid;
}

void CAudioManager::setCheckInterval(int iMs)
{
    m_iCheckMs = iMs;
    m_timerWatchdog.setInterval(iMs);
    m_timerKeepAlive.setInterval(iMs);
}

void CAudioManager::onNatAddr(QString strAddr, quint16 iPort)
{
    m_strPeerHost = strAddr;
    m_iPeerPort = iPort;
}

void CAudioManager::onAudioData(unsigned char *data, ulong length)
{
    const char *pInput = reinterpret_cast<const char *>(data);
    ulong iLeft = data ? length : 0;
    // Any delivery size is taken whole: what does not fit waits until blocks have left.
    while (iLeft > 0) {
        const int iTake = int(qMin<ulong>(iLeft, ulong(CAPTURE_BYTES - m_iFill)));
        std::memcpy(m_arCapture + m_iFill, pInput, size_t(iTake));
        m_iFill += iTake;
        pInput += iTake;
        iLeft -= ulong(iTake);
        while (m_iFill >= BLOCK_BYTES) {
            encodeBlock();
            m_iFill -= BLOCK_BYTES;
            std::memmove(m_arCapture, m_arCapture + BLOCK_BYTES, size_t(m_iFill));
        }
    }
}

void CAudioManager::encodeBlock()
{
    m_clockBlock.start();
    if (m_bMuted)
        std::memset(m_arCapture, 0, BLOCK_BYTES);
    QByteArray arPayload;
    quint8 iMask = 0;
    quint8 iSlotBit = FIRST_SLOT_BIT;
    char arCoded[CSpeechCodec::CODED_BYTES];
    for (int i = 0; i < FRAMES_PER_BLOCK; ++i, iSlotBit >>= 1) {
        if (m_pCodec->encodeFrame(m_arCapture + i * CSpeechCodec::FRAME_BYTES, arCoded) == 1) {
            iMask |= iSlotBit;
            arPayload.append(arCoded, CSpeechCodec::CODED_BYTES);
        }
    }
    if (!arPayload.isEmpty())
        sendDatagram(iMask, arPayload);
    else if (m_clockKeepAlive.elapsed() > m_iKeepAliveMs)
        sendKeepAlive();
}

void CAudioManager::onKeepAliveTick()
{
    // While blocks are captured they decide about keep-alives themselves.
    const bool bCaptureIdle = !m_clockBlock.isValid() || m_clockBlock.elapsed() >= m_iCheckMs;
    if (bCaptureIdle && m_clockKeepAlive.elapsed() > m_iKeepAliveMs)
        sendKeepAlive();
}

void CAudioManager::sendKeepAlive()
{
    m_clockKeepAlive.start();
    sendDatagram(0, QByteArray());
}

void CAudioManager::sendDatagram(quint8 iMask, const QByteArray &arPayload)
{
    if (!m_pSocket) {
        m_trace.traceError("voice datagram dropped: no socket");
        return;
    }
    CFieldWriter w(Codes::CmdCallSignal);
    w.zpid(sessionState().iZpid).zpid(m_iPeerZpid).u8(SUB_VOICE).u8(1).u8(1).u8(iMask);
    w.tail(arPayload);
    m_pSocket->write(w.packet().constData(), w.size(), m_strPeerHost, m_iPeerPort);
    m_trace.trace("Send Audio");
}

void CAudioManager::recvAudio(const QByteArray &datagram)
{
    CFieldReader reader(datagram, MASK_OFFSET);
    const quint8 iMask = reader.u8();
    if (!m_timerWatchdog.isActive())
        m_timerWatchdog.start(m_iCheckMs);
    m_clockRecv.start();

    char arBlock[BLOCK_BYTES] = {};
    quint8 iSlotBit = FIRST_SLOT_BIT;
    for (int i = 0; i < FRAMES_PER_BLOCK; ++i, iSlotBit >>= 1) {
        if (!(iMask & iSlotBit))
            continue;
        const QByteArray arFrame = reader.bytes(CSpeechCodec::CODED_BYTES);
        // A frame cut short by the end of the datagram stays silent.
        if (arFrame.size() == CSpeechCodec::CODED_BYTES)
            m_pCodec->decodeFrame(arFrame.constData(), arBlock + i * CSpeechCodec::FRAME_BYTES);
    }
    m_pAudio->play(arBlock, BLOCK_BYTES);
    m_trace.trace("Recv Audio");
}

void CAudioManager::onTimer()
{
    if (m_clockRecv.elapsed() <= m_iSilenceMs)
        return;
    // Reported once; the owner ends the call and deletes the manager from its event loop.
    m_timerWatchdog.stop();
    emit audioStop();
}
