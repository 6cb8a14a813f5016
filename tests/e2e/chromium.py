"""Headless Chromium driven over the DevTools protocol on a pipe
(--remote-debugging-pipe: commands on descriptor 3, replies and events on
4, each a JSON text ended by a NUL byte), with the standard library only.

The browser runs with the extension loaded unpacked and its own profile;
pages are opened in tabs of their own, so that closing one is never closing
the browser's last tab.
"""
import json
import os
import select
import subprocess
import time


class ChromiumError(Exception):
    pass


class Chromium:
    def __init__(self, binary, extension, profile, env, log, language=None):
        commands_read, self._commands = os.pipe()
        self._replies, replies_write = os.pipe()

        def descriptors():
            os.dup2(commands_read, 3)
            os.dup2(replies_write, 4)

        args = [binary, "--headless=new", "--no-first-run", "--disable-gpu", "--disable-quic",
                "--disable-background-networking", "--disable-component-update", "--disable-sync",
                "--disable-features=DisableLoadExtensionCommandLineSwitch",
                f"--user-data-dir={profile}", f"--load-extension={extension}",
                "--remote-debugging-pipe", "about:blank"]
        if language:
            args.insert(1, f"--lang={language}")
        if os.geteuid() == 0:
            args.insert(1, "--no-sandbox")  # Chromium's sandbox refuses root
        self.process = subprocess.Popen(args, env=env, preexec_fn=descriptors, pass_fds=(3, 4),
                                        stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        os.close(commands_read)
        os.close(replies_write)
        self._buffer = b""
        self._next_id = 0
        self._events = []
        self._answered = set()  # question windows already taken

    def close(self):
        if self.process.poll() is None:
            try:
                self.call("Browser.close", timeout=10)
            except (ChromiumError, OSError):
                pass
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        for fd in (self._commands, self._replies):
            try:
                os.close(fd)
            except OSError:
                pass

    # --- the protocol

    def post(self, method, params=None, session=None):
        """Sends a command without waiting for its reply; returns its id."""
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self._commands, json.dumps(message).encode() + b"\0")
        return self._next_id

    def call(self, method, params=None, session=None, timeout=30):
        wanted = self.post(method, params, session)
        deadline = time.monotonic() + timeout
        while True:
            message = self._read(deadline)
            if message is None:
                raise ChromiumError(f"no reply to {method} in {timeout} s")
            if message.get("id") == wanted:
                if "error" in message:
                    raise ChromiumError(f"{method}: {message['error']}")
                return message.get("result", {})
            if "method" in message:
                self._events.append(message)

    def event(self, method, timeout=30, session=None, where=lambda params: True):
        """The first event `method` (already received or coming) that `where` accepts."""
        deadline = time.monotonic() + timeout
        while True:
            for index, message in enumerate(self._events):
                if message["method"] == method and (session is None or message.get("sessionId") == session) \
                        and where(message.get("params", {})):
                    return self._events.pop(index)["params"]
            message = self._read(deadline)
            if message is None:
                raise ChromiumError(f"no {method} in {timeout} s")
            if "method" in message:
                self._events.append(message)

    def drop_events(self, session):
        self._events = [message for message in self._events if message.get("sessionId") != session]

    def _read(self, deadline):
        while b"\0" not in self._buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            ready, _, _ = select.select([self._replies], [], [], left)
            if not ready:
                return None
            chunk = os.read(self._replies, 1 << 20)
            if not chunk:
                raise ChromiumError("Chromium closed the pipe")
            self._buffer += chunk
        text, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(text)

    # --- tabs

    def open_tab(self, url):
        """A new tab on `url`, attached; returns a Tab once the page has loaded."""
        target = self.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = self.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        tab = Tab(self, target, session)
        tab.navigate(url)
        return tab

    def question(self, timeout=30):
        """The extension's question window, attached, once it has loaded."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            for info in self.call("Target.getTargets")["targetInfos"]:
                if info["type"] == "page" and "/question.html?" in info["url"] \
                        and info["targetId"] not in self._answered:
                    self._answered.add(info["targetId"])
                    session = self.call("Target.attachToTarget",
                                        {"targetId": info["targetId"], "flatten": True})["sessionId"]
                    tab = Tab(self, info["targetId"], session)
                    while time.monotonic() < deadline:
                        if tab.evaluate("document.getElementById('text')?.textContent"):
                            return tab
                        time.sleep(0.1)

            time.sleep(0.1)
        shown = [info["url"] for info in self.call("Target.getTargets")["targetInfos"]]
        raise ChromiumError(f"no question window came; pages: {shown}")

    def tab_open(self, target):
        infos = self.call("Target.getTargets")["targetInfos"]
        return any(info["targetId"] == target for info in infos)


class Tab:
    def __init__(self, browser, target, session):
        self.browser = browser
        self.target = target
        self.session = session
        self.call("Page.enable")
        self.call("Runtime.enable")

    def call(self, method, params=None, timeout=30):
        return self.browser.call(method, params, self.session, timeout)

    def navigate(self, url, wait=True):
        """Loads `url`; with wait=False the command is only sent (a leave
        question may hold the navigation)."""
        # What the last page reported is of no use for the next.
        self.browser.drop_events(self.session)
        if not wait:
            self.browser.post("Page.navigate", {"url": url}, self.session)
            return
        self.call("Page.navigate", {"url": url})
        self.browser.event("Page.loadEventFired", session=self.session)

    def evaluate(self, expression, context=None):
        params = {"expression": expression, "returnByValue": True, "awaitPromise": True}
        if context is not None:
            params["contextId"] = context
        result = self.call("Runtime.evaluate", params)
        if "exceptionDetails" in result:
            raise ChromiumError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    def extension_context(self, name="Kiv Downloader", timeout=30):
        """The content scripts' world in the page's top frame."""
        created = self.browser.event(
            "Runtime.executionContextCreated", timeout, self.session,
            lambda params: params["context"]["name"] == name)
        return created["context"]["id"]

    def placeholder(self, expression, context):
        """Evaluates `expression` with `root`, the placeholder's shadow root."""
        return self.evaluate(
            "(() => { const host = document.querySelector('[data-kiv-downloader]');"
            " if (!host) return null; const root = chrome.dom.openOrClosedShadowRoot(host);"
            f" return ({expression}); }})()", context)

    def wait_placeholder(self, expression, context, timeout=30):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            value = self.placeholder(expression, context)
            if value:
                return value
            time.sleep(0.1)
        raise ChromiumError(f"the placeholder never had {expression}")

    def status(self, context):
        return self.placeholder("root.querySelector('.status').textContent", context)

    def element_box(self, element_id):
        """The centre of the page's element and whether it is disabled."""
        return self.evaluate(
            f"(() => {{ const b = document.getElementById('{element_id}'); if (!b) return null;"
            " const r = b.getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2, b.disabled]; })()")

    def click_at(self, x, y, closes=False):
        """A click as the user makes it (a trusted event). With closes=True the
        click may close the window, and with it the reply to the release."""
        for kind in ("mouseMoved", "mousePressed", "mouseReleased"):
            params = {"type": kind, "x": x, "y": y, "button": "left", "clickCount": 1}
            if closes and kind == "mouseReleased":
                self.browser.post("Input.dispatchMouseEvent", params, self.session)
            else:
                self.call("Input.dispatchMouseEvent", params)

    def answer(self, element_id, timeout=30):
        """Clicks a button of the question window once it takes clicks."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            box = self.element_box(element_id)
            if box and not box[2]:
                self.click_at(box[0], box[1], closes=True)
                return
            time.sleep(0.1)
        raise ChromiumError(f"the question's {element_id} button never took clicks")

    def click_button(self, button_id, context):
        """Clicks the placeholder's button as the user does (a trusted click)."""
        box = self.wait_placeholder(
            f"(() => {{ const b = root.querySelector('#{button_id}'); if (!b) return null;"
            " const r = b.getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; })()",
            context)
        for kind in ("mouseMoved", "mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent",
                      {"type": kind, "x": box[0], "y": box[1], "button": "left", "clickCount": 1})
