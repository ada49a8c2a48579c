#!/usr/bin/env python3
"""What the live show costs the machine: for each frame rate asked for, the show runs for a while
on an 80x50 pseudo-terminal whose reader keeps up, silent (--mute), and the figures are printed:
CPU seconds per second of show, frames and bytes written per second, and peak resident memory.
A whole-show recording's peak memory follows.

Usage: bench/live_show.py [--program P] [--seconds S] [--fps N ...] [--no-record]
  (default build/release/glimmerfolding, 60 s, --fps 60 1000; 1000 is the ceiling, close to
  free-running)
"""
import argparse
import os
import select
import subprocess
import sys
import tempfile
import time

from show_pty import start_show

FRAME_START = b"\x1b[?2026h"


def cpu_seconds(pid):
    """User and system CPU time the process has used so far."""
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def live(program, fps, seconds):
    pid, fd = start_show(program, ["--mute", "--fps", str(fps)])
    os.write(fd, b" ")
    started = time.monotonic()
    cpu_before = cpu_seconds(pid)
    frames = 0
    total = 0
    tail = b""
    while time.monotonic() - started < seconds:
        ready, _, _ = select.select([fd], [], [], 0.5)
        if not ready:
            continue
        try:
            chunk = os.read(fd, 1 << 20)
        except OSError:
            break
        total += len(chunk)
        frames += (tail + chunk).count(FRAME_START)
        tail = chunk[-(len(FRAME_START) - 1):]
    elapsed = time.monotonic() - started
    cpu = cpu_seconds(pid) - cpu_before
    os.write(fd, b"\x1b")
    # Keep reading so the show can write its last frame and restore the terminal.
    deadline = time.monotonic() + 5
    while time.monotonic() < deadline:
        ready, _, _ = select.select([fd], [], [], 0.2)
        if ready:
            try:
                if not os.read(fd, 1 << 20):
                    break
            except OSError:
                break
    _, status, usage = os.wait4(pid, 0)
    return cpu / elapsed, frames / elapsed, total / elapsed, usage.ru_maxrss / 1024


def recording_peak(program):
    with tempfile.TemporaryDirectory() as folder:
        started = time.monotonic()
        process = subprocess.Popen([program, "--record", os.path.join(folder, "show.cast")])
        _, status, usage = os.wait4(process.pid, 0)
        return time.monotonic() - started, usage.ru_maxrss / 1024


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", default="build/release/glimmerfolding")
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--fps", type=int, nargs="+", default=[60, 1000])
    parser.add_argument("--no-record", action="store_true")
    arguments = parser.parse_args()
    print(f"live show, {arguments.seconds:.0f} s each, 80x50 pseudo-terminal, --mute")
    print("  fps asked   CPU s/s   frames/s      bytes/s   peak MB")
    for fps in arguments.fps:
        cpu, frames, rate, peak = live(arguments.program, fps, arguments.seconds)
        print(f"  {fps:9d}   {cpu:7.3f}   {frames:8.1f}   {rate:10.0f}   {peak:7.1f}")
    if not arguments.no_record:
        wall, peak = recording_peak(arguments.program)
        print(f"whole-show recording (60 fps cast): {wall:.1f} s wall, peak {peak:.1f} MB")
    return 0


if __name__ == "__main__":
    sys.exit(main())
