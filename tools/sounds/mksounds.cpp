// Host tool that writes the client's sounds: "ring.wav" (an incoming call, looped while it
// rings), "call.wav" (the ring-back a caller hears, looped while dialling) and "message.wav"
// (a short chime for a new message). Every sample is computed here, so the files are ours and
// the same on every build. Usage: zephon_mksounds <output folder>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

struct Tone
{
    double dStart;  // seconds
    double dLength; // seconds
    double dFreqA;  // Hz
    double dFreqB;  // Hz, 0 for a single tone
    double dLevel;  // 0..1 of full scale
    double dDecay;  // exponential decay per second, 0 for a flat tone
};

// Short raised-cosine edges keep the tones from clicking when they start, stop or loop.
double envelope(double t, double dLength)
{
    constexpr double kEdge = 0.01;
    if (t < kEdge)
        return 0.5 - 0.5 * std::cos(kPi * t / kEdge);
    if (dLength - t < kEdge)
        return 0.5 - 0.5 * std::cos(kPi * (dLength - t) / kEdge);
    return 1.0;
}

std::vector<int16_t> render(double dSeconds, const std::vector<Tone> &tones)
{
    std::vector<double> mix(size_t(dSeconds * kRate), 0.0);
    for (const Tone &tone : tones) {
        const size_t iFirst = size_t(tone.dStart * kRate);
        const size_t iCount = size_t(tone.dLength * kRate);
        for (size_t i = 0; i < iCount && iFirst + i < mix.size(); ++i) {
            const double t = double(i) / kRate;
            double v = std::sin(2 * kPi * tone.dFreqA * t);
            if (tone.dFreqB > 0)
                v = 0.5 * (v + std::sin(2 * kPi * tone.dFreqB * t));
            v *= tone.dLevel * envelope(t, tone.dLength) * std::exp(-tone.dDecay * t);
            mix[iFirst + i] += v;
        }
    }
    std::vector<int16_t> samples(mix.size());
    for (size_t i = 0; i < mix.size(); ++i) {
        const double v = std::fmax(-1.0, std::fmin(1.0, mix[i]));
        samples[i] = int16_t(std::lround(v * 32767));
    }
    return samples;
}

void put32(std::FILE *f, uint32_t v)
{
    const unsigned char b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    std::fwrite(b, 1, 4, f);
}

void put16(std::FILE *f, uint16_t v)
{
    const unsigned char b[2] = {uint8_t(v), uint8_t(v >> 8)};
    std::fwrite(b, 1, 2, f);
}

// 16-bit mono PCM in a plain RIFF/WAVE container, little-endian whatever the host.
bool writeWav(const std::string &strPath, const std::vector<int16_t> &samples)
{
    std::FILE *f = std::fopen(strPath.c_str(), "wb");
    if (!f)
        return false;
    const uint32_t iData = uint32_t(samples.size() * 2);
    std::fwrite("RIFF", 1, 4, f);
    put32(f, 36 + iData);
    std::fwrite("WAVEfmt ", 1, 8, f);
    put32(f, 16);
    put16(f, 1);
    put16(f, 1);
    put32(f, kRate);
    put32(f, kRate * 2);
    put16(f, 2);
    put16(f, 16);
    std::fwrite("data", 1, 4, f);
    put32(f, iData);
    for (int16_t s : samples)
        put16(f, uint16_t(s));
    const bool bOk = std::ferror(f) == 0;
    return std::fclose(f) == 0 && bOk;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const std::string strDir = argv[1];

    // Incoming call: two short bursts of a warm two-tone trill, then a pause; looped.
    std::vector<Tone> ring;
    for (int i = 0; i < 2; ++i)
        ring.push_back({i * 0.55, 0.45, 660, 880, 0.45, 0});
    // Ring-back: one second of tone, two of silence; looped while the callee's phone rings.
    const std::vector<Tone> call = {{0, 1.0, 450, 0, 0.35, 0}};
    // New message: two falling bell-like notes.
    const std::vector<Tone> message = {{0, 0.25, 1318.5, 0, 0.4, 9}, {0.12, 0.3, 987.8, 0, 0.4, 8}};

    const struct
    {
        const char *pName;
        double dSeconds;
        const std::vector<Tone> &tones;
    } files[] = {{"ring.wav", 3.0, ring}, {"call.wav", 3.0, call}, {"message.wav", 0.45, message}};

    for (const auto &file : files) {
        const std::string strPath = strDir + "/" + file.pName;
        if (!writeWav(strPath, render(file.dSeconds, file.tones))) {
            std::fprintf(stderr, "cannot write %s\n", strPath.c_str());
            return 1;
        }
    }
    return 0;
}
