#!/usr/bin/python3
"""Another program on tavrin-board's pseudo-terminal: asks for help, then sends one command
as a burst (all characters in one write, as most programs do) and once paced (as Tavrin
does) to the slow receiver, and reports what came back, one "name: answer" line each.

The board learns when a character came only when it reads it from the terminal. On a busy
machine it may be woken late and then reads two paced characters as if they had come
together, so the paced send leaves 50 ms between characters instead of Tavrin's 10: still
ten times the slow receiver's 5 ms, with room for a late wake-up.

Usage: board_peer.py <device>
"""
import sys
import time

import serial


def main():
    port = serial.Serial(sys.argv[1], 9600, timeout=5)

    def send(text, paced=True):
        for c in text.encode("latin-1") + b"\0":
            port.write(bytes([c]))
            if paced:
                time.sleep(0.05)
        if not paced:
            port.write(b"")

    def answer(until=b"\r\n"):
        return port.read_until(until).decode("cp1252", "replace")

    def lost():
        send("STATUS")
        text = answer(b"com erro ")
        answer()
        return text.split("perdidos ")[1].split(",")[0]

    send("AJUDA")
    print("help:", answer().strip())
    answer(b"limpa o painel\r\n")
    send("LENTO ON")
    print("lento:", answer().strip())
    command = "LED1 ON" + " " * 25
    send(command, paced=False)
    time.sleep(0.2)
    send("")  # its own NUL was lost with the rest: this one ends it
    print("burst:", answer().strip())
    print("burst lost:", lost())
    send(command)
    print("paced:", answer().strip())
    print("paced lost:", lost())
    sys.stdout.flush()


if __name__ == "__main__":
    main()
