#!/usr/bin/env python3
"""timed_run.py FIGURES COMMAND...: runs COMMAND and writes to FIGURES one
line "WALL CPU": wall seconds from its start to its end and its user +
system CPU seconds (wait4's rusage, in microseconds, where GNU time rounds
to hundredths). Exits with its status. Not for peak memory: a spawned child
carries this interpreter's peak into its own (GNU time's is small)."""
import os
import sys
import time


def main():
    if len(sys.argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    figures, command = sys.argv[1], sys.argv[2:]
    start = time.perf_counter()
    try:
        pid = os.posix_spawnp(command[0], command, os.environ)
    except OSError as error:
        sys.stderr.write(f"timed_run.py: {command[0]}: {error.strerror}\n")
        return 127
    _, status, usage = os.wait4(pid, 0)
    wall = time.perf_counter() - start
    with open(figures, "w", encoding="ascii") as out:
        out.write(f"{wall:.4f} {usage.ru_utime + usage.ru_stime:.4f}\n")
    return os.waitstatus_to_exitcode(status) & 0xFF


if __name__ == "__main__":
    sys.exit(main())
