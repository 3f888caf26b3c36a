#include "pcmsignal.h"

#include <QRandomGenerator>
#include <QtEndian>

#include <cmath>

namespace PcmSignal {

namespace {

QByteArray fromSamples(const QVector<qint16> &samples)
{
    QByteArray ar(samples.size() * 2, '\0');
    qToLittleEndian<qint16>(samples.constData(), samples.size(), ar.data());
    return ar;
}

double goertzelPower(const QVector<qint16> &samples, double dHz)
{
    const double dCoeff = 2.0 * std::cos(2.0 * M_PI * dHz / RATE);
    double s1 = 0.0;
    double s2 = 0.0;
    for (qint16 x : samples) {
        const double s0 = x + dCoeff * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return s1 * s1 + s2 * s2 - dCoeff * s1 * s2;
}

} // namespace

QByteArray tone(double dHz, int iMs, int iAmplitude)
{
    QVector<qint16> s(iMs * RATE / 1000);
    for (int i = 0; i < s.size(); ++i)
        s[i] = qint16(std::lround(iAmplitude * std::sin(2.0 * M_PI * dHz * i / RATE)));
    return fromSamples(s);
}

QByteArray noise(int iMs, int iAmplitude, quint32 iSeed)
{
    QRandomGenerator random(iSeed);
    QVector<qint16> s(iMs * RATE / 1000);
    for (qint16 &x : s)
        x = qint16(random.bounded(2 * iAmplitude + 1) - iAmplitude);
    return fromSamples(s);
}

QByteArray silence(int iMs)
{
    return QByteArray(iMs * RATE / 1000 * 2, '\0');
}

QVector<qint16> samples(const QByteArray &arPcm)
{
    QVector<qint16> s(arPcm.size() / 2);
    qFromLittleEndian<qint16>(arPcm.constData(), s.size(), s.data());
    return s;
}

double rms(const QVector<qint16> &samples)
{
    if (samples.isEmpty())
        return 0.0;
    double dSum = 0.0;
    for (qint16 x : samples)
        dSum += double(x) * x;
    return std::sqrt(dSum / samples.size());
}

double tonality(const QVector<qint16> &samples, double dHz)
{
    const double dEnergy = rms(samples) * rms(samples) * samples.size();
    if (dEnergy <= 0.0)
        return 0.0;
    // A sinusoid of amplitude A over N samples gives a Goertzel power of (A N / 2)^2 and an
    // energy of A^2 N / 2.
    return 2.0 * goertzelPower(samples, dHz) / samples.size() / dEnergy;
}

double peakFrequency(const QVector<qint16> &samples, double dLow, double dHigh)
{
    double dBest = dLow;
    double dBestPower = -1.0;
    for (double f = dLow; f <= dHigh; f += 1.0) {
        const double dPower = goertzelPower(samples, f);
        if (dPower > dBestPower) {
            dBestPower = dPower;
            dBest = f;
        }
    }
    return dBest;
}

} // namespace PcmSignal
