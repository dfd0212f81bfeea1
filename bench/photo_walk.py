#!/usr/bin/env python3
"""Keys and clicks to fill the five point pages from one photo of the monitor.

Runs the walk of the monitor photo test (a phone photo of the simulated
monitor; each point page's proposals taken with Ctrl+Enter, F6 to the next
page) and prints how many keys and clicks it took, against the budget.

    python3 bench/photo_walk.py build/default
"""
import json
import os
import subprocess
import sys
import tempfile

BUDGET = 12


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build/default"
    test = os.path.join(build, "tests", "app", "test_app_monitorphoto")
    with tempfile.TemporaryDirectory() as work:
        report = os.path.join(work, "walk.json")
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        subprocess.run([test, "--gtest_filter=*onePhotoFillsEveryPointPage*", "--gtest_output=json:" + report],
                       check=True, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(report, encoding="utf-8") as f:
            result = json.load(f)
    case = result["testsuites"][0]["testsuite"][0]
    presses = int(case["keys_and_clicks"])
    print(f"five point pages from one photo: {presses} keys and clicks (budget {BUDGET})")
    return 0 if presses <= BUDGET else 1


if __name__ == "__main__":
    sys.exit(main())
