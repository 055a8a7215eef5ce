#!/usr/bin/env python3
"""yumekaze-cli play given play lists and folders: an M3U (relative paths, a missing entry, a file
in a nested folder), a folder and a PLS are played into one WAV file, which must be mpg123's decode
of the same files joined in the lists' order. A list served by python's http.server names a
station by its URL and one relative to the list; both play, the first under the list's name.
"""
import array
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

CLI = sys.argv[1]
SKIP = 77


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def can_connect(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=1):
            return True
    except OSError:
        return False


def samples(data):
    return array.array("h", data)


def mpg123(path):
    return subprocess.run(["mpg123", "-q", "-s", path], check=True, capture_output=True).stdout


def play(args, cwd):
    run = subprocess.run([CLI, "play", "--replay-gain", "off"] + args, cwd=cwd,
                         capture_output=True, text=True, timeout=300, stdin=subprocess.DEVNULL)
    assert run.returncode == 0, run.stderr
    return run


def check_pcm(wav, files):
    """The WAV's samples are the files' decodes joined, each sample within mpg123's rounding."""
    with open(wav, "rb") as f:
        got = samples(f.read()[44:])
    want = samples(b"".join(mpg123(path) for path in files))
    assert len(got) == len(want), f"{len(got)} samples, mpg123 gives {len(want)}"
    worst = max(abs(a - b) for a, b in zip(got, want))
    assert worst <= 1, f"a sample differs from mpg123's by {worst}"


def main():
    if not all(shutil.which(tool) for tool in ("sox", "lame", "mpg123")):
        print("skipped: needs sox, lame and mpg123")
        return SKIP
    work = tempfile.mkdtemp(prefix="yumekaze-play-lists-")
    server = None
    try:
        tones = {}
        for name, seconds, pitch in (("a", 0.8, 440), ("b", 0.6, 660), ("c", 0.5, 880)):
            wav = os.path.join(work, name + ".wav")
            subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", wav, "synth", str(seconds),
                            "sine", str(pitch)], check=True)
            tones[name] = os.path.join(work, name + ".mp3")
            subprocess.run(["lame", "--quiet", wav, tones[name]], check=True)
        layout = {"music/a.mp3": "a", "music/deep/b.mp3": "b", "album/1.mp3": "c",
                  "album/10.mp3": "a", "album/sub/2.mp3": "b", "album/cover.txt": "c",
                  "www/a.mp3": "a", "www/sub/c.mp3": "c"}
        for path, tone in layout.items():
            os.makedirs(os.path.dirname(os.path.join(work, path)), exist_ok=True)
            shutil.copy(tones[tone], os.path.join(work, path))
        music = os.path.join(work, "music")
        os.makedirs(os.path.join(work, "lists"))
        with open(os.path.join(work, "lists", "list.m3u"), "wb") as f:
            f.write(b"\xef\xbb\xbf#EXTM3U\r\n#EXTINF:1,A\r\n../music/a.mp3\r\nmissing.mp3\r\n" +
                    os.path.join(music, "deep", "b.mp3").encode() + b"\r\n")
        with open(os.path.join(work, "lists", "list.pls"), "w") as f:
            f.write("[playlist]\nFile2=../music/a.mp3\nFile1=..\\music\\deep\\b.mp3\n"
                    "NumberOfEntries=2\n")

        # info names a list and does not read it.
        info = subprocess.run([CLI, "info", "lists/list.m3u"], cwd=work, capture_output=True,
                              text=True)
        assert info.returncode == 1 and "play list" in info.stderr, info

        out = os.path.join(work, "local.wav")
        play(["--device", "wav:" + out, "lists/list.m3u", "album", "lists/list.pls"], work)
        order = ["music/a.mp3", "music/deep/b.mp3", "album/1.mp3", "album/10.mp3",
                 "album/sub/2.mp3", "music/deep/b.mp3", "music/a.mp3"]
        check_pcm(out, [os.path.join(work, path) for path in order])

        port = free_port()
        base = f"http://127.0.0.1:{port}"
        with open(os.path.join(work, "www", "radio.m3u"), "w") as f:
            f.write(f"#EXTM3U\n#EXTINF:-1,Tiny Station\n{base}/a.mp3\nsub/c.mp3\n")
        server = subprocess.Popen([sys.executable, "-m", "http.server", str(port), "--bind",
                                   "127.0.0.1", "--directory", os.path.join(work, "www")],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 60
        while not can_connect(port):
            assert time.monotonic() < deadline, "the web server did not start"
            time.sleep(0.1)
        out = os.path.join(work, "served.wav")
        run = play(["--device", "wav:" + out, f"{base}/radio.m3u"], work)
        assert "PLAY  Tiny Station" in run.stdout, run.stdout
        assert f"PLAY  {base}/sub/c.mp3" in run.stdout, run.stdout
        # Each station opens the device anew, which starts the WAV file again: the last one's.
        check_pcm(out, [tones["c"]])
        print("play lists passed")
        return 0
    finally:
        if server:
            server.kill()
            server.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
