#include "caudiooutput.h"

#include <QMediaDevices>

QAudioDevice CAudioOutput::device()
{
    const QString strWanted = qEnvironmentVariable("ZEPHON_AUDIO_OUTPUT");
    if (strWanted.isEmpty())
        return QMediaDevices::defaultAudioOutput();
    return choose(QMediaDevices::audioOutputs(), strWanted, QMediaDevices::defaultAudioOutput());
}

QAudioDevice CAudioOutput::choose(const QList<QAudioDevice> &outputs, const QString &strWanted,
                                  const QAudioDevice &fallback)
{
    if (strWanted.isEmpty())
        return fallback;
    for (const QAudioDevice &output : outputs) {
        if (QString::fromUtf8(output.id()) == strWanted || output.description() == strWanted)
            return output;
    }
    return fallback;
}
