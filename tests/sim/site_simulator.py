#!/usr/bin/env python3
"""Site simulator: the three video sites and a stream cache, served on 127.0.0.1 for tests and demos.

    python3 tests/sim/site_simulator.py --sites-file /tmp/sites.ini [--exit-on-stdin-close]

Each site listens on a port of its own, because the program tells the sites apart by their host text
("127.0.0.1:<port>"). Ports are picked free (or set with --youtube-port and the like), so that no port's
digits begin another's: "127.0.0.1:4000" would otherwise be found inside "127.0.0.1:40001".

Once every port listens, one line of JSON goes to standard output (then nothing more):

    {"host": "127.0.0.1", "youtube": P1, "metacafe": P2, "google": P3, "cache": P4,
     "sites_file": "...", "example": "http://127.0.0.1:P1/watch?v=demo", "pid": ...,
     "media": {"flv": {"path": "...", "bytes": N}, "mp4": {"path": "...", "bytes": N}}}

The sites file (for CLIPWAVE_SITES_FILE) names those hosts; see write_sites_file. The request log has one
line per request, as it arrives, on standard error or in the --log file:

    <site> <method> <target> <version>[ Range: <value>]        site: youtube|metacafe|google|cache

plus lines starting with "#" for what the simulator noticed or did (a refused token, an entity-escaped
query, "<n> of <m> bytes sent, closing" for a cut stream, a peer that left during a body, "# stopped").
Whoever reads standard error through a pipe must keep reading it, or pass --log. The simulator ends on
SIGTERM or SIGINT, and with --exit-on-stdin-close when its standard input closes; held connections are
shut down first, and it exits with 0 (2 when it cannot start: no ffmpeg, a port in use, ...).

A YouTube watch address whose query goes on after the identifier ("watch?v=clip&mode=slow") gives the
stream service the rest as extra parameters (the program takes everything after the first "=" as the
identifier), so "mode" and "rate" also work there.

Addresses. An identifier (video id, item id, docid) is letters, digits, "_", "." and "-"; its parts
between "-" are words that choose the behaviour, in any order; other parts are just names, so that
"unavail-run7" and "unavail-run8" are different videos. A stream address may also carry
"mode=<words joined by , or ->" and "rate=<bytes per second>" in its query; --stream-modes adds words to
every stream.

YouTube (port P1)
    /watch?v=<id>                       watch page; title element "YouTube - <title>" and a meta title
      token words (one of):
        quoted (default)                script data  {"video_id": "<id>", "t": "<token>", ...}
        amp                             only  href="/watch_fullscreen?video_id=<id>&t=<token>&title=..."
                                        (raw "&" inside an attribute)
        ampscript                       only  '/watch_fullscreen?video_id=<id>&t=<token>&title=...' in a script
        both                            the "&t=" link first with a decoy token, then the quoted form
        late, late<ms>                  the served page holds no token and no token marker; a script writes
                                        the quoted form into an element after --late-delay seconds (or <ms>)
        nomarkers                       no token at all
        today                           the page as the site shows it today: "<title> - YouTube" title,
                                        a player script without any stream address, no token (also on
                                        the other two sites: their titles, no link)
      page words:
        age                             "Confirm Birth Date" page (with a valid token in it)
        age18                           "...please verify you are 18 or older..." page (with a valid token)
        verifyage                       a "/verify_age?..." link and "18" (with a valid token)
        unavail                         the first visit of this exact id gets the page "This functionality
                                        is not available right now...", later visits the normal page
                                        (/_sim/reset forgets the visits)
        meta                            no "YouTube - " title: the meta title "<title> (meta)" counts
        plain                           only a title element "<title> (element)"
        notitle                         no title at all
        utf8                            the title ends in " <U+2013> caf<U+00E9>" (UTF-8); also on the
                                        other two sites
      title: "Sim clip <id>: fish &amp; chips? A/B &quot;live&quot;&nbsp;&copy;2008"
      (the file-name rules make "Sim clip <id> fish & chips AB live @2008.flv" of it)
    /get_video?asv=&video_id=<id>&t=<token>
        wrong or missing token -> 403; else a redirect to http://127.0.0.1:P4/stream/<id>.flv (mode and
        rate of the query passed on), chosen by a word of the id (watch?v=clip-r302) or of mode=:
        default                         303 See Other with "Content-Length: 0"
        r302                            302 Found, no length, no body, connection closed
        r303body                        303 with a short HTML body and its length
        r303close                       303 with a short HTML body, no length, connection closed
Stream cache (port P4)
    /stream/<id>.flv                    the FLV clip, with the stream words below
    /hls/<id>/index.m3u8                an HLS playlist of the clip's sound (AAC in MPEG-TS segments of about
    /hls/<id>/seg<N>.ts                 a second, made with ffmpeg); words: missingseg (seg1.ts is 404),
                                        login (playlist and segments need "sim_login")
    /page/<id>                          a page of another site (for the resolver), with a <video> element
    /playlist/<list>                    a page of another site that lists the videos /page/<list>-1 ... -N (N
                                        from a word "n<N>" of <list>, default 3); tests/sim/fake_ytdlp.py
                                        answers --flat-playlist for it with the same entries
Metacafe (port P2)
    /watch/<item>/<any-slug>/           page; title element "Sim Metacafe clip <item>: rain &amp; sun? 1/2 - Video";
                                        flash variables "...mediaURL=...%255BFrom%2520<P2 host>%255D%2520<item>.flv..."
                                        (page words: nomarkers, notitle, utf8)
    /ItemFiles/%5BFrom%20127.0.0.1:P2%5D%20<item>.flv
                                        the FLV clip (404 when the bracketed host is not this site's)
Google Video (port P3)
    /videoplay?docid=<docid>            page; title "Sim Google clip <docid>: sea &amp; sky? 3/4"; an anchor
                                        <a href="http://127.0.0.1:P3/">Google Video</a>, then
                                        <a href="http://127.0.0.1:P3/videodownload?version=0&secureurl=sim
                                        &docid=<docid>&sigh=<sig>&begin=0">this link</a>  (raw "&")
                                        (page words: nomarkers, notitle, utf8)
    /videodownload?...&docid=<docid>&sigh=<sig>...
                                        the MP4 clip; 400 when the query arrived entity-escaped ("&amp;"),
                                        403 for a wrong signature
Cookies (YouTube words, also on the stream service and the stream of the same id)
        cookie                          the watch page sets "sim_session" (Path=/), which /get_video and
                                        /stream/ then need (403 without); the page also sets cookies that a
                                        browser must not send there: Secure, Domain=example.com, Domain=com,
                                        expired, Path=/elsewhere
        login                           /get_video and /stream/ need "sim_login", set by /signin
    /signin                             a page that sets "sim_login" (Path=/, Max-Age=3600)
    Those streams log "# <site> <path>: cookies <names>" (the names only, never the values).
Every port
    /_sim/reset                         forget the not-available visits; 204

Stream words (any stream: /stream/, /ItemFiles/, /videodownload):
    slow, slow<N>                       sent at --slow-rate bytes per second (or N; rate=N in the query)
    nolen                               no Content-Length; the end of the body is the end of the connection
    cut                                 Content-Length of the whole clip (unless nolen), half of it sent,
                                        then the connection closed
    stall                               like cut, but the connection is held open until the peer closes it
                                        or the simulator stops
    cutonce                             like cut for the first request of this exact stream address only
                                        (later ones are whole; /_sim/reset forgets)
    404                                 404 Not Found with a short HTML body
    norange                             a Range header is ignored: the whole clip, status 200
    wrongrange                          a range is answered 206 with the whole clip ("bytes 0-...")
    newetag                             a range is answered 206 with an ETag of its own, new every time
    shrink                              a range is answered 206 for a total one byte smaller
    chunked                             only closed ranges of at most --chunk-limit bytes are served
                                        ("Range: bytes=A-B"); anything else is 403, as a throttling site does
Words combine: "watch?v=clip-nolen" is a 303 with "Content-Length: 0" before a stream without a length;
"clip-slow-cut" sends half slowly, then closes. Pages are never cached (Cache-Control: no-store).
Streams carry an ETag (made from the clip's bytes), a fixed Last-Modified and "Accept-Ranges: bytes";
"Range: bytes=N-" is answered 206 with "Content-Range: bytes N-(T-1)/T" (416 when N is past the end),
"Range: bytes=A-B" with "bytes A-min(B,T-1)/T"; other forms of Range are ignored (200). With a range, "cut" and "stall" send half of the bytes asked for.
"""
import argparse
import http.server
import json
import os
import re
import select
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import sim_media  # noqa: E402
import sim_pages  # noqa: E402
from sim_pages import Modes  # noqa: E402

HOST = "127.0.0.1"
SITES = ("youtube", "metacafe", "google", "cache")


class Simulator:
    """What every handler shares: options, ports, clips, the visits, the log and the stop signal."""

    def __init__(self, options, media, stop):
        self.options = options
        self.media = media  # kind -> bytes
        self.ports = {}
        self.stop = stop
        self._log_lock = threading.Lock()
        self._log = open(options.log, "a", buffering=1) if options.log else sys.stderr
        self._visits_lock = threading.Lock()
        self._visited = set()
        self._serial = 0
        self._connections_lock = threading.Lock()
        self._connections = set()

    def host(self, site):
        return "%s:%d" % (HOST, self.ports[site])

    def log(self, line):
        with self._log_lock:
            self._log.write(line + "\n")
            self._log.flush()

    def first_visit(self, video_id):
        with self._visits_lock:
            if video_id in self._visited:
                return False
            self._visited.add(video_id)
            return True

    def next_serial(self):
        with self._visits_lock:
            self._serial += 1
            return self._serial

    def reset(self):
        with self._visits_lock:
            self._visited.clear()

    def hold(self, connection):
        with self._connections_lock:
            self._connections.add(connection)

    def release(self, connection):
        with self._connections_lock:
            self._connections.discard(connection)

    def shut_connections(self):
        with self._connections_lock:
            connections = list(self._connections)
        for connection in connections:
            try:
                connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


class Stopping(Exception):
    """The simulator is stopping: a reply that waits gives up."""


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "SiteSimulator/1"
    sim = None   # set per site in a subclass
    site = None

    def log_message(self, *args):
        pass

    def setup(self):
        super().setup()
        self.sim.hold(self.connection)

    def finish(self):
        try:
            super().finish()
        finally:
            self.sim.release(self.connection)

    # ---- replies ----

    def _reply(self, status, body=b"", content_type="text/html; charset=utf-8", headers=(), length=True):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        for name, value in headers:
            self.send_header(name, value)
        if length:
            self.send_header("Content-Length", str(len(body)))
        else:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        self.wfile.write(body)

    def _page(self, body, headers=()):
        self._reply(200, body, headers=[("Cache-Control", "no-store"), ("Pragma", "no-cache")] + list(headers))

    def _cookies(self):
        cookies = {}
        for piece in (self.headers.get("Cookie") or "").split(";"):
            name, _, value = piece.strip().partition("=")
            if name:
                cookies[name] = value
        return cookies

    def _refused_without_cookies(self, modes, video_id):
        """403 for a "cookie" or "login" stream without the cookie it needs. The names of the cookies that
        came are logged, never their values."""
        if not (modes.cookie or modes.login):
            return False
        cookies = self._cookies()
        self.sim.log("# %s %s: cookies %s" % (self.site, urllib.parse.urlsplit(self.path).path,
                                              ",".join(sorted(cookies)) or "none"))
        if modes.cookie and cookies.get("sim_session") != sim_pages.session_for(video_id):
            self._error(403, "no session cookie")
            return True
        if modes.login and cookies.get("sim_login") != sim_pages.LOGIN_VALUE:
            self._error(403, "not signed in")
            return True
        return False

    def _error(self, status, note=None):
        if note:
            self.sim.log("# %s %s: %s" % (self.site, self.path, note))
        text = self.responses.get(status, ("Error",))[0]
        self._reply(status, ("<html><head><title>%d %s</title></head><body><h1>%s</h1></body></html>\n"
                             % (status, text, text)).encode())

    def _wait(self, seconds):
        if self.sim.stop.wait(seconds):
            raise Stopping()

    def _send(self, data, rate):
        if rate is None:
            self.wfile.write(data)
            return
        # Paced by the clock: after t seconds about rate * t bytes are out, in pieces of 1/20 s.
        piece = max(1, rate // 20)
        start = time.monotonic()
        sent = 0
        while sent < len(data):
            due = start + sent / rate
            delay = due - time.monotonic()
            if delay > 0:
                self._wait(delay)
            chunk = data[sent:sent + piece]
            self.wfile.write(chunk)
            sent += len(chunk)

    def _hold_until_peer_closes(self):
        # The simulator's stop shuts the socket down, which also ends this wait.
        while not self.sim.stop.is_set():
            readable, _, _ = select.select([self.connection], [], [])
            if readable and not self.connection.recv(4096):
                return

    def _stream(self, kind, words, query):
        modes = Modes(self.sim.options.stream_modes, words, query.get("mode"))
        if modes.refuse:
            self._error(404)
            return
        data = self.sim.media[kind]
        rate = None
        if "rate" in query and query["rate"].isdigit():
            rate = max(1, int(query["rate"]))
        elif modes.rate is not None:
            rate = modes.rate
        elif modes.slow:
            rate = self.sim.options.slow_rate
        total = len(data)
        first, last, status = self._range(modes, total)
        if modes.chunked and (status != 206 or last is None or last - first + 1 > self.sim.options.chunk_limit):
            self._error(403, "a request for more than a chunk (%s)" % self.headers.get("Range"))
            return
        headers = [("Accept-Ranges", "bytes"), ("ETag", sim_media.etag(data)),
                   ("Last-Modified", sim_media.LAST_MODIFIED)]
        if status == 416:
            self._reply(416, b"", headers=headers + [("Content-Range", "bytes */%d" % total)])
            return
        claimed = total
        if status == 206:
            if modes.new_etag:
                headers[1] = ("ETag", "\"changed-%d\"" % self.sim.next_serial())
            if modes.shrink:
                claimed = total - 1
            if modes.wrong_range:
                first = 0
            end = claimed - 1 if last is None else min(last, claimed - 1)
            headers.append(("Content-Range", "bytes %d-%d/%d" % (first, end, claimed)))
            body = data[first:end + 1]
        else:
            body = data[first:claimed]
        broken = modes.cut or modes.stall or (modes.cut_once and self.sim.first_visit("cut " + self.path))
        half = len(body) // 2
        self.send_response(status)
        self.send_header("Content-Type", "video/x-flv" if kind == "flv" else "video/mp4")
        for name, value in headers:
            self.send_header(name, value)
        if not modes.no_length:
            self.send_header("Content-Length", str(len(body)))
        if modes.no_length or broken:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        try:
            self._send(body[:half] if broken else body, rate)
            if broken:
                self.sim.log("# %s %s: %d of %d bytes sent, %s" % (
                    self.site, self.path, half, len(body), "holding the connection" if modes.stall else "closing"))
            if modes.stall:
                self._hold_until_peer_closes()
        except Stopping:
            self.close_connection = True
            return
        except OSError as error:
            self.sim.log("# %s %s: connection ended during the body (%s)" % (self.site, self.path, error.strerror))
            self.close_connection = True
            return
        if broken:
            try:
                self.connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

    def _range(self, modes, total):
        """The first and last byte to send (None: to the end) and the status: "Range: bytes=N-" and
        "bytes=A-B" are honoured (206, or 416 past the end) unless the stream ignores ranges; every other
        form of Range is ignored (200)."""
        wanted = self.headers.get("Range")
        if wanted is None or modes.no_range:
            return 0, None, 200
        match = re.match(r"^bytes=(\d+)-(\d*)$", wanted.strip())
        if not match:
            return 0, None, 200
        first = int(match.group(1))
        last = int(match.group(2)) if match.group(2) else None
        if first >= total or (last is not None and last < first):
            return first, last, 416
        return first, last, 206

    # ---- requests ----

    def do_GET(self):
        line = "%s %s %s %s" % (self.site, self.command, self.path, self.request_version)
        if self.headers.get("Range") is not None:
            line += " Range: " + self.headers.get("Range")
        self.sim.log(line)
        try:
            url = urllib.parse.urlsplit(self.path)
            if url.path == "/_sim/reset":
                self.sim.reset()
                self.send_response(204)
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            getattr(self, "get_" + self.site)(url.path, url.query)
        except OSError:
            self.close_connection = True

    def get_youtube(self, path, raw_query):
        query = _query(raw_query)
        if path == "/watch":
            video_id = query.get("v", "")
            if not sim_pages.ID_PATTERN.match(video_id):
                return self._error(404)
            modes = Modes(video_id)
            if modes.unavailable and self.sim.first_visit(video_id):
                return self._page(sim_pages.youtube_unavailable_page())
            late_ms = int(self.sim.options.late_delay * 1000)
            cookies = []
            if modes.cookie:
                # The session, and cookies a browser refuses or keeps away from the streams.
                cookies = [("Set-Cookie", "sim_session=%s; Path=/" % sim_pages.session_for(video_id)),
                           ("Set-Cookie", "sim_secure=1; Path=/; Secure"),
                           ("Set-Cookie", "sim_other=1; Path=/; Domain=example.com"),
                           ("Set-Cookie", "sim_suffix=1; Path=/; Domain=com"),
                           ("Set-Cookie", "sim_expired=1; Path=/; Expires=Thu, 01 Jan 1970 00:00:00 GMT"),
                           ("Set-Cookie", "sim_path=1; Path=/elsewhere")]
            return self._page(sim_pages.youtube_watch_page(video_id, modes, late_ms), cookies)
        if path == "/signin":
            return self._page(sim_pages.signin_page(),
                              [("Set-Cookie", "sim_login=%s; Path=/; Max-Age=3600" % sim_pages.LOGIN_VALUE)])
        if path == "/get_video":
            video_id = query.get("video_id", "")
            if not sim_pages.ID_PATTERN.match(video_id):
                return self._error(404, "no usable video_id")
            if query.get("t") != sim_pages.token_for(video_id):
                return self._error(403, "token %r is not the token of %s" % (query.get("t"), video_id))
            modes = Modes(self.sim.options.stream_modes, video_id, query.get("mode"))
            if self._refused_without_cookies(modes, video_id):
                return None
            passed = {key: query[key] for key in ("mode", "rate") if key in query}
            location = "http://%s/stream/%s.flv" % (self.sim.host("cache"), video_id)
            if passed:
                location += "?" + urllib.parse.urlencode(passed)
            note = ("<html><body>The video is <a href=\"%s\">here</a>.</body></html>\n" % location).encode()
            if modes.redirect == "302":
                self.send_response(302)
                self.send_header("Location", location)
                self.send_header("Connection", "close")
                self.close_connection = True
                self.end_headers()
            elif modes.redirect == "303body":
                self._reply(303, note, headers=[("Location", location)])
            elif modes.redirect == "303close":
                self._reply(303, note, headers=[("Location", location)], length=False)
            else:
                self._reply(303, b"", headers=[("Location", location)])
            return None
        return self._error(404)

    def get_cache(self, path, raw_query):
        if path.startswith("/hls/"):
            return self._hls(path)
        if path.startswith("/page/"):
            page_id = path[len("/page/"):]
            if not sim_pages.ID_PATTERN.match(page_id):
                return self._error(404)
            return self._page(("<!DOCTYPE html><html><head><title>Other site clip %s</title></head><body>"
                               "<video src=\"/stream/%s.flv\"></video></body></html>\n" % (page_id, page_id)).encode())
        if path.startswith("/playlist/"):
            list_id = path[len("/playlist/"):]
            if not sim_pages.ID_PATTERN.match(list_id):
                return self._error(404)
            words = list_id.lower().split("-")
            count = next((int(w[1:]) for w in words if re.match(r"^n\d+$", w)), 3)
            links = "".join("<li><a href=\"/page/%s-%d\">Sim clip %s-%d</a></li>" % (list_id, k, list_id, k)
                            for k in range(1, min(count, 1000) + 1))
            return self._page(("<!DOCTYPE html><html><head><title>Sim list %s</title></head><body><ol>%s</ol>"
                               "</body></html>\n" % (list_id, links)).encode())
        name = path[len("/stream/"):] if path.startswith("/stream/") else ""
        video_id = name[:-4] if name.endswith(".flv") else ""
        if not sim_pages.ID_PATTERN.match(video_id):
            return self._error(404)
        if self._refused_without_cookies(Modes(self.sim.options.stream_modes, video_id), video_id):
            return None
        return self._stream("flv", video_id, _query(raw_query))

    def _hls(self, path):
        parts = path.split("/")
        if len(parts) != 4 or not sim_pages.ID_PATTERN.match(parts[2]):
            return self._error(404)
        video_id, name = parts[2], parts[3]
        modes = Modes(self.sim.options.stream_modes, video_id)
        if self._refused_without_cookies(modes, video_id):
            return None
        if name not in self.sim.hls:
            return self._error(404)
        if modes.missing_segment and name == "seg1.ts":
            return self._error(404, "a missing segment")
        content_type = "application/vnd.apple.mpegurl" if name.endswith(".m3u8") else "video/mp2t"
        return self._reply(200, self.sim.hls[name], content_type=content_type)

    def get_metacafe(self, path, raw_query):
        if path.startswith("/watch/"):
            item_id = path[len("/watch/"):].split("/")[0]
            if not sim_pages.ID_PATTERN.match(item_id):
                return self._error(404)
            return self._page(sim_pages.metacafe_page(item_id, Modes(item_id), self.sim.host("metacafe"),
                                                      self.sim.host("metacafe")))
        if path.startswith("/ItemFiles/"):
            name = urllib.parse.unquote(path[len("/ItemFiles/"):])
            prefix = "[From %s] " % self.sim.host("metacafe")
            if not name.startswith(prefix):
                return self._error(404, "item file without the prefix %r" % prefix)
            item = name[len(prefix):]
            item_id = item[:-4] if item.lower().endswith(".flv") else ""
            if not sim_pages.ID_PATTERN.match(item_id):
                return self._error(404)
            return self._stream("flv", item_id, _query(raw_query))
        return self._error(404)

    def get_google(self, path, raw_query):
        if path == "/videoplay":
            docid = _query(raw_query).get("docid", "")
            if not sim_pages.ID_PATTERN.match(docid):
                return self._error(404)
            return self._page(sim_pages.google_page(docid, Modes(docid), self.sim.host("google")))
        if path == "/videodownload":
            if "&amp;" in raw_query.lower():
                return self._error(400, "query written with &amp; between its parameters")
            query = _query(raw_query)
            docid = query.get("docid", "")
            if not sim_pages.ID_PATTERN.match(docid):
                return self._error(404, "no usable docid")
            if query.get("sigh") != sim_pages.signature_for(docid):
                return self._error(403, "wrong signature for %s" % docid)
            return self._stream("mp4", docid, query)
        if path == "/":
            return self._page(b"<html><head><title>Google Video</title></head><body>Home</body></html>\n")
        return self._error(404)


def _query(raw):
    # The first value of each key; blank values kept ("asv=").
    values = {}
    for key, value in urllib.parse.parse_qsl(raw, keep_blank_values=True):
        values.setdefault(key, value)
    return values


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    block_on_close = False


def _bind(sim, wanted):
    """Binds the four sites; retries free ports until no port's digits are a prefix of another's."""
    for _ in range(50):
        servers = {}
        for site in SITES:
            handler = type(site.capitalize() + "Handler", (Handler,), {"sim": sim, "site": site})
            servers[site] = Server((HOST, wanted[site]), handler)
        texts = [str(server.server_address[1]) for server in servers.values()]
        clash = any(a != b and b.startswith(a) for a in texts for b in texts) or len(set(texts)) < len(texts)
        if not clash:
            return servers
        for server in servers.values():
            server.server_close()
        if all(wanted[site] != 0 for site in SITES):
            raise RuntimeError("the ports %s overlap as host texts" % ", ".join(texts))
    raise RuntimeError("no set of free ports without overlapping host texts")


def write_sites_file(path, sim, example_id):
    text = ("; Written by the site simulator (pid %d).\n"
            "[Sites]\n"
            "YouTubeDomain={yt}\n"
            "MetacafeDomain={mc}\n"
            "GoogleDomain={gv}\n"
            "YouTubeHost={yt}\n"
            "MetacafeFileHost={mc}\n"
            "MetacafeHost={mc}\n"
            "GoogleVideoPlayerHost={gv}\n"
            "StreamCachePrefix=http://{cache}/\n"
            "ExampleWatchUrl=http://{yt}/watch?v={example}\n" % os.getpid()).format(
        yt=sim.host("youtube"), mc=sim.host("metacafe"), gv=sim.host("google"), cache=sim.host("cache"),
        example=example_id)
    folder = os.path.dirname(os.path.abspath(path))
    handle, partial = tempfile.mkstemp(dir=folder, prefix=".sites-")
    with os.fdopen(handle, "w") as out:
        out.write(text)
    os.replace(partial, path)


def _options(argv):
    parser = argparse.ArgumentParser(description="Serves the three video sites and a stream cache on 127.0.0.1.")
    parser.add_argument("--sites-file", help="write the sites file (for CLIPWAVE_SITES_FILE) here")
    parser.add_argument("--youtube-port", type=int, default=0)
    parser.add_argument("--metacafe-port", type=int, default=0)
    parser.add_argument("--google-port", type=int, default=0)
    parser.add_argument("--cache-port", type=int, default=0)
    parser.add_argument("--stream-modes", default="",
                        help="stream words for every stream, e.g. slow,nolen (see the module text)")
    parser.add_argument("--slow-rate", type=int, default=65536, help="bytes per second of a slow stream")
    parser.add_argument("--chunk-limit", type=int, default=65536,
                        help="the most bytes one request of a chunked stream may ask for")
    parser.add_argument("--late-delay", type=float, default=3.0,
                        help="seconds before the late page's script writes its token")
    parser.add_argument("--duration", type=float, default=4.0, help="seconds of video in the clips")
    parser.add_argument("--media-dir", default=sim_media.default_media_dir(), help="where the clips are kept")
    parser.add_argument("--ffmpeg", default="ffmpeg")
    parser.add_argument("--example-id", default="demo", help="video id of ExampleWatchUrl")
    parser.add_argument("--log", help="append the request log to this file instead of standard error")
    parser.add_argument("--exit-on-stdin-close", action="store_true", help="end when standard input closes")
    options = parser.parse_args(argv)
    if options.slow_rate < 1:
        parser.error("--slow-rate must be at least 1")
    if not sim_pages.ID_PATTERN.match(options.example_id):
        parser.error("--example-id must be letters, digits, '_', '.' or '-'")
    return options


def main(argv=None):
    options = _options(argv)
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    wanted = {"youtube": options.youtube_port, "metacafe": options.metacafe_port,
              "google": options.google_port, "cache": options.cache_port}
    try:
        paths = sim_media.make_videos(options.media_dir, options.duration, options.ffmpeg)
        media = {}
        for kind, path in paths.items():
            with open(path, "rb") as clip:
                media[kind] = clip.read()
        hls = sim_media.make_hls(options.media_dir, options.duration, options.ffmpeg)
        if stop.is_set():
            return 0
        sim = Simulator(options, media, stop)
        sim.hls = hls
        servers = _bind(sim, wanted)
        for site, server in servers.items():
            sim.ports[site] = server.server_address[1]
        if options.sites_file:
            write_sites_file(options.sites_file, sim, options.example_id)
    except (OSError, RuntimeError, subprocess.SubprocessError) as error:
        sys.stderr.write("site_simulator: %s\n" % error)
        return 2
    for site, server in servers.items():
        threading.Thread(target=server.serve_forever, args=(0.1,), name=site, daemon=True).start()
    if options.exit_on_stdin_close:
        def watch_stdin():
            while sys.stdin.buffer.read1(65536):
                pass
            sim.stop.set()
        threading.Thread(target=watch_stdin, name="stdin", daemon=True).start()

    ready = {"host": HOST}
    ready.update(sim.ports)
    ready.update({
        "sites_file": os.path.abspath(options.sites_file) if options.sites_file else None,
        "example": "http://%s/watch?v=%s" % (sim.host("youtube"), options.example_id),
        "pid": os.getpid(),
        "media": {kind: {"path": path, "bytes": len(media[kind])} for kind, path in paths.items()},
    })
    sys.stdout.write(json.dumps(ready) + "\n")
    sys.stdout.flush()

    sim.stop.wait()
    # All four at once: each shutdown waits for its loop's next poll.
    stoppers = [threading.Thread(target=server.shutdown) for server in servers.values()]
    for stopper in stoppers:
        stopper.start()
    sim.shut_connections()
    for stopper in stoppers:
        stopper.join()
    for server in servers.values():
        server.server_close()
    sim.log("# stopped")
    return 0


if __name__ == "__main__":
    sys.exit(main())
