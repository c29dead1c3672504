#!/usr/bin/env python3
"""Kills the editor with SIGKILL at random moments while xdotool types into
its real window under Xvfb, and checks after each kill that the recovery
file holds the text typed up to the last rest of the typing (two seconds
without a key, with some room for a loaded machine). The next start offers
that file's text (恢复 / 丢弃); the tests check that offer.
    tools/recovery_kill_check.py [tries] [path/to/chimepad]
"""
import glob, os, random, shutil, signal, subprocess, sys, tempfile, time

IDLE = 2.0   # the editor keeps the text this long after the last key
SLACK = 0.6  # room for the scheduler and the write


def read_record(path):
    data = open(path, "rb").read()
    end = data.index(b"\n\n")
    return data[end + 2:].decode("utf-16-le")


def main():
    tries = int(sys.argv[1]) if len(sys.argv) > 1 else 30
    here = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    binary = sys.argv[2] if len(sys.argv) > 2 else os.path.join(here, "build/bin/chimepad")
    tmp = tempfile.mkdtemp()
    display = ":%d" % random.randint(150, 250)
    xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "800x600x24", "-nolisten", "tcp"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(1)
    env = dict(os.environ, DISPLAY=display, XDG_CONFIG_HOME=tmp + "/config",
               XDG_STATE_HOME=tmp + "/state", XDG_RUNTIME_DIR=tmp, QT_QPA_PLATFORM="xcb")
    os.makedirs(tmp + "/config/Chimepad")
    with open(tmp + "/config/Chimepad/Chimepad.conf", "w") as f:
        f.write("[Type]\ntxt=0\n")
    folder = tmp + "/state/Chimepad/recovery"
    good = with_rest = 0
    try:
        for i in range(tries):
            for f in glob.glob(folder + "/*"):
                os.remove(f)
            app = subprocess.Popen([binary], env=env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
            win = ""
            for _ in range(50):
                time.sleep(0.2)
                r = subprocess.run(["xdotool", "search", "--name", "妙音朗读器"], env=env,
                                   capture_output=True, text=True)
                if r.stdout.strip():
                    win = r.stdout.split()[0]
                    break
            subprocess.run(["xdotool", "windowfocus", "--sync", win], env=env)
            kill_at = time.time() + random.uniform(3.0, 9.0)
            typed, bursts = 0, []  # (time the burst ended, keys typed by then)
            while time.time() < kill_at:
                n = random.randint(1, 6)
                subprocess.run(["xdotool", "type", "--delay", "40", "x" * n], env=env)
                typed += n
                bursts.append((time.time(), typed))
                # Mostly short pauses, now and then a rest longer than the idle time.
                time.sleep(random.uniform(2.7, 3.5) if random.random() < 0.4
                           else random.uniform(0.05, 0.8))
            app.send_signal(signal.SIGKILL)
            killed = time.time()
            app.wait()
            expected = 0
            for k, (t, count) in enumerate(bursts):
                rest_end = bursts[k + 1][0] if k + 1 < len(bursts) else killed
                if t + IDLE + SLACK <= min(rest_end, killed):
                    expected = count
            files = glob.glob(folder + "/*.recovery")
            back = len(read_record(files[0])) if files else 0
            ok = expected <= back <= typed
            good += ok
            with_rest += expected > 0
            print("try %2d: typed %3d, expected at least %3d, kept %3d %s"
                  % (i + 1, typed, expected, back, "ok" if ok else "FAILED"), flush=True)
    finally:
        xvfb.terminate()
        shutil.rmtree(tmp, ignore_errors=True)
    print("%d of %d tries kept the text typed before the last rest (%d with a rest before the kill)"
          % (good, tries, with_rest))
    return 0 if good == tries else 1


if __name__ == "__main__":
    sys.exit(main())
