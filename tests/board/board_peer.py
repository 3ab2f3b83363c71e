#!/usr/bin/python3
"""Another program on tavrin-board's pseudo-terminal: asks for help, then sends one command
as a burst (all characters in one write, as most programs do) and once paced (as Tavrin
does) to the slow receiver, and reports what came back, one "name: answer" line each.

The board learns when a character came only when it reads it from the terminal. On a busy
machine it may be woken late and then reads two paced characters as if they had come
together. So the board echoes (ECO ON), and a paced character goes out only 10 ms after
the echo of the one before: the board has then taken that one, and the next reaches it at
least 10 ms later however late it wakes, twice the slow receiver's 5 ms.

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
                echo = port.read(1)
                if echo != bytes([c]):
                    sys.exit(f"no echo of {c!r}: {echo!r}")
                time.sleep(0.01)

    def answer(until=b"\r\n"):
        return port.read_until(until).decode("cp1252", "replace")

    def lost():
        send("STATUS")
        text = answer(b"com erro ")
        answer()
        return text.split("perdidos ")[1].split(",")[0]

    port.write(b"ECO ON\0")
    answer()
    send("AJUDA")
    print("help:", answer().strip())
    answer(b"limpa o painel\r\n")
    send("LENTO ON")
    print("lento:", answer().strip())
    command = "LED1 ON" + " " * 25
    send(command, paced=False)
    time.sleep(0.2)
    port.reset_input_buffer()  # the echoes of the characters the board took
    send("")  # its own NUL was lost with the rest: this one ends it
    print("burst:", answer().strip())
    print("burst lost:", lost())
    send(command)
    print("paced:", answer().strip())
    print("paced lost:", lost())
    sys.stdout.flush()


if __name__ == "__main__":
    main()
