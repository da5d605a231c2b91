#!/usr/bin/env python3
"""What an interrupted update leaves: every file it writes in the installation and preferences
folders is, after a kill at any instant, its earlier content or its new content, whole; a later run
finishes the update and clears what the interrupted one left.

  crash_consistency.py native --work DIR --native-bin DIR
      kills the native updater at each of its file-changing system calls in turn (strace's fault
      injection), one run per kill point; its pauses return at once, also injected by strace
  crash_consistency.py order --work DIR --native-bin DIR
      from a trace of one native run: each file reaches its name by a rename, after a flush of the
      new file, and the rename is followed by a flush of its folder
  crash_consistency.py wine --work DIR --template PREFIX --windows-bin DIR
      kills the Windows build under Wine while it writes large files (a few kill points)

All of them fetch from a loopback server on 127.0.0.1:8251: run them in a private network
(tests/support/in-private-network.sh).
"""

import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
SUPPORT = HERE.parent / "support"
sys.path.insert(0, str(SUPPORT))
sys.path.insert(0, str(HERE))
from e2e_scenario import (ADDRESSES_INF, ADDRESSES_INF_STAMPED, ALL_USERS, PORT,  # noqa: E402
                          PREFERENCE_FOLDERS, QZ_INF, QZ_INF_STAMPED, check, default_temp, fail,
                          make_all_users_link)

from pe_file import pe_bytes  # noqa: E402


def large_pe_bytes(size, seed):
    """pe_bytes' shape; the bulk from a faster generator, for files of tens of MiB."""
    return pe_bytes(4096, seed) + random.Random(seed).randbytes(size - 4096)


SUFFIX = ".quorvel-new"
# A preference file stands under this name between ReplaceFileA's two renames.
KEPT = ".quorvel-old"
INSTALL = "Program Files/Quorvel"
BACKUP = INSTALL + "/Version_251_Preupdate_Backups"
# Through the link Windows makes, as on every machine.
PREFS = PREFERENCE_FOLDERS["All Users"]
DLL = b"library 2.50"

# Calls that change a file or a name; a kill is injected at each one in turn.
KILL_CALLS = ["openat", "write", "pwrite64", "ftruncate", "rename", "renameat2", "unlink",
              "copy_file_range", "sendfile", "fsync", "fdatasync"]
# strace injects only into traced calls, so the sleeps are traced too.
SLEEPS = ["clock_nanosleep", "nanosleep"]
SKIP_PAUSES = ["-e", "inject=" + ",".join(SLEEPS) + ":retval=0"]
KILLED = (-9, 128 + 9)


class Contents:
    """Every file the update writes, with its content before and after, by path below drive_c.
    None: the file does not exist before."""

    def __init__(self, old_exe, served, qz_inf, addresses_inf):
        self.served = served
        self.old_exe = old_exe
        self.files = {
            f"{INSTALL}/QZ.exe": (old_exe, served),
            f"{INSTALL}/QZ_previous.exe": (None, old_exe),
            f"{BACKUP}/QZ.exe": (None, old_exe),
            f"{BACKUP}/qz.dll": (None, DLL),
            f"{PREFS}/qz.inf": qz_inf,
            f"{PREFS}/Addresses.inf": addresses_inf,
        }


def large_inf_pair(lines):
    """A preference file of many lines already in the written layout, and the same file stamped."""
    body = b"".join(b"Key%07d = value %07d of a long preference file\r\n" % (i, i) for i in range(lines))
    head = b"[Application]\r\nName = Quorvel\r\nVersion = %s\r\n[Window]\r\n"
    return head % b"2.50" + body, head % b"2.51" + body


def small_contents():
    return Contents(pe_bytes(48 * 1024, 250), pe_bytes(96 * 1024, 251),
                    (QZ_INF, QZ_INF_STAMPED), (ADDRESSES_INF, ADDRESSES_INF_STAMPED))


def large_contents():
    qz = large_inf_pair(60_000)
    addresses = large_inf_pair(80_000)
    return Contents(large_pe_bytes(32 << 20, 250), large_pe_bytes(32 << 20, 251), qz, addresses)


def lay_out(drive, contents):
    """Natively the user folder and the link are made up; a Wine prefix has its own, the user folder
    holding TEMP."""
    if not (drive / "users").is_dir():
        (drive / "users" / "quorvel").mkdir(parents=True)
        make_all_users_link(drive)
    check((drive / ALL_USERS).is_symlink(), f"{drive / ALL_USERS} is not a link")
    for folder in (f"{INSTALL}/Resources", PREFS, default_temp(drive)):
        (drive / folder).mkdir(parents=True, exist_ok=True)
    (drive / INSTALL / "Resources" / "strings.bin").write_bytes(b"resources")
    (drive / INSTALL / "qz.dll").write_bytes(DLL)
    for name, (old, _) in contents.files.items():
        if old is not None:
            (drive / name).write_bytes(old)


def read(path):
    return path.read_bytes() if path.is_file() else None


def describe(data, contents, name):
    if data is None:
        return "absent"
    old, new = contents.files.get(name, (None, None))
    known = {contents.old_exe: "the 2.50 QZ.exe", contents.served: "the download", old: "old", new: "new"}
    return known.get(data) or f"{len(data)} bytes, neither old nor new"


def broken_files(drive, contents):
    """The files that are neither their earlier nor their new content, whole, under their own name,
    nor their earlier content whole under the kept name, which the next run puts back."""
    broken = []
    for name, (old, new) in contents.files.items():
        data = read(drive / name)
        if data != old and data != new and not (data is None and read(drive / (name + KEPT)) == old):
            broken.append(f"{name}: {describe(data, contents, name)}")
    return broken


def leftovers(drive):
    found = [p for suffix in (SUFFIX, KEPT) for p in drive.rglob("*" + suffix)]
    found += [p for p in drive.rglob("rf*.tmp")] + [p for p in (drive / default_temp(drive)).glob("*.part-*")]
    return sorted(p.relative_to(drive).as_posix() for p in found)


def finished_faults(drive, contents, previous_exe):
    """What is wrong with a drive that a run took to its end. previous_exe: what QZ_previous.exe
    must hold, the QZ.exe that the last run found."""
    faults = []
    wanted = {name: new for name, (_, new) in contents.files.items()}
    wanted[f"{INSTALL}/QZ_previous.exe"] = previous_exe
    wanted[f"{default_temp(drive)}/QZv251.exe"] = contents.served
    for name, data in wanted.items():
        if read(drive / name) != data:
            faults.append(f"{name} is {describe(read(drive / name), contents, name)}")
    if (drive / BACKUP / "Resources").exists():
        faults.append("a subfolder reached the backup")
    faults += [f"{name} left over" for name in leftovers(drive)]
    return faults


def judge_kill(label, drive, contents, finish):
    """Checks the files a kill left, has finish() run the updater to its end (returning its exit
    code) and checks the files again; prints what is wrong. Returns (files lost, all held): a file
    is lost when the kill left it broken or the next run did not end with it whole and new."""
    broken = broken_files(drive, contents)
    qz_after_kill = read(drive / INSTALL / "QZ.exe")
    status = finish()
    faults = finished_faults(drive, contents, qz_after_kill)
    if status != 0:
        faults.append(f"the run after it exited with {status}")
    if broken or faults:
        print(f"FAILED: {label}")
        print("".join(f"    after the kill: {line}\n" for line in broken), end="")
        print("".join(f"    after the next run: {line}\n" for line in faults), end="")
    lost = {line.split(":")[0] for line in broken} | {line.split(" is ")[0] for line in faults if " is " in line}
    return len(lost), not (broken or faults)


# ----------------------------------------------------------------------------- server


def start_server(work, body):
    port_file, served = work / "server.port", work / "served.exe"
    served.write_bytes(body)
    port_file.unlink(missing_ok=True)
    process = subprocess.Popen([sys.executable, str(SUPPORT / "http_test_server.py"), "--port", str(PORT),
                                "--port-file", str(port_file), "--file", str(served), "--lifetime", "1200"])
    for _ in range(100):
        if port_file.exists():
            return port_file, process
        time.sleep(0.05)
    process.kill()
    fail("the download server did not start")


def stop_server(server):
    port_file, process = server
    port_file.unlink(missing_ok=True)
    process.wait(timeout=10)


# ----------------------------------------------------------------------------- native runs


def native_environment(prefix):
    temp = "C:\\" + default_temp(prefix / "drive_c").replace("/", "\\")
    return {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "WINEPREFIX": str(prefix), "TEMP": temp,
            "ASAN_OPTIONS": "detect_leaks=0"}


def traced_run(prefix, program, trace, calls, inject=()):
    """Runs the native updater under strace with its pauses skipped; returns its exit status."""
    command = ["strace", "-f", "-y", "-qq", "-o", str(trace), "-e", "trace=" + ",".join(calls + SLEEPS)]
    command += list(inject) + SKIP_PAUSES + [str(program)]
    return subprocess.run(command, env=native_environment(prefix), timeout=120,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode


def last_call(trace, name):
    lines = [line for line in trace.read_text(errors="replace").splitlines() if f" {name}(" in line]
    return lines[-1].split(" ", 1)[1][:160] if lines else "?"


def fresh_prefix(pristine, prefix):
    shutil.rmtree(prefix, ignore_errors=True)
    shutil.copytree(pristine, prefix, symlinks=True)
    return prefix / "drive_c"


def run_native_kills(work, program, contents):
    pristine = work / "pristine"
    lay_out(pristine / "drive_c", contents)
    prefix, trace = work / "prefix", work / "trace.txt"
    started = time.monotonic()

    drive = fresh_prefix(pristine, prefix)
    status = traced_run(prefix, program, trace, KILL_CALLS)
    faults = finished_faults(drive, contents, contents.old_exe) + ([f"exit status {status}"] if status else [])
    print(f"uninterrupted run: {'; '.join(faults) or 'at 2.51'}")
    passed, failed = (0, 1) if faults else (1, 0)

    tried = lost_files = 0
    for name in KILL_CALLS:
        for n in range(1, 100_000):
            drive = fresh_prefix(pristine, prefix)
            status = traced_run(prefix, program, trace, [name], ["-e", f"inject={name}:signal=KILL:when={n}"])
            if status not in KILLED:
                check(status == 0, f"{name} #{n}: the updater exited with {status} without being killed")
                break
            tried += 1
            lost, held = judge_kill(f"kill at {name} #{n}, {last_call(trace, name)}", drive, contents,
                                    lambda: traced_run(prefix, program, work / "next-run.txt", []))
            lost_files += lost
            passed, failed = passed + held, failed + (not held)
        print(f"{name}: {n - 1} kill points")
    print(f"kill points tried: {tried}; files lost: {lost_files}; {time.monotonic() - started:.0f} s")
    return passed, failed


ORDER_CALLS = ["openat", "write", "pwrite64", "ftruncate", "copy_file_range", "sendfile", "rename", "renameat",
               "renameat2", "fsync", "fdatasync"]
CALL = re.compile(r"^\d+\s+(\w+)\((.*)\)\s+=\s+(-?\d+)")
FD = re.compile(r"\b\d+<([^>]*)>")
STRING = re.compile(r'"((?:[^"\\]|\\.)*)"')


def parse_trace(text):
    """(call, paths of its descriptors, path arguments, result) per finished call, in order. The
    descriptors' paths are the real ones, so the arguments are resolved too: a file reached through
    a link has one name."""
    calls = []
    for line in text.splitlines():
        match = CALL.match(line)
        if not match:
            continue
        name, args, result = match.groups()
        fds = FD.findall(args)
        paths = [os.path.realpath(os.path.join(fds[0] if fds and not value.startswith("/") else "", value))
                 for value in STRING.findall(args)]
        calls.append((name, fds, paths, int(result), args))
    return calls


def written(call):
    """The files whose content the call changes: descriptors' paths, or a truncating open's path."""
    name, fds, paths, _, args = call
    if name == "copy_file_range":
        return fds[1:2]
    if name in ("write", "pwrite64", "ftruncate", "sendfile"):
        return fds[:1]
    return paths if name == "openat" and "O_TRUNC" in args else []


def flushed(call):
    return call[1][:1] if call[0] in ("fsync", "fdatasync") else []


def order_faults(calls, target):
    """Why the file at host path `target` could be lost or cut short by a power cut, if it could."""
    renames = [i for i, c in enumerate(calls)
               if c[0].startswith("rename") and c[3] == 0 and c[2][-1:] == [target]]
    if any(target in written(c) for c in calls):
        return ["written under its own name"]
    if not renames:
        return ["never renamed into place"]
    faults = []
    for i in renames:
        staged = calls[i][2][0]
        writes = [j for j in range(i) if staged in written(calls[j])]
        flushes = [j for j in range(i) if flushed(calls[j]) == [staged]]
        if not flushes or (writes and flushes[-1] < writes[-1]):
            faults.append(f"{os.path.basename(staged)} renamed before a flush of its last write")
        if [os.path.dirname(target)] not in map(flushed, calls[i + 1:]):
            faults.append("its folder is not flushed after the rename")
    return faults


def run_order(work, program, contents):
    prefix, trace = work / "prefix", work / "trace.txt"
    lay_out(prefix / "drive_c", contents)
    status = traced_run(prefix, program, trace, ORDER_CALLS)
    check(status == 0, f"the traced run exited with {status}")
    faults = finished_faults(prefix / "drive_c", contents, contents.old_exe)
    check(not faults, f"the traced run did not finish the update: {faults}")
    calls = parse_trace(trace.read_text(errors="replace"))
    passed = failed = 0
    for name in contents.files:
        faults = order_faults(calls, os.path.realpath(prefix / "drive_c" / name))
        if faults:
            failed += 1
            print(f"FAILED: {name}: {'; '.join(faults)}")
        else:
            passed += 1
            print(f"{name}: renamed into place after a flush, folder flushed")
    return passed, failed


# ----------------------------------------------------------------------------- Wine runs

# Each kill lands while the file is being written: once its staged copy holds some bytes, or,
# were it rewritten in place (or renamed over before a look saw its copy), once it changes.
WINE_KILLS = [
    ("the backup copy of QZ.exe", f"{BACKUP}/QZ.exe"),
    ("QZ.exe copied to QZ_previous.exe", f"{INSTALL}/QZ_previous.exe"),
    ("the download put in place of QZ.exe", f"{INSTALL}/QZ.exe"),
    ("qz.inf written back", f"{PREFS}/qz.inf"),
    ("Addresses.inf written back", f"{PREFS}/Addresses.inf"),
]


def stat_key(path):
    try:
        info = path.stat()
    except FileNotFoundError:
        return None
    return info.st_size, info.st_mtime_ns


def wait_for_write(drive, name, process, seconds):
    """What was seen of the write, or None when the run ended first."""
    target, staged = drive / name, drive / (name + SUFFIX)
    before = stat_key(target)
    deadline = time.monotonic() + seconds
    while process.poll() is None and time.monotonic() < deadline:
        if (stat_key(staged) or (0,))[0] > 0:
            return "staged copy"
        if stat_key(target) != before:
            return "the file itself changed"
        time.sleep(0.001)
    return None


def wine_run(env, program, drive, kill_at=None):
    """Runs the Windows build to its end: (exit code, None); with kill_at, kills it once that file
    is being written: (None, what was seen)."""
    process = subprocess.Popen(["wine", str(program)], env=env)
    try:
        if kill_at is not None:
            seen = wait_for_write(drive, kill_at, process, 90)
            if process.poll() is None:
                process.kill()
                process.wait()
                return None, seen
            check(seen, f"the updater ended before writing {kill_at}")
        return process.wait(timeout=120), None
    finally:
        subprocess.run(["wineserver", "-k"], env=env, check=False)


def run_wine_kills(work, template, program, contents):
    prefix = work / "prefix"
    env = dict(os.environ, WINEPREFIX=str(prefix), WINEDEBUG="-all")
    passed = failed = lost_files = 0
    started = time.monotonic()
    for what, name in WINE_KILLS:
        subprocess.run([str(SUPPORT / "wine-prefix.sh"), "clone", str(template), str(prefix)], check=True)
        drive = prefix / "drive_c"
        lay_out(drive, contents)
        status, seen = wine_run(env, program, drive, kill_at=name)
        check(status is None, f"{what}: the updater ended ({status}) before the kill")
        staged = stat_key(drive / (name + SUFFIX))
        seen += f", {staged[0]} bytes of it left" if staged else ", none left"
        lost, held = judge_kill(f"kill while {what} ({seen})", drive, contents,
                                lambda: wine_run(env, program, drive)[0])
        lost_files += lost
        passed, failed = passed + held, failed + (not held)
        if held:
            print(f"kill while {what} ({seen}): whole files, finished by the next run")
    print(f"kill points tried: {len(WINE_KILLS)}; files lost: {lost_files}; "
          f"{time.monotonic() - started:.0f} s")
    return passed, failed


# ----------------------------------------------------------------------------- main


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("mode", choices=["native", "order", "wine"])
    parser.add_argument("--work", required=True, type=Path)
    parser.add_argument("--native-bin", type=Path)
    parser.add_argument("--windows-bin", type=Path)
    parser.add_argument("--template", type=Path)
    args = parser.parse_args()
    work = args.work.resolve() / args.mode
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    contents = small_contents() if args.mode != "wine" else large_contents()
    server = start_server(work, contents.served)
    try:
        if args.mode == "native":
            passed, failed = run_native_kills(work, args.native_bin.resolve() / "quorvel-update-loopback", contents)
        elif args.mode == "order":
            passed, failed = run_order(work, args.native_bin.resolve() / "quorvel-update-loopback", contents)
        else:
            passed, failed = run_wine_kills(work, args.template.resolve(),
                                            args.windows_bin.resolve() / "quorvel-update-loopback.exe", contents)
    finally:
        stop_server(server)
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except AssertionError as error:
        print(f"FAILED: {error}")
        print("0 passed, 1 failed")
        sys.exit(1)
