// ScriptedAudio: an audio device for the voice manager's tests. The test hands it capture data
// to deliver; it keeps every block given to play() with the monotonic time it arrived.
#pragma once

#include <QByteArray>
#include <QList>

#include "cbaseaudio.h"

class ScriptedAudio : public CBaseAudio
{
    Q_OBJECT
public:
    // openResult is what open() answers; anything but OPEN_OK leaves the device without
    // input or output, as a machine with no sound card.
    explicit ScriptedAudio(int openResult = OPEN_OK);

    int open(int frequency, int channels, int sampleSize) override;
    bool start(int mode) override;
    void stop() override;
    void close() override;
    int play(const char *data, int length) override;
    bool isOpened() override { return m_bOpened; }
    bool isStarted() override { return m_bStarted; }

    void deliver(const QByteArray &arPcm);
    // A monotonic clock in ms shared by every device of a test.
    static qint64 nowMs();

    QList<QByteArray> played;
    // nowMs() at each play().
    QList<qint64> playedAt;
    QList<int> openedWith;

private:
    int m_iOpenResult;
    bool m_bOpened = false;
    bool m_bStarted = false;
};
