#!/usr/bin/env python3
"""Pages for the browser control tests, served on 127.0.0.1.

Prints the port it listens on, then one line "GET <path>" for every request. Ends on SIGTERM or
when its standard input closes, releasing the replies it holds open.
"""
import http.server
import signal
import sys
import threading

STOP = threading.Event()

PAGES = {
    # The address is written into the page by its own script a moment after the page has loaded.
    "/grow": b"<html><head><title>Growing page</title></head><body><div id='box'>waiting</div>"
             b"<script>setTimeout(function() {"
             b" document.getElementById('box').textContent = 'addr=' + 'by-script'; }, 300);</script>"
             b"</body></html>",
    # Readable at once, but its frame never finishes loading, so the page never completes.
    "/never-complete": b"<html><body><p>addr=while-loading</p><iframe src='/never-readable'></iframe>"
                       b"</body></html>",
    "/plain": b"<html><body><p>nothing to see</p></body></html>",
}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        print("GET " + self.path, flush=True)
        if self.path in PAGES:
            body = PAGES[self.path]
            self.send_response(200)
            self.send_header("Content-Type", "text/html; charset=utf-8")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        elif self.path == "/never-readable":
            # Headers and the start of the body, then nothing until the server stops.
            self.send_response(200)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", "100000")
            self.end_headers()
            self.wfile.write(b"<html><body><p>addr=never-readable")
            self.wfile.flush()
            STOP.wait()
        else:
            self.send_error(404)


def main():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    signal.signal(signal.SIGTERM, lambda *_: STOP.set())
    threading.Thread(target=lambda: (sys.stdin.read(), STOP.set()), daemon=True).start()
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print(server.server_address[1], flush=True)
    STOP.wait()
    server.shutdown()
    server.server_close()


if __name__ == "__main__":
    main()
