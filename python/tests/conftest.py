"""corvane-dc processes on ptys of their own, for the package's tests.

CORVANE_DC names the simulator; CORVANE_LIBRARY the library under test."""
import os
import subprocess

import pytest


class Device:
    """corvane-dc playing one role over a directory; `tty` is the end the PC opens."""

    def __init__(self, framing, directory, *role):
        self.process = subprocess.Popen(
            [os.environ["CORVANE_DC"], "--pty", "--timeout", "2", "--framing", framing, "--dir", str(directory),
             *map(str, role)], stdout=subprocess.PIPE, text=True)
        self.tty = self.process.stdout.readline().strip()

    def finish(self, interrupt=False, timeout=60):
        """Waits for the device to end (after SIGTERM when interrupting); its report."""
        if interrupt:
            self.process.terminate()
        report, _ = self.process.communicate(timeout=timeout)
        return report


@pytest.fixture
def device(tmp_path):
    """device(framing, role...) starts one in tmp_path/dc, stopped after the test."""
    started = []
    served = tmp_path / "dc"
    served.mkdir()

    def start(framing, *role):
        started.append(Device(framing, served, *role))
        return started[-1]

    yield start
    for running in started:
        if running.process.poll() is None:
            running.finish(interrupt=True)


@pytest.fixture(autouse=True)
def in_pc_directory(tmp_path, monkeypatch):
    """Each test runs in tmp_path/pc: received files and reply files land there."""
    pc = tmp_path / "pc"
    pc.mkdir()
    monkeypatch.chdir(pc)
    return pc
