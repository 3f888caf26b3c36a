// CAudioManager: the audio of one voice call. Captured PCM is cut into 60 ms blocks of six
// 10 ms frames; the speech frames of a block leave as one voice datagram on the session's UDP
// socket. Received voice datagrams are decoded into 60 ms of PCM each and queued for playback.
// A keep-alive datagram goes out after long silence, and a watchdog reports the end of the
// call through audioStop() when the peer has gone quiet.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

#include "ctrace.h"

class CBaseAudio;
class CSocket;
class CSpeechCodec;

class CAudioManager : public QObject
{
    Q_OBJECT
public:
    static constexpr int FRAMES_PER_BLOCK = 6;
    static constexpr int BLOCK_BYTES = 960;
    static constexpr int HEADER_BYTES = 13;
    static constexpr int CAPTURE_BYTES = 4096;

    // Uses the system's default devices and the G.729 codec.
    explicit CAudioManager(QObject *parent = nullptr);
    // Takes ownership of both; the device is opened for 8 kHz mono 16-bit and started here.
    CAudioManager(std::unique_ptr<CBaseAudio> pAudio, std::unique_ptr<CSpeechCodec> pCodec,
                  QObject *parent = nullptr);
    ~CAudioManager() override;

    // The socket is not owned and must outlive the manager or be replaced first.
    void setPeer(CSocket *socket, quint32 peerZpid);
    void recvAudio(const QByteArray &datagram);

    // Timings in ms: a keep-alive after this much silence (5000), the end of the call after
    // this long without a received datagram (10000), both checked this often (1000).
    void setKeepAliveInterval(int iMs) { m_iKeepAliveMs = iMs; }
    void setSilenceTimeout(int iMs) { m_iSilenceMs = iMs; }
    void setCheckInterval(int iMs);
    // A muted microphone sends silence: the peer keeps receiving blocks, so its watchdog and
    // playout run on as in a quiet call.
    void setMuted(bool bMuted) { m_bMuted = bMuted; }
    bool muted() const { return m_bMuted; }

signals:
    // Emitted once, from the watchdog's tick; the receiver must not delete the manager
    // synchronously (use deleteLater).
    void audioStop();

public slots:
    void onNatAddr(QString strAddr, quint16 iPort);
    void onAudioData(unsigned char *data, ulong length);
    void onTimer();

private slots:
    void onKeepAliveTick();

private:
    void encodeBlock();
    void sendKeepAlive();
    void sendDatagram(quint8 iMask, const QByteArray &arPayload);

    quint32 m_iPeerZpid = 0;
    CSocket *m_pSocket = nullptr;
    std::unique_ptr<CBaseAudio> m_pAudio;
    std::unique_ptr<CSpeechCodec> m_pCodec;
    QTimer m_timerWatchdog;
    QTimer m_timerKeepAlive;
    char m_arCapture[CAPTURE_BYTES] = {};
    int m_iFill = 0;
    QElapsedTimer m_clockRecv;
    QElapsedTimer m_clockKeepAlive;
    // Restarted with every captured block; a keep-alive tick finds it stale when the
    // microphone delivers nothing.
    QElapsedTimer m_clockBlock;
    QString m_strPeerHost;
    quint16 m_iPeerPort = 0;
    int m_iKeepAliveMs = 5000;
    int m_iSilenceMs = 10000;
    int m_iCheckMs = 1000;
    bool m_bMuted = false;
    CTrace m_trace{"CAudioManager"};
};
