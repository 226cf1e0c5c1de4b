#!/usr/bin/env python3
"""The production line under faults, longer than tests/core/tst_production_chaos (not run in
CI): stations of `rfmodctl program`, each on jigs of rfmod-emu, against a throwaway PostgreSQL
behind rfmod-faultproxy. Faults from a seed: stations interrupted (SIGINT) and killed
(SIGKILL) and started again, commit answers dropped, connections frozen and reset, the server
stopped for a while, and a station's connection frozen while it holds the series lock. At the
end every module's number (the jigs' own records) is held against the production record.

    bench/chaos.py BUILD_DIR [--stations 4] [--jigs 2] [--modules 130] [--seed 1] [--hold 6]

Builds nothing: BUILD_DIR holds rfmodctl, rfmod-emu and rfmod-faultproxy. Prints modules
programmed, faults by kind, violations (must be 0) and the longest time a station waited
behind a connection frozen with the lock: the largest gap between two ok modules on one jig of
another station (seen as its --log CSV grows) that overlaps the frozen time; no other fault
is injected from 6 s before until 3 s after. Exits 1 on a violation.
"""
import argparse, collections, json, os, random, re, signal, subprocess, sys, tempfile, threading, time

HERE = os.path.dirname(os.path.abspath(__file__))
PG = os.path.join(HERE, "..", "scripts", "pg-throwaway.sh")
CONFIG = "[COM]\r\nPort=0\r\nRate=4\r\nVerify=2\r\n[SN]\r\nYear=2026\r\nMonth=12\r\nNO=00099\r\n"
PROFILE = "[Profile]\r\nFormat=1\r\n[Parameters]\r\nChannel=4\r\nRadioId=3\r\n"


def ctl(build, cwd, *args, timeout=120):
    p = subprocess.run([os.path.join(build, "rfmodctl"), *args], cwd=cwd, capture_output=True, text=True, timeout=timeout)
    return p.returncode, p.stdout, p.stderr


class Proxy:
    def __init__(self, build, target):
        self.p = subprocess.Popen([os.path.join(build, "rfmod-faultproxy"), "--target", target], stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, bufsize=1)
        self.port = int(self.p.stdout.readline())
        self.events = []  # (monotonic time, line) from its log
        threading.Thread(target=self._log, daemon=True).start()

    def _log(self):
        for line in self.p.stderr:
            self.events.append((time.monotonic(), line.strip()))

    def __call__(self, command):
        self.p.stdin.write(command + "\n")
        self.p.stdin.flush()
        answer = self.p.stdout.readline().strip()
        if not answer.startswith("ok"):
            raise RuntimeError(f"rfmod-faultproxy: {command}: {answer}")
        return answer


def pid_of_client_port(port, pids):
    """The process among `pids` holding the TCP socket with local port `port`."""
    inodes = set()
    for table in ("/proc/net/tcp", "/proc/net/tcp6"):
        try:
            for line in open(table).readlines()[1:]:
                f = line.split()
                if int(f[1].split(":")[1], 16) == port:
                    inodes.add(f[9])
        except OSError:
            pass
    for pid in pids:
        try:
            for fd in os.listdir(f"/proc/{pid}/fd"):
                link = os.readlink(f"/proc/{pid}/fd/{fd}")
                if link.startswith("socket:[") and link[8:-1] in inodes:
                    return pid
        except OSError:
            pass
    return None


class Station:
    def __init__(self, build, work, name, ports, url):
        self.build, self.name, self.url = build, name, url
        self.dir = os.path.join(work, name)
        os.makedirs(self.dir)
        open(os.path.join(self.dir, "Config.ini"), "w").write(CONFIG)
        self.ports, self.csv = ports, os.path.join(self.dir, "run.csv")
        self.proc, self.runs, self.down_since, self.csv_at = None, 0, None, 0
        self.ok_times = collections.defaultdict(list)  # port: when its ok lines appeared

    def start(self):
        args = ["--db", self.url, "--station", self.name]
        for p in self.ports:
            args += ["--port", p]
        args += ["--gap", "60", "--timeout", "300", "program", "--profile", os.path.join(self.dir, "..", "p.ini"),
                 "--sn-next", "--log", self.csv]
        with open(os.path.join(self.dir, "err.txt"), "a") as err:
            self.proc = subprocess.Popen([os.path.join(self.build, "rfmodctl"), *args], cwd=self.dir,
                                         stdout=subprocess.DEVNULL, stderr=err)
        self.runs += 1
        self.down_since = None

    def running(self):
        return self.proc is not None and self.proc.poll() is None

    def watch(self, now):
        """Notes when new ok lines appear in its CSV."""
        try:
            with open(self.csv, "rb") as f:
                f.seek(self.csv_at)
                data = f.read()
        except OSError:
            return
        end = data.rfind(b"\n") + 1
        self.csv_at += end
        for line in data[:end].split(b"\n"):
            if b",ok," in line:
                self.ok_times[line.split(b",")[1]].append(now)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--stations", type=int, default=4)
    ap.add_argument("--jigs", type=int, default=2)
    ap.add_argument("--modules", type=int, default=130, help="modules per jig")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--hold", type=float, default=6.0, help="seconds a connection holding the lock stays frozen")
    a = ap.parse_args()
    build = os.path.abspath(a.build)
    rng = random.Random(a.seed)
    work = tempfile.mkdtemp(prefix="rfmod-chaos-")
    pgdir = os.path.join(work, "pg")
    print(f"seed {a.seed}, work in {work}", flush=True)
    server = subprocess.run([PG, "start", pgdir], capture_output=True, text=True, check=True).stdout.strip().splitlines()[-1]
    procs = []
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))  # the cluster and the programs still go
    try:
        return run(a, build, rng, work, pgdir, server, procs)
    finally:
        for p in procs:
            if p.poll() is None:
                p.kill()
                p.wait()
        subprocess.run([PG, "stop", pgdir])


def run(a, build, rng, work, pgdir, url, procs):
    open(os.path.join(work, "p.ini"), "w").write(PROFILE)
    open(os.path.join(work, "Config.ini"), "w").write(CONFIG)
    rc, _, err = ctl(build, work, "--db", url, "db", "init")
    if rc != 0:
        sys.exit(f"db init: {err}")
    proxy = Proxy(build, re.search(r"@([^/]+)/", url).group(1))
    procs.append(proxy.p)
    via = re.sub(r":\d+/", f":{proxy.port}/", url)

    jigs, records, stations = [], [], []
    for s in range(a.stations):
        ports = []
        for j in range(a.jigs):
            n = len(jigs)
            link, record = os.path.join(work, f"jig{n}"), os.path.join(work, f"jig{n}.txt")
            # A station takes a few seconds to give up on a module pulled mid-programming; a new
            # module in the same state before that is taken for the one still there.
            args = ["model=35", "--link", link, "--jig", str(a.modules), "--jig-gap", "150", "--jig-bad-gap", "5000",
                    "--jig-record", record]
            bad = rng.sample(range(2, a.modules + 1), min(a.modules - 1, 4))
            args += ["--jig-faulty", ",".join(map(str, bad[:2])), "--jig-pull", ",".join(map(str, bad[2:]))]
            p = subprocess.Popen([os.path.join(build, "rfmod-emu"), *args], stdout=subprocess.PIPE,
                                 stderr=subprocess.DEVNULL, text=True)
            p.stdout.readline()
            jigs.append(p)
            procs.append(p)
            records.append(record)
            ports.append(link)
        stations.append(Station(build, work, f"S{s}", ports, via))
    for st in stations:
        st.start()
        procs.append(st.proc)

    def lines(path):
        try:
            return open(path).read().split("\n")[:-1]
        except OSError:
            return []

    def jigs_done():
        return all(len(lines(r)) >= a.modules for r in records)

    faults = collections.Counter()
    stalls = []  # (longest wait of another station, how long the lock was held frozen)
    start = time.monotonic()
    next_fault = start + 3
    pauses_at = [start + 60, start + 240]
    # A lock episode: quiet for a while, then the next connection taking the lock is frozen for
    # --hold seconds; what the other stations wait then is the lock's doing alone.
    thaw_at = resume_at = lock = None  # lock: [armed at, frozen at or None, station holding it]
    lock_next, lock_quiet = start + 30, None
    stalled, progress, moved = [], -1, start
    while not jigs_done():
        now = time.monotonic()
        done = sum(len(lines(r)) for r in records)
        if done != progress:
            progress, moved = done, now
        elif now - moved > 120:
            stalled = [f"no module left a jig for 2 minutes: jigs at {[len(lines(r)) for r in records]} of {a.modules}"]
            break
        for st in stations:
            st.watch(now)
            if not st.running():
                if st.down_since is None:
                    st.down_since = now
                elif now - st.down_since > 0.5:
                    st.start()
                    procs.append(st.proc)
        if thaw_at and now >= thaw_at:
            proxy("thaw")
            thaw_at = None
        if resume_at and now >= resume_at:
            subprocess.run([PG, "resume", pgdir], check=True)
            resume_at = None
        if lock and lock[1] is None:
            for t, line in proxy.events:
                m = re.search(r"client port (\d+).*frozen holding a lock", line)
                if t >= lock[0] and m:
                    pid = pid_of_client_port(int(m.group(1)), [st.proc.pid for st in stations if st.running()])
                    lock[1:] = [t, next((st.name for st in stations if st.proc.pid == pid), None)]
                    break
        if lock and lock[1] is not None and now >= lock[1] + a.hold:
            proxy("thaw")
            lock.append(now)
            locks_done.append(lock)
            lock, next_fault = None, max(next_fault, now + 3)
        busy = thaw_at or resume_at or lock or lock_quiet
        if lock_quiet and now >= lock_quiet:
            proxy("freeze-next-after-lock")
            lock, lock_quiet = [now, None, None], None
            faults["lock frozen"] += 1
        elif not busy and now >= lock_next:
            lock_quiet, lock_next = now + 6, now + 40
        elif not busy and pauses_at and now >= pauses_at[0]:
            pauses_at.pop(0)
            subprocess.run([PG, "pause", pgdir], check=True)
            resume_at = now + rng.uniform(2, 4)
            faults["server stopped"] += 1
        elif not busy and now >= next_fault:
            next_fault = now + rng.uniform(2, 6)
            st = rng.choice(stations)
            kind = rng.choice(["SIGINT", "SIGKILL", "commit answer dropped", "freeze", "reset"])
            if kind in ("SIGINT", "SIGKILL") and st.running():
                st.proc.send_signal(signal.SIGINT if kind == "SIGINT" else signal.SIGKILL)
            elif kind == "commit answer dropped":
                proxy(f"drop-after-commit {rng.randint(1, 2)}")
            elif kind == "freeze":
                proxy("freeze")
                thaw_at = now + rng.uniform(2, 4)
            elif kind == "reset":
                proxy("reset")
            else:
                continue
            faults[kind] += 1
        time.sleep(0.1)
    if lock:  # armed, never taken: a frozen one is let go
        proxy("thaw")
    proxy("drop-after-commit 0")
    proxy("thaw")
    stats = proxy("stats")
    time.sleep(1.5)
    for st in stations:
        st.watch(time.monotonic())

    violations = stalled
    for st in stations:
        if st.running():
            st.proc.send_signal(signal.SIGINT)
            try:
                st.proc.wait(30)
            except subprocess.TimeoutExpired:
                violations.append(f"{st.name} did not end on SIGINT")
                st.proc.kill()
    for p in jigs:
        p.terminate()
        p.wait()
    for st in stations:  # the spill files go in as each station would send them
        ctl(build, st.dir, "--db", via, "db", "check", "--json")
    proxy.p.stdin.close()
    proxy.p.wait()
    rc, out, err = ctl(build, work, "--db", url, "db", "check", "--json")
    if rc not in (0, 1):
        sys.exit(f"db check: {err}")
    if rc == 1:
        violations.append("db check finds duplicates: " + json.dumps(json.loads(out).get("duplicates")))
    check = json.loads(out)
    rc, out, err = ctl(build, work, "--db", url, "history", "--json", "--limit", "100000")
    if rc != 0:
        sys.exit(f"history: {err}")
    history = json.loads(out)
    for st in stations:
        spill = os.path.join(st.dir, "production-spill.jsonl")
        if os.path.exists(spill) and open(spill).read().strip():
            violations.append(f"{st.name}: records left in the spill file")

    key = lambda y, m, s: f"{int(y)}-{int(m):02d}-{int(s):05d}"
    unconfirmed = {key(u["year"], u["month"], u["serial_number"]) for u in check.get("unconfirmed", [])}
    ok, ids = collections.Counter(), collections.Counter()
    for r in history:
        ids[r.get("id")] += 1
        if r.get("result") == "ok":
            ok[key(r["year"], r["month"], r["serial_number"])] += 1
    violations += [f"record id {i} {n} times" for i, n in ids.items() if n > 1 or not i]
    violations += [f"{k}: {n} ok records" for k, n in ok.items() if n > 1]
    carried, modules = {}, 0
    for r in records:
        for line in lines(r):
            modules += 1
            i, model, y, m, s = line.split()
            if (model, y, m) != ("35", "26", "12"):
                continue  # never numbered (a faulty module keeps its own)
            k, who = key(2000 + int(y), m, s), f"{os.path.basename(r)[:-4]} module {i}"
            if k in carried:
                violations.append(f"{k} on two modules: {carried[k]} and {who}")
            carried[k] = who
            if ok[k] != 1 and k not in unconfirmed:
                violations.append(f"{who} carries {k}: {ok[k]} ok records, not unconfirmed")

    print(f"modules {modules}, numbered {len(carried)}, programmed ok {sum(ok.values())}, records {len(history)}, "
          f"unconfirmed {len(unconfirmed)}, station runs {[st.runs for st in stations]}, "
          f"{time.monotonic() - start:.0f} s")
    print(f"proxy: {stats}")
    for kind, n in sorted(faults.items()):
        print(f"fault {kind}: {n}")
    for armed, frozen, holder, thawed in locks_done:
        waits = []
        for st in stations:
            for t in st.ok_times.values() if st.name != holder else []:
                waits += [b - a for a, b in zip(t, t[1:]) if a < thawed and b > frozen]
        stalls.append((max(waits, default=0), thawed - frozen))
        print(f"lock frozen at {frozen - start:.0f} s held by {holder} for {thawed - frozen:.1f} s: "
              f"the others waited up to {stalls[-1][0]:.1f} s")
    gaps = sorted(b - a for st in stations for t in st.ok_times.values() for a, b in zip(t, t[1:]))
    if stalls:
        worst = max(stalls)
        print(f"lock frozen {len(stalls)} times for {a.hold:.0f} s; longest a station waited behind it: "
              f"{worst[0]:.1f} s (held {worst[1]:.1f} s; a jig's median time between ok modules "
              f"{gaps[len(gaps) // 2] if gaps else 0:.1f} s)")
    else:
        print("lock frozen: never taken")
    for v in violations:
        print("VIOLATION:", v)
    print(f"violations {len(violations)}")
    return 1 if violations else 0


locks_done = []  # [armed, frozen, station holding it, thawed]

if __name__ == "__main__":
    sys.exit(main())
