/* libcorvane32, the C interface: file transfer between a PC and a field Data
 * Collector over a serial line with the Kermit protocol. C99 and C++; the same
 * library as the C++ functions of <corvane32/corvane32.h>.
 *
 * One port and one operation at a time, for the whole process. Call the
 * functions from one thread (the host's own); the operations block it until
 * they end and call the callbacks on it meanwhile, about four times a second.
 * corvane_cancel, corvane_status and corvane_last_error may be called from any
 * thread, and from inside a callback. From inside a callback, another operation
 * is refused with CORVANE_BUSY, corvane_open with 0, and corvane_close does nothing.
 *
 * Strings are zero-terminated bytes, taken as the system takes file names.
 */
#ifndef CORVANE_CORVANE_H
#define CORVANE_CORVANE_H

#include <stddef.h>
#include <stdint.h>

/* Exported from the DLL on Windows (a host's calls go through the import
   library), by visibility from an ELF shared library. */
#if defined(_WIN32)
#define CORVANE_C_API __declspec(dllexport)
#elif defined(__GNUC__)
#define CORVANE_C_API __attribute__((visibility("default")))
#else
#define CORVANE_C_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes of the operations (corvane_last_error). The positive codes are
 * also protocol error codes, whose text corvane_error_text gives. */
enum corvane_result {
  CORVANE_OK = 0,
  CORVANE_CANCELLED = -3,           /* corvane_cancel, or the user cancelled */
  CORVANE_UNEXPECTED_PACKET = -7,   /* a packet that does not belong in this wide transaction */
  CORVANE_FAILED = -21,             /* no answer from the Data Collector, or it reported an error */
  CORVANE_FILE_EXISTS = -25,        /* the Data Collector reports that the file exists */
  CORVANE_CANNOT_OPEN_LOCAL = 251,  /* the local file to send cannot be opened */
  CORVANE_CANNOT_READ_LOCAL = 254,  /* the local file to send cannot be read */
  CORVANE_CANNOT_CREATE_LOCAL = 255, /* the received file cannot be created (or Save As was cancelled) */
  CORVANE_STOPPED = 258,            /* a wide transaction stopped on a cancel */
  /* Refused by this interface before anything was sent: */
  CORVANE_BAD_ARGUMENT = -100,      /* a NULL string, or one longer than the limits below */
  CORVANE_BUSY = -101               /* an operation is running (a call from inside a callback) */
};

/* Limits of the string arguments; longer ones are refused with CORVANE_BAD_ARGUMENT. */
#define CORVANE_MAX_PATH 4095     /* local paths and file names */
#define CORVANE_MAX_ARGUMENT 93   /* the argument of corvane_directory, _change_directory, _delete */

/* Parity of corvane_open and corvane_open_com; any but NONE selects 7 data bits. */
enum corvane_parity {
  CORVANE_PARITY_NONE = 0,
  CORVANE_PARITY_ODD = 1,
  CORVANE_PARITY_EVEN = 2,
  CORVANE_PARITY_MARK = 3,
  CORVANE_PARITY_SPACE = 4
};

/* Opens a tty by path ("/dev/ttyUSB0", a pty), or "COM3" as corvane_open_com(3, ...)
 * does. A baud rate of 0 or less keeps the previous rate (4800 at first).
 * Returns 1 when the port is open, 0 when not (missing, in use, rate refused). */
CORVANE_C_API int corvane_open(const char *device, int baud, int parity);
/* Opens COM<port>, the tty /dev/ttyS<port-1>. */
CORVANE_C_API int corvane_open_com(int port, int baud, int parity);
CORVANE_C_API void corvane_close(void);

/* The framing of the next operations: 0 classic, 2 or 3 wide, anything else
 * probes the Data Collector (1 at first). For directory, change-directory and
 * delete the classic framing is 1 (0 sends them through the wide one). Returns 1. */
CORVANE_C_API int corvane_set_platform(int platform);

/* The operations: each blocks until it ends and returns its result code. */
/* Sends a local file; `announced` (NULL or "" for the local file's name) is the name the Data Collector stores. */
CORVANE_C_API int corvane_send(const char *local, const char *announced);
/* Receives the file the Data Collector sends; NULL or "" keeps the announced name. */
CORVANE_C_API int corvane_receive(const char *output_name);
/* Gets a file from the Data Collector's server; `second` may be NULL or "".
 * corvane_output_filename names the file written where the engine reports it
 * (a get that probed and found the wide framing); otherwise it is stored in
 * the current directory under the file-name part of the name asked for
 * (`second` when given), or under the name the Save As callback chose. */
CORVANE_C_API int corvane_get(const char *first, const char *second);
/* Lists the Data Collector's directory into a reply file: corvane_output_filename
 * names it, the caller reads and removes it. NULL is the same as "". */
CORVANE_C_API int corvane_directory(const char *argument);
CORVANE_C_API int corvane_change_directory(const char *dir);
CORVANE_C_API int corvane_delete(const char *name);
/* Serves the Data Collector's uploads, downloads and commands until cancelled
 * (then CORVANE_CANCELLED), confined to the tree `root`; NULL or "" serves the
 * whole file system. */
CORVANE_C_API int corvane_serve(const char *root);

/* Asks the running operation to stop; it ends with CORVANE_CANCELLED within a
 * quarter of a second. Returns 1 when an operation was running, 0 otherwise. */
CORVANE_C_API int corvane_cancel(void);
/* The progress counters in bytes (total 0 while unknown); 1 while an operation runs. */
CORVANE_C_API int corvane_status(int32_t *done, int32_t *total);
CORVANE_C_API int corvane_last_error(void);

/* Records every byte on the line from now on in the file `path` (replaced),
 * with timestamps and the packets decoded, for a failure in the field to be
 * replayed at the desk (corvane-dc --replay). NULL or "" stops the record.
 * Call while no operation runs. Returns 1, or 0 when the file cannot be
 * created, the path is longer than CORVANE_MAX_PATH, or an operation runs. */
CORVANE_C_API int corvane_set_trace(const char *path);

/* Packets read whole and unharmed from the Data Collector since the running (or
 * last) operation started, NAKs not counted, and how many of them were error
 * packets; either pointer may be NULL. Callable from the progress callback: an
 * operation whose counters and corvane_status stand still hears nothing, and a
 * host may give it up with corvane_cancel (as `corvane --idle-timeout` does). */
CORVANE_C_API void corvane_line_activity(uint32_t *packets_read, uint32_t *error_packets_read);

/* The strings below are copied into the caller's buffer, cut to fit and always
 * zero-terminated when capacity is not 0 (buf may be NULL when it is 0). They
 * return the length of the whole string without the terminating zero: a result
 * of capacity or more means the copy was cut. */
/* The local file the last operation produced (received file, reply file). */
CORVANE_C_API size_t corvane_output_filename(char *buf, size_t capacity);
/* The text of the last error packet of the last operation, either way; "" when
 * none. After corvane_open or corvane_open_com returned 0: why the port did not
 * open, one cause a line, each "<what is wrong>; fix: <command>". */
CORVANE_C_API size_t corvane_error_detail(char *buf, size_t capacity);
/* The serial ports of this machine, one line each, ending in '\n', of seven
 * fields separated by tabs: path, description, /dev/serial/by-id path, USB
 * vendor and product (four hex digits each), serial number, COM name. A field
 * the system does not know is empty; tabs and line ends inside a field become spaces. */
CORVANE_C_API size_t corvane_ports(char *buf, size_t capacity);

/* Everything known to stand in the way of the port at `path` (opened and closed
 * again to see, unless it is the open port), one finding a line, ending in
 * '\n': what is wrong, a tab, and the command that fixes it (empty when there
 * is none to give). "" when nothing does. A NULL path, or one longer than
 * CORVANE_MAX_PATH, gives "" too. */
CORVANE_C_API size_t corvane_diagnose_port(const char *path, char *buf, size_t capacity);
/* The requests of the Data Collector that the running (or last) corvane_serve
 * has finished since the last call, oldest first, one line each, ending in
 * '\n', of five fields separated by tabs:
 *   kind: upload, download, directory, cd, erase or unknown (a packet the
 *         server does not serve);
 *   1 when carried out, 0 when refused or broken off;
 *   the file bytes that went over the line (uploads and downloads);
 *   the file or directory on this PC, as a full path (empty for unknown);
 *   why one not carried out ended: the error text this side sent, or the
 *   Data Collector's; empty when it broke the request off.
 * Tabs and line ends inside a field become spaces. The requests are handed
 * out once, and only by a call whose copy was not cut: after a result of
 * capacity or more, call again with a larger buffer. Callable from the
 * progress callback while the server runs. */
CORVANE_C_API size_t corvane_served_requests(char *buf, size_t capacity);

/* The text of a protocol error code (248 to 265 and -4), static; "" for other codes. */
CORVANE_C_API const char *corvane_error_text(int code);
/* What a result code means, in a few words, static; "unknown result" for other codes. */
CORVANE_C_API const char *corvane_result_text(int code);

/* Called during every operation about four times a second: the byte counters
 * and the progress window's message ("Sending NOTES.TXT"). NULL removes it. */
typedef void (*corvane_progress_fn)(void *user, int32_t done, int32_t total, const char *message);
CORVANE_C_API void corvane_set_progress_callback(corvane_progress_fn fn, void *user);

/* Asked when a received file exists already: return 1 with a new path in
 * new_name (zero-terminated within capacity), or 0 to cancel the transfer.
 * Without a callback the answer is 0. NULL removes it. */
typedef int (*corvane_save_as_fn)(void *user, const char *proposed, char *new_name, size_t capacity);
CORVANE_C_API void corvane_set_save_as_callback(corvane_save_as_fn fn, void *user);

/* The library's version, "MAJOR.MINOR.PATCH". */
CORVANE_C_API const char *corvane_version(void);

#ifdef __cplusplus
}
#endif

#endif /* CORVANE_CORVANE_H */
