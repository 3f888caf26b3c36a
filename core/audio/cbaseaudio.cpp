#include "cbaseaudio.h"

CBaseAudio::CBaseAudio(QObject *parent) : QObject(parent) {}

CBaseAudio::~CBaseAudio() = default;

void CBaseAudio::notifyRecData(unsigned char *data, ulong length)
{
    emit sig_recData(data, length);
}

void CBaseAudio::notifyRecData64(unsigned char *data, qint64 length)
{
    emit sig_recData64(data, length);
}

void CBaseAudio::notifyInputOpened()
{
    emit sig_inputOpened();
}

int CBaseAudio::play(const char *, int length)
{
    return length;
}

void CBaseAudio::notifyDataPlayed(unsigned char *data, ulong length)
{
    emit sig_dataPlayed(data, length);
}

int CBaseAudio::open(int, int, int)
{
    return 0;
}

bool CBaseAudio::start(int)
{
    return false;
}

void CBaseAudio::stop() {}

void CBaseAudio::notifyError(int code, const char *desc)
{
    emit sig_error(code, desc);
}

void CBaseAudio::close() {}

AudioFormatInfo CBaseAudio::deviceInfo(bool)
{
    return AudioFormatInfo();
}

bool CBaseAudio::isOpened()
{
    return false;
}

bool CBaseAudio::isStarted()
{
    return false;
}
