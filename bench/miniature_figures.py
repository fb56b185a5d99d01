#!/usr/bin/python3
"""Helpers of bench/miniature.sh.

  miniature_figures.py extra LIST COUNT OUT PACKAGE...
        OUT: the pages of LIST (NAME<TAB>PATH) followed by up to COUNT more pages of
        the packages, not in LIST, in a fixed order (the thumbnailer's corpus)
  miniature_figures.py tiles SCORES...        SCORES: LABEL=FILE, each the output of
        likeness --dirs; prints the tile likeness table per kind
  miniature_figures.py thumbnailer TIMES LIMIT_S
        TIMES: NAME<TAB>ours_ms<TAB>rss_kb<TAB>status<TAB>chromium_ms; prints the
        thumbnailer's table beside Chromium
"""
import hashlib
import os
import statistics
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import likeness_pages  # noqa: E402


def extra(list_path, count, out_path, packages):
    rows = [(name, path) for name, _kind, path in likeness_pages.read_list(list_path) if os.path.isfile(path)]
    taken = {path for _, path in rows}
    more = []
    for package in packages:
        for path in likeness_pages.package_pages(package):
            if path not in taken:
                more.append((package, path))
    more.sort(key=lambda item: hashlib.sha1(item[1].encode()).hexdigest())
    for package, path in more[:count]:
        rows.append((likeness_pages.page_name(package, path), path))
    with open(out_path, "w", encoding="utf-8") as f:
        for name, path in rows:
            f.write(f"{name}\t{path}\n")
    print(len(rows))


def tiles(pairs):
    goals = {"Miniature": {"old": 0.80, "css": 0.60}}
    print(f"\n{'tile likeness (factor 4, no cut-off), median':<44} {'old':>7} {'css':>7} {'frameset':>9} "
          f"{'all':>7}  goal")
    for pair in pairs:
        label, path = pair.split("=", 1)
        scores = likeness_pages.read_scores(path)
        cells = []
        for kind in ("old", "css", "frameset", "all"):
            values = [s for k, s in scores.values() if kind in (k, "all")]
            cells.append(statistics.median(values) if values else float("nan"))
        goal = goals.get(label)
        mark = ""
        if goal:
            met = cells[0] >= goal["old"] and cells[1] >= goal["css"]
            mark = f"old >= {goal['old']:.2f}, css >= {goal['css']:.2f}: {'met' if met else 'MISSED'}"
        print(f"{label:<44} {cells[0]:>7.2f} {cells[1]:>7.2f} {cells[2]:>9.2f} {cells[3]:>7.2f}  {mark}")


def thumbnailer(times_path, limit_s):
    rows = []
    with open(times_path, encoding="utf-8") as f:
        for line in f:
            name, ours, rss, status, chrome = line.rstrip("\n").split("\t")
            rows.append((name, float(ours), int(rss), int(status), float(chrome)))
    if not rows:
        print("no documents")
        return
    ours = [r[1] for r in rows]
    chrome = [r[4] for r in rows if r[4] > 0]
    rss = [r[2] / 1024 for r in rows]
    late = sum(1 for r in rows if r[3] == 3)
    failed = sum(1 for r in rows if r[3] not in (0, 3))
    pct = likeness_pages.percentile
    print(f"\n{'thumbnailer, -s 256, one process per document':<44} {'median':>9} {'p90':>9} {'max':>9} {'mean':>9}")
    print(f"{'zorvane-thumbnailer, ms':<44} {statistics.median(ours):>9.1f} {pct(ours, 0.9):>9.1f} "
          f"{max(ours):>9.1f} {statistics.mean(ours):>9.1f}")
    if chrome:
        print(f"{'chromium screenshot + resize, ms':<44} {statistics.median(chrome):>9.1f} "
              f"{pct(chrome, 0.9):>9.1f} {max(chrome):>9.1f} {statistics.mean(chrome):>9.1f}")
    print(f"{'zorvane-thumbnailer peak memory, MB':<44} {statistics.median(rss):>9.1f} {pct(rss, 0.9):>9.1f} "
          f"{max(rss):>9.1f}")
    print(f"\n{'target':<44} {'measured':>9}  goal")
    if chrome:
        ratio = statistics.mean(chrome) / statistics.mean(ours)
        print(f"{'chromium per doc / ours per doc (means)':<44} {ratio:>9.1f}  >= 20 "
              f"{'met' if ratio >= 20 else 'MISSED'}")
    print(f"{'documents':<44} {len(rows):>9}  >= 200 {'met' if len(rows) >= 200 else 'MISSED'}")
    print(f"{'peak memory of a call, MB':<44} {max(rss):>9.1f}  < 150 {'met' if max(rss) < 150 else 'MISSED'}")
    print(f"{'past the time limit of %g s' % limit_s:<44} {late:>9}  0 {'met' if late == 0 else 'MISSED'}")
    print(f"{'other failures':<44} {failed:>9}")
    if late or failed:
        for r in rows:
            if r[3] != 0:
                print(f"  exit {r[3]}: {r[0]}")


def main(argv):
    if len(argv) >= 5 and argv[1] == "extra":
        extra(argv[2], int(argv[3]), argv[4], argv[5:])
    elif len(argv) >= 3 and argv[1] == "tiles":
        tiles(argv[2:])
    elif len(argv) == 4 and argv[1] == "thumbnailer":
        thumbnailer(argv[2], float(argv[3]))
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
