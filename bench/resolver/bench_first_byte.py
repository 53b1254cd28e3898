#!/usr/bin/env python3
"""The resolver asked at once: time from clipwave-cli's start to the first stream byte the site simulator
sends, for a known site's page as it looks today (no markers: the page rules find nothing, the resolver
finds the stream) against another site's page (the resolver alone), with a fake yt-dlp that answers after a
fixed 3 s. Runs alternate, 5 of each; the medians, their difference and their ratio are printed.

    python3 bench/resolver/bench_first_byte.py [BUILD_DIR]

Everything runs on 127.0.0.1: the simulator, and the web engine pointed at a proxy that does not exist for
anything else. Every process it starts, it ends.
"""
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
RUNS = 5
DELAY = 3.0


def first_byte_seconds(cli, page, stream_id, env, log_path, out):
    with open(log_path) as log:
        log.seek(0, os.SEEK_END)
        started = time.monotonic()
        process = subprocess.Popen([cli, "-q", "-y", "-f", "mp3-64", "-o", out, page], env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        seen = None
        pending = ""
        while seen is None and time.monotonic() - started < 120:
            pending += log.read()
            for line in pending.splitlines():
                if line.startswith("cache GET /stream/%s.flv" % stream_id):
                    seen = time.monotonic() - started
            if seen is None:
                if process.poll() is not None:
                    break
                time.sleep(0.005)
        try:
            _, errors = process.communicate(timeout=120)
        except subprocess.TimeoutExpired:
            process.kill()
            _, errors = process.communicate()
        if seen is None:
            raise RuntimeError("no stream request for %s (exit %s): %s" % (page, process.returncode,
                                                                        errors.decode(errors="replace")))
        return seen


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(TOP, "build"))
    cli = os.path.join(build, "clipwave-cli")
    with tempfile.TemporaryDirectory(prefix="clipwave-bench-resolver-") as work:
        sites_file = os.path.join(work, "sites.ini")
        log_path = os.path.join(work, "requests.log")
        open(log_path, "w").close()
        sim = subprocess.Popen([sys.executable, os.path.join(TOP, "tests/sim/site_simulator.py"), "--sites-file",
                                sites_file, "--log", log_path, "--exit-on-stdin-close"],
                               stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        try:
            ready = json.loads(sim.stdout.readline())
            bin_dir = os.path.join(work, "bin")
            os.mkdir(bin_dir)
            with open(os.path.join(bin_dir, "yt-dlp"), "w") as script:
                script.write("#!/bin/sh\nexec %s '%s' \"$@\"\n" % (sys.executable,
                                                                  os.path.join(TOP, "tests/sim/fake_ytdlp.py")))
            with open(os.path.join(bin_dir, "deno"), "w") as script:
                script.write("#!/bin/sh\necho 'deno 2.5.0'\n")
            for name in ("yt-dlp", "deno"):
                os.chmod(os.path.join(bin_dir, name), 0o755)
            env = dict(os.environ)
            env.update({
                "PATH": bin_dir + ":" + os.environ.get("PATH", ""),
                "CLIPWAVE_SITES_FILE": sites_file,
                "FAKE_YTDLP_SITES": sites_file,
                "FAKE_YTDLP_DELAY": str(DELAY),
                "QT_QPA_PLATFORM": "offscreen",
                "QTWEBENGINE_CHROMIUM_FLAGS": "--proxy-server=http://127.0.0.1:9",
                "XDG_DATA_HOME": os.path.join(work, "data"),
                "XDG_CACHE_HOME": os.path.join(work, "cache"),
                "XDG_CONFIG_HOME": os.path.join(work, "config"),
                "XDG_RUNTIME_DIR": os.path.join(work, "runtime"),
            })
            os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
            for name in ("http_proxy", "https_proxy", "all_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY"):
                env.pop(name, None)
            known, other = [], []
            for run in range(RUNS):
                for kind, times in (("known", known), ("other", other)):
                    stream_id = "bench%d-%s" % (run, kind)
                    if kind == "known":
                        page = "http://127.0.0.1:%d/watch?v=%s-today" % (ready["youtube"], stream_id)
                        stream_id += "-today"
                    else:
                        page = "http://127.0.0.1:%d/page/%s" % (ready["cache"], stream_id)
                    out = os.path.join(work, "out-%s-%d" % (kind, run))
                    os.mkdir(out)
                    times.append(first_byte_seconds(cli, page, stream_id, env, log_path, out))
                    print("%-5s run %d: %.3f s to the first stream byte" % (kind, run + 1, times[-1]), flush=True)
        finally:
            sim.stdin.close()
            try:
                sim.wait(timeout=10)
            except subprocess.TimeoutExpired:
                sim.kill()
                sim.wait()
    known_median, other_median = statistics.median(known), statistics.median(other)
    print("median, known site's page without markers: %.3f s" % known_median)
    print("median, another site's page:               %.3f s" % other_median)
    print("difference: %.3f s (target: at most 1 s); ratio known/other: %.2f"
          % (known_median - other_median, known_median / other_median))
    return 0 if known_median - other_median <= 1.0 else 1


if __name__ == "__main__":
    sys.exit(main())
