#!/usr/bin/env python3
"""One report of a `make bench` run: every benchmark of this library beside the libraries and
yardsticks measured with it in the same run, as rates and ratios, printed and written to
BUILD/report.json.

Usage: bench-report.py BUILD            (BUILD is build/bench; reads BUILD/json/)
       bench-report.py --compare OLD.json NEW.json

Each program bench/NAME.cpp leaves, in BUILD/json/, NAME.json (Google Benchmark's JSON
output, every repetition), NAME.status (its exit code), NAME.log (its console output) and
NAME.ms (how long it ran).
A program that is missing, exits non-zero or writes no JSON is reported as missing; the
others are reported all the same. A program's own notes (lines of its log that start with its
name, e.g. a comparison left out because a library is absent) are printed beside it.

Names. A benchmark is named <work>/<side>[/<args>]: the side "hulvo" is this library, any
other side is a peer ("gupnp-av", "gmime", "uriparser", "spsc_queue", "mutex_ring", "memcpy",
"read", "cv_pingpong", "curl", ...). Benchmarks with the same work and args are compared:
ours against each peer. Google Benchmark's own name suffixes (real_time, iterations:N, ...)
are not part of the name. The figure compared is items_per_second when the benchmark sets it,
else bytes_per_second; a benchmark with the counter lower_is_better=1 (a latency) is compared
by its time instead, its counter median_us when it has one, else its real time, and its ratio
is ours/peer time. A benchmark without a peer is printed with its rate alone.

Ratio and spread. Repetition i of ours is divided by repetition i of the peer (the programs
interleave the repetitions at random, so each pair ran close in time); the ratio printed is
the median of these per-repetition ratios, the spread their minimum and maximum.
"""
import datetime
import glob
import json
import os
import platform
import re
import statistics
import subprocess
import sys

OURS = "hulvo"

# The targets of the work, per (work, peer), whatever the args: (">=" or "<=", ratio).
TARGETS = {
    ("protocolinfo_parse", "gupnp-av"): (">=", 3.0),
    ("protocolinfo_parse_write", "gupnp-av"): (">=", 3.0),
    ("protocolinfo_list_parse", "gupnp-av"): (">=", 3.0),
    ("protocolinfo_list_parse_write", "gupnp-av"): (">=", 3.0),
    ("mime_parse_write", "gmime"): (">=", 10.0),
    ("url_parse_format", "uriparser"): (">=", 1.5),
    ("pipe_64k", "memcpy"): (">=", 0.7),
    ("pipe_64k", "mutex_ring"): (">=", 1.5),
    ("file_read_64k", "read"): (">=", 0.95),
    ("engine_wake", "cv_pingpong"): ("<=", 1.2),
    ("http_read", "curl"): (">=", 0.9),
}

# Counters shown beside the figures when a benchmark sets them; results that differ between
# the two sides (texts accepted, list entries read) are worth a look.
# The transfers' wall-clock rates suffer most from a busy machine. Their bytes per processor
# second of the whole process (every thread) are shown too, with the ratio of those as
# "cpu ratio": what the transfer costs, whoever else runs. The target is judged on the ratio.
CPU_RATE = "cpu_GiB/s"
SHOWN_COUNTERS = ("allocs_per_text", "accepted", "entries", "refused", CPU_RATE, "p99_us",
                  "cpu_s/GiB", "bytes_per_seek")

# Keys of a Google Benchmark run that are not user counters.
RUN_KEYS = {
    "name", "family_index", "per_family_instance_index", "run_name", "run_type",
    "repetitions", "repetition_index", "threads", "iterations", "real_time", "cpu_time",
    "time_unit", "items_per_second", "bytes_per_second", "label", "error_occurred",
    "error_message", "aggregate_name", "aggregate_unit",
}
NAME_SUFFIX = re.compile(
    r"^(real_time|manual_time|process_time|"
    r"(iterations|repeats|min_time|min_warmup_time|threads):.*)$")
TIME_UNITS_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def split_name(run_name):
    parts = [p for p in run_name.split("/") if not NAME_SUFFIX.match(p)]
    work = parts[0]
    side = parts[1] if len(parts) > 1 else ""
    return work, side, "/".join(parts[2:])


def figure(run):
    """(measure, value) of one repetition."""
    counters = {k: v for k, v in run.items() if k not in RUN_KEYS}
    if counters.get("lower_is_better") == 1:
        if "median_us" in counters:
            return "time_ns", counters["median_us"] * 1e3
        return "time_ns", run["real_time"] * TIME_UNITS_NS.get(run.get("time_unit", "ns"), 1.0)
    if run.get("items_per_second"):
        return "items_per_second", run["items_per_second"]
    if run.get("bytes_per_second"):
        return "bytes_per_second", run["bytes_per_second"]
    return "time_ns", run["real_time"] * TIME_UNITS_NS.get(run.get("time_unit", "ns"), 1.0)


def read_program(folder, name):
    """(program record, benchmarks) of one program's output."""
    base = os.path.join(folder, name)
    record = {"status": "missing", "exit": None, "notes": [], "seconds": None}
    try:
        with open(base + ".status") as f:
            record["exit"] = int(f.read().strip() or "-1")
    except (OSError, ValueError):
        pass
    try:
        with open(base + ".ms") as f:
            record["seconds"] = int(f.read().strip()) / 1000.0
    except (OSError, ValueError):
        pass
    try:
        with open(base + ".log", errors="replace") as f:
            record["notes"] = [line.strip() for line in f if line.startswith(name + ":")]
    except OSError:
        pass
    try:
        with open(base + ".json") as f:
            data = json.load(f)
    except (OSError, ValueError):
        return record, {}, {}
    if record["exit"] in (0, None):
        record["status"] = "ok"
    benchmarks = {}
    medians = {}
    for run in data.get("benchmarks", []):
        if run.get("run_type", "iteration") != "iteration":
            # A program that writes aggregates only still gives its medians.
            if run.get("aggregate_name") == "median":
                medians[run.get("run_name", run["name"])] = run
            continue
        work, side, args = split_name(run.get("run_name", run["name"]))
        key = "/".join(p for p in (work, side, args) if p)
        entry = benchmarks.setdefault(key, {
            "program": name, "work": work, "side": side, "args": args, "measure": None,
            "values": [], "counters": {}, "error": None})
        if run.get("error_occurred"):
            entry["error"] = run.get("error_message", "error")
            continue
        measure, value = figure(run)
        entry["measure"] = measure
        entry["values"].append(value)
        for k, v in run.items():
            if k not in RUN_KEYS and isinstance(v, (int, float)):
                entry["counters"].setdefault(k, []).append(v)
    for run_name, run in medians.items():
        work, side, args = split_name(run_name)
        key = "/".join(p for p in (work, side, args) if p)
        if key not in benchmarks:
            benchmarks[key] = {
                "program": name, "work": work, "side": side, "args": args, "error": None,
                "measure": figure(run)[0], "values": [figure(run)[1]],
                "counters": {k: [v] for k, v in run.items()
                             if k not in RUN_KEYS and isinstance(v, (int, float))}}
    for entry in benchmarks.values():
        entry["median"] = statistics.median(entry["values"]) if entry["values"] else None
        entry["cpu_rates"] = entry["counters"].get(CPU_RATE, [])
        entry["counters"] = {k: statistics.median(v) for k, v in entry["counters"].items()}
    return record, benchmarks, data.get("context", {})


def make_pair(ours, peer):
    count = min(len(ours["values"]), len(peer["values"]))
    if count == 0 or ours["measure"] != peer["measure"]:
        return None
    if any(peer["values"][i] <= 0 for i in range(count)):
        return None
    ratios = [ours["values"][i] / peer["values"][i] for i in range(count)]
    cpu_count = min(len(ours.get("cpu_rates", [])), len(peer.get("cpu_rates", [])))
    cpu_ratios = [ours["cpu_rates"][i] / peer["cpu_rates"][i] for i in range(cpu_count)
                  if peer["cpu_rates"][i] > 0]
    pair = {
        "work": ours["work"], "args": ours["args"], "peer": peer["side"],
        "measure": ours["measure"], "ours": ours["median"], "theirs": peer["median"],
        "ratio": statistics.median(ratios), "ratio_min": min(ratios), "ratio_max": max(ratios),
        "ratios": ratios, "target": None, "met": None,
        "cpu_ratio": statistics.median(cpu_ratios) if cpu_ratios else None,
    }
    target = TARGETS.get((ours["work"], peer["side"]))
    if target:
        op, value = target
        pair["target"] = "%s %g" % (op, value)
        pair["met"] = pair["ratio"] >= value if op == ">=" else pair["ratio"] <= value
    return pair


def machine():
    cpu = platform.processor() or platform.machine()
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    return cpu, os.cpu_count()


def git_commit(source):
    try:
        commit = subprocess.run(["git", "-C", source, "rev-parse", "HEAD"], capture_output=True,
                                text=True, check=True).stdout.strip()
        dirty = subprocess.run(
            ["git", "-C", source, "status", "--porcelain", "--untracked-files=no"],
            capture_output=True, text=True).stdout.strip()
        return commit + ("-dirty" if dirty else "")
    except (OSError, subprocess.CalledProcessError):
        return "unknown"


def rate_text(measure, value):
    if value is None:
        return "-"
    if measure == "time_ns":
        for unit, scale in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
            if value >= scale:
                return "%.3g %s" % (value / scale, unit)
        return "%.3g ns" % value
    if measure == "bytes_per_second":
        return "%.3g GiB/s" % (value / 2**30)
    for unit, scale in (("G", 1e9), ("M", 1e6), ("k", 1e3)):
        if value >= scale:
            return "%.3g%s/s" % (value / scale, unit)
    return "%.3g/s" % value


def counter_text(counters):
    return " ".join("%s=%g" % (k, round(counters[k], 2)) for k in SHOWN_COUNTERS
                    if k in counters)


def build_report(build):
    folder = os.path.join(build, "json")
    source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    names = {os.path.splitext(os.path.basename(p))[0]
             for p in glob.glob(os.path.join(source, "bench", "*Bench.cpp"))}
    names |= {os.path.splitext(os.path.basename(p))[0]
              for p in glob.glob(os.path.join(folder, "*.status"))}
    cpu, cpus = machine()
    report = {
        "schema": 1,
        "date": datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ"),
        "commit": git_commit(source), "cpu": cpu, "cpus": cpus, "host": platform.node(),
        "ratio": "ours/peer (time: ours/peer time), median of the per-repetition ratios; "
                 "spread = min-max of those ratios",
        "programs": {}, "benchmarks": {}, "pairs": {},
    }
    for name in sorted(names):
        record, benchmarks, context = read_program(folder, name)
        report["programs"][name] = record
        report["benchmarks"].update(benchmarks)
        # The load when the program started tells how much the machine's other users weigh.
        if context.get("load_avg"):
            record["load_avg"] = [round(x, 2) for x in context["load_avg"]]
    by_group = {}
    for key, entry in report["benchmarks"].items():
        by_group.setdefault((entry["work"], entry["args"]), {})[entry["side"]] = entry
    for (work, args), sides in sorted(by_group.items()):
        ours = sides.get(OURS)
        if not ours or ours["error"]:
            continue
        for side, peer in sorted(sides.items()):
            if side == OURS or peer["error"]:
                continue
            pair = make_pair(ours, peer)
            if pair:
                report["pairs"]["%s vs %s" % ("/".join(p for p in (work, args) if p), side)] = pair
    return report


def print_report(report):
    out = []
    out.append("hulvoStreaming benchmarks  %s  commit %s" % (report["date"], report["commit"][:12]))
    out.append("%s, %s CPUs; ratio = %s" % (report["cpu"], report["cpus"], report["ratio"]))
    for name, record in report["programs"].items():
        state = record["status"]
        if state != "ok":
            state = "MISSING (exit %s)" % record["exit"] if record["exit"] else "MISSING (not run)"
        if record["seconds"] is not None:
            state += "  %.0f s" % record["seconds"]
        if record.get("load_avg"):
            state += "  load %s" % " ".join("%g" % x for x in record["load_avg"])
        out.append("  %-22s %s" % (name, state))
        for note in record["notes"]:
            out.append("      " + note)
    out.append("")
    out.append("%-42s %-12s %-12s %-7s %-12s %s" %
               ("work vs peer", "ours", "peer", "ratio", "(spread)", "target"))
    paired = set()
    for key, pair in report["pairs"].items():
        paired.add((pair["work"], pair["args"], OURS))
        paired.add((pair["work"], pair["args"], pair["peer"]))
        target = ""
        if pair["target"]:
            target = "%s  %s" % (pair["target"], "met" if pair["met"] else "UNMET")
        if pair["cpu_ratio"] is not None:
            target += "  (cpu ratio %.2fx)" % pair["cpu_ratio"]
        measure = pair["measure"]
        out.append("%-42s %-12s %-12s %-7s %-12s %s" % (
            key, rate_text(measure, pair["ours"]), rate_text(measure, pair["theirs"]),
            "%.2fx" % pair["ratio"], "(%.2f-%.2f)" % (pair["ratio_min"], pair["ratio_max"]),
            target))
    bench = report["benchmarks"]
    for work, peer in TARGETS:
        if not any(p["work"] == work and p["peer"] == peer for p in report["pairs"].values()):
            out.append("%-42s MISSING: not measured in this run" % ("%s vs %s" % (work, peer)))
    out.append("")
    out.append("Every benchmark (median of the repetitions) and its counters:")
    for key in sorted(bench):
        entry = bench[key]
        if entry["error"]:
            out.append("  %-44s MISSING: %s" % (key, entry["error"]))
            continue
        alone = "" if (entry["work"], entry["args"], entry["side"]) in paired else "  (no peer)"
        out.append("  %-44s %-12s %s%s" % (key, rate_text(entry["measure"], entry["median"]),
                                          counter_text(entry["counters"]), alone))
    print("\n".join(out))


def compare(old_path, new_path):
    with open(old_path) as f:
        old = json.load(f)
    with open(new_path) as f:
        new = json.load(f)
    print("ratios: %s (%s) -> %s (%s)" % (old["commit"][:12], old["date"], new["commit"][:12],
                                          new["date"]))
    for key in sorted(set(old["pairs"]) | set(new["pairs"])):
        a = old["pairs"].get(key)
        b = new["pairs"].get(key)
        before = "%.2fx" % a["ratio"] if a else "-"
        after = "%.2fx" % b["ratio"] if b else "-"
        target = (b or a)["target"] or ""
        met = "" if not b or b["met"] is None else ("met" if b["met"] else "UNMET")
        print("%-42s %-8s -> %-8s %s %s" % (key, before, after, target, met))


def main(argv):
    if len(argv) == 4 and argv[1] == "--compare":
        compare(argv[2], argv[3])
        return 0
    if len(argv) != 2:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    report = build_report(argv[1])
    print_report(report)
    with open(os.path.join(argv[1], "report.json"), "w") as f:
        json.dump(report, f, indent=1, sort_keys=True)
        f.write("\n")
    print("\nwritten to %s" % os.path.join(argv[1], "report.json"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
