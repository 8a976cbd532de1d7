#!/usr/bin/env python3
"""Measures the seven waves of a compiled window resource: size, rate, the
audible part (to the last sample within 60 dB of the loudest), peak level,
spectral centroid, loudness every 0.1 s, and the step across a loop's seam.

  tools/assets/measure-waves.py build/assets/TFORM1.bin

With a capture of play it measures, for every key taken while the game music
plays, how loud the key's chime and the music are in what was heard: their
RMS over the chime's audible part and the difference in dB.

  klice-play --data build/game-data --level 3 --script assets/replays/p03.txt \\
      --sound --log play.log          # writes klice-play-audio.raw without a sound card
  tools/assets/measure-waves.py build/assets/TFORM1.bin --capture klice-play-audio.raw --log play.log

The capture holds the mixer's output (44100 Hz, two channels of 32-bit
floats). The music and the chime are found in it by correlation with the
waves themselves, and their levels by a least-squares fit of both waves to
the capture over the chime's span, so footsteps and jumps heard at the same
time do not count for either.

Needs NumPy (Debian: python3-numpy); it is a tool for listening by numbers,
not part of the build or the tests.
"""
import json
import struct
import sys

import numpy as np

NAMES = ['key', 'splash', 'step', 'jump', 'block', 'menu tune', 'game tune']
KEY, GAME_MUSIC = 0, 6
CAPTURE_RATE = 44100
TICK = CAPTURE_RATE // 100  # output samples a tick


def read_waves(path):
    data = open(path, 'rb').read()
    pos = 0
    waves = []
    while True:
        i = data.find(b'RIFF', pos)
        if i < 0:
            break
        size = struct.unpack('<I', data[i + 4:i + 8])[0]
        img = data[i:i + 8 + size]
        rate = struct.unpack('<I', img[24:28])[0]
        n = struct.unpack('<I', img[40:44])[0]
        s = np.frombuffer(img[44:44 + n], dtype='<i2').astype(float)
        waves.append((rate, s))
        pos = i + 8 + size
    return waves


def audible_length(s):
    """Samples to the last one within 60 dB of the loudest."""
    peak = np.abs(s).max()
    loud = np.nonzero(np.abs(s) * 1000 > peak)[0]
    return loud[-1] + 1 if len(loud) else 0


def db(x):
    return 20 * np.log10(max(x, 1e-12))


def rms(x):
    return float(np.sqrt(np.mean(np.square(x)))) if len(x) else 0.0


def describe(waves):
    for name, (rate, s) in zip(NAMES, waves):
        peak = np.abs(s).max()
        audible = audible_length(s) / rate
        spectrum = np.abs(np.fft.rfft(s * np.hanning(len(s))))
        f = np.fft.rfftfreq(len(s), 1 / rate)
        centroid = (spectrum * f).sum() / spectrum.sum()
        hop = rate // 10
        loudness = [db(rms(s[j:j + hop]) / 32768) for j in range(0, min(len(s), 12 * hop), hop)]
        steps = np.abs(np.diff(s))
        print(f"{name:10s} {rate:5d} Hz {len(s)*2:8d} bytes  {len(s)/rate:6.3f} s  audible {audible:5.3f} s  "
              f"peak {db(peak/32768):5.1f} dBFS  centroid {centroid:6.0f} Hz  seam step {abs(s[0]-s[-1]):5.0f} "
              f"(largest step {steps.max():5.0f})")
        print("            rms per 0.1 s (dBFS):", " ".join(f"{r:5.0f}" for r in loudness))


def resampled(s, rate):
    """The wave at the capture's rate, band-limited, full scale 1."""
    n = int(round(len(s) * CAPTURE_RATE / rate))
    spectrum = np.fft.rfft(s / 32768)
    out = np.zeros(n // 2 + 1, dtype=complex)
    keep = min(len(spectrum), len(out))
    out[:keep] = spectrum[:keep]
    return np.fft.irfft(out, n) * (n / len(s))


def find(capture, template, around, reach):
    """Where `template` starts in `capture`, searched within +-reach of `around`."""
    lo = max(0, around - reach)
    hi = min(len(capture) - len(template), around + reach)
    if hi <= lo:
        return None
    segment = capture[lo:hi + len(template)]
    # Correlation through the FFT: the search may span seconds.
    n = 1 << int(np.ceil(np.log2(len(segment) + len(template))))
    corr = np.fft.irfft(np.fft.rfft(segment, n) * np.conj(np.fft.rfft(template, n)), n)[:hi - lo + 1]
    return lo + int(np.argmax(corr))


def measure_capture(waves, capture_path, log_path):
    raw = np.fromfile(capture_path, dtype='<f4')
    capture = raw[0::2].astype(float) / 2 + raw[1::2].astype(float) / 2
    ticks = [json.loads(line) for line in open(log_path)]
    music_ticks = [t['tick'] for t in ticks if GAME_MUSIC in t['waves_started']]
    if not music_ticks:
        raise SystemExit('measure-waves: the game music never starts in the log')
    music = resampled(waves[GAME_MUSIC][1], waves[GAME_MUSIC][0])
    key = resampled(waves[KEY][1], waves[KEY][0])
    span = audible_length(waves[KEY][1]) * CAPTURE_RATE // waves[KEY][0]
    key = key[:span]

    # The device runs from before the first tick, at the pace of the clock,
    # as do the ticks; a busy machine delays a tick for a moment, and the
    # ticks then catch up. The music's start is found in the capture, and
    # each chime within a few ticks of where its tick puts it.
    first = music_ticks[0]
    music_at = find(capture, music[:CAPTURE_RATE // 2], 0, len(capture))
    print(f"game music starts at tick {first}, {music_at / CAPTURE_RATE:.3f} s into the capture")
    # The chimes are looked for in what is left without the music.
    playing = np.arange(len(capture)) >= music_at
    heard_music = np.where(playing, music[(np.arange(len(capture)) - music_at) % len(music)], 0)
    rest = capture - heard_music * np.dot(capture, heard_music) / np.dot(heard_music, heard_music)
    print("tick   chime rms   music rms   chime - music   (fit leaves)")
    results = []
    for t in ticks:
        if KEY not in t['waves_started'] or t['tick'] < first:
            continue
        at = find(rest, key, music_at + (t['tick'] - first) * TICK, 10 * TICK)
        if at is None:
            continue
        heard = capture[at:at + span]
        along = (np.arange(at, at + span) - music_at) % len(music)
        m = music[along]
        fit, *_ = np.linalg.lstsq(np.stack([m, key], axis=1), heard, rcond=None)
        chime_level, music_level = db(rms(fit[1] * key)), db(rms(fit[0] * m))
        left = db(rms(heard - fit[0] * m - fit[1] * key))
        results.append(chime_level - music_level)
        print(f"{t['tick']:5d}  {chime_level:6.1f} dBFS  {music_level:6.1f} dBFS  {chime_level - music_level:+8.1f} dB"
              f"      ({left:6.1f} dBFS)")
    if results:
        print(f"chime against music: median {np.median(results):+.1f} dB, "
              f"from {min(results):+.1f} to {max(results):+.1f} dB over {len(results)} keys")


def main(argv):
    if len(argv) not in (1, 5) or (len(argv) == 5 and (argv[1] != '--capture' or argv[3] != '--log')):
        raise SystemExit(__doc__)
    waves = read_waves(argv[0])
    if len(argv) == 1:
        describe(waves)
    else:
        measure_capture(waves, argv[2], argv[4])


if __name__ == '__main__':
    main(sys.argv[1:])
