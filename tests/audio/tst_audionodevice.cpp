// The audio device and the voice manager on a machine without sound: the audio server named
// in PULSE_SERVER does not exist, so there is no default input or output device.
#include <QTemporaryDir>
#include <QTest>

#include "caudio.h"
#include "caudiomanager.h"
#include "csessionstate.h"
#include "recordingsocket.h"

class TestAudioNoDevice : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void openFailsCleanly();
    void managerRunsSilent();

private:
    QTemporaryDir m_dir;
};

void TestAudioNoDevice::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Before the first use of the audio devices.
    qputenv("PULSE_SERVER", ("unix:" + m_dir.path() + "/nothing.sock").toUtf8());
    sessionState().iZpid = 10001;
}

void TestAudioNoDevice::openFailsCleanly()
{
    CAudio audio;
    QCOMPARE(audio.open(8000, 1, 16), CBaseAudio::OPEN_FAILED);
    QVERIFY(!audio.isOpened());
    QVERIFY(!audio.start(1));
    QVERIFY(!audio.isStarted());
    const QByteArray pcm(960, '\x10');
    QCOMPARE(audio.play(pcm.constData(), int(pcm.size())), 0);
    QCOMPARE(audio.queuedBytes(), 0);
    const AudioFormatInfo info = audio.deviceInfo(false);
    QCOMPARE(info.strCodec, QStringLiteral("pcm"));
    QCOMPARE(info.iFrequency, 8000);
    QCOMPARE(info.iChannels, 1);
    QCOMPARE(info.iSampleSize, 16);
    audio.stop();
    audio.close();
}

void TestAudioNoDevice::managerRunsSilent()
{
    RecordingSocket socket;
    CAudioManager manager;
    manager.setPeer(&socket, 20002);
    manager.setKeepAliveInterval(50);
    manager.setCheckInterval(10);
    QByteArray datagram("\x05\x11\x27\x00\x00\x21\x4e\x00\x00\x06\x01\x01\x20", 13);
    datagram += QByteArray(10, '\x5a');
    manager.recvAudio(datagram);
    QTRY_VERIFY_WITH_TIMEOUT(socket.writes.size() >= 2, 5000);
    for (const RecordingSocket::Write &w : socket.writes) {
        QCOMPARE(w.arData.size(), 13);
        QCOMPARE(int(w.arData.at(12)), 0);
    }
}

QTEST_GUILESS_MAIN(TestAudioNoDevice)
#include "tst_audionodevice.moc"
