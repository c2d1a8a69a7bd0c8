#!/usr/bin/env python3
"""Writes the replay tool's bundled sample: synthetic one-minute bars, not market data.

    python3 tools/replay/sample/make_sample_bars.py > tools/replay/sample/sample_bars.csv

Six sessions (11 to 18 March 2024, weekdays), 07:00 to 16:59, 600 bars each: 3600 bars of
an index-future-like price on a 0.25 grid. The price walks in regimes (up, down, sideways) so
that the averages have turns to follow; volume is heavier at the open and the close; the
up-tick and down-tick volumes split each bar's volume according to the bar's direction.

Only integer arithmetic and a fixed linear congruential generator (MINSTD) are used, so the
output is the same byte for byte on every machine and Python version.
"""

import sys

SESSIONS = ["20240311", "20240312", "20240313", "20240314", "20240315", "20240318"]
FIRST_MINUTE = 7 * 60          # 07:00
BARS_PER_SESSION = 600         # up to 16:59
TICK_HUNDREDTHS = 25           # one price step is 0.25
START_TICKS = 5100 * 4         # 5100.00 in steps of 0.25


class Minstd:
    """Park and Miller's minimal standard generator: x <- x * 48271 mod (2^31 - 1)."""

    def __init__(self, seed):
        self.state = seed

    def next(self):
        self.state = self.state * 48271 % 2147483647
        return self.state

    def below(self, n):
        return self.next() % n

    def between(self, lo, hi):
        return lo + self.below(hi - lo + 1)


def round_thousandths(m):
    """m / 1000 rounded to the nearest integer, halves away from zero (no drift either way)."""
    whole = (abs(m) + 500) // 1000
    return whole if m >= 0 else -whole


def price_text(ticks):
    hundredths = ticks * TICK_HUNDREDTHS
    return "%d.%02d" % (hundredths // 100, hundredths % 100)


def main(out):
    rng = Minstd(20240311)
    out.write("# Synthetic sample bars for vqm-replay, made by make_sample_bars.py: NOT market data.\n")
    out.write("# One-minute bars, six sessions; prices in index points on a 0.25 grid.\n")
    out.write("Date,Time,Open,High,Low,Close,Volume,UpVolume,DownVolume\n")
    close = START_TICKS
    drift = 0          # steps per bar in thousandths of a price step
    regime_left = 0
    for day in SESSIONS:
        close += rng.between(-12, 12)  # the overnight gap
        for i in range(BARS_PER_SESSION):
            if regime_left == 0:
                regime_left = rng.between(40, 220)
                drift = [-900, -450, 0, 0, 450, 900][rng.below(6)]
            regime_left -= 1
            minute = FIRST_MINUTE + i
            open_ = close
            # Sum of four uniform steps: a rough bell around the regime's drift.
            move_thousandths = drift + sum(rng.between(-1500, 1500) for _ in range(4))
            close = open_ + round_thousandths(move_thousandths)
            high = max(open_, close) + rng.below(3)
            low = min(open_, close) - rng.below(3)
            # U-shaped volume over the session.
            edge = min(i, BARS_PER_SESSION - 1 - i)
            base = 300 + 2400 * max(0, 60 - edge) // 60
            volume = base + rng.below(base) + 40 * abs(close - open_)
            # Up-tick share in percent, leaning with the bar's direction.
            lean = max(-30, min(30, 8 * (close - open_)))
            up_pct = max(5, min(95, 50 + lean + rng.between(-15, 15)))
            up = volume * up_pct // 100
            down = volume - up
            out.write("%s,%02d%02d,%s,%s,%s,%s,%d,%d,%d\n" % (
                day, minute // 60, minute % 60, price_text(open_), price_text(high),
                price_text(low), price_text(close), volume, up, down))


if __name__ == "__main__":
    main(sys.stdout)
