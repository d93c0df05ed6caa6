"""bench_centre_page: N simulated boards (replies paced at 9600 Bd) with their bridges on one broker
and tablo-centre, its page in headless Chromium. A publisher fills the send form with new figures
for the group, checks and confirms them, ROUNDS times; each round is timed from the click on
confirm until the page shows every tile with the new figures verified (outcome sent-ok, no
differing slot) and the send's progress reads "N of N verified". The page is polled with one
script every 20 ms. Also the centre's CPU per board result and its memory, and the page's long
tasks (main-thread tasks over 50 ms). Prints figures, asserts nothing about time.

    build/bench/bench_centre_page [N] [ROUNDS]"""
import os, shutil, statistics, sys, tempfile, time
sys.dont_write_bytecode = True   # the harness and bench_centre are imported from the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "centre"))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness
from bench_centre import cpu_seconds, rss_mb
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

N = int(sys.argv[1]) if len(sys.argv) > 1 else 200
ROUNDS = int(sys.argv[2]) if len(sys.argv) > 2 else 5
POLL = 0.02

# One look at the whole page: how many tiles show `want` verified, how many tiles there are, and
# the send's summary line.
CHECK = """
const want = arguments[0];
const tiles = document.querySelectorAll('#tiles .tile[data-board]');
let good = 0;
for (const t of tiles) {
  if (t.getAttribute('data-outcome') !== 'sent-ok' || t.getAttribute('data-mismatch') !== 'false') continue;
  let same = true;
  for (let k = 0; k < want.length && same; k++) {
    const s = t.querySelector('[data-slot="' + (k + 1) + '"]');
    same = s !== null && s.textContent === want[k];
  }
  if (same) good++;
}
return [good, tiles.length, document.getElementById('send-summary').textContent];
"""

# Main-thread tasks over 50 ms, gathered from the page's load on.
WATCH_LONG_TASKS = """
window.benchLong = [];
new PerformanceObserver(list => { for (const e of list.getEntries()) window.benchLong.push(e.duration); })
  .observe({type: 'longtask', buffered: true});
"""


def browser(profile):
    o = webdriver.ChromeOptions()
    o.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
    for a in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
              "--disable-background-networking", "--disable-component-update", "--disable-sync",
              "--window-size=1400,1000", "--user-data-dir=" + profile):
        o.add_argument(a)
    return webdriver.Chrome(service=Service(shutil.which("chromedriver") or "/usr/bin/chromedriver"), options=o)


def login(web, chain, user):
    web.get(chain.url + "/")
    form = harness.wait_for(lambda: web.find_elements(By.CSS_SELECTOR, "form#login"), 30, "the login form")[0]
    form.find_element(By.NAME, "user").send_keys(user)
    form.find_element(By.NAME, "password").send_keys(chain.password[user])
    form.find_element(By.CSS_SELECTOR, "button[type=submit]").click()
    harness.wait_for(lambda: web.find_element(By.ID, "tiles").is_displayed(), 30, "the boards")


def prepare(web, target, figures):
    """The send form filled and checked: the preview with its confirm button. Returns what the
    first board will show (its own format of the figures)."""
    harness.fill_send_form(web, target, figures)
    confirm = web.find_element(By.ID, "confirm")
    harness.wait_for(lambda: confirm.is_displayed() and confirm.is_enabled(), 60, "the preview", POLL)
    first = web.find_element(By.CSS_SELECTOR, "#preview-table tr[data-board]")
    return [td.text for td in first.find_elements(By.TAG_NAME, "td")[1:1 + len(figures)]]


def main():
    ids = ["b%03d" % k for k in range(1, N + 1)]
    t = time.time()
    chain = harness.Chain([(b, "all") for b in ids], sim_options=["--pace"])   # replies at the wire's pace
    profile = tempfile.mkdtemp(prefix="tablo-chromium-")
    web = None
    try:
        chain.start_centre()
        print("N = %d boards: simulators and bridges started in %.1f s" % (N, time.time() - t))
        web = browser(profile)
        login(web, chain, "alice")
        web.execute_script(WATCH_LONG_TASKS)
        harness.wait_for(lambda: len(web.find_elements(By.CSS_SELECTOR, '.tile[data-online="true"]')) == N, 600,
                         "%d online tiles" % N, 0.5)
        print("all %d tiles online %.1f s after the start" % (N, time.time() - t))
        pid = chain.centre.pid
        cpu0, rss0 = cpu_seconds(pid), rss_mb(pid)
        summary = "%d of %d verified" % (N, N)
        tiles_ms, summary_ms, both_ms, long_tasks = [], [], [], []
        for r in range(ROUNDS):
            figures = ["%d.%03d" % (2 + r, k) for k in range(1, 9)]
            want = prepare(web, "group:all", figures)
            web.execute_script("window.benchLong.length = 0;")
            confirm = web.find_element(By.ID, "confirm")
            boards_tab = web.find_element(By.CSS_SELECTOR, '#tabs [data-tab="boards"]')
            start = time.time()
            confirm.click()
            boards_tab.click()   # the publisher looks at the tiles
            seen_tiles = seen_summary = None
            while True:
                good, count, text = web.execute_script(CHECK, want)
                now = (time.time() - start) * 1000
                if seen_tiles is None and good == N and count == N:
                    seen_tiles = now
                if seen_summary is None and text == summary:
                    seen_summary = now
                if good == N and count == N and text == summary:
                    break
                if now > 600000:
                    raise AssertionError("round %d: %d of %d tiles verified, summary %r" % (r, good, count, text))
                time.sleep(POLL)
            tiles_ms.append(seen_tiles)
            summary_ms.append(seen_summary)
            both_ms.append(now)
            long_tasks.append(web.execute_script("return window.benchLong.slice();"))
            time.sleep(1)
        cpu = cpu_seconds(pid) - cpu0
        print("confirm to every tile verified: median %.1f ms, maximum %.1f ms (%d rounds: %s)"
              % (statistics.median(tiles_ms), max(tiles_ms), ROUNDS, ", ".join("%.0f" % v for v in tiles_ms)))
        print("confirm to \"%s\": median %.1f ms, maximum %.1f ms" % (summary, statistics.median(summary_ms), max(summary_ms)))
        print("confirm to both: median %.1f ms, maximum %.1f ms" % (statistics.median(both_ms), max(both_ms)))
        flat = [d for round_ in long_tasks for d in round_]
        print("page's long tasks (over 50 ms) per round: %.1f, longest %.0f ms (%s)"
              % (len(flat) / ROUNDS, max(flat) if flat else 0,
                 "; ".join(" ".join("%.0f" % d for d in round_) or "none" for round_ in long_tasks)))
        print("centre CPU per board result: %.2f ms (%.2f s for %d results with their state messages and the page)"
              % (cpu * 1000 / (N * ROUNDS), cpu, N * ROUNDS))
        print("centre memory: %.1f MB resident with %d boards (%.1f MB before the sends)" % (rss_mb(pid), N, rss0))
    finally:
        if web:
            web.quit()
        shutil.rmtree(profile, ignore_errors=True)
        chain.close()


if __name__ == "__main__":
    main()
