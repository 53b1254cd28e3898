"""The simulated sites' pages, and the words in an address that choose what a page or stream does.

Every page is plain ASCII HTML (UTF-8 only with the "utf8" word). The markers are written the way the
sites write them; see site_simulator.py for the address scheme.
"""
import hashlib
import re

# Video identifiers, item ids and document ids: safe to write into HTML, script and paths as they are.
ID_PATTERN = re.compile(r"^[A-Za-z0-9_.-]{1,80}$")

_NUMBERED = re.compile(r"^(slow|late)(\d+)$")


class Modes:
    """The words of one request: from its identifier (split at "-"), an optional "mode" query value
    (split at "," or "-"), and the options that apply to every stream. Unknown words are names."""

    def __init__(self, *sources):
        self.token = "quoted"      # quoted | amp | ampscript | both | late | none
        self.late_ms = None        # late<ms>: this page's delay
        self.age = None            # age | age18 | verifyage
        self.unavailable = False   # unavail: the not-available page on the first visit
        self.title = "full"        # full | meta | plain | none
        self.utf8 = False
        self.slow = False
        self.rate = None           # slow<N> or rate=N: bytes per second
        self.no_length = False
        self.cut = False
        self.stall = False
        self.refuse = False        # 404
        self.redirect = "303"      # 303 | 302 | 303body | 303close
        self.cut_once = False      # cutonce: only the first request of a stream is cut
        self.no_range = False      # norange: a Range header is ignored
        self.wrong_range = False   # wrongrange: a range is answered with other bytes
        self.new_etag = False      # newetag: a range is answered with a changed ETag
        self.shrink = False        # shrink: a range is answered for a smaller total
        self.cookie = False        # cookie: the page sets a session cookie the streams need
        self.login = False         # login: the streams need the cookie of the sign-in page
        self.no_link = False       # nomarkers on Metacafe and Google Video pages
        self.chunked = False       # chunked: a stream that refuses requests for more than a chunk
        self.missing_segment = False  # missingseg: the HLS playlist's second segment is missing
        for source in sources:
            for word in re.split(r"[-,]", source or ""):
                self._take(word.lower())

    def _take(self, word):
        numbered = _NUMBERED.match(word)
        if numbered:
            word, number = numbered.group(1), int(numbered.group(2))
            if word == "slow":
                self.rate = max(1, number)
            else:
                self.late_ms = number
        if word in ("quoted", "amp", "ampscript", "both", "late"):
            self.token = word
        elif word == "nomarkers":
            self.token = "none"
            self.no_link = True
        elif word == "today":
            # The page as the site shows it today: its title, a player filled in by scripts, no markers.
            self.token = "none"
            self.no_link = True
            self.title = "today"
        elif word == "chunked":
            self.chunked = True
        elif word == "missingseg":
            self.missing_segment = True
        elif word in ("age", "age18", "verifyage"):
            self.age = word
        elif word == "unavail":
            self.unavailable = True
        elif word in ("meta", "plain"):
            self.title = word
        elif word == "notitle":
            self.title = "none"
        elif word == "utf8":
            self.utf8 = True
        elif word == "slow":
            self.slow = True
        elif word == "nolen":
            self.no_length = True
        elif word == "cut":
            self.cut = True
        elif word == "stall":
            self.stall = True
        elif word == "cutonce":
            self.cut_once = True
        elif word == "norange":
            self.no_range = True
        elif word == "wrongrange":
            self.wrong_range = True
        elif word == "newetag":
            self.new_etag = True
        elif word == "shrink":
            self.shrink = True
        elif word == "cookie":
            self.cookie = True
        elif word == "login":
            self.login = True
        elif word == "404":
            self.refuse = True
        elif word in ("r302", "r303body", "r303close"):
            self.redirect = word[1:]


def token_for(video_id):
    """The stream token of a video: fixed for its identifier, so the stream service can check it."""
    return "sim" + hashlib.sha1(("token:" + video_id).encode()).hexdigest()[:24]


def session_for(video_id):
    """The session cookie's value the watch page of a "cookie" video sets."""
    return "s" + hashlib.sha1(("session:" + video_id).encode()).hexdigest()[:20]


LOGIN_VALUE = "signed-in-" + hashlib.sha1(b"login").hexdigest()[:12]


def signin_page():
    return _page("<title>Sim sign-in</title>\n", "<p>You are signed in.</p>\n")


def decoy_token_for(video_id):
    return "decoy" + hashlib.sha1(("decoy:" + video_id).encode()).hexdigest()[:20]


def signature_for(docid):
    return hashlib.sha1(("sigh:" + docid).encode()).hexdigest()[:16]


def _page(head, body):
    return ("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n"
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n"
            "<link rel=\"icon\" href=\"data:,\">\n" + head + "</head>\n<body>\n" + body
            + "</body>\n</html>\n").encode("utf-8")


# ---- YouTube ----

def youtube_title(video_id, modes):
    title = "Sim clip %s: fish &amp; chips? A/B &quot;live&quot;&nbsp;&copy;2008" % video_id
    if modes.utf8:
        title += " \u2013 caf\u00e9"
    return title


def _youtube_head(video_id, modes):
    title = youtube_title(video_id, modes)
    meta = "<meta name=\"title\" content=\"%s (meta)\">\n" % title
    element = "<title>%s (element)</title>\n" % title
    if modes.title == "full":
        return "<title>YouTube - %s</title>\n%s" % (title, meta)
    if modes.title == "meta":
        return element + meta
    if modes.title == "plain":
        return element
    if modes.title == "today":
        return "<title>%s - YouTube</title>\n%s" % (title, meta)
    return ""


def _late_script(video_id, token, delay_ms):
    # Neither the token nor either of its markers is in the page as served: the key is made from its
    # character code and the token is stored reversed. The text is set as the text of an element, so
    # the live document shows it exactly as written here.
    return ("<div id=\"watch-player-args\"></div>\n"
            "<script>\n"
            "setTimeout(function () {\n"
            "  var key = String.fromCharCode(116);\n"
            "  var value = \"%s\".split(\"\").reverse().join(\"\");\n"
            "  document.getElementById(\"watch-player-args\").textContent =\n"
            "      '{\"video_id\": \"%s\", \"' + key + '\": \"' + value + '\", \"hl\": \"en\"}';\n"
            "}, %d);\n"
            "</script>\n") % (token[::-1], video_id, delay_ms)


def _quoted_script(video_id, token):
    return ("<script>\nvar swfArgs = {\"video_id\": \"%s\", \"t\": \"%s\", \"hl\": \"en\", \"fs\": \"1\"};\n"
            "</script>\n") % (video_id, token)


def _fullscreen_link(video_id, token):
    # A raw "&" between the query parameters inside an attribute, as the site writes it.
    return ("<a id=\"watch-fullscreen\" href=\"/watch_fullscreen?video_id=%s&t=%s&title=Sim%%20clip\">"
            "Watch in full screen</a>\n") % (video_id, token)


def youtube_watch_page(video_id, modes, late_ms):
    """The watch page of `video_id`; the not-available page is chosen by the caller."""
    token = token_for(video_id)
    head = _youtube_head(video_id, modes)
    body = "<div id=\"masthead\"><a href=\"/\">Home</a></div>\n"
    if modes.age == "age":
        body += ("<h2>Confirm Birth Date</h2>\n<p>This video or group may contain content that is "
                 "inappropriate for some users, as flagged by the user community.</p>\n")
    elif modes.age == "age18":
        body += ("<p>This video or group may contain content that is inappropriate for some users. To view "
                 "this video or group, please verify you are 18 or older by logging in or signing up.</p>\n")
    elif modes.age == "verifyage":
        body += ("<p>You must be 18 or over to watch this video.</p>\n"
                 "<a href=\"/verify_age?next_url=/watch%%3Fv%%3D%s\">Continue</a>\n") % video_id
    if modes.title != "none":
        body += "<h1 id=\"watch-headline\">%s</h1>\n" % youtube_title(video_id, modes)
    body += "<div id=\"watch-player\">Player</div>\n"
    # An age page carries a valid token too: stopping must come from the age check, not from a lack.
    form = "quoted" if modes.age else modes.token
    if form == "quoted":
        body += _quoted_script(video_id, token)
    elif form == "amp":
        body += _fullscreen_link(video_id, token)
    elif form == "ampscript":
        body += ("<script>\nvar fullscreenUrl = '/watch_fullscreen?video_id=%s&t=%s&title=Sim%%20clip';\n"
                 "</script>\n") % (video_id, token)
    elif form == "both":
        # The other form first, with a token the stream service refuses: the quoted form must win.
        body += _fullscreen_link(video_id, decoy_token_for(video_id)) + _quoted_script(video_id, token)
    elif form == "late":
        body += _late_script(video_id, token, modes.late_ms if modes.late_ms is not None else late_ms)
    if modes.title == "today":
        # Today's player reads its streams from the site's own services: no address is in the page.
        body += ("<script>\nvar ytInitialPlayerResponse = {\"playabilityStatus\": {\"status\": \"OK\"}, "
                 "\"videoDetails\": {\"videoId\": \"%s\"}, \"streamingData\": {\"serverAbrStreamingUrl\": "
                 "\"/videoplayback?sabr=1\"}};\n</script>\n") % video_id
    body += "<div id=\"watch-description\">A test picture and a tone.</div>\n"
    return _page(head, body)


def youtube_unavailable_page():
    return _page("<title>YouTube - Broadcast Yourself.</title>\n",
                 "<div class=\"errorBox\">This functionality is not available right now. "
                 "Please try again later.</div>\n")


# ---- Metacafe ----

def metacafe_title(item_id, modes):
    title = "Sim Metacafe clip %s: rain &amp; sun? 1/2" % item_id
    if modes.utf8:
        title += " \u2013 caf\u00e9"
    return title


def metacafe_page(item_id, modes, file_host, host):
    """The page's flash variables hold the item file's address, percent-encoded twice, as
    "...%255BFrom%2520<host>%255D%2520<item>.flv"."""
    title = metacafe_title(item_id, modes)
    head = "<title>%s - Video</title>\n" % title if modes.title != "none" else ""
    body = "<h1 id=\"ItemTitle\">%s</h1>\n" % title if modes.title != "none" else ""
    if not modes.no_link:
        media = ("http%%3A%%2F%%2F%s%%2FItemFiles%%2F%%255BFrom%%2520%s%%255D%%2520%s.flv"
                 % (file_host.replace(":", "%3A"), host.replace(":", "%3A"), item_id))
        body += ("<div id=\"FlashWrap\" data-flashvars=\"itemID=%s&mediaURL=%s&autoPlay=true\">Player</div>\n"
                 % (item_id, media))
    body += "<p id=\"Desc\">A test picture and a tone.</p>\n"
    return _page(head, body)


# ---- Google Video ----

def google_title(docid, modes):
    title = "Sim Google clip %s: sea &amp; sky? 3/4" % docid
    if modes.utf8:
        title += " \u2013 caf\u00e9"
    return title


def google_link(docid, player_host):
    return ("http://%s/videodownload?version=0&secureurl=sim&docid=%s&sigh=%s&begin=0"
            % (player_host, docid, signature_for(docid)))


def google_page(docid, modes, player_host):
    """The direct link stands in an anchor whose text is "this link", with raw "&" in its query; an
    earlier anchor on the same host with other text comes first."""
    head = "<title>%s</title>\n" % google_title(docid, modes) if modes.title != "none" else ""
    body = "<div id=\"header\"><a href=\"http://%s/\">Google Video</a></div>\n" % player_host
    body += "<div id=\"player\">Player</div>\n"
    if not modes.no_link:
        body += ("<p>Download this video to your computer from <a href=\"%s\">this link</a>.</p>\n"
                 % google_link(docid, player_host))
    return _page(head, body)
