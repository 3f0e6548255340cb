"""The Python package against corvane-dc in both framings."""
import datetime
import os
import signal
import threading

import pytest

import corvane
from corvane.listing import parse_listing

TEXT = b"first line\r\nsecond line\r\n"
FRAMINGS = ["classic", "wide"]


@pytest.mark.parametrize("framing", FRAMINGS)
def test_every_operation_against_a_serving_device(framing, device, tmp_path):
    served = tmp_path / "dc"
    (served / "FIELD.TXT").write_bytes(TEXT)
    (served / "SUB").mkdir()
    (served / "SUB" / "OLD.TXT").write_bytes(b"xy")
    (tmp_path / "pc" / "NOTES.TXT").write_bytes(TEXT)
    dc = device(framing, "serve")
    calls = []
    with corvane.Port(dc.tty, framing=framing) as port:
        port.send("NOTES.TXT", as_name="SENT.TXT", progress=lambda *call: calls.append(call))
        assert (served / "SENT.TXT").read_bytes() == TEXT
        assert calls and calls[-1][2] == "Sending NOTES.TXT"

        assert open(port.get("FIELD.TXT"), "rb").read() == TEXT
        entries = port.listdir()
        assert [(e.name, e.size, e.is_dir) for e in entries] == [
            ("FIELD.TXT", len(TEXT), False), ("SENT.TXT", len(TEXT), False), ("SUB", 0, True)]
        assert sorted(os.listdir(".")) == ["FIELD.TXT", "NOTES.TXT"], "the reply file is removed"

        port.chdir("SUB")
        port.remove("OLD.TXT")
        assert not (served / "SUB" / "OLD.TXT").exists()
        with pytest.raises(corvane.TransferError) as failure:
            port.get("MISSING.TXT")
        assert failure.value.code == -21
        assert "failed" in failure.value.meaning


@pytest.mark.parametrize("framing", FRAMINGS)
def test_receive_and_save_as(framing, device, tmp_path):
    pushed = tmp_path / "dc" / "PUSHED.TXT"
    pushed.write_bytes(TEXT)
    asked = []

    def save_as(proposed):
        asked.append(proposed)
        return "RENAMED.TXT"

    for _ in range(2):
        dc = device(framing, "send", pushed)
        with corvane.Port(dc.tty, framing=framing, save_as=save_as) as port:
            stored = port.receive()
        dc.finish()
    assert os.path.basename(stored) == "RENAMED.TXT"
    assert [os.path.basename(name) for name in asked] == ["PUSHED.TXT"]
    assert open("PUSHED.TXT", "rb").read() == TEXT == open("RENAMED.TXT", "rb").read()


def test_serve_until_cancelled_from_another_thread(device, tmp_path):
    upload = tmp_path / "dc" / "UP.TXT"
    upload.write_bytes(TEXT)
    dc = device("wide", "upload", upload)
    served = threading.Event()

    def cancel_when_uploaded():
        dc.process.wait(timeout=60)
        # The server may not have started yet; a failed one is not waited for.
        while not served.is_set() and not corvane.Port.cancel():
            served.wait(0.05)

    canceller = threading.Thread(target=cancel_when_uploaded)
    canceller.start()
    try:
        with corvane.Port(dc.tty, framing="wide") as port:
            port.serve(root=".")
    finally:
        served.set()
        canceller.join()
    assert open("UP.TXT", "rb").read() == TEXT


@pytest.mark.parametrize("framing", FRAMINGS)
def test_ctrl_c_cancels_and_raises_keyboard_interrupt(framing, device, tmp_path):
    (tmp_path / "pc" / "BIG.DAT").write_bytes(b"k" * 400_000)
    dc = device(framing, "serve")
    with corvane.Port(dc.tty, framing=framing) as port:
        with pytest.raises(KeyboardInterrupt):
            port.send("BIG.DAT", progress=lambda done, total, message: os.kill(os.getpid(), signal.SIGINT))
    assert not (tmp_path / "dc" / "BIG.DAT").exists() or (tmp_path / "dc" / "BIG.DAT").stat().st_size < 400_000


def test_an_exception_in_progress_cancels_and_is_raised(device, tmp_path):
    (tmp_path / "pc" / "BIG.DAT").write_bytes(b"k" * 400_000)

    def refuse(done, total, message):
        raise RuntimeError("stop")

    dc = device("wide", "serve")
    with corvane.Port(dc.tty, framing="wide") as port:
        with pytest.raises(RuntimeError, match="stop"):
            port.send("BIG.DAT", progress=refuse)
        # The port is usable afterwards.
        (tmp_path / "pc" / "NOTES.TXT").write_bytes(TEXT)
        port.send("NOTES.TXT")
    assert (tmp_path / "dc" / "NOTES.TXT").read_bytes() == TEXT


def test_a_port_that_does_not_exist():
    with pytest.raises(OSError):
        corvane.Port("/dev/does-not-exist")
    with pytest.raises(ValueError):
        corvane.Port("/dev/null", parity="sometimes")


def test_listing_lines_with_times():
    # The PC's own listing format, from its documentation's example lines.
    text = "C:\\DATA\r\nA.TXT 1234 3-5-2024 14:07\r\nDATA  <DIR>    3-5-2024 9:05\r\nMY FILE.CR5 45\r\n"
    assert parse_listing(text) == [
        corvane.Entry("A.TXT", 1234, datetime.datetime(2024, 3, 5, 14, 7), False),
        corvane.Entry("DATA", 0, datetime.datetime(2024, 3, 5, 9, 5), True),
        corvane.Entry("MY FILE.CR5", 45, None, False),
    ]
