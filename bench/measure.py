#!/usr/bin/env python3
"""Measurements of bench/run.sh: each subcommand writes one JSON result, `report` prints them.

  pe FILE                      sections, RCDATA resources, certificate table of a PE file
  linkmap MAP                  bytes the linker placed per input archive / object
  interleave NAME=CMD ...      wall time of shell commands, run round-robin
  extract ... -- PROGRAM ARGS  launch to exit of the extracting product and of a system copy,
                               peak RssAnon while the file grows
  fresh NAME=CMD ...           wall time of shell commands, each in a freshly prepared prefix
  report DIR                   the table of ratios and absolute figures

Timings are side by side and interleaved: the machine is shared, so only ratios of runs made
in the same minutes mean anything.
"""
import argparse
import glob
import json
import os
import re
import resource
import shutil
import signal
import statistics
import subprocess
import sys
import time

KIB = 1024
MIB = 1024 * 1024


def write_json(path, value):
    with open(path, "w", encoding="utf-8") as out:
        json.dump(value, out, indent=1, sort_keys=True)
        out.write("\n")


def read_json(path):
    with open(path, encoding="utf-8") as src:
        return json.load(src)


# ---- PE files ---------------------------------------------------------------------------------

class PeError(Exception):
    pass


_MACHINES = {0x14C: "i386", 0x8664: "amd64"}


def _pefile():
    """Debian's python3-pefile (scripts/setup.sh), also from a python3 of another origin."""
    try:
        import pefile
    except ImportError:
        sys.path.append("/usr/lib/python3/dist-packages")
        import pefile
    return pefile


def read_pe(path):
    """Sections, RCDATA resources and the certificate table, from the file's headers and its
    resource directory (the file is mapped, the package bytes never read)."""
    pefile = _pefile()
    try:
        pe = pefile.PE(path, fast_load=True)
        pe.parse_data_directories(
            directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    except pefile.PEFormatError as error:
        raise PeError(str(error))
    try:
        # The data directories follow a 32-bit (PE32) or a 64-bit (PE32+) optional header.
        if pe.OPTIONAL_HEADER.Magic not in (0x10B, 0x20B):
            raise PeError("neither a PE32 nor a PE32+ file")
        if len(pe.OPTIONAL_HEADER.DATA_DIRECTORY) < 5:
            raise PeError("no certificate table directory")
        file_size = os.path.getsize(path)
        certificates = pe.OPTIONAL_HEADER.DATA_DIRECTORY[4]
        result = {"file": os.path.abspath(path), "size": file_size,
                  "machine": _MACHINES.get(pe.FILE_HEADER.Machine,
                                           "0x%x" % pe.FILE_HEADER.Machine),
                  "fileAlignment": pe.OPTIONAL_HEADER.FileAlignment, "sections": [],
                  "rcdata": [], "certificateTable": {"offset": certificates.VirtualAddress,
                                                     "size": certificates.Size}}
        end_of_sections = 0
        for section in pe.sections:
            result["sections"].append({
                "name": section.Name.rstrip(b"\0").decode("ascii", "replace"),
                "virtualSize": section.Misc_VirtualSize, "rawSize": section.SizeOfRawData})
            end_of_sections = max(end_of_sections,
                                  section.PointerToRawData + section.SizeOfRawData)
        overlay_end = certificates.VirtualAddress or file_size
        result["overlay"] = max(0, overlay_end - end_of_sections)
        root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
        for rtype in root.entries if root else []:
            if rtype.id != 10:  # RT_RCDATA
                continue
            for entry in rtype.directory.entries:
                label = "#%d" % entry.id if entry.name is None else str(entry.name)
                for language in entry.directory.entries:
                    result["rcdata"].append({"name": label, "size": language.data.struct.Size})
    finally:
        pe.close()
    return result


def cmd_pe(args):
    write_json(args.out, read_pe(args.file))


# ---- link map ---------------------------------------------------------------------------------

_MAP_LINE = re.compile(r"^ (\.[\w.$]+)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")


def _group(origin):
    # "/usr/lib/gcc/.../libstdc++.a(string-inst.o)" -> libstdc++.a; our objects keep their name.
    match = re.match(r"^(.*\.a)\((.*)\)$", origin)
    if match:
        return os.path.basename(match.group(1)), match.group(2)
    return "(objects of this build)", os.path.basename(origin)


def cmd_linkmap(args):
    """Sums the sizes of the input sections the linker kept, by archive and by object."""
    by_archive, by_object, by_section = {}, {}, {}
    in_map = False
    current = None
    with open(args.map, encoding="utf-8", errors="replace") as src:
        for raw in src:
            line = raw.rstrip("\n")
            if line.startswith("Linker script and memory map"):
                in_map = True
                continue
            if not in_map:
                continue
            if re.match(r"^\.[\w.$]+", line):
                current = line.split()[0]
                continue
            match = _MAP_LINE.match(line)
            if not match or current is None:
                continue
            size = int(match.group(3), 16)
            origin = match.group(4).strip()
            if size == 0 or origin.startswith("*") or "=" in origin or " " in origin:
                continue
            if current in (".bss",) or current.startswith(".debug"):
                continue
            archive, member = _group(origin)
            by_archive[archive] = by_archive.get(archive, 0) + size
            key = archive + ": " + member
            by_object[key] = by_object.get(key, 0) + size
            section = archive + " " + current
            by_section[section] = by_section.get(section, 0) + size

    def top(table, count):
        return sorted(table.items(), key=lambda item: -item[1])[:count]

    write_json(args.out, {"byArchive": top(by_archive, 12), "byObject": top(by_object, 25),
                          "bySection": top(by_section, 20),
                          "total": sum(by_archive.values())})


# ---- interleaved wall times -------------------------------------------------------------------

def _run_timed(command, timeout, log):
    started = time.monotonic()
    try:
        done = subprocess.run(["bash", "-c", command], stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              timeout=timeout)
        code, output = done.returncode, done.stdout
    except subprocess.TimeoutExpired as expired:
        code, output = "timeout", expired.stdout or b""
    elapsed = time.monotonic() - started
    with open(log, "ab") as out:
        out.write(output)
        out.write(b"\n==== exit %s, %.3f s\n" % (str(code).encode(), elapsed))
    return elapsed, code, output.decode("utf-8", "replace")


def _plain_terminal_text(text):
    # What a terminal would show: no cursor or title escapes, no carriage returns.
    text = re.sub(r"\x1b\[[0-9;?]*[A-Za-z]", "", text)
    text = re.sub(r"\x1b\][^\x07]*\x07", "", text)
    return text.replace("\r", "")


# What bench/launch.c prints after its child's exit. A console may draw the spaces as cursor moves.
LAUNCHED = re.compile(r"quorix-launch:\s*seconds=([0-9.]+)\s*exit=([0-9]+)")


def _launched_seconds(text):
    """The child's life from process creation to exit, as the launcher reports it, or None."""
    found = LAUNCHED.findall(_plain_terminal_text(text))
    return float(found[-1][0]) if found else None


def cmd_interleave(args):
    names, commands = [], {}
    for item in args.commands:
        name, _, command = item.partition("=")
        names.append(name)
        commands[name] = command
    expected = {}
    for item in args.expect or []:
        name, _, pattern = item.partition("=")
        expected[name] = re.compile(pattern, re.M)
    launched = set(args.launched or [])
    os.makedirs(args.logs, exist_ok=True)
    times = {name: [] for name in names}
    failures = {name: [] for name in names}
    for name in names:  # one unmeasured run each: the caches and the wineserver are warm
        _run_timed(commands[name], args.timeout, os.path.join(args.logs, name + ".warmup.log"))
    for round_index in range(args.runs):
        # The order turns every round, so no command always follows the same one.
        shift = round_index % len(names)
        for name in names[shift:] + names[:shift]:
            elapsed, code, output = _run_timed(commands[name], args.timeout,
                                               os.path.join(args.logs, name + ".log"))
            ok = str(code) == str(args.exit_code.get(name, code))
            if name in expected and not expected[name].search(_plain_terminal_text(output)):
                ok = False
            if name in launched:
                # Wine's start of the launcher and the terminal around it are not the figure;
                # a run the launcher did not time is no run.
                elapsed = _launched_seconds(output)
                ok = ok and elapsed is not None
            if ok:
                times[name].append(elapsed)
            else:
                failures[name].append({"round": round_index, "exit": code,
                                       "output": output[-400:]})
    result = {}
    for name in names:
        series = times[name]
        result[name] = {"runs": len(series), "failed": failures[name], "seconds": series,
                        "clock": "creation to exit" if name in launched else "wall",
                        "median": statistics.median(series) if series else None,
                        "min": min(series) if series else None}
    write_json(args.out, result)


def _prefix_cpu_ticks(prefix):
    """CPU ticks (user + system) used so far by the processes of one Wine prefix: its wineserver
    and every Windows process, which all carry WINEPREFIX in their environment (so does this
    script, which is no Wine process and is left out)."""
    marker = b"WINEPREFIX=" + os.path.abspath(prefix).encode() + b"\0"
    total, processes = 0, 0
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/environ" % entry, "rb") as src:
                if marker not in src.read() + b"\0":
                    continue
            with open("/proc/%s/stat" % entry, "rb") as src:
                name, fields = src.read().split(b" (", 1)[1].rsplit(b")", 1)
        except (OSError, ValueError):
            continue
        if not (name.endswith(b".exe") or name.startswith(b"wineserver")):
            continue
        fields = fields.split()
        total += int(fields[11]) + int(fields[12])
        processes += 1
    return total, processes


def settle(prefix, quiet=0.5, share=0.1, limit=20.0, interval=0.1):
    """Waits until the prefix's Wine processes have used at most SHARE of one CPU over the last
    QUIET seconds: a freshly started wineserver goes on starting services for a second or two
    after its first program returned, and that work would land in the timed run. (Some of
    Wine's device drivers poll for good, a few per cent of a CPU: hence a share, not nothing.)
    Returns (seconds waited, settled?)."""
    ticks_per_second = os.sysconf("SC_CLK_TCK")
    allowed = share * quiet * ticks_per_second
    started = time.monotonic()
    window = [(started, _prefix_cpu_ticks(prefix)[0])]
    while True:
        time.sleep(interval)
        now = time.monotonic()
        window.append((now, _prefix_cpu_ticks(prefix)[0]))
        while len(window) > 2 and now - window[1][0] >= quiet:
            window.pop(0)
        if now - window[0][0] >= quiet and window[-1][1] - window[0][1] <= allowed:
            return now - started, True
        if now - started >= limit:
            return now - started, False


def cmd_fresh(args):
    """Whole runs of PRODUCT and YARDSTICK, each after an untimed --prepare command (a fresh
    prefix with its server and services up) and after the prefix's processes went quiet.

    The series is split into --repeats whose spread says whether --runs is enough to trust the
    figure; the repeats take turns round by round rather than one after the other, so that the
    machine's load, which changes over minutes, weighs on every repeat alike. Within a repeat
    the order of the pair alternates. Nothing is discarded: a failed run is recorded and fails
    the figure. A run counts only if it exits with 0 and its --check command (untimed, run
    after it in the same prefix) then succeeds: the installation is there. The product's run
    log, when it wrote one, is kept with its run."""
    (product, product_command), (yardstick, yardstick_command) = [
        item.partition("=")[::2] for item in args.commands]
    commands = {product: product_command, yardstick: yardstick_command}
    checks = dict(item.partition("=")[::2] for item in args.check or [])
    if os.path.isdir(args.logs):
        shutil.rmtree(args.logs)
    os.makedirs(args.logs)
    began = time.monotonic()
    repeats = [{"seconds": {product: [], yardstick: []}, "failed": [], "runLogs": []}
               for _ in range(args.repeats)]
    runs = []
    for round_index in range(args.runs * args.repeats):
        repeat = repeats[round_index % args.repeats]
        turn = round_index // args.repeats
        order = [product, yardstick] if turn % 2 == 0 else [yardstick, product]
        for name in order:
            log = os.path.join(args.logs, name + ".log")
            # A prepare that fails (Wine now and then refuses to start in a prefix whose
            # server has just stopped) is tried once more; it is untimed, and counted.
            for attempt in range(2):
                prepare_seconds, prepared, _ = _run_timed(args.prepare, args.timeout,
                                                          os.path.join(args.logs, "prepare.log"))
                if prepared == 0:
                    break
            record = {"name": name, "round": round_index, "repeat": round_index % args.repeats,
                      "prepareSeconds": prepare_seconds, "prepareAttempts": attempt + 1}
            runs.append(record)
            if prepared != 0:
                repeat["failed"].append({"name": name, "round": round_index,
                                         "prepare": prepared})
                continue
            if args.settle:
                record["settleSeconds"], record["settled"] = settle(args.settle)
            before = run_logs_in(args.run_logs)
            # CPU time beside the wall time: the program's own (a waited-for descendant) and
            # that of the prefix's server and services meanwhile. When the wall time varies
            # and these do not, the run waited for a CPU or a disk, not for more work.
            own = resource.getrusage(resource.RUSAGE_CHILDREN)
            server = _prefix_cpu_ticks(args.settle)[0] if args.settle else 0
            elapsed, code, output = _run_timed(commands[name], args.timeout, log)
            done = resource.getrusage(resource.RUSAGE_CHILDREN)
            record.update(seconds=elapsed, exit=code,
                          cpuSeconds=done.ru_utime + done.ru_stime - own.ru_utime - own.ru_stime)
            if args.settle:
                record["prefixCpuSeconds"] = ((_prefix_cpu_ticks(args.settle)[0] - server)
                                              / os.sysconf("SC_CLK_TCK"))
            if str(code) != "0":
                repeat["failed"].append({"name": name, "round": round_index, "exit": code,
                                         "output": output[-400:]})
                continue
            if name in checks:
                _, checked, check_output = _run_timed(checks[name], args.timeout,
                                                      os.path.join(args.logs, name + ".check.log"))
                if str(checked) != "0":
                    repeat["failed"].append({"name": name, "round": round_index, "exit": code,
                                             "check": checked, "output": check_output[-400:]})
                    continue
            repeat["seconds"][name].append(elapsed)
            if name == product:
                found = newest_run_log(args.run_logs, before)
                text = None
                if found:
                    with open(found, "rb") as src:
                        text = src.read().decode("utf-8", "surrogateescape")
                    shutil.copy(found, os.path.join(args.logs, "run-log-%03d.log" % round_index))
                repeat["runLogs"].append({"seconds": elapsed, "log": text})
    write_json(args.out, {"product": product, "yardstick": yardstick, "repeats": repeats,
                          "runs": runs, "wallSeconds": time.monotonic() - began})


def fresh_summary(result):
    """The ratio of the medians over every repeat, and the spread of the repeats' own ratios."""
    product, yardstick = result["product"], result["yardstick"]

    def median(name, repeats):
        values = [t for r in repeats for t in r["seconds"][name]]
        return statistics.median(values) if values else None

    ratios = [_ratio(median(product, [r]), median(yardstick, [r])) for r in result["repeats"]]
    known = [r for r in ratios if r is not None]
    return {"product": median(product, result["repeats"]),
            "yardstick": median(yardstick, result["repeats"]),
            "ratio": _ratio(median(product, result["repeats"]),
                            median(yardstick, result["repeats"])),
            "repeatRatios": ratios,
            "spread": max(known) - min(known) if len(known) == len(ratios) > 1 else None,
            "runs": min(len(r["seconds"][name]) for r in result["repeats"]
                        for name in (product, yardstick)) if result["repeats"] else 0,
            "failed": sum(len(r["failed"]) for r in result["repeats"])}


def _exit_codes(items):
    table = {}
    for item in items or []:
        name, _, code = item.partition("=")
        table[name] = code
    return table


# ---- the product's run log -------------------------------------------------------------------

RUN_LOG_HEADER = "QuorixSetup run log; times are seconds since the run started"
RUN_LOG_GLOB = "QuorixSetup_*.log"
# "<seconds with 6 decimals> <step word(s)>: <text>"; the step ends at the first ": ".
_RUN_LOG_LINE = re.compile(r"^(\d+\.\d{6}) ([a-z]+(?: [a-z]+)*):(?: (.*))?$")
# The steps the product names, in the order a run passes them; any other word is "other".
RUN_LOG_STEPS = ("start", "command line", "tag", "decision", "pending", "data folder", "extract",
                 "removal", "installer", "records", "help", "shell", "exit")
PROCESS_SHARE = "process start, DLL loading and teardown"
PACK_INSTALL = "installer: language pack"
BASE_INSTALL = "installer: base package"
INSTALLER_REMOVAL = "installer: removal"


class RunLogError(Exception):
    pass


def parse_run_log(data):
    """[(seconds, step, text)] of a run log's bytes; RunLogError when it is not in the agreed
    format (UTF-8 without BOM, CRLF, the header, then timed lines ending with an exit line)."""
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as error:
        raise RunLogError("not UTF-8: %s" % error)
    if text.endswith("\r\n"):
        text = text[:-2]
    lines = text.split("\r\n")
    if any("\n" in line or "\r" in line for line in lines):
        raise RunLogError("a line does not end with CRLF")
    if lines[0] != RUN_LOG_HEADER:
        raise RunLogError("no header line, first line %r" % lines[0][:80])
    entries = []
    for number, line in enumerate(lines[1:], 2):
        match = _RUN_LOG_LINE.match(line)
        if not match:
            raise RunLogError("line %d is not '<seconds> <step>: <text>': %r" % (number, line[:80]))
        seconds = float(match.group(1))
        if entries and seconds < entries[-1][0]:
            raise RunLogError("line %d goes back in time" % number)
        entries.append((seconds, match.group(2), match.group(3) or ""))
    if not entries or entries[-1][1] != "exit":
        raise RunLogError("the last line is no exit line (the run did not finish its log)")
    return entries


def _run_log_share(step, text):
    if step == "installer":
        for prefix, share in (("language pack", PACK_INSTALL), ("base package", BASE_INSTALL),
                              ("removal of", INSTALLER_REMOVAL)):
            if text.startswith(prefix):
                return share
        return "other"
    return step if step in RUN_LOG_STEPS else "other"


def run_log_breakdown(wall_seconds, entries):
    """Seconds per step of one run: each line's time since the previous one (the first line's
    since the run's clock started) goes to its step; what the wall time from launch to exit
    has beyond the last line is the process's own start, DLL loading and teardown."""
    shares = {PROCESS_SHARE: wall_seconds - entries[-1][0]}
    previous = 0.0
    for seconds, step, text in entries:
        share = _run_log_share(step, text)
        shares[share] = shares.get(share, 0.0) + seconds - previous
        previous = seconds
    return shares


def newest_run_log(folders, before):
    """The newest run log in FOLDERS (glob patterns allowed) that is not among BEFORE."""
    found = []
    for pattern in folders:
        for path in glob.glob(os.path.join(pattern, RUN_LOG_GLOB)):
            if path not in before:
                found.append((os.path.getmtime(path), path))
    return max(found)[1] if found else None


def run_logs_in(folders):
    return {path for pattern in folders for path in glob.glob(os.path.join(pattern, RUN_LOG_GLOB))}


def breakdown_summary(runs):
    """Medians per step over the runs' logs: RUNS is [{"seconds": wall, "log": text or None}].
    Unreadable logs are counted and named, never folded in."""
    shares, unreadable = [], []
    for run in runs:
        if run.get("log") is None:
            continue
        try:
            entries = parse_run_log(run["log"].encode("utf-8", "surrogateescape"))
        except RunLogError as error:
            unreadable.append(str(error))
            continue
        shares.append(run_log_breakdown(run["seconds"], entries))
    names = sorted({name for run in shares for name in run}, key=_share_order)
    medians = [(name, statistics.median([run.get(name, 0.0) for run in shares]))
               for name in names]
    return {"runs": len(runs), "logs": len(shares), "unreadable": unreadable,
            "medians": medians,
            "wallMedian": statistics.median([r["seconds"] for r in runs]) if runs else None}


def _share_order(name):
    order = [PROCESS_SHARE] + list(RUN_LOG_STEPS[:RUN_LOG_STEPS.index("installer")]) + [
        PACK_INSTALL, BASE_INSTALL, INSTALLER_REMOVAL] + list(
        RUN_LOG_STEPS[RUN_LOG_STEPS.index("installer") + 1:]) + ["other"]
    return order.index(name) if name in order else len(order)


def breakdown_note(summary):
    if not summary["runs"]:
        return "whole-run breakdown by step: no product run to break down"
    parts = []
    if summary["logs"]:
        parts.append("whole-run breakdown by step (medians over %d run logs of %d runs; "
                     "seconds): %s (sum of the medians %.3f s, median run %.3f s)"
                     % (summary["logs"], summary["runs"],
                        "; ".join("%s %.3f" % item for item in summary["medians"]),
                        sum(value for _, value in summary["medians"]), summary["wallMedian"]))
    missing = summary["runs"] - summary["logs"] - len(summary["unreadable"])
    if summary["unreadable"]:
        parts.append("%d run log(s) not in the agreed format, first: %s"
                     % (len(summary["unreadable"]), summary["unreadable"][0]))
    if not summary["logs"] and not summary["unreadable"]:
        return "whole-run breakdown by step: no run log found (%d runs)" % summary["runs"]
    if missing and summary["logs"]:
        parts.append("%d run(s) left no run log" % missing)
    return "; ".join(parts)


# ---- extraction ------------------------------------------------------------------------------

def _status_kib(pid, field):
    try:
        with open("/proc/%d/status" % pid, encoding="ascii", errors="replace") as src:
            for line in src:
                if line.startswith(field + ":"):
                    return int(line.split()[1])
    except (FileNotFoundError, ProcessLookupError, ValueError):
        return None
    return None


def _file_size(path):
    try:
        return os.stat(path).st_size
    except FileNotFoundError:
        return None


def _first_present(paths):
    """The first of the paths that exists, and its size; (None, None) when none does."""
    for path in paths:
        size = _file_size(path)
        if size is not None:
            return path, size
    return None, None


def _extraction_run(argv, targets, size, timeout, interval, expected_exit):
    """Starts the product, samples its memory and the target's size until the process ends.

    `targets` are the places the package may be extracted to, in the product's order of
    preference (the all-users folder, then the user's own when the former is not safe to use);
    the first one that appears is measured.

    The wine launcher execs the Windows program's loader in the same process, so the child's
    pid is the product's process. It is timed from launch to its exit, as the system copy is;
    the memory figure is the peak over the whole run, the read-back of the file and what
    follows it included. The file is looked at once more after the exit, so a file made whole
    just before the end is seen whole. A run that outlives the timeout is killed and has no
    exit time; a run counts only if it ends with `expected_exit` (_did_the_job).
    """
    for target in targets:
        if os.path.exists(target):
            os.remove(target)
    target = None
    started = time.monotonic()
    child = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    peak_anon = peak_file = 0
    created = whole = exited = None
    largest = 0
    names = set()
    samples = 0
    def look(now):
        nonlocal target, largest, created, whole
        if whole is not None:
            return
        if target is None:
            target, current = _first_present(targets)
        else:
            current = _file_size(target)
        if current is not None:
            largest = max(largest, current)
            if created is None:
                created = now
            if current >= size:
                whole = now

    while True:
        now = time.monotonic()
        anon = _status_kib(child.pid, "RssAnon")
        mapped = _status_kib(child.pid, "RssFile")
        if anon is not None:
            samples += 1
            peak_anon = max(peak_anon, anon)
            peak_file = max(peak_file, mapped or 0)
            try:
                with open("/proc/%d/comm" % child.pid, encoding="utf-8") as src:
                    names.add(src.read().strip())
            except OSError:
                pass
        look(now)
        if child.poll() is not None:
            exited = time.monotonic()
            look(exited)
            break
        if now - started > timeout:
            break
        time.sleep(interval)
    code = child.poll()
    if code is None:
        child.send_signal(signal.SIGKILL)
    child.wait()
    return {"launchToExit": None if exited is None else exited - started,
            "launchToWhole": None if whole is None else whole - started,
            "createdToWhole": None if whole is None or created is None else whole - created,
            "target": target, "largestSize": largest, "exit": code,
            "expectedExit": expected_exit,
            "peakRssAnonKiB": peak_anon,
            "peakRssFileKiB": peak_file, "samples": samples, "processNames": sorted(names)}


def _did_the_job(run):
    """A run counts when the file grew whole and the process ended by itself, as expected."""
    return (run["launchToWhole"] is not None and run["launchToExit"] is not None
            and run["exit"] == run["expectedExit"])


def cmd_extract(args):
    os.makedirs(args.logs, exist_ok=True)
    product, copies = [], []
    copy_log = os.path.join(args.logs, "copy.log")

    def extraction():
        # Every run extracts as a first run does: into a data folder it makes itself. (Wine keeps
        # no access list, so a folder an earlier run made fails an elevated run's check.)
        for folder in args.fresh or []:
            shutil.rmtree(folder, ignore_errors=True)
        return _extraction_run(args.argv, args.targets, args.size, args.timeout, args.interval,
                               args.expected_exit)

    # One unmeasured pair first: the product's image and the source file come into the cache.
    warmup = extraction()
    _run_timed(args.copy, args.timeout, copy_log)
    for _ in range(args.runs):
        # Interleaved: one extraction, then one copy of the same bytes.
        product.append(extraction())
        if os.path.exists(args.copy_target):
            os.remove(args.copy_target)
        elapsed, code, _ = _run_timed(args.copy, args.timeout, copy_log)
        copies.append({"seconds": elapsed, "exit": code,
                       "finalSize": _file_size(args.copy_target)})
    write_json(args.out, extraction_summary(args.size, warmup, product, copies))


def extraction_summary(size, warmup, product, copies):
    good = [run for run in product if _did_the_job(run)]
    good_copies = [run["seconds"] for run in copies
                   if run["exit"] == 0 and run["finalSize"] == size]

    def median(values):
        return statistics.median(values) if values else None

    # Memory of the runs that did the job only; the failed ones are counted apart and fail the
    # figure (a run that died early would flatter it).
    return {
        "size": size, "warmup": warmup, "product": product, "copy": copies,
        "productMedian": median([r["launchToExit"] for r in good]),
        "productWholeMedian": median([r["launchToWhole"] for r in good]),
        "productWriteMedian": median([r["createdToWhole"] for r in good]),
        "copyMedian": median(good_copies),
        "failedRuns": len(product) - len(good),
        "failedCopies": len(copies) - len(good_copies),
        "peakRssAnonKiB": max([r["peakRssAnonKiB"] for r in good] or [0]),
        "peakRssFileKiB": max([r["peakRssFileKiB"] for r in good] or [0]),
        "samplesPerRun": min([r["samples"] for r in good] or [0])}


# ---- single runs and the machine --------------------------------------------------------------

def cmd_once(args):
    os.makedirs(os.path.dirname(os.path.abspath(args.log)), exist_ok=True)
    if os.path.exists(args.log):
        os.remove(args.log)
    elapsed, code, output = _run_timed(args.command, args.timeout, args.log)
    summary = [line.strip() for line in output.splitlines()
               if re.match(r"^\[\s*(PASSED|FAILED)\s*\]", line)]
    write_json(args.out, {"seconds": elapsed, "exit": code, "summary": "; ".join(summary[:3])})


def _first_line(command):
    try:
        return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              timeout=60, check=False).stdout.decode().strip().splitlines()[0]
    except (OSError, IndexError, subprocess.TimeoutExpired):
        return "?"


def cmd_machine(args):
    cpu = "?"
    with open("/proc/cpuinfo", encoding="utf-8", errors="replace") as src:
        for line in src:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    memory = "?"
    with open("/proc/meminfo", encoding="ascii") as src:
        for line in src:
            if line.startswith("MemTotal:"):
                memory = "%.1f GiB" % (int(line.split()[1]) / MIB)
    with open("/proc/loadavg", encoding="ascii") as src:
        load = " ".join(src.read().split()[:3])
    write_json(args.out, {"cpu": cpu, "cores": os.cpu_count(), "memory": memory,
                          "wine": _first_line([os.environ.get("QUORIX_WINE_LOADER", "wine"),
                                               "--version"]),
                          "build": os.environ.get("QUORIX_BENCH_BUILD", "?"),
                          "date": time.strftime("%Y-%m-%d %H:%M:%S UTC", time.gmtime()),
                          "load": load})


# ---- report ----------------------------------------------------------------------------------

def _load(folder, name):
    path = os.path.join(folder, name + ".json")
    return read_json(path) if os.path.exists(path) else None


def _fmt_ratio(value):
    return "-" if value is None else "%.2f" % value


def _verdict(value, lo, hi):
    if value is None:
        return "not measured"
    return "met" if lo <= value <= hi else "MISSED"


def _spread(values, unit="s", digits=3):
    """The range of one figure's runs, "min .. max", so that a median is never read alone."""
    values = [v for v in values if v is not None]
    if not values:
        return "no runs"
    return "%.*f .. %.*f %s" % (digits, min(values), digits, max(values), unit)


def _ratio(numerator, denominator):
    return numerator / denominator if numerator and denominator else None


# The goals of the figures: (lowest, highest) ratio that meets them.
STARTUP_GOAL = (0, 1.1)
TAG_GOAL = (1 / 1.1, 1.1)
EXTRACTION_GOAL = (1.5, float("inf"))
MEMORY_GOAL = (0, 1.0)
OVERHEAD_GOAL = (0, 1.05)
OVERHEAD_SPREAD = 0.03


def report_rows(folder):
    rows = []   # (figure, ratio, target text, verdict, absolute figures)
    notes = []

    stub = _load(folder, "stub")
    if stub:
        pe = stub["signed"]
        unsigned = stub["unsigned"]
        # The program's own bytes: every section but the resources (packages, dialogs, bitmaps),
        # at their virtual size, which is what `objdump -h` shows, not the page-rounded size in
        # the file. The goal is the 32-bit product's; an x86-64 build's figure is only a note.
        code = sum(s["virtualSize"] for s in unsigned["sections"] if s["name"] != ".rsrc")
        machine = unsigned.get("machine", "unknown")
        ratio = code / (256 * KIB)
        packages = ", ".join("%s %d B" % (e["name"], e["size"]) for e in pe["rcdata"])
        verdict = (_verdict(ratio, 0, 1.0) if machine == "i386"
                   else "not measured (%s build; the goal is the 32-bit product's)" % machine)
        rows.append(("Stub size (all sections but .rsrc) / 256 KiB", ratio, "<= 1.0", verdict,
                     "%d B (%.1f KiB) of %s code; files: %d B signed+tagged, %d B unsigned; "
                     "packages: %s" % (code, code / KIB, machine, pe["size"], unsigned["size"],
                                       packages)))
        sections = ", ".join("%s %.1f" % (s["name"], s["virtualSize"] / KIB)
                             for s in unsigned["sections"] if s["virtualSize"])
        notes.append("stub sections (KiB, virtual size): " + sections)
        native = stub.get("native")
        if native and native.get("machine") != machine:
            native_code = sum(s["virtualSize"] for s in native["sections"] if s["name"] != ".rsrc")
            notes.append("stub of the %s build Wine runs here: %d B (%.1f KiB) of code"
                         % (native.get("machine", "unknown"), native_code, native_code / KIB))
    variants = _load(folder, "stub-variants")
    if variants:
        base = variants.get("stub")
        notes.append("stub size with the proposed link flags (signed+tagged): " + ", ".join(
            "%s %d B (%.2f of 256 KiB, %+.1f KiB)"
            % (name, size, size / (256 * KIB), (size - base) / KIB)
            for name, size in variants.items() if name != "stub"))
    linkmap = _load(folder, "linkmap")
    if linkmap:
        notes.append("linked bytes by archive (before stripping): " + ", ".join(
            "%s %.1f KiB" % (name, size / KIB) for name, size in linkmap["byArchive"][:8]))
        notes.append("largest linked objects: " + ", ".join(
            "%s %.1f KiB" % (name, size / KIB) for name, size in linkmap["byObject"][:10]))

    startup = _load(folder, "startup")
    if startup:
        def median(name):
            return startup.get(name, {}).get("median")

        def spread(name):
            return _spread(startup.get(name, {}).get("seconds", []))

        def clock(name):
            if startup.get(name, {}).get("clock") == "creation to exit":
                return "process creation to exit inside Wine, timed by bench/launch.c"
            return "wall clock"

        product, minimal = median("product"), median("minimal")
        ratio = _ratio(product, minimal)
        rows.append(("Start-up / minimal exe", ratio, "<= 1.1", _verdict(ratio, *STARTUP_GOAL),
                     "median of %d: product %.3f s, minimal exe %.3f s (%s); spread: "
                     "product %s, minimal exe %s"
                     % (startup["product"]["runs"], product or 0, minimal or 0,
                        clock("product"), spread("product"), spread("minimal"))))
        imports, big = median("imports"), median("big")
        if imports and minimal:
            notes.append("start-up, same rounds: minimal exe bound to the product's system "
                         "libraries %.3f s (%.2f x the minimal exe, spread %s); product / that "
                         "= %.2f" % (imports, imports / minimal, spread("imports"),
                                     product / imports if product else 0))
        if big and product:
            notes.append("start-up of the product carrying the 256 MiB package: %.3f s "
                         "(%.2f x the stub product)" % (big, big / product))
        aligned = median("bigaligned")
        if aligned and product:
            notes.append("start-up of the same, page-aligned: %.3f s (%.2f x the stub product)"
                         % (aligned, aligned / product))

        def fastest(name):
            return startup.get(name, {}).get("min")

        if fastest("product") and fastest("minimal") and fastest("tag1m") and fastest("tag1g"):
            notes.append("fastest runs instead of medians (less disturbed by other load): "
                         "start-up ratio %.2f (%.3f / %.3f s), tag ratio %.2f"
                         % (fastest("product") / fastest("minimal"), fastest("product"),
                            fastest("minimal"), fastest("tag1g") / fastest("tag1m")))
        if "tag1m" in startup:  # not in a start-up-only run
            small, large = median("tag1m"), median("tag1g")
            ratio = _ratio(large, small)
            sizes = _load(folder, "tag-files") or {}
            rows.append(("Tag read 1 GiB / 1 MiB", ratio, "0.91 .. 1.1",
                         _verdict(ratio, *TAG_GOAL),
                         "median of %d: %.3f s with %s B, %.3f s with %s B (start-up, %s); "
                         "spread %s and %s"
                         % (startup.get("tag1m", {}).get("runs", 0), small or 0,
                            sizes.get("small", "?"), large or 0, sizes.get("large", "?"),
                            clock("tag1m"), spread("tag1m"), spread("tag1g"))))
        for name, series in startup.items():
            if series["failed"]:
                notes.append("start-up %s: %d run(s) failed, first: %s"
                             % (name, len(series["failed"]), series["failed"][0]))

    extract = _load(folder, "extract")
    if extract:
        size = extract["size"]
        product, whole, write, copy = (
            extract["productMedian"], extract.get("productWholeMedian"),
            extract["productWriteMedian"], extract["copyMedian"])
        ratio = _ratio(copy, product)
        rows.append(("Extraction / system copy", ratio, ">= 1.5",
                     _verdict(ratio, *EXTRACTION_GOAL),
                     "%d MiB, launch to exit: product %.2f s (%.0f MiB/s; whole file after "
                     "%.2f s, of which %.2f s writing), cmd /c copy %.2f s (%.0f MiB/s); "
                     "spread: product %s, copy %s"
                     % (size // MIB, product or 0, size / MIB / product if product else 0,
                        whole or 0, write or 0, copy or 0, size / MIB / copy if copy else 0,
                        _spread([r["launchToExit"] for r in extract["product"]
                                 if _did_the_job(r)], digits=2),
                        _spread([c["seconds"] for c in extract["copy"]
                                 if c["exit"] == 0 and c["finalSize"] == size], digits=2))))
        failed = extract.get("failedRuns", 0)
        peak = extract["peakRssAnonKiB"] * KIB
        ratio = peak / (32 * MIB) if peak else None
        rows.append(("Peak RssAnon / 32 MiB", ratio, "<= 1.0",
                     "MISSED (%d failed run(s))" % failed if failed
                     else _verdict(ratio, *MEMORY_GOAL),
                     "%.1f MiB anonymous, %.1f MiB file-backed, while extracting %d MiB "
                     "(%d run(s) that made the whole file and ended as expected, >= %d samples "
                     "a run; spread of the runs' peaks %s)"
                     % (peak / MIB, extract["peakRssFileKiB"] / KIB, size // MIB,
                        len(extract["product"]) - failed, extract["samplesPerRun"],
                        _spread([r["peakRssAnonKiB"] / KIB for r in extract["product"]
                                 if _did_the_job(r)], "MiB", 1))))
        for run in extract["product"]:
            if not _did_the_job(run):
                notes.append("an extraction run failed (no whole file, an unexpected exit code, "
                             "or no exit within the time limit): %s" % run)
        places = sorted({run.get("target") for run in extract["product"] if run.get("target")})
        if places:
            notes.append("extracted to: %s" % ", ".join(places))

    aligned = _load(folder, "extract-aligned")
    if aligned:
        product, copy = aligned["productMedian"], aligned["copyMedian"]
        notes.append("page-aligned product (-Wl,--file-alignment,0x1000): extraction %.2f s "
                     "from launch against a copy of %.2f s (ratio %s), peak RssAnon %.1f MiB "
                     "(%s of 32 MiB), file-backed %.1f MiB"
                     % (product or 0, copy or 0,
                        _fmt_ratio(copy / product if product and copy else None),
                        aligned["peakRssAnonKiB"] / KIB,
                        _fmt_ratio(aligned["peakRssAnonKiB"] * KIB / (32 * MIB)),
                        aligned["peakRssFileKiB"] / KIB))

    overhead = _load(folder, "overhead")
    if overhead:
        figure = fresh_summary(overhead)
        ratio, spread = figure["ratio"], figure["spread"]
        if figure["failed"]:
            verdict = "MISSED (%d failed run(s))" % figure["failed"]
        elif spread is None or spread >= OVERHEAD_SPREAD:
            verdict = "MISSED (spread %s of the repeats, aim < %.2f)" % (_fmt_ratio(spread),
                                                                        OVERHEAD_SPREAD)
        else:
            verdict = _verdict(ratio, *OVERHEAD_GOAL)
        rows.append(("Whole /silent run / minimal installer", ratio, "<= 1.05", verdict,
                     "median of %d x %d: product %.3f s, minimal caller %.3f s, launch to exit "
                     "in a fresh prefix each; ratios of the repeats %s (spread %s)"
                     % (len(overhead["repeats"]), figure["runs"], figure["product"] or 0,
                        figure["yardstick"] or 0,
                        ", ".join(_fmt_ratio(r) for r in figure["repeatRatios"]),
                        _fmt_ratio(spread))))
        notes.append(breakdown_note(breakdown_summary(
            [run for repeat in overhead["repeats"] for run in repeat.get("runLogs", [])])))
        timed = overhead.get("runs", [])
        if timed:
            unsettled = [run for run in timed if run.get("settled") is False]
            retried = sum(1 for run in timed if run.get("prepareAttempts", 1) > 1)
            notes.append("whole runs: %d timed runs took %.0f s in all (each after a fresh prefix "
                         "copy, median %.1f s, and its Wine processes going quiet, median %.1f s)%s%s"
                         % (len(timed), overhead.get("wallSeconds", 0),
                            statistics.median(r["prepareSeconds"] for r in timed),
                            statistics.median(r.get("settleSeconds", 0) for r in timed),
                            "; %d run(s) started before the prefix went quiet" % len(unsettled)
                            if unsettled else "",
                            "; %d prefix(es) prepared a second time" % retried if retried else ""))
        for repeat in overhead["repeats"]:
            for failure in repeat["failed"][:1]:
                notes.append("whole run: a run failed, first: %s" % failure)

    suite = _load(folder, "host-suite")
    if suite:
        ratio = suite["seconds"] / 30.0
        rows.append(("Host unit suite / 30 s", ratio, "< 1.0",
                     "MISSED (exit %s)" % suite["exit"] if str(suite["exit"]) != "0"
                     else _verdict(ratio, 0, 0.999999),
                     "%.1f s wall, exit %s, %s" % (suite["seconds"], suite["exit"],
                                                   suite.get("summary", ""))))
    return rows, notes


def cmd_report(args):
    folder = args.folder
    rows, notes = report_rows(folder)
    machine = _load(folder, "machine") or {}
    print("Benchmarks (%s)" % machine.get("date", "?"))
    print("Machine: %s; %s cores; %s memory; %s; load before the runs %s"
          % (machine.get("cpu", "?"), machine.get("cores", "?"), machine.get("memory", "?"),
             machine.get("wine", "?"), machine.get("load", "?")))
    print("Build measured: %s" % machine.get("build", "?"))
    print()
    print("| Figure | Ratio | Target | Verdict | Absolute |")
    print("|---|---|---|---|---|")
    for name, ratio, target, verdict, absolute in rows:
        print("| %s | %s | %s | %s | %s |" % (name, _fmt_ratio(ratio), target, verdict, absolute))
    if notes:
        print()
        for note in notes:
            print("- " + note)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)

    p = sub.add_parser("pe")
    p.add_argument("file")
    p.add_argument("--out", required=True)
    p.set_defaults(func=cmd_pe)

    p = sub.add_parser("linkmap")
    p.add_argument("map")
    p.add_argument("--out", required=True)
    p.set_defaults(func=cmd_linkmap)

    p = sub.add_parser("interleave")
    p.add_argument("--runs", type=int, default=20)
    p.add_argument("--timeout", type=float, default=60)
    p.add_argument("--expect", action="append", help="NAME=REGEX the output must contain")
    p.add_argument("--exit-code", action="append", default=[],
                   help="NAME=CODE the run must end with (default: any)")
    p.add_argument("--launched", action="append",
                   help="NAME whose time is the one bench/launch.c prints, not the wall clock")
    p.add_argument("--logs", required=True)
    p.add_argument("--out", required=True)
    p.add_argument("commands", nargs="+", help="NAME=SHELL-COMMAND")
    p.set_defaults(func=lambda a: cmd_interleave(
        argparse.Namespace(**{**vars(a), "exit_code": _exit_codes(a.exit_code)})))

    p = sub.add_parser("fresh")
    p.add_argument("--runs", type=int, default=10, help="runs of each program per repeat")
    p.add_argument("--repeats", type=int, default=3)
    p.add_argument("--timeout", type=float, default=180)
    p.add_argument("--prepare", required=True, help="shell command run, untimed, before each")
    p.add_argument("--check", action="append",
                   help="NAME=SHELL-COMMAND run, untimed, after each exit-0 run of NAME: it must "
                        "succeed for the run to count")
    p.add_argument("--settle", help="Wine prefix whose processes must go quiet before each run")
    p.add_argument("--run-logs", action="append", default=[],
                   help="folder (glob) where the product leaves its run log; give it again for "
                        "another place")
    p.add_argument("--logs", required=True)
    p.add_argument("--out", required=True)
    p.add_argument("commands", nargs=2, help="PRODUCT=SHELL-COMMAND YARDSTICK=SHELL-COMMAND")
    p.set_defaults(func=cmd_fresh)

    p = sub.add_parser("extract")
    p.add_argument("--runs", type=int, default=5)
    p.add_argument("--size", type=int, required=True)
    p.add_argument("--target", dest="targets", required=True, action="append",
                   help="where the extracted file may appear, as a host path; give it again for "
                        "a fallback place, the first one that appears is measured")
    p.add_argument("--fresh", action="append",
                   help="a data folder (host path) removed before each run; give it again for "
                        "another")
    p.add_argument("--copy", required=True, help="shell command copying the same bytes")
    p.add_argument("--copy-target", required=True)
    p.add_argument("--expected-exit", type=int, required=True,
                   help="the product's exit code in a run that did what the figure names")
    p.add_argument("--timeout", type=float, default=180)
    p.add_argument("--interval", type=float, default=0.002)
    p.add_argument("--logs", required=True)
    p.add_argument("--out", required=True)
    p.add_argument("argv", nargs="+", help="the product's command line (after --)")
    p.set_defaults(func=cmd_extract)

    p = sub.add_parser("once")
    p.add_argument("--timeout", type=float, default=600)
    p.add_argument("--log", required=True)
    p.add_argument("--out", required=True)
    p.add_argument("command")
    p.set_defaults(func=cmd_once)

    p = sub.add_parser("machine")
    p.add_argument("--out", required=True)
    p.set_defaults(func=cmd_machine)

    p = sub.add_parser("report")
    p.add_argument("folder")
    p.set_defaults(func=cmd_report)

    args = parser.parse_args()
    args.func(args)
    return 0


if __name__ == "__main__":
    sys.exit(main())
