#!/usr/bin/env python3
"""Download benchmark: build/bench/http_get against curl.

Serves a file (1 GiB by default) from nginx on 127.0.0.1, downloads it several times, alternating
`curl -s -o FILE URL` and `build/bench/http_get URL FILE`, and prints the throughput, CPU seconds and
peak memory of both and their ratios. Every download is checked to be whole.

    bench/http/bench_http_get.py [--size-mib 1024] [--runs 3] [--build build] [--https]

With --https, nginx serves over TLS with a certificate of an authority made for the run
(tests/tls/make_test_ca.sh) that both programs are told to trust (curl --cacert, SSL_CERT_FILE).

nginx runs as this script's child with its configuration in a temporary folder and is stopped at the
end, also when the script fails.
"""
import argparse
import os
import statistics
import sys

from served_video import build_http_get, run, served_video

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--size-mib", type=int, default=1024)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--build", default="build")
    parser.add_argument("--https", action="store_true")
    args = parser.parse_args()

    http_get = build_http_get(os.path.join(TOP, args.build))

    with served_video(args.size_mib, args.https) as served:
        port, size, certs = served.port, served.size, served.certs
        url = f"{'https://localhost' if certs else 'http://127.0.0.1'}:{port}/video.flv"
        out = os.path.join(served.work, "out.flv")
        # curl would try localhost's ::1 first where /etc/hosts lists it (Debian's does), and nginx listens on
        # 127.0.0.1 only: both clients go to 127.0.0.1, as the HTTP client's IPv4 lookup does.
        curl_options = []
        if certs:
            curl_options = ["--cacert", os.path.join(certs, "ca.pem"), "--resolve", f"localhost:{port}:127.0.0.1"]
        env = dict(os.environ, SSL_CERT_FILE=os.path.join(certs, "ca.pem")) if certs else None
        tools = {
            "curl": lambda: ["curl", "-s"] + curl_options + ["-o", out, url],
            "http_get": lambda: [http_get, url, out],
        }
        results = {name: [] for name in tools}
        for i in range(args.runs):
            for name, cmd in tools.items():
                wall, cpu, rss = run(cmd(), env)
                if os.path.getsize(out) != size:
                    raise SystemExit(f"{name} wrote {os.path.getsize(out)} of {size} bytes")
                os.remove(out)
                results[name].append((wall, cpu, rss))
                print(f"run {i + 1} {name:8s} {size / wall / 1e6:8.1f} MB/s  cpu {cpu:6.2f} s  "
                      f"peak {rss:6.1f} MiB", flush=True)
        med = {n: tuple(statistics.median(r[k] for r in results[n]) for k in range(3)) for n in tools}
        print()
        for name, (wall, cpu, rss) in med.items():
            print(f"{name:8s} median {size / wall / 1e6:8.1f} MB/s  cpu {cpu:6.2f} s  peak {rss:6.1f} MiB")
        c, h = med["curl"], med["http_get"]
        print()
        print(f"throughput ratio http_get/curl: {c[0] / h[0]:.2f}  (target >= {0.9 if certs else 1.0})")
        print(f"cpu ratio        http_get/curl: {h[1] / c[1]:.2f}  (target <= 1.2)")
        print(f"peak memory      http_get: {h[2]:.1f} MiB  (target < 64)")


if __name__ == "__main__":
    sys.exit(main())
