#!/usr/bin/env python3
"""Writes what ALSA's file device pipes in to a file at the pace of a real
sound card: BYTES_PER_SECOND of it a second. ALSA's null device takes sound
as fast as it is given, so without this a capture would run ahead of the
clock and its samples could not be matched to the game's ticks.

Usage (as the command of a file device): alsa_pace.py BYTES_PER_SECOND FILE
"""
import fcntl
import sys
import time

F_SETPIPE_SZ = 1031  # Linux: the smallest pipe keeps the writer at most a page ahead


def main():
    rate, path = int(sys.argv[1]), sys.argv[2]
    source = sys.stdin.buffer
    try:
        fcntl.fcntl(source.fileno(), F_SETPIPE_SZ, 4096)
    except OSError:
        pass  # not a pipe, or an older kernel: only the lead grows
    chunk = max(1, rate // 200)  # 5 ms
    written = 0
    start = None
    with open(path, "wb") as out:
        while True:
            data = source.read1(chunk)
            if not data:
                break
            if start is None:
                start = time.monotonic()
            out.write(data)
            out.flush()
            written += len(data)
            ahead = start + written / rate - time.monotonic()
            if ahead > 0:
                time.sleep(ahead)


if __name__ == "__main__":
    main()
