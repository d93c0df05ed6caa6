"""bench_centre: N simulated boards (replies paced at 9600 Bd) with their bridges on one broker and
tablo-centre. Publishes a group set through the centre's API ROUNDS times and measures from the
send until the centre has every board's verified result; the centre's CPU per result and its
memory. Prints figures, asserts nothing about time.

    build/bench/bench_centre [N] [ROUNDS]"""
import os, statistics, sys, time
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "centre"))
import harness

N = int(sys.argv[1]) if len(sys.argv) > 1 else 200
ROUNDS = int(sys.argv[2]) if len(sys.argv) > 2 else 5
TICK = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def rss_mb(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024


def main():
    ids = ["b%03d" % k for k in range(1, N + 1)]
    t = time.time()
    chain = harness.Chain([(b, "all") for b in ids], sim_options=["--pace"])   # replies at the wire's pace
    try:
        chain.start_centre()
        s = chain.login("alice")
        harness.wait_for(lambda: sum(b["online"] for b in chain.request("/api/boards", session=s)[1]["boards"]) == N,
                         600, "%d boards online" % N)
        print("N = %d boards: started in %.1f s" % (N, time.time() - t))
        pid = chain.centre.pid
        cpu0, rss0 = cpu_seconds(pid), rss_mb(pid)
        times = []
        for r in range(ROUNDS):
            figures = ["%d.%04d" % (2 + r, k) for k in range(1, 9)]
            start = time.time()
            status, sent = chain.request("/api/send", {"target": "group:all", "figures": figures}, session=s)
            assert status == 202, sent
            harness.wait_for(lambda: chain.request("/api/sends/" + sent["id"], session=s)[1]["verified"] == N, 600,
                             "round %d verified" % r, 0.02)
            times.append((time.time() - start) * 1000)
            time.sleep(1)
        cpu = cpu_seconds(pid) - cpu0
        print("send to the last verified result: median %.1f ms, maximum %.1f ms (%d rounds)"
              % (statistics.median(times), max(times), ROUNDS))
        print("centre CPU per board result: %.2f ms (%.2f s for %d results with their state messages and polling)"
              % (cpu * 1000 / (N * ROUNDS), cpu, N * ROUNDS))
        print("centre memory: %.1f MB resident with %d boards (%.1f MB before the sends)" % (rss_mb(pid), N, rss0))
    finally:
        chain.close()


if __name__ == "__main__":
    main()
