#!/usr/bin/env python3
"""The browser end-to-end scenarios, each a whole story against the real
extension, the real `kiv-downloader --browser-host` and nginx, with headless
Chromium on the Xvfb display of the calling script (browser_lib.sh sets the
environment: KIV_WORK, KIV_BASE, KIV_EXTENSION, KIV_KIVTOOL, KIV_HERE).

    browser_scenarios.py run CAPTION       allow once, files verified, success box, tab closed
    browser_scenarios.py leave CAPTION     Stay pauses the transfer, Leave cancels, a revisit resumes
    browser_scenarios.py hostile PAGE...   each page is refused or ignored without a run
    browser_scenarios.py firefox CAPTION   the run of `run` in Firefox ESR
    browser_scenarios.py overlay PAGE      a page drawn over the placeholder starts nothing
    browser_scenarios.py session CAPTION   logged in, the private files come; a fresh profile gets 403
    browser_scenarios.py firefox-session CAPTION  logged in, the private files come, in Firefox ESR
"""
import base64
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from chromium import Chromium, ChromiumError  # noqa: E402
from firefox import Firefox, FirefoxError  # noqa: E402

WORK = os.environ["KIV_WORK"]
BASE = os.environ["KIV_BASE"]
HERE = os.environ["KIV_HERE"]


def fail(message):
    print(f"FAIL: {message}", file=sys.stderr)
    sys.exit(1)


def xwindow(*args):
    return subprocess.run([sys.executable, os.path.join(HERE, "xwindow.py"), *args],
                          capture_output=True, text=True).returncode == 0


def host_starts():
    try:
        with open(os.path.join(WORK, "host.log")) as log:
            return len(log.readlines())
    except FileNotFoundError:
        return 0


def hosts_running():
    """Whether a host this test's browser started still runs (the wrapper
    logs its process id, which the program keeps)."""
    try:
        with open(os.path.join(WORK, "host.log")) as log:
            pids = [int(line.split()[0]) for line in log if line.strip()]
    except FileNotFoundError:
        return False
    return any(os.path.exists(f"/proc/{pid}") and
               not open(f"/proc/{pid}/stat").read().split(") ")[1].startswith("Z") for pid in pids)


def wait_until(condition, seconds, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(0.1)
    fail(f"{what} (after {seconds} s)")


def size_of(path):
    try:
        return os.path.getsize(path)
    except OSError:
        return 0


def partial_file(name):
    """The run's file in the work folder of the protected layout."""
    for folder, _, files in os.walk(os.path.join(WORK, "cache")):
        if name in files:
            return os.path.join(folder, name)
    return None


def start_browser(destination, profile="chromium", language=None):
    env = dict(os.environ, KIVDL_DESTINATION=destination, KIVDL_EXISTING="resume")
    log = open(os.path.join(WORK, "chromium.log"), "ab")
    return Chromium("chromium", os.environ["KIV_EXTENSION"],
                    os.path.join(os.environ["XDG_CONFIG_HOME"], profile), env, log, language)


def open_page(browser, name):
    tab = browser.open_tab(f"{BASE}/{name}")
    return tab, tab.extension_context()


def allow(tab, button="once", window=None):
    """Answers the site question in the extension's own window."""
    (window or tab.browser.question()).answer(button)


def allow_and_answer_success(tab, context, caption, button="once", window=None):
    allow(tab, button, window)
    tab.wait_placeholder("root.querySelector('.status').textContent.startsWith('Downloading')", context)
    if not xwindow("wait", caption, "90"):
        fail(f"no box titled {caption!r} came; placeholder says {tab.status(context)!r}")
    xwindow("keys", caption, "Return")


SHOTS = os.environ.get("KIV_SCREENSHOT_DIR")


def shoot_placeholder(tab, name):
    """The placeholder as the page shows it, for the documentation."""
    box = tab.evaluate("(() => { const r = document.querySelector('[data-kiv-downloader]')"
                       ".getBoundingClientRect(); return [r.x, r.y, r.width, r.height]; })()")
    margin = 8
    shot = tab.call("Page.captureScreenshot", {"format": "png", "clip": {
        "x": max(box[0] - margin, 0), "y": max(box[1] - margin, 0),
        "width": box[2] + 2 * margin, "height": box[3] + 2 * margin, "scale": 1}})
    with open(os.path.join(SHOTS, name), "wb") as out:
        out.write(base64.b64decode(shot["data"]))


def scenario_run(caption):
    browser = start_browser(os.path.join(WORK, "dest"))
    try:
        tab, context = open_page(browser, "page.html")
        window = browser.question()
        question = window.evaluate("document.getElementById('text').textContent")
        expected = f"Allow {BASE} to download 3 files with Kiv Downloader?"
        if question != expected:
            fail(f"the question window asks {question!r}, not {expected!r}")
        tab.wait_placeholder("root.querySelector('.status').textContent.includes('may download 3 files')", context)
        if SHOTS:
            shoot_placeholder(tab, "browser-placeholder.png")
        allow_and_answer_success(tab, context, caption, window=window)
        # QuitBrowser closes the page's tab, not the browser.
        wait_until(lambda: not browser.tab_open(tab.target), 30, "the page's tab was not closed")
        if browser.process.poll() is not None:
            fail("the browser ended with the page's tab")
        wait_until(lambda: not hosts_running(), 30, "the native host did not end")
    finally:
        browser.close()


def paused_size(path, seconds):
    """The file's size over `seconds` once the chunk in progress had time to land."""
    time.sleep(1.0)
    before = size_of(path)
    time.sleep(seconds)
    return before, size_of(path)


def scenario_leave(caption):
    browser = start_browser(os.path.join(WORK, "dest"))
    try:
        tab, context = open_page(browser, "slow.html")
        allow(tab)
        # Chromium asks before leaving only a page the user has touched.
        tab.click_at(5, 5)
        wait_until(lambda: size_of(partial_file("slow.bin") or "") >= 256 * 1024, 60,
                   "the slow transfer did not get going")
        partial = partial_file("slow.bin")
        if SHOTS:
            xwindow("shot", f"{BASE}/slow.html", os.path.join(SHOTS, "browser-running.png"))

        # One run at a time, across tabs: a second page gets the control's
        # "already running" question; Cancel leaves that page's control inert.
        second, second_context = open_page(browser, "slow.html")
        allow(second)
        if not xwindow("wait", caption, "30"):
            fail("the second page got no \"already running\" question")
        xwindow("keys", caption, "Escape")
        second.wait_placeholder("root.querySelector('.status').textContent === 'Download has been cancelled.'",
                                second_context)
        second.call("Page.close")

        # Stay: nothing moves while the browser asks, then the transfer goes on.
        tab.navigate(f"{BASE}/other.html", wait=False)
        dialog = browser.event("Page.javascriptDialogOpening", 15, tab.session)
        if dialog["type"] != "beforeunload":
            fail(f"a {dialog['type']} dialog instead of the leave question")
        before, after = paused_size(partial, 2.0)
        if after != before:
            fail(f"{after - before} bytes moved while the leave question was open")
        tab.call("Page.handleJavaScriptDialog", {"accept": False})
        wait_until(lambda: size_of(partial) > after, 15, "the transfer did not go on after Stay")
        text = tab.wait_placeholder("root.querySelector('.status').textContent.includes('during the download')",
                                    context)
        if not text:
            fail("the placeholder never showed the control's leave text")

        # Leave: the run is cancelled, the partial file kept hidden and recorded.
        tab.navigate(f"{BASE}/other.html", wait=False)
        browser.event("Page.javascriptDialogOpening", 15, tab.session)
        tab.call("Page.handleJavaScriptDialog", {"accept": True})
        browser.event("Page.loadEventFired", 15, tab.session)
        wait_until(lambda: not hosts_running(), 30, "the native host did not end after Leave")
        expect_hidden_and_recorded(partial, f"{BASE}/slow.bin")

        # A later visit continues the file.
        tab, context = open_page(browser, "slow.html")
        allow_and_answer_success(tab, context, caption)
        wait_until(lambda: not browser.tab_open(tab.target), 30, "the page's tab was not closed")
    finally:
        browser.close()


def expect_hidden_and_recorded(partial, url):
    if not os.path.exists(partial):
        fail("the partial file is gone after Leave")
    attributes = subprocess.run(["getfattr", "--only-values", "-n", "user.DOSATTRIB", partial],
                                capture_output=True, text=True).stdout.strip()
    if not attributes or int(attributes, 0) & 2 == 0:
        fail(f"the partial file is not hidden (attributes {attributes!r})")
    records = subprocess.run([os.environ["KIV_KIVTOOL"], "record", "list"],
                             capture_output=True, text=True).stdout
    if url not in records:
        fail(f"the partial file is not recorded by its URL: {records!r}")


def scenario_hostile(pages):
    browser = start_browser(os.path.join(WORK, "dest"))
    try:
        for page in pages:
            starts = host_starts()
            tab, context = open_page(browser, page)
            expect = open(os.path.join(WORK, "site", page + ".expect")).read().strip()
            click = not os.path.exists(os.path.join(WORK, "site", page + ".noclick"))
            if click and not expect.startswith("too complex"):
                allow(tab)
            elif not click:
                time.sleep(2)  # the page's own attempts meanwhile
            deadline = time.monotonic() + 20
            while expect not in (tab.status(context) or "") and time.monotonic() < deadline:
                time.sleep(0.1)
            status = tab.status(context) or ""
            if expect not in status:
                fail(f"{page}: the placeholder says {status!r}, not {expect!r}")
            wait_until(lambda: not hosts_running(), 30, f"{page}: the native host did not end")
            started = host_starts() - starts
            print(f"{page}: {status!r}, {started} host start(s)")
            with open(os.path.join(WORK, "hostile.log"), "a") as log:
                log.write(f"{page} {started}\n")
            tab.call("Page.close")
    finally:
        browser.close()


def scenario_overlay(page):
    """A page blows the placeholder up, invisible, under a button of its own:
    the user's clicks on the page start nothing, a click in the question's
    first moment answers nothing, and closing the question stores nothing."""
    browser = start_browser(os.path.join(WORK, "dest"))
    try:
        starts = host_starts()
        tab, context = open_page(browser, page)
        window = browser.question()
        question = window.evaluate("document.getElementById('text').textContent")
        expected = f"Allow {BASE} to download 1 file with Kiv Downloader?"
        if question != expected:
            fail(f"the question window asks {question!r}, not {expected!r}")
        early = window.element_box("always")
        if early and early[2]:  # still in its first moment: the click must not count
            window.click_at(early[0], early[1])
        play = tab.element_box("play")
        for _ in range(3):
            tab.click_at(play[0], play[1])
        time.sleep(1.5)
        if host_starts() != starts:
            fail("clicks on the page started the native host")
        if not browser.tab_open(window.target):
            fail("an early click answered the question")
        stored = window.evaluate("chrome.storage.local.get('allowedSites')"
                                 ".then((r) => JSON.stringify(r.allowedSites ?? []))")
        if stored != "[]":
            fail(f"a site was stored: {stored}")
        browser.call("Target.closeTarget", {"targetId": window.target})
        tab.wait_placeholder("root.querySelector('.status').textContent.includes('not allowed')", context)
        if host_starts() != starts:
            fail("closing the question started the native host")
    finally:
        browser.close()


def scenario_sandboxed(page):
    """A sandboxed page (opaque origin) may be allowed once, never always;
    the question follows the browser's language (Japanese here)."""
    browser = start_browser(os.path.join(WORK, "dest"), "chromium-ja", "ja")
    try:
        open_page(browser, page)
        window = browser.question()
        hidden = window.evaluate("document.getElementById('always').hidden")
        text = window.evaluate("document.getElementById('text').textContent")
        if hidden is not True or "サンドボックス" not in text:
            fail(f"a sandboxed page is offered 'always' ({hidden!r}, {text!r})")
        # A message that answers "always" anyway is not taken.
        time.sleep(0.7)
        taken = window.evaluate("chrome.runtime.sendMessage({type: 'answer', choice: 'always'})"
                                ".then((r) => JSON.stringify(r))")
        if taken != '{"taken":false}':
            fail(f"'always' was taken for a sandboxed page: {taken}")
        stored = window.evaluate("chrome.storage.local.get('allowedSites')"
                                 ".then((r) => JSON.stringify(r.allowedSites ?? []))")
        if stored != "[]":
            fail(f"a sandboxed page's origin was stored: {stored}")
        window.answer("no")
    finally:
        browser.close()


def copy_native_host(profile):
    """A fresh profile finds this user's native messaging manifest in its own folder."""
    config = os.environ["XDG_CONFIG_HOME"]
    shutil.copytree(os.path.join(config, "chromium", "NativeMessagingHosts"),
                    os.path.join(config, profile, "NativeMessagingHosts"), dirs_exist_ok=True)


def scenario_session(caption):
    """Logged in, the tab's session opens the private files; a fresh profile
    gets the server's 403, named."""
    browser = start_browser(os.path.join(WORK, "dest"))
    try:
        browser.open_tab(f"{BASE}/login")
        tab, context = open_page(browser, "private.html")
        allow_and_answer_success(tab, context, caption)
        wait_until(lambda: not browser.tab_open(tab.target), 30, "the page's tab was not closed")
        wait_until(lambda: not hosts_running(), 30, "the native host did not end")
    finally:
        browser.close()
    copy_native_host("chromium-fresh")
    os.makedirs(os.path.join(WORK, "dest-fresh"), exist_ok=True)
    browser = start_browser(os.path.join(WORK, "dest-fresh"), "chromium-fresh")
    try:
        tab, context = open_page(browser, "private.html")
        # The page's tab alone: the run's end must leave the browser's last tab open.
        for info in browser.call("Target.getTargets")["targetInfos"]:
            if info["type"] == "page" and info["targetId"] != tab.target \
                    and not "/question.html?" in info["url"]:
                browser.call("Target.closeTarget", {"targetId": info["targetId"]})
        allow(tab)
        if not xwindow("wait", caption, "90"):
            fail(f"no box titled {caption!r} came; placeholder says {tab.status(context)!r}")
        xwindow("keys", caption, "Return")
        tab.wait_placeholder("root.querySelector('.status').textContent.includes('403')", context, 60)
        wait_until(lambda: not hosts_running(), 30, "the native host did not end")
    finally:
        browser.close()


# The placeholder seen from a system sandbox, which may look into a closed shadow root.
FIREFOX_PLACEHOLDER = """
const host = document.querySelector('[data-kiv-downloader]');
const root = host && host.openOrClosedShadowRoot;
return root ? root.querySelector('.status').textContent : null;
"""

FIREFOX_QUESTION = """
const text = document.getElementById('text');
const button = document.getElementById(arguments[0]);
if (!text || !button || !text.textContent) return null;
const r = button.getBoundingClientRect();
return { text: text.textContent, at: [r.x + r.width / 2, r.y + r.height / 2], disabled: button.disabled };
"""


def start_firefox(profile="firefox-profile"):
    env = dict(os.environ, KIVDL_DESTINATION=os.path.join(WORK, "dest"), KIVDL_EXISTING="resume")
    log = open(os.path.join(WORK, "firefox.log"), "ab")
    browser = Firefox(os.environ["KIV_BROWSER"], os.path.join(WORK, profile),
                      int(os.environ["KIV_MARIONETTE_PORT"]), env, log)
    browser.install_addon(os.environ["KIV_FIREFOX_EXTENSION"])
    return browser


def firefox_answer(browser, page, button="once"):
    """Answers the question window (a window of its own, found among the
    handles), then goes back to the page; returns the question's text."""
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        for handle in browser.handles():
            if handle == page:
                continue
            browser.call("WebDriver:SwitchToWindow", {"handle": handle, "focus": True})
            if "/question.html?" not in browser.call("WebDriver:GetCurrentURL")["value"]:
                continue
            while time.monotonic() < deadline:
                shown = browser.call("WebDriver:ExecuteScript",
                                     {"script": FIREFOX_QUESTION, "args": [button]})["value"]
                if shown and not shown["disabled"]:
                    try:
                        browser.click(*shown["at"])
                    except FirefoxError:
                        pass  # the answer closed the window under the release
                    browser.call("WebDriver:SwitchToWindow", {"handle": page, "focus": True})
                    return shown["text"]
                time.sleep(0.1)
        time.sleep(0.2)
    fail("no question window came in Firefox")


def scenario_firefox(caption, page_name="page.html", files="3 files", login=False):
    browser = start_firefox()
    try:
        if login:
            browser.open_tab(f"{BASE}/login")
        page = browser.open_tab(f"{BASE}/{page_name}")
        question = firefox_answer(browser, page)
        expected = f"Allow {BASE} to download {files} with Kiv Downloader?"
        if question != expected:
            fail(f"the question window asks {question!r}, not {expected!r}")
        if not xwindow("wait", caption, "90"):
            status = browser.call("WebDriver:ExecuteScript",
                                  {"script": FIREFOX_PLACEHOLDER, "args": [], "sandbox": "system"})["value"]
            fail(f"no box titled {caption!r} came; placeholder says {status!r}")
        xwindow("keys", caption, "Return")
        wait_until(lambda: page not in browser.handles(), 30, "the page's tab was not closed")
        wait_until(lambda: not hosts_running(), 30, "the native host did not end")
    finally:
        browser.close()


def main(args):
    try:
        if args[0] == "run":
            scenario_run(args[1])
        elif args[0] == "leave":
            scenario_leave(args[1])
        elif args[0] == "hostile":
            scenario_hostile(args[1:])
        elif args[0] == "overlay":
            scenario_overlay(args[1])
        elif args[0] == "sandboxed":
            scenario_sandboxed(args[1])
        elif args[0] == "session":
            scenario_session(args[1])
        elif args[0] == "firefox":
            scenario_firefox(args[1])
        elif args[0] == "firefox-session":
            scenario_firefox(args[1], "private.html", "2 files", login=True)
        else:
            fail(f"unknown scenario {args[0]}")
    except (ChromiumError, FirefoxError) as error:
        fail(str(error))


if __name__ == "__main__":
    main(sys.argv[1:])
