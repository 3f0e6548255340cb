"""The Python package against corvane-dc in both framings."""
import datetime
import os
import re
import signal
import threading

import pytest

import corvane
from corvane.listing import parse_listing

TEXT = b"first line\r\nsecond line\r\n"


@pytest.mark.parametrize("framing", ["classic", "wide"])
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


def test_receive_and_save_as(device, tmp_path):
    pushed = tmp_path / "dc" / "PUSHED.TXT"
    pushed.write_bytes(TEXT)
    asked = []

    def save_as(proposed):
        asked.append(proposed)
        return "RENAMED.TXT"

    for _ in range(2):
        dc = device("wide", "send", pushed)
        with corvane.Port(dc.tty, framing="wide", save_as=save_as) as port:
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
    seen = []
    try:
        with corvane.Port(dc.tty, framing="wide") as port:
            returned = port.serve(root=".", on_request=seen.append)
    finally:
        served.set()
        canceller.join()
    assert open("UP.TXT", "rb").read() == TEXT
    upload = corvane.ServedRequest("upload", True, len(TEXT), str(tmp_path / "pc" / "UP.TXT"), "")
    assert returned == seen == [upload]


# The device goes silent, or refuses the request with an error packet, where the
# wide request loop would wait without end; the watch gives up either way.
@pytest.mark.parametrize("fault, meaning", [(["--silent-after", "0"], "nothing moved for 2 s"),
                                            (["--error-text", "File not found: MISSING.TXT"], "error packet")])
def test_idle_timeout_gives_up_a_request(fault, meaning, device):
    dc = device("wide", *fault, "serve")
    with corvane.Port(dc.tty, framing="wide", idle_timeout=2) as port:
        with pytest.raises(corvane.TransferError) as failure:
            port.get("MISSING.TXT")
    assert meaning in failure.value.meaning
    if "--error-text" in fault:
        assert "File not found: MISSING.TXT" in failure.value.detail


def test_ctrl_c_cancels_and_raises_keyboard_interrupt(device, tmp_path):
    (tmp_path / "pc" / "BIG.DAT").write_bytes(b"k" * 400_000)
    dc = device("classic", "serve")
    with corvane.Port(dc.tty, framing="classic") as port:
        with pytest.raises(KeyboardInterrupt):
            port.send("BIG.DAT", progress=lambda done, total, message: os.kill(os.getpid(), signal.SIGINT))
    assert not (tmp_path / "dc" / "BIG.DAT").exists() or (tmp_path / "dc" / "BIG.DAT").stat().st_size < 400_000


def test_an_exception_in_progress_cancels_and_is_raised(device, tmp_path):
    (tmp_path / "pc" / "BIG.DAT").write_bytes(b"k" * 400_000)

    def refuse(done, total, message):
        raise RuntimeError("stop")

    dc = device("wide", "serve")
    with corvane.Port(dc.tty, framing="wide", trace="trace.log") as port:
        with pytest.raises(RuntimeError, match="stop"):
            port.send("BIG.DAT", progress=refuse)
        # The port is usable afterwards.
        (tmp_path / "pc" / "NOTES.TXT").write_bytes(TEXT)
        port.send("NOTES.TXT")
    assert (tmp_path / "dc" / "NOTES.TXT").read_bytes() == TEXT
    assert " dc " in open("trace.log").read(), "the trace records the line"


def test_a_port_that_does_not_exist(tmp_path):
    findings = corvane.diagnose("/dev/does-not-exist")
    assert findings and findings[0].problem.startswith("/dev/does-not-exist ")
    # The error says what the diagnosis finds; the trace started for the port stops again.
    with pytest.raises(OSError, match=re.escape(findings[0].problem)):
        corvane.Port("/dev/does-not-exist", trace=tmp_path / "trace.log")
    with pytest.raises(OSError, match="trace file"):
        corvane.Port("/dev/null", trace=tmp_path / "missing" / "trace.log")
    with pytest.raises(ValueError):
        corvane.Port("/dev/null", parity="sometimes")


def test_usb_name_of_a_listed_port():
    adapter = corvane.PortInfo("/dev/ttyUSB0", "FT232R USB UART", "", 0x403, 0x6001, "A1B2", "")
    assert adapter.usb_name == "usb:0403:6001:A1B2"
    assert corvane.PortInfo("/dev/ttyS0", "ttyS0", "", None, None, "", "COM1").usb_name == ""


def test_listing_lines_with_times():
    # The PC's own listing format, from its documentation's example lines.
    text = "C:\\DATA\r\nA.TXT 1234 3-5-2024 14:07\r\nDATA  <DIR>    3-5-2024 9:05\r\nMY FILE.CR5 45\r\n"
    assert parse_listing(text) == [
        corvane.Entry("A.TXT", 1234, datetime.datetime(2024, 3, 5, 14, 7), False),
        corvane.Entry("DATA", 0, datetime.datetime(2024, 3, 5, 9, 5), True),
        corvane.Entry("MY FILE.CR5", 45, None, False),
    ]
