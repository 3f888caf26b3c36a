"""Reads the generated sounds back with Python's own wave reader: each must be a 16-bit mono
PCM file of the expected length, audible without clipping, and carry its tone where a listener
expects it (checked with a Goertzel filter, independent of how the generator makes it)."""
import math
import sys
import wave
import struct

EXPECTED = {
    # name: (seconds, [(start s, length s, frequency Hz)] that must sound, silent span or None)
    "ring.wav": (3.0, [(0.05, 0.35, 660), (0.05, 0.35, 880), (0.6, 0.35, 660)], (1.2, 3.0)),
    "call.wav": (3.0, [(0.1, 0.8, 450)], (1.1, 3.0)),
    "message.wav": (0.45, [(0.0, 0.1, 1318.5), (0.15, 0.1, 987.8)], None),
}


def goertzel_power(samples, rate, freq):
    k = 2 * math.cos(2 * math.pi * freq / rate)
    s1 = s2 = 0.0
    for x in samples:
        s0 = x + k * s1 - s2
        s2, s1 = s1, s0
    return (s1 * s1 + s2 * s2 - k * s1 * s2) / max(1, len(samples)) ** 2


def main(folder):
    failures = []
    for name, (seconds, tones, silent) in EXPECTED.items():
        with wave.open(f"{folder}/{name}") as w:
            params = (w.getnchannels(), w.getsampwidth(), w.getcomptype())
            if params != (1, 2, "NONE"):
                failures.append(f"{name}: format {params}")
                continue
            rate = w.getframerate()
            frames = w.readframes(w.getnframes())
        samples = [v / 32768 for v in struct.unpack(f"<{len(frames) // 2}h", frames)]
        if abs(len(samples) / rate - seconds) > 0.01:
            failures.append(f"{name}: {len(samples) / rate:.3f} s, expected {seconds}")
        peak = max(abs(v) for v in samples)
        if not 0.2 < peak < 0.99:
            failures.append(f"{name}: peak {peak:.3f}")
        for start, length, freq in tones:
            part = samples[int(start * rate):int((start + length) * rate)]
            wanted = goertzel_power(part, rate, freq)
            # A neighbour a few semitones away must be far weaker than the tone itself.
            other = goertzel_power(part, rate, freq * 1.26)
            if wanted < 1e-3 or wanted < 50 * other:
                failures.append(f"{name}: no {freq} Hz at {start} s ({wanted:.2e} vs {other:.2e})")
        if silent:
            quiet = samples[int(silent[0] * rate):int(silent[1] * rate)]
            if quiet and max(abs(v) for v in quiet) > 1e-3:
                failures.append(f"{name}: not silent from {silent[0]} s")
    for f in failures:
        print("FAIL", f)
    print(f"{len(EXPECTED) - len({f.split(':')[0] for f in failures})} passed, "
          f"{len({f.split(':')[0] for f in failures})} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
