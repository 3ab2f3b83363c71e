#!/usr/bin/python3
"""The other end of a serial line for the end-to-end tests, driven line by line on stdin.

It uses Debian's pyserial, a serial library that is not ours, so what the tests check is
what a real program on the other end sees. Commands (answers end with a newline):
  open PATH [exclusive]   -> ok | error TEXT      (exclusive: pyserial's flock)
  close                   -> ok
  write HEX               -> ok
  read COUNT SECONDS      -> data HEX             (stops early at COUNT bytes)
  burst-async COUNT       -> ok                   (starts writing COUNT bytes of a pattern)
  join                    -> ok | error TEXT      (once that writing has ended)
  hold PATH               -> ok | error TEXT      (keeps a descriptor of PATH, see below)
  settings [PATH]         -> settings ospeed=N ispeed=N cflag=N iflag=N vstart=N vstop=N
  termios                 -> termios HEX          (the whole termios2)
  stty                    -> stty TEXT            (the first line of stty -a)
  ping                    -> pong

The last three read the held descriptor (settings PATH: that device's, opened now unless it is
the held one): a device the port has opened exclusively cannot be opened again by anyone but
root, so it is taken before the port opens it.
"""
import fcntl
import os
import select
import struct
import subprocess
import sys
import termios
import threading
import tty

import serial

TCGETS2 = 0x802C542A  # _IOR('T', 0x2A, struct termios2), 44 bytes
VSTART, VSTOP = 8, 9


def pattern(count):
    return bytes((i * 7 + i // 256) & 0xFF for i in range(count))


def termios2(fd):
    buf = bytearray(44)
    fcntl.ioctl(fd, TCGETS2, buf)
    return buf


def settings(fd):
    buf = termios2(fd)
    iflag, _oflag, cflag, _lflag = struct.unpack_from("4I", buf)
    cc = buf[17:36]
    ispeed, ospeed = struct.unpack_from("2I", buf, 36)
    return "settings ospeed=%d ispeed=%d cflag=%d iflag=%d vstart=%d vstop=%d" % (
        ospeed, ispeed, cflag, iflag, cc[VSTART], cc[VSTOP])


def main():
    port = None
    held = None
    writer = None
    made = []  # pseudo-terminals made by "pty": master and slave, kept open
    failure = []

    def write_all(data):
        try:
            port.write(data)
            port.flush()
        except (OSError, serial.SerialException) as error:
            failure.append(str(error))

    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        command, args = words[0], words[1:]
        try:
            if command == "open":
                port = serial.Serial(args[0], baudrate=9600, timeout=0,
                                     exclusive=len(args) > 1 and args[1] == "exclusive")
                answer = "ok"
            elif command == "close":
                if port is not None:
                    port.close()
                port = None
                answer = "ok"
            elif command == "write":
                port.write(bytes.fromhex(args[0]))
                port.flush()
                answer = "ok"
            elif command == "read":
                count, seconds = int(args[0]), float(args[1])
                port.timeout = seconds
                data = port.read(count)
                answer = "data " + (data.hex() if data else "-")
            elif command == "burst-async":
                port.write_timeout = None
                writer = threading.Thread(target=write_all, args=(pattern(int(args[0])),))
                writer.start()
                answer = "ok"
            elif command == "join":
                if writer is not None:
                    writer.join()
                writer = None
                answer = "error " + failure.pop() if failure else "ok"
            elif command == "hold":
                if held is not None:
                    os.close(held)
                held = os.open(args[0], os.O_RDONLY | os.O_NOCTTY | os.O_NONBLOCK)
                answer = "ok"
            elif command == "settings":
                if args and (held is None or
                             os.fstat(held).st_rdev != os.stat(args[0]).st_rdev):
                    fd = os.open(args[0], os.O_RDONLY | os.O_NOCTTY | os.O_NONBLOCK)
                    try:
                        answer = settings(fd)
                    finally:
                        os.close(fd)
                else:
                    answer = settings(held)
            elif command == "termios":
                answer = "termios " + termios2(held).hex()
            elif command == "stty":
                shown = subprocess.run(["stty", "-a"], stdin=held, capture_output=True,
                                       text=True, check=True).stdout
                answer = "stty " + shown.splitlines()[0]
            elif command == "pty":
                # A new device under the link args[0], cooked as a new terminal is, as a
                # program that makes the link before it sets its terminal up leaves it.
                master, slave = os.openpty()
                made.append((master, slave))
                name = os.ttyname(slave)
                os.symlink(name, args[0] + ".new")
                os.rename(args[0] + ".new", args[0])
                answer = "ok " + name
            elif command == "raw":
                # That program's late set-up of the newest one.
                tty.setraw(made[-1][1])
                answer = "ok"
            elif command == "iflag":
                flags = termios.tcgetattr(held)[0]
                answer = "ixon" if flags & termios.IXON else "noixon"
            elif command == "readable":
                # Waits until input waits on the held side (the port's) of the pair.
                ready, _, _ = select.select([held], [], [], float(args[0]))
                answer = "ok" if ready else "error not readable"
            elif command == "ping":
                answer = "pong"
            else:
                answer = "error unknown command"
        except (OSError, ValueError, serial.SerialException) as error:
            answer = "error " + str(error).replace("\n", " ")
        sys.stdout.write(answer + "\n")
        sys.stdout.flush()


if __name__ == "__main__":
    main()
