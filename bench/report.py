#!/usr/bin/env python3
"""Turns the driver's raw figures (and the sink recorder's edges) into the table that
scripts/bench prints and the JSON it writes. Figures only: no verdicts."""
import argparse
import json
import os
import platform
import statistics
import subprocess
import time


def percentile(values, p):
    s = sorted(values)
    if not s:
        return None
    k = (len(s) - 1) * p / 100
    lo, hi = int(k), min(int(k) + 1, len(s) - 1)
    return s[lo] + (s[hi] - s[lo]) * (k - lo)


def rtt(values):
    if not values:
        return None
    return {"n": len(values), "median_ms": statistics.median(values), "p99_ms": percentile(values, 99),
            "max_ms": max(values)}


def cpu(idle):
    wall = idle["wall_s"]
    figures = {"wall_s": wall, "cpu_ms": idle["cpu_ms"], "percent_of_core": 100 * idle["cpu_ms"] / (wall * 1000)}
    for key in ("wineserver_ms", "explorer_ms", "other_wine_ms", "xvfb_ms", "win_cpu_ms"):
        if key in idle:
            figures[key.replace("_ms", "_percent")] = 100 * idle[key] / (wall * 1000)
    return figures


def machine(args):
    def cpu_model():
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
        return platform.processor()

    with open("/proc/meminfo") as f:
        mem_kb = int(f.readline().split()[1])
    return {"nproc": os.cpu_count(), "cpu": cpu_model(), "memory_gib": round(mem_kb / 1024 / 1024, 1),
            "wine": args.wine, "kernel": platform.release(), "load_before": args.load_before,
            "load_after": args.load_after, "date": time.strftime("%Y-%m-%d %H:%M %Z")}


def end_of_sound(run, edges):
    """Pairs each new countdown value after a play with the sink's last 'off' edge before it."""
    if not run:
        return None
    ons = [t for kind, t in edges if kind == "on"]
    offs = [t for kind, t in edges if kind == "off"]
    noticed, heard, zero_to_next, shown_after_seen, zero_to_sound = [], [], [], [], []
    for zero, last_zero, nxt in zip(run["zero_at"], run["last_zero_at"], run["next_at"]):
        zero_to_next.append(1000 * (nxt - zero - 1.0))
        shown_after_seen.append(1000 * (nxt - last_zero))
        on = [t for t in ons if zero - 0.2 <= t <= nxt]
        # The sink may render the end after the program has been told of it.
        off = [t for t in offs if zero <= t <= nxt + 0.5]
        # The value 0 is on the screen as the sound is asked for: from there to the first
        # block of it the sink hears.
        zero_to_sound.append(1000 * (on[0] - zero) if on else None)
        if on and off:
            noticed.append(1000 * (nxt - off[0]))
            heard.append(1000 * (off[0] - on[0]))
    figures = {"n": len(run["next_at"]), "zero_to_next_minus_1s_ms": zero_to_next,
               "end_seen_to_value_shown_ms": shown_after_seen,
               "median_zero_to_next_minus_1s_ms": statistics.median(zero_to_next) if zero_to_next else None}
    later = [v for v in zero_to_sound[1:] if v is not None]
    figures.update({"zero_to_sound_ms": zero_to_sound, "zero_to_sound_first_ms": zero_to_sound[0] if zero_to_sound else None,
                    "zero_to_sound_later_median_ms": statistics.median(later) if later else None,
                    "zero_to_sound_later_max_ms": max(later) if later else None})
    if noticed:
        figures.update({"after_sink_end_ms": noticed, "median_ms": statistics.median(noticed),
                        "max_ms": max(noticed), "sound_heard_ms": heard})
    return figures


def play_now(run, edges):
    """From each "Play one now" to the status line's new text and to the sink's first sound."""
    if not run:
        return None
    ons = [t for kind, t in edges if kind == "on"]
    shown, heard = [], []
    for asked, at in zip(run["asked_at"], run["shown_at"]):
        shown.append(1000 * (at - asked))
        on = [t for t in ons if asked <= t <= asked + 3]
        heard.append(1000 * (on[0] - asked) if on else None)
    later = [v for v in heard[1:] if v is not None]
    return {"status_ms": shown, "sound_ms": heard, "status_max_ms": max(shown),
            "sound_first_ms": heard[0], "sound_later_max_ms": max(later) if later else None}


def picks(run):
    """Round trips while the scheduler reads the folder and draws, by folder size."""
    figures = {}
    for size, f in run.items():
        figures[size] = {"files": f["files"], "listed": f["listed"], "picks": f["picks"],
                         "zero_to_next_ms": f["zero_to_next_ms"], "slowest_look_ms": f["slowest_look_ms"]}
        for kind, key in (("sent", "rtt"), ("posted", "posted"), ("input", "input")):
            for when in ("picking", "between"):
                figures[size][f"{kind}_{when}"] = rtt(f[f"{key}_{when}_ms"])
    return figures


def main():
    p = argparse.ArgumentParser()
    for name in ("raw", "sink", "out", "exe", "baseline-exe", "load-before", "load-after", "wine"):
        p.add_argument("--" + name, default="")
    args = p.parse_args()
    raw = json.load(open(args.raw))
    edges = []
    if args.sink and os.path.exists(args.sink):
        for line in open(args.sink):
            kind, t = line.split()
            edges.append((kind, float(t)))

    base, counting, plays = raw.get("baseline", {}), raw.get("counting", {}), raw.get("plays", {})
    r = {"machine": machine(args)}
    if base and counting:
        z, b = cpu(counting["idle"]), cpu(base["idle"])
        r["waiting_cpu"] = {"zirrotone": z, "baseline": b,
                            "difference_percent_of_core": z["percent_of_core"] - b["percent_of_core"]}
        if "counting_idle" in base:
            r["waiting_cpu"]["baseline_counting"] = cpu(base["counting_idle"])
        if "idle_after_sound" in counting:
            r["waiting_cpu"]["zirrotone_after_a_sound"] = cpu(counting["idle_after_sound"])
        if "after_own_end" in raw:
            r["waiting_cpu"]["zirrotone_after_own_end"] = cpu(raw["after_own_end"]["idle_after_own_end"])
    mem = {}
    if base:
        mem["baseline_after_start"] = base["after_start"]
        mem["baseline_end"] = base["end"]
    if counting:
        mem["zirrotone_after_start_delay10"] = counting["after_start"]
    if plays:
        mem["zirrotone_after_start_delay01"] = plays["after_start"]
        mem["zirrotone_after_first_play"] = plays["after_first_play"]
        mem["zirrotone_after_test_plays"] = plays["after_test_plays"]
        mem["zirrotone_after_plays"] = plays["after_plays"]
        mem["plays"] = len(plays["play_ms"])
        mem["play_ms_median"] = statistics.median(plays["play_ms"])
        mem["scheduler_cycles"] = plays["scheduler_cycles"]
    thousand = raw.get("thousand_plays")
    if thousand:
        mem["thousand_plays"] = {"plays": len(thousand["play_ms"]), "after_start": thousand["after_start"],
                                 "after_first_play": thousand["after_first_play"],
                                 "after_plays": thousand["after_plays"],
                                 "play_ms_median": statistics.median(thousand["play_ms"])}
    r["memory"] = mem
    zs, bs = raw.get("zirrotone_startup_ms", []), base.get("startup_ms", [])
    zw, bw = raw.get("zirrotone_window_ms", []), base.get("window_ms", [])
    r["startup"] = {"zirrotone_ms": zs, "baseline_ms": bs, "zirrotone_window_ms": zw, "baseline_window_ms": bw,
                    "zirrotone_window_median_ms": statistics.median(zw) if zw else None,
                    "zirrotone_median_ms": statistics.median(zs) if zs else None,
                    "baseline_median_ms": statistics.median(bs) if bs else None}
    pairs = raw.get("startup_pairs")
    if pairs:
        r["startup"]["pairs"] = {"program_ms": pairs["program_ms"], "baseline_ms": pairs["baseline_ms"],
                                 "ratios": pairs["ratios"], "median_ratio": statistics.median(pairs["ratios"]),
                                 "program_median_ms": statistics.median(pairs["program_ms"]),
                                 "program_window_median_ms": statistics.median(pairs["program_window_ms"]),
                                 "baseline_median_ms": statistics.median(pairs["baseline_ms"])}
        if pairs.get("controls_ratios"):
            r["startup"]["pairs"].update({"controls_baseline_ms": pairs["controls_baseline_ms"],
                                          "controls_ratios": pairs["controls_ratios"],
                                          "controls_median_ratio": statistics.median(pairs["controls_ratios"]),
                                          "controls_median_ms": statistics.median(pairs["controls_baseline_ms"])})
    r["responsiveness"] = {"baseline": rtt(base.get("rtt_idle_ms"))}
    for when in ("counting", "playing"):
        for kind, key in (("sent", "rtt"), ("posted", "posted"), ("input", "input")):
            r["responsiveness"][f"{kind}_{when}"] = rtt(counting.get(f"{key}_{when}_ms"))
    if "exits" in raw:
        r["exit_status_during_sound"] = raw["exits"]
    if "big_folder" in raw:
        r["picks"] = picks(raw["big_folder"])
    r["end_of_sound"] = end_of_sound(raw.get("end_of_sound"), edges)
    r["play_now"] = play_now(raw.get("play_now"), edges)
    if counting:
        counted, wall = counting["pace_counted_s"], counting["pace_wall_s"]
        r["pace"] = {"counted_s": counted, "wall_s": wall, "counted_minute_s": 60 * wall / counted,
                     "error_percent": 100 * (wall / counted - 1)}
    r["size"] = {"zirrotone_bytes": os.path.getsize(args.exe),
                 "baseline_bytes": os.path.getsize(args.baseline_exe) if args.baseline_exe else None}
    json.dump(r, open(args.out, "w"), indent=2)
    print(table(r))
    print(f"\nfigures: {args.out}")


def ratio(a, b):
    return f"{a / b:.2f}x" if a is not None and b else "-"


def table(r):
    rows = [("figure", "zirrotone", "baseline", "ratio / difference")]

    def row(name, z, b, rel=""):
        rows.append((name, z, b, rel))

    if "waiting_cpu" in r:
        w = r["waiting_cpu"]
        z, b = w["zirrotone"], w["baseline"]
        row("1 waiting: CPU over %.0f s, %% of one core" % z["wall_s"], f"{z['percent_of_core']:.3f} %",
            f"{b['percent_of_core']:.3f} %", f"+{w['difference_percent_of_core']:.3f} points")
        row("  CPU time (ms)", f"{z['cpu_ms']:.0f}", f"{b['cpu_ms']:.0f}", ratio(z["cpu_ms"], b["cpu_ms"]))
        row("  wineserver meanwhile, % of one core", f"{z['wineserver_percent']:.3f} %",
            f"{b['wineserver_percent']:.3f} %", "")
        row("  explorer.exe (tray, desktop), % of one core", f"{z['explorer_percent']:.3f} %",
            f"{b['explorer_percent']:.3f} %", "")
        row("  other Wine processes, % of one core", f"{z['other_wine_percent']:.3f} %",
            f"{b['other_wine_percent']:.3f} %", "")
        if "xvfb_percent" in z:
            row("  Xvfb, % of one core", f"{z['xvfb_percent']:.3f} %", f"{b['xvfb_percent']:.3f} %", "")
        if "baseline_counting" in w:
            c = w["baseline_counting"]
            row("  baseline with a value and a tip each second", "", f"{c['percent_of_core']:.3f} %",
                f"{z['percent_of_core'] - c['percent_of_core']:+.3f} points")
        for key, name in (("zirrotone_after_a_sound", "the same once a sound was stopped"),
                          ("zirrotone_after_own_end", "the same after a sound that ended by itself")):
            if key in w:
                a = w[key]
                row(f"  {name} ({a['wall_s']:.0f} s)", f"{a['percent_of_core']:.3f} %",
                    f"{b['percent_of_core']:.3f} %", f"+{a['percent_of_core'] - b['percent_of_core']:.3f} points")
    m = r["memory"]
    if "baseline_after_start" in m and "zirrotone_after_start_delay10" in m:
        b, z = m["baseline_after_start"], m["zirrotone_after_start_delay10"]
        mb = lambda kb: f"{kb / 1024:.1f} MiB"
        row("2 memory after start: resident", mb(z["rss_kb"]), mb(b["rss_kb"]), ratio(z["rss_kb"], b["rss_kb"]))
        row("  peak resident", mb(z["hwm_kb"]), mb(b["hwm_kb"]), ratio(z["hwm_kb"], b["hwm_kb"]))
        row("  proportional (PSS)", mb(z["pss_kb"]), mb(b["pss_kb"]), ratio(z["pss_kb"], b["pss_kb"]))
        if "zirrotone_after_plays" in m:
            s, f, a = m["zirrotone_after_start_delay01"], m["zirrotone_after_first_play"], m["zirrotone_after_plays"]
            row("  after the first play: resident", mb(f["rss_kb"]), mb(b["rss_kb"]), ratio(f["rss_kb"], b["rss_kb"]))
            row(f"  after {m['plays']} plays + {m['scheduler_cycles']} cycles: resident", mb(a["rss_kb"]),
                mb(b["rss_kb"]), ratio(a["rss_kb"], b["rss_kb"]))
            row("  after the plays: peak resident", mb(a["hwm_kb"]), mb(b["hwm_kb"]), ratio(a["hwm_kb"], b["hwm_kb"]))
            row("  growth, first play -> last: resident", f"{(a['rss_kb'] - f['rss_kb']) / 1024:+.1f} MiB", "",
                "")
            gui_known = any(x[k] for x in (s, a, b) for k in ("gdi", "user"))
            for key, name in (("handles_live", "handles"), ("handle_table", "handle table size"), ("gdi", "GDI objects"), ("user", "USER objects"),
                              ("windows", "windows (USER)"), ("threads", "threads"), ("fds", "Linux fds")):
                if key in ("gdi", "user") and not gui_known:
                    row(f"  {name}", "n/a: Wine answers 0", "", "")
                    continue
                row(f"  {name}: start -> 1st play -> last", f"{s[key]:.0f} -> {f[key]:.0f} -> {a[key]:.0f}",
                    f"{b[key]:.0f}", f"{a[key] - f[key]:+.0f} after the 1st")
    if "thousand_plays" in m:
        t = m["thousand_plays"]
        f, a = t["after_first_play"], t["after_plays"]
        mib = lambda kb: f"{kb / 1024:.1f} MiB"
        row(f"2 memory over {t['plays']} plays of a 20 ms sound: resident, 1st play -> last",
            f"{mib(f['rss_kb'])} -> {mib(a['rss_kb'])}", "", f"{(a['rss_kb'] - f['rss_kb']) / 1024:+.1f} MiB")
        if "vm_kb" in f:
            row("  virtual size, 1st play -> last", f"{mib(f['vm_kb'])} -> {mib(a['vm_kb'])}", "",
                f"{(a['vm_kb'] - f['vm_kb']) / 1024:+.1f} MiB")
        row("  threads, 1st play -> last", f"{f['threads']:.0f} -> {a['threads']:.0f}", "", "")
        row("  handles, 1st play -> last", f"{f['handles_live']:.0f} -> {a['handles_live']:.0f}", "",
            f"{a['handles_live'] - f['handles_live']:+.0f}")
        row("  a play, median", f"{t['play_ms_median']:.0f} ms", "", "")
    s = r["startup"]
    if s["zirrotone_median_ms"] is not None and s["baseline_median_ms"] is not None:
        row(f"3 start-up to first countdown value (median of {len(s['zirrotone_ms'])})",
            f"{s['zirrotone_median_ms']:.0f} ms", f"{s['baseline_median_ms']:.0f} ms",
            ratio(s["zirrotone_median_ms"], s["baseline_median_ms"]))
        if s["zirrotone_window_median_ms"] is not None:
            bw = statistics.median(s["baseline_window_ms"])
            row("  launch to window visible", f"{s['zirrotone_window_median_ms']:.0f} ms", f"{bw:.0f} ms",
                ratio(s["zirrotone_window_median_ms"], bw))
        if "pairs" in s:
            p = s["pairs"]
            row(f"3 start-up, {len(p['ratios'])} alternated pairs: median of the ratios",
                f"{p['program_median_ms']:.0f} ms", f"{p['baseline_median_ms']:.0f} ms", f"{p['median_ratio']:.2f}x")
            row("  launch to window visible (pairs)", f"{p['program_window_median_ms']:.0f} ms", "", "")
            if "controls_median_ratio" in p:
                row(f"  the baseline with common controls 6 against it ({len(p['controls_ratios'])} own pairs)", "", f"{p['controls_median_ms']:.0f} ms",
                    f"{p['controls_median_ratio']:.2f}x")
    rs = r["responsiveness"]
    for when in ("counting", "playing"):
        for kind in ("sent", "posted", "input"):
            z, b = rs.get(f"{kind}_{when}"), rs["baseline"]
            if not z:
                continue
            idle = (lambda k: f"{b[k]:.2f} ms") if b and kind == "sent" else (lambda k: "")
            row(f"4 {kind} round trip while {when} ({z['n']}): median", f"{z['median_ms']:.1f} ms",
                idle("median_ms"), "")
            row("  99th percentile", f"{z['p99_ms']:.1f} ms", idle("p99_ms"), "")
            row("  maximum", f"{z['max_ms']:.1f} ms", idle("max_ms"), "")
    e = r["end_of_sound"]
    if e:
        if "median_ms" in e:
            row(f"5 end of a 1 s sound on the sink to next value shown", " ".join(f"{v:.0f}" for v in
                e["after_sink_end_ms"]) + " ms", "", "")
            row("  the sound as heard on the sink", " ".join(f"{v:.0f}" for v in e["sound_heard_ms"]) + " ms", "", "")
        row("  end seen by the player -> value shown", " ".join(f"{v:.0f}" for v in e["end_seen_to_value_shown_ms"])
            + " ms", "", "")
        if e.get("zero_to_sound_first_ms") is not None:
            row("5 countdown's 0 shown to first sound on the sink: first after start",
                f"{e['zero_to_sound_first_ms']:.0f} ms", "", "target <= 150 ms")
        if e.get("zero_to_sound_later_median_ms") is not None:
            row("  later sounds: median (maximum)", f"{e['zero_to_sound_later_median_ms']:.0f} ms "
                f"({e['zero_to_sound_later_max_ms']:.0f} ms)", "", "target <= 50 ms")
        row("  value 0 shown to next value, minus 1 s", " ".join(f"{v:.0f}" for v in e["zero_to_next_minus_1s_ms"])
            + " ms", "", "")
    n = r.get("play_now")
    if n:
        row("5 Play one now to the status line's new text", " ".join(f"{v:.0f}" for v in n["status_ms"]) + " ms",
            "", "target <= 100 ms")
        row("  to the first sound on the sink", " ".join("-" if v is None else f"{v:.0f}" for v in n["sound_ms"])
            + " ms", "", "target <= 150 ms (the first after start: + the engine's load)")
    if "pace" in r:
        p = r["pace"]
        row(f"6 pace: {p['counted_s']:.0f} counted s took", f"{p['wall_s']:.2f} s", "",
            f"{p['error_percent']:+.2f} %")
        row("  a counted minute", f"{p['counted_minute_s']:.2f} s", "", "")
    if "exit_status_during_sound" in r:
        row("8 exit status, closing during a sound", " ".join(f"{k} {v:.0f}" for k, v in
            r["exit_status_during_sound"].items()), "", "")
    if "picks" in r:
        big, few = r["picks"]["big"], r["picks"]["few"]
        row(f"9 picks seen, {big['files']:.0f} files | {few['files']:.0f} files", f"{big['picks']:.0f}",
            f"{few['picks']:.0f}", "")
        row("  value 0 shown to next value (median)", f"{statistics.median(big['zero_to_next_ms'] or [0]):.0f} ms",
            f"{statistics.median(few['zero_to_next_ms'] or [0]):.0f} ms", "")
        row("  slowest WM_GETTEXT of the countdown, one every 10 ms", f"{big['slowest_look_ms']:.1f} ms",
            f"{few['slowest_look_ms']:.1f} ms", "")
        for kind in ("sent", "posted", "input"):
            for when in ("picking", "between"):
                b, f = big[f"{kind}_{when}"], few[f"{kind}_{when}"]
                if not b or not f:
                    continue
                ms = lambda x: f"{x['median_ms']:.1f} / {x['p99_ms']:.1f} / {x['max_ms']:.1f} ms ({x['n']})"
                row(f"  {kind} round trip {'during picks' if when == 'picking' else 'between them'}: "
                    "median / p99 / max (n)", ms(b), ms(f), ratio(b["max_ms"], f["max_ms"]))
    z = r["size"]
    row("7 size of the exe", f"{z['zirrotone_bytes'] / 1024:.0f} KiB", f"{(z['baseline_bytes'] or 0) / 1024:.0f} KiB",
        ratio(z["zirrotone_bytes"], z["baseline_bytes"]))

    widths = [max(len(str(row[i])) for row in rows) for i in range(4)]
    lines = []
    for i, cells in enumerate(rows):
        lines.append("| " + " | ".join(str(c).ljust(widths[j]) for j, c in enumerate(cells)) + " |")
        if i == 0:
            lines.append("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    mach = r["machine"]
    lines.append("")
    lines.append(f"machine: {mach['nproc']} cores, {mach['cpu']}, {mach['memory_gib']} GiB, {mach['wine']}, "
                 f"Linux {mach['kernel']}; load average before {mach['load_before']}, after {mach['load_after']}")
    return "\n".join(lines)


if __name__ == "__main__":
    main()
