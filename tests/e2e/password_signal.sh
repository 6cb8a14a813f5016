#!/usr/bin/env bash
# A signal that arrives while the terminal asks for the proxy password (typing
# hidden) ends the run with the terminal's echo back on. The program runs on
# a pseudo-terminal behind a loopback proxy that always asks for credentials.
# Exit 77 (skipped) without python3.
source "$(dirname "$0")/lib.sh"
command -v python3 >/dev/null || { echo "SKIP: python3 is not installed"; exit 77; }
export LANG=C.UTF-8
unset LC_ALL LC_MESSAGES no_proxy NO_PROXY

printf 'data' >"$work/site/file.bin"
start_nginx
write_page "$work/page.html" contentscount=1 "curl1=$base/file.bin"

python3 - "$program" "$work/page.html" "$work/dest" <<'PY' || fail "see above"
import http.server, os, select, signal, subprocess, sys, termios, threading, time

program, page, dest = sys.argv[1:4]

class AskingProxy(http.server.BaseHTTPRequestHandler):
    def challenge(self):
        self.send_response(407)
        self.send_header("Proxy-Authenticate", 'Basic realm="kiv"')
        self.send_header("Content-Length", "0")
        self.end_headers()
    do_HEAD = do_GET = challenge
    def log_message(self, *args):
        pass

proxy = http.server.ThreadingHTTPServer(("127.0.0.1", 0), AskingProxy)
threading.Thread(target=proxy.serve_forever, daemon=True).start()
master, slave = os.openpty()
env = dict(os.environ, http_proxy="http://127.0.0.1:%d" % proxy.server_port)
child = subprocess.Popen(
    [program, "--terminal", "--no-open", "--destination", dest, "--existing", "restart", page],
    stdin=slave, stdout=slave, stderr=slave, env=env, start_new_session=True)
seen = b""

def fail(message):
    child.kill()
    sys.exit("FAIL: %s\n--- terminal:\n%s" % (message, seen.decode(errors="replace")))

def read_until(text, seconds=30):
    global seen
    deadline = time.monotonic() + seconds
    while text not in seen:
        left = deadline - time.monotonic()
        if left <= 0 or child.poll() is not None:
            fail("no %r on the terminal" % text)
        if select.select([master], [], [], left)[0]:
            seen += os.read(master, 4096)

def echo_on():
    return termios.tcgetattr(slave)[3] & termios.ECHO != 0

read_until(b"User name: ")
os.write(master, b"kiv\n")
read_until(b"Password: ")
time.sleep(0.2)  # the prompt is written just before typing is hidden
if echo_on():
    fail("typing is shown during the password question")
child.send_signal(signal.SIGTERM)
try:
    status = child.wait(timeout=20)
except subprocess.TimeoutExpired:
    fail("the program outlived SIGTERM by 20 s")
if not echo_on():
    fail("the program ended (status %d) with typing still hidden" % status)
if status != 1:
    fail("exit status %d after SIGTERM, expected 1" % status)
PY
echo "PASS"
