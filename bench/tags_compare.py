#!/usr/bin/python3
"""Reading the tags of many files: `yumekaze-cli info --json` against TagLib reading the same
fields (tests/cli/taglib_fields.cpp), each over the same folder in one process.

usage: tags_compare.py CLI TAGLIB_FIELDS AUDIO [--files N] [--runs N]

Makes N files (default 1000) under bench/files/tags from AUDIO (its first 16 KiB), tagged by
mutagen: ID3v2.3 in UTF-16, ID3v2.4 in UTF-8 with a 30 KiB picture, APEv2 with ID3v1, in turn.
Then times both programs alternately and prints the median wall time of each.
"""
import argparse
import glob
import os
import shutil
import statistics
import subprocess
import time

from mutagen.apev2 import APEv2
from mutagen.id3 import APIC, COMM, ID3, TALB, TCON, TIT2, TPE1, TRCK, TXXX, TDRC

HERE = os.path.dirname(os.path.abspath(__file__))


def make_files(audio, count):
    folder = os.path.join(HERE, "files", "tags")
    if len(glob.glob(os.path.join(folder, "*.mp3"))) == count:
        return folder
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    head = open(audio, "rb").read()[:16384]
    for i in range(count):
        path = os.path.join(folder, f"{i:04d}.mp3")
        with open(path, "wb") as out:
            out.write(head)
        kind = i % 3
        if kind == 2:
            tag = ID3()
            tag.add(TIT2(encoding=0, text=[f"Title {i}"]))
            tag.save(path, v1=2)
            ID3(path).delete(path, delete_v1=False, delete_v2=True)
            ape = APEv2()
            for key, value in (("Title", f"Ape title {i}"), ("Artist", "Ape artist"),
                               ("Album", "Album"), ("Track", str(i % 20 + 1)),
                               ("REPLAYGAIN_TRACK_GAIN", "-5.00 dB")):
                ape[key] = value
            ape.save(path)
            continue
        encoding = 1 if kind == 0 else 3
        tag = ID3()
        tag.add(TIT2(encoding=encoding, text=[f"曲 {i} Mötley"]))
        tag.add(TPE1(encoding=encoding, text=["Кино"]))
        tag.add(TALB(encoding=encoding, text=["Album"]))
        tag.add(TRCK(encoding=0, text=[f"{i % 20 + 1}/20"]))
        tag.add(TCON(encoding=0, text=["(17)"]))
        tag.add(TDRC(encoding=0, text=["2024"]))
        tag.add(COMM(encoding=encoding, lang="eng", desc="", text=["Comment"]))
        tag.add(TXXX(encoding=encoding, desc="REPLAYGAIN_TRACK_GAIN", text=["-6.00 dB"]))
        if kind == 1:
            tag.add(APIC(encoding=3, mime="image/jpeg", type=3, desc="", data=b"\xff" * 30720))
        tag.save(path, v2_version=3 if kind == 0 else 4)
    return folder


def timed(command):
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, check=False)
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("taglib_fields")
    parser.add_argument("audio")
    parser.add_argument("--files", type=int, default=1000)
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    folder = make_files(args.audio, args.files)
    files = sorted(glob.glob(os.path.join(folder, "*.mp3")))
    commands = {"yumekaze info --json": [args.cli, "info", "--json"] + files,
                "TagLib": [args.taglib_fields] + files}
    for command in commands.values():
        timed(command)  # warm the page cache
    times = {name: [] for name in commands}
    for _ in range(args.runs):
        for name, command in commands.items():
            times[name].append(timed(command))
    reference = statistics.median(times["TagLib"])
    print(f"{len(files)} files, {args.runs} runs")
    print(f"{'program':24} {'median s':>9} {'min..max s':>15} {'x TagLib':>9}")
    for name, values in times.items():
        median = statistics.median(values)
        print(f"{name:24} {median:9.3f} {min(values):7.3f}..{max(values):<7.3f} "
              f"{median / reference:9.2f}")


if __name__ == "__main__":
    main()
