"""An Xvfb server of one's own, for the whole-program tests, the screenshot tool and the
benchmarks."""
import os
import random
import subprocess


def abstract_x_sockets():
    with open("/proc/net/unix") as f:
        return {line.split()[-1] for line in f if "@/tmp/.X11-unix/X" in line}


def start_xvfb(screen="1024x768x24"):
    """An Xvfb server of the test's own. X clients try the abstract socket of a display
    before its file, and a server that shares the network but not /tmp (another test run
    in a sandbox of its own) would answer there: so the display number is taken at random
    from a high range, away from every abstract socket in use."""
    for _ in range(20):
        number = random.randint(100, 30000)
        if "@/tmp/.X11-unix/X%d" % number in abstract_x_sockets():
            continue
        read_end, write_end = os.pipe()
        # -noreset: a server that resets when its last client leaves refuses the next
        # game that connects meanwhile.
        server = subprocess.Popen(["Xvfb", ":%d" % number, "-displayfd", str(write_end), "-screen", "0", screen,
                                   "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,),
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        written = b""
        while not written.endswith(b"\n"):
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            written += chunk
        os.close(read_end)
        if written.strip() == str(number).encode():
            return server, ":%d" % number
        server.kill()
        server.wait()
    raise RuntimeError("Xvfb did not start")
