#include "caudio.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QAudioSource>
#include <QMediaDevices>

#include "caudiooutput.h"

namespace {

constexpr int PLAY_TICK_MS = 20;

QAudioFormat::SampleFormat sampleFormatOf(int sampleSize)
{
    switch (sampleSize) {
    case 8:
        return QAudioFormat::UInt8;
    case 16:
        return QAudioFormat::Int16;
    case 32:
        return QAudioFormat::Int32;
    default:
        return QAudioFormat::Unknown;
    }
}

} // namespace

CAudio::CAudio(QObject *parent) : CBaseAudio(parent)
{
    m_timerPlay.setInterval(PLAY_TICK_MS);
    connect(&m_timerPlay, &QTimer::timeout, this, &CAudio::onPlaydata);
}

CAudio::~CAudio()
{
    close();
}

int CAudio::open(int frequency, int channels, int sampleSize)
{
    close();

    m_inputInfo =
        AudioFormatInfo{QString(), QStringLiteral("pcm"), frequency, channels, sampleSize};
    m_outputInfo = m_inputInfo;

    const QAudioFormat::SampleFormat sampleFormat = sampleFormatOf(sampleSize);
    if (frequency <= 0 || channels <= 0 || sampleFormat == QAudioFormat::Unknown) {
        m_trace.traceError(QString("unsupported format %1 Hz, %2 channels, %3 bits")
                               .arg(frequency)
                               .arg(channels)
                               .arg(sampleSize));
        return OPEN_FAILED;
    }
    QAudioFormat format;
    format.setSampleRate(frequency);
    format.setChannelCount(channels);
    format.setSampleFormat(sampleFormat);

    const QAudioDevice input = QMediaDevices::defaultAudioInput();
    m_inputInfo.strDeviceName = input.description();
    if (input.isNull() || !input.isFormatSupported(format)) {
        m_trace.traceError(input.isNull() ? "no audio input device"
                                          : "input device cannot capture the voice format");
        return OPEN_FAILED;
    }
    // The voice plays where the ring did.
    const QAudioDevice output = CAudioOutput::device();
    m_outputInfo.strDeviceName = output.description();
    if (output.isNull() || !output.isFormatSupported(format)) {
        m_trace.traceError(output.isNull() ? "no audio output device"
                                           : "output device cannot play the voice format");
        return OPEN_FAILED;
    }

    m_pInput = std::make_unique<QAudioSource>(input, format);
    m_pOutput = std::make_unique<QAudioSink>(output, format);
    connect(m_pInput.get(), &QAudioSource::stateChanged, this, &CAudio::stateChanged);
    connect(m_pOutput.get(), &QAudioSink::stateChanged, this, &CAudio::stateChanged);
    m_iBytesPerFrame = format.bytesPerFrame();
    m_iMaxQueueBytes = format.bytesForDuration(qint64(MAX_QUEUE_MS) * 1000);
    m_bOpened = true;
    return OPEN_OK;
}

bool CAudio::start(int)
{
    if (m_bStarted)
        return true;
    m_arPlayout.clear();
    if (!m_pInput || !m_pOutput)
        return false;

    m_pOutputStream = m_pOutput->start();
    m_pInputStream = m_pInput->start();
    if (!m_pOutputStream || !m_pInputStream || m_pOutput->error() != QAudio::NoError ||
        m_pInput->error() != QAudio::NoError) {
        m_trace.traceError(QString("devices did not start: input error %1, output error %2")
                               .arg(m_pInput->error())
                               .arg(m_pOutput->error()));
        m_pInput->stop();
        m_pOutput->stop();
        m_pInputStream = nullptr;
        m_pOutputStream = nullptr;
        return false;
    }
    connect(m_pInputStream, &QIODevice::readyRead, this, &CAudio::onRecordData);
    m_timerPlay.start();
    m_bStarted = true;
    return true;
}

void CAudio::stop()
{
    if (!m_bStarted)
        return;
    if (m_pInputStream)
        disconnect(m_pInputStream, nullptr, this, nullptr);
    m_pInput->stop();
    m_pOutput->stop();
    m_bStarted = false;
    m_pInputStream = nullptr;
    m_pOutputStream = nullptr;
    m_timerPlay.stop();
}

void CAudio::close()
{
    stop();
    m_pInput.reset();
    m_pOutput.reset();
    m_bOpened = false;
}

int CAudio::play(const char *data, int length)
{
    if (!m_pOutput || !data || length <= 0)
        return 0;
    m_arPlayout.append(data, length);
    if (m_arPlayout.size() > m_iMaxQueueBytes) {
        qsizetype iDrop = m_arPlayout.size() - m_iMaxQueueBytes;
        // Whole sample frames only, so the queue never starts in the middle of a sample.
        iDrop += (m_iBytesPerFrame - iDrop % m_iBytesPerFrame) % m_iBytesPerFrame;
        m_arPlayout.remove(0, iDrop);
    }
    onPlaydata();
    return length;
}

AudioFormatInfo CAudio::deviceInfo(bool output)
{
    return output ? m_outputInfo : m_inputInfo;
}

void CAudio::onRecordData()
{
    // Everything available is read now: the stream need not signal again for what is left.
    while (m_pInput && m_pInputStream) {
        const qint64 iReady = qMin<qint64>(m_pInput->bytesAvailable(), MAX_READ_BYTES);
        if (iReady <= 0)
            return;
        m_arCapture.resize(iReady);
        const qint64 iRead = m_pInputStream->read(m_arCapture.data(), iReady);
        if (iRead <= 0)
            return;
        emit sig_recData(reinterpret_cast<unsigned char *>(m_arCapture.data()), ulong(iRead));
    }
}

void CAudio::stateChanged(QAudio::State state)
{
    m_trace.traceNumber("state", state);
}

void CAudio::onPlaydata()
{
    if (!m_pOutput || !m_pOutputStream || m_pOutput->state() == QAudio::StoppedState)
        return;
    qint64 iCount = qMin<qint64>(m_pOutput->bytesFree(), m_arPlayout.size());
    iCount -= iCount % m_iBytesPerFrame;
    if (iCount <= 0)
        return;
    const qint64 iWritten = m_pOutputStream->write(m_arPlayout.constData(), iCount);
    if (iWritten > 0)
        m_arPlayout.remove(0, iWritten);
}
