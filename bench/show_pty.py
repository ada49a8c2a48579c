"""The show on a pseudo-terminal of its own, for the benchmarks: started, answered as a terminal that
knows synchronized output would answer its set-up questions, and waited for until its intro is up."""
import fcntl
import os
import pty
import select
import struct
import termios


def start_show(program, arguments, columns=80, rows=50, limit=10):
    """Starts program with arguments; returns (pid, fd) once "Press SPACE" is on the screen."""
    pid, fd = pty.fork()
    if pid == 0:
        os.execv(program, [program] + arguments)
    fcntl.ioctl(fd, termios.TIOCSWINSZ, struct.pack("HHHH", rows, columns, 0, 0))
    seen = b""
    answered = False
    while b"Press SPACE" not in seen:
        ready, _, _ = select.select([fd], [], [], limit)
        if not ready:
            raise SystemExit("the intro never appeared")
        seen += os.read(fd, 65536)
        if not answered and b"\x1b[c" in seen:
            os.write(fd, b"\x1b[?2026;2$y\x1b[?62c")
            answered = True
    return pid, fd
