#!/usr/bin/env python3
"""What setupbot saw at its stops (see tests/e2e/real_windows.sh).

robot_stops.py REPORT
    Prints every stop whose screen differed from its forced full repaint and every disagreement between
    the windows and the form library's state; exits 1 when there is any, 2 when the report is unreadable.

robot_stops.py --docs OUT DOCS
    Puts the screenshots of the documentation into DOCS (docs/screens): the pages of the full installation,
    the copy stage and a stop of each dialog, from the scenarios' PNGs under OUT/screens. A screenshot that
    already stands in DOCS is replaced only when it differs outside the start time and the clock; the copy
    stage's is kept once there (its pause falls at a different point of the copying in every run).
"""
import json
import os
import shutil
import subprocess
import sys


def load(path):
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def check(report_path):
    try:
        report = load(report_path)
    except (OSError, ValueError) as e:
        print("robot_stops: %s" % e)
        return 2
    stops = report.get("stops", [])
    bad = 0
    for stop in stops:
        if not stop.get("same", False):
            bad += 1
            print("SCREEN  stop %d (%s, %s): %d pixels differ from the full repaint in %s" % (
                stop.get("index", 0), stop.get("kind", "?"), stop.get("shot", ""),
                stop.get("differing_pixels", 0), stop.get("box")))
    for text in report.get("inconsistent", []):
        bad += 1
        print("WINDOW  %s" % text)
    if not stops:
        print("robot_stops: setupbot made no stop")
        return 1
    print("%d stops; %d equal to their full repaint; %d window disagreements" % (
        len(stops), sum(1 for s in stops if s.get("same")), len(report.get("inconsistent", []))))
    return 1 if bad else 0


# docs/screens: (file name, scenario, test on a stop)
def page(n):
    return lambda stop: stop.get("kind") == "page" and stop.get("page") == n


def form(name):
    return lambda stop: stop.get("kind") == "form" and stop.get("form") == name


def copying(stop):
    if stop.get("kind") != "stage":
        return False
    for f in stop.get("forms", []):
        for c in f.get("controls", []):
            if c.get("name") == "Label6" and c.get("text"):
                return True
    return False


DOCS = [("01-welcome.png", "install", page(1)), ("02-licence.png", "install", page(2)),
        ("03-readme.png", "install", page(3)), ("04-user.png", "install", page(4)),
        ("05-mode.png", "install", page(5)), ("06-instance.png", "install", page(6)),
        ("07-paths.png", "install", page(7)), ("08-summary.png", "install", page(8)),
        ("09-modules.png", "modules", form("frmModuleSel")), ("10-path-dialog.png", "paths", form("frmPath")),
        ("11-copying.png", "install", copying),
        ("12-message.png", "cancel", lambda stop: stop.get("kind") == "messagebox")]


def clock_rects(stop):
    """The main window's start time and clock (Label21, Label22): they read differently in every run."""
    rects = []
    for f in stop.get("forms", []):
        if f.get("name") != "MainForm":
            continue
        for c in f.get("controls", []):
            if c.get("name") in ("Label21", "Label22") and c.get("rect"):
                rects.append(c.get("rect"))
    return rects


def differs_outside(old, new, rects):
    """True when the two pictures differ anywhere but in the rectangles [left, top, width, height]."""
    draw = []
    for left, top, width, height in rects:
        draw += ["-fill", "black", "-draw", "rectangle %d,%d %d,%d" % (left, top, left + width, top + height)]
    masked = []
    for i, path in enumerate((old, new)):
        target = "%s.masked%d.png" % (new, i)
        if subprocess.run(["convert", path] + draw + [target], capture_output=True).returncode != 0:
            return True
        masked.append(target)
    result = subprocess.run(["compare", "-metric", "AE", masked[0], masked[1], "null:"], capture_output=True,
                            text=True)
    for target in masked:
        os.remove(target)
    try:
        return float(result.stderr.split()[0]) != 0
    except (IndexError, ValueError):
        return True


def docs(out, target):
    os.makedirs(target, exist_ok=True)
    missing = 0
    for name, scenario, wanted in DOCS:
        report_path = os.path.join(out, scenario, "robot.json")
        try:
            stops = load(report_path).get("stops", [])
        except (OSError, ValueError):
            print("docs/screens: no report of %s for %s" % (scenario, name))
            missing += 1
            continue
        stop = next((s for s in stops if wanted(s)), None)
        if stop is None:
            print("docs/screens: %s has no stop for %s" % (scenario, name))
            missing += 1
            continue
        shot = os.path.join(out, "screens", scenario, os.path.splitext(stop.get("shot", ""))[0] + ".png")
        if not os.path.isfile(shot):
            print("docs/screens: %s is missing" % shot)
            missing += 1
            continue
        destination = os.path.join(target, name)
        if os.path.isfile(destination):
            # A pause in the stages falls wherever the copying happens to be: such a picture is kept.
            if stop.get("kind") == "stage" or not differs_outside(destination, shot, clock_rects(stop)):
                continue
        shutil.copyfile(shot, destination)
        print("docs/screens: %s updated" % name)
    return 1 if missing else 0


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "--docs":
        return docs(sys.argv[2], sys.argv[3])
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    return check(sys.argv[1])


if __name__ == "__main__":
    sys.exit(main())
