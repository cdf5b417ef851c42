#!/usr/bin/env python3
"""Turns the benchmark programs' JSON files into the Markdown results table.

usage: results.py RUN_DIR > RESULTS.md
RUN_DIR holds <program>-<records>.json files and machine.txt (written by scripts/bench.sh).
"""
import json
import pathlib
import sys

SIZES = [1000, 10000, 100000]

run_dir = pathlib.Path(sys.argv[1])


def load(program, size):
    # <program>-<size>.json, then any extra runs of the same program named <program>-<size>-*.
    paths = [run_dir / f"{program}-{size}.json"] + sorted(run_dir.glob(f"{program}-{size}-*.json"))
    runs = {}
    for path in paths:
        if not path.exists():
            continue
        for bench in json.loads(path.read_text()).get("benchmarks", []):
            if bench.get("error_occurred"):
                continue
            runs[bench["name"].split("/")[0]] = bench
    return runs


def seconds(bench, clock):
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[bench.get("time_unit", "ns")]
    return bench[clock] * scale


data = {size: {} for size in SIZES}
for size in SIZES:
    for program in ("bench_open", "bench_grid", "bench_filter", "bench_focus"):
        data[size].update(load(program, size))


def time_of(size, name, clock="cpu_time"):
    bench = data[size].get(name)
    return seconds(bench, clock) if bench else None


def ms(value):
    return "–" if value is None else f"{value * 1e3:.3g} ms"


# (figure, measured, baseline, clock, target ratio, how the ratio is formed)
TIMED = [
    ("open: read + parse + bind + first record", "DataSetOpen", "PugixmlParse", "cpu_time", 1.3,
     "÷ (read + pugixml bare parse)"),
    ("open, beside the program's own read", "DataSetOpen", "ReadIntoBuffer", "cpu_time", None,
     "÷ reading into the program's buffer on huge pages (no target; for comparison)"),
    ("size check (OKSize with its checksum)", "SizeCheck", "ReadBytes", "cpu_time", None,
     "÷ read; target ≤ 0.3 × open, below"),
    ("grid reload into the record store", "Reload", "CopyFields", "cpu_time", 0.2,
     "÷ copying the 13 fields' bytes"),
    ("sort by name, ascending then descending", "SortAscendingDescending", "StableSortStrings",
     "cpu_time", 1.0, "÷ std::stable_sort of std::string"),
    ("filter %感冒% on 注意事项", "LikeContains", "Memmem", "cpu_time", 1.5, "÷ memmem"),
    ("filter, six-condition tree", "SixConditionTree", "SixSingleScans", "cpu_time", 1.2,
     "÷ six single scans"),
    ("pathological like %a%a%a%a%a%b", "LikePathological", "LikeContains", "cpu_time", 4.0,
     "÷ the %感冒% filter"),
    ("pathological like, beside memchr of its first letter", "LikePathological",
     "MemchrFirstLetter", "cpu_time", None, "÷ memchr for 'a' in the same values (no target; for comparison)"),
    ("filter %感冒% vs SQLite GLOB '*感冒*'", "LikeContains", "SqliteGlob", "cpu_time", 0.5,
     "÷ SQLite (in memory, prepared once)"),
    ("drop-down value list", "ValueList", "SortUnique", "cpu_time", 1.5,
     "÷ std::sort + std::unique of the names"),
    ("write-back of all records", "WriteBack", "WriteFsync", "real_time", 1.5,
     "÷ write + fsync of the same bytes (wall time)"),
]


def verdict(ratio, target):
    if ratio is None or target is None:
        return ""
    return "met" if ratio <= target else "**missed**"


out = []
machine = (run_dir / "machine.txt").read_text().strip() if (run_dir / "machine.txt").exists() else ""
out.append("# Benchmark results\n")
out.append("Written by `bash scripts/bench.sh` (Release build). Times are processor time per "
           "operation unless marked wall time; each figure and its baseline were measured in "
           "the same run of the same program.\n")
out.append(machine + "\n")
out.append("## Figures and targets\n")
header = "| figure | ratio is | " + " | ".join(
    f"{size:,}: figure / baseline = ratio" for size in SIZES) + " | target | at 100,000 |"
out.append(header)
out.append("|" + "---|" * (len(SIZES) + 4))
for figure, name, baseline, clock, target, how in TIMED:
    cells = []
    last_ratio = None
    for size in SIZES:
        a, b = time_of(size, name, clock), time_of(size, baseline, clock)
        ratio = a / b if a and b else None
        last_ratio = ratio
        cells.append(f"{ms(a)} / {ms(b)} = " + ("–" if ratio is None else f"**{ratio:.2f}×**"))
    if target:
        goal = "≤ %g×" % target
    elif name == "SizeCheck":
        goal = "≤ 0.3 × open"
    else:
        goal = "—"
    out.append(f"| {figure} | {how} | " + " | ".join(cells) +
               f" | {goal} | {verdict(last_ratio, target)} |")
    if name == "SizeCheck":
        cells = []
        for size in SIZES:
            a, b = time_of(size, "SizeCheck"), time_of(size, "DataSetOpen")
            cells.append("–" if not (a and b) else f"{ms(a)} / {ms(b)} = **{a / b:.2f}×**")
            last = a / b if a and b else None
        out.append("| size check ÷ open | ÷ open | " + " | ".join(cells) + " | ≤ 0.3× | " +
                   verdict(last, 0.3) + " |")

# Focus move and peak memory come as counters.
cells, last = [], None
for size in SIZES:
    bench = data[size].get("FocusMoveDown")
    if bench:
        last = bench["median_ms"] / 1e3
        cells.append(f"median {bench['median_ms']:.2f} ms, p90 {bench['p90_ms']:.2f}, "
                     f"max {bench['max_ms']:.2f} ({int(bench['moves'])} moves, wall time)")
    else:
        cells.append("–")
out.append("| one focus move (Down) with the detail panes, offscreen | — | " + " | ".join(cells) +
           " | median ≤ 16 ms | " + ("" if last is None else verdict(last, 0.016)) + " |")
cells, last = [], None
for size in SIZES:
    bench = data[size].get("PeakMemory")
    if bench:
        last = bench["above_empty_per_file"]
        cells.append(f"{(bench['open_KiB'] - bench['empty_KiB']) / 1024:.1f} MiB above empty / "
                     f"{bench['file_KiB'] / 1024:.1f} MiB file = **{last:.2f}×**")
    else:
        cells.append("–")
out.append("| peak memory after open (VmHWM, child process) | ÷ file size | " + " | ".join(cells) +
           " | ≤ 2.5× | " + ("" if last is None else verdict(last, 2.5)) + " |")

cells, last, lastPeak = [], None, None
peakCells = []
for size in SIZES:
    bench = data[size].get("DropDownOpen")
    if bench:
        last = max(bench["first_ms"], bench["median_ms"]) / 1e3
        lastPeak = bench["peak_added_MiB"] / bench["file_MiB"]
        cells.append(f"first {bench['first_ms']:.1f} ms, median {bench['median_ms']:.1f} ms "
                     f"({int(bench['entries'])} entries, wall time)")
        peakCells.append(f"{bench['peak_added_MiB']:.1f} MiB / {bench['file_MiB']:.1f} MiB file = "
                         f"**{lastPeak:.2f}×**")
    else:
        cells.append("–")
        peakCells.append("–")
out.append("| header drop-down: press to shown and painted, offscreen | — | " + " | ".join(cells) +
           " | first and median ≤ 100 ms | " + ("" if last is None else verdict(last, 0.1)) + " |")
out.append("| peak memory added by opening the drop-down | ÷ file size | " + " | ".join(peakCells) +
           " | ≤ 0.3× | " + ("" if lastPeak is None else verdict(lastPeak, 0.3)) + " |")

# The whole start (bench/start.sh): "start <records> <field> <value> ..." lines.
start = {size: {} for size in SIZES}
start_path = run_dir / "start.txt"
if start_path.exists():
    for line in start_path.read_text().splitlines():
        words = line.split()
        if len(words) >= 4 and words[0] == "start" and int(words[1]) in start:
            start[int(words[1])][words[2]] = float(words[3])
cells, peakCells, last, lastPeak = [], [], None, None
for size in SIZES:
    s = start[size]
    if {"start_s", "check_s", "peak_kib", "file_bytes"} <= s.keys():
        last = s["start_s"] / s["check_s"]
        lastPeak = s["peak_kib"] * 1024 / s["file_bytes"]
        cells.append(f"{s['start_s'] * 1e3:.0f} ms / {s['check_s'] * 1e3:.0f} ms = **{last:.2f}×**")
        peakCells.append(f"{s['peak_kib'] / 1024:.0f} MiB / {s['file_bytes'] / 1048576:.0f} MiB = "
                         f"**{lastPeak:.2f}×**")
    else:
        cells.append("–")
        peakCells.append("–")
out.append("| splash closed → first painted rows (Xvfb, whole program, medians after a warm-up) | "
           "÷ a whole `tervana-data check` of the same file, taken in turn | " + " | ".join(cells) +
           " | ≤ 1.2× | " + ("" if last is None else verdict(last, 1.2)) + " |")
cells, last = [], None
for size in SIZES:
    s = start[size]
    if {"query_s", "check_s"} <= s.keys():
        last = s["query_s"] / s["check_s"]
        cells.append(f"{s['query_s'] * 1e3:.0f} ms / {s['check_s'] * 1e3:.0f} ms = **{last:.2f}×**")
    else:
        cells.append("–")
out.append("| `tervana-data query` of one %感冒% condition (whole process, medians) | "
           "÷ the same check, taken in turn | " + " | ".join(cells) + " | ≤ 1.2× | " +
           ("" if last is None else verdict(last, 1.2)) + " |")
out.append("| the program's peak memory with the list shown (VmHWM) | ÷ file size | " +
           " | ".join(peakCells) + " | ≤ 1.8× | " + ("" if lastPeak is None else verdict(lastPeak, 1.8)) +
           " |")

out.append("\n## Growth from 10,000 to 100,000 records\n")
out.append("| figure | 10,000 | 100,000 | growth | target |")
out.append("|---|---|---|---|---|")
# Baselines are shown for comparison; the targets are for the program's own figures.
BASELINES = {"ReadBytes", "PugixmlParse", "ReadIntoBuffer", "CopyFields", "StableSortStrings",
             "Memmem", "MemchrFirstLetter", "SortUnique", "WriteFsync"}
GROWTH = [("ReadBytes", "cpu_time"), ("PugixmlParse", "cpu_time"), ("ReadIntoBuffer", "cpu_time"),
          ("DataSetOpen", "cpu_time"), ("SizeCheck", "cpu_time"),
          ("CopyFields", "cpu_time"), ("Reload", "cpu_time"),
          ("StableSortStrings", "cpu_time"), ("SortAscendingDescending", "cpu_time"),
          ("Memmem", "cpu_time"), ("LikeContains", "cpu_time"), ("SixConditionTree", "cpu_time"),
          ("MemchrFirstLetter", "cpu_time"), ("LikePathological", "cpu_time"),
          ("SqliteGlob", "cpu_time"), ("SortUnique", "cpu_time"), ("ValueList", "cpu_time"),
          ("WriteFsync", "real_time"), ("WriteBack", "real_time")]
for name, clock in GROWTH:
    a, b = time_of(10000, name, clock), time_of(100000, name, clock)
    if not (a and b):
        continue
    growth = b / a
    if name in BASELINES:
        out.append(f"| {name} (baseline) | {ms(a)} | {ms(b)} | {growth:.1f}× | — |")
        continue
    target = 14 if name.startswith("Sort") or name == "ValueList" else 12
    out.append(f"| {name} | {ms(a)} | {ms(b)} | {growth:.1f}× | ≤ {target}× "
               f"{'met' if growth <= target else '**missed**'} |")

print("\n".join(out))
