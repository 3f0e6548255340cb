"""Corvane: move files between this PC and a field Data Collector over a serial line.

    import corvane
    with corvane.Port("/dev/ttyUSB0", baud=9600) as dc:
        dc.send("JOB1.CR5")
        for entry in dc.listdir():
            print(entry.name, entry.size)

The library holds one port and one operation for the whole process.
"""
from corvane.listing import Entry
from corvane.port import Finding, Port, PortInfo, ServedRequest, TransferError, diagnose, ports, version

__all__ = ["Entry", "Finding", "Port", "PortInfo", "ServedRequest", "TransferError", "diagnose", "ports",
           "version"]
