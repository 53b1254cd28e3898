#!/usr/bin/env python3
"""A TLS server on 127.0.0.1 that ends its answers in the ways the client must tell apart.

    tls_close_server.py CERT KEY PORT MODE

Serves one answer per connection, for every connection, until stopped. MODE:
  notify  a body without length, then the TLS close (close_notify); the TCP connection stays open 10 s
  cut     a body without length, then the TCP close without the TLS close
  length  a body of announced length, then the TCP close without the TLS close
The body is "video" repeated 1000 times.
"""
import socket
import ssl
import sys
import time

cert, key, port, mode = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
body = b"video" * 1000
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(("127.0.0.1", port))
listener.listen(8)
while True:
    raw, _ = listener.accept()
    try:
        tls = context.wrap_socket(raw, server_side=True)
        request = b""
        while b"\r\n\r\n" not in request:
            piece = tls.recv(4096)
            if not piece:
                break
            request += piece
        length = b"Content-Length: %d\r\n" % len(body) if mode == "length" else b""
        tls.sendall(b"HTTP/1.0 200 OK\r\n" + length + b"\r\n" + body)
        if mode == "notify":
            try:
                tls.unwrap()  # sends close_notify; the client's side may drop the connection then
            except (OSError, ssl.SSLError):
                pass
            time.sleep(10)
        else:
            tls.shutdown(socket.SHUT_RDWR)  # no close_notify: the TCP connection just ends
    except (OSError, ssl.SSLError):
        pass
    finally:
        raw.close()
