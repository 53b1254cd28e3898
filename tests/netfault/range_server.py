#!/usr/bin/env python3
"""Serves one file over HTTP/1.0 with ranges, for the network fault and kill tests.

    range_server.py FILE ADDRESS PORT LOG [BYTES_PER_SECOND]

Every path answers with FILE: 200 with its length and an ETag, or 206 for "Range: bytes=N-" (416 past
the end). Each request's range is written to LOG as "range=<value>" on a line of its own. With
BYTES_PER_SECOND the body is sent at about that rate, so a test can act in the middle of it.
"""
import http.server
import sys
import time

path, address, port, log_path = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
rate = int(sys.argv[5]) if len(sys.argv) > 5 else 0
with open(path, "rb") as source:
    data = source.read()
log = open(log_path, "a", buffering=1)
PIECE = 16 * 1024


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def do_GET(self):
        wanted = self.headers.get("Range")
        log.write("range=%s\n" % wanted)
        start = 0
        if wanted and wanted.startswith("bytes=") and wanted.endswith("-") and wanted[6:-1].isdigit():
            start = int(wanted[6:-1])
            if start >= len(data):
                self.send_response(416)
                self.send_header("Content-Range", "bytes */%d" % len(data))
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            self.send_response(206)
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, len(data) - 1, len(data)))
        else:
            self.send_response(200)
        self.send_header("Content-Length", str(len(data) - start))
        self.send_header("ETag", '"v1"')
        self.send_header("Content-Type", "video/x-flv")
        self.end_headers()
        try:
            for at in range(start, len(data), PIECE):
                self.wfile.write(data[at:at + PIECE])
                self.wfile.flush()
                if rate:
                    time.sleep(PIECE / rate)
        except (BrokenPipeError, ConnectionResetError, TimeoutError):
            pass

    def log_message(self, *args):
        pass


http.server.ThreadingHTTPServer((address, port), Handler).serve_forever()
