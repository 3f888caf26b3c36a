// PrivatePulse: a PulseAudio server of the test's own in a folder of the test's own, with two
// null sinks: "mic", whose monitor is remapped to the default source "micin" (what is played
// into "mic" is captured), and "spk", the default sink (what is played can be recorded from
// "spk.monitor"). Tools run against it through runTool.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

class PrivatePulse
{
public:
    PrivatePulse() = default;
    ~PrivatePulse();
    PrivatePulse(const PrivatePulse &) = delete;
    PrivatePulse &operator=(const PrivatePulse &) = delete;

    // False with errorString() set when the server cannot be started or set up.
    bool start(const QString &strDir);
    QString errorString() const { return m_strError; }
    // The value for PULSE_SERVER.
    QString serverAddress() const { return "unix:" + m_strDir + "/pa.sock"; }
    // The environment a client of this server needs.
    QProcessEnvironment environment() const;

    // Plays raw 8 kHz mono 16-bit PCM into a sink and returns when it has been played, running
    // the event loop meanwhile.
    bool playInto(const QString &strSink, const QByteArray &arPcm);
    // Starts recording a source as raw 8 kHz mono 16-bit PCM; stopRecording returns it.
    bool startRecording(const QString &strSource);
    QByteArray stopRecording();

private:
    bool runTool(const QString &strProgram, const QStringList &args);

    QString m_strDir;
    QString m_strError;
    QProcess m_server;
    QProcess m_recorder;
};
