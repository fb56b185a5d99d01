#!/usr/bin/python3
"""Helpers of bench/likeness.sh: choosing the corpus, summing up the figures and
putting the worst pages beside Chromium's.

  likeness_pages.py select LIST PACKAGE...    writes LIST (lines NAME<TAB>KIND<TAB>PATH)
  likeness_pages.py present LIST KINDS PATHS  pages of LIST on disk: NAME<TAB>KIND to
                                              KINDS, NAME<TAB>PATH to PATHS; prints how
                                              many are missing
  likeness_pages.py summary SCORES TIMES CHROME   prints the likeness table
  likeness_pages.py worst N SCORES OURS CHROME OUT   side-by-side pictures of the N
                                              worst pages (ours | Chromium) into OUT

Kinds: "frameset" (the page holds <frameset), "css" (a <style> element or a
<link rel=stylesheet>), "old" (neither). Only plain .html/.htm files are pages: a
browser does not open a gzip-compressed page from disk, so *.html.gz is skipped.
Pages that only send the browser elsewhere (<meta http-equiv=refresh>) are left
out, since they measure navigation rather than layout.
"""
import hashlib
import os
import re
import statistics
import subprocess
import sys

OLD_PAGES = 70
CSS_PAGES = 70

STYLE = re.compile(rb"<style[\s>]|<link\b[^>]*\brel\s*=\s*[\"']?[^>]*stylesheet", re.I)
FRAMESET = re.compile(rb"<frameset[\s>]", re.I)
REFRESH = re.compile(rb"<meta\b[^>]*http-equiv\s*=\s*[\"']?refresh", re.I)
PAGE = re.compile(r"\.html?$", re.I)


def kind_of(data):
    if FRAMESET.search(data):
        return "frameset"
    if STYLE.search(data):
        return "css"
    return "old"


def package_pages(package):
    out = subprocess.run(["dpkg", "-L", package], capture_output=True, text=True)
    for path in out.stdout.splitlines():
        if PAGE.search(path) and os.path.isfile(path) and not os.path.islink(path):
            yield path


def page_name(package, path):
    stem = re.sub(r"[^A-Za-z0-9]+", "_", os.path.splitext(os.path.basename(path))[0])[:40]
    digest = hashlib.sha1(path.encode()).hexdigest()[:6]
    return f"{package}-{stem}-{digest}"


def spread(pages, count):
    """`count` pages taken in turn from each package, each package's pages in a
    fixed order that does not follow the file names (so one folder's first pages
    do not stand for all of it)."""
    by_package = {}
    for package, path in pages:
        by_package.setdefault(package, []).append(path)
    queues = [sorted(paths, key=lambda p: hashlib.sha1(p.encode()).hexdigest())
              for _, paths in sorted(by_package.items())]
    packages = [package for package, _ in sorted(by_package.items())]
    chosen = []
    while len(chosen) < count and any(queues):
        for package, queue in zip(packages, queues):
            if queue and len(chosen) < count:
                chosen.append((package, queue.pop(0)))
    return chosen


def select(list_path, packages):
    kinds = {"old": [], "css": [], "frameset": []}
    for package in packages:
        for path in package_pages(package):
            with open(path, "rb") as f:
                data = f.read()
            if REFRESH.search(data):
                continue
            kinds[kind_of(data)].append((package, path))
    rows = []
    for kind, count in (("old", OLD_PAGES), ("css", CSS_PAGES), ("frameset", len(kinds["frameset"]))):
        for package, path in spread(kinds[kind], count):
            rows.append((page_name(package, path), kind, path))
    with open(list_path, "w", encoding="utf-8") as f:
        f.write("# The likeness corpus: NAME<TAB>KIND<TAB>PATH, made by "
                "bench/likeness.sh --select from Debian documentation packages.\n")
        for row in rows:
            f.write("\t".join(row) + "\n")
    for kind in kinds:
        print(f"{kind}: {sum(1 for r in rows if r[1] == kind)} chosen of {len(kinds[kind])} found")


def read_list(list_path):
    rows = []
    with open(list_path, encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            name, kind, path = line.rstrip("\n").split("\t")
            rows.append((name, kind, path))
    return rows


def present(list_path, kinds_path, paths_path):
    rows = read_list(list_path)
    found = [r for r in rows if os.path.isfile(r[2])]
    with open(kinds_path, "w", encoding="utf-8") as kinds, open(paths_path, "w", encoding="utf-8") as paths:
        for name, kind, path in found:
            kinds.write(f"{name}\t{kind}\n")
            paths.write(f"{name}\t{path}\n")
    print(len(rows) - len(found))


def percentile(values, fraction):
    ordered = sorted(values)
    if not ordered:
        return float("nan")
    index = min(len(ordered) - 1, max(0, int(round(fraction * (len(ordered) - 1)))))
    return ordered[index]


def quartiles(values):
    if len(values) < 2:
        return (values[0],) * 3 if values else (float("nan"),) * 3
    q = statistics.quantiles(sorted(values), n=4)
    return q[0], q[1], q[2]


def read_scores(scores_path):
    """NAME -> (KIND, SCORE) from the output of likeness --dirs."""
    scores = {}
    with open(scores_path, encoding="utf-8") as f:
        for line in f:
            parts = line.rstrip("\n").split("\t")
            if len(parts) == 3 and parts[1] != "pages":
                try:
                    scores[parts[0]] = (parts[1], float(parts[2]))
                except ValueError:
                    pass
    return scores


def read_times(times_path):
    """NAME -> dict of the figures a line "NAME<TAB>key=value..." holds."""
    times = {}
    with open(times_path, encoding="utf-8") as f:
        for line in f:
            parts = line.rstrip("\n").split("\t")
            times[parts[0]] = {k: float(v) for k, v in (p.split("=") for p in parts[1:])}
    return times


def spread_line(label, values, unit="ms"):
    if not values:
        return f"{label:<44} {'-':>10}"
    return (f"{label:<44} {statistics.median(values):>10.1f} {percentile(values, 0.9):>10.1f} "
            f"{max(values):>10.1f}  {unit}, {len(values)} pages")


def summary(scores_path, times_path, chrome_path):
    scores = read_scores(scores_path)
    times = read_times(times_path)
    chrome = read_times(chrome_path)
    goals = {"old": 0.85, "css": 0.65, "frameset": 0.60}
    print(f"\n{'likeness at 800 x 1000, factor 1, no cut-off':<44} {'pages':>6} {'Q1':>7} {'median':>7} "
          f"{'Q3':>7} {'below 0':>8} {'goal':>7}")
    for kind in ("old", "css", "frameset", "all"):
        values = [s for k, s in scores.values() if kind in (k, "all")]
        if not values:
            continue
        q1, med, q3 = quartiles(values)
        below = sum(1 for v in values if v < 0)
        goal = goals.get(kind)
        mark = "" if goal is None else ("met" if med >= goal else "MISSED")
        print(f"{kind:<44} {len(values):>6} {q1:>7.2f} {med:>7.2f} {q3:>7.2f} {below:>8} "
              f"{'' if goal is None else '>= %.2f' % goal:>7} {mark}")
    print(f"\n{'time per page':<44} {'median':>10} {'p90':>10} {'max':>10}")
    layout = [t["layout"] + t["paint"] for t in times.values()]
    print(spread_line("zorvane-render layout + paint", layout))
    print(spread_line("zorvane-render translation", [t["translate"] for t in times.values()]))
    print(spread_line("zorvane-render process, start to exit", [t["wall"] for t in times.values()]))
    print(spread_line("chromium --headless --screenshot, a process", [t["wall"] for t in chrome.values()]))
    if layout:
        slow = sorted(times.items(), key=lambda item: -(item[1]["layout"] + item[1]["paint"]))[:3]
        print("slowest layout + paint: " + ", ".join(
            f"{name} {t['layout'] + t['paint']:.0f} ms" for name, t in slow))
        met = (statistics.median(layout) <= 25 and percentile(layout, 0.9) <= 150 and max(layout) <= 2000)
        print(f"{'goal: median <= 25 ms, p90 <= 150 ms, max <= 2000 ms':<44} {'met' if met else 'MISSED':>10}")


def worst(count, scores_path, ours_dir, chrome_dir, out_dir):
    from PIL import Image, ImageDraw

    scores = read_scores(scores_path)
    ranked = sorted(scores.items(), key=lambda item: item[1][1])[:count]
    os.makedirs(out_dir, exist_ok=True)
    for old in os.listdir(out_dir):
        if old.endswith(".png"):
            os.remove(os.path.join(out_dir, old))
    for rank, (name, (kind, score)) in enumerate(ranked, 1):
        ours = Image.open(os.path.join(ours_dir, name + ".png")).convert("RGB")
        chrome = Image.open(os.path.join(chrome_dir, name + ".png")).convert("RGB")
        gap = 16
        both = Image.new("RGB", (ours.width + gap + chrome.width, max(ours.height, chrome.height) + 24), "grey")
        both.paste(ours, (0, 24))
        both.paste(chrome, (ours.width + gap, 24))
        ImageDraw.Draw(both).text((4, 6), f"{name} ({kind}) likeness {score:.2f}:  zorvane | chromium",
                                  fill="white")
        target = os.path.join(out_dir, f"{rank:02d}-{name}.png")
        both.save(target)
        print(f"{score:7.3f}  {kind:<9} {target}")


def main(argv):
    if len(argv) >= 3 and argv[1] == "select":
        select(argv[2], argv[3:])
    elif len(argv) == 5 and argv[1] == "present":
        present(argv[2], argv[3], argv[4])
    elif len(argv) == 5 and argv[1] == "summary":
        summary(argv[2], argv[3], argv[4])
    elif len(argv) == 7 and argv[1] == "worst":
        worst(int(argv[2]), argv[3], argv[4], argv[5], argv[6])
    else:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
