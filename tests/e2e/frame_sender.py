#!/usr/bin/env python3
"""Sends hand-written management frames on an interface and prints answers.

    frame_sender.py IFACE [--listen SECONDS] HEX...

Each HEX is a whole frame; the token SRC stands for the interface's own MAC.
Frames shorter than 60 bytes are padded with zeros. With --listen, every
0x88E1 / 0x887B frame that arrives from another address within SECONDS after
the last send is printed as "rx HEX".
"""
import select
import socket
import sys
import time


def main():
    args = sys.argv[1:]
    if not args:
        sys.exit(__doc__)
    iface = args.pop(0)
    listen = 0.0
    if args and args[0] == "--listen":
        listen = float(args[1])
        args = args[2:]
    own = open(f"/sys/class/net/{iface}/address").read().strip().replace(":", "").upper()
    s = socket.socket(socket.AF_PACKET, socket.SOCK_RAW, socket.htons(0x0003))
    s.bind((iface, 0))
    for text in args:
        frame = bytes.fromhex(text.replace("SRC", own).replace(":", ""))
        s.send(frame.ljust(60, b"\0"))
        time.sleep(0.02)
    end = time.time() + listen
    while time.time() < end:
        ready, _, _ = select.select([s], [], [], max(0.0, end - time.time()))
        if not ready:
            continue
        frame, meta = s.recvfrom(2048)
        if meta[2] == socket.PACKET_OUTGOING or len(frame) < 14:
            continue
        if frame[12:14] in (b"\x88\xe1", b"\x88\x7b") and frame[6:12].hex().upper() != own:
            print("rx", frame.hex().upper(), flush=True)


if __name__ == "__main__":
    main()
