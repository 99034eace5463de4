#!/usr/bin/env python3
"""Writes the playable test media of the disc folders in sim/discs.

    tools/make-media.py            writes them into sim/discs
    tools/make-media.py --check    exits 1 when a file there differs

The files are small and made only from the numbers below, so the bytes are
the same on every machine:

  WAV   8-bit mono PCM at 8000 Hz, a sine tone
  MID   standard MIDI file, format 0, one track of piano notes
  AVI   uncompressed 24-bit frames (BI_RGB, no audio stream): a bar that
        moves across a coloured field, 5 frames a second
  DAT   a Video CD item: MPEG pack headers and padding, nothing to decode
        (the video devices take the item's length from the disc's disc.ini)
"""

import math
import os
import struct
import sys

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DISCS = os.path.join(TOP, "sim", "discs")


def chunk(tag, data):
    pad = b"\0" if len(data) % 2 else b""
    return tag + struct.pack("<I", len(data)) + data + pad


def wav(seconds, frequency, rate=8000):
    count = int(seconds * rate)
    samples = bytes(
        128 + int(90 * math.sin(2 * math.pi * frequency * i / rate)) for i in range(count))
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate, 1, 8)
    return chunk(b"RIFF", b"WAVE" + chunk(b"fmt ", fmt) + chunk(b"data", samples))


def midi(notes, quarter_ticks=96, tempo_us=500000):
    """notes: (key, quarters) played one after another on channel 0."""

    def vlq(value):
        out = [value & 0x7F]
        value >>= 7
        while value:
            out.insert(0, 0x80 | (value & 0x7F))
            value >>= 7
        return bytes(out)

    track = b"\x00\xFF\x51\x03" + tempo_us.to_bytes(3, "big")
    track += b"\x00\xC0\x00"  # program 0
    for key, quarters in notes:
        track += b"\x00" + bytes([0x90, key, 0x60])
        track += vlq(int(quarters * quarter_ticks)) + bytes([0x80, key, 0x40])
    track += b"\x00\xFF\x2F\x00"
    header = b"MThd" + struct.pack(">IHHH", 6, 0, 1, quarter_ticks)
    return header + b"MTrk" + struct.pack(">I", len(track)) + track


def avi(seconds, colour, width=32, height=24, fps=5):
    frames = int(seconds * fps)
    stride = (width * 3 + 3) & ~3
    frame_size = stride * height
    usec = 1000000 // fps

    def frame(n):
        bar = n * width // max(frames, 1)
        rows = []
        for _ in range(height):
            row = b"".join(
                (b"\xFF\xFF\xFF" if bar <= x < bar + 4 else bytes(colour)) for x in range(width))
            rows.append(row + b"\0" * (stride - width * 3))
        return b"".join(rows)

    avih = struct.pack("<IIIIIIIIII4I", usec, frame_size * fps, 0, 0x10, frames, 0, 1,
                       frame_size, width, height, 0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh", b"vids", b"DIB ", 0, 0, 0, 0, 1, fps, 0,
                       frames, frame_size, 0xFFFFFFFF, 0, 0, 0, width, height)
    strf = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, frame_size, 0, 0, 0, 0)
    strl = chunk(b"LIST", b"strl" + chunk(b"strh", strh) + chunk(b"strf", strf))
    hdrl = chunk(b"LIST", b"hdrl" + chunk(b"avih", avih) + strl)
    movi_data = b""
    index = b""
    for n in range(frames):
        index += struct.pack("<4sIII", b"00db", 0x10, 4 + len(movi_data), frame_size)
        movi_data += chunk(b"00db", frame(n))
    movi = chunk(b"LIST", b"movi" + movi_data)
    return chunk(b"RIFF", b"AVI " + hdrl + movi + chunk(b"idx1", index))


def mpeg_item(packs):
    pack = b"\x00\x00\x01\xBA" + bytes(2044)
    return pack * packs + b"\x00\x00\x01\xB9"


SCALE = [60, 62, 64, 65, 67, 69, 71, 72]

# Disc folder, file, bytes. The short items end within a second or two, the
# long ones leave a test time to act while they play.
MEDIA = [
    ("qmcd-media", "WAVE/CHIME.WAV", lambda: wav(1.0, 880)),
    ("qmcd-media", "WAVE/TONE.WAV", lambda: wav(6.0, 440)),
    ("qmcd-media", "MIDI/SCALE.MID", lambda: midi([(k, 0.5) for k in SCALE])),
    ("qmcd-media", "MIDI/TUNE.MID", lambda: midi([(k, 1) for k in SCALE + SCALE[::-1]] * 1)),
    ("qmcd-media", "AVI/BAR.AVI", lambda: avi(1.0, (200, 60, 20))),
    ("qmcd-media", "AVI/FIELD.AVI", lambda: avi(6.0, (20, 120, 200))),
    ("qmcd-other-first", "WAVE/INTRO.WAVE", lambda: wav(1.0, 660)),
    ("videocd-avseq", "MPEGAV/AVSEQ01.DAT", lambda: mpeg_item(3)),
    ("videocd-avseq", "MPEGAV/AVSEQ02.DAT", lambda: mpeg_item(1)),
    ("qmcd-other-first", "MIDI/SCALE.MID", lambda: midi([(k, 0.5) for k in SCALE])),
]


def main():
    check = sys.argv[1:] == ["--check"]
    if sys.argv[1:] and not check:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    differ = []
    for disc, name, make in MEDIA:
        path = os.path.join(DISCS, disc, *name.split("/"))
        data = make()
        if check:
            try:
                with open(path, "rb") as f:
                    same = f.read() == data
            except OSError:
                same = False
            if not same:
                differ.append(path)
            continue
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    for path in differ:
        print("make-media: %s differs from what the script makes" % path, file=sys.stderr)
    return 1 if differ else 0


if __name__ == "__main__":
    sys.exit(main())
