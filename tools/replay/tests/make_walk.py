#!/usr/bin/env python3
"""Writes a random walk of bars to standard output, for looking at the replay's chart at
long spans and for timing it: synthetic, not market data.

    python3 make_walk.py BARS daily|minute > bars.csv

Daily bars skip weekends and start on 2 January 1995; one-minute bars run round the clock
from 2 January 2023, with up-tick and down-tick volumes.
"""

import datetime
import sys


def main(count, kind):
    state = 20240311
    out = sys.stdout
    daily = kind == "daily"
    out.write("Date,Open,High,Low,Close,Volume\n" if daily else
              "Date,Time,Open,High,Low,Close,Volume,UpVolume,DownVolume\n")
    when = datetime.datetime(1995 if daily else 2023, 1, 2)
    step = datetime.timedelta(days=1 if daily else 0, minutes=0 if daily else 1)
    close = 400000
    lines = []
    for _ in range(count):
        state = state * 48271 % 2147483647
        r = state
        open_ = close
        close = max(1000, open_ + r % 801 - 400)
        high = max(open_, close) + r // 801 % 60
        low = min(open_, close) - r // 48060 % 60
        up, down = 100 + r // 2883600 % 500, 100 + r % 499
        if daily:
            while when.weekday() >= 5:
                when += datetime.timedelta(days=1)
            lines.append("%s,%d.%02d,%d.%02d,%d.%02d,%d.%02d,%d\n" % (
                when.strftime("%Y-%m-%d"), open_ // 100, open_ % 100, high // 100, high % 100,
                low // 100, low % 100, close // 100, close % 100, up + down))
        else:
            lines.append("%s,%s,%d.%02d,%d.%02d,%d.%02d,%d.%02d,%d,%d,%d\n" % (
                when.strftime("%Y%m%d"), when.strftime("%H%M"), open_ // 100, open_ % 100,
                high // 100, high % 100, low // 100, low % 100, close // 100, close % 100,
                up + down, up, down))
        when += step
        if len(lines) == 10000:
            out.write("".join(lines))
            lines = []
    out.write("".join(lines))


if __name__ == "__main__":
    main(int(sys.argv[1]), sys.argv[2])
