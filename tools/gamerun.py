"""Running the real game from Python, for the whole-program tests, the screenshot tool and
the benchmarks: an Xvfb server of one's own, the game's environment, and the test driver
(build/bin/tarnwick_driver) on a script."""
import os
import random
import subprocess

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD_DIR = os.environ.get("TARNWICK_BUILD_DIR", os.path.join(ROOT, "build"))
SOURCE_DIR = os.environ.get("TARNWICK_SOURCE_DIR", ROOT)
DRIVER = os.path.join(BUILD_DIR, "bin", "tarnwick_driver")
GAME = os.path.join(BUILD_DIR, "bin", "tarnwick")
BUNDLE = os.path.join(BUILD_DIR, "share", "tarnwick")


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


def game_env(home, data=None, display=None):
    """The environment of one run: its own HOME; TARNWICK_DATA_DIR set to `data`, or unset
    so that the build's bundle is found; SDL's dummy video driver, or the X server `display`
    when one is given; no SDL audio (the game plays through PortAudio)."""
    env = dict(os.environ, HOME=home, SDL_AUDIODRIVER="dummy")
    env.pop("TARNWICK_DATA_DIR", None)
    if data:
        env["TARNWICK_DATA_DIR"] = data
    if display:
        env["DISPLAY"] = display
        env.pop("SDL_VIDEODRIVER", None)
    else:
        env.pop("DISPLAY", None)
        env["SDL_VIDEODRIVER"] = "dummy"
    return env


def run_driver(script, folder, args=("--sdl",), home=None, data=None, display=None, cwd=None, prefix=(),
               extra_env=(), timeout=300, **kwargs):
    """Writes `script` to folder/script.txt and runs the test driver on it with game_env(home
    or folder, data, display) and `extra_env` over it, in `cwd` or folder, `prefix` before the
    command (setpriv, ...).
    The finished process, its output as text."""
    path = os.path.join(folder, "script.txt")
    with open(path, "w") as f:
        f.write(script)
    env = dict(game_env(home or folder, data, display), **dict(extra_env))
    return subprocess.run(list(prefix) + [DRIVER, path] + list(args), env=env,
                          cwd=cwd or folder, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                          errors="replace", timeout=timeout, **kwargs)


def drive(test, script, folder, **kwargs):
    """run_driver, with the unittest case `test` failing unless the driver ends well; the
    driver's standard output."""
    result = run_driver(script, folder, **kwargs)
    test.assertEqual(0, result.returncode, "the driver failed:\n" + result.stdout + result.stderr)
    return result.stdout
