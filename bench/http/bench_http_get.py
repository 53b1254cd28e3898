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
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def start_nginx(folder, root, port, certs=None):
    conf = os.path.join(folder, "nginx.conf")
    tls = ""
    if certs:
        tls = (f" ssl; ssl_certificate {certs}/good.pem; ssl_certificate_key {certs}/good.key;"
               " ssl_protocols TLSv1.2 TLSv1.3")
    with open(conf, "w") as f:
        f.write(f"""daemon off;
master_process off;
worker_processes 1;
error_log {folder}/error.log;
pid {folder}/nginx.pid;
events {{ worker_connections 64; }}
http {{
  access_log off;
  sendfile on;
  client_body_temp_path {folder}/body; proxy_temp_path {folder}/proxy;
  fastcgi_temp_path {folder}/fastcgi; uwsgi_temp_path {folder}/uwsgi; scgi_temp_path {folder}/scgi;
  server {{ listen 127.0.0.1:{port}{tls}; root {root}; location / {{ }} }}
}}
""")
    proc = subprocess.Popen(["nginx", "-p", folder, "-c", conf], stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    deadline = time.time() + 10
    while time.time() < deadline:
        if proc.poll() is not None:
            raise SystemExit("nginx did not start")
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return proc
        except OSError:
            time.sleep(0.05)
    proc.terminate()
    raise SystemExit("nginx does not listen")


def run(cmd, env=None):
    """Runs cmd under /usr/bin/time; returns (wall seconds, CPU seconds, peak RSS in MiB).

    /usr/bin/time measures the peak memory of the command itself (a child of this script would
    inherit the script's own high-water mark)."""
    proc = subprocess.run(["/usr/bin/time", "-f", "@@ %e %U %S %M"] + cmd, stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE, text=True, env=env)
    if proc.returncode != 0:
        raise SystemExit(f"{cmd[0]} failed with {proc.returncode}: {proc.stderr}")
    line = [l for l in proc.stderr.splitlines() if l.startswith("@@ ")][-1]
    wall, user, system, rss_kib = (float(x) for x in line.split()[1:])
    return wall, user + system, rss_kib / 1024.0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--size-mib", type=int, default=1024)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--build", default="build")
    parser.add_argument("--https", action="store_true")
    args = parser.parse_args()

    build = os.path.join(TOP, args.build)
    subprocess.run(["cmake", "--build", build, "--target", "http_get"], check=True, stdout=subprocess.DEVNULL)
    http_get = os.path.join(build, "bench", "http_get")

    work = tempfile.mkdtemp(prefix="clipwave-bench-")
    nginx = None
    try:
        root = os.path.join(work, "root")
        os.makedirs(root)
        source = os.path.join(root, "video.flv")
        size = args.size_mib * 1024 * 1024
        with open(source, "wb") as f:
            chunk = os.urandom(4 * 1024 * 1024)
            for _ in range(args.size_mib // 4):
                f.write(chunk)
            f.write(os.urandom(size - f.tell()))
        port = free_port()
        certs = None
        if args.https:
            certs = os.path.join(work, "certs")
            subprocess.run(["sh", os.path.join(TOP, "tests", "tls", "make_test_ca.sh"), certs], check=True,
                           stdout=subprocess.DEVNULL)
        nginx = start_nginx(work, root, port, certs)
        url = f"{'https://localhost' if certs else 'http://127.0.0.1'}:{port}/video.flv"
        out = os.path.join(work, "out.flv")
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
    finally:
        if nginx is not None:
            nginx.send_signal(signal.SIGTERM)
            try:
                nginx.wait(timeout=10)
            except subprocess.TimeoutExpired:
                nginx.kill()
                nginx.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
