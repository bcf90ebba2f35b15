"""The printer simulator program (fpsim) for the tests: started as a child process, its paper
collected by a thread. The program comes from QXRP_FPSIM (the tests are skipped without it)."""

import os
import subprocess
import threading
import unittest


def program():
    path = os.environ.get("QXRP_FPSIM")
    if not path:
        raise unittest.SkipTest("QXRP_FPSIM names no printer simulator program")
    return path


class Simulator:
    def __init__(self, *arguments):
        self._process = subprocess.Popen([program(), *arguments], stdout=subprocess.PIPE, text=True,
                                         encoding="utf-8", errors="replace")
        self._lines = []
        self._changed = threading.Condition()
        self.device = self.port = None
        for line in self._process.stdout:
            line = line.rstrip("\n")
            if line.startswith("fpsim: pseudo-terminal "):
                self.device = line.split(" ", 2)[2]
            elif line.startswith("fpsim: tcp 127.0.0.1:"):
                self.port = int(line.rsplit(":", 1)[1])
            elif line.startswith("fpsim: serial"):
                break
        else:
            raise RuntimeError("the simulator did not start")
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self):
        for line in self._process.stdout:
            with self._changed:
                self._lines.append(line.rstrip("\n"))
                self._changed.notify_all()
        with self._changed:
            self._changed.notify_all()

    def wait_paper(self, text, timeout=30):
        """True once a paper line holds text (the simulator prints after it answered)."""
        with self._changed:
            return self._changed.wait_for(
                lambda: any(line.startswith("| ") and text in line for line in self._lines), timeout)

    def stop(self):
        self._process.terminate()
        self._process.wait()
        self._reader.join()
        self._process.stdout.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()
