"""The centre under attack, against the running centre: a huge body or head is refused without
being held, stalled connections neither hold descriptors nor block others (under a low descriptor
limit), a removed or changed user's session ends, the files it makes are private under umask 022,
a foreign Host is refused, outside text cannot forge a log line, a bad broker password file."""
import os, re, resource, socket, stat, subprocess, sys, tempfile, time, unittest
sys.path.insert(0, os.path.dirname(__file__))
import harness
from harness import wait_for


def proc(pid, what):
    if what == "fds":
        return len(os.listdir("/proc/%d/fd" % pid))
    return int(re.search(r"VmRSS:\s+(\d+)", open("/proc/%d/status" % pid).read()).group(1))   # KiB


def exchange(port, head, body_bytes=0, seconds=20):
    """Sends head, then up to body_bytes of filler while the centre does not answer; its answer."""
    s = socket.create_connection(("127.0.0.1", port), timeout=seconds)
    s.sendall(head)
    s.settimeout(0.05)
    sent, end, answer = 0, time.time() + seconds, b""
    try:
        while sent < body_bytes and time.time() < end and not answer:
            try:
                sent += s.send(b"x" * 65536)
            except socket.timeout:
                pass
            try:
                answer = s.recv(4096)
            except socket.timeout:
                pass
        s.settimeout(5)
        answer = answer or s.recv(4096)
    except OSError:
        pass
    s.close()
    return answer


class Attack(unittest.TestCase):
    def chain(self, **kw):
        c = harness.Chain()
        self.addCleanup(c.close)
        c.start_centre(**kw)
        return c

    def test_limits_under_64_descriptors(self):
        c = self.chain(preexec=lambda: resource.setrlimit(resource.RLIMIT_NOFILE, (64, 64)))
        pid, host = c.centre.pid, b"Host: 127.0.0.1:%d\r\n" % c.http
        rss = proc(pid, "rss")
        big = exchange(c.http, b"POST /api/login HTTP/1.1\r\n" + host + b"Content-Type: application/json\r\n"
                       b"Content-Length: 209715200\r\n\r\n", 200 * 1024 * 1024)
        self.assertTrue(big.startswith(b"HTTP/1.1 413"), big[:60])
        head = exchange(c.http, b"GET / HTTP/1.1\r\n" + host + b"X-Long: ", 48 * 1024 * 1024)
        self.assertTrue(head.startswith(b"HTTP/1.1 431"), head[:60])
        self.assertLess(proc(pid, "rss") - rss, 8 * 1024)

        # A hundred connections stalled mid-request: the rest are refused at once, the
        # descriptors never run out, the broker link holds, and the stalled ones are closed.
        s = c.login("alice")
        fds = proc(pid, "fds")
        stalled = [socket.create_connection(("127.0.0.1", c.http)) for _ in range(100)]
        self.addCleanup(lambda: [k.close() for k in stalled])
        for k in stalled:
            k.sendall(b"GET /api/boards HTTP/1.1\r\n")
        time.sleep(1)
        self.assertLess(proc(pid, "fds"), 60)
        wait_for(lambda: proc(pid, "fds") <= fds + 2, 15, "the stalled connections closed")
        self.assertEqual(c.request("/api/boards", session=s)[1]["broker"]["connected"], True)
        self.assertNotIn("Too many open files", open(c.centre.log).read())

    def test_sessions_end_with_their_user(self):
        c = self.chain()
        alice, victor = c.login("alice"), c.login("victor")
        user = [harness.CENTRE, "user"]
        subprocess.run(user + ["add", "victor", "--role", "publisher"] + c.db_args, input=b"another-secret", check=True,
                       stdout=subprocess.DEVNULL)
        subprocess.run(user + ["remove", "alice"] + c.db_args, check=True)
        self.assertEqual(c.request("/api/session", session=victor)[0], 401)
        self.assertEqual(c.request("/api/session", session=alice)[0], 401)

    def test_private_files_under_umask_022(self):
        home = tempfile.mkdtemp(prefix="tablo-umask-")
        self.addCleanup(subprocess.run, ["rm", "-rf", home])
        env = dict(os.environ, XDG_STATE_HOME=home)
        subprocess.run([harness.CENTRE, "user", "add", "anna", "--role", "viewer"], input=b"secret-anna", env=env,
                       preexec_fn=lambda: os.umask(0o022), check=True, stdout=subprocess.DEVNULL)
        made = [os.path.join(home, "tablo-centre")] + [os.path.join(home, "tablo-centre", f)
                                                       for f in os.listdir(os.path.join(home, "tablo-centre"))]
        self.assertGreater(len(made), 1)
        for path in made:
            self.assertEqual(stat.S_IMODE(os.stat(path).st_mode) & 0o077, 0, path)

    def test_host_log_and_lockout(self):
        c = self.chain(extra=["--public-name", "tablo.example"])
        self.assertEqual(c.request("/api/words", headers={"Host": "evil.example:%d" % c.http})[0], 421)
        self.assertEqual(c.request("/api/words", headers={"Host": "tablo.example:%d" % c.http})[0], 200)
        self.assertEqual(c.request("/api/words")[0], 200)
        forged = "x\n2030-01-01T00:00:00 login: anna (publisher) from 10.0.0.1"
        self.assertEqual(c.request("/api/login", {"user": forged, "password": "wrong-one"})[0], 401)
        # A failure locks out that name from that address, not every user there.
        self.assertEqual(c.request("/api/login", {"user": "alice", "password": "wrong-one"})[0], 401)
        self.assertEqual(c.request("/api/login", {"user": "alice", "password": c.password["alice"]})[0], 429)
        c.login("victor")
        lines = open(c.centre.log).read().splitlines()
        self.assertFalse([l for l in lines if "login: anna" in l and "failed" not in l], lines)
        self.assertTrue([l for l in lines if 'failed login for "x\\n2030' in l], lines)

    def test_broker_password_file(self):
        c = harness.Chain()
        self.addCleanup(c.close)
        empty = harness.write(os.path.join(c.dir, "empty.pw"), "\n")
        shared = harness.write(os.path.join(c.dir, "shared.pw"), "pw-monitor\n", 0o644)
        base = [harness.CENTRE, "--broker", "127.0.0.1:%d" % c.port, "--db", os.path.join(c.dir, "c.sqlite"),
                "--listen", "127.0.0.1:%d" % harness.free_port(), "--monitor-user", "monitor", "--monitor-password-file"]
        r = subprocess.run(base + [empty], stderr=subprocess.PIPE, timeout=20)
        self.assertNotEqual(r.returncode, 0)
        self.assertIn(b"holds no password", r.stderr)
        p = c.spawn(base + [shared], "shared")
        wait_for(lambda: "readable by other users" in open(p.log).read(), 20, "the warning")


if __name__ == "__main__":
    unittest.main()
