#!/usr/bin/python3
"""8-bit tag text under English, Japanese and Russian locales: Latin-1 titles (ID3v2 encoding 0
and ID3v1) read as TagLib reads them under every locale, and CP932 and CP1251 titles in the
same fields read in the locale's set; a character set the user names wins over both.

usage: tag_charset_check.py CLI TAGLIB_FIELDS MPEG_FILE WORK_DIR
Exit status 0 when all agree, 1 with the differences listed, 77 when mutagen or a locale is
missing.
"""
import json
import os
import shutil
import subprocess
import sys

try:
    from mutagen.id3 import ID3, TIT2
except ImportError:
    print("python3-mutagen is not installed")
    sys.exit(77)

CLI, TAGLIB_FIELDS, AUDIO, WORK = sys.argv[1:5]
LOCALES = {"en_US.UTF-8": None, "ja_JP.UTF-8": "cp932", "ru_RU.UTF-8": "cp1251"}
present = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.lower().split()
missing = [name for name in LOCALES if name.lower().replace("utf-8", "utf8") not in present]
if missing:
    print("locales not generated: " + ", ".join(missing) + " (tools/install-deps.sh makes them)")
    sys.exit(77)

TEXTS = {
    "cp1252": ["Björk Guðmundsdóttir", "Café Mötley", "Sigur Rós – Ágætis byrjun", "Françoise Hardy",
               "Zoë", "Beyoncé", "Motörhead", "Déjà vu", "Ça plane pour moi", "Señor",
               "Þú ert jörðin", "Don’t Stop", "Sinéad O’Connor", "Sœur Sourire", "Blåbærsyltetøy",
               "São Paulo", "¿Quién será?", "Crème brûlée", "Tiësto", "L'été indien"],
    "cp932": ["夢風", "夢風の歌", "宇多田ヒカル", "椎名林檎", "ファイナルファンタジー", "桜", "ｶﾀｶﾅ",
              "Ｂ’ｚ", "交響曲第９番", "坂本龍一 - 戦場のメリークリスマス", "X JAPAN - 紅",
              "Mr.Children「innocent world」"],
    "cp1251": ["Кино", "Группа крови", "Земфира", "Би-2", "ДДТ", "Мумий Тролль", "Король и Шут",
               "DJ Грув", "Т9", "Ленинград — WWW"],
}
failures = []
files = []  # (path, text, its character set)
for charset, texts in TEXTS.items():
    for text in texts:
        raw = text.encode(charset)
        for form in ("v2", "v1") if len(raw) <= 30 else ("v2",):
            path = os.path.join(WORK, f"text{len(files)}.mp2")
            shutil.copy(AUDIO, path)
            if form == "v2":
                # Text decoded as Latin-1 makes mutagen write exactly these bytes in encoding 0.
                tag = ID3()
                tag.add(TIT2(encoding=0, text=[raw.decode("latin-1")]))
                tag.save(path, v2_version=3)
            else:
                with open(path, "ab") as out:
                    out.write(b"TAG" + raw.ljust(30, b"\0") + b"\0" * 94 + b"\xff")
            files.append((path, text, charset))


def titles(locale, *options):
    env = dict(os.environ, LC_ALL=locale)
    done = subprocess.run([CLI, "info", "--json", *options] + [f[0] for f in files],
                          capture_output=True, env=env, check=True)
    return [json.loads(line)["title"] for line in done.stdout.decode("utf-8").splitlines()]


taglib = subprocess.run([TAGLIB_FIELDS] + [f[0] for f in files], capture_output=True, check=True)
taglib_titles = [json.loads(line)["title"] for line in taglib.stdout.decode("utf-8").splitlines()]
for locale, legacy in LOCALES.items():
    for (path, text, charset), ours, theirs in zip(files, titles(locale), taglib_titles):
        name = f"{locale} {os.path.basename(path)} {text!r}"
        if charset == "cp1252":
            # TagLib reads ISO-8859-1: CP1252's quotes and dashes are C1 controls there.
            if ours != text or ours.encode("cp1252").decode("latin-1") != theirs:
                failures.append(f"{name}: yumekaze {ours!r}, TagLib {theirs!r}")
        elif charset == legacy and ours != text:
            failures.append(f"{name}: yumekaze {ours!r}")
# The user's choice wins, also over text that reads as Latin-1.
for (path, text, charset), ours in zip(files, titles("ru_RU.UTF-8", "--charset", "cp932")):
    if (ours == text) != (charset == "cp932"):
        failures.append(f"--charset cp932 {os.path.basename(path)} {text!r}: yumekaze {ours!r}")

for failure in failures:
    print(failure)
print(f"{len(files)} titles under {len(LOCALES)} locales, {len(failures)} differences")
sys.exit(1 if failures else 0)
