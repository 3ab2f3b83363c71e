#!/usr/bin/python3
"""A simulated microcontroller board on a pseudo-terminal, for trying Tavrin without hardware.

It opens a pseudo-terminal, names it COMn through <config>/dosdevices/comn (the link Tavrin
resolves COMn by), prints where it is, and answers like a teaching board: every command the
terminal sends (its characters, then a NUL) is echoed back as a line ("> AB"), and a few
commands do something:

  HELP     lists the commands
  LED1     toggles LED 1 (LED2 likewise)
  STATUS   tells the LEDs and how long the board has been up
  CLS      clears the terminal's pane (a form feed at the start of the answer)
  UNPLUG   goes away for a few seconds, as a board pulled off its cable, then comes back

Usage: mcusim.py [--config DIR] [--port COMn] [--unplug-seconds S]
<config> defaults to $XDG_CONFIG_HOME/tavrin (or ~/.config/tavrin), as Tavrin's.
"""
import argparse
import os
import re
import select
import signal
import sys
import time
import tty


def default_config():
    base = os.environ.get("XDG_CONFIG_HOME", "")
    if not base.startswith("/"):
        base = os.path.join(os.path.expanduser("~"), ".config")
    return os.path.join(base, "tavrin")


class Board:
    def __init__(self, link, port, unplug_seconds):
        self.link = link
        self.port = port
        self.unplug_seconds = unplug_seconds
        self.leds = {"LED1": False, "LED2": False}
        self.started = time.monotonic()
        self.master = self.slave = -1
        self.command = bytearray()

    def plug(self):
        self.master, self.slave = os.openpty()
        # Raw until Tavrin configures it, so nothing is echoed back meanwhile. The board
        # keeps its own descriptor of the terminal side open: the pair then stays usable
        # while Tavrin closes and reopens the port.
        tty.setraw(self.slave)
        name = os.ttyname(self.slave)
        temporary = self.link + ".new"
        if os.path.lexists(temporary):
            os.unlink(temporary)
        os.symlink(name, temporary)
        os.replace(temporary, self.link)
        print("mcusim: %s is %s (link %s)" % (self.port, name, self.link), flush=True)

    def unplug(self):
        if os.path.lexists(self.link):
            os.unlink(self.link)
        for fd in (self.master, self.slave):
            if fd >= 0:
                os.close(fd)
        self.master = self.slave = -1
        self.command.clear()

    def send(self, text):
        data = text.encode("latin-1")
        while data:
            written = os.write(self.master, data)
            data = data[written:]

    def answer(self, command):
        word = command.strip().upper()
        if word == "CLS":
            # The form feed must open a chunk of its own; the echo would otherwise come first.
            self.send("\fscreen cleared\r\n")
            return
        self.send("> %s\r\n" % command)
        if word == "HELP":
            self.send("commands: HELP, LED1, LED2, STATUS, CLS, UNPLUG\r\n")
        elif word in self.leds:
            self.leds[word] = not self.leds[word]
            self.send("%s %s\r\n" % (word, "ON" if self.leds[word] else "OFF"))
        elif word == "STATUS":
            leds = ", ".join("%s %s" % (k, "ON" if v else "OFF") for k, v in self.leds.items())
            self.send("%s, up %d s\r\n" % (leds, time.monotonic() - self.started))
        elif word == "UNPLUG":
            self.send("unplugging for %g s\r\n" % self.unplug_seconds)
            time.sleep(0.2)  # let the line drain before the cable goes
            print("mcusim: unplugged", flush=True)
            self.unplug()
            time.sleep(self.unplug_seconds)
            self.plug()
        elif word:
            self.send("unknown command, try HELP\r\n")

    def received(self, data):
        for byte in data:
            if byte == 0:
                self.answer(self.command.decode("latin-1"))
                self.command.clear()
            elif byte not in (10, 13):
                self.command.append(byte)

    def run(self):
        self.plug()
        while True:
            ready, _, _ = select.select([self.master], [], [])
            if ready:
                try:
                    data = os.read(self.master, 4096)
                except OSError:
                    data = b""
                if data:
                    self.received(data)


def main():
    parser = argparse.ArgumentParser(description="Simulated microcontroller on a pty.")
    parser.add_argument("--config", default=default_config())
    parser.add_argument("--port", default="COM1")
    parser.add_argument("--unplug-seconds", type=float, default=3.0)
    args = parser.parse_args()
    match = re.fullmatch(r"[cC][oO][mM]([1-9][0-9]*)", args.port)
    if not match:
        sys.exit("mcusim: the port must be COMn, n from 1")
    folder = os.path.join(args.config, "dosdevices")
    os.makedirs(folder, exist_ok=True)
    board = Board(os.path.join(folder, "com" + match.group(1)), args.port.upper(),
                  args.unplug_seconds)

    def leave(*_):
        board.unplug()
        sys.exit(0)

    signal.signal(signal.SIGTERM, leave)
    signal.signal(signal.SIGINT, leave)
    try:
        board.run()
    finally:
        board.unplug()


if __name__ == "__main__":
    main()
