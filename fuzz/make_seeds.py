#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets.

usage: make_seeds.py CORPUS_DIR STREAM...

Each STREAM (an MPEG audio file) gives seeds as it is and, cut short, wrapped in every tag and
container the player reads (ID3v2.2/2.3/2.4 with their flags, APEv1/v2, ID3v1, Lyrics3 v1/v2, RIFF
WAVE with INFO, MacBinary).
The frame decoder's seeds carry its five control bytes in front and are cut into pieces from
several places of the stream; the command-line decoder's carry its one control byte.
"""
import os
import struct
import sys
import zlib

TARGETS = ("frame_decoder_fuzzer", "cli_decode_fuzzer", "tag_reader_fuzzer", "player_open_fuzzer",
           "stream_parser_fuzzer")
# Long enough for a few frames of any layer behind the tags, short enough to fuzz fast.
AUDIO_HEAD = 6000
DECODER_PIECE = 3000


def syncsafe(n):
    return bytes(((n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F))


def id3v23_frame(ident, text, encoding=0):
    body = bytes([encoding]) + text
    return ident + struct.pack(">I", len(body)) + b"\0\0" + body


def id3v2(audio, version=3, extended=False, padding=20):
    frames = id3v23_frame(b"TIT2", b"Seed title") + id3v23_frame(b"TPE1", b"Seed artist")
    frames += id3v23_frame(b"TALB", "アルバム".encode("utf-16"), encoding=1)
    frames += b"\0" * padding
    flags = 0
    if extended:
        flags |= 0x40
        frames = struct.pack(">I", 6) + b"\0" * 6 + frames
    return b"ID3" + bytes([version, 0, flags]) + syncsafe(len(frames)) + frames + audio


def unsynchronise(data):
    out = bytearray()
    for i, b in enumerate(data):
        out.append(b)
        if b == 0xFF and (i + 1 == len(data) or data[i + 1] >= 0xE0 or data[i + 1] == 0):
            out.append(0)
    return bytes(out)


def id3v22(audio):
    def frame(ident, body):
        return ident + struct.pack(">I", len(body))[1:] + body
    frames = frame(b"TT2", b"\0Seed title") + frame(b"TP1", b"\0Seed artist")
    frames += frame(b"COM", b"\0eng\0Comment") + frame(b"TCO", b"\0(17)")
    frames += frame(b"PIC", b"\0PNG\x03desc\0" + b"\x89PNG" * 8) + b"\0" * 10
    return b"ID3\x02\0\0" + syncsafe(len(frames)) + frames + audio


def id3v23_flags(audio):
    """Whole-tag unsynchronisation, a compressed frame and a TXXX ReplayGain frame."""
    text = b"\0Compressed \xff\xfe title"
    frames = b"TIT2" + struct.pack(">I", 4 + len(zlib.compress(text))) + b"\0\x80"
    frames += struct.pack(">I", len(text)) + zlib.compress(text)
    frames += id3v23_frame(b"TXXX", b"REPLAYGAIN_TRACK_GAIN\0-6.20 dB")
    frames += id3v23_frame(b"COMM", b"eng\0Comment \xff\xff")
    frames = unsynchronise(frames)
    return b"ID3\x03\0\x80" + syncsafe(len(frames)) + frames + audio


def id3v24_frame(ident, body, flags=0):
    return ident + syncsafe(len(body)) + bytes((0, flags)) + body


def id3v24(audio, appended=False):
    """UTF-8 and several values, per-frame unsynchronisation with a data length, compression,
    RVA2, a picture, and a footer; appended=True puts the tag behind the audio."""
    title = "夢風 / Mötley".encode("utf-8")
    frames = id3v24_frame(b"TIT2", b"\x03" + title)
    frames += id3v24_frame(b"TPE1", b"\x03One\0Two\0")
    text = b"\x03\xff\xe0 unsynchronised"
    frames += id3v24_frame(b"TALB", syncsafe(len(text)) + unsynchronise(text), 0x03)
    frames += id3v24_frame(b"TCON", syncsafe(len(b"\x0317")) + zlib.compress(b"\x0317"), 0x09)
    frames += id3v24_frame(b"RVA2", b"track\0\x01\xfc\x00\x10\x7f\xff")
    frames += id3v24_frame(b"APIC", b"\x00image/jpeg\0\x03\0" + b"\xff\xd8" * 16)
    tag = b"ID3\x04\0\x10" + syncsafe(len(frames)) + frames
    tag += b"3DI\x04\0\x10" + syncsafe(len(frames))
    return audio + tag if appended else tag + audio


def ape(audio, version=2000, header=True):
    items = b""
    for key, value in ((b"Title", b"Seed title"), (b"Artist", b"One\0Two"),
                       (b"REPLAYGAIN_TRACK_GAIN", b"-3.10 dB"), (b"Cover Art (Front)", b"x.jpg\0\xff")):
        flags = 2 if key.startswith(b"Cover") else 0
        items += struct.pack("<II", len(value), flags) + key + b"\0" + value
    def block(flags):
        return b"APETAGEX" + struct.pack("<IIII", version, len(items) + 32, 4, flags) + b"\0" * 8
    has_header = 0x80000000 if header and version >= 2000 else 0
    front = block(has_header | 0x20000000) if has_header else b""
    return audio + front + items + block(has_header)


def id3v1(audio, track=True):
    def field(text, size):
        return text[:size].ljust(size, b"\0")
    tag = b"TAG" + field(b"Seed title", 30) + field(b"Seed artist", 30) + field(b"Album", 30)
    tag += b"2026"
    tag += field(b"Comment", 28) + (b"\0\x07" if track else b"xx") + b"\x0d"
    return audio + tag


def lyrics3v1(audio):
    return audio + b"LYRICSBEGIN" + b"[00:01]Seed lyrics\r\n" + b"LYRICSEND"


def lyrics3v2(audio):
    fields = b"IND00002" + b"10" + b"LYR00011" + b"Seed lyrics" + b"ETT00004" + b"Name"
    block = b"LYRICSBEGIN" + fields
    return audio + block + b"%06d" % len(block) + b"LYRICS200"


def riff_wave(audio):
    fmt = b"fmt " + struct.pack("<IHHIIHH", 16, 0x55, 2, 44100, 16000, 1, 0)
    data = b"data" + struct.pack("<I", len(audio)) + audio + (b"\0" if len(audio) % 2 else b"")
    items = b""
    for ident, text in ((b"INAM", b"Seed title\0"), (b"IART", b"Seed artist\0")):
        items += ident + struct.pack("<I", len(text)) + text + (b"\0" if len(text) % 2 else b"")
    info = b"LIST" + struct.pack("<I", 4 + len(items)) + b"INFO" + items
    body = b"WAVE" + fmt + data + info
    return b"RIFF" + struct.pack("<I", len(body)) + body


def macbinary(audio):
    header = bytearray(128)
    header[1] = 8
    header[2:10] = b"seed.mp3"
    header[83:87] = struct.pack(">I", len(audio))
    padded = audio + b"\0" * (-len(audio) % 128)
    return bytes(header) + padded


def variants(name, stream):
    head = stream[:AUDIO_HEAD]
    yield name, stream
    yield name + ".id3v23", id3v2(head)
    yield name + ".id3v24", id3v2(head, version=4)
    yield name + ".id3v23ext", id3v2(head, extended=True)
    yield name + ".id3v22", id3v22(head)
    yield name + ".id3v23flags", id3v23_flags(head)
    yield name + ".id3v24flags", id3v24(head)
    yield name + ".id3v24appended", id3v1(id3v24(head, appended=True))
    yield name + ".apev2", id3v1(ape(head))
    yield name + ".apev2noheader", ape(head, header=False)
    yield name + ".apev1", lyrics3v2(ape(head, version=1000))
    yield name + ".id3v1", id3v1(head)
    yield name + ".id3v10", id3v1(head, track=False)
    yield name + ".lyrics3v1", lyrics3v1(head)
    yield name + ".lyrics3v2", id3v1(lyrics3v2(head))
    yield name + ".riff", riff_wave(head)
    yield name + ".macbinary", macbinary(id3v1(head))


def decoder_pieces(stream):
    """Pieces of the stream from its start, its middle and near its end."""
    starts = sorted({0, len(stream) // 3, len(stream) // 2, max(len(stream) - DECODER_PIECE, 0)})
    return [stream[s:s + DECODER_PIECE] for s in starts]


# Frame decoder control bytes: options, shift and flags, frequency limit / 4 (two bytes), CPU.
DECODER_CONTROLS = (
    bytes((0x00, 0x00, 0x17, 0x70, 0x00)),  # the player's set-up: 24000 Hz
    bytes((0x10, 0x04, 0xFF, 0xFF, 0x07)),  # full band, whole rest, packed forms
    bytes((0x01, 0x08, 0x03, 0xE8, 0x01)),  # mixed to mono, set up at every frame, 4000 Hz
    bytes((0x03, 0x00, 0x17, 0x70, 0x08)),  # right channel only
)


def write(directory, name, data):
    with open(os.path.join(directory, name), "wb") as out:
        out.write(data)


def main():
    corpus, streams = sys.argv[1], sys.argv[2:]
    dirs = {t: os.path.join(corpus, t) for t in TARGETS}
    for d in dirs.values():
        os.makedirs(d, exist_ok=True)
    for path in streams:
        with open(path, "rb") as f:
            stream = f.read()
        name = os.path.basename(path)
        for i, piece in enumerate(decoder_pieces(stream)):
            for j, control in enumerate(DECODER_CONTROLS):
                write(dirs["frame_decoder_fuzzer"], f"{name}.{i}.{j}", control + piece)
        for variant, data in variants(name, stream):
            cut = data if len(data) <= 3 * AUDIO_HEAD else data[:3 * AUDIO_HEAD]
            write(dirs["cli_decode_fuzzer"], variant, b"\x00" + cut)
            write(dirs["tag_reader_fuzzer"], variant, data)
            write(dirs["player_open_fuzzer"], variant, cut)
            write(dirs["stream_parser_fuzzer"], variant, cut)
        # Two streams joined: the parser meets a second header frame, a format change and tags.
        write(dirs["stream_parser_fuzzer"], name + ".joined", id3v1(stream[:AUDIO_HEAD]) + stream[:AUDIO_HEAD])


if __name__ == "__main__":
    main()
