#!/usr/bin/env python3
"""A slow link for tests and benchmarks: forwards each TCP connection made to it to one address, at a
given rate and one-way delay in each direction, and can stall the upload once at a byte offset. It
can keep what the client sent, as a tap would see it on the wire.

It holds little in flight, as a link's queue does: the sender meets the link's pace in its own
writes, not after them. It prints "listening on PORT" when ready and runs until stopped."""

import argparse
import asyncio
import socket
import sys

PIECE = 16 * 1024
BUFFER = 64 * 1024  # the relay's own socket buffers, small so the pace reaches the sender


def rate(text):
    units = {"k": 1e3, "m": 1e6, "g": 1e9}
    scale = units.get(text[-1].lower(), 1)
    return float(text[:-1] if text[-1].lower() in units else text) * scale / 8  # bytes per second


async def forward(reader, writer, bytes_per_second, delay, stall_at, stall_for, record=None):
    """Sends each piece when the link has serialised it and the delay has passed, with no more than
    a queue's worth read ahead of the link."""
    queue = asyncio.Queue(maxsize=max(4, int(bytes_per_second * delay / PIECE) + 4))
    loop = asyncio.get_running_loop()

    async def read():
        link_free = loop.time()
        sent = 0
        try:
            while piece := await reader.read(PIECE):
                if record:
                    record.write(piece)
                if stall_for and sent <= stall_at < sent + len(piece):
                    link_free = max(link_free, loop.time()) + stall_for
                link_free = max(link_free, loop.time()) + len(piece) / bytes_per_second
                sent += len(piece)
                await queue.put((link_free + delay, piece))
        finally:
            await queue.put((None, b""))

    async def write():
        try:
            while True:
                due, piece = await queue.get()
                if due is None:
                    break
                await asyncio.sleep(max(0.0, due - loop.time()))
                writer.write(piece)
                await writer.drain()
            if writer.can_write_eof():
                writer.write_eof()
        except ConnectionError:
            pass

    reading = asyncio.ensure_future(read())
    try:
        await write()
    finally:
        reading.cancel()


async def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--to", required=True, help="HOST:PORT to forward to")
    parser.add_argument("--listen", type=int, default=0, help="port on 127.0.0.1 (0: a free one)")
    parser.add_argument("--rate", type=rate, default=rate("20M"), help="bits per second each way (20M)")
    parser.add_argument("--rtt", type=float, default=40, help="round trip in milliseconds (40)")
    parser.add_argument("--stall-at", type=int, default=0, help="upload byte offset of the stall")
    parser.add_argument("--stall-for", type=float, default=0, help="seconds the upload stalls there")
    parser.add_argument("--record", help="FILE that gets every byte the clients send")
    options = parser.parse_args()
    host, _, port = options.to.rpartition(":")
    delay = options.rtt / 2000
    record = open(options.record, "ab", buffering=0) if options.record else None

    async def relay(client_reader, client_writer):
        try:
            server_reader, server_writer = await asyncio.open_connection(host, int(port))
        except OSError:
            client_writer.close()
            return
        for each in (client_writer, server_writer):
            each.get_extra_info("socket").setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        await asyncio.gather(
            forward(client_reader, server_writer, options.rate, delay, options.stall_at, options.stall_for, record),
            forward(server_reader, client_writer, options.rate, delay, 0, 0),
            return_exceptions=True)
        for each in (client_writer, server_writer):
            each.close()

    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, BUFFER)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, BUFFER)
    listener.bind(("127.0.0.1", options.listen))
    server = await asyncio.start_server(relay, sock=listener, limit=PIECE)
    print("listening on", listener.getsockname()[1], flush=True)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    try:
        asyncio.run(main())
    except KeyboardInterrupt:
        sys.exit(0)
