#!/usr/bin/env python3
"""Writes the three event sounds (connect.wav, complete.wav, error.wav) into this folder:
short sine-tone phrases, 22050 Hz, 16-bit mono PCM. Run it again to remake them."""
import math
import os
import struct
import wave

RATE = 22050


def note(freq, seconds, level=0.35, harmonics=((1, 1.0),), decay=3.0):
    """One note: a sum of harmonics with a 5 ms attack and an exponential decay."""
    count = int(RATE * seconds)
    attack = int(RATE * 0.005)
    samples = []
    for i in range(count):
        t = i / RATE
        value = sum(weight * math.sin(2 * math.pi * freq * n * t) for n, weight in harmonics)
        envelope = min(1.0, i / attack) * math.exp(-decay * t / seconds)
        # The last 5 ms fade to silence so the sound ends without a click.
        envelope *= min(1.0, (count - i) / attack)
        samples.append(level * envelope * value)
    return samples


def silence(seconds):
    return [0.0] * int(RATE * seconds)


def write(name, samples):
    peak = max(1e-9, max(abs(s) for s in samples))
    scale = min(1.0, 0.9 / peak)
    frames = b"".join(struct.pack("<h", int(s * scale * 32767)) for s in samples)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), name)
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)


bell = ((1, 1.0), (2, 0.25), (3, 0.1))
# Connected: two rising notes.
write("connect.wav", note(659.3, 0.09, harmonics=bell) + note(987.8, 0.16, harmonics=bell))
# Transfer complete: a rising major triad.
write("complete.wav", note(1046.5, 0.07, harmonics=bell) + note(1318.5, 0.07, harmonics=bell)
      + note(1568.0, 0.22, harmonics=bell))
# Error: two falling, reedy low notes.
reed = ((1, 1.0), (3, 0.33), (5, 0.2))
write("error.wav", note(392.0, 0.12, harmonics=reed, decay=1.0) + silence(0.03)
      + note(277.2, 0.22, harmonics=reed, decay=1.5))
