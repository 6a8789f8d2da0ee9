#!/usr/bin/env python3
"""Starts simulated devices for Windows tests, which cannot start Linux programs.

A test connects to 127.0.0.1:<port> and sends one line: "START <simulator flags>".
The launcher starts tarvik-sim on a free loopback port and answers
"PORT <n> LOG <path>"; when the test closes the connection, the simulator is
stopped. The launcher itself ends when its parent (the Wine wrapper) ends it,
or after --lifetime seconds.
"""
import argparse
import os
import shlex
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time


RUNNING = set()


def stop_all(*_):
    for proc in list(RUNNING):
        if proc.poll() is None:
            proc.send_signal(signal.SIGTERM)
    os._exit(0)


def serve(conn, simulator, workdir):
    conn.settimeout(30)
    proc = None
    try:
        line = b""
        while not line.endswith(b"\n") and len(line) < 4096:
            chunk = conn.recv(4096)
            if not chunk:
                return
            line += chunk
        words = shlex.split(line.decode("utf-8", "replace").strip())
        if not words or words[0] != "START":
            conn.sendall(b"ERROR expected START\n")
            return
        fd, port_file = tempfile.mkstemp(prefix="sim-port-", dir=workdir)
        os.close(fd)
        os.unlink(port_file)
        log_fd, log_file = tempfile.mkstemp(prefix="sim-log-", suffix=".txt", dir=workdir)
        os.close(log_fd)
        args = [simulator, "--address", "127.0.0.1", "--port", "0", "--port-file", port_file,
                "--log", log_file, "--quiet", "--exit-after-seconds", "900"] + words[1:]
        proc = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        RUNNING.add(proc)
        deadline = time.time() + 20
        port = None
        while time.time() < deadline and proc.poll() is None:
            try:
                with open(port_file) as f:
                    text = f.read().strip()
                if text:
                    port = int(text.split()[-1])
                    break
            except (OSError, ValueError):
                pass
            time.sleep(0.02)
        if port is None:
            conn.sendall(b"ERROR simulator did not start\n")
            return
        conn.sendall(("PORT %d LOG %s\n" % (port, log_file)).encode())
        conn.settimeout(None)
        while conn.recv(4096):
            pass
    except OSError:
        pass
    finally:
        RUNNING.discard(proc)
        if proc is not None and proc.poll() is None:
            proc.send_signal(signal.SIGTERM)
            try:
                proc.wait(5)
            except subprocess.TimeoutExpired:
                proc.kill()
        conn.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--simulator", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--lifetime", type=int, default=1800)
    options = parser.parse_args()
    workdir = tempfile.mkdtemp(prefix="tarvik-sim-")
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    with open(options.port_file + ".tmp", "w") as f:
        f.write(str(listener.getsockname()[1]))
    os.rename(options.port_file + ".tmp", options.port_file)
    threading.Timer(options.lifetime, stop_all).start()
    signal.signal(signal.SIGTERM, stop_all)
    while True:
        conn, _ = listener.accept()
        threading.Thread(target=serve, args=(conn, options.simulator, workdir), daemon=True).start()


if __name__ == "__main__":
    sys.exit(main())
