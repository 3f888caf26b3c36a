// CAudio: the system's default audio input and output as one device for the voice path.
// Capture is event-driven (every read goes out through sig_recData); playback is pushed from
// a playout queue by a 20 ms timer and after every play(). The devices are used only in the
// format asked for: a device that cannot take it fails open() instead of receiving bytes it
// would misread.
#pragma once

#include <QAudio>
#include <QByteArray>
#include <QTimer>

#include <memory>

#include "cbaseaudio.h"
#include "ctrace.h"

class QAudioSink;
class QAudioSource;
class QIODevice;

class CAudio : public CBaseAudio
{
    Q_OBJECT
public:
    // The most the playout queue holds; older audio is dropped first so that a sender faster
    // than the output cannot build up delay or memory.
    static constexpr int MAX_QUEUE_MS = 300;
    static constexpr int MAX_READ_BYTES = 4096;

    explicit CAudio(QObject *parent = nullptr);
    ~CAudio() override;

    // OPEN_OK, or OPEN_FAILED when a default device is missing, the format is not one of
    // 8, 16 or 32-bit signed PCM, or a device does not support it.
    int open(int frequency, int channels, int sampleSize) override;
    // True when both streams run; mode is not used.
    bool start(int mode) override;
    void stop() override;
    void close() override;
    // Queues for playback and returns length; without an output device nothing is queued
    // and the result is 0.
    int play(const char *data, int length) override;
    AudioFormatInfo deviceInfo(bool output) override;
    bool isOpened() override { return m_bOpened; }
    bool isStarted() override { return m_bStarted; }

    int queuedBytes() const { return int(m_arPlayout.size()); }

private slots:
    void onRecordData();
    void stateChanged(QAudio::State state);
    void onPlaydata();

private:
    QIODevice *m_pInputStream = nullptr;
    QIODevice *m_pOutputStream = nullptr;
    std::unique_ptr<QAudioSource> m_pInput;
    std::unique_ptr<QAudioSink> m_pOutput;
    AudioFormatInfo m_inputInfo;
    AudioFormatInfo m_outputInfo;
    QByteArray m_arPlayout;
    QByteArray m_arCapture;
    QTimer m_timerPlay;
    bool m_bOpened = false;
    bool m_bStarted = false;
    int m_iBytesPerFrame = 0;
    int m_iMaxQueueBytes = 0;
    CTrace m_trace{"CAudio"};
};
