#!/usr/bin/env python3
"""A loopback HTTP server for bodies nginx will not send.

/cut.bin     HEAD: no length. GET: chunked, the first half, then the
             connection ends without the last chunk; a Range request gets
             the rest with 206.
/endless.bin HEAD: no length. GET: chunked, without end.

Usage: body_server.py PORT-FILE LOG-FILE CONTENT-FILE. Writes its port to
PORT-FILE, one line per request to LOG-FILE, and stops by itself after
180 seconds or 1 GiB sent to one client.
"""
import http.server
import os
import re
import sys
import threading

port_file, log_file, content_file = sys.argv[1:4]
content = open(content_file, "rb").read()
LAST_MODIFIED = "Wed, 01 Jul 2015 00:00:00 GMT"
ENDLESS_LIMIT = 1 << 30


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def note(self):
        with open(log_file, "a") as log:
            log.write(f"{self.command} {self.path} range={self.headers.get('Range', '')}\n")

    def head_lines(self, status, extra=()):
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Last-Modified", LAST_MODIFIED)
        for name, value in extra:
            self.send_header(name, value)

    def do_HEAD(self):
        self.note()
        self.head_lines(200)
        self.send_header("Connection", "close")
        self.end_headers()

    def chunk(self, data):
        self.wfile.write(b"%x\r\n%s\r\n" % (len(data), data))

    def do_GET(self):
        self.note()
        self.close_connection = True
        if self.path == "/cut.bin":
            start = re.fullmatch(r"bytes=(\d+)-", self.headers.get("Range", ""))
            if start:
                first = int(start.group(1))
                rest = content[first:]
                whole = len(content)
                self.head_lines(206, [("Content-Length", str(len(rest))),
                                      ("Content-Range", f"bytes {first}-{whole - 1}/{whole}")])
                self.end_headers()
                self.wfile.write(rest)
                return
            self.head_lines(200, [("Transfer-Encoding", "chunked")])
            self.end_headers()
            self.chunk(content[: len(content) // 2])
            return  # no last chunk
        if self.path == "/endless.bin":
            self.head_lines(200, [("Transfer-Encoding", "chunked")])
            self.end_headers()
            piece = b"x" * 65536
            for _ in range(ENDLESS_LIMIT // len(piece)):
                self.chunk(piece)
            return
        self.send_error(404)


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
stopper = threading.Timer(180, server.shutdown)
stopper.daemon = True
stopper.start()
with open(port_file + ".tmp", "w") as out:
    out.write(str(server.server_address[1]))
os.rename(port_file + ".tmp", port_file)
server.serve_forever()
