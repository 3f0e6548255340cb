"""The C interface of libcorvane32 through ctypes: the library and its prototypes."""
import ctypes
import os

PROGRESS = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_int32, ctypes.c_int32, ctypes.c_char_p)
SAVE_AS = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_char_p, ctypes.c_void_p, ctypes.c_size_t)

# The limits the C interface refuses beyond (corvane.h).
MAX_PATH = 4095

_PROTOTYPES = {
    "corvane_open": (ctypes.c_int, [ctypes.c_char_p, ctypes.c_int, ctypes.c_int]),
    "corvane_open_com": (ctypes.c_int, [ctypes.c_int, ctypes.c_int, ctypes.c_int]),
    "corvane_close": (None, []),
    "corvane_set_platform": (ctypes.c_int, [ctypes.c_int]),
    "corvane_send": (ctypes.c_int, [ctypes.c_char_p, ctypes.c_char_p]),
    "corvane_receive": (ctypes.c_int, [ctypes.c_char_p]),
    "corvane_get": (ctypes.c_int, [ctypes.c_char_p, ctypes.c_char_p]),
    "corvane_directory": (ctypes.c_int, [ctypes.c_char_p]),
    "corvane_change_directory": (ctypes.c_int, [ctypes.c_char_p]),
    "corvane_delete": (ctypes.c_int, [ctypes.c_char_p]),
    "corvane_serve": (ctypes.c_int, [ctypes.c_char_p]),
    "corvane_cancel": (ctypes.c_int, []),
    "corvane_status": (ctypes.c_int, [ctypes.POINTER(ctypes.c_int32), ctypes.POINTER(ctypes.c_int32)]),
    "corvane_last_error": (ctypes.c_int, []),
    "corvane_output_filename": (ctypes.c_size_t, [ctypes.c_char_p, ctypes.c_size_t]),
    "corvane_error_detail": (ctypes.c_size_t, [ctypes.c_char_p, ctypes.c_size_t]),
    "corvane_ports": (ctypes.c_size_t, [ctypes.c_char_p, ctypes.c_size_t]),
    "corvane_diagnose_port": (ctypes.c_size_t, [ctypes.c_char_p, ctypes.c_char_p, ctypes.c_size_t]),
    "corvane_served_requests": (ctypes.c_size_t, [ctypes.c_char_p, ctypes.c_size_t]),
    "corvane_set_trace": (ctypes.c_int, [ctypes.c_char_p]),
    "corvane_line_activity": (None, [ctypes.POINTER(ctypes.c_uint32), ctypes.POINTER(ctypes.c_uint32)]),
    "corvane_error_text": (ctypes.c_char_p, [ctypes.c_int]),
    "corvane_result_text": (ctypes.c_char_p, [ctypes.c_int]),
    "corvane_set_progress_callback": (None, [PROGRESS, ctypes.c_void_p]),
    "corvane_set_save_as_callback": (None, [SAVE_AS, ctypes.c_void_p]),
    "corvane_version": (ctypes.c_char_p, []),
}


def _load():
    # CORVANE_LIBRARY names a build's library (tests, an uninstalled tree); else the installed one.
    library = ctypes.CDLL(os.environ.get("CORVANE_LIBRARY") or "libcorvane32.so.1")
    for name, (result, arguments) in _PROTOTYPES.items():
        function = getattr(library, name)
        function.restype = result
        function.argtypes = arguments
    return library


lib = _load()


def text_out(function, *arguments):
    """A string that the C interface copies into a caller's buffer, whatever its length.
    A text that grew between the calls (served requests while a server runs) is asked again."""
    needed = function(*arguments, None, 0)
    while True:
        buffer = ctypes.create_string_buffer(needed + 1)
        needed = function(*arguments, buffer, len(buffer))
        if needed < len(buffer):
            return buffer.value
