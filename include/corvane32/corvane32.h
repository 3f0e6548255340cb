// libcorvane32: file transfer between a PC and a field Data Collector over a
// serial line with the Kermit protocol. Call these functions from one thread
// (the host's user-interface thread); the operations block until they end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "corvane32/host.h"

// The library exports these functions and nothing else: on ELF by visibility,
// in a Windows DLL by dllexport (calls from a program go through the import library).
#if defined(_WIN32)
#define CORVANE_API __declspec(dllexport)
#else
#define CORVANE_API __attribute__((visibility("default")))
#endif

// Opening and closing the serial port. Parity: 0 none, 1 odd, 2 even, 3 mark,
// 4 space; any parity other than 0 also selects 7 data bits. A baud rate of 0
// or less keeps the previous rate (4800 at first).
CORVANE_API bool TransferOpenCom(int portNumber, int baudRate, int parity, corvane::HostWindow hostWindow);
// Opens any tty by path (/dev/ttyUSB0, a pty) instead of COM<n> (/dev/ttyS<n-1>);
// on Windows COM<n> is \\.\COM<n>, and this takes "COM12" or "\\.\COM12".
CORVANE_API bool TransferOpenDevice(std::string devicePath, int baudRate, int parity, corvane::HostWindow hostWindow);
CORVANE_API void TransferCloseCom();

// Operations; each returns true exactly when TransferGetLastError() is 0.
CORVANE_API bool TransferSend(std::string localPath, std::string announcedName);
CORVANE_API bool TransferReceive(std::string outputName);
CORVANE_API bool TransferGet(std::string firstName, std::string secondName);
CORVANE_API bool TransferDirectory(std::string argument);
CORVANE_API bool TransferChangeDirectory(std::string directory);
CORVANE_API bool TransferDelete(std::string fileName);
CORVANE_API bool TransferServer();

// Control and results.
CORVANE_API bool TransferCancel();
CORVANE_API bool TransferGetStatus(std::int32_t& bytesDone, std::int32_t& bytesTotal);
CORVANE_API bool TransferGetOutputFilename(std::string& name);
CORVANE_API int TransferGetLastError();
CORVANE_API bool TransferSetOtherPlatform(int platform);

// Host seams: the user interface of a host application (when none is set: on
// Windows the library's own progress dialog over the window given to
// TransferOpenCom, and headless without one or elsewhere) and the question asked when a received file already exists (answered
// "cancelled" when no handler is set). Pass nullptr / an empty handler to restore
// the defaults. The host keeps the HostUi object alive while it is installed.
CORVANE_API void TransferSetHostUi(corvane::HostUi* hostUi);
CORVANE_API void TransferSetSaveAsHandler(corvane::SaveAsHandler handler);

// Confines a server run to a directory tree: uploads, downloads, change-directory
// and erase outside it are refused ("..", absolute paths and symbolic links are
// resolved first). An empty root serves the whole file system.
CORVANE_API void TransferSetServerRoot(std::string root);

// The text of the last error packet of the last operation, sent or received
// ("sent to the Data Collector: ..." or "the Data Collector reported: ..."), or
// "the serial device went away" when the port's device vanished during it;
// empty when none. After TransferOpenCom or TransferOpenDevice has failed: why,
// one line a cause, each "<what is wrong>; fix: <command>".
CORVANE_API std::string TransferGetErrorDetail();

// Packets read whole and unharmed from the Data Collector since the running (or
// last) operation started, NAKs not counted, and how many of them were error
// packets. Readable while an operation runs: a host can tell an exchange that
// moves from a silent line (resending into it reads nothing) or one where both
// sides only NAK each other's damage, and an operation that hears only errors.
CORVANE_API bool TransferGetLineActivity(std::uint32_t& packetsRead, std::uint32_t& errorPacketsRead);

// Records every byte on the line from now on in the file `path` (replaced), with
// timestamps and the packets decoded alongside, for a failure in the field to
// be sent in and replayed at the desk (corvane-dc --replay). An empty path
// stops the record. Call while no operation runs; false when the file cannot be created.
CORVANE_API bool TransferSetTrace(std::string path);

// The text of a protocol error code (248 to 265 and -4); empty for other codes.
CORVANE_API std::string TransferErrorText(int code);

namespace corvane {

// A request of the Data Collector to a server run, once the server is done with it.
struct ServedRequest {
  enum class Kind {
    Upload,           // a file the Data Collector put on this PC
    Download,         // a file it fetched from this PC
    Directory,        // a listing of the server's current directory
    ChangeDirectory,  // a change of the server's current directory
    Erase,            // a file erased
    Unknown,          // a packet the server does not serve, answered as an unknown command
  };
  Kind kind = Kind::Unknown;
  // The file or directory on this PC, as a full path (not resolved further):
  // where an upload went, the file sent or erased, the directory listed or
  // changed to (or asked for, when refused). Empty for Unknown.
  std::string path;
  std::int32_t bytes = 0;   // file bytes that went over the line (uploads and downloads)
  bool carriedOut = false;  // false: refused, or broken off before its end
  // What ended one not carried out: the text of the error this side sent (as
  // TransferErrorText gives it, or "File exists"), or the Data Collector's own
  // error text; empty when the Data Collector broke it off with B.
  std::string why;
};

}  // namespace corvane

// The requests that the running (or last) server run has finished since the
// last call, oldest first: a host can show what the Data Collector does while
// TransferServer runs. Each is handed out once; beyond 1,000 not taken, the
// oldest are dropped. Another operation starts with none.
CORVANE_API std::vector<corvane::ServedRequest> TransferTakeServedRequests();

namespace corvane {

// A serial port of this machine and what the system knows of the adapter behind it.
struct PortInfo {
  std::string path;          // what TransferOpenDevice takes: /dev/ttyUSB0
  std::string description;   // the adapter's own words; empty when the system has none
  std::string byIdPath;      // a name that stays with a USB adapter (/dev/serial/by-id/...); empty when none
  int usbVendor = -1;        // USB vendor and product; -1 for a port that is not on USB
  int usbProduct = -1;
  std::string serialNumber;  // the USB adapter's serial number; empty when it has none
  std::string comName;       // COM<n+1> for /dev/ttyS<n>; empty otherwise
};

}  // namespace corvane

// The serial ports the system lists (absent UARTs and pseudo-terminals are not among them).
CORVANE_API std::vector<corvane::PortInfo> TransferListPorts();

namespace corvane {

// Something that stands in the way of a port, with its fix.
struct PortFinding {
  std::string problem;  // "/dev/ttyUSB0 is held open by ModemManager (pid 612)"
  std::string fix;      // "sudo systemctl stop ModemManager"; empty when there is none to give
};

}  // namespace corvane

// Everything known to stand in the way of the port at `path` (opened and
// closed again to see, unless it is the library's open port): a missing
// device, missing permission (its group, whether the user is in it or needs a
// new login), the programs that hold it, a lock file, services that claim
// such adapters (ModemManager, brltty). Empty when nothing does.
CORVANE_API std::vector<corvane::PortFinding> TransferDiagnosePort(std::string path);

// A line check for a loopback plug or a looped cable, on the open port while no
// operation runs: writes `sent` and reads back what arrives until as many
// bytes came or the line was quiet for half a second. False when the port is
// closed or the write failed. With parity, only 7 data bits come back.
CORVANE_API bool TransferLoopback(const std::vector<std::uint8_t>& sent, std::vector<std::uint8_t>& received);
