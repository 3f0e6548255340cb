"""When a client operation is given up instead of waited on, as the corvane command
does: the Data Collector has not been heard and nothing has moved for the idle
time-out, or all it has said since its last useful packet is an error packet."""
import ctypes
import time
from typing import Optional

from corvane._native import lib, text_out

# An error packet gets this long for the operation to end by itself, as every
# operation but a request through the wide loop does.
ERROR_GRACE = 1.5


class OperationWatch:
    """Polled from the progress callback; `reason` says why the operation must end."""

    def __init__(self, idle_timeout: float):
        self.idle_timeout = idle_timeout
        self.reason: Optional[str] = None
        self.detail = b""  # the last error packet's text when it gave up, before the cancel sends its own
        self._last = None
        self._last_moved = 0.0
        self._errors_at_useful = 0
        self._first_error_since: Optional[float] = None

    def restart(self):
        """Nothing is expected to move while the user answers a question: the clock starts again."""
        self._last = None

    def should_stop(self) -> bool:
        if self.reason is not None:
            return True
        now = time.monotonic()
        reading = _reading()
        _, _, packets, errors = reading
        fresh = self._last is None
        if fresh or reading != self._last:
            self._last_moved = now
        if fresh or packets - errors != self._last[2] - self._last[3]:
            self._errors_at_useful = errors
        if errors == self._errors_at_useful:
            self._first_error_since = None
        elif self._first_error_since is None:
            self._first_error_since = now
        self._last = reading
        if self._first_error_since is not None and now - self._first_error_since >= ERROR_GRACE:
            self.reason = "gave up waiting: the Data Collector answered only with an error packet"
        elif now - self._last_moved >= self.idle_timeout:
            self.reason = (f"gave up: nothing heard from the Data Collector and nothing moved "
                           f"for {self.idle_timeout:g} s (idle_timeout)")
        if self.reason is not None:
            self.detail = text_out(lib.corvane_error_detail)
        return self.reason is not None


def _reading():
    """The byte counters and the line activity, as one comparable tuple."""
    done, total = ctypes.c_int32(), ctypes.c_int32()
    packets, errors = ctypes.c_uint32(), ctypes.c_uint32()
    lib.corvane_status(ctypes.byref(done), ctypes.byref(total))
    lib.corvane_line_activity(ctypes.byref(packets), ctypes.byref(errors))
    return done.value, total.value, packets.value, errors.value
