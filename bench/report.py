"""Turns the results of bench/run into the markdown table of
docs/PERFORMANCE.md. Usage: report.py RESULTS_DIR"""
import json
import os
import platform
import re
import statistics
import sys
import time

results = sys.argv[1]
UNIT = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def load_medians(path):
    """run name (without manual_time/iterations/repeats) -> median entry, times in seconds"""
    medians = {}
    if not os.path.exists(path):
        return medians
    with open(path) as f:
        data = json.load(f)
    for entry in data["benchmarks"]:
        if entry.get("aggregate_name") != "median":
            continue
        name = "/".join(part for part in entry["run_name"].split("/")
                        if not re.match(r"^(manual_time|iterations:\d+|repeats:\d+|min_time:[\d.]+)$", part))
        scale = UNIT[entry.get("time_unit", "ns")]
        medians[name] = {
            "wall": entry["real_time"] * scale,
            "cpu_total": entry["cpu_time"] * scale,
            "cpu": entry.get("cpu"),
            "write_back": entry.get("write_back"),
            "write_back_cpu": entry.get("write_back_cpu"),
            "repetitions": entry.get("repetitions"),
        }
    return medians


def duration(seconds):
    if seconds is None:
        return "—"
    for unit, scale in (("s", 1.0), ("ms", 1e-3), ("µs", 1e-6)):
        if seconds >= scale:
            return f"{seconds / scale:.3g} {unit}"
    return f"{seconds / 1e-9:.3g} ns"


def ratio(a, b):
    return f"{a / b:.2f}×" if a and b else "—"


def met(a, b, goal):
    if not a or not b:
        return "—"
    return "yes" if a / b <= goal else "**no**"


store = load_medians(os.path.join(results, "store.json"))
drill = load_medians(os.path.join(results, "drill.json"))
store.update({k: v for k, v in drill.items() if k.startswith("store/")})


def repetitions_of(medians, prefix):
    counts = [m["repetitions"] for k, m in medians.items() if k.startswith(prefix) and m["repetitions"]]
    return max(counts) if counts else "?"

try:
    cpu_model = next(line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo") if line.startswith("model name"))
except (OSError, StopIteration):
    cpu_model = platform.processor() or "unknown CPU"
load = open("/proc/loadavg").read().split()[0] if os.path.exists("/proc/loadavg") else "?"

out = []
out.append(f"Figures of `bench/run` on {time.strftime('%Y-%m-%d')}, {cpu_model}, {os.cpu_count()} cores "
           f"(load average {load} at the end of the run).\n")

# --- start-up ---------------------------------------------------------------
def load_counts(name):
    """program or round -> its instruction counts, one per counted run"""
    counts = {}
    path = os.path.join(results, name)
    if os.path.exists(path):
        for line in open(path):
            fields = line.split()
            if len(fields) == 2:
                counts.setdefault(fields[0], []).append(int(fields[1]))
    return counts


def instructions(counts):
    """median, and the spread of the runs as a share of it"""
    if not counts:
        return "—"
    median = statistics.median(counts)
    for unit, scale in (("G", 1e9), ("M", 1e6), ("K", 1e3)):
        if median >= scale:
            break
    else:
        unit, scale = "", 1
    spread = (max(counts) - min(counts)) / median * 100
    return f"{median / scale:.4g} {unit} (±{spread / 2:.2f} %)"


def median_or_none(values):
    return statistics.median(values) if values else None


starts = {}
path = os.path.join(results, "startup.txt")
if os.path.exists(path):
    for line in open(path):
        fields = line.split()
        values = dict(f.split("=") for f in fields[1:])
        starts.setdefault(fields[0], []).append(
            (float(values["startup_ms"]) / 1000, float(values["cpu_ms"]) / 1000, int(values["peak_rss_kb"])))
start_counts = load_counts("startup_instructions.txt")
if starts or start_counts:
    def med(name, index):
        return median_or_none([v[index] for v in starts.get(name, [])])
    startup_runs = min(len(v) for v in starts.values()) if starts else 0
    count_runs = min(len(v) for v in start_counts.values()) if start_counts else 0
    out.append(f"**Start-up** under Xvfb: from the process's start to the main dialog's first full paint, where a "
               f"preloaded shim ends it. Instructions: every thread, callgrind, median of {count_runs} runs "
               f"(± half their range); times and peak RSS: median of {startup_runs} interleaved starts. Floor: a "
               "`QDialog` with one label of Japanese text.\n")
    out.append("| Measure | Vokabo | Floor | Ratio | Goal | Met |")
    out.append("|---|---|---|---|---|---|")
    i = [median_or_none(start_counts.get(n)) for n in ("vokabo", "bare_text")]
    out.append(f"| Instructions | {instructions(start_counts.get('vokabo'))} "
               f"| {instructions(start_counts.get('bare_text'))} | {ratio(i[0], i[1])} | ≤ 1.3× "
               f"| {met(i[0], i[1], 1.3)} |")
    c = [med(n, 1) for n in ("vokabo", "bare_text")]
    out.append(f"| CPU time, every thread | {duration(c[0])} | {duration(c[1])} | {ratio(c[0], c[1])} | ≤ 1.1× "
               f"| {met(c[0], c[1], 1.1)} |")
    t = [med(n, 0) for n in ("vokabo", "bare_text")]
    out.append(f"| Wall time | {duration(t[0])} | {duration(t[1])} | {ratio(t[0], t[1])} | — | (info) |")
    r = [med(n, 2) for n in ("vokabo", "bare_text")]
    mb = lambda kb: f"{kb / 1024:.1f} MB" if kb else "—"
    out.append(f"| Peak RSS | {mb(r[0])} | {mb(r[1])} | {ratio(r[0], r[1])} | ≤ 1.2× | {met(r[0], r[1], 1.2)} |")
    gaps = []
    path = os.path.join(results, "preload.txt")
    if os.path.exists(path):
        gaps = [line.strip() for line in open(path) if line.strip()]
    numbers = [float(g) for g in gaps if g != "missing"]
    if numbers:
        before = sum(1 for g in numbers if g > 0)
        out.append(f"\nReadiness: the preload ended before the main dialog's initialisation in {before} of "
                   f"{len(gaps)} probed starts (margins {min(numbers):.1f} to {max(numbers):.1f} ms), so in those "
                   "the first paint was the ready dialog's.")
        if before < len(numbers):
            out.append(f"In the other {len(numbers) - before} the dialog initialised first, showed \"読取中...\" "
                       "and became ready only at its one-second poll, about 1 s after the time above.")
    else:
        out.append("\nReadiness was not probed in this run (perf probes unavailable).")
    out.append("")

# --- store work --------------------------------------------------------------
out.append(f"**Store work** (Google Benchmark, median of {repetitions_of(store, 'store/')} repetitions): wall time, and in "
           "brackets the working thread's CPU time; ratios as wall (CPU). The goal is judged on tmpfs by CPU time, "
           "which on a shared machine leaves out the time the thread waited for a core; on disk the COMMIT's sync "
           "to the device dominates every writing case and its latency varies from run to run, so those rows are "
           "for information.\n")
out.append("| Work | File | Program | Floor: exec | Ratio | Goal | Met | Floor: prepared (info) | Ratio |")
out.append("|---|---|---|---|---|---|---|---|---|")
cases = [
    ("preload", "Preload: 390 records, 13 `control` rows"),
    ("first_sync", "First synchronisation, 30-word list"),
    ("update_sync", "Update synchronisation, same range"),
    ("update_sync_new_range", "Update synchronisation, new range"),
    ("write_back", "Write-back, 30-word test drill"),
]
folders = sorted({k.split("/")[-1] for k in store if k.startswith("store/")}, key=lambda f: (f != "tmpfs", f))
for folder in folders:
    for key, title in cases:
        p, e, q = (store.get(f"store/{key}/{v}/{folder}") for v in ("program", "exec", "prepared"))
        if not p:
            continue
        cell = lambda m: f"{duration(m['wall'])} ({duration(m['cpu'])})" if m else "—"
        both = lambda a, b: (f"{ratio(a['wall'], b['wall'])} ({ratio(a['cpu'], b['cpu'])})" if a and b else "—")
        verdict = met(p["cpu"], e["cpu"] if e else None, 1.2) if folder == "tmpfs" else "(info)"
        out.append(f"| {title} | {folder} | {cell(p)} | {cell(e)} | {both(p, e)} | ≤ 1.2× "
                   f"| {verdict} | {cell(q)} | {both(p, q)} |")
out.append("")

# --- scaling -------------------------------------------------------------------
sizes = sorted({int(k.split("/")[2]) for k in drill if k.startswith("scaling/")})
if sizes:
    out.append("**Scaling**: CPU time per word (median; three runs for 10 000 words and more), synthetic "
               "lists on tmpfs.\n")
    out.append("| Work | " + " | ".join(f"{n:,} words".replace(",", " ") for n in sizes) + " | Largest / 30 |")
    out.append("|---|" + "---|" * (len(sizes) + 1))
    rows = [
        ("Selection (`SelectCards`)", "select", lambda m: m["cpu_total"]),
        ("First synchronisation", "first_sync", lambda m: m["cpu"]),
        ("Test drill, every answer right (passes)", "test_drill", lambda m: m["cpu"]),
        ("Write-back of the test drill", "test_drill", lambda m: m["write_back_cpu"]),
        ("Free drill, every word marked known in one pass", "free_drill", lambda m: m["cpu"]),
        ("Write-back of the free drill", "free_drill", lambda m: m["write_back_cpu"]),
    ]
    for title, key, value in rows:
        per_word = []
        for n in sizes:
            m = drill.get(f"scaling/{key}/{n}")
            per_word.append(value(m) / n if m and value(m) else None)
        growth = ratio(per_word[-1], per_word[0]) if per_word[0] and per_word[-1] else "—"
        out.append(f"| {title} | " + " | ".join(duration(v) for v in per_word) + f" | {growth} |")
    out.append("")

# --- keystroke -----------------------------------------------------------------
p, f, w = (drill.get(k) for k in ("keystroke/spell_round/program", "keystroke/spell_round/floor",
                                  "keystroke/with_edit/program"))
rounds = load_counts("keystroke_instructions.txt")
if (p and f) or rounds:
    out.append(f"**Keystroke**, offscreen: instructions per round (callgrind, the rounds alone, median of "
               f"{min((len(v) for v in rounds.values()), default=0)} runs, ± half their range), and wall (CPU) "
               f"time (median of {repetitions_of(drill, 'keystroke/')} repetitions). The goal is judged by "
               "instructions.\n")
    out.append("| Work | Program | Floor: label `setText` + `repaint` | Ratio | Goal | Met |")
    out.append("|---|---|---|---|---|---|")
    cell = lambda m: f"{duration(m['wall'])} ({duration(m['cpu'])})" if m else "—"
    both = lambda a, b: f"{ratio(a['wall'], b['wall'])} ({ratio(a['cpu'], b['cpu'])})" if a and b else "—"
    floor_count = rounds.get("keystroke/spell_round/floor")
    for title, key, m, goal in (("`WM_DRILL_SPELL` round: text taken, judged, card shown", "spell_round", p, 1.5),
                                ("The same with the edit's own change and repaint (info)", "with_edit", w, None)):
        count = rounds.get(f"keystroke/{key}/program")
        a, b = median_or_none(count), median_or_none(floor_count)
        out.append(f"| {title}: instructions | {instructions(count)} | {instructions(floor_count)} | {ratio(a, b)} "
                   f"| {f'≤ {goal}×' if goal else '—'} | {met(a, b, goal) if goal else '—'} |")
        out.append(f"| … wall (CPU) time | {cell(m)} | {cell(f)} | {both(m, f)} | — | (info) |")
    out.append("")

print("\n".join(out))
