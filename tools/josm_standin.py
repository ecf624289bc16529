#!/usr/bin/env python3
"""A stand-in for JOSM's remote control, for tests and the demo.

Listens on 127.0.0.1 only, answers every path the same way (as JOSM answers
/zoom, /add_node, /version ...) and closes the connection after every answer,
as JOSM does. Unlike JOSM it says so ("Connection: close"), so WinINet never
keeps the connection for a next request; against a real JOSM it does, and
under Wine about one request in 500 then fails on the closed connection.
Each request is appended to the log as one JSON line, flushed at once,
before it is answered:

  {"request_line": "GET /zoom?... HTTP/1.1", "path": "/zoom?...",
   "user_agent": "" or null when absent, "headers": [[name, value], ...],
   "answered": 200 | 400 | 403 | "reset" | "never"}

Modes: ok (200 "OK\\r\\n"), 400, 403, reset (a TCP reset instead of an
answer), slow (200 after --delay seconds), hang (reads the request and
never answers, holding the connection until the client gives up, as a JOSM
behind a modal dialog does). "Absent" is not starting it.
relay passes each request byte for byte to a real JOSM listening on
127.0.0.1:--relay-port and its answer back, and logs JOSM's status (or
"refused") with the answer's body as "answer_body". A connection that sends
nothing (a client checking that JOSM serves) reaches JOSM as one too, with
JOSM's reaction passed back; it is not logged as a request, but a line on
standard output gives JOSM's status line for it.
--ready-file receives the listening port once the socket listens, so that
--port 0 (any free port) can be used by tests that run in parallel.
SIGTERM ends it cleanly.
"""

import argparse
import json
import os
import signal
import socket
import struct
import sys
import threading
import time

HEAD_LIMIT = 64 * 1024
READ_TIMEOUT = 10.0
HOLD_LIMIT = 600.0  # a hung connection's longest life, so that no thread outlives a test by much
REASONS = {200: "OK", 400: "Bad Request", 403: "Forbidden"}


class Stop(Exception):
    pass


def read_message_head(conn):
    """The bytes up to and including the blank line after the head (and any
    that came with them), or None if the head never completes."""
    data = b""
    while b"\r\n\r\n" not in data:
        if len(data) > HEAD_LIMIT:
            return None
        chunk = conn.recv(4096)
        if not chunk:
            return None
        data += chunk
    return data


def head_text(data):
    return data.split(b"\r\n\r\n", 1)[0].decode("latin-1")


def read_answer(upstream):
    """JOSM's whole answer: its head, then Content-Length bytes of body, or
    everything up to the end of the connection when the length is not given."""
    data = read_message_head(upstream)
    if data is None:
        return None
    head, _, body = data.partition(b"\r\n\r\n")
    length = None
    for line in head.split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"content-length" and value.strip().isdigit():
            length = int(value.strip())
    while length is None or len(body) < length:
        chunk = upstream.recv(65536)
        if not chunk:
            break
        body += chunk
    return head + b"\r\n\r\n" + body


def answer_status(answer):
    parts = answer.split(b"\r\n", 1)[0].split(b" ")
    return int(parts[1]) if len(parts) > 1 and parts[1].isdigit() else "no status"


def describe(head, answered):
    lines = head.split("\r\n")
    request_line = lines[0]
    parts = request_line.split(" ")
    headers = []
    for line in lines[1:]:
        name, _, value = line.partition(":")
        headers.append([name, value.strip(" \t")])
    user_agent = next((value for name, value in headers if name.lower() == "user-agent"), None)
    return {
        "request_line": request_line,
        "path": parts[1] if len(parts) > 1 else None,
        "user_agent": user_agent,
        "headers": headers,
        "answered": answered,
    }


def answer(conn, status):
    body = REASONS[status] + "\r\n"
    conn.sendall(
        (
            f"HTTP/1.1 {status} {REASONS[status]}\r\n"
            "Content-Type: text/plain; charset=utf-8\r\n"
            f"Content-Length: {len(body)}\r\n"
            "Connection: close\r\n"
            "\r\n" + body
        ).encode("ascii")
    )
    conn.shutdown(socket.SHUT_WR)


def reset(conn):
    # Linger on with a zero time-out: close() sends RST instead of FIN.
    conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))


def hold(conn):
    """Keeps the connection open, unanswered, until the client closes it."""
    conn.settimeout(HOLD_LIMIT)
    while conn.recv(4096):
        pass


class StandIn:
    def __init__(self, log_path, mode, delay, relay_port):
        self.log = open(log_path, "a", encoding="utf-8")
        self.log_lock = threading.Lock()
        self.mode = mode
        self.delay = delay
        self.relay_port = relay_port

    def record(self, entry):
        with self.log_lock:
            self.log.write(json.dumps(entry) + "\n")
            self.log.flush()

    def serve(self, conn):
        try:
            conn.settimeout(READ_TIMEOUT)
            if self.mode == "relay":
                self.relay(conn)
                return
            request = read_message_head(conn)
            if request is None:
                return
            head = head_text(request)
            if self.mode == "reset":
                self.record(describe(head, "reset"))
                reset(conn)
                return
            if self.mode == "hang":
                self.record(describe(head, "never"))
                hold(conn)
                return
            status = 200 if self.mode in ("ok", "slow") else int(self.mode)
            self.record(describe(head, status))
            if self.mode == "slow":
                time.sleep(self.delay)
            answer(conn, status)
        except OSError:
            pass  # the client went away; nothing to answer
        finally:
            conn.close()

    def relay(self, conn):
        # JOSM's connection is made before the client sends anything, so that
        # JOSM sees what the client does, an empty connection included.
        try:
            upstream = socket.create_connection(("127.0.0.1", self.relay_port), timeout=READ_TIMEOUT)
        except OSError:
            upstream = None
        try:
            request = read_message_head(conn)
            if request is None:
                if upstream:
                    upstream.shutdown(socket.SHUT_WR)
                    answer = read_answer(upstream) or b""
                    status = answer.split(b"\r\n", 1)[0].decode("latin-1") or "closed, nothing sent"
                    print(f"a connection that sent nothing; JOSM: {status}", flush=True)
                    conn.sendall(answer)
                return
            head = head_text(request)
            if upstream is None:
                self.record(describe(head, "refused"))
                reset(conn)
                return
            upstream.sendall(request)
            answer = read_answer(upstream)
        finally:
            if upstream:
                upstream.close()
        if answer is None:
            self.record(describe(head, "no answer"))
            reset(conn)
            return
        entry = describe(head, answer_status(answer))
        entry["answer_body"] = answer.partition(b"\r\n\r\n")[2].decode("utf-8", "replace")
        self.record(entry)
        conn.sendall(answer)
        conn.shutdown(socket.SHUT_WR)


def write_atomically(path, text):
    temporary = path + ".tmp"
    with open(temporary, "w", encoding="ascii") as file:
        file.write(text)
    os.replace(temporary, path)


def main():
    parser = argparse.ArgumentParser(description="Loopback stand-in for JOSM's remote control.")
    parser.add_argument("--port", type=int, default=8111, help="0 picks a free port (default 8111)")
    parser.add_argument("--log", required=True, help="JSON lines, one per request")
    parser.add_argument("--mode", choices=["ok", "400", "403", "reset", "slow", "hang", "relay"], default="ok")
    parser.add_argument("--delay", type=float, default=5.0, help="seconds before a slow answer")
    parser.add_argument("--relay-port", type=int, default=8112, help="where the real JOSM listens, for relay")
    parser.add_argument("--pidfile")
    parser.add_argument("--ready-file", help="receives the port once listening")
    args = parser.parse_args()

    def stop(signum, frame):
        raise Stop()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)

    standin = StandIn(args.log, args.mode, args.delay, args.relay_port)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", args.port))
    listener.listen(16)
    port = listener.getsockname()[1]
    if args.pidfile:
        write_atomically(args.pidfile, f"{os.getpid()}\n")
    if args.ready_file:
        write_atomically(args.ready_file, f"{port}\n")
    try:
        while True:
            conn, _ = listener.accept()
            threading.Thread(target=standin.serve, args=(conn,), daemon=True).start()
    except Stop:
        pass
    finally:
        listener.close()
        for path in (args.ready_file, args.pidfile):
            if path:
                try:
                    os.remove(path)
                except FileNotFoundError:
                    pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
