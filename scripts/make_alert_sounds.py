#!/usr/bin/env python3
"""Writes the three alert sounds under resources/sounds/.

Each is a short mono 16-bit WAV made of decaying sine partials, distinct by
pitch and length: "Tink" a high tick, "Basso" a low thud, "Glass" a two-note
chime. Run once from the repository root; the results are committed.
"""

import math
import struct
import wave
from pathlib import Path

RATE = 22050


def tone(seconds, partials, decay):
    """partials: (frequency, amplitude, start in seconds) triples."""
    frames = int(RATE * seconds)
    out = []
    for n in range(frames):
        t = n / RATE
        value = 0.0
        for frequency, amplitude, start in partials:
            if t >= start:
                local = t - start
                value += amplitude * math.exp(-decay * local) * math.sin(2 * math.pi * frequency * local)
        attack = min(1.0, t / 0.003)  # a few milliseconds of fade-in, no click
        release = min(1.0, (seconds - t) / 0.01)
        out.append(max(-1.0, min(1.0, value * attack * release)))
    return out


def write(path, samples):
    with wave.open(str(path), "wb") as f:
        f.setnchannels(1)
        f.setsampwidth(2)
        f.setframerate(RATE)
        f.writeframes(b"".join(struct.pack("<h", int(s * 32000)) for s in samples))


def main():
    folder = Path(__file__).resolve().parent.parent / "resources" / "sounds"
    folder.mkdir(parents=True, exist_ok=True)
    sounds = {
        "Tink": tone(0.12, [(2093.0, 0.6, 0.0), (4186.0, 0.2, 0.0)], decay=40.0),
        "Basso": tone(0.35, [(110.0, 0.7, 0.0), (220.0, 0.25, 0.0)], decay=9.0),
        "Glass": tone(0.40, [(1318.5, 0.45, 0.0), (1760.0, 0.45, 0.12)], decay=10.0),
    }
    for name, samples in sounds.items():
        write(folder / f"{name}.wav", samples)


if __name__ == "__main__":
    main()
