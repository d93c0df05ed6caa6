"""The centre's database on SQLite and on a throw-away PostgreSQL cluster: users, sends and the
journal's queries (history, what a board showed at a time, audit) through the API, and what a
restarted centre still knows; a stored password hash that is malformed or out of bounds refuses
every password."""
import base64, hashlib, http.client, json, os, sqlite3, sys, unittest
sys.path.insert(0, os.path.dirname(__file__))
import harness
from harness import wait_for

BOARDS = [("p1", "gp"), ("p2", "gp")]


class Database:
    def check(self, db=None, extra=()):
        chain = harness.Chain(BOARDS)
        self.addCleanup(chain.close)
        chain.start_centre(db=db, extra=extra)
        s = chain.login("alice")
        wait_for(lambda: all((chain.board(s, b) or {}).get("online") for b, _ in BOARDS), 60, "both boards online")
        ids = []
        for figures in (["1.5", "2.5"], ["1.75"]):
            status, sent = chain.request("/api/send", {"target": "group:gp", "figures": figures}, session=s)
            self.assertEqual(status, 202, sent)
            ids.append(sent["id"])
            wait_for(lambda: chain.request("/api/sends/" + sent["id"], session=s)[1]["summary"] == "2 of 2 verified", 60, "verified")
        history = chain.request("/api/history?board=p1", session=s)[1]
        self.assertEqual([p["request"] for p in history["points"]], ids)
        self.assertEqual([p["figures"][:2] for p in history["points"]], [["1.5000", "2.5000"], ["1.7500", "2.5000"]])
        first = history["points"][0]["at"]
        shown = chain.request("/api/history?board=p1&at=" + first.replace("+", "%2B"), session=s)[1]["shown"]
        self.assertEqual((shown["request"], shown["figures"][0]), (ids[0], "1.5000"))
        self.assertNotIn("shown", chain.request("/api/history?board=p2&at=2000-01-01T00:00:00", session=s)[1])
        audit = chain.request("/api/audit", session=s)[1]["sends"]
        self.assertEqual([(a["id"], a["user"], a["verified"]) for a in audit], [(ids[1], "alice", 2), (ids[0], "alice", 2)])

        # Restarted: the users, the sends and the last set of the group are still known, so a board
        # that shows something else is marked.
        chain.stop_centre()
        chain.start_centre(db=db, extra=extra, users=())
        s = chain.login("alice")
        wait_for(lambda: (chain.board(s, "p1") or {}).get("online"), 60, "p1 again")
        self.assertEqual(chain.board(s, "p1")["expected"]["id"], ids[1])
        self.assertEqual(chain.board(s, "p1")["verified"][0], "1.7500")
        chain.pub("tablo/p1/state", '{"figures": ["9.0000", "2.5000"], "at": "2030-01-01T00:00:00Z"}', retain=True)
        wait_for(lambda: chain.board(s, "p1")["mismatch"] == [1], 60, "p1 marked")
        self.assertEqual(len(chain.request("/api/audit", session=s)[1]["sends"]), 2)


def pbkdf2(password, iterations=1000, salt=b"salt-of-16-bytes", length=32, count=None):
    key = hashlib.pbkdf2_hmac("sha256", password.encode(), salt, iterations, length)
    return "pbkdf2-sha256$%s$%s$%s" % (count or iterations, base64.b64encode(salt).decode(), base64.b64encode(key).decode())


class StoredHashes(unittest.TestCase):
    # (stored hash, password given, logs in): each hash after the first two is refused and logged.
    CASES = [(pbkdf2("right"), "right", True), (pbkdf2("right"), "wrong", False),
             ("pbkdf2-sha256$1000$AAAA$", "any", False), (pbkdf2("right", length=8), "right", False),
             (pbkdf2("right", salt=b"salt"), "right", False), (pbkdf2("right", iterations=999), "right", False),
             (pbkdf2("right", count="2147483647"), "right", False),   # held the centre on one login
             (pbkdf2("right", count="+1000"), "right", False), (pbkdf2("right")[:-2] + "*=", "right", False)]

    def test_stored_hashes(self):
        chain = harness.Chain()
        self.addCleanup(chain.close)
        users = ["h%d" % k for k in range(len(self.CASES))]
        chain.start_centre(users=[(u, "viewer") for u in users])
        with sqlite3.connect(chain.db) as db:
            db.executemany("UPDATE centre_users SET hash = ? WHERE name = ?", [(c[0], u) for u, c in zip(users, self.CASES)])
        for k, (u, (stored, password, logs_in)) in enumerate(zip(users, self.CASES)):
            # Each from an address of its own: failed logins hold their address back.
            c = http.client.HTTPConnection("127.0.0.1", chain.http, timeout=20, source_address=("127.0.0.%d" % (k + 10), 0))
            c.request("POST", "/api/login", json.dumps({"user": u, "password": password}), {"Content-Type": "application/json"})
            self.assertEqual(c.getresponse().status, 200 if logs_in else 401, stored)
        log = open(chain.centre.log).read()
        self.assertEqual([u for u in users if '"%s" is refused' % u in log], users[2:])


class SQLite(Database, unittest.TestCase):
    def test_sqlite(self):
        self.check()


class PostgreSQL(Database, unittest.TestCase):
    def test_postgresql(self):
        pg = harness.Postgres()
        self.addCleanup(pg.close)
        self.check(db=pg.url, extra=["--db-password-file", pg.password_file])


if __name__ == "__main__":
    unittest.main(verbosity=2)
