#!/usr/bin/env python3
"""The whole job against yt-dlp's own: another site's page, a 10-minute video, made an MP3 at 128 kbit/s.

The site simulator (tests/sim/site_simulator.py) serves another site's page whose <video> is a 10-minute
H.264/AAC MP4 with its index first (faststart), about 55 MB, made here once with ffmpeg and kept in the media
folder. (The simulator serves that page's stream under a ".flv" address; both programs judge the bytes, not the
name.) Both programs ask yt-dlp once about the page:

    clipwave  build/clipwave-cli -y -q -f mp3-128 -o DIR PAGE
    yt-dlp    yt-dlp -q -x --audio-format mp3 --audio-quality 128K -o DIR/%(title)s.%(ext)s PAGE

Runs alternate (the order turning each round), outputs deleted between runs, medians compared: the stream paced
at 4 MB/s (target clipwave/yt-dlp <= 0.7) and unpaced (target <= 1.0). The peak memory of clipwave-cli itself
(its VmHWM, without yt-dlp or ffmpeg, its children) is printed beside (target < 64 MB).

    bench/pipeline/job_ratio.py [--runs 5] [--build build] [--media-dir DIR]
"""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SIMULATOR = os.path.join(TOP, "tests", "sim", "site_simulator.py")
DURATION = 600
PACE = 4_000_000  # bytes per second


def make_media(folder):
    """The simulator's clips of DURATION seconds, both names holding the faststart MP4 (stereo sound, as a
    site's videos have)."""
    os.makedirs(folder, mode=0o700, exist_ok=True)
    flv = os.path.join(folder, "clip-v1-%ds.flv" % DURATION)  # the names the simulator looks for
    mp4 = os.path.join(folder, "clip-v1-%ds.mp4" % DURATION)
    if not os.path.isfile(flv):
        print("Making the 10-minute video (once)...", flush=True)
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                        "testsrc=duration=%d:size=320x240:rate=25,noise=alls=12:allf=t" % DURATION,
                        "-f", "lavfi", "-i",
                        "sine=frequency=440:beep_factor=4:duration=%d:sample_rate=44100" % DURATION,
                        "-c:v", "libx264", "-preset", "ultrafast", "-b:v", "600k", "-maxrate", "650k",
                        "-bufsize", "1200k", "-pix_fmt", "yuv420p", "-c:a", "aac", "-b:a", "128k", "-ac", "2",
                        "-movflags", "+faststart",
                        "-f", "mp4", flv + ".new"], check=True)
        os.replace(flv + ".new", flv)
    if not os.path.isfile(mp4):
        shutil.copyfile(flv, mp4)
    return os.path.getsize(flv)


class Simulator:
    def __init__(self, work, media, paced):
        options = ["--sites-file", os.path.join(work, "sites.ini"), "--duration", str(DURATION),
                   "--media-dir", media, "--log", os.path.join(work, "requests.log"), "--exit-on-stdin-close"]
        if paced:
            options += ["--stream-modes", "slow", "--slow-rate", str(PACE)]
        self.proc = subprocess.Popen([sys.executable, SIMULATOR] + options, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True)
        ready = json.loads(self.proc.stdout.readline())
        self.page = "http://127.0.0.1:%d/page/bench" % ready["cache"]
        self.sites_file = ready["sites_file"]

    def stop(self):
        self.proc.stdin.close()
        try:
            self.proc.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.proc.terminate()
            self.proc.wait()


def run(command, env):
    """Wall seconds, and the peak resident memory of the command's own process in MiB."""
    start = time.monotonic()
    proc = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE)
    peak = 0
    while proc.poll() is None:
        try:
            with open("/proc/%d/status" % proc.pid) as f:
                for line in f:
                    if line.startswith("VmHWM:"):
                        peak = max(peak, int(line.split()[1]))
        except OSError:
            pass
        time.sleep(0.02)
    wall = time.monotonic() - start
    err = proc.stderr.read().decode(errors="replace")
    if proc.returncode != 0:
        raise SystemExit("%s failed with %d: %s" % (command[0], proc.returncode, err))
    return wall, peak / 1024.0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--build", default="build")
    parser.add_argument("--media-dir")
    args = parser.parse_args()
    build = os.path.join(TOP, args.build)
    cli = os.path.join(build, "clipwave-cli")
    if not os.access(cli, os.X_OK):
        raise SystemExit("build %s first" % cli)
    if shutil.which("yt-dlp") is None:
        raise SystemExit("yt-dlp is not installed (scripts/packages.txt)")
    media = args.media_dir or os.path.join(build, "bench", "pipeline-media")
    size = make_media(media)
    with open("/proc/loadavg") as f:
        print("load average before:", " ".join(f.read().split()[:3]))
    print("video: %.1f MB, %d s" % (size / 1e6, DURATION))
    summary = []
    for paced in (True, False):
        work = tempfile.mkdtemp(prefix="clipwave-bench-")
        sim = None
        try:
            sim = Simulator(work, media, paced)
            out = os.path.join(work, "out")
            env = dict(os.environ, CLIPWAVE_SITES_FILE=sim.sites_file, http_proxy="", HTTP_PROXY="")
            tools = {
                "clipwave": [cli, "-y", "-q", "-f", "mp3-128", "-o", out, sim.page],
                "yt-dlp": ["yt-dlp", "-q", "--no-warnings", "-x", "--audio-format", "mp3", "--audio-quality",
                           "128K", "-o", os.path.join(out, "%(title)s.%(ext)s"), sim.page],
            }
            names = list(tools)
            results = {n: [] for n in names}
            label = "paced at %d MB/s" % (PACE // 1_000_000) if paced else "unpaced"
            for i in range(args.runs):
                for name in (names if i % 2 == 0 else names[::-1]):
                    os.makedirs(out, exist_ok=True)
                    wall, peak = run(tools[name], env)
                    made = [f for f in os.listdir(out) if f.endswith(".mp3")]
                    if len(made) != 1:
                        raise SystemExit("%s made %s" % (name, os.listdir(out)))
                    shutil.rmtree(out)
                    results[name].append((wall, peak))
                    print("%s run %d %-8s %6.2f s  peak %5.1f MiB" % (label, i + 1, name, wall, peak), flush=True)
            med = {n: statistics.median(w for w, _ in results[n]) for n in names}
            peak = max(p for _, p in results["clipwave"])
            summary.append((label, med["clipwave"], med["yt-dlp"], 0.7 if paced else 1.0, peak))
        finally:
            if sim is not None:
                sim.stop()
            shutil.rmtree(work, ignore_errors=True)
    print()
    for label, c, y, target, peak in summary:
        print("%-16s clipwave %6.2f s  yt-dlp %6.2f s  ratio %.2f (target <= %.1f)  clipwave-cli peak %.1f MiB "
              "(target < 64)" % (label, c, y, c / y, target, peak))
    with open("/proc/loadavg") as f:
        print("load average after:", " ".join(f.read().split()[:3]))


if __name__ == "__main__":
    sys.exit(main())
