#!/usr/bin/env python3
"""Pages for the browser control tests, served on 127.0.0.1.

Prints the port it listens on, then one line "GET <path> <kind>" for every request, the kind being
"page" for a navigation and "source" for the browser control's second request of the document (the
engine marks it as a fetch for no particular destination). Ends on SIGTERM or when its standard input
closes, releasing the replies it holds open.

Pages that change by script do so once their request of "/wait" is answered, which happens when the
test asks for "/release": the test decides when a page moves on, whatever the machine's pace.
"""
import http.server
import signal
import sys
import threading

STOP = threading.Event()
RELEASE = threading.Event()  # set by "/release" (or when stopping): "/wait" is answered

# A script that runs `action` once the test has released the page.
def _when_released(action):
    return b"<script>fetch('/wait').then(function() { " + action + b" });</script>"


PAGES = {
    # The address is written into the page by its own script after the page has been read.
    "/grow": b"<html><head><title>Growing page</title></head><body><div id='box'>waiting</div>"
             + _when_released(b"document.getElementById('box').textContent = 'addr=' + 'by-script';")
             + b"</body></html>",
    # Readable at once, but its frame never finishes loading, so the page never completes.
    "/never-complete": b"<html><body><p>addr=while-loading</p><iframe src='/never-readable'></iframe>"
                       b"</body></html>",
    "/plain": b"<html><body><p>nothing to see</p></body></html>",
    # A raw "&" in an attribute and an entity in the title, as pages write them; the engine writes the
    # live document's attribute out with "&amp;". A script adds the address later.
    "/amp": b"<html><head><title>Fish &amp; chips</title></head><body>"
            b"<a href=\"http://127.0.0.1/v?a=1&b=2\">this link</a><div id='box'>waiting</div>"
            + _when_released(b"document.getElementById('box').textContent = 'addr=' + 'late';")
            + b"</body></html>",
    # Moves itself on to /amp by script once it has been read.
    "/moves": b"<html><body><p>moving on</p>" + _when_released(b"location.replace('/amp');") + b"</body></html>",
}

# Pages in a character set of their own: path -> (charset, bytes).
ENCODED = {
    "/latin": ("windows-1252", b"<html><body><p>caf\xe9 \x93quoted\x94 &amp; more</p></body></html>"),
}

# Pages served to a navigation only; the control's second request of them is refused.
PAGE_ONLY = {
    "/page-only": b"<html><body><a href=\"/v?a=1&b=2\">this link</a></body></html>",
}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def _send(self, body, charset="utf-8"):
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=" + charset)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        navigation = self.headers.get("Sec-Fetch-Dest", "") == "document"
        print("GET %s %s" % (self.path, "page" if navigation else "source"), flush=True)
        if self.path in PAGES:
            self._send(PAGES[self.path])
        elif self.path in ENCODED:
            self._send(ENCODED[self.path][1], ENCODED[self.path][0])
        elif self.path in PAGE_ONLY and navigation:
            self._send(PAGE_ONLY[self.path])
        elif self.path == "/release":
            RELEASE.set()
            self._send(b"released")
        elif self.path == "/wait":
            RELEASE.wait()
            self._send(b"go on")
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
    def stop(*_):
        STOP.set()
        RELEASE.set()
    signal.signal(signal.SIGTERM, stop)
    threading.Thread(target=lambda: (sys.stdin.read(), stop()), daemon=True).start()
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print(server.server_address[1], flush=True)
    STOP.wait()
    server.shutdown()
    server.server_close()


if __name__ == "__main__":
    main()
