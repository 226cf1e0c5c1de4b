#!/usr/bin/env python3
"""The production station window against rfmodctl program on the same jigs, in the same run:
modules a minute with 1 and 8 jigs (rfmod-emu jigs that put a module on the line, take it
away once it has been read back, and put the next after the jig gap), the window's CPU, and
its longest event-loop stall. Each count of jigs runs the window, then rfmodctl, on fresh
jigs; the figures last.

    bench/station_bench.py [--build build] [--modules 6] [--gap-ms 1500] [--jigs 1,8]
"""
import argparse, json, os, resource, subprocess, sys, tempfile, time

PROFILE = ("[Profile]\r\nFormat=1\r\n[Parameters]\r\nChannel=4\r\nAirRate=9600\r\nSerialBaud=9600\r\n"
           "SerialParity=none\r\nRadioId=3\r\n")

def jigs(build, n, modules, gap_ms, work, tag):
    emus, links = [], []
    for i in range(n):
        link = os.path.join(work, f"{tag}{n}_{i}")
        p = subprocess.Popen([os.path.join(build, "rfmod-emu"), "model=35", "--link", link, "--jig", str(modules),
                              "--jig-gap", str(gap_ms)], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        p.stdout.readline()
        emus.append(p)
        links.append(link)
    return emus, links

def timed(cmd, cwd, log, env=None):
    """Wall and CPU seconds of the whole run, and the CPU share of a core while modules were
    being done (from the first line of the log to the end: start-up not counted)."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    p = subprocess.Popen(cmd, cwd=cwd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    tick = os.sysconf("SC_CLK_TCK")
    first = last = None
    while p.poll() is None:
        try:
            with open(f"/proc/{p.pid}/stat") as st:
                fields = st.read().rsplit(")", 1)[1].split()
            sample = (time.monotonic(), (int(fields[11]) + int(fields[12])) / tick)
            if first is None and os.path.exists(log) and ok_lines(log) > 0:
                first = sample
            last = sample
        except (OSError, IndexError):
            pass
        time.sleep(0.1)
    wall = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    steady = 100 * (last[1] - first[1]) / (last[0] - first[0]) if first and last and last[0] > first[0] else float("nan")
    return wall, (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime), steady

def ok_lines(csv):
    with open(csv) as f:
        return sum(1 for line in f if ",ok," in line)

def run(build, n, modules, gap_ms, work):
    out = {}
    # The window: the set-up in [Station], started at once, ended once every jig is done.
    emus, links = jigs(build, n, modules, gap_ms, work, "w")
    d = os.path.join(work, f"window{n}")
    os.makedirs(d, exist_ok=True)
    log, stall = os.path.join(d, "run.csv"), os.path.join(d, "stall.json")
    ports = "".join(f"COM{i + 1}={l}\r\n" for i, l in enumerate(links))
    with open(os.path.join(d, "Config.ini"), "w") as f:
        f.write("[COM]\r\nPort=0\r\nRate=4\r\nVerify=2\r\n[SN]\r\nYear=2026\r\nMonth=12\r\nNO=00000\r\n[Ports]\r\n" + ports +
                f"[Station]\r\nProfile={os.path.join(work, 'p.ini')}\r\nPorts={','.join(str(i + 1) for i in range(n))}\r\n"
                f"Gap=60\r\nTimeout=300\r\nNumbered=1\r\nLog={log}\r\n")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", RFMOD_STALL_REPORT=stall)
    wall, cpu, steady = timed([os.path.join(build, "rfmodtool"), "--production", "--start", "--count", str(modules),
                               "--quit-when-done"], d, log, env)
    for p in emus:
        p.terminate(); p.wait()
    with open(stall) as f:
        out["window"] = (ok_lines(log), wall, cpu, steady, json.load(f)["longest_stall_ms"])
    # rfmodctl program on fresh jigs of the same kind.
    emus, links = jigs(build, n, modules, gap_ms, work, "c")
    d = os.path.join(work, f"ctl{n}")
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "Config.ini"), "w") as f:
        f.write("[COM]\r\nPort=0\r\nRate=4\r\nVerify=2\r\n[SN]\r\nYear=2026\r\nMonth=12\r\nNO=00000\r\n")
    log = os.path.join(d, "run.csv")
    args = sum((["--port", l] for l in links), [])
    wall, cpu, steady = timed([os.path.join(build, "rfmodctl")] + args +
                              ["--gap", "60", "--timeout", "300", "program", "--profile", os.path.join(work, "p.ini"),
                               "--sn-next", "--count", str(modules), "--log", log], d, log)
    for p in emus:
        p.terminate(); p.wait()
    out["rfmodctl"] = (ok_lines(log), wall, cpu, steady, None)
    return out

def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build")
    ap.add_argument("--modules", type=int, default=6)
    ap.add_argument("--gap-ms", type=int, default=1500)
    ap.add_argument("--jigs", default="1,8")
    a = ap.parse_args()
    build = os.path.abspath(a.build)
    work = tempfile.mkdtemp(prefix="rfmod-station-")
    with open(os.path.join(work, "p.ini"), "w") as f:
        f.write(PROFILE)
    rates = {}
    for n in [int(x) for x in a.jigs.split(",")]:
        r = run(build, n, a.modules, a.gap_ms, work)
        for who, (ok, wall, cpu, steady, stall) in r.items():
            rate = ok / wall * 60
            rates[(who, n)] = rate
            line = (f"{who} jigs={n} modules={ok}/{n * a.modules} wall_s={wall:.1f} modules_per_minute={rate:.1f} "
                    f"cpu_percent_of_a_core={100 * cpu / wall:.2f} while_programming={steady:.2f}")
            if stall is not None:
                line += f" longest_event_loop_stall_ms={stall:.1f}"
            print(line, flush=True)
    print(f"jig gap {a.gap_ms} ms, {a.modules} modules a jig, --gap 60 --timeout 300 (window: [Station] Gap, Timeout)")
    ns = sorted({n for _, n in rates})
    for n in ns:
        w, c = rates[("window", n)], rates[("rfmodctl", n)]
        line = f"jigs={n} window_vs_rfmodctl={w / c:.3f}"
        if n != ns[0]:
            line += (f" window_ratio_to_{ns[0]}={w / rates[('window', ns[0])]:.2f}"
                     f" rfmodctl_ratio_to_{ns[0]}={c / rates[('rfmodctl', ns[0])]:.2f}")
        print(line)

if __name__ == "__main__":
    sys.exit(main())
