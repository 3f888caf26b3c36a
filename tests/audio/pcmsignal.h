// PcmSignal: test signals and their measurement for 8 kHz mono 16-bit little-endian PCM.
#pragma once

#include <QByteArray>
#include <QVector>

namespace PcmSignal {

constexpr int RATE = 8000;

QByteArray tone(double dHz, int iMs, int iAmplitude);
// Uniform noise from a fixed seed, so every run feeds the same samples.
QByteArray noise(int iMs, int iAmplitude, quint32 iSeed);
QByteArray silence(int iMs);

QVector<qint16> samples(const QByteArray &arPcm);
double rms(const QVector<qint16> &samples);
// Share of the signal's power that lies in a sinusoid at dHz (Goertzel), about 1 for a pure
// tone at that frequency and near 0 for noise.
double tonality(const QVector<qint16> &samples, double dHz);
// The frequency in [dLow, dHigh], in 1 Hz steps, that holds the most power.
double peakFrequency(const QVector<qint16> &samples, double dLow, double dHigh);

} // namespace PcmSignal
