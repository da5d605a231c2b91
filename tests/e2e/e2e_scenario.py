#!/usr/bin/env python3
"""One end-to-end scenario of the updater, run twice on the same made-up installation.

First the Windows build runs under Wine in a fresh prefix, recorded from outside by the observer
(window geometry, every bar value and status text with its time, the message box, which the
observer dismisses with a real click). Then the native build runs on a native prefix laid out the
same way. Both fetch from a loopback server on 127.0.0.1:8251, so the scenario runs in a private
network namespace (tests/support/in-private-network.sh). The files each run leaves are checked
byte for byte, and the two runs must leave the same files.

  e2e_scenario.py SCENARIO --work DIR --template PREFIX --windows-bin DIR --native-bin DIR

Exits with 77 when the scenario cannot be laid out here (a small drive needs root).
"""

import argparse
import hashlib
import os
import re
import shutil
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
SUPPORT = HERE.parent / "support"
SMALL_DRIVE = HERE.parent / "prefs" / "small-drive.sh"
PORT = 8251
SKIPPED = 77

sys.path.insert(0, str(SUPPORT))
from pe_file import pe_bytes, pinned_bytes  # noqa: E402

OLD_EXE = b"MZ Quorvel 2.50 executable\x00\x01\x02" * 100
SERVED_EXE = pe_bytes(3 * 1024 * 1024, 151)
PINNED_EXE = pinned_bytes()
STAGED_SUFFIX = ".quorvel-new"
KEPT_SUFFIX = ".quorvel-old"
QZ_INF = b"[Application]\r\nName=Quorvel\r\nVersion=2.50\r\n[Window]\r\nWidth=800\r\n"
QZ_INF_STAMPED = b"[Application]\r\nName = Quorvel\r\nVersion = 2.51\r\n[Window]\r\nWidth = 800\r\n"
ADDRESSES_INF = b"\xef\xbb\xbf; address book\n[Servers]\nmain=a.example\n"
ADDRESSES_INF_STAMPED = (b"\xef\xbb\xbf\r\n; address book\r\n[Servers]\r\nmain = a.example\r\n"
                         b"[Application]\r\nVersion = 2.51\r\n")

SUCCESS_BAR = [5, 25, 50, 95, 125, 225, 275, 300, 325, 375]
SUCCESS_TEXTS = ["Downloading New Files", "Downloading Files Continues", "Verifying file integrity",
                 "File Downloaded", "Updating Quorvel", "Quorvel Updated!"]
PREFS_MESSAGE = "C:\\Users\\All Users\\Quorvel\\ does not exist, can not update preferences"

# What the timeline's times can show, and so what its bounds are made of. A step is seen at the
# observer's first look after it was made, never before; how much later depends on the machine, so
# no bound below rests on that. The exact pauses are pinned natively (the sequence table); here the
# Windows build must make them for real, and add no time of its own that a user would wait through:
# - no step comes ahead of the script's schedule (check_gaps): counted from the earliest-seen step
#   before it, a step seen sooner than the least time the script takes from there had a pause left
#   out or cut short. TOLERANCE_MS is how late that earliest-seen step may itself have been seen
#   (a few of the observer's 10 ms looks); the shortest pause that could be missing is 150 ms.
# - no step comes a hold budget late (OVERSHOOT_MS): what the Windows build can add that the native
#   run (which pins every pause) cannot show is a call that Windows refuses and the stand-in grants,
#   waited out for the whole budget before the step goes on. A busy machine makes a step late by
#   less: a sleep overshot, a flush or a look delayed, the window's close (seen up to 1364 ms beyond
#   its pause with a parallel build on both cores).
TOLERANCE_MS = 60
# How long the holders of held_briefly keep a file once its new content is staged; the budget
# within which the updater waits such a hold out (kHoldBudgetMilliseconds), and the longest of its
# waits between two tries, by which it may see a hold gone late.
HELD_MS = 1000
HOLD_BUDGET_MS = 3000
LONGEST_RETRY_WAIT_MS = 500
OVERSHOOT_MS = HOLD_BUDGET_MS
FILE_SHARE_READ, FILE_SHARE_WRITE = 1, 2


class Scenario:
    def __init__(self, name, answer="file", prefs_in="All Users", temp=None, temp_folder=None,
                 locked=False, held_briefly=False, small_drive=False, pinned=False, served=SERVED_EXE, runs=1,
                 code_page=None):
        self.name = name
        self.answer = answer            # the server's answer, or None for no server at all
        self.prefs_in = prefs_in        # where the preference files lie (PREFERENCE_FOLDERS): "All Users",
                                        # through the link; "Public" or "installation", with the candidates
                                        # before it gone; "All Users missing": none lie anywhere
        self.temp = temp                # the TEMP-like entries given to the updater, or None for the default
        self.temp_folder = temp_folder  # where the download lands, as a path below drive_c
        self.locked = locked            # QZ.exe held open as a running program holds it
        self.held_briefly = held_briefly  # QZ.exe and qz.inf held without delete sharing, let go
                                          # HELD_MS after the updater stages their new content
        self.small_drive = small_drive  # the installation folder on a drive too small for the new QZ.exe
        self.pinned = pinned            # run the program that carries the pinned file's digest
        self.served = served
        self.runs = runs
        self.code_page = code_page      # the ANSI code page the Windows run must have, or None for any

    @property
    def program(self):
        return "quorvel-update-loopback-pinned" if self.pinned else "quorvel-update-loopback"

    @property
    def downloads(self):
        return self.answer in ("file", "chunked") and (not self.pinned or self.served == PINNED_EXE)

    @property
    def installs(self):
        return self.downloads and not self.locked and not self.small_drive


SCENARIOS = {s.name: s for s in [
    Scenario("success"),
    Scenario("not_found", answer="404"),
    Scenario("server_error", answer="500"),
    Scenario("refused", answer=None),
    Scenario("preferences_missing", prefs_in="All Users missing"),
    Scenario("preferences_public", prefs_in="Public"),
    Scenario("preferences_fallback", prefs_in="installation"),
    Scenario("temp_other_case", temp=[("Temp", "C:\\QZTemp")], temp_folder="QZTemp"),
    Scenario("temp_trailing_separator", temp=[("TEMP", "C:\\QZTemp\\")], temp_folder="QZTemp"),
    Scenario("temp_two_entries", temp=[("TEMP", "C:\\First"), ("temp", "C:\\Second")], temp_folder="Second"),
    Scenario("temp_missing", temp=[], temp_folder="users/All Users/temp"),
    # A profile folder named in Greek letters, which Windows-1252 cannot hold.
    Scenario("temp_outside_code_page", temp=[("TEMP", "C:\\users\\\u03a9\u03bc\u03ad\u03b3\u03b1\\Temp")],
             temp_folder="users/\u03a9\u03bc\u03ad\u03b3\u03b1/Temp", code_page=1252),
    Scenario("executable_locked", locked=True),
    Scenario("held_briefly", held_briefly=True),
    Scenario("drive_too_small", small_drive=True),
    Scenario("html_page", answer="html"),
    Scenario("chunked", answer="chunked"),
    Scenario("pin_mismatch", pinned=True),
    Scenario("pinned", pinned=True, served=PINNED_EXE),
    Scenario("second_run", runs=2),
]}


class Skip(Exception):
    pass


def fail(message):
    raise AssertionError(message)


def check(condition, message):
    if not condition:
        fail(message)


# ----------------------------------------------------------------------------- layout

# The preferences folder of each choice, below drive_c. "users/All Users" is what Windows makes it,
# a symbolic link to ProgramData: the first candidate exists on every machine.
PREFERENCE_FOLDERS = {"All Users": "users/All Users/Quorvel", "Public": "users/Public/Quorvel",
                      "installation": "Program Files/Quorvel"}
ALL_USERS = "users/All Users"


def make_all_users_link(drive):
    """Relative, as tests/support/wine-prefix.sh makes it: a copy of the drive keeps its own."""
    (drive / "ProgramData").mkdir(parents=True, exist_ok=True)
    (drive / ALL_USERS).symlink_to("../ProgramData", target_is_directory=True)


def preference_folder(scenario):
    return PREFERENCE_FOLDERS.get(scenario.prefs_in)


def keeps_all_users_link(scenario):
    """False where the preference files lie in a later candidate: the ones before it are gone."""
    return scenario.prefs_in not in ("Public", "installation")


def user_folder(drive):
    names = [p.name for p in (drive / "users").iterdir() if p.name not in ("Public", "All Users")]
    return names[0] if names else "root"


def default_temp(drive):
    return "users/" + user_folder(drive) + "/Temp"


def mount_small_drive(folder):
    subprocess.run([str(SMALL_DRIVE), "mount", str(folder)], check=True)
    if not os.path.ismount(folder):
        raise Skip("a small drive for the installation folder needs root (mount -t tmpfs)")


def unmount_small_drives(work):
    for line in reversed(Path("/proc/mounts").read_text().splitlines()):
        point = re.sub(r"\\([0-7]{3})", lambda m: chr(int(m.group(1), 8)), line.split()[1])
        if point.startswith(str(work) + os.sep):
            subprocess.run([str(SMALL_DRIVE), "unmount", point], check=False)


def lay_out(drive, scenario):
    install = drive / "Program Files" / "Quorvel"
    if scenario.small_drive:
        mount_small_drive(install)
    (install / "Resources").mkdir(parents=True, exist_ok=True)
    (install / "QZ.exe").write_bytes(OLD_EXE)
    (install / "qz.dll").write_bytes(b"library 2.50")
    (install / "Resources" / "strings.bin").write_bytes(b"resources")
    check((drive / ALL_USERS).is_symlink() and (drive / ALL_USERS).resolve() == (drive / "ProgramData").resolve(),
          f"{drive / ALL_USERS} is not the link to ProgramData that Windows makes")
    if not keeps_all_users_link(scenario):
        (drive / ALL_USERS).unlink()
    if scenario.prefs_in == "installation":
        shutil.rmtree(drive / "users" / "Public")
    if preference_folder(scenario) is not None:
        prefs = drive / preference_folder(scenario)
        prefs.mkdir(parents=True, exist_ok=True)
        (prefs / "qz.inf").write_bytes(QZ_INF)
        (prefs / "Addresses.inf").write_bytes(ADDRESSES_INF)
    temp = scenario.temp_folder or default_temp(drive)
    for folder in [temp] + (["First"] if scenario.name == "temp_two_entries" else []):
        (drive / folder).mkdir(parents=True, exist_ok=True)


def native_drive(prefix, template):
    drive = prefix / "drive_c"
    for folder in ["users/Public", "Program Files", default_temp(template / "drive_c")]:
        (drive / folder).mkdir(parents=True, exist_ok=True)
    make_all_users_link(drive)
    return drive


def manifest(drive, scenario):
    """The bytes of every file the update may touch, by path below drive_c."""
    roots = list(PREFERENCE_FOLDERS.values()) + [scenario.temp_folder or default_temp(drive)]
    if scenario.name == "temp_two_entries":
        roots.append("First")
    files = {}
    for root in roots:
        base = drive / root
        for path in sorted(base.rglob("*")) if base.is_dir() else []:
            relative = path.relative_to(drive).as_posix()
            if path.is_file() and (root != default_temp(drive) or path.name == "QZv251.exe"):
                files[relative] = hashlib.sha256(path.read_bytes()).hexdigest()
    return files


# ----------------------------------------------------------------------------- server


class Server:
    def __init__(self, work, answer, served=SERVED_EXE):
        self.port_file = work / "server.port"
        self.served = work / "served.exe"
        self.served.write_bytes(served)
        self.process = None
        if answer is None:
            return
        self.port_file.unlink(missing_ok=True)
        self.process = subprocess.Popen(
            [sys.executable, str(SUPPORT / "http_test_server.py"), "--port", str(PORT), "--port-file",
             str(self.port_file), "--answer", answer, "--file", str(self.served)])
        for _ in range(100):
            if self.port_file.exists():
                return
            time.sleep(0.05)
        fail("the download server did not start")

    def stop(self):
        if self.process is not None:
            self.port_file.unlink(missing_ok=True)
            self.process.wait(timeout=10)


# ----------------------------------------------------------------------------- timeline

FIELD = re.compile(r'([\w-]+)=("(?:[^"\\]|\\.)*"|\S*)')


def unquote(value):
    if not value.startswith('"'):
        return value
    value = value[1:-1]
    return re.sub(r'\\x([0-9a-fA-F]{2})|\\(.)',
                  lambda m: chr(int(m.group(1), 16)) if m.group(1) else m.group(2), value)


def parse_timeline(text):
    events = []
    for line in text.splitlines():
        parts = line.split(" ", 2)
        if len(parts) < 2 or not parts[0].lstrip("-").isdigit():
            continue
        fields = {k: unquote(v) for k, v in FIELD.findall(parts[2] if len(parts) > 2 else "")}
        events.append((int(parts[0]) / 1e6, parts[1], fields))
    return events


def progress_story(events):
    """The run as the user saw it: (ms, what, value) for each window, the bar's making, each bar value
    and text, in order."""
    story = []
    progress = {e[2]["handle"] for e in events if e[1] == "window" and e[2].get("title") == "Checking for Updates"}
    seen_texts = set()
    last_bar = {}
    for ms, kind, f in events:
        if kind == "window" and f.get("handle") in progress and ("open", f["handle"]) not in seen_texts:
            seen_texts.add(("open", f["handle"]))
            story.append((ms, "open", f))
        elif kind == "window-gone" and f.get("handle") in progress:
            story.append((ms, "gone", None))
        elif kind == "bar" and f.get("window", f.get("handle")) is not None:
            pos = int(f["pos"])
            if pos != last_bar.get(f["handle"], 0):
                last_bar[f["handle"]] = pos
                story.append((ms, "bar", pos))
        elif kind == "control" and f.get("window") in progress and f.get("class", "").lower() == "msctls_progress32":
            if f["handle"] not in seen_texts:
                seen_texts.add(f["handle"])
                story.append((ms, "bar made", None))
        elif kind == "control" and f.get("window") in progress and f.get("class", "").lower() == "static":
            if f["handle"] not in seen_texts:
                seen_texts.add(f["handle"])
                story.append((ms, "text", f.get("text", "")))
    return story


def check_gaps(story, expected):
    """expected: (what, value, gap) with gap the time the script takes after the step before it: a
    pause (ms), a (least, most) range, or None when not timed (the download). Gives, for each step,
    the earliest time it could have been seen on the script's schedule."""
    seen = [(ms, what, value) for ms, what, value in story if what in ("bar made", "bar", "text", "gone")]
    wanted = [(what, value) for what, value, _ in expected]
    # One look of the observer reads the bar before the texts, so two changes made back to back,
    # with no pause between them, may come in either order; the first sighting dates both.
    for i in range(len(seen) - 1):
        pair = [(w, v) for _, w, v in seen[i:i + 2]]
        if i + 1 < len(wanted) and pair == wanted[i:i + 2][::-1] and expected[i + 1][2] == 0:
            seen[i], seen[i + 1] = (seen[i][0], *seen[i + 1][1:]), seen[i]
    steps = [(what, value) for _, what, value in seen]
    check(steps == wanted, f"the run showed {steps}, not {wanted}")
    # A step seen late shortens the gap to the one after it, so the least time of a gap is not held
    # against the gap alone: each step must come no sooner than the schedule from every step before
    # it, and the earliest-seen of those is the one whose sighting a late look cannot have moved.
    schedule, start, due = 0, None, []
    for i, (what, value, gap) in enumerate(expected):
        least, most = (0, None) if gap is None else gap if isinstance(gap, tuple) else (gap, gap + OVERSHOOT_MS)
        schedule += least
        ms = seen[i][0]
        if start is not None:
            check(ms >= start + schedule - TOLERANCE_MS,
                  f"{what} {value!r} came {start + schedule - ms:.0f} ms ahead of the script's schedule")
        if i > 0 and most is not None:
            observed = ms - seen[i - 1][0]
            check(observed <= most, f"{what} {value!r} came {observed:.0f} ms after the step before it, over {most} ms")
        start = ms - schedule if start is None else min(start, ms - schedule)
        due.append(start + schedule)
    return due


def expected_steps(scenario, temp_matches):
    gone = ("gone", None, (5000, 5000 + OVERSHOOT_MS))
    steps = [("bar made", None, None), ("bar", 5, 150), ("text", "Downloading New Files", 150), ("bar", 25, 300),
             ("text", "Downloading Files Continues", 0), ("bar", 50, 300 + 150 * temp_matches),
             ("text", "Verifying file integrity", 0), ("bar", 95, None)]
    if not scenario.downloads:
        return steps + [("text", "ERROR DOWNLOADING FILE", 400), gone]
    steps += [("text", "File Downloaded", 150), ("text", "Updating Quorvel", 2000), ("bar", 125, 0),
              ("bar", 225, 1000)]
    if not scenario.installs:
        # Only the failed copies stand between the bar and the error, once a hold that lasts has
        # been waited out for the whole budget: no pause.
        waited = HOLD_BUDGET_MS if scenario.locked else 0
        return steps + [("text", "ERROR UPDATING QUORVEL", (waited, waited + OVERSHOOT_MS)), gone]
    # QZ.exe is replaced before the 275, qz.inf written back before the last text. A brief hold on
    # each, let go HELD_MS after the new content is staged, is seen gone at the next try.
    least, most = (HELD_MS, HELD_MS + LONGEST_RETRY_WAIT_MS) if scenario.held_briefly else (0, 0)
    after_writes = lambda pause: (pause + least, pause + most + OVERSHOOT_MS)
    return steps + [("bar", 275, after_writes(1000)), ("bar", 300, 1000), ("bar", 325, 1000),
                    # 375 is kept within the range before it reaches the bar: 350, a full bar
                    # (pinned by the native window tests). The moves through 351 on the way
                    # do not last to the observer's next look, which is what it reports.
                    ("bar", 350, 1000), ("text", "Quorvel Updated!", after_writes(1250)), gone]


# ----------------------------------------------------------------------------- runs


def clock_offset_ms():
    """Realtime minus the observer's clock (CLOCK_MONOTONIC_RAW), to place file times on the timeline."""
    return time.clock_gettime_ns(time.CLOCK_REALTIME) / 1e6 - time.clock_gettime_ns(time.CLOCK_MONOTONIC_RAW) / 1e6


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def environment_file(work, scenario):
    """The TEMP entries that the observer puts in place of Wine's own, or None to keep Wine's."""
    if scenario.temp is None:
        return None
    path = work / "environment.txt"
    path.write_text("".join(f"{name}={value}\n" for name, value in scenario.temp), encoding="utf-8")
    return path


def hold_file(program, env, work, name, path, extra=()):
    """Starts the build's own holder on a file; returns it and the marker that stops it."""
    ready, stop = work / f"{name}.ready", work / f"{name}.stop"
    for marker in (ready, stop):
        marker.unlink(missing_ok=True)
    holder = subprocess.Popen(program + [path, windows_path(ready), windows_path(stop), *extra], env=env)
    for _ in range(200):
        if ready.exists():
            return holder, stop
        time.sleep(0.05)
    fail(f"{path} could not be held")


def hold_files(scenario, program, env, work, drive):
    """The holders a scenario runs beside the updater: QZ.exe as a running copy of the application
    holds it; or QZ.exe and qz.inf, each let go HELD_MS after its new content is staged. A scanner
    names qz.inf by the folder it really lies in, not through the link the updater goes by."""
    exe = "C:\\Program Files\\Quorvel\\QZ.exe"
    if scenario.locked:
        return [hold_file(program, env, work, "exe", exe)]
    if not scenario.held_briefly:
        return []
    prefs = drive / preference_folder(scenario)
    inf = "C:\\" + str(prefs.resolve().relative_to(drive.resolve()) / "qz.inf").replace("/", "\\")
    staged = lambda path: windows_path(path.parent / (path.name + STAGED_SUFFIX))
    return [hold_file(program, env, work, "exe", exe,
                      [str(FILE_SHARE_READ), staged(drive / "Program Files/Quorvel/QZ.exe"), str(HELD_MS)]),
            hold_file(program, env, work, "inf", inf,
                      [str(FILE_SHARE_READ | FILE_SHARE_WRITE), staged(prefs / "qz.inf"), str(HELD_MS)])]


def let_go(holders, label):
    """Stops the holders; a brief one fails when the updater did not wait for it (its staged file
    gone, or never seen, when the hold ended)."""
    for holder, stop in holders:
        stop.write_text("")
        status = holder.wait(timeout=30)
        check(status == 0, f"{label}: a holder ended with {status}")


def run_windows(scenario, work, template, bin_dir):
    prefix = work / "prefix"
    subprocess.run([str(SUPPORT / "wine-prefix.sh"), "clone", str(template), str(prefix)], check=True)
    env = dict(os.environ, WINEPREFIX=str(prefix), WINEDEBUG="-all")
    if scenario.code_page is not None:
        # Wine takes its ANSI code page from the Unix locale: C.UTF-8 gives 1252, and host names in UTF-8.
        env["LC_ALL"] = "C.UTF-8"
    drive = prefix / "drive_c"
    lay_out(drive, scenario)
    timelines = []
    for run in range(scenario.runs):
        holders = hold_files(scenario, ["wine", str(bin_dir / "quorvel-hold-file.exe")], env, work, drive)
        out = work / f"timeline-{run}.txt"
        command = ["wine", str(bin_dir / "quorvel-observer.exe"), "watch", "--title", "Checking for Updates",
                   "--title", "Error", "--click-ok", "--timeout", "60000", "--out", windows_path(out)]
        env_file = environment_file(work, scenario)
        if env_file is not None:
            command += ["--environment", windows_path(env_file)]
        command += ["--", windows_path(bin_dir / (scenario.program + ".exe"))]
        offset = clock_offset_ms()
        subprocess.run(command, env=env, check=True, timeout=120)
        let_go(holders, f"Windows build, run {run + 1}")
        check_no_leftovers(drive, scenario, f"Windows build, run {run + 1}")
        timelines.append((parse_timeline(out.read_text()), offset))
    subprocess.run(["wineserver", "-k"], env=env, check=False)
    return drive, timelines


def run_native(scenario, work, template, bin_dir):
    prefix = work / "prefix"
    drive = native_drive(prefix, template)
    lay_out(drive, scenario)
    env = {k: v for k, v in os.environ.items() if k.upper() not in ("TEMP", "TMP")}
    env["WINEPREFIX"] = str(prefix)
    entries = scenario.temp if scenario.temp is not None else [("TEMP", "C:\\" + default_temp(drive).replace("/", "\\"))]
    for run in range(scenario.runs):
        holders = hold_files(scenario, [str(bin_dir / "quorvel-hold-file")], env, work, drive)
        # Two entries whose names differ only in case cannot both be in a Linux environment dictionary;
        # env(1) keeps them apart.
        command = ["env", "-i"] + [f"{k}={v}" for k, v in env.items()] + [f"{k}={v}" for k, v in entries]
        result = subprocess.run(command + [str(bin_dir / scenario.program)], timeout=120)
        let_go(holders, f"native build, run {run + 1}")
        check(result.returncode == 0, f"the native updater exited with {result.returncode}")
        check_no_leftovers(drive, scenario, f"native build, run {run + 1}")
    return drive


# ----------------------------------------------------------------------------- checks


def check_no_leftovers(drive, scenario, label):
    """Nothing staged or kept under the suffixes anywhere the updater writes, and no second copy of the
    download in the temporary folder."""
    roots = PREFERENCE_FOLDERS.values()
    staged = [p for root in roots for suffix in (STAGED_SUFFIX, KEPT_SUFFIX) for p in (drive / root).rglob("*" + suffix)]
    temp = drive / (scenario.temp_folder or default_temp(drive))
    partial = [p for p in temp.glob("QZv251.exe?*")]
    check(not staged + partial, f"{label}: left {[str(p.relative_to(drive)) for p in staged + partial]}")


def check_files(drive, scenario, label):
    install = drive / "Program Files" / "Quorvel"
    backup = install / "Version_251_Preupdate_Backups"
    prefs = drive / preference_folder(scenario) if preference_folder(scenario) is not None else None
    read = lambda p: p.read_bytes() if p.exists() else None
    check(read(backup / "qz.dll") == b"library 2.50", f"{label}: the backup lacks qz.dll")
    check(not (backup / "Resources").exists(), f"{label}: a subfolder reached the backup")
    # A later run keeps the backup's 2.50 files; its S4 copies the 2.51 QZ.exe.
    check(read(backup / "QZ.exe") == OLD_EXE, f"{label}: the backup's QZ.exe is not the old one")
    previous = read(install / "QZ_previous.exe")
    if scenario.runs == 2:
        check(previous == scenario.served, f"{label}: QZ_previous.exe is not the first run's QZ.exe")
    else:
        check(previous == (OLD_EXE if scenario.downloads else None), f"{label}: QZ_previous.exe is {len(previous or b'')} bytes")
    check(read(install / "QZ.exe") == (scenario.served if scenario.installs else OLD_EXE), f"{label}: QZ.exe is wrong")
    if prefs is not None:
        stamped = scenario.installs
        check(read(prefs / "qz.inf") == (QZ_INF_STAMPED if stamped else QZ_INF), f"{label}: qz.inf is {read(prefs / 'qz.inf')!r}")
        check(read(prefs / "Addresses.inf") == (ADDRESSES_INF_STAMPED if stamped else ADDRESSES_INF),
              f"{label}: Addresses.inf is {read(prefs / 'Addresses.inf')!r}")
    if scenario.prefs_in == "installation":
        check(read(backup / "qz.inf") == QZ_INF, f"{label}: the backup's qz.inf is {read(backup / 'qz.inf')!r}")
    if scenario.prefs_in == "All Users missing":
        check(not (drive / PREFERENCE_FOLDERS["All Users"]).exists(), f"{label}: the missing preferences folder was made")
    check((drive / ALL_USERS).is_symlink() == keeps_all_users_link(scenario) and (drive / ALL_USERS).exists() ==
          keeps_all_users_link(scenario), f"{label}: {ALL_USERS} is no longer as it was laid out")
    target = drive / (scenario.temp_folder or default_temp(drive)) / "QZv251.exe"
    if scenario.downloads:
        check(read(target) == scenario.served, f"{label}: the download did not land in {target}")
    else:
        check(not target.exists(), f"{label}: a failed download left {target}")


def check_timeline(scenario, drive, events, offset, temp_matches, last):
    """One run's timeline; the preference files' write times only for the last run, whose writes they are."""
    story = progress_story(events)
    opened = [f for _, what, f in story if what == "open"]
    check(len(opened) == 1, f"the progress window opened {len(opened)} times")
    window = opened[0]
    left, top, _, _ = (int(v) for v in window["rect"].split(","))
    check((left, top) == (100, 100), f"the window's outer corner is at {left},{top}")
    check(window["client"] == "400,100", f"the client area is {window['client']}")
    if scenario.code_page is not None:
        observer = next(f for _, kind, f in events if kind == "observer")
        check(observer.get("codepage") == str(scenario.code_page), f"the run's code page is {observer.get('codepage')}")
    expected = expected_steps(scenario, temp_matches)
    due = check_gaps(story, expected)
    exited = [f for _, kind, f in events if kind == "exited"]
    check(exited and exited[-1].get("code") == "0", f"the updater ended with {exited}")

    boxes = {f["handle"] for _, kind, f in events if kind == "window" and f.get("title") == "Error"}
    if scenario.prefs_in == "All Users missing":
        texts = [f.get("text") for _, kind, f in events if kind == "control" and f.get("window") in boxes]
        check(PREFS_MESSAGE in texts, f"the message box said {texts}")
        clicks = [ms for ms, kind, _ in events if kind == "click"]
        check(len(clicks) == 1 and clicks[0] < story[0][0], "the box was not dismissed by one click before the window")
    else:
        check(not boxes, "a message box appeared")

    if last and scenario.installs and preference_folder(scenario) is not None:
        prefs = drive / preference_folder(scenario)
        updated = next(ms for ms, what, v in story if what == "text" and v == "Quorvel Updated!")
        qz_written = (prefs / "qz.inf").stat().st_mtime_ns / 1e6 - offset
        addresses_written = (prefs / "Addresses.inf").stat().st_mtime_ns / 1e6 - offset
        # A step is seen after it is made, so qz.inf, written before the last text, is older than its
        # sighting. Addresses.inf is written at the end, after the last pause: on the schedule, no
        # sooner than 5000 ms after the last text was due; written before that pause, 5000 ms sooner.
        check(qz_written < updated, f"qz.inf was written {qz_written - updated:.0f} ms after the last text")
        last_pause_over = due[[what for what, _, _ in expected].index("gone")]
        check(addresses_written >= last_pause_over - TOLERANCE_MS,
              f"Addresses.inf was written {last_pause_over - addresses_written:.0f} ms before the last pause was over")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--work", required=True, type=Path)
    parser.add_argument("--template", required=True, type=Path)
    parser.add_argument("--windows-bin", required=True, type=Path)
    parser.add_argument("--native-bin", required=True, type=Path)
    args = parser.parse_args()
    for name in ("work", "template", "windows_bin", "native_bin"):
        setattr(args, name, getattr(args, name).resolve())
    scenario = SCENARIOS[args.scenario]
    work = args.work / scenario.name
    unmount_small_drives(work)
    shutil.rmtree(work, ignore_errors=True)
    (work / "windows").mkdir(parents=True)
    (work / "native").mkdir(parents=True)

    server = Server(work, scenario.answer, scenario.served)
    try:
        drive, timelines = run_windows(scenario, work / "windows", args.template, args.windows_bin)
        check_files(drive, scenario, "Windows build")
        temp_matches = len(scenario.temp) if scenario.temp is not None else 1
        for run, (events, offset) in enumerate(timelines, 1):
            check_timeline(scenario, drive, events, offset, temp_matches, last=run == len(timelines))
        native = run_native(scenario, work / "native", args.template, args.native_bin)
        check_files(native, scenario, "native build")
        windows_files, native_files = manifest(drive, scenario), manifest(native, scenario)
        check(windows_files == native_files,
              f"the builds left different files: Windows {windows_files}, native {native_files}")
    finally:
        server.stop()
        unmount_small_drives(work)
    print(f"{scenario.name}: 1 passed, 0 failed")


if __name__ == "__main__":
    try:
        main()
    except Skip as reason:
        print(f"SKIPPED: {reason}")
        sys.exit(SKIPPED)
    except AssertionError as error:
        print(f"FAILED: {error}")
        print("0 passed, 1 failed")
        sys.exit(1)
