"""TLS servers for the Windows trust test, one per certificate given.

    trust-servers.py FOLDER NAME:CERT:KEY...

Each server listens on a free local port, written to FOLDER/NAME.port once it listens. It counts the
request bytes that reach it after the handshake into FOLDER/NAME.bytes and answers each request with
"200 OK" and the body "trusted"; the names of the last request's header fields go to
FOLDER/NAME.fields, one a line. It runs until FOLDER/stop exists.
"""
import os
import socket
import ssl
import sys
import threading
import time


def serve(folder, name, certificate, key):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(certificate, key)
    listener = socket.socket(socket.AF_INET6)
    listener.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 0)
    listener.bind(("::", 0))
    listener.listen()
    listener.settimeout(0.2)
    received = 0
    record = os.path.join(folder, name + ".bytes")
    with open(record, "w") as out:
        out.write("0")
    with open(os.path.join(folder, name + ".port"), "w") as out:
        out.write(str(listener.getsockname()[1]))
    while not os.path.exists(os.path.join(folder, "stop")):
        try:
            connection, _ = listener.accept()
        except socket.timeout:
            continue
        connection.settimeout(10)
        try:
            with context.wrap_socket(connection, server_side=True) as tls:
                request = b""
                while b"\r\n\r\n" not in request:
                    piece = tls.recv(65536)
                    if not piece:
                        break
                    request += piece
                received += len(request)
                if request:
                    lines = request.split(b"\r\n\r\n")[0].decode("latin-1").split("\r\n")[1:]
                    with open(os.path.join(folder, name + ".fields"), "w") as out:
                        out.write("".join(line.split(":")[0] + "\n" for line in lines))
                    tls.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 7\r\nConnection: close\r\n\r\ntrusted")
        except (ssl.SSLError, OSError):
            pass  # a client that refuses the certificate ends the handshake
        with open(record, "w") as out:
            out.write(str(received))


def main():
    folder = sys.argv[1]
    threads = []
    for spec in sys.argv[2:]:
        name, certificate, key = spec.split(":")
        thread = threading.Thread(target=serve, args=(folder, name, certificate, key), daemon=True)
        thread.start()
        threads.append(thread)
    for thread in threads:
        thread.join()


if __name__ == "__main__":
    main()
