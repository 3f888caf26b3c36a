#include "privatepulse.h"

#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

namespace {

const QStringList PCM_ARGS{"--format=s16le", "--rate=8000", "--channels=1", "--raw"};

} // namespace

PrivatePulse::~PrivatePulse()
{
    for (QProcess *p : {&m_recorder, &m_server}) {
        if (p->state() == QProcess::NotRunning)
            continue;
        p->terminate();
        if (!p->waitForFinished(5000)) {
            p->kill();
            p->waitForFinished(5000);
        }
    }
}

QProcessEnvironment PrivatePulse::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", m_strDir);
    env.insert("XDG_RUNTIME_DIR", m_strDir);
    env.insert("PULSE_SERVER", serverAddress());
    return env;
}

bool PrivatePulse::start(const QString &strDir)
{
    m_strDir = strDir;
    if (QStandardPaths::findExecutable("pulseaudio").isEmpty() ||
        QStandardPaths::findExecutable("pactl").isEmpty()) {
        m_strError = "pulseaudio or pactl is not installed";
        return false;
    }
    m_server.setProcessEnvironment(environment());
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    m_server.start("pulseaudio",
                   {"-n", "--daemonize=no", "--exit-idle-time=-1", "--log-target=stderr", "-L",
                    "module-native-protocol-unix auth-anonymous=1 socket=" + strDir + "/pa.sock",
                    "-L", "module-null-sink sink_name=mic", "-L",
                    "module-null-sink sink_name=spk"});
    if (!m_server.waitForStarted(5000)) {
        m_strError = "pulseaudio did not start: " + m_server.errorString();
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    while (!runTool("pactl", {"info"})) {
        if (m_server.state() == QProcess::NotRunning || clock.elapsed() > 10000) {
            m_strError = "pulseaudio did not come up: " + QString::fromUtf8(m_server.readAll());
            return false;
        }
        QThread::msleep(100);
    }
    if (!runTool("pactl", {"load-module", "module-remap-source", "master=mic.monitor",
                           "source_name=micin"}) ||
        !runTool("pactl", {"set-default-source", "micin"}) ||
        !runTool("pactl", {"set-default-sink", "spk"})) {
        m_strError = "pulseaudio could not be set up: " + m_strError;
        return false;
    }
    return true;
}

bool PrivatePulse::playInto(const QString &strSink, const QByteArray &arPcm)
{
    QProcess player;
    player.setProcessEnvironment(environment());
    player.start("pacat", QStringList{"--playback", "-d", strSink} + PCM_ARGS);
    if (!player.waitForStarted(5000))
        return false;
    player.write(arPcm);
    player.closeWriteChannel();
    // The event loop keeps running meanwhile: the client under test captures as it plays.
    return QTest::qWaitFor([&] { return player.state() == QProcess::NotRunning; }, 30000) &&
           player.exitStatus() == QProcess::NormalExit && player.exitCode() == 0;
}

bool PrivatePulse::startRecording(const QString &strSource)
{
    m_recorder.setProcessEnvironment(environment());
    m_recorder.start("pacat", QStringList{"--record", "-d", strSource} + PCM_ARGS);
    return m_recorder.waitForStarted(5000);
}

QByteArray PrivatePulse::stopRecording()
{
    m_recorder.terminate();
    m_recorder.waitForFinished(5000);
    return m_recorder.readAllStandardOutput();
}

bool PrivatePulse::runTool(const QString &strProgram, const QStringList &args)
{
    QProcess tool;
    tool.setProcessEnvironment(environment());
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(strProgram, args);
    if (!tool.waitForFinished(10000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0) {
        m_strError = strProgram + " " + args.join(' ') + ": " + QString::fromUtf8(tool.readAll());
        return false;
    }
    return true;
}
