#!/usr/bin/python3
"""Tags written by mutagen in every ID3v2 version and text encoding, APEv2 and ID3v1, read back
by `yumekaze-cli info --json` and compared with what TagLib reads from the same files; the
LAME tag's ReplayGain compared with ffprobe's reading.

usage: info_tags_check.py CLI TAGLIB_FIELDS MPEG_FILE WORK_DIR
Exit status 0 when all agree, 1 with the differences listed, 77 when mutagen is missing.
"""
import json
import os
import shutil
import subprocess
import sys

try:
    from mutagen.apev2 import APEv2, APEValue, BINARY
    from mutagen.mp3._util import XingHeader
    from mutagen.id3 import (APIC, COMM, ID3, RVA2, TALB, TCON, TDRC, TIT2, TPE1, TPE2, TPOS,
                             TRCK, TXXX)
except ImportError:
    sys.exit(77)

CLI, TAGLIB_FIELDS, AUDIO, WORK = sys.argv[1:5]
failures = []


def copy_audio(name):
    path = os.path.join(WORK, name)
    shutil.copy(AUDIO, path)
    return path


def id3_file(name, version, encoding, rest_encoding=None):
    """Every field of interest in one encoding (rest_encoding for all but title and artist)."""
    path = copy_audio(name)
    other = encoding if rest_encoding is None else rest_encoding
    tag = ID3()
    tag.add(TIT2(encoding=encoding, text=["夢風の歌 Mötley Crüe"]))
    tag.add(TPE1(encoding=encoding, text=["Кино", "Café"] if version == 4 else ["Кино"]))
    tag.add(TALB(encoding=other, text=["Album " + "é" * 200]))  # sizes above 127 bytes
    tag.add(TPE2(encoding=other, text=["Various"]))
    tag.add(TRCK(encoding=0, text=["3/12"]))
    tag.add(TPOS(encoding=0, text=["1/2"]))
    tag.add(TCON(encoding=0, text=["(17)" if version == 3 else "17"]))
    tag.add(TDRC(encoding=0, text=["2024-05-01"]))
    tag.add(COMM(encoding=other, lang="eng", desc="", text=["Comment text"]))
    tag.add(COMM(encoding=other, lang="eng", desc="iTunNORM", text=["00000A"]))
    tag.add(TXXX(encoding=other, desc="replaygain_track_gain", text=["-6.48 dB"]))
    tag.add(TXXX(encoding=other, desc="REPLAYGAIN_ALBUM_GAIN", text=["+1.25"]))
    tag.add(APIC(encoding=other, mime="image/jpeg", type=3, desc="front", data=b"\xff" * 70000))
    tag.save(path, v2_version=version)
    return path


def ape_file(name, with_id3v1):
    path = copy_audio(name)
    if with_id3v1:
        tag = ID3()
        tag.add(TIT2(encoding=0, text=["v1 title"]))
        tag.add(TPE1(encoding=0, text=["v1 artist"]))
        tag.save(path, v1=2)
        ID3(path).delete(path, delete_v1=False, delete_v2=True)
    ape = APEv2()
    ape["Title"] = "Ape títle"
    ape["Artist"] = ["Ape", "Артист"]
    ape["Album"] = "Ape album"
    ape["Track"] = "7"
    ape["Year"] = "1999"
    ape["Genre"] = "Jazz"
    ape["Comment"] = "Ape comment"
    ape["REPLAYGAIN_TRACK_GAIN"] = "-3.10 dB"
    ape["REPLAYGAIN_ALBUM_GAIN"] = "-2.00 dB"
    ape.save(path)
    return path


def is_int(v, low=-2**63, high=2**63 - 1):
    return isinstance(v, int) and not isinstance(v, bool) and low <= v <= high


def is_text(v):
    return v is None or isinstance(v, str) or (
        isinstance(v, list) and len(v) > 1 and all(isinstance(x, str) for x in v))


def nullable(test):
    return lambda v: v is None or test(v)


def is_object(schema):
    return lambda v: isinstance(v, dict) and list(v) == list(schema) and all(
        test(v[key]) for key, test in schema.items())


is_str = lambda v: isinstance(v, str)  # noqa: E731
is_number = lambda v: is_int(v) or isinstance(v, float)  # noqa: E731
# The schema `info --help` documents, key by key and in its order.
SCHEMA = {
    "version": lambda v: v in ("MPEG-1", "MPEG-2", "MPEG-2.5"),
    "layer": lambda v: v in (1, 2, 3), "sample_rate": is_int, "channels": lambda v: v in (1, 2),
    "mode": lambda v: v in ("stereo", "joint stereo", "dual channel", "single channel"),
    "bitrate_kbps": is_int, "average_bitrate_kbps": nullable(is_int),
    "free_format": lambda v: isinstance(v, bool),
    "vbr_header": lambda v: v in ("none", "Xing", "VBRI"),
    "vbr_frames": nullable(lambda v: is_int(v, 0, 2**32 - 1)),
    "audio_start": is_int, "audio_length": nullable(is_int), "samples": nullable(is_int),
    "duration_seconds": nullable(is_number),
    "duration_estimated": lambda v: isinstance(v, bool), "length_note": nullable(is_str),
    "lame": nullable(is_object({"encoder": is_str, "delay": is_int, "padding": is_int})),
    "id3v2_version": nullable(lambda v: v in (2, 3, 4)),
    **{key: is_text for key in ("title", "artist", "album", "album_artist", "track", "disc",
                                "year", "genre", "comment")},
    "replaygain": is_object({key: nullable(is_number) for key in (
        "track_gain_db", "track_peak", "album_gain_db", "album_peak")}),
    "picture": nullable(is_object({"type": is_int, "type_name": is_str, "mime": is_str,
                                   "size": is_int, "width": nullable(is_int),
                                   "height": nullable(is_int)})),
    "skipped": lambda v: isinstance(v, list) and all(map(is_str, v)),
    "tags": is_object({key: lambda v: isinstance(v, list) and all(map(is_str, v)) for key in (
        "id3v1", "id3v2", "ape", "riff_info", "lyrics3")}),
}


def check_schema(line):
    def no_constant(name):
        raise ValueError(f"{name} is not JSON")
    try:
        obj = json.loads(line, parse_constant=no_constant)
    except ValueError as error:
        failures.append(f"not JSON ({error}): {line}")
        return {}
    head = ["file"] + (["file_uri"] if "file_uri" in obj else [])
    schema = {"error": is_str} if "error" in obj else SCHEMA
    if list(obj) != head + list(schema):
        failures.append(f"keys {list(obj)} against the schema's {head + list(schema)}")
    for key, test in schema.items():
        if key in obj and not test(obj[key]):
            failures.append(f"{obj['file']}: {key} {obj[key]!r} does not fit the schema")
    return obj


def run_cli(args, env_locale="en_US.UTF-8"):
    env = dict(os.environ, LC_ALL=env_locale)
    done = subprocess.run([CLI, "info", "--json"] + args, capture_output=True, env=env)
    return [check_schema(line) for line in done.stdout.decode("utf-8").splitlines()]


def joined(value):
    """A JSON value as TagLib's text: none empty, several joined " / "."""
    return "" if value is None else " / ".join(value) if isinstance(value, list) else value


def check(what, ours, theirs):
    if ours != theirs:
        failures.append(f"{what}: yumekaze {ours!r}, reference {theirs!r}")


def number_before(text, stop):
    head = text.split(stop)[0].strip()
    return int(head) if head.isdigit() else 0


files = [
    id3_file("v23_latin1_utf16.mp3", 3, 1, rest_encoding=0),
    id3_file("v23_utf16.mp3", 3, 1),
    id3_file("v24_utf8.mp3", 4, 3),
    id3_file("v24_utf16be.mp3", 4, 2),
    id3_file("v24_utf16_latin1.mp3", 4, 1, rest_encoding=0),
    ape_file("ape.mp3", with_id3v1=False),
    ape_file("ape_id3v1.mp3", with_id3v1=True),
]
# ID3v2.4 over APE over ID3v1: field by field.
merged = ape_file("merged.mp3", with_id3v1=True)
tag = ID3()
tag.add(TIT2(encoding=3, text=["ID3v2 title"]))
tag.save(merged, v2_version=4, v1=0)
files.append(merged)

ours = run_cli(files)
taglib = subprocess.run([TAGLIB_FIELDS] + files, capture_output=True, check=True)
theirs = [json.loads(line) for line in taglib.stdout.decode("utf-8").splitlines()]
check("objects", len(ours), len(files))
for path, mine, ref in zip(files, ours, theirs):
    name = os.path.basename(path)
    if "error" in mine:
        failures.append(f"{name}: {mine['error']}")
        continue
    for key in ("title", "artist", "album", "album_artist", "comment", "genre"):
        check(f"{name} {key}", joined(mine[key]), ref[key])
    check(f"{name} year", number_before(mine["year"], "-"), ref["year"])
    check(f"{name} track", number_before(mine["track"], "/"), ref["track"])
    check(f"{name} disc", mine["disc"], ref["disc"] or None)
    for which in ("track", "album"):
        expected = ref[f"replaygain_{which}_gain"].replace("dB", "").strip()
        check(f"{name} {which} gain", mine["replaygain"][f"{which}_gain_db"],
              float(expected) if expected else None)
    data = open(path, "rb").read()
    if name.startswith("v2"):
        check(f"{name} audio start", mine["audio_start"], ID3(path).size)
        # 2.3's TYER and TDAT as one date, as mutagen reads them.
        check(f"{name} date", mine["year"], str(ID3(path)["TDRC"]))
        check(f"{name} ID3v2 version", mine["id3v2_version"], ID3(path).version[1])
        picture = ID3(path).getall("APIC")[0]
        check(f"{name} picture", mine["picture"],
              {"type": 3, "type_name": "front cover", "mime": picture.mime,
               "size": len(picture.data), "width": None, "height": None})
    if "ape" in name or name == "merged.mp3":
        # The audio ends where the APE tag begins.
        ape_start = data.rfind(b"APETAGEX", 0, data.rfind(b"APETAGEX"))
        check(f"{name} audio end", mine["audio_start"] + mine["audio_length"], ape_start)
        check(f"{name} ape lines", len(mine["tags"]["ape"]), len(APEv2(path).keys()))

# Legacy text in ID3v1: CP1252 under an English locale, CP932 under a Japanese one or chosen.
legacy = copy_audio("legacy.mp3")
with open(legacy, "ab") as out:
    out.write(b"TAG" + "夢風".encode("cp932").ljust(30, b"\0") +
              "Café Mötley".encode("cp1252").ljust(30, b"\0") + b"\0" * 62 + b"\0\x05\xff")
check("CP1252 under en_US", run_cli([legacy])[0]["artist"], "Café Mötley")
check("CP932 under ja_JP", run_cli([legacy], "ja_JP.UTF-8")[0]["title"], "夢風")
check("--charset cp932", run_cli(["--charset", "cp932", legacy])[0]["title"], "夢風")
check("ID3v1 genre 255 is none", run_cli([legacy])[0]["genre"], None)
check("ID3v1 track", run_cli([legacy])[0]["track"], "5")
check("audio length without ID3v1", run_cli([legacy])[0]["audio_length"],
      os.path.getsize(legacy) - 128)

# No title in any tag is null, not the file's name; a comment frame that has only a description
# shows it.
untagged, described = copy_audio("untagged.mp2"), copy_audio("described.mp2")
comment = b"COMM" + (28).to_bytes(4, "big") + b"\0\0\0eng" + b"Said in the description\0"
audio = open(described, "rb").read()
with open(described, "wb") as out:  # mutagen writes no comment frame without text
    out.write(b"ID3\x03\0\0\0\0\0" + bytes([len(comment)]) + comment + audio)
check("no title", run_cli([untagged])[0]["title"], None)
check("description only", run_cli([described])[0]["comment"], "Said in the description")

# Limits that drop data say what and why: a picture over the frame limit, an unsynchronised 2.3
# tag over its limit, an APE cover.
big = copy_audio("big_picture.mp2")
tag = ID3()
tag.add(APIC(encoding=0, mime="image/png", type=3, desc="", data=b"\x89" * (17 << 20)))
tag.save(big, v2_version=4)
unsynchronised = copy_audio("unsynchronised.mp2")
frames = b"TIT2" + (40 << 20).to_bytes(4, "big") + b"\0\0\0" + b"\xff\0" * (20 << 20)
size = bytes((len(frames) >> shift) & 0x7F for shift in (21, 14, 7, 0))
audio = open(unsynchronised, "rb").read()
with open(unsynchronised, "wb") as out:
    out.write(b"ID3\x03\x00\x80" + size + frames + audio)
for path, says in ((big, "APIC of 17825"), (unsynchronised, "unsynchronised ID3v2.3 tag")):
    skipped = run_cli([path])[0]["skipped"]
    check(f"{os.path.basename(path)} skipped", any(says in line for line in skipped), True)

# Covers: the front cover before other pictures, APEv2's, and an image beside the file when it
# has more pixels; each with the pixel size ffmpeg made it at, and written out as it is stored.
if shutil.which("ffmpeg"):
    def image(name, size):
        path = os.path.join(WORK, name)
        subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                        f"testsrc=s={size}", "-frames:v", "1", path], check=True)
        return path, open(path, "rb").read()

    jpeg_path, jpeg = image("small.jpg", "320x240")
    png_path, png = image("large.png", "500x400")
    covers = os.path.join(WORK, "covers")
    os.makedirs(covers)
    pictures = os.path.join(covers, "pictures.mp2")
    shutil.copy(AUDIO, pictures)
    tag = ID3()
    tag.add(APIC(encoding=0, mime="image/png", type=4, desc="back", data=png))
    tag.add(APIC(encoding=0, mime="image/jpeg", type=3, desc="front", data=jpeg))
    tag.save(pictures, v2_version=3)
    ape_cover = copy_audio("ape_cover.mp2")
    ape = APEv2()
    ape["Cover Art (Front)"] = APEValue(b"cover.png\0" + png, BINARY)
    ape.save(ape_cover)
    extracted = os.path.join(WORK, "extracted")

    def extract(path):
        if os.path.exists(extracted):
            os.remove(extracted)
        status = subprocess.run([CLI, "info", "--extract-cover", extracted, path]).returncode
        return open(extracted, "rb").read() if status == 0 else status

    check("front cover first", run_cli([pictures])[0]["picture"],
          {"type": 3, "type_name": "front cover", "mime": "image/jpeg", "size": len(jpeg),
           "width": 320, "height": 240})
    check("front cover written", extract(pictures) == jpeg, True)
    mine = run_cli([ape_cover])[0]
    check("APE cover", mine["picture"],
          {"type": 3, "type_name": "front cover", "mime": "image/png", "size": len(png),
           "width": 500, "height": 400})
    check("APE cover not skipped", mine["skipped"], [])
    check("APE cover written", extract(ape_cover) == png, True)
    shutil.copy(png_path, os.path.join(covers, "Folder.PNG"))
    check("larger folder image wins", extract(pictures) == png, True)
    os.remove(os.path.join(covers, "Folder.PNG"))
    shutil.copy(jpeg_path, os.path.join(covers, "cover.jpeg"))
    shutil.copy(AUDIO, os.path.join(covers, "plain.mp2"))
    check("folder image alone", extract(os.path.join(covers, "plain.mp2")) == jpeg, True)
    check("no cover", extract(untagged), 1)

# Every ID3v1 genre byte: the merged genre as mutagen names it (which says "Unknown" for bytes
# past its list where TagLib, like us, gives none); the ID3v1 line keeps its own table.
from mutagen.id3._id3v1 import ParseID3v1  # noqa: E402
head = open(AUDIO, "rb").read()[:4096]
genre_files, expected_genres = [], []
for byte in range(256):
    tag = b"TAG" + b"t".ljust(30, b"\0") + b"\0" * 94 + bytes([byte])
    path = os.path.join(WORK, f"genre{byte}.mp3")
    with open(path, "wb") as out:
        out.write(head + tag)
    genre_files.append(path)
    frames = ParseID3v1(tag)
    name = frames["TCON"].genres[0] if "TCON" in frames else ""
    expected_genres.append(None if name in ("", "Unknown") else name)
for byte, mine in enumerate(run_cli(genre_files)):
    check(f"ID3v1 genre byte {byte}", mine.get("genre"), expected_genres[byte])

# ReplayGain that LAME stored in its tag, as ffmpeg reads it, where no tag gives one.
wav, lame_file = os.path.join(WORK, "tone.wav"), os.path.join(WORK, "lame.mp3")
if shutil.which("sox") and shutil.which("lame") and shutil.which("ffprobe"):
    subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", wav, "synth", "3", "sine", "440",
                    "vol", "0.5"], check=True)
    subprocess.run(["lame", "--quiet", "-V2", wav, lame_file], check=True)
    probe = subprocess.run(["ffprobe", "-v", "info", lame_file], capture_output=True, text=True)
    gain = probe.stderr.split("track gain - ")[1].split(",")[0]
    ours = run_cli([lame_file])[0]
    check("LAME track gain", ours["replaygain"]["track_gain_db"], round(float(gain), 2))
    # The LAME fields as mutagen reads them.
    data = open(lame_file, "rb").read()
    at = max(data.find(b"Xing"), data.find(b"Info"))
    with open(lame_file, "rb") as stream:
        stream.seek(at)
        xing = XingHeader(stream)
    check("LAME fields", ours["lame"],
          {"encoder": ours["lame"]["encoder"], "delay": xing.lame_header.encoder_delay_start,
           "padding": xing.lame_header.encoder_padding_end})
    check("LAME encoder", ours["lame"]["encoder"].startswith("LAME"), True)

    # A count past 2^31 as it stands; a cut and a joined file (Layer III and II at 22.05 kHz)
    # have lengths from a scan that say so, near mpg123's, rounded as the text form rounds them.
    huge = os.path.join(WORK, "huge_count.mp3")
    with open(huge, "wb") as out:
        out.write(data[:at + 8] + (0xFFFFFFF0).to_bytes(4, "big") + data[at + 12:])
    check("frame count", run_cli([huge])[0]["vbr_frames"], 0xFFFFFFF0)
    low_wav, cut, joined_file = (os.path.join(WORK, n) for n in ("low.wav", "cut.mp3", "joined.mp3"))
    subprocess.run(["sox", wav, "-r", "22050", low_wav], check=True)
    subprocess.run(["lame", "--quiet", "-V8", low_wav, lame_file], check=True)
    subprocess.run(["twolame", "--quiet", "-b", "64", low_wav, low_wav + ".mp2"], check=True)
    data = open(lame_file, "rb").read()
    with open(cut, "wb") as out:
        out.write(data[:len(data) * 6 // 10])
    with open(joined_file, "wb") as out:
        out.write(data + open(low_wav + ".mp2", "rb").read())
    for path in (cut, joined_file):
        ours = run_cli([path])[0]
        name = os.path.basename(path)
        check(f"{name} says why", ours["length_note"] is not None, True)
        decoded = subprocess.run(["mpg123", "-q", "-s", path], capture_output=True).stdout
        reference = len(decoded) // 2 // ours["channels"]
        check(f"{name} samples near mpg123's {reference}",
              abs(ours["samples"] - reference) <= 2 * 1152, True)
        ms = (ours["samples"] * 1000 + ours["sample_rate"] // 2) // ours["sample_rate"]
        check(f"{name} JSON duration", ours["duration_seconds"], ms / 1000)
        text = subprocess.run([CLI, "info", path], capture_output=True, text=True).stdout
        check(f"{name} text duration", f"{ms // 60000}:{ms // 1000 % 60:02}.{ms % 1000:03}"
              in text, True)

for failure in failures:
    print(failure)
sys.exit(1 if failures else 0)
