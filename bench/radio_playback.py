#!/usr/bin/env python3
"""Memory and wake-ups of yumekaze-cli play: a station from a private Icecast against the same
tune from a file, each on the null device (real time) for the same stretch, side by side.

  bench/radio_playback.py build/bin/yumekaze-cli [seconds]

Prints VmRSS at the end and the voluntary context switches of all the process's threads over
the stretch, as ratios stream / file. Uses the radio test's Icecast set-up, on 127.0.0.1 only.
"""
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "radio"))
import radio_walk_test as radio  # noqa: E402


def switches(pid):
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{task}/status") as f:
            for line in f:
                if line.startswith("voluntary_ctxt_switches"):
                    total += int(line.split()[1])
    return total


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS"):
                return int(line.split()[1])
    return 0


def measure(cli, target, seconds):
    player = subprocess.Popen([cli, "play", "--device", "null", target],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(5)  # past the start and the prebuffer
    before = switches(player.pid)
    time.sleep(seconds)
    result = (rss_kib(player.pid), switches(player.pid) - before)
    player.terminate()
    player.wait()
    return result


def main():
    cli = os.path.abspath(sys.argv[1])
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 10
    work = tempfile.mkdtemp(prefix="yumekaze-radio-bench-")
    mp3 = os.path.join(work, "tune.mp3")
    subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", os.path.join(work, "tune.wav"), "synth",
                    "120", "sine", "200-2000", "sine", "300-900"], check=True)
    subprocess.run(["lame", "--quiet", "-b", "128", os.path.join(work, "tune.wav"), mp3], check=True)
    ice = radio.Icecast(work, radio.free_port())
    try:
        ice.start(mp3)
        stream = measure(cli, f"http://127.0.0.1:{ice.port}/radio", seconds)
        file = measure(cli, mp3, seconds)
    finally:
        ice.stop()
    print(f"over {seconds:g} s    VmRSS KiB  voluntary switches  per s")
    for name, (rss, woken) in (("file", file), ("stream", stream)):
        print(f"{name:8} {rss:12} {woken:19} {woken / seconds:6.1f}")
    print(f"stream / file: VmRSS x{stream[0] / file[0]:.2f}, wake-ups x{stream[1] / max(file[1], 1):.2f}")


if __name__ == "__main__":
    main()
