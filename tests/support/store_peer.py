#!/usr/bin/python3
"""Another program beside ours on the stored settings, driven line by line on stdin.

It uses Debian's own sqlite3 and configparser modules, readers and writers that are not
ours. Commands (answers end with a newline):
  lock PATH              -> locked          (holds the database's write lock until unlock)
  lock-for SECONDS PATH  -> locked          (the same, let go after SECONDS by itself)
  unlock                 -> ok
  ini PATH SECTION       -> ini HEX         (the section's keys and values as configparser
                                             reads them, "key=value" lines, hex-encoded)
  ping                   -> pong
"""
import configparser
import sqlite3
import sys
import threading

held = None


def lock(path):
    connection = sqlite3.connect(path, isolation_level=None, check_same_thread=False)
    connection.execute("BEGIN EXCLUSIVE")
    return connection


def release(connection):
    connection.execute("COMMIT")
    connection.close()


def ini(path, section):
    parser = configparser.ConfigParser(interpolation=None)
    parser.optionxform = str  # keep the keys' letter case
    with open(path, encoding="latin-1") as f:
        parser.read_file(f)
    lines = "".join(f"{k}={v}\n" for k, v in parser.items(section))
    return lines.encode("latin-1").hex()


for line in sys.stdin:
    words = line.split()
    if not words:
        continue
    try:
        if words[0] == "ping":
            answer = "pong"
        elif words[0] == "lock":
            held = lock(words[1])
            answer = "locked"
        elif words[0] == "lock-for":
            connection = lock(words[2])
            threading.Timer(float(words[1]), release, [connection]).start()
            answer = "locked"
        elif words[0] == "unlock":
            release(held)
            held = None
            answer = "ok"
        elif words[0] == "ini":
            answer = "ini " + ini(words[1], words[2])
        else:
            answer = "error unknown command"
    except Exception as e:  # the test reads the failure
        answer = "error " + str(e).replace("\n", " ")
    print(answer, flush=True)
