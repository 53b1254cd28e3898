#!/usr/bin/env python3
"""The download's receive-and-write path against the bare limit of the same machine and against curl.

nginx (sendfile on) serves a file of random bytes (1 GiB by default) on 127.0.0.1. Three downloads of it
alternate, the order turning each round so that load from elsewhere falls on all alike, the output file
deleted between runs and always on the same file system:

    bare      the reply read from the socket and written to a file with no HTTP at all: bash's /dev/tcp
              and `dd bs=1M` (the header lines land in the file too)
    clipwave  build/bench/http_get: the program's HTTP client writing the body to a file through its
              file stream, as a video's download does
    curl      curl -s -o FILE URL

It prints each run, then the medians (throughput, CPU seconds, peak memory) and the ratios side by side:
clipwave/bare (target >= 0.9) and clipwave/curl, and the CPU ratio clipwave/curl.

    bench/pipeline/download_ratio.py [--size-mib 1024] [--runs 7] [--build build]
"""
import argparse
import os
import statistics
import sys

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(TOP, "bench", "http"))

from served_video import build_http_get, run, served_video  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--size-mib", type=int, default=1024)
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--build", default="build")
    args = parser.parse_args()

    http_get = build_http_get(os.path.join(TOP, args.build))
    with open("/proc/loadavg") as f:
        print("load average before:", " ".join(f.read().split()[:3]))

    with served_video(args.size_mib) as served:
        port, size = served.port, served.size
        url = f"http://127.0.0.1:{port}/video.flv"
        out = os.path.join(served.work, "out.flv")
        bare = (f"exec 3<>/dev/tcp/127.0.0.1/{port}; "
                f"printf 'GET /video.flv HTTP/1.0\\r\\nHost: 127.0.0.1\\r\\n\\r\\n' >&3; "
                f"exec dd bs=1M status=none of={out} <&3")
        tools = {
            "bare": lambda: ["bash", "-c", bare],
            "clipwave": lambda: [http_get, url, out],
            "curl": lambda: ["curl", "-s", "-o", out, url],
        }
        names = list(tools)
        results = {name: [] for name in tools}
        for i in range(args.runs):
            order = names[i % len(names):] + names[:i % len(names)]
            for name in order:
                wall, cpu, rss = run(tools[name]())
                written = os.path.getsize(out)
                if written < size or (name != "bare" and written != size):
                    raise SystemExit(f"{name} wrote {written} of {size} bytes")
                os.remove(out)
                results[name].append((wall, cpu, rss))
                print(f"run {i + 1} {name:8s} {size / wall / 1e9:6.2f} GB/s  cpu {cpu:6.2f} s  peak {rss:6.1f} MiB",
                      flush=True)
        med = {n: tuple(statistics.median(r[k] for r in results[n]) for k in range(3)) for n in tools}
        print()
        for name, (wall, cpu, rss) in med.items():
            print(f"{name:8s} median {size / wall / 1e9:6.2f} GB/s  cpu {cpu:6.2f} s  peak {rss:6.1f} MiB")
        b, c, h = med["bare"], med["curl"], med["clipwave"]
        print()
        print(f"throughput  clipwave/bare {b[0] / h[0]:.2f} (target >= 0.9)   clipwave/curl {c[0] / h[0]:.2f}   "
              f"cpu clipwave/curl {h[1] / c[1]:.2f}")
        with open("/proc/loadavg") as f:
            print("load average after:", " ".join(f.read().split()[:3]))


if __name__ == "__main__":
    sys.exit(main())
