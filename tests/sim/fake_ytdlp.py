#!/usr/bin/env python3
"""A stand-in for today's yt-dlp, for tests and benchmarks: put first on PATH as "yt-dlp" (a link to this
file, or a small script that runs it). It answers for the site simulator's pages as yt-dlp does today:

    yt-dlp --version                    prints $FAKE_YTDLP_VERSION (default 2025.11.12)
    yt-dlp [--ignore-config] [--js-runtimes NAME[:PATH]] [--cookies FILE] --dump-single-json ... -- PAGE
    yt-dlp [--ignore-config] --flat-playlist -J ... -- PAGE

Lists: the stream cache's /playlist/<list> page (http://127.0.0.1:P4/playlist/<list>), and any of the pages
below with "?list=<list>" (or "&list=<list>") after it. With --flat-playlist they answer as a playlist titled
"Sim list <list>" whose entries are the pages /page/<list>-1 ... /page/<list>-N of the stream cache, N from a
word "n<N>" of <list> (default 3); the word "noentries" gives a list without entries. Without
--flat-playlist a page with "list=" answers for its video alone (as --no-playlist does), and /playlist/<list>
fails as yt-dlp does for a list asked for one video. With --flat-playlist a page of one video answers as
without it.

Which pages: a YouTube watch page of the simulator (http://127.0.0.1:P1/watch?v=<id>) and any other page
(http://127.0.0.1:P4/page/<id>). The words of <id> (split at "-") choose the answer:

    (none)          one audio-only format, the stream cache's /stream/<id>.flv
    chunked         ... with "downloader_options": {"http_chunk_size": $FAKE_YTDLP_CHUNK (default 65536)}
    hls             only an HLS playlist: /hls/<id>/index.m3u8 ("protocol": "m3u8_native")
    login           a sign-in wall without a cookies file that holds "sim_login" with the simulator's
                    value; with one, the cookie is given back in the format's "cookies" (as yt-dlp does)
    rterror         the JavaScript runtime fails: today's warnings, then "Requested format is not available"
    badcookies      the cookies file given is refused as not of the Netscape format

Like today's yt-dlp, a YouTube page needs a JavaScript runtime: one named with --js-runtimes (deno, node,
quickjs, bun; with a PATH, that file must exist), or deno on PATH. Without one it prints today's warning and
fails with "Requested format is not available". A version before 2025.11.12 knows no --js-runtimes and can
no longer read YouTube at all. Every answer waits $FAKE_YTDLP_DELAY seconds first (default 0).

Each run appends one JSON line to $FAKE_YTDLP_LOG (when set): its arguments and, when a cookies file was
given, that file's mode, its folder's mode and the names of the cookies in it (never their values).
The simulator's ports come from $FAKE_YTDLP_SITES, the sites file the simulator wrote.
"""
import json
import os
import re
import shutil
import stat
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import sim_pages  # noqa: E402

RUNTIME_WARNING = (
    "WARNING: [youtube] No supported JavaScript runtime could be found. Only deno is enabled by default; to use "
    "another runtime add  --js-runtimes RUNTIME[:PATH]  to your command/config. YouTube extraction without a JS "
    "runtime has been deprecated, and some formats may be missing. See  https://github.com/yt-dlp/yt-dlp/wiki/EJS"
    "  for details on installing one")
RUNTIMES = ("deno", "node", "quickjs", "bun")


def version_tuple(text):
    return tuple(int(x) for x in re.findall(r"\d+", text)[:3])


def sites():
    values = {}
    path = os.environ.get("FAKE_YTDLP_SITES")
    if path:
        with open(path) as f:
            for line in f:
                key, _, value = line.strip().partition("=")
                values[key] = value
    return values


def read_cookies(path):
    """The cookies of a Netscape-format file as (domain, name, value) rows; None when it is not one."""
    rows = []
    with open(path) as f:
        lines = f.read().splitlines()
    if not lines or not lines[0].startswith("# Netscape HTTP Cookie File"):
        return None
    for line in lines[1:]:
        if not line or line.startswith("#"):
            continue
        fields = line.split("\t")
        if len(fields) != 7 or fields[1] not in ("TRUE", "FALSE") or fields[3] not in ("TRUE", "FALSE"):
            return None
        rows.append((fields[0], fields[5], fields[6]))
    return rows


def main(argv):
    version = os.environ.get("FAKE_YTDLP_VERSION", "2025.11.12")
    if argv == ["--version"]:
        print(version)
        return 0
    runtime = cookies_file = page = None
    flat = "--flat-playlist" in argv
    i = 0
    while i < len(argv):
        arg = argv[i]
        if arg == "--":
            page = argv[i + 1] if i + 1 < len(argv) else None
            break
        if arg == "--js-runtimes":
            if version_tuple(version) < (2025, 11, 12):
                sys.stderr.write("yt-dlp: error: no such option: --js-runtimes\n")
                return 2
            runtime = argv[i + 1]
            i += 2
            continue
        if arg == "--cookies":
            cookies_file = argv[i + 1]
            i += 2
            continue
        i += 1
    record = {"args": argv}
    cookies = None
    if cookies_file:
        info = os.stat(cookies_file)
        record["file_mode"] = oct(stat.S_IMODE(info.st_mode))
        record["folder_mode"] = oct(stat.S_IMODE(os.stat(os.path.dirname(cookies_file)).st_mode))
        cookies = read_cookies(cookies_file)
        record["cookie_names"] = sorted(name for _, name, _ in cookies) if cookies is not None else None
    if os.environ.get("FAKE_YTDLP_LOG"):
        with open(os.environ["FAKE_YTDLP_LOG"], "a") as log:
            log.write(json.dumps(record) + "\n")
    time.sleep(float(os.environ.get("FAKE_YTDLP_DELAY", "0")))

    config = sites()
    youtube = config.get("YouTubeHost", "www.youtube.com")
    cache = config.get("StreamCachePrefix", "http://127.0.0.1/").rstrip("/")
    listed = re.match(r"^(.*?)[?&]list=([A-Za-z0-9_.-]+)$", page or "")
    whole_list = re.match(r"^https?://[^/]+/playlist/([A-Za-z0-9_.-]+)$", page or "")
    list_id = whole_list.group(1) if whole_list else listed.group(2) if listed else None
    if list_id and flat:
        list_words = list_id.lower().split("-")
        count = next((int(w[1:]) for w in list_words if re.match(r"^n\d+$", w)), 3)
        entries = [] if "noentries" in list_words else [
            {"_type": "url", "ie_key": "Generic", "url": "%s/page/%s-%d" % (cache, list_id, k),
             "title": "Sim clip %s-%d" % (list_id, k)} for k in range(1, count + 1)]
        print(json.dumps({"_type": "playlist", "id": list_id, "title": "Sim list %s" % list_id,
                          "webpage_url": page, "playlist_count": len(entries), "entries": entries}))
        return 0
    if whole_list:
        sys.stderr.write("ERROR: [generic] %s: this page is a list of videos\n" % list_id)
        return 1
    if listed:
        page = listed.group(1)
    match = re.match(r"^https?://([^/]+)/(?:watch\?v=|page/)([A-Za-z0-9_.-]+)$", page or "")
    if not match:
        sys.stderr.write("ERROR: [generic] Unsupported URL: %s\n" % page)
        return 1
    host, video_id = match.group(1), match.group(2)
    words = set(video_id.lower().split("-"))
    on_youtube = host == youtube
    if on_youtube:
        if version_tuple(version) < (2025, 11, 12):
            sys.stderr.write("ERROR: [youtube] %s: Failed to extract any player response; please report this issue on "
                             " https://github.com/yt-dlp/yt-dlp/issues?q= , filling out the appropriate issue "
                             "template. Confirm you are on the latest version using  yt-dlp -U\n" % video_id)
            return 1
        name, _, path = (runtime or "").partition(":")
        usable = (name in RUNTIMES and (not path or os.path.exists(path))) or (not runtime and shutil.which("deno"))
        if not usable:
            sys.stderr.write(RUNTIME_WARNING + "\n")
            sys.stderr.write("ERROR: [youtube] %s: Requested format is not available. Use --list-formats for a "
                             "list of available formats\n" % video_id)
            return 1
        if "rterror" in words:
            sys.stderr.write("WARNING: [youtube] [jsc:%s] Error running %s process (returncode: 1): "
                             "SyntaxError: Unexpected token\n" % (name, name))
            sys.stderr.write("WARNING: [youtube] %s: n challenge solving failed: Some formats may be missing. Ensure "
                             "you have a supported JavaScript runtime and challenge solver script distribution "
                             "installed. Review any warnings presented before this message.\n" % video_id)
            sys.stderr.write("ERROR: [youtube] %s: Requested format is not available. Use --list-formats for a "
                             "list of available formats\n" % video_id)
            return 1
    if "badcookies" in words and cookies_file:
        sys.stderr.write("ERROR: '%s' does not look like a Netscape format cookies file\n" % cookies_file)
        return 1
    answer = {"id": video_id, "title": "Sim clip %s" % video_id, "duration": 4.0, "ext": "flv",
              "webpage_url": page}
    fmt = {"format_id": "sim", "url": "%s/stream/%s.flv" % (cache, video_id), "protocol": "http",
           "ext": "flv", "vcodec": "none", "acodec": "mp3", "abr": 64,
           "http_headers": {"User-Agent": "FakeYtDlp/1", "Accept": "*/*"}}
    if "login" in words:
        signed = [row for row in (cookies or []) if row[1] == "sim_login" and row[2] == sim_pages.LOGIN_VALUE]
        if not signed:
            sys.stderr.write("ERROR: [youtube] %s: Sign in to confirm you're not a bot. Use --cookies-from-browser "
                             "or --cookies for the authentication. See  https://github.com/yt-dlp/yt-dlp/wiki/FAQ"
                             "  for how to manually pass cookies\n" % video_id)
            return 1
        fmt["cookies"] = "sim_login=%s; Domain=%s; Path=/" % (sim_pages.LOGIN_VALUE, signed[0][0])
    if "chunked" in words:
        fmt["downloader_options"] = {"http_chunk_size": int(os.environ.get("FAKE_YTDLP_CHUNK", "65536"))}
    if "hls" in words:
        fmt.update({"format_id": "hls-64", "url": "%s/hls/%s/index.m3u8" % (cache, video_id),
                    "protocol": "m3u8_native", "ext": "mp4", "acodec": "mp4a.40.2",
                    "manifest_url": "%s/hls/%s/index.m3u8" % (cache, video_id)})
    answer["formats"] = [fmt]
    print(json.dumps(answer))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
