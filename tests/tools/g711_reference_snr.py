#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The SNR of G.711 mu-law and A-law over a 16-bit mono WAV file, computed apart from the
program: Python's own audioop codes each sample to 8 bits and back, and the SNR is
10 log10(sum x^2 / sum (y - x)^2) over the whole file.

    g711_reference_snr.py FILE      prints "mulaw SNR" and "alaw SNR", one a line
"""
import math
import sys
import warnings
import wave

with warnings.catch_warnings():
    warnings.simplefilter("ignore", DeprecationWarning)
    import audioop

with wave.open(sys.argv[1], "rb") as sound:
    if sound.getsampwidth() != 2 or sound.getnchannels() != 1:
        sys.exit("needs 16-bit mono samples")
    original = sound.readframes(sound.getnframes())

samples = memoryview(original).cast("h")
signal = sum(x * x for x in samples)
for name, encode, decode in (("mulaw", audioop.lin2ulaw, audioop.ulaw2lin),
                             ("alaw", audioop.lin2alaw, audioop.alaw2lin)):
    coded = memoryview(decode(encode(original, 2), 2)).cast("h")
    error = sum((y - x) ** 2 for x, y in zip(samples, coded))
    print(name, 10 * math.log10(signal / error))
