#!/usr/bin/env python3
"""How long stations wait behind one whose connection froze while it held the series lock,
with no other fault about: stations of `rfmodctl program` on jigs of rfmod-emu against a
throwaway PostgreSQL, the first through rfmod-faultproxy. After a warm-up the proxy freezes
that station's connection right after its FOR UPDATE was answered, holds it, and thaws it.
Prints, for each station, the longest time between two ok modules around the freeze against
its median time between ok modules (the baseline, same run).

    bench/lock_wait.py BUILD_DIR [--stations 3] [--hold 6] [--warmup 10]
"""
import argparse, datetime, os, re, statistics, subprocess, tempfile, time

HERE = os.path.dirname(os.path.abspath(__file__))
PG = os.path.join(HERE, "..", "scripts", "pg-throwaway.sh")
CONFIG = "[COM]\r\nPort=0\r\nRate=4\r\nVerify=2\r\n[SN]\r\nYear=2026\r\nMonth=12\r\nNO=00099\r\n"
PROFILE = "[Profile]\r\nFormat=1\r\n[Parameters]\r\nChannel=4\r\nRadioId=3\r\n"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--stations", type=int, default=3)
    ap.add_argument("--hold", type=float, default=6.0)
    ap.add_argument("--warmup", type=float, default=10.0)
    a = ap.parse_args()
    b = os.path.abspath(a.build)
    work = tempfile.mkdtemp(prefix="rfmod-lockwait.")
    os.chmod(work, 0o755)
    url = subprocess.run([PG, "start", work + "/pg"], capture_output=True, text=True, check=True).stdout.strip()
    emus, procs = [], []
    try:
        port = int(re.search(r":(\d+)/", url).group(1))
        proxy = subprocess.Popen([b + "/rfmod-faultproxy", "--target", f"127.0.0.1:{port}"], stdin=subprocess.PIPE,
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, bufsize=1)
        proxied = url.replace(f":{port}/", f":{int(proxy.stdout.readline())}/")

        def command(c):
            proxy.stdin.write(c + "\n")
            proxy.stdin.flush()
            return proxy.stdout.readline()

        subprocess.run([b + "/rfmodctl", "--db", url, "db", "init"], cwd=work, check=True, capture_output=True)
        names = [f"S{i}" for i in range(a.stations)]
        for i, name in enumerate(names):
            d = os.path.join(work, name)
            os.makedirs(d)
            open(d + "/Config.ini", "w").write(CONFIG)
            open(d + "/p.ini", "w").write(PROFILE)
            e = subprocess.Popen([b + "/rfmod-emu", "model=35", "--jig", "1000", "--jig-gap", "150", "--link", d + "/jig"],
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            e.stdout.readline()
            emus.append(e)
            procs.append(subprocess.Popen([b + "/rfmodctl", "--db", proxied if i == 0 else url, "--station", name,
                                           "--port", d + "/jig", "--gap", "60", "--timeout", "300", "program",
                                           "--profile", d + "/p.ini", "--sn-next", "--log", d + "/run.csv"],
                                          cwd=d, stderr=subprocess.DEVNULL))
        time.sleep(a.warmup)
        command("freeze-next-after-lock")
        while "frozen=1" not in command("stats"):
            time.sleep(0.02)
        frozen = time.time()
        time.sleep(a.hold)
        command("thaw")
        time.sleep(max(15.0, 2 * a.hold))
        for p in procs:
            p.send_signal(2)
        for p in procs:
            p.wait(30)
        print(f"connection of {names[0]} frozen holding the lock for {a.hold:.1f} s")
        for name in names:
            lines = open(os.path.join(work, name, "run.csv")).read().splitlines()[1:]
            oks = [datetime.datetime.fromisoformat(l.split(",")[0]).timestamp() for l in lines if ",ok," in l]
            gaps = [(t1 - t0, t0) for t0, t1 in zip(oks, oks[1:])]
            around = [g for g, t0 in gaps if t0 <= frozen + a.hold and t0 + g >= frozen]
            print(f"{name}{' (frozen)' if name == names[0] else ''}: {len(oks)} ok, median between ok modules "
                  f"{statistics.median(g for g, _ in gaps):.2f} s, longest around the freeze {max(around, default=0):.2f} s")
    finally:
        for p in procs:
            if p.poll() is None:
                p.kill()
        for e in emus:
            e.kill()
        subprocess.run([PG, "stop", work + "/pg"], capture_output=True)
        subprocess.run(["rm", "-rf", work])


if __name__ == "__main__":
    main()
