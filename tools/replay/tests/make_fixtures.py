#!/usr/bin/env python3
"""Writes the replay tool's bar-file fixtures: one small random walk written in each layout
that the bar reader takes (vendor, spreadsheet and platform layouts, and the library's own
exports). Synthetic, not market data.

    python3 tools/replay/tests/make_fixtures.py tools/replay/tests/fixtures

Every file holds the same five bars (five weekdays for the daily layouts, five minutes for
the intraday ones), so a test can check the first and the last bar of each. Integer
arithmetic and a fixed generator only: the same bytes on every machine.
"""

import os
import sys

DAYS = [(2024, 3, 11), (2024, 3, 12), (2024, 3, 13), (2024, 3, 14), (2024, 3, 15)]
MINUTES = [(9, 30), (9, 31), (9, 32), (9, 33), (9, 34)]


def walk():
    """Five bars of prices in hundredths and volumes, from a MINSTD generator."""
    state = 16807
    def below(n):
        nonlocal state
        state = state * 48271 % 2147483647
        return state % n
    bars = []
    close = 512300
    for _ in range(5):
        open_ = close
        close = open_ + below(401) - 200
        high = max(open_, close) + below(50)
        low = min(open_, close) - below(50)
        up, down = 100 + below(900), 100 + below(900)
        bars.append((open_, high, low, close, up + down, up, down))
    return bars


def p(h):
    return "%d.%02d" % (h // 100, h % 100)


def rows(layout):
    """(date, time) per bar and the five numbers as texts."""
    out = []
    for i, (o, h, l, c, v, up, dn) in enumerate(walk()):
        day = DAYS[0] if layout == "intraday" else DAYS[i]
        out.append((day, MINUTES[i], p(o), p(h), p(l), p(c), v, up, dn))
    return out


def write(folder, name, text, newline="\n", bom=False):
    data = text.replace("\n", newline).encode("utf-8")
    with open(os.path.join(folder, name), "wb") as f:
        f.write((b"\xef\xbb\xbf" if bom else b"") + data)


def main(folder):
    os.makedirs(folder, exist_ok=True)
    intra, daily = rows("intraday"), rows("daily")
    # Today's layout without a header: date, time, open, high, low, close, volume.
    write(folder, "positional.csv", "".join(
        "%04d%02d%02d,%02d%02d,%s,%s,%s,%s,%d\n" % (y, m, d, hh, mm, o, h, l, c, v)
        for (y, m, d), (hh, mm), o, h, l, c, v, _, _ in intra))
    # A daily download with an adjusted close and no time column.
    write(folder, "daily_adjusted.csv", "Date,Open,High,Low,Close,Adj Close,Volume\n" + "".join(
        "%04d-%02d-%02d,%s,%s,%s,%s,%s,%d\n" % (y, m, d, o, h, l, c, c, v)
        for (y, m, d), _, o, h, l, c, v, _, _ in daily))
    # Columns in another order, with up and down volume.
    write(folder, "reordered.csv", "Date,Time,Close,High,Low,Open,Volume,Up Volume,Down Volume\n" + "".join(
        "%04d%02d%02d,%02d:%02d,%s,%s,%s,%s,%d,%d,%d\n" % (y, m, d, hh, mm, c, h, l, o, v, up, dn)
        for (y, m, d), (hh, mm), o, h, l, c, v, up, dn in intra))
    # A spreadsheet's "CSV UTF-8": byte-order mark, US dates, seconds, quoted values, CR LF.
    write(folder, "spreadsheet.csv", '"Date","Time","Open","High","Low","Close","Volume"\n' + "".join(
        '"%d/%d/%04d","%02d:%02d:00","%s","%s","%s","%s","%d"\n' % (m, d, y, hh, mm, o, h, l, c, v)
        for (y, m, d), (hh, mm), o, h, l, c, v, _, _ in intra), newline="\r\n", bom=True)
    # European: semicolons, day-first dates with dots, decimal commas.
    write(folder, "european.csv", "Datum;Zeit;Open;High;Low;Close;Vol\n" + "".join(
        "%02d.%02d.%04d;%02d:%02d;%s;%s;%s;%s;%d\n" % (d, m, y, hh, mm, *(x.replace(".", ",") for x in (o, h, l, c)), v)
        for (y, m, d), (hh, mm), o, h, l, c, v, _, _ in intra))
    # A platform's export: tabs, <NAMES>, year-first dates with dots, CR-only line ends.
    write(folder, "platform_tabs.txt", "<DATE>\t<TIME>\t<OPEN>\t<HIGH>\t<LOW>\t<CLOSE>\t<TICKVOL>\t<VOL>\n" + "".join(
        "%04d.%02d.%02d\t%02d:%02d\t%s\t%s\t%s\t%s\t%d\t%d\n" % (y, m, d, hh, mm, o, h, l, c, up, v)
        for (y, m, d), (hh, mm), o, h, l, c, v, up, _ in intra), newline="\r")
    # One ISO 8601 date-time column.
    write(folder, "iso_timestamp.csv", "timestamp,open,high,low,close,volume\n" + "".join(
        "%04d-%02d-%02dT%02d:%02d:00Z,%s,%s,%s,%s,%d\n" % (y, m, d, hh, mm, o, h, l, c, v)
        for (y, m, d), (hh, mm), o, h, l, c, v, _, _ in intra))
    # The library's own exports, as VQM_SaveDataToCsv, VQM_SaveDataToTxt (with and without
    # times) and VQM_SaveDataToCsv2 (layout 0, both column flags) write them.
    write(folder, "export_savecsv.csv", '"Symbol",Date,Time,Open,High,Low,Close,Volume\n' + "".join(
        '"ES",%04d%02d%02d,%02d%02d00,%s00,%s00,%s00,%s00,%d\n' % (y, m, d, hh, mm, o, h, l, c, v)
        for (y, m, d), (hh, mm), o, h, l, c, v, _, _ in intra), newline="\r\n")
    write(folder, "export_savetxt.txt", '"Date","Time","Open","High","Low","Close","Volume"\n' + "".join(
        "%d/%d/%04d,%02d:%02d:00,%s00,%s00,%s00,%s00,%d\n" % (m, d, y, hh, mm, o, h, l, c, v)
        for (y, m, d), (hh, mm), o, h, l, c, v, _, _ in intra), newline="\r\n")
    write(folder, "export_savetxt_daily.txt", '"Date","Open","High","Low","Close","Volume"\n' + "".join(
        "%d/%d/%04d 00:00:00,%s00,%s00,%s00,%s00,%d\n" % (m, d, y, o, h, l, c, v)
        for (y, m, d), _, o, h, l, c, v, _, _ in daily), newline="\r\n")
    write(folder, "export_savecsv2.csv", '"Symbol",Date,Time,Open,High,Low,Close,VolUp,VolDn,\n' + "".join(
        '"ES",%02d/%02d/%04d,%02d:%02d,%s,%s,%s,%s,%d,%d\n' % (m, d, y, hh, mm, o, h, l, c, up, dn)
        for (y, m, d), (hh, mm), o, h, l, c, v, up, dn in intra), newline="\r\n")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "fixtures"))
