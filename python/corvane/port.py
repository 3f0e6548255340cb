"""The serial port to a Data Collector and the operations on it."""
import ctypes
import dataclasses
import os
import signal
import threading
from typing import Callable, List, Optional

from corvane._native import MAX_PATH, PROGRESS, SAVE_AS, lib, text_out
from corvane.listing import Entry, parse_listing
from corvane.watch import OperationWatch

_PARITIES = {"none": 0, "odd": 1, "even": 2, "mark": 3, "space": 4}
# The library's platform values: for send, receive and get, and for the remote commands
# (where the classic engine is 1, since 0 sends them through the wide one).
_FRAMINGS = {"auto": (1, 1), "classic": (0, 1), "wide": (2, 2)}
_CANCELLED = -3
_FAILED = -21

Progress = Callable[[int, int, str], None]


class TransferError(Exception):
    """An operation failed: `code` is the library's result code, `meaning` says it in
    words, `detail` is the text of the last error packet ("" when there was none)."""

    def __init__(self, code: int, meaning: Optional[str] = None, detail: Optional[bytes] = None):
        self.code = code
        self.meaning = meaning or lib.corvane_result_text(code).decode()
        self.detail = _decode(text_out(lib.corvane_error_detail) if detail is None else detail)
        super().__init__(f"result {code}: {self.meaning}" + (f" ({self.detail})" if self.detail else ""))


@dataclasses.dataclass(frozen=True)
class PortInfo:
    path: str
    description: str
    by_id: str
    usb_vendor: Optional[int]
    usb_product: Optional[int]
    serial_number: str
    com_name: str

    @property
    def usb_name(self) -> str:
        """The name that picks this adapter out whatever tty it gets (`corvane --port usb:...`);
        "" for a port that is not on USB."""
        if self.usb_vendor is None:
            return ""
        name = f"usb:{self.usb_vendor:04x}:{self.usb_product:04x}"
        return f"{name}:{self.serial_number}" if self.serial_number else name


@dataclasses.dataclass(frozen=True)
class Finding:
    """Something that stands in the way of a port, and the command that fixes it ("" when none)."""
    problem: str
    fix: str


@dataclasses.dataclass(frozen=True)
class ServedRequest:
    """A request of the Data Collector that a server run finished."""
    kind: str  # upload, download, directory, cd, erase, or unknown (a packet the server does not serve)
    carried_out: bool  # False: refused, or broken off before its end
    bytes: int  # file bytes that went over the line (uploads and downloads)
    path: str  # the file or directory on this PC, as a full path
    why: str  # what ended one not carried out; "" when the Data Collector broke it off


def version() -> str:
    return lib.corvane_version().decode()


def ports() -> List[PortInfo]:
    """The serial ports of this machine (pseudo-terminals are not among them)."""
    found = []
    for line in _decode(text_out(lib.corvane_ports)).splitlines():
        path, description, by_id, vendor, product, serial, com = line.split("\t")
        found.append(PortInfo(path, description, by_id, int(vendor, 16) if vendor else None,
                              int(product, 16) if product else None, serial, com))
    return found


def diagnose(path) -> List[Finding]:
    """Everything known to stand in the way of the port at `path`: a missing device,
    missing permission, programs or services that hold it. Empty when nothing does."""
    lines = _decode(text_out(lib.corvane_diagnose_port, _encode(path))).splitlines()
    return [Finding(*line.split("\t")) for line in lines]


def _served_requests() -> List[ServedRequest]:
    requests = []
    for line in _decode(text_out(lib.corvane_served_requests)).splitlines():
        kind, carried_out, size, path, why = line.split("\t")
        requests.append(ServedRequest(kind, carried_out == "1", int(size), path, why))
    return requests


def _decode(raw: bytes) -> str:
    return os.fsdecode(raw)


def _encode(text) -> Optional[bytes]:
    return None if text is None else os.fsencode(text)


class Port:
    """An open serial port: a tty path, "COM3", or a COM number as an int.

    framing: "auto" lets the library probe the Data Collector, "classic" or "wide" forces one.
    save_as: asked with the proposed name when a received file exists; returns a new
    path, or None to cancel the transfer (the default answer).
    trace: a file that records every byte on the line while the port is open, for a
    failure to be replayed (corvane-dc --replay).
    idle_timeout: seconds after which a client operation is given up (TransferError)
    when nothing has been heard from the Data Collector and nothing has moved, as is
    one that has heard only an error packet for a while; None waits on.
    """

    def __init__(self, device, baud: int = 9600, parity: str = "none", framing: str = "auto",
                 save_as: Optional[Callable[[str], Optional[str]]] = None, trace=None,
                 idle_timeout: Optional[float] = None):
        if parity not in _PARITIES:
            raise ValueError(f"parity is one of {', '.join(_PARITIES)}, not {parity!r}")
        if framing not in _FRAMINGS:
            raise ValueError(f"framing is one of {', '.join(_FRAMINGS)}, not {framing!r}")
        self.device = device
        self._platforms = _FRAMINGS[framing]
        self._idle_timeout = idle_timeout
        self._watch = None
        # Started before the port opens, so that the record begins with the port.
        if trace is not None and not lib.corvane_set_trace(_encode(trace)):
            raise OSError(f"cannot create the trace file {trace}")
        if isinstance(device, int):
            opened = lib.corvane_open_com(device, baud, _PARITIES[parity])
        else:
            opened = lib.corvane_open(_encode(device), baud, _PARITIES[parity])
        if not opened:
            why = _decode(text_out(lib.corvane_error_detail))
            lib.corvane_set_trace(None)
            raise OSError(f"cannot open {device} at {baud} baud" + (f":\n{why}" if why else ""))
        self._save_as = SAVE_AS(self._ask_save_as) if save_as else SAVE_AS()
        self._save_as_handler = save_as
        self._open = True

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.close()

    def close(self):
        if self._open:
            lib.corvane_close()
            lib.corvane_set_trace(None)
            self._open = False

    def send(self, path, as_name: Optional[str] = None, progress: Optional[Progress] = None) -> None:
        """Sends a local file, announced under `as_name` (default: its own name)."""
        self._run(lambda: lib.corvane_send(_encode(path), _encode(as_name)), progress)

    def receive(self, name=None, progress: Optional[Progress] = None) -> str:
        """Receives the file the Data Collector sends; returns the local path it was stored at."""
        self._run(lambda: lib.corvane_receive(_encode(name)), progress)
        return self._output_filename()

    def get(self, name: str, second: Optional[str] = None, progress: Optional[Progress] = None) -> str:
        """Gets a file from the Data Collector's server; returns the local path."""
        self._run(lambda: lib.corvane_get(_encode(name), _encode(second)), progress)
        reported = self._output_filename() or self._renamed_to
        if reported:
            return reported
        # Where the library does not say: the name asked for, in the current
        # directory, which the library matches without regard to case.
        wanted = (second or name).replace("\\", "/").rsplit("/", 1)[-1]
        return next((entry for entry in os.listdir(".") if entry.upper() == wanted.upper()), wanted)

    def listdir(self, arg: str = "") -> List[Entry]:
        """The Data Collector's directory; the reply file it comes in is removed."""
        self._run(lambda: lib.corvane_directory(_encode(arg)), None, generic=True)
        reply = self._output_filename()
        try:
            with open(reply, "rb") as file:
                return parse_listing(file.read().decode("latin-1"))
        finally:
            os.remove(reply)

    def chdir(self, directory: str) -> None:
        self._run(lambda: lib.corvane_change_directory(_encode(directory)), None, generic=True)

    def remove(self, name: str) -> None:
        self._run(lambda: lib.corvane_delete(_encode(name)), None, generic=True)

    def serve(self, root=".", confine: bool = True, progress: Optional[Progress] = None,
              on_request: Optional[Callable[[ServedRequest], None]] = None) -> List[ServedRequest]:
        """Serves the Data Collector's uploads, downloads and commands until cancel() or
        Ctrl-C; with confine, it cannot reach outside `root`. Returns the requests served,
        oldest first; `on_request` is called with each as the server finishes it."""
        served = []

        def take_served():
            for request in _served_requests():
                served.append(request)
                if on_request is not None:
                    on_request(request)

        def on_progress(done, total, message):
            take_served()
            if progress is not None:
                progress(done, total, message)

        try:
            self._run(lambda: lib.corvane_serve(_encode(root) if confine else None), on_progress, watched=False)
        except TransferError as error:
            if error.code != _CANCELLED:
                raise
        take_served()
        return served

    @staticmethod
    def cancel() -> bool:
        """Stops the running operation, from any thread; False when none runs."""
        return bool(lib.corvane_cancel())

    def _output_filename(self) -> str:
        return _decode(text_out(lib.corvane_output_filename))

    def _ask_save_as(self, _user, proposed, new_name, capacity):
        try:
            chosen = self._save_as_handler(_decode(proposed))
        except Exception:  # the transfer cannot take an exception; it is cancelled instead
            return 0
        if chosen is None:
            return 0
        encoded = os.fsencode(chosen)
        if len(encoded) >= min(capacity, MAX_PATH + 1):
            return 0
        if self._watch is not None:
            self._watch.restart()
        ctypes.memmove(new_name, encoded + b"\0", len(encoded) + 1)
        self._renamed_to = os.fsdecode(encoded)
        return 1

    def _run(self, call, progress: Optional[Progress], generic: bool = False, watched: bool = True) -> None:
        """Runs one operation: Ctrl-C and an exception in `progress` cancel it, and are
        raised once it has stopped; so does the idle watch, when the port has one."""
        interrupted = False
        raised = None
        self._renamed_to = None
        watch = self._watch = OperationWatch(self._idle_timeout) if watched and self._idle_timeout else None

        # The library calls back on this thread four times a second, so Python's own
        # signal handling gets its turn while the operation runs.
        def on_progress(_user, done, total, message):
            nonlocal raised
            if watch is not None and watch.should_stop():
                lib.corvane_cancel()
                return
            if progress is None or raised is not None:
                return
            try:
                progress(done, total, message.decode(errors="replace"))
            except BaseException as error:  # noqa: B036 - handed back to the caller below
                raised = error
                lib.corvane_cancel()

        def on_interrupt(_signal, _frame):
            nonlocal interrupted
            interrupted = True
            lib.corvane_cancel()

        callback = PROGRESS(on_progress)
        lib.corvane_set_progress_callback(callback, None)
        lib.corvane_set_save_as_callback(self._save_as, None)
        lib.corvane_set_platform(self._platforms[1 if generic else 0])
        in_main_thread = threading.current_thread() is threading.main_thread()
        previous = signal.signal(signal.SIGINT, on_interrupt) if in_main_thread else None
        try:
            code = call()
        finally:
            if in_main_thread:
                signal.signal(signal.SIGINT, previous)
            lib.corvane_set_progress_callback(PROGRESS(), None)
            lib.corvane_set_save_as_callback(SAVE_AS(), None)
        if interrupted:
            raise KeyboardInterrupt
        if raised is not None:
            raise raised
        if watch is not None and watch.reason is not None:
            raise TransferError(_FAILED, watch.reason, watch.detail)
        if code != 0:
            raise TransferError(code)
