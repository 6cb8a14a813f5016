"""Headless Firefox ESR driven over Marionette (its own TCP protocol:
"LENGTH:JSON" frames, commands [0, id, name, params], replies
[1, id, error, result]) with the standard library only. The add-on is
installed unpacked as a temporary add-on, which needs no signature and no
web-ext.
"""
import json
import os
import socket
import subprocess
import time


class FirefoxError(Exception):
    pass


class Firefox:
    def __init__(self, binary, profile, port, env, log):
        os.makedirs(profile, exist_ok=True)
        prefs = {
            "marionette.port": port,
            "browser.shell.checkDefaultBrowser": False,
            "browser.startup.homepage_override.mstone": "ignore",
            "datareporting.policy.dataSubmissionEnabled": False,
            "app.update.disabledForTesting": True,
            "browser.tabs.warnOnClose": False,
        }
        with open(os.path.join(profile, "user.js"), "w") as out:
            for name, value in prefs.items():
                out.write(f"user_pref({json.dumps(name)}, {json.dumps(value)});\n")
        self.process = subprocess.Popen(
            [binary, "--headless", "--marionette", "--no-remote", "--profile", profile, "about:blank"],
            env=dict(env, MOZ_HEADLESS="1"), stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        self._buffer = b""
        self._next_id = 0
        self._socket = self._connect(port, 60)
        self._frame()  # the greeting
        self.call("WebDriver:NewSession", {"capabilities": {}})

    def _connect(self, port, seconds):
        deadline = time.monotonic() + seconds
        while True:
            try:
                connection = socket.create_connection(("127.0.0.1", port), timeout=5)
                connection.settimeout(60)
                return connection
            except OSError:
                if time.monotonic() > deadline or self.process.poll() is not None:
                    raise FirefoxError("Marionette did not answer")
                time.sleep(0.2)

    def _frame(self):
        while b":" not in self._buffer:
            self._buffer += self._receive()
        length, rest = self._buffer.split(b":", 1)
        while len(rest) < int(length):
            rest += self._receive()
        self._buffer = rest[int(length):]
        return json.loads(rest[:int(length)])

    def _receive(self):
        chunk = self._socket.recv(1 << 16)
        if not chunk:
            raise FirefoxError("Firefox closed Marionette")
        return chunk

    def call(self, name, params=None):
        self._next_id += 1
        data = json.dumps([0, self._next_id, name, params or {}]).encode()
        self._socket.sendall(str(len(data)).encode() + b":" + data)
        while True:
            reply = self._frame()
            if reply[0] == 1 and reply[1] == self._next_id:
                if reply[2]:
                    raise FirefoxError(f"{name}: {reply[2]}")
                return reply[3]

    def close(self):
        try:
            self.call("Marionette:Quit", {"flags": ["eForceQuit"]})
        except (FirefoxError, OSError):
            pass
        try:
            self.process.wait(15)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()

    def install_addon(self, folder):
        return self.call("Addon:Install", {"path": folder, "temporary": True})["value"]

    def open_tab(self, url):
        """A new tab on `url`, selected; returns its handle."""
        handle = self.call("WebDriver:NewWindow", {"type": "tab"})["handle"]
        self.call("WebDriver:SwitchToWindow", {"handle": handle, "focus": True})
        self.call("WebDriver:Navigate", {"url": url})
        return handle

    def handles(self):
        return self.call("WebDriver:GetWindowHandles")

    def script(self, source):
        return self.call("WebDriver:ExecuteScript", {"script": source, "args": []}).get("value")

    def click(self, x, y):
        """A click at page coordinates, as the user makes it (a trusted event)."""
        self.call("WebDriver:PerformActions", {"actions": [{
            "type": "pointer", "id": "mouse", "parameters": {"pointerType": "mouse"},
            "actions": [{"type": "pointerMove", "x": int(x), "y": int(y), "origin": "viewport"},
                        {"type": "pointerDown", "button": 0}, {"type": "pointerUp", "button": 0}]}]})
        self.call("WebDriver:ReleaseActions")
