#!/usr/bin/env python3
"""Modules programmed per minute by `rfmodctl program` on 1, 2, 4 and 8 ports, against
rfmod-emu jigs that put modules on the line one after another (a module goes once it has been
read back, the next comes after the jig gap, as an operator would swap them). Prints, per
number of ports, the rate, its ratio to one port, CPU and peak memory per port, and where the
time went; the figures last.

    bench/program_bench.py [--build build] [--modules 6] [--gap-ms 1500] [--ports 1,2,4,8]
"""
import argparse, os, re, resource, subprocess, sys, tempfile, time

def run(build, ports, modules, gap_ms, work):
    emus, args = [], []
    for i in range(ports):
        link = os.path.join(work, f"jig{ports}_{i}")
        p = subprocess.Popen([os.path.join(build, "rfmod-emu"), "model=35", "--link", link, "--jig", str(modules),
                              "--jig-gap", str(gap_ms)], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        p.stdout.readline()
        emus.append(p)
        args += ["--port", link]
    with open(os.path.join(work, "Config.ini"), "w") as f:
        f.write("[COM]\r\nPort=0\r\nRate=4\r\nVerify=2\r\n[SN]\r\nYear=2026\r\nMonth=12\r\nNO=00000\r\n")
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    ctl = subprocess.Popen([os.path.join(build, "rfmodctl")] + args +
                           ["--gap", "60", "--timeout", "300", "program", "--profile", os.path.join(work, "p.ini"),
                            "--sn-next", "--count", str(modules), "--log", os.path.join(work, f"run{ports}.csv")],
                           cwd=work, stdout=subprocess.DEVNULL, stderr=open(os.path.join(work, f"ctl{ports}.log"), "w"))
    peak = 0 # rfmodctl's own resident memory, sampled
    while ctl.poll() is None:
        try:
            with open(f"/proc/{ctl.pid}/status") as st:
                for line in st:
                    if line.startswith("VmRSS:"):
                        peak = max(peak, int(line.split()[1]))
        except OSError:
            pass
        time.sleep(0.1)
    with open(os.path.join(work, f"ctl{ports}.log")) as log:
        stderr = log.read()
    wall = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    for p in emus:
        p.terminate()
        p.wait()
    summary = stderr.strip().splitlines()[-1]
    ok = int(re.search(r"programmed (\d+)", summary).group(1))
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return ok, wall, cpu, peak, summary

def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build")
    ap.add_argument("--modules", type=int, default=6)
    ap.add_argument("--gap-ms", type=int, default=1500)
    ap.add_argument("--ports", default="1,2,4,8")
    a = ap.parse_args()
    build = os.path.abspath(a.build)
    work = tempfile.mkdtemp(prefix="rfmod-program-")
    with open(os.path.join(work, "p.ini"), "w") as f:
        f.write("[Profile]\r\nFormat=1\r\n[Parameters]\r\nChannel=4\r\nAirRate=9600\r\nSerialBaud=9600\r\n"
                "SerialParity=none\r\nRadioId=3\r\n")
    results = []
    for n in [int(x) for x in a.ports.split(",")]:
        ok, wall, cpu, rss, summary = run(build, n, a.modules, a.gap_ms, work)
        rate = ok / wall * 60
        results.append((n, ok, wall, rate, cpu, rss))
        print(f"{n} port(s): {ok} of {n * a.modules} modules in {wall:.1f} s = {rate:.1f} a minute; "
              f"CPU (rfmodctl and emulators) {cpu:.2f} s; {summary}", flush=True)
    base = results[0][3]
    print(f"jig gap {a.gap_ms} ms, {a.modules} modules a port, rfmodctl --gap 60 --timeout 300")
    for n, ok, wall, rate, cpu, rss in results:
        print(f"ports={n} modules_per_minute={rate:.1f} ratio_to_one_port={rate / base:.2f} "
              f"cpu_percent_per_port={100 * cpu / wall / n:.2f} rfmodctl_peak_rss_kib={rss} "
              f"rss_kib_per_port={rss / n:.0f}")

if __name__ == "__main__":
    sys.exit(main())
