// Every sound of the client on one output device: the ring (and ring-back), the new-message
// sound and the call's voice, played by Core and the voice device against a PulseAudio server
// of the test's own with two sinks. Where each stream plays is read back from the server. The
// device is the one ZEPHON_AUDIO_OUTPUT names, else the default.
#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <cmath>

#include "caudio.h"
#include "caudiooutput.h"
#include "core.h"
#include "corefixture.h"
#include "csetting.h"
#include "privatepulse.h"

namespace {

// One second of a 440 Hz tone as a WAV file, 8 kHz mono 16-bit.
bool writeTone(const QString &strPath)
{
    constexpr int kRate = 8000;
    QByteArray arPcm(kRate * 2, '\0');
    for (int i = 0; i < kRate; ++i)
        qToLittleEndian<qint16>(qint16(8000 * std::sin(2 * M_PI * 440 * i / kRate)),
                                arPcm.data() + 2 * i);
    QByteArray arWav("RIFF");
    const auto u32 = [&arWav](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        arWav.append(b, 4);
    };
    const auto u16 = [&arWav](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        arWav.append(b, 2);
    };
    u32(36 + quint32(arPcm.size()));
    arWav += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(kRate);
    u32(kRate * 2);
    u16(2);
    u16(16);
    arWav += "data";
    u32(quint32(arPcm.size()));
    arWav += arPcm;
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly) && file.write(arWav) == arWav.size();
}

} // namespace

class TestAudioOutput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void choice_data();
    void choice();
    void soundsShareTheNamedDevice();
    void soundsShareTheDefault();

private:
    // The names of the sinks the server's playing streams are on.
    QStringList sinksInUse();
    bool pactl(const QStringList &args, QByteArray *pOutput = nullptr);
    // Starts the ring, a new message's sound and the voice, and reads where they play.
    QStringList playAll();

    QTemporaryDir m_dir;
    std::unique_ptr<PrivatePulse> m_pPulse;
    CoreFixture m_fx;
};

void TestAudioOutput::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_pPulse = std::make_unique<PrivatePulse>();
    if (!m_pPulse->start(m_dir.filePath("pulse")))
        QSKIP(qPrintable("PulseAudio cannot start here: " + m_pPulse->errorString()));
    // Before the first use of the audio devices, which connects to the server once.
    qputenv("PULSE_SERVER", m_pPulse->serverAddress().toUtf8());
    QVERIFY(CoreFixture::enterFolder(m_dir.filePath("client")));
    QVERIFY(writeTone(QDir::current().filePath("ring.wav")));
    QVERIFY(writeTone(QDir::current().filePath("message.wav")));
}

void TestAudioOutput::cleanup()
{
    if (m_fx.isRunning())
        m_fx.stop();
    qunsetenv("ZEPHON_AUDIO_OUTPUT");
}

bool TestAudioOutput::pactl(const QStringList &args, QByteArray *pOutput)
{
    QProcess tool;
    tool.setProcessEnvironment(m_pPulse->environment());
    tool.start(QStringLiteral("pactl"), args);
    if (!tool.waitForFinished(10000) || tool.exitCode() != 0)
        return false;
    if (pOutput)
        *pOutput = tool.readAllStandardOutput();
    return true;
}

QStringList TestAudioOutput::sinksInUse()
{
    QByteArray arSinks;
    QByteArray arInputs;
    if (!pactl({"list", "short", "sinks"}, &arSinks) ||
        !pactl({"list", "short", "sink-inputs"}, &arInputs))
        return {"pactl failed"};
    QHash<QString, QString> names;
    for (const QByteArray &line : arSinks.split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() > 1)
            names.insert(QString::fromUtf8(fields.at(0)), QString::fromUtf8(fields.at(1)));
    }
    QStringList used;
    for (const QByteArray &line : arInputs.split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() > 1)
            used << names.value(QString::fromUtf8(fields.at(1)), QStringLiteral("?"));
    }
    used.sort();
    return used;
}

QStringList TestAudioOutput::playAll()
{
    m_fx.start();
    CSetting::instance()->setMsgPrompt(true);
    Core &core = *m_fx.core();
    core.playRing(QStringLiteral("ring.wav"), 30);
    // A message from somebody, new to the store: its sound plays.
    static int s_iMsgId = 0;
    core.slot_onSaveMsgRecord(0, 7654321, QByteArray(), QByteArray(), ++s_iMsgId, 0, 0, 0, false,
                              {QStringLiteral("2024-03-01 18:00:00")});
    CAudio voice;
    if (voice.open(8000, 1, 16) != CBaseAudio::OPEN_OK || !voice.start(1))
        return {"no voice"};
    QByteArray arSilence(1600, '\0');
    voice.play(arSilence.data(), arSilence.size());
    QStringList used;
    QDeadlineTimer deadline(10000);
    do {
        QTest::qWait(100);
        used = sinksInUse();
    } while (used.size() < 3 && !deadline.hasExpired());
    voice.close();
    core.stopRing();
    return used;
}

void TestAudioOutput::choice_data()
{
    QTest::addColumn<QString>("wanted");
    QTest::addColumn<int>("chosen");
    QTest::newRow("nothing named") << "" << -1;
    QTest::newRow("by id") << "mic" << 1;
    QTest::newRow("unknown") << "headset" << -1;
}

void TestAudioOutput::choice()
{
    QFETCH(QString, wanted);
    QFETCH(int, chosen);
    const QList<QAudioDevice> outputs = QMediaDevices::audioOutputs();
    const QAudioDevice fallback = QMediaDevices::defaultAudioOutput();
    int iMic = -1;
    for (int i = 0; i < outputs.size(); ++i)
        if (outputs.at(i).id() == "mic")
            iMic = i;
    QVERIFY2(iMic >= 0, "the test server's sink \"mic\" is not listed");
    const QAudioDevice device = CAudioOutput::choose(outputs, wanted, fallback);
    QCOMPARE(device, chosen < 0 ? fallback : outputs.at(iMic));
    // By description as well.
    QCOMPARE(CAudioOutput::choose(outputs, outputs.at(iMic).description(), fallback),
             outputs.at(iMic));
}

void TestAudioOutput::soundsShareTheNamedDevice()
{
    qputenv("ZEPHON_AUDIO_OUTPUT", "mic");
    QCOMPARE(playAll(), (QStringList{"mic", "mic", "mic"}));
}

void TestAudioOutput::soundsShareTheDefault()
{
    QCOMPARE(playAll(), (QStringList{"spk", "spk", "spk"}));
}

QTEST_MAIN(TestAudioOutput)
#include "tst_audiooutput.moc"
