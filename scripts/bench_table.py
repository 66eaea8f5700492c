#!/usr/bin/env python3
"""Turns the JSON results of the benchmarks (one file per program) into one
Markdown table. Every ratio compares two numbers taken in the same run."""
import json
import os
import platform
import sys
import time

US_PER_ACCESS = 1.0  # the hardware model: one port access takes 1 microsecond
BANK = 16384
CHIP_BANKS = {4: 32, 16: 128, 64: 512}
UNIT = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def load(results):
    runs = {}
    for name in os.listdir(results):
        if not name.endswith(".json"):
            continue
        try:
            with open(os.path.join(results, name)) as f:
                data = json.load(f)
        except (OSError, ValueError):
            continue
        for b in data.get("benchmarks", []):
            if b.get("run_type", "iteration") != "iteration" or b.get("error_occurred"):
                continue
            runs[b["name"]] = b
            # Fixed iteration counts show in the name; look them up without it too.
            runs.setdefault(b["name"].split("/iterations:")[0], b)
    return runs


def seconds(b, key="real_time"):
    return b[key] * UNIT[b.get("time_unit", "ns")]


def fmt_time(s):
    if s >= 1:
        return f"{s:.2f} s"
    if s >= 1e-3:
        return f"{s * 1e3:.1f} ms"
    return f"{s * 1e6:.0f} µs"


def machine():
    model, cores = "unknown CPU", os.cpu_count()
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    ram = "?"
    try:
        with open("/proc/meminfo") as f:
            for line in f:
                if line.startswith("MemTotal"):
                    ram = f"{int(line.split()[1]) / 1024 / 1024:.0f} GiB"
    except OSError:
        pass
    return f"{model}, {cores} cores, {ram} RAM, {platform.system()} {platform.release()}"


def main():
    runs = load(sys.argv[1])
    rows = []

    def missing(what, bench):
        rows.append((what, "missing", f"({bench} did not run)", "", "—"))

    # Port accesses per byte against the counts the cycle sequences imply, and the
    # modelled hardware time of writing and verifying a whole chip against the
    # simulator's own time for the same work.
    for chip in (4, 16, 64):
        for spp, mode in ((1, "SPP"), (0, "EPP")):
            w = runs.get(f"BM_WriteBank/chip:{chip}/spp:{spp}")
            v = runs.get(f"BM_VerifyBank/chip:{chip}/spp:{spp}")
            what = f"{chip}M {mode}: port accesses per byte, write + verify"
            if not (w and v):
                missing(what, "link_bench")
                continue
            measured = (w["accesses/bank"] + v["accesses/bank"]) / BANK
            expected = (w["expected/bank"] + v["expected/bank"]) / BANK
            rows.append((what, f"{measured:.3f}", "documented cycles", f"{expected:.3f}",
                         f"{measured / expected:.3f}"))
            banks = CHIP_BANKS[chip]
            hw = (w["accesses/bank"] + v["accesses/bank"]) * banks * US_PER_ACCESS * 1e-6
            sim = (seconds(w, "cpu_time") + seconds(v, "cpu_time")) * banks
            rows.append((f"{chip}M {mode}: whole chip written + verified, modelled hardware time",
                         fmt_time(hw), "simulator CPU time", fmt_time(sim),
                         f"{hw / sim:.0f}× faster simulated"))

    # The whole send job (detection, erase, writes, verify) where it was measured.
    for name, what in (("BM_Send8MiBDeepVerify64M_Epp", "send job 8 MiB, 64M EPP, deep verify"),
                       ("BM_Send2MiB16M_Epp", "send job 2 MiB, 16M EPP"),
                       ("BM_Send2MiB16M_Spp", "send job 2 MiB, 16M SPP")):
        b = runs.get(name)
        if not b:
            missing(what + ": modelled hardware time", "send_job_bench")
            continue
        hw = b["modelled_hw_s"]
        sim = seconds(b, "cpu_time")
        rows.append((what + ": modelled hardware time (accesses + sleeps)", fmt_time(hw),
                     "simulator CPU time", fmt_time(sim), f"{hw / sim:.0f}× faster simulated"))

    for spp, mode in ((0, "EPP"), (1, "SPP")):
        b = runs.get(f"BM_Write8MiB64M/spp:{spp}/iterations:2")
        what = f"simulator: 8 MiB write + verify on 64M, {mode}, CPU time"
        if not b:
            missing(what, "link_bench")
            continue
        sim = seconds(b, "cpu_time")
        hw = b["accesses/bank"] * 512 * US_PER_ACCESS * 1e-6
        rows.append((what, fmt_time(sim), "modelled hardware time", fmt_time(hw),
                     f"{sim / hw:.3f}"))

    def pair(what, a, b, base_label, bench):
        x, y = runs.get(a), runs.get(b)
        if not (x and y):
            missing(what, bench)
            return
        rows.append((what, fmt_time(seconds(x)), base_label, fmt_time(seconds(y)),
                     f"{seconds(x) / seconds(y):.2f}"))

    pair("CheckRomFile, one 8 MiB image", "BM_CheckRomFile_8MiB", "BM_Crc32Alone_8MiB",
         "crc32 alone", "rom_check_bench")
    pair("CheckRomFile, the real test ROMs", "BM_CheckRomFile_RealRoms", "BM_Crc32Alone_RealRoms",
         "crc32 alone", "rom_check_bench")
    pair("cold scan of 2,000 files (256 MiB)", "ColdScan/iterations:3", "ReadAndCrc/iterations:3",
         "reading + crc32 alone", "library_bench")
    pair("warm rescan of 10,000 files", "WarmRescan", "ListAndStat", "stat alone",
         "library_bench")
    pair("ReadRomList of 10,000 rows", "ReadRomList10k", "WriteRomList10k",
         "WriteRomList of the same rows", "library_bench")
    pair("BuildPack of 8 MiB", "BM_BuildPack", "BM_CopyMembers", "copying the same files",
         "pack_bench")

    # The window's first start on new files: a real main window with its
    # progress window, against the scan alone on the same folder.
    for files in (1000, 5000, 20000):
        pair(f"window's first scan of {files:,} new files (progress window shown)",
             f"WindowFirstScan/files:{files}", f"ScanAlone/files:{files}",
             "ScanRomDirectory alone", "window_scan_bench")
    # Growth in the thread's CPU time, which a busy machine stretches far less
    # than the wall time.
    small = runs.get("WindowFirstScan/files:1000")
    large = runs.get("WindowFirstScan/files:20000")
    what = "window's first scan, CPU time per file at 20,000 files"
    if small and large:
        a = large["thread_cpu_ms"] * 1e-3 / 20000
        b = small["thread_cpu_ms"] * 1e-3 / 1000
        rows.append((what, fmt_time(a), "at 1,000 files", fmt_time(b), f"{a / b:.2f}"))
    else:
        missing(what, "window_scan_bench")

    print(f"Measured {time.strftime('%Y-%m-%d %H:%M UTC', time.gmtime())} on {machine()}.")
    print()
    print("| measured | value | against | value | ratio |")
    print("| --- | ---: | --- | ---: | ---: |")
    for r in rows:
        print("| " + " | ".join(r) + " |")
    json_path = os.path.join(os.path.dirname(os.path.abspath(sys.argv[1])), "bench.json")
    port_calls(runs, json_path)
    resends(runs, json_path)


OPS = ("write_verify", "dump", "sram_read", "sram_write")


def port_calls(runs, json_path):
    """Kernel calls and modelled real time of the real-port backends: one
    table, and the same numbers as one flat JSON object."""
    flat = {}
    lines = []
    ioctl_ns = None
    for chip in (4, 16, 64):
        for spp, mode in ((1, "SPP"), (0, "EPP")):
            for op, name in enumerate(OPS):
                b = runs.get(f"BM_PortCalls/chip:{chip}/spp:{spp}/op:{op}")
                if not b:
                    lines.append(f"| {chip}M | {mode} | {name} | missing (port_syscalls_bench did "
                                 "not run) | | | | | | | | | | | |")
                    continue
                key = f"{chip}M.{mode}.{name}"
                flat[f"ppdev.{key}.syscalls_per_byte"] = b["ppdev_calls/byte"]
                flat[f"ppdev.{key}.floor_per_byte"] = b["floor/byte"]
                flat[f"ppdev.{key}.modelled_seconds"] = b["ppdev_s"]
                flat[f"ppdev.{key}.mode_switches_per_byte"] = b["mode_switches/byte"]
                flat[f"direct.{key}.modelled_seconds"] = b["direct_s"]
                flat[f"ppdev_fast_reads.{key}.syscalls_per_byte"] = b["ppdev_fast_calls/byte"]
                flat[f"ppdev_fast_reads.{key}.modelled_seconds"] = b["ppdev_fast_s"]
                ioctl_ns = b["ioctl_ns"]
                lines.append(
                    f"| {chip}M | {mode} | {name} | {b['ppdev_calls/byte']:.4f} | "
                    f"{b['floor/byte']:.4f} | {b['ratio']:.3f} | "
                    f"{b['mode_switches/byte']:.4f} | {b['ratio_with_modes']:.3f} | "
                    f"{b['direct_calls']:.0f} | "
                    f"{fmt_time(b['ppdev_s'])} | {fmt_time(b['direct_s'])} | "
                    f"{b['ppdev_s'] / b['direct_s']:.2f} | "
                    f"{b['ppdev_own_accesses_s'] / b['direct_s']:.2f} | "
                    f"{fmt_time(b['ppdev_fast_s'])} | {b['ppdev_fast_s'] / b['direct_s']:.2f} |")
    print()
    cost = f"{ioctl_ns:.0f} ns" if ioctl_ns is not None else "?"
    print(f"Kernel calls per byte over ppdev, and modelled real time (bus accesses × 1 µs + "
          f"calls × {cost}, the ioctl measured in this run, + the protocol's sleeps):")
    print()
    print("| chip | mode | operation | ppdev calls/byte | floor/byte | ratio | mode switches/byte "
          "| ratio with mode switches | direct calls inside | ppdev time | direct time "
          "| ppdev/direct | same, program's accesses only | ppdev time, fast reads "
          "| ppdev/direct, fast reads |")
    print("| --- | --- | --- | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: "
          "| ---: | ---: | ---: |")
    for line in lines:
        print(line)
    if flat:
        with open(json_path, "w") as f:
            json.dump(flat, f, indent=1, sort_keys=True)
            f.write("\n")


# The goals of sending again with "skip unchanged banks" on the 64M chip
# (8 MiB, Deep Verify, EPP), against 136 s for the plain send.
RESEND_CASES = (("unchanged", 12.0), ("one_bank", 15.0), ("blank_card", 85.0))


def resends(runs, json_path):
    """Sending again with "skip unchanged banks": one table, and the keys
    resend.<chip>.EPP.<case>.modelled_seconds added to the JSON object."""
    flat = {}
    lines = []
    for chip in (4, 16, 64):
        for case, (name, goal) in enumerate(RESEND_CASES):
            b = runs.get(f"BM_Resend/chip:{chip}/case:{case}/iterations:1")
            if not b:
                lines.append(f"| {chip}M | {name} | missing (send_job_bench did not run) | | |")
                continue
            flat[f"resend.{chip}M.EPP.{name}.modelled_seconds"] = b["modelled_hw_s"]
            target = f"under {goal:.0f} s" if chip == 64 else "—"
            lines.append(f"| {chip}M | {name} | {fmt_time(b['modelled_hw_s'])} | "
                         f"{b['banks_written']:.0f} | {target} |")
    print()
    print("Sending again with \"skip unchanged banks\" and Deep Verify, EPP, the chip's whole "
          "capacity (modelled: bus accesses × 1 µs + the protocol's sleeps):")
    print()
    print("| chip | case | modelled time | banks written | goal |")
    print("| --- | --- | ---: | ---: | --- |")
    for line in lines:
        print(line)
    if flat:
        try:
            with open(json_path) as f:
                merged = json.load(f)
        except (OSError, ValueError):
            merged = {}
        merged.update(flat)
        with open(json_path, "w") as f:
            json.dump(merged, f, indent=1, sort_keys=True)
            f.write("\n")


if __name__ == "__main__":
    main()
