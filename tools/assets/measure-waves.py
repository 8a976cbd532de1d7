#!/usr/bin/env python3
"""Measures the seven waves of a compiled window resource: size, rate, the
audible part (to the last sample within 60 dB of the loudest), peak level,
spectral centroid, loudness every 0.1 s, and the step across a loop's seam.

  tools/assets/measure-waves.py build/assets/TFORM1.bin

Needs NumPy (Debian: python3-numpy); it is a tool for listening by numbers,
not part of the build or the tests.
"""
import sys, struct, numpy as np
data = open(sys.argv[1], 'rb').read()
names = ['key', 'splash', 'step', 'jump', 'block', 'menu tune', 'game tune']
pos = 0; waves = []
while True:
    i = data.find(b'RIFF', pos)
    if i < 0: break
    size = struct.unpack('<I', data[i+4:i+8])[0]
    img = data[i:i+8+size]
    rate = struct.unpack('<I', img[24:28])[0]
    n = struct.unpack('<I', img[40:44])[0]
    s = np.frombuffer(img[44:44+n], dtype='<i2').astype(float)
    waves.append((rate, s)); pos = i + 8 + size
for name, (rate, s) in zip(names, waves):
    peak = np.abs(s).max()
    loud = np.nonzero(np.abs(s) * 1000 > peak)[0]
    audible = (loud[-1] + 1) / rate if len(loud) else 0
    spectrum = np.abs(np.fft.rfft(s * np.hanning(len(s))))
    f = np.fft.rfftfreq(len(s), 1 / rate)
    centroid = (spectrum * f).sum() / spectrum.sum()
    hop = rate // 10
    rms = [20 * np.log10(max(1e-9, np.sqrt(np.mean(s[j:j+hop] ** 2)) / 32768)) for j in range(0, min(len(s), 12 * hop), hop)]
    steps = np.abs(np.diff(s))
    print(f"{name:10s} {rate:5d} Hz {len(s)*2:8d} bytes  {len(s)/rate:6.3f} s  audible {audible:5.3f} s  peak {20*np.log10(peak/32768):5.1f} dBFS  "
          f"centroid {centroid:6.0f} Hz  seam step {abs(s[0]-s[-1]):5.0f} (largest step {steps.max():5.0f})")
    print("            rms per 0.1 s (dBFS):", " ".join(f"{r:5.0f}" for r in rms))
