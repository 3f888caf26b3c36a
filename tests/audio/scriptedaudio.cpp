#include "scriptedaudio.h"

#include <chrono>

ScriptedAudio::ScriptedAudio(int openResult) : m_iOpenResult(openResult) {}

int ScriptedAudio::open(int frequency, int channels, int sampleSize)
{
    openedWith = {frequency, channels, sampleSize};
    m_bOpened = m_iOpenResult == OPEN_OK;
    return m_iOpenResult;
}

bool ScriptedAudio::start(int)
{
    m_bStarted = m_bOpened;
    return m_bStarted;
}

void ScriptedAudio::stop()
{
    m_bStarted = false;
}

void ScriptedAudio::close()
{
    stop();
    m_bOpened = false;
}

int ScriptedAudio::play(const char *data, int length)
{
    if (!m_bOpened)
        return 0;
    played << QByteArray(data, length);
    playedAt << nowMs();
    return length;
}

void ScriptedAudio::deliver(const QByteArray &arPcm)
{
    if (!m_bStarted)
        return;
    QByteArray ar = arPcm;
    notifyRecData(reinterpret_cast<unsigned char *>(ar.data()), ulong(ar.size()));
}

qint64 ScriptedAudio::nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
