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
    from mutagen.apev2 import APEv2
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


def run_cli(args, env_locale="en_US.UTF-8"):
    env = dict(os.environ, LC_ALL=env_locale)
    done = subprocess.run([CLI, "info", "--json"] + args, capture_output=True, env=env)
    return [json.loads(line) for line in done.stdout.decode("utf-8").splitlines()]


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
        check(f"{name} {key}", mine[key], ref[key])
    check(f"{name} year", number_before(mine["year"], "-"), ref["year"])
    check(f"{name} track", number_before(mine["track"], "/"), ref["track"])
    check(f"{name} disc", mine["disc"], ref["disc"])
    for which in ("track", "album"):
        expected = ref[f"replaygain_{which}_gain"].replace("dB", "").strip()
        check(f"{name} {which} gain", mine["replaygain"][f"{which}_gain_db"],
              float(expected) if expected else None)
    data = open(path, "rb").read()
    if name.startswith("v2"):
        check(f"{name} audio start", mine["audio_start"], ID3(path).size)
        picture = ID3(path).getall("APIC")[0]
        check(f"{name} picture", mine["picture"],
              {"type": 3, "type_name": "front cover", "mime": picture.mime,
               "size": len(picture.data)})
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
check("ID3v1 genre 255 is none", run_cli([legacy])[0]["genre"], "")
check("ID3v1 track", run_cli([legacy])[0]["track"], "5")

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
    expected_genres.append("" if name == "Unknown" else name)
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
    check("LAME track gain", run_cli([lame_file])[0]["replaygain"]["track_gain_db"],
          round(float(gain), 2))

for failure in failures:
    print(failure)
sys.exit(1 if failures else 0)
