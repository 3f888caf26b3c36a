// CBaseAudio: the audio device seen by the voice path. It captures PCM (handed on through
// sig_recData) and plays PCM given to play(); the base class is a device that does nothing,
// so tests can put a scripted device behind the voice manager.
#pragma once

#include <QObject>
#include <QString>

// What a device was asked to open: the requested values, not what the device negotiated.
struct AudioFormatInfo
{
    QString strDeviceName;
    QString strCodec;
    int iFrequency = 0;
    int iChannels = 0;
    int iSampleSize = 0;
};

class CBaseAudio : public QObject
{
    Q_OBJECT
public:
    // Results of open().
    static constexpr int OPEN_OK = 2;
    static constexpr int OPEN_FAILED = 3;

    explicit CBaseAudio(QObject *parent = nullptr);
    ~CBaseAudio() override;

    virtual void notifyRecData(unsigned char *data, ulong length);
    virtual void notifyRecData64(unsigned char *data, qint64 length);
    virtual void notifyInputOpened();
    // Returns the number of bytes taken for playback.
    virtual int play(const char *data, int length);
    virtual void notifyDataPlayed(unsigned char *data, ulong length);
    virtual int open(int frequency, int channels, int sampleSize);
    virtual bool start(int mode);
    virtual void stop();
    virtual void notifyError(int code, const char *desc);
    virtual void close();
    virtual AudioFormatInfo deviceInfo(bool output);
    virtual bool isOpened();
    virtual bool isStarted();

signals:
    // The pointer is valid only during the emission.
    void sig_recData(unsigned char *data, ulong length);
    void sig_recData64(unsigned char *data, qint64 length);
    void sig_error(int code, const char *desc);
    void sig_inputOpened();
    void sig_dataPlayed(unsigned char *data, ulong length);
};
