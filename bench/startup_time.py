#!/usr/bin/env python3
"""Time from starting the show to its intro text, on a pseudo-terminal of 80x50 cells that answers
the show's set-up questions as a terminal would (device attributes, synchronized output known).

Usage: bench/startup_time.py [PROGRAM] [RUNS]   (default build/release/glimmerfolding, 5 runs)
"""
import fcntl
import os
import pty
import select
import struct
import sys
import termios
import time

program = sys.argv[1] if len(sys.argv) > 1 else "build/release/glimmerfolding"
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
times = []
for _ in range(runs):
    started = time.monotonic()
    pid, fd = pty.fork()
    if pid == 0:
        os.execv(program, [program, "--mute"])
    fcntl.ioctl(fd, termios.TIOCSWINSZ, struct.pack("HHHH", 50, 80, 0, 0))
    seen = b""
    answered = False
    while b"Press SPACE" not in seen:
        ready, _, _ = select.select([fd], [], [], 10)
        if not ready:
            break
        seen += os.read(fd, 65536)
        if not answered and b"\x1b[c" in seen:
            os.write(fd, b"\x1b[?2026;2$y\x1b[?62c")
            answered = True
    times.append((time.monotonic() - started) * 1000)
    os.write(fd, b"\x1b")
    os.waitpid(pid, 0)
print("start-up to intro text, ms:", " ".join("%.0f" % t for t in times))
