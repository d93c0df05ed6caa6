"""A real chain on this machine for the centre's tests and benchmark: a Mosquitto broker on
127.0.0.1 (password file and ACL as in the README), board simulators with their bridges
(tablo-cli mqtt) and tablo-centre, each on a free port in a temporary folder."""
import atexit, json, os, shutil, socket, ssl, subprocess, tempfile, time, urllib.request, urllib.error, http.cookiejar

CLI = os.environ.get("TABLO_CLI", "build/tablo-cli")
SIM = os.environ.get("TABLO_BOARD_SIM", "build/tools/board_sim/tablo-board-sim")
CENTRE = os.environ.get("TABLO_CENTRE", "build/tablo-centre")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(check, timeout=60, what="condition", interval=0.1):
    end = time.time() + timeout
    while time.time() < end:
        value = check()
        if value:
            return value
        time.sleep(interval)
    raise AssertionError("timed out waiting for " + what)


def write(path, text, mode=0o600):
    with open(path, "w") as f:
        f.write(text)
    os.chmod(path, mode)
    return path


class Chain:
    """tls: the broker, the bridges and the page over TLS with one throw-away certificate for 127.0.0.1;
    broker_conf: more lines of the broker's configuration."""

    def __init__(self, boards=(), sim_options=(), tls=False, broker_conf=""):
        self.dir = tempfile.mkdtemp(prefix="tablo-centre-")
        self.tls = []
        self.context = None
        if tls:
            cert, key = os.path.join(self.dir, "cert.pem"), os.path.join(self.dir, "key.pem")
            subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1",
                            "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", key, "-out", cert],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.tls = ["--tls-ca", cert]
            self.context = ssl.create_default_context(cafile=cert)
        self.procs = []
        atexit.register(self.close)
        self.port = free_port()
        self.boards = {}
        self.password = {}
        users = ["admin", "monitor", "publisher"] + [b for b, _ in boards]
        pw = os.path.join(self.dir, "passwd")
        write(pw, "")
        for u in users:
            self.password[u] = "pw-" + u
            subprocess.run(["mosquitto_passwd", "-b", pw, u, self.password[u]], check=True)
        acl = ("user admin\ntopic readwrite tablo/#\n\nuser monitor\ntopic read tablo/#\n\n"
               "user publisher\ntopic write tablo/+/figures/set\ntopic write tablo/group/+/figures/set\n\n")
        for t in ("figures/set", "brightness/set", "lighting/set", "clock/set"):
            acl += "pattern read tablo/%u/" + t + "\n"
        for t in ("result", "state", "status", "events", "board", "info"):
            acl += "pattern write tablo/%u/" + t + "\n"
        for b, group in boards:
            acl += "\nuser %s\ntopic read tablo/group/%s/figures/set\n" % (b, group)
        write(os.path.join(self.dir, "acl"), acl)
        conf = "listener %d 127.0.0.1\nallow_anonymous false\npassword_file %s\nacl_file %s\nmax_connections -1\n" % (
            self.port, pw, os.path.join(self.dir, "acl"))
        if tls:
            conf += "certfile %s\nkeyfile %s\n" % (cert, key)
        conf += broker_conf
        if os.getuid() == 0:
            conf += "user root\n"
        write(os.path.join(self.dir, "mosquitto.conf"), conf)
        self.start_broker()
        for b, group in boards:
            self.add_board(b, group, sim_options)

    def start_broker(self):
        broker = shutil.which("mosquitto") or "/usr/sbin/mosquitto"
        self.broker = self.spawn([broker, "-c", os.path.join(self.dir, "mosquitto.conf")], "broker")
        wait_for(lambda: self.pub("probe", "x", check=False) == 0, 30, "the broker")

    def stop_broker(self):
        self.broker.terminate()
        self.broker.wait(10)
        self.procs.remove(self.broker)

    def spawn(self, args, name, **kw):
        log = open(os.path.join(self.dir, name + ".log"), "ab")
        p = subprocess.Popen(args, stdout=log, stderr=subprocess.STDOUT, **kw)
        p.log = log.name
        self.procs.append(p)
        return p

    def pub(self, topic, payload, retain=False, user="admin", check=True):
        args = ["mosquitto_pub", "-h", "127.0.0.1", "-p", str(self.port), "-u", user, "-P", self.password[user],
                "-q", "1", "-t", topic, "-m", payload] + (["-r"] if retain else []) + (["--cafile", self.tls[1]] if self.tls else [])
        rc = subprocess.run(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
        assert rc == 0 or not check, "mosquitto_pub failed on " + topic
        return rc

    def retained(self, topic, user="admin"):
        """The JSON kept at the broker on topic, or None."""
        args = ["mosquitto_sub", "-h", "127.0.0.1", "-p", str(self.port), "-u", user, "-P", self.password[user],
                "-t", topic, "-C", "1", "-W", "2"] + (["--cafile", self.tls[1]] if self.tls else [])
        out = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
        try:
            return json.loads(out)
        except ValueError:
            return None

    def add_board(self, board, group, sim_options=()):
        d = os.path.join(self.dir, board)
        os.mkdir(d)
        sim = subprocess.Popen([SIM, "--quit-on-eof"] + list(sim_options), stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.procs.append(sim)
        line = sim.stdout.readline().decode()
        assert line.startswith("PORT "), line
        write(os.path.join(d, "ini"), "[Settings]\r\nPort_Number=%s\r\nAttempts=2\r\nTimeout_for_command=2000\r\n"
                                      "Manage_Checksumms=0\r\n" % line.split()[1])
        write(os.path.join(d, "pw"), self.password[board] + "\n")
        b = {"sim": sim, "group": group, "dir": d}
        self.boards[board] = b
        self.start_bridge(board)
        return b

    def start_bridge(self, board):
        b = self.boards[board]
        b["bridge"] = self.spawn([CLI, "mqtt", "--broker", "127.0.0.1:%d" % self.port, "--id", board, "--group", b["group"],
                                  "--user", board, "--password-file", os.path.join(b["dir"], "pw"),
                                  "--settings", os.path.join(b["dir"], "ini"), "--state-dir", os.path.join(b["dir"], "state")]
                                 + self.tls, "bridge-" + board)

    def sim_control(self, board, command):
        sim = self.boards[board]["sim"]
        sim.stdin.write((command + "\n").encode())
        sim.stdin.flush()

    def start_centre(self, db=None, users=(("alice", "publisher"), ("victor", "viewer")), extra=(), env=None, preexec=None):
        self.http = free_port()
        self.db = db or os.path.join(self.dir, "centre.sqlite")
        self.db_args = ["--db", self.db] + list(extra)
        page_tls = ["--tls-cert", self.tls[1], "--tls-key", os.path.join(self.dir, "key.pem")] if self.tls else []
        for name, role in users:
            self.password[name] = "secret-" + name
            subprocess.run([CENTRE, "user", "add", name, "--role", role] + self.db_args, input=self.password[name].encode(),
                           check=True, stdout=subprocess.DEVNULL, env=env)
        for u in ("monitor", "publisher"):
            write(os.path.join(self.dir, u + ".pw"), self.password[u] + "\n")
        self.centre = self.spawn([CENTRE, "--broker", "127.0.0.1:%d" % self.port, "--listen", "127.0.0.1:%d" % self.http,
                                  "--monitor-user", "monitor", "--monitor-password-file", os.path.join(self.dir, "monitor.pw"),
                                  "--publisher-user", "publisher",
                                  "--publisher-password-file", os.path.join(self.dir, "publisher.pw")] + self.db_args
                                 + self.tls + page_tls,
                                 "centre", env=env, preexec_fn=preexec)
        self.url = "%s://127.0.0.1:%d" % ("https" if self.tls else "http", self.http)
        wait_for(lambda: self.request("/api/session")[0] == 401, 30, "the centre's page")

    def stop_centre(self):
        self.centre.terminate()
        self.centre.wait(30)
        self.procs.remove(self.centre)

    def request(self, path, body=None, session=None, csrf=True, headers=None):
        """(status, JSON or text) of a request; session is a Session or None."""
        h = dict(headers or {})
        data = None
        if body is not None:
            data = json.dumps(body).encode()
            h.setdefault("Content-Type", "application/json")
            if session and csrf:
                h["X-CSRF-Token"] = session.csrf
        req = urllib.request.Request(self.url + path, data=data, headers=h, method="POST" if body is not None else "GET")
        opener = session.opener if session else urllib.request.build_opener(urllib.request.HTTPSHandler(context=self.context))
        try:
            with opener.open(req, timeout=30) as r:
                status, text = r.status, r.read().decode()
        except urllib.error.HTTPError as e:
            status, text = e.code, e.read().decode()
        except (urllib.error.URLError, ConnectionError):
            return 0, None
        try:
            return status, json.loads(text)
        except ValueError:
            return status, text

    def login(self, user):
        s = Session(self.context)
        status, body = self.request("/api/login", {"user": user, "password": self.password[user]}, session=s)
        assert status == 200, (status, body)
        s.csrf = body["csrf"]
        return s

    def board(self, session, board):
        for b in self.request("/api/boards", session=session)[1]["boards"]:
            if b["id"] == board:
                return b
        return None

    def close(self):
        procs, self.procs = self.procs, []
        for p in reversed(procs):
            if p.poll() is None:
                p.terminate()
        for p in reversed(procs):
            try:
                p.wait(10)
            except subprocess.TimeoutExpired:
                p.kill()
        if not os.environ.get("TABLO_KEEP"):
            shutil.rmtree(self.dir, ignore_errors=True)


def fill_send_form(web, target, figures):
    """In the page (a Selenium webdriver): the send tab, the form filled with target and figures
    and checked; the preview follows."""
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import Select
    web.find_element(By.CSS_SELECTOR, '#tabs [data-tab="send"]').click()
    form = web.find_element(By.CSS_SELECTOR, "form#send")
    Select(form.find_element(By.NAME, "target")).select_by_value(target)
    for k in range(1, 11):
        box = form.find_element(By.NAME, "figure%d" % k)
        box.clear()
        if k <= len(figures):
            box.send_keys(figures[k - 1])
    form.find_element(By.ID, "check").click()


class Session:
    def __init__(self, context=None):
        self.jar = http.cookiejar.CookieJar()
        self.opener = urllib.request.build_opener(urllib.request.HTTPCookieProcessor(self.jar),
                                                  urllib.request.HTTPSHandler(context=context))
        self.csrf = ""


class Postgres:
    """A throw-away PostgreSQL cluster in a temporary folder, on 127.0.0.1 and a Unix socket there,
    run as the user postgres when this is root. `url` and `password_file` are the centre's."""

    def __init__(self):
        import glob
        bins = sorted(glob.glob("/usr/lib/postgresql/*/bin/initdb"))
        if not bins:
            raise unittest_skip("no PostgreSQL server (Debian package postgresql)")
        self.bin = os.path.dirname(bins[-1])
        self.dir = tempfile.mkdtemp(prefix="tablo-pg-")
        os.chmod(self.dir, 0o755)
        self.as_user = []
        if os.getuid() == 0:
            import pwd
            try:
                owner = pwd.getpwnam("postgres")
            except KeyError:
                raise unittest_skip("running as root and there is no user postgres to run the server")
            os.chown(self.dir, owner.pw_uid, owner.pw_gid)
            self.as_user = ["runuser", "-u", "postgres", "--"]
        self.port = free_port()
        self.run("initdb", "-D", self.dir + "/data", "-U", "postgres", "--auth-local=trust", "--auth-host=scram-sha-256")
        self.run("pg_ctl", "-D", self.dir + "/data", "-l", self.dir + "/log", "-w", "-o",
                 "-p %d -k %s -c listen_addresses=127.0.0.1" % (self.port, self.dir), "start")
        self.started = True
        self.run("psql", "-h", self.dir, "-p", str(self.port), "-U", "postgres", "-q", "-c",
                 "CREATE ROLE tablo LOGIN PASSWORD 'pg-secret'", "-c", "CREATE DATABASE tablo OWNER tablo")
        self.url = "postgresql://tablo@127.0.0.1:%d/tablo" % self.port
        self.password_file = write(os.path.join(tempfile.mkdtemp(prefix="tablo-pgpw-"), "pw"), "pg-secret\n")

    def run(self, program, *args):
        subprocess.run(self.as_user + [os.path.join(self.bin, program)] + list(args), check=True, cwd="/",
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)

    def close(self):
        if getattr(self, "started", False):
            self.started = False
            self.run("pg_ctl", "-D", self.dir + "/data", "-m", "fast", "-w", "stop")
        shutil.rmtree(self.dir, ignore_errors=True)


def unittest_skip(why):
    import unittest
    return unittest.SkipTest(why)
