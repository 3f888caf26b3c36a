// CAudioOutput: the one output device every sound of the client plays on, so that the ring,
// the ring-back, the new-message sound and the call's voice are never heard from different
// places. It is the device named by ZEPHON_AUDIO_OUTPUT (its id or its description), while
// that device exists, else the system's default; it is looked up at every use, so a device
// that comes or goes between two sounds is taken into account.
#pragma once

#include <QAudioDevice>
#include <QList>
#include <QString>

class CAudioOutput
{
public:
    static QAudioDevice device();
    // The choice itself: the device of outputs whose id or description is strWanted, else
    // fallback.
    static QAudioDevice choose(const QList<QAudioDevice> &outputs, const QString &strWanted,
                               const QAudioDevice &fallback);
};
