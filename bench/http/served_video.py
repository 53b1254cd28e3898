"""A video file of random bytes served by nginx on 127.0.0.1, and a command measured, for the download
benchmarks (bench_http_get.py, ../pipeline/download_ratio.py).

nginx runs as this process's child with its configuration in a temporary folder; `served_video` stops it
and removes the folder at the end, also when the benchmark fails.
"""
import contextlib
import os
import shutil
import signal
import socket
import subprocess
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


def stop_nginx(proc):
    proc.send_signal(signal.SIGTERM)
    try:
        proc.wait(timeout=10)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


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


def build_http_get(build):
    """Builds build/bench/http_get (the program's HTTP client downloading to a file); returns its path."""
    subprocess.run(["cmake", "--build", build, "--target", "http_get"], check=True, stdout=subprocess.DEVNULL)
    return os.path.join(build, "bench", "http_get")


class Served:
    """What `served_video` serves: the folder of the run, the port, the file's size in bytes, and the
    certificates' folder (None over plain HTTP)."""

    def __init__(self, work, port, size, certs):
        self.work, self.port, self.size, self.certs = work, port, size, certs


@contextlib.contextmanager
def served_video(size_mib, https=False):
    """Serves video.flv, size_mib MiB of random bytes, from nginx on 127.0.0.1 for the block.

    With https, nginx serves over TLS with a certificate of an authority made for the run
    (tests/tls/make_test_ca.sh), whose ca.pem is in Served.certs."""
    work = tempfile.mkdtemp(prefix="clipwave-bench-")
    nginx = None
    try:
        root = os.path.join(work, "root")
        os.makedirs(root)
        source = os.path.join(root, "video.flv")
        size = size_mib * 1024 * 1024
        with open(source, "wb") as f:
            chunk = os.urandom(4 * 1024 * 1024)
            for _ in range(size_mib // 4):
                f.write(chunk)
            f.write(os.urandom(size - f.tell()))
        port = free_port()
        certs = None
        if https:
            certs = os.path.join(work, "certs")
            subprocess.run(["sh", os.path.join(TOP, "tests", "tls", "make_test_ca.sh"), certs], check=True,
                           stdout=subprocess.DEVNULL)
        nginx = start_nginx(work, root, port, certs)
        yield Served(work, port, size, certs)
    finally:
        if nginx is not None:
            stop_nginx(nginx)
        shutil.rmtree(work, ignore_errors=True)
