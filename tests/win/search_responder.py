#!/usr/bin/env python3
"""Simulated network devices for the search tests, run inside the private
network namespace. The test program scripts the next answers over a control
port: "SCRIPT addr:delay_ms:empty ..." (empty 1 sends a 0-byte datagram), and
asks for the last request it saw with "LAST". Each answer goes to the
searcher's reply port from the device's own loopback address."""
import select
import socket
import sys
import threading
import time

CONTROL_PORT, REQUEST_PORT, REPLY_PORT = 4570, 4568, 4569


def answer(script, sender_ip, start):
    for address, delay_ms, empty in script:
        wait = start + delay_ms / 1000.0 - time.monotonic()
        if wait > 0:
            time.sleep(wait)
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
            s.bind((address, 0))
            s.sendto(b"" if empty else b"Tarvik4100", (sender_ip, REPLY_PORT))


def main():
    control = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    control.bind(("127.0.0.1", CONTROL_PORT))
    search = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    search.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    search.bind(("0.0.0.0", REQUEST_PORT))
    script, last = [], b""
    print("ready", flush=True)
    while True:
        ready, _, _ = select.select([control, search], [], [])
        if search in ready:
            last, (sender_ip, _) = search.recvfrom(2048)
            threading.Thread(target=answer, args=(script, sender_ip, time.monotonic()), daemon=True).start()
            script = []
        if control in ready:
            message, peer = control.recvfrom(2048)
            words = message.decode("ascii", "replace").split()
            if words and words[0] == "SCRIPT":
                script = []
                for entry in words[1:]:
                    address, delay, empty = entry.split(":")
                    script.append((address, int(delay), empty == "1"))
                control.sendto(b"OK", peer)
            elif words and words[0] == "LAST":
                control.sendto(last if last else b"-", peer)


if __name__ == "__main__":
    sys.exit(main())
