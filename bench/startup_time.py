#!/usr/bin/env python3
"""Time from starting the show to its intro text, on a pseudo-terminal of 80x50 cells that answers
the show's set-up questions as a terminal would (device attributes, synchronized output known).

Usage: bench/startup_time.py [PROGRAM] [RUNS]   (default build/release/glimmerfolding, 5 runs)
"""
import os
import sys
import time

from show_pty import start_show

program = sys.argv[1] if len(sys.argv) > 1 else "build/release/glimmerfolding"
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
times = []
for _ in range(runs):
    started = time.monotonic()
    pid, fd = start_show(program, ["--mute"])
    times.append((time.monotonic() - started) * 1000)
    os.write(fd, b"\x1b")
    os.waitpid(pid, 0)
print("start-up to intro text, ms:", " ".join("%.0f" % t for t in times))
