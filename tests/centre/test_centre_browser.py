"""tablo-centre in headless Chromium (Selenium and chromedriver) against a real broker, board
simulators and their bridges: login, tiles, a group set verified on every tile, a board that
reads back other figures, a killed bridge, resending, history, audit, what is refused, an answer
given while the centre was stopped, and the page while the centre has lost the broker."""
import glob
import os, shutil, signal, sys, tempfile, unittest
sys.path.insert(0, os.path.dirname(__file__))
import harness
from harness import wait_for
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select

N = int(os.environ.get("TABLO_CENTRE_BOARDS", "5"))
TLS = os.environ.get("TABLO_CENTRE_TLS") == "1"   # the broker and the page over TLS
ARTIFACTS = os.environ.get("TABLO_CENTRE_ARTIFACTS", "build/centre-artifacts")
IDS = ["office-%d" % k for k in range(1, N + 1)]


class CentreInBrowser(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.chain = harness.Chain([(b, "tbilisi") for b in IDS], tls=TLS)
        cls.addClassCleanup(cls.chain.close)
        cls.chain.start_centre()
        os.makedirs(ARTIFACTS, exist_ok=True)
        cls.profile = tempfile.mkdtemp(prefix="tablo-chromium-")
        o = webdriver.ChromeOptions()
        o.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
        for a in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                  "--disable-background-networking", "--disable-component-update", "--disable-sync",
                  "--window-size=1400,1000", "--user-data-dir=" + cls.profile) + (("--ignore-certificate-errors",) if TLS else ()):
            o.add_argument(a)
        cls.web = webdriver.Chrome(service=Service(shutil.which("chromedriver") or "/usr/bin/chromedriver"), options=o)

    @classmethod
    def tearDownClass(cls):
        cls.web.quit()
        shutil.rmtree(cls.profile, ignore_errors=True)

    def shot(self, name):
        self.web.save_screenshot(os.path.join(ARTIFACTS, name + ("-tls" if TLS else "") + ".png"))

    def tile(self, board):
        return self.web.find_element(By.CSS_SELECTOR, '[data-board="%s"].tile' % board)

    def slots(self, board):
        return [self.tile(board).find_element(By.CSS_SELECTOR, '[data-slot="%d"]' % k).text for k in range(1, 11)]

    def until(self, check, what, timeout=60):
        def safe():
            try:
                return check()
            except Exception:   # an element replaced between finding and reading it
                return False
        return wait_for(safe, timeout, what)

    def login(self, user):
        self.web.delete_all_cookies()
        self.web.get(self.chain.url + "/")
        form = self.until(lambda: self.web.find_element(By.CSS_SELECTOR, "form#login"), "the login form")
        form.find_element(By.NAME, "user").send_keys(user)
        form.find_element(By.NAME, "password").send_keys(self.chain.password[user])
        form.find_element(By.CSS_SELECTOR, "button[type=submit]").click()
        self.until(lambda: self.web.find_element(By.ID, "tiles").is_displayed(), "the boards")
        cookie = self.web.get_cookie("tablo_centre")
        self.assertEqual((cookie["httpOnly"], cookie["secure"], cookie["sameSite"]), (True, TLS, "Strict"))

    def send(self, target, figures):
        harness.fill_send_form(self.web, target, figures)
        self.until(lambda: self.web.find_element(By.ID, "confirm").is_displayed(), "the preview")

    def test_1_group_set_verified_on_every_tile(self):
        self.login("alice")
        self.until(lambda: len(self.web.find_elements(By.CSS_SELECTOR, '.tile[data-online="true"]')) == N, "%d online tiles" % N)
        self.send("group:tbilisi", ["2.6515", "2.689", "12345"])
        rows = self.web.find_elements(By.CSS_SELECTOR, "#preview-table tr[data-board]")
        self.assertEqual(sorted(r.get_attribute("data-board") for r in rows), sorted(IDS))
        self.assertEqual(rows[0].find_elements(By.TAG_NAME, "td")[2].text, "2.6890")   # the board's own format
        self.shot("preview")
        self.web.find_element(By.ID, "confirm").click()
        summary = "%d of %d verified" % (N, N)
        self.until(lambda: self.web.find_element(By.ID, "send-summary").text == summary, summary)
        self.shot("send-verified")
        self.web.find_element(By.CSS_SELECTOR, '#tabs [data-tab="boards"]').click()
        for b in IDS:
            self.until(lambda: self.slots(b)[:3] == ["2.6515", "2.6890", "12345"], b + " shows the set")
            self.assertEqual(self.tile(b).get_attribute("data-outcome"), "sent-ok")
            self.assertEqual(self.tile(b).get_attribute("data-mismatch"), "false")
        self.shot("tiles-verified")

    def test_2_differing_board_and_killed_bridge(self):
        odd, gone = IDS[-1], IDS[0]
        self.chain.sim_control(odd, "differ 1")   # reads back slot 1 with its first digit + 1
        self.send("group:tbilisi", ["3.5"])
        self.web.find_element(By.ID, "confirm").click()
        summary = "%d of %d verified; %s data error" % (N - 1, N, odd)
        self.until(lambda: self.web.find_element(By.ID, "send-summary").text == summary, summary)
        resend = self.web.find_element(By.ID, "resend")
        self.assertTrue(resend.is_displayed())
        self.chain.sim_control(odd, "differ 0")
        resend.click()
        self.until(lambda: self.web.find_element(By.ID, "send-summary").text == "1 of 1 verified", "the resend verified")

        self.chain.sim_control(odd, "differ 1")
        self.chain.pub("tablo/%s/figures/set" % odd, '{"id": "by-hand", "figures": ["2.5"]}')   # a set from elsewhere
        self.web.find_element(By.CSS_SELECTOR, '#tabs [data-tab="boards"]').click()
        self.until(lambda: self.tile(odd).get_attribute("data-mismatch") == "true", odd + " marked")
        self.assertEqual(self.tile(odd).get_attribute("data-outcome"), "data-error")
        differing = self.tile(odd).find_elements(By.CSS_SELECTOR, ".slot.differ")
        self.assertEqual([s.get_attribute("data-slot") for s in differing], ["1"])
        self.assertEqual(differing[0].text, "3.5000")
        self.assertIn("marked", self.tile(odd).get_attribute("class"))

        killed = self.chain.boards[gone]["bridge"]
        killed.send_signal(signal.SIGKILL)
        killed.wait(30)   # reaped: a zombie still holds the board's port lock by its pid
        # Its lock file stays, naming its pid; with many programs started at once that pid may
        # soon be another tablo-cli's, which the lock would take for its holder. As an
        # administrator would after a kill, the file goes.
        for lock in glob.glob("/var/lock/LCK..*") + glob.glob("/run/lock/LCK..*"):
            try:
                with open(lock) as f:
                    if f.readline().strip() == str(killed.pid):
                        os.remove(lock)
            except OSError:
                pass
        self.until(lambda: self.tile(gone).get_attribute("data-online") == "false", gone + " offline", 90)
        self.assertIn("marked", self.tile(gone).get_attribute("class"))
        self.assertEqual(len(self.web.find_elements(By.CSS_SELECTOR, ".tile.marked")), 2)
        self.shot("tiles-marked")
        self.send("group:tbilisi", ["2.7"])
        self.web.find_element(By.ID, "confirm").click()
        summary = "%d of %d verified; %s offline; %s data error" % (N - 2, N, gone, odd)
        self.until(lambda: self.web.find_element(By.ID, "send-summary").text == summary, summary)
        self.chain.start_bridge(gone)   # its kept session brings the set
        self.until(lambda: self.web.find_element(By.ID, "send-summary").text.startswith("%d of %d verified;" % (N - 1, N)),
                   gone + " verified after its return", 90)

    def test_3_history_and_audit(self):
        self.web.find_element(By.CSS_SELECTOR, '#tabs [data-tab="history"]').click()
        Select(self.web.find_element(By.ID, "history-board")).select_by_value(IDS[1])
        self.web.find_element(By.CSS_SELECTOR, "form#history button").click()
        # Three group sets verified: one line for each of the ten figures.
        self.until(lambda: "3 verified sets" in self.web.find_element(By.CSS_SELECTOR, "#chart h2").text, "the chart")
        self.assertEqual(len(self.web.find_elements(By.CSS_SELECTOR, "#chart path.series")), 10)
        self.assertEqual(len(self.web.find_elements(By.CSS_SELECTOR, "#chart circle.s0")), 3)
        self.web.find_element(By.CSS_SELECTOR, "form#shown-at button").click()
        self.until(lambda: self.web.find_element(By.CSS_SELECTOR, '#at-result [data-slot="1"]').text == "2.7000", "shown at")
        self.shot("history")
        self.web.find_element(By.CSS_SELECTOR, '#tabs [data-tab="audit"]').click()
        self.until(lambda: len(self.web.find_elements(By.CSS_SELECTOR, "#audit-table tr[data-send]")) == 4, "four sends")
        self.shot("audit")
        s = self.chain.login("alice")
        status, csv = self.chain.request("/api/audit?format=csv", session=s)
        lines = csv.strip().split("\r\n")
        self.assertEqual(lines[0].split(",")[:5], ["id", "at", "user", "target", "figure1"])
        self.assertEqual(len(lines), 5)
        self.assertEqual(lines[1].split(",")[2:6], ["alice", "group:tbilisi", "2.7", ""])

    def test_4_refusals(self):
        c = self.chain
        self.assertEqual(c.request("/api/boards")[0], 401)
        self.assertEqual(c.request("/api/send", {"target": "group:tbilisi", "figures": ["1"]})[0], 401)
        alice = c.login("alice")
        self.assertEqual(c.request("/api/send", {"target": "group:tbilisi", "figures": ["1"]}, session=alice, csrf=False)[0], 403)
        self.assertEqual(c.request("/api/send", {"target": "group:tbilisi", "figures": ["1,5"]}, session=alice)[0], 422)
        self.login("victor")
        self.assertFalse(self.web.find_element(By.ID, "tab-send").is_displayed())
        status = self.web.execute_async_script("""
            const done = arguments[0];
            const s = await (await fetch('/api/session')).json();
            const r = await fetch('/api/send', {method: 'POST', headers: {'Content-Type': 'application/json',
                'X-CSRF-Token': s.csrf}, body: JSON.stringify({target: 'group:tbilisi', figures: ['9']})});
            done(r.status);""")
        self.assertEqual(status, 403)
        # A wrong password locks the next attempt out for a while, even with the right one.
        self.assertEqual(c.request("/api/login", {"user": "victor", "password": "wrong"})[0], 401)
        self.assertEqual(c.request("/api/login", {"user": "victor", "password": c.password["victor"]})[0], 429)
        self.assertEqual(len(c.request("/api/audit", session=alice)[1]["sends"]), 4)   # nothing more was sent

    def test_5_answer_while_centre_stopped(self):
        c, board = self.chain, IDS[1]
        # The lockout of test_4's wrong password ends within a second.
        wait_for(lambda: c.request("/api/login", {"user": "alice", "password": c.password["alice"]})[0] == 200, 10, "a login")
        self.login("alice")
        bridge = c.boards[board]["bridge"]
        bridge.send_signal(signal.SIGSTOP)   # the set waits in its socket
        try:
            self.send("board:" + board, ["4.25"])
            self.web.find_element(By.ID, "confirm").click()
            waiting = "0 of 1 verified; %s waiting" % board
            self.until(lambda: self.web.find_element(By.ID, "send-summary").text == waiting, waiting)
            sid = self.web.find_element(By.ID, "send-id").text.split(" ")[0]
            c.stop_centre()
        finally:
            bridge.send_signal(signal.SIGCONT)
        wait_for(lambda: (c.retained("tablo/%s/state" % board) or {}).get("request") == sid, 60, board + " answered")
        c.start_centre(users=())
        self.login("alice")
        # A restarted centre knows no result until one comes: this one waited in its broker session.
        self.until(lambda: self.tile(board).get_attribute("data-outcome") == "sent-ok", board + "'s result after the restart")
        self.assertEqual(self.slots(board)[0], "4.2500")
        self.web.find_element(By.CSS_SELECTOR, '#tabs [data-tab="audit"]').click()
        verified = self.until(lambda: self.web.find_element(By.CSS_SELECTOR, '#audit-table tr[data-send="%s"] td.verified' % sid).text,
                              "the send verified in the audit")
        self.assertTrue(verified.startswith(board + " ("), verified)
        self.shot("verified-while-stopped")

    def test_6_broker_lost(self):
        c = self.chain
        self.web.find_element(By.CSS_SELECTOR, '#tabs [data-tab="boards"]').click()
        stale = lambda: set(self.web.execute_script("return [...document.querySelectorAll('.tile')].map(t => t.dataset.stale)"))
        self.until(lambda: stale() == {"false"}, "live tiles")
        c.stop_broker()
        banner = self.until(lambda: self.web.find_element(By.ID, "broker").is_displayed() and self.web.find_element(By.ID, "broker"),
                            "the lost broker told")
        self.assertIn("lost the broker since", banner.text)
        self.assertEqual(stale(), {"true"})
        self.assertEqual(self.web.execute_script("return document.querySelectorAll('.tile .last-known').length"), N)
        self.shot("broker-lost")
        c.start_broker()
        self.until(lambda: not self.web.find_element(By.ID, "broker").is_displayed(), "the broker back", 90)
        self.until(lambda: stale() == {"false"}, "live tiles again")


if __name__ == "__main__":
    unittest.main(verbosity=2)
