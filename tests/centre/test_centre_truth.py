"""What a send counts, through the API against a real broker and bridges: only its own boards'
answers, each later answer added after the earlier ones, a board that refuses the figures answered
for itself while the others take them, an answer given while the centre was stopped and its
broker session lost, and a send that went out to some of its boards only."""
import json, os, signal, sys, unittest
sys.path.insert(0, os.path.dirname(__file__))
import harness
from harness import wait_for


class Truth(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.chain = harness.Chain([("p1", "g"), ("p2", "g")])
        cls.addClassCleanup(cls.chain.close)
        cls.chain.start_centre()
        cls.s = cls.chain.login("alice")
        wait_for(lambda: all((cls.chain.board(cls.s, b) or {}).get("online") for b in ("p1", "p2")), 60, "both boards online")

    def send(self, target, figures, status=202):
        got, body = self.chain.request("/api/send", {"target": target, "figures": figures}, session=self.s)
        self.assertEqual(got, status, body)
        return body

    def progress(self, sid):
        return self.chain.request("/api/sends/" + sid, session=self.s)[1]

    def until_summary(self, sid, summary):
        wait_for(lambda: self.progress(sid)["summary"] == summary, 60, summary)

    def test_1_answers_of_its_own_boards_added_in_order(self):
        sid = self.send("board:p1", ["1.25"])["id"]
        self.until_summary(sid, "1 of 1 verified")
        verified_at = self.progress(sid)["boards"][0]["verifiedAt"]
        # (board, outcome, second of its time, p1's outcomes after it, summary after it)
        steps = [("p2", "data-error", 1, ["sent-ok"], "1 of 1 verified"),   # not sent to p2
                 ("p1", "connection-error", 2, ["sent-ok", "connection-error"], "0 of 1 verified; p1 connection error after verifying"),
                 ("p1", "restored", 3, ["sent-ok", "connection-error", "restored"], "1 of 1 verified"),
                 ("p1", "restored", 3, ["sent-ok", "connection-error", "restored"], "1 of 1 verified"),   # delivered again
                 ("p1", "data-error", 4, ["sent-ok", "connection-error", "restored", "data-error"],
                  "0 of 1 verified; p1 data error after verifying")]
        for board, outcome, second, outcomes, summary in steps:
            self.chain.pub("tablo/%s/result" % board, json.dumps({"id": sid, "request": "figures", "outcome": outcome, "sent": [],
                                                                  "board": [], "at": "2030-01-01T00:00:0%dZ" % second}))
            wait_for(lambda: [e["outcome"] for e in self.progress(sid)["boards"][0]["events"]] == outcomes, 30, str(outcomes))
            p = self.progress(sid)
            self.assertEqual(([b["id"] for b in p["boards"]], p["summary"]), (["p1"], summary))
            self.assertEqual(p["boards"][0]["verifiedAt"], verified_at)
        csv = self.chain.request("/api/audit?format=csv", session=self.s)[1].split("\r\n")
        header, row = csv[0].split(","), next(r for r in csv if r.startswith(sid)).split(",")
        self.assertEqual([row[header.index(k)] for k in ("verified", "verified at", "not verified")], ["p1", verified_at, "p1 data-error"])

    def test_2_refusing_board_answered_alone(self):
        # A third member of g whose info says one digit: 2.5 would show as another number there.
        self.chain.pub("tablo/p9/status", "online", retain=True)
        self.chain.pub("tablo/p9/info", json.dumps({"id": "p9", "digits": 1, "groups": ["g"]}), retain=True)
        wait_for(lambda: (self.chain.board(self.s, "p9") or {}).get("groups") == ["g"], 30, "p9 in g")
        preview = self.chain.request("/api/preview", {"target": "group:g", "figures": ["2.5"]}, session=self.s)[1]
        self.assertEqual((preview["ok"], preview["taking"]), (True, 2))
        self.assertEqual([bool(b["rejections"]) for b in preview["boards"]], [False, False, True])
        sid = self.send("group:g", ["2.5"])["id"]
        self.until_summary(sid, "2 of 3 verified; p9 rejected")
        p9 = self.progress(sid)["boards"][2]
        self.assertEqual([(e["outcome"], e["via"]) for e in p9["events"]], [("rejected", "centre")])
        self.assertIn("figure 1", p9["reason"])
        self.send("board:p9", ["2.5"], status=422)   # nobody to send to

    def test_3_answer_while_stopped_and_session_lost(self):
        c = self.chain
        bridge = c.boards["p1"]["bridge"]
        bridge.send_signal(signal.SIGSTOP)
        try:
            sid = self.send("board:p1", ["3.75"])["id"]
            c.stop_centre()
        finally:
            bridge.send_signal(signal.SIGCONT)
        wait_for(lambda: (c.retained("tablo/p1/state") or {}).get("request") == sid, 60, "p1 answered")
        # Another client name: a new session, without the result that came meanwhile.
        c.start_centre(users=(), extra=["--client-name", "another-centre"])
        self.__class__.s = c.login("alice")
        self.until_summary(sid, "1 of 1 verified")
        self.assertEqual([(e["outcome"], e["via"]) for e in self.progress(sid)["boards"][0]["events"]], [("sent-ok", "state")])


class PartlyPublished(unittest.TestCase):
    def test_send_not_published_to_every_board_warns(self):
        # No packet over 140 bytes: a's set fits, the 64-letter id's does not, so the second
        # publication of each send fails as on a link that breaks between the two.
        far, chain = "f" * 64, harness.Chain(broker_conf="max_packet_size 140\n")
        self.addCleanup(chain.close)
        for b in ("a", far):
            chain.pub("tablo/%s/status" % b, "online", retain=True)
        chain.start_centre()
        s, sent = chain.login("alice"), {}
        wait_for(lambda: all((chain.board(s, b) or {}).get("online") for b in ("a", far)), 30, "both boards known")
        for request in (lambda: {"target": "boards:a," + far, "figures": ["1.5"]}, lambda: {"resend": sent["id"]}):
            status, sent = chain.request("/api/send", request(), session=s)
            self.assertEqual(status, 202, sent)
            self.assertRegex(sent.get("warning", ""), "^not sent to every board: 1 of 2 .*board:" + far)
            self.assertEqual([(b["id"], b["outcome"]) for b in sent["boards"]], [("a", "waiting"), (far, "not-published")])


if __name__ == "__main__":
    unittest.main(verbosity=2)
