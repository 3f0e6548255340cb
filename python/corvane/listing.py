"""Directory listings as the Data Collector and the PC write them, read into entries."""
import dataclasses
import datetime
import re
from typing import List, Optional

# "NAME SIZE" or "NAME <DIR>", then, where the lister knows it, "M-D-YYYY H:MM" of the last write.
_LINE = re.compile(
    r"^(?P<name>.+?)\s+(?:(?P<dir><DIR>)|(?P<size>-?\d+))"
    r"(?:\s+(?P<month>\d{1,2})-(?P<day>\d{1,2})-(?P<year>\d{4})\s+(?P<hour>\d{1,2}):(?P<minute>\d{2}))?\s*$")


@dataclasses.dataclass(frozen=True)
class Entry:
    name: str
    size: int
    modified: Optional[datetime.datetime]  # None when the listing gives no time
    is_dir: bool


def _modified(match):
    if match["year"] is None:
        return None
    try:
        return datetime.datetime(int(match["year"]), int(match["month"]), int(match["day"]),
                                 int(match["hour"]), int(match["minute"]))
    except ValueError:  # a date that does not exist tells nothing
        return None


def parse_listing(text: str) -> List[Entry]:
    """The entries of a listing; its first line names the directory listed and is skipped."""
    entries = []
    for line in text.splitlines()[1:]:
        match = _LINE.match(line)
        if match is None:
            continue
        is_dir = match["dir"] is not None
        entries.append(Entry(match["name"], 0 if is_dir else int(match["size"]), _modified(match), is_dir))
    return entries
