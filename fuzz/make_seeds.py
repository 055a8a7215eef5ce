#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets.

usage: make_seeds.py CORPUS_DIR STREAM...

Each STREAM (an MPEG audio file) gives seeds as it is and, cut short, wrapped in every tag and
container the player reads (ID3v2.3/2.4, ID3v1, Lyrics3 v1/v2, RIFF WAVE with INFO, MacBinary).
The frame decoder's seeds carry its five control bytes in front and are cut into pieces from
several places of the stream; the command-line decoder's carry its one control byte.
"""
import os
import struct
import sys

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
