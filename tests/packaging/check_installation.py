#!/usr/bin/env python3
"""Installs the build into a temporary root and checks what a user gets: the man pages render
without warnings and name every option that --help names, the shell completions load and offer
those options, and (with --deb) the Debian package builds and lintian finds no error in it."""
import os
import re
import shutil
import subprocess
import sys
import tempfile

build = os.path.abspath(sys.argv[1])
want_deb = "--deb" in sys.argv
failures = []


def run(*args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, **kwargs)


def options(text):
    return set(re.findall(r"(?<![\w-])(--?[a-z][a-z0-9-]*)", text.replace("\\-", "-")))


def help_text(program, *command):
    result = run(program, *command, "--help")
    if result.returncode != 0:
        failures.append(f"{program} {' '.join(command)} --help exits {result.returncode}")
    return result.stdout


with tempfile.TemporaryDirectory() as root:
    run("cmake", "--install", build, env=dict(os.environ, DESTDIR=root)).check_returncode()
    usr = next(os.path.join(root, d) for d in ("usr/local", "usr") if
               os.path.isdir(os.path.join(root, d, "bin")))
    bin_dir, share = os.path.join(usr, "bin"), os.path.join(usr, "share")
    programs = [p for p in ("yumekaze", "yumekaze-cli") if
                os.path.exists(os.path.join(bin_dir, p))]

    for program in programs:
        page = os.path.join(share, "man/man1", program + ".1.gz")
        rendered = run("man", "--warnings", "-l", page, env=dict(os.environ, MANWIDTH="80"))
        if rendered.returncode != 0 or rendered.stderr.strip():
            failures.append(f"man {program}: {rendered.returncode} {rendered.stderr.strip()}")
        source = run("zcat", page).stdout
        executable = os.path.join(bin_dir, program)
        helps = {"": help_text(executable)}
        if program == "yumekaze-cli":
            helps.update({c: help_text(executable, c) for c in ("decode", "info", "play")})
        documented = options(source)
        completions = {
            "bash": os.path.join(share, "bash-completion/completions", program),
            "zsh": os.path.join(share, "zsh/vendor-completions", "_" + program),
            "fish": os.path.join(share, "fish/vendor_completions.d", program + ".fish"),
        }
        completed = {shell: open(path).read() for shell, path in completions.items()}
        for command, text in helps.items():
            for option in sorted(options(text) - {"-"}):
                if option not in documented:
                    failures.append(f"{program} {command} {option}: in --help, not in the man page")
                for shell, body in completed.items():
                    bare = option.lstrip("-")
                    if option.startswith("--") and not re.search(
                            rf"(--|-l ){re.escape(bare)}\b", body):
                        failures.append(f"{program} {command} {option}: not in the {shell} completion")
        all_help = set().union(*(options(t) for t in helps.values()))
        for option in sorted(documented - all_help):
            if option.startswith("--") and option != "--":
                failures.append(f"{program} {option}: in the man page, not in any --help")

        bash_completion = "/usr/share/bash-completion/bash_completion"
        if os.path.exists(bash_completion):
            loaded = run("bash", "-c", f"source {bash_completion}; source {completions['bash']};"
                         f" complete -p {program}")
            if loaded.returncode != 0:
                failures.append(f"bash completion of {program}: {loaded.stderr.strip()}")
        for shell, check in (("zsh", ["zsh", "-n"]), ("fish", ["fish", "-n"])):
            if shutil.which(check[0]):
                checked = run(*check, completions[shell])
                if checked.returncode != 0:
                    failures.append(f"{shell} completion of {program}: {checked.stderr.strip()}")

if want_deb:
    with tempfile.TemporaryDirectory() as out:
        made = run("cpack", "-G", "DEB", "-B", out, "--config",
                   os.path.join(build, "CPackConfig.cmake"), cwd=build)
        debs = [f for f in os.listdir(out) if f.endswith(".deb")]
        if made.returncode != 0 or not debs:
            failures.append(f"cpack: {made.stdout[-2000:]} {made.stderr[-2000:]}")
        elif shutil.which("lintian"):
            checked = run("lintian", "--fail-on", "error", os.path.join(out, debs[0]))
            print(checked.stdout)
            if checked.returncode != 0:
                failures.append("lintian: " + checked.stdout)
            contents = run("dpkg-deb", "--contents", os.path.join(out, debs[0])).stdout
            for wanted in ("usr/bin/yumekaze-cli", "man1/yumekaze-cli.1.gz", "doc/yumekaze/copyright",
                           "bash-completion/completions/yumekaze-cli", "metainfo/"):
                if wanted not in contents:
                    failures.append(f".deb lacks {wanted}")

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
