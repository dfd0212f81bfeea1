#!/usr/bin/env python3
"""Drives Debian's headless Chromium through chromium-driver (W3C WebDriver,
standard library only): opens the phone's page at URL, chooses FILE in its
file input and presses "Отправить", then waits for the page to say
"Получено". Exit 0 when it did, 1 when the page said anything else, 77 when
Chromium or its driver cannot start (the caller skips). --screenshot PNG
keeps the page as the phone shows it, with the photo's preview, and after
sending it as PNG with "-sent" before the extension."""
import base64, json, os, socket, subprocess, sys, time, urllib.request

ELEMENT = "element-6066-11e4-a52e-4f735466cecf"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def call(base, method, path, body=None):
    data = None if body is None else json.dumps(body).encode()
    request = urllib.request.Request(base + path, data=data, method=method,
                                     headers={"Content-Type": "application/json"})
    try:
        with urllib.request.urlopen(request, timeout=60) as reply:
            return json.loads(reply.read() or b"{}").get("value")
    except urllib.error.HTTPError as e:
        raise RuntimeError(f"{method} {path}: {e.code} {e.read()[:300]!r}")


def main():
    args = sys.argv[1:]
    shot = None
    if "--screenshot" in args:
        i = args.index("--screenshot")
        shot = args[i + 1]
        del args[i:i + 2]
    url, photo = args
    port = free_port()
    try:
        driver = subprocess.Popen(["chromedriver", f"--port={port}"], stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
    except OSError as e:
        print(f"chromedriver cannot start: {e}", file=sys.stderr)
        return 77
    base = f"http://127.0.0.1:{port}"
    try:
        for _ in range(100):
            try:
                if call(base, "GET", "/status").get("ready"):
                    break
            except OSError:
                time.sleep(0.1)
        try:
            session = call(base, "POST", "/session", {"capabilities": {"alwaysMatch": {
                "browserName": "chrome",
                "goog:chromeOptions": {"binary": "/usr/bin/chromium",
                                       "args": ["--headless=new", "--no-sandbox", "--disable-gpu",
                                                "--disable-dev-shm-usage", "--window-size=412,860"]}}}})
        except (RuntimeError, OSError) as e:
            print(f"Chromium cannot start: {e}", file=sys.stderr)
            return 77
        s = "/session/" + session["sessionId"]
        try:
            call(base, "POST", s + "/url", {"url": url})

            def find(css):
                found = call(base, "POST", s + "/element", {"using": "css selector", "value": css})
                if ELEMENT not in found:
                    raise RuntimeError(f"{css}: {found}")
                return found[ELEMENT]

            call(base, "POST", s + f"/element/{find('#file')}/value", {"text": os.path.abspath(photo)})
            if shot:
                time.sleep(1)  # the preview decodes
                with open(shot, "wb") as f:
                    f.write(base64.b64decode(call(base, "GET", s + "/screenshot")))
            call(base, "POST", s + f"/element/{find('#send')}/click", {})
            status_id = find("#status")
            text = ""
            for _ in range(600):
                text = call(base, "GET", s + f"/element/{status_id}/text")
                if text and text != "Отправляется...":
                    break
                time.sleep(0.1)
            if shot:
                with open(shot.replace(".png", "-sent.png"), "wb") as f:
                    f.write(base64.b64decode(call(base, "GET", s + "/screenshot")))
            print(text)
            return 0 if text == "Получено" else 1
        finally:
            call(base, "DELETE", s)
    finally:
        driver.terminate()
        driver.wait(10)


if __name__ == "__main__":
    sys.exit(main())
