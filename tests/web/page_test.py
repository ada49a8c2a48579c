#!/usr/bin/python3
"""The recorded web page in a real browser: headless Chromium, driven by Selenium, loads the page
from a loopback server and is checked as a viewer would see it.

- Pictures: the player is taken to a few moments and each cell's centre on the screenshot must
  show the colour of that cell in the PNG-folder recording of the same moments (a cell's 8x8 dots
  averaged: the shade glyphs show as their mix of foreground and background, as the player draws
  them).
- Keys and music: Space starts the show; while it plays, the audio element's time and the player's
  time stay within 50 ms of each other over more than 10 s, and the sound that comes out is not
  silence.
- A page recorded --from a later moment opens there, shows that moment's cells and plays the
  music from there, in step.
- Opened as a file (file://, as a double-click opens it), the page shows the same cells and plays
  its music, audibly; opened as a file without its folder, it says where the folder should be
  and how to serve it, with the path quoted for a shell.

Debian's python3 with python3-selenium, python3-pil, chromium and chromium-driver. Exits 77
(skipped) with a message only where Chromium cannot start.

Usage: page_test.py PROGRAM SOURCE_FOLDER
  GLIMMER_SCREENSHOTS=FOLDER keeps the screenshots there.
"""
import functools
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

from PIL import Image
from selenium import webdriver
from selenium.common.exceptions import WebDriverException
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.chrome.service import Service

RECORDED_MS = 15000
FPS = 60
MOMENTS = [1.0, 5.0, 12.0]  # seconds: the title card fading in (shades), with a cube, whole
LATER_FROM_MS, LATER_TO_MS = 84000, 86000  # a short page from the spiky scene on
LATER_MOMENT = 85.0
TOLERANCE = 4  # per channel, for the canvas's blending
SYNC_LIMIT = 0.050  # seconds
SYNC_SPAN = 10.5  # seconds of playing measured

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL: " + message)
    return condition


def expected_cells(png_path):
    """Each cell's colour as the console picture shows it: the mean of its 8x8 dots."""
    picture = Image.open(png_path).convert("RGB")
    columns, rows = picture.width // 8, picture.height // 8
    small = picture.reduce(8)  # the mean of each 8x8 block
    return columns, rows, [[small.getpixel((c, r)) for c in range(columns)] for r in range(rows)]


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *arguments):
        pass


def serve(folder):
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(QuietHandler, directory=folder))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def start_browser(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
    for flag in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--user-data-dir=" + profile, "--autoplay-policy=no-user-gesture-required",
                 "--window-size=1280,900", "--force-device-scale-factor=1"]:
        options.add_argument(flag)
    driver_path = shutil.which("chromedriver") or "/usr/bin/chromedriver"
    return webdriver.Chrome(service=Service(driver_path), options=options)


def wait_for(driver, script, seconds, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = driver.execute_script(script)
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


def load_page(driver, url):
    driver.get(url)
    wait_for(driver, "return window.glimmerfolding && window.glimmerfolding.player.getDuration() !== undefined",
             60, "the page to load its recording")


def check_pictures(driver, frames_folder, shots, moments, from_ms=0):
    """The cells at each moment (seconds of the show); frames_folder holds the PNG frames of a
    recording from from_ms on."""
    # Playing once takes away the start overlay that covers the middle of the picture.
    driver.execute_async_script("const done = arguments[0]; const p = window.glimmerfolding.player;"
                                "p.play().then(() => p.pause()).then(() => done(), () => done());")
    header = driver.execute_script("return window.glimmerfolding.cast")
    for moment in moments:
        frame = round((moment - from_ms / 1000) * FPS)
        columns, rows, cells = expected_cells(os.path.join(frames_folder, "frame-%06d.png" % frame))
        check((header["width"], header["height"]) == (columns, rows),
              "the cast is %sx%s cells, the pictures %dx%d" % (header["width"], header["height"], columns, rows))
        # Halfway into the frame's slot (an event is late by less than a microsecond): the player
        # shows every event up to the time sought.
        driver.execute_async_script("const done = arguments[arguments.length - 1];"
                                    "window.glimmerfolding.player.seek(arguments[0]).then(() =>"
                                    " requestAnimationFrame(() => requestAnimationFrame(() => done())));",
                                    from_ms / 1000 + (frame + 0.5) / FPS)
        box = driver.execute_script("const r = document.querySelector('.ap-term canvas').getBoundingClientRect();"
                                    "return [r.left, r.top, r.width, r.height, window.devicePixelRatio,"
                                    " window.glimmerfolding.player.getCurrentTime()];")
        left, top, width, height, scale, shown = box
        shot_path = os.path.join(shots, "moment-%05.2f.png" % moment)
        driver.save_screenshot(shot_path)
        screen = Image.open(shot_path).convert("RGB")
        cell_width, cell_height = width / columns, height / rows
        # The show's picture is 160x100 pixels whatever the grid: its shape is kept.
        check(abs(width / height - 1.6) < 0.01, "the picture is %.1f x %.1f px, not 16:10" % (width, height))
        check(width >= 0.8 * 1280 or height >= 0.7 * 900, "the picture (%dx%d) does not fill the window" % (width, height))
        wrong = []
        for row in range(rows):
            for column in range(columns):
                x = int((left + (column + 0.5) * cell_width) * scale)
                y = int((top + (row + 0.5) * cell_height) * scale)
                seen = screen.getpixel((x, y))
                want = cells[row][column]
                if max(abs(a - b) for a, b in zip(seen, want)) > TOLERANCE:
                    wrong.append("(%d,%d) shows %s, expected %s" % (column, row, seen, want))
        distinct = len({colour for line in cells for colour in line})
        print("moment %.2f s (frame %d, player at %.4f s): %d of %d cells as expected, %d colours; %s" %
              (moment, frame, shown, columns * rows - len(wrong), columns * rows, distinct, shot_path))
        check(not wrong, "at %.2f s %d cells differ: %s" % (moment, len(wrong), "; ".join(wrong[:5])))


def keep_audio_element(driver):
    """Keeps the audio element the player makes (it is not in the document) where the test reads
    it, and listens to what the player's Web Audio plays from it."""
    driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source":
        "const play = HTMLMediaElement.prototype.play;"
        "HTMLMediaElement.prototype.play = function () { window.glimmerAudio = this; return play.apply(this, arguments); };"
        "const source = AudioContext.prototype.createMediaElementSource;"
        "AudioContext.prototype.createMediaElementSource = function (element) {"
        "  const node = source.call(this, element); window.glimmerListener = this.createAnalyser();"
        "  node.connect(window.glimmerListener); return node; };"})


def sound_level(driver):
    """The loudest of a few readings of what the player's Web Audio plays, as an RMS of samples."""
    levels = []
    for _ in range(5):
        levels.append(driver.execute_script(
            "const l = window.glimmerListener; if (!l) return -1; const s = new Float32Array(2048);"
            "l.getFloatTimeDomainData(s); let sum = 0; for (const v of s) sum += v * v;"
            "return Math.sqrt(sum / s.length);"))
        time.sleep(0.1)
    return max(levels)


def play_from_the_start(driver, url, from_seconds):
    load_page(driver, url)
    # The player has the keyboard from the start: Space plays.
    ActionChains(driver).send_keys(" ").perform()
    wait_for(driver, "const a = window.glimmerAudio; return a && !a.paused && a.currentTime > %f" % (from_seconds + 0.2),
             20, "the music to play")


def clocks(driver):
    return driver.execute_script(
        "return [window.glimmerAudio.currentTime, window.glimmerfolding.player.getCurrentTime()]")


def check_music_in_step(driver, url):
    play_from_the_start(driver, url, 0)
    samples = []
    first = None
    while True:
        audio, player = clocks(driver)
        first = first if first is not None else player
        samples.append((player, audio))
        if player - first >= SYNC_SPAN:
            break
        time.sleep(0.2)
    worst = max(abs(audio - player) for player, audio in samples)
    audio_state = driver.execute_script("const a = window.glimmerAudio; return [a.paused, a.muted, a.duration]")
    print("music: %d samples from %.2f s to %.2f s of the show, largest gap %.1f ms; audio paused %s, muted %s, "
          "%.1f s long" % (len(samples), samples[0][0], samples[-1][0], worst * 1000, *audio_state))
    check(samples[-1][0] - samples[0][0] >= 10, "measured over less than 10 s")
    check(worst <= SYNC_LIMIT, "the music and the picture drift apart by %.1f ms" % (worst * 1000))
    check(not audio_state[0] and not audio_state[1], "the music is paused or muted")
    check_audible(driver, url)


def check_audible(driver, url):
    level = sound_level(driver)
    print("sound from %s: level %.4f" % (url.split(":")[0], level))
    check(level > 0.001, "the music plays silently (level %.4f)" % level)


def check_plays_in_step(driver, url, from_seconds, what):
    """Space plays the page from from_seconds (within 2 s), its music in step with the picture."""
    play_from_the_start(driver, url, from_seconds)
    audio, player = clocks(driver)
    print("%s: the player at %.3f s, the music at %.3f s" % (what, player, audio))
    check(from_seconds <= player < from_seconds + 2, "%s: it plays from %.3f s" % (what, player))
    check(abs(audio - player) <= SYNC_LIMIT, "%s: its music is %.1f ms off" % (what, (audio - player) * 1000))


def check_later_start(driver, url, frames_folder, shots):
    check_plays_in_step(driver, url, LATER_FROM_MS / 1000, "a page --from %d ms" % LATER_FROM_MS)
    driver.execute_script("window.glimmerfolding.player.pause()")
    check_pictures(driver, frames_folder, shots, [LATER_MOMENT], LATER_FROM_MS)


def check_opened_as_file(driver, page, frames_folder, shots):
    """The page as a double-click opens it: the same cells, and its music, in step and audible."""
    url = "file://" + page
    load_page(driver, url)
    check_pictures(driver, frames_folder, shots, [MOMENTS[1]])
    check_plays_in_step(driver, url, 0, "opened as a file")
    time.sleep(1)
    check_audible(driver, url)


def check_without_its_folder(driver, page, work, shots):
    """The page alone, as a mail or an archive viewer hands it over: it says where its folder
    should be and how to serve it, the path quoted for a shell."""
    alone = os.path.join(work, "it's here", "page.html")
    os.makedirs(os.path.dirname(alone))
    shutil.copy(page, alone)
    driver.get("file://" + alone)
    text = wait_for(driver, "const n = document.getElementById('missing'); return n && !n.hidden && n.innerText",
                    20, "the note on the missing folder")
    driver.save_screenshot(os.path.join(shots, "without-its-folder.png"))
    quoted = "'" + os.path.dirname(alone).replace("'", "'\\''") + "'"
    check("page_files/" in text and "cd " + quoted in text and "python3 -m http.server" in text and
          "http://localhost:8000/page.html" in text, "the note on the missing folder says: " + text)


def main():
    program, source = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp(prefix="glimmer-web-test-")
    try:
        page = os.path.join(work, "site", "page.html")
        os.mkdir(os.path.dirname(page))
        later = os.path.join(work, "site", "later.html")
        for output, from_ms, to_ms in [(page, 0, RECORDED_MS), (os.path.join(work, "frames/"), 0, RECORDED_MS),
                                       (later, LATER_FROM_MS, LATER_TO_MS),
                                       (os.path.join(work, "later-frames/"), LATER_FROM_MS, LATER_TO_MS)]:
            subprocess.run([program, "--record", output, "--from", str(from_ms), "--to", str(to_ms), "--colors", "16"],
                           cwd=source, check=True, stderr=subprocess.DEVNULL)
        shots = os.environ.get("GLIMMER_SCREENSHOTS") or os.path.join(work, "shots")
        os.makedirs(shots, exist_ok=True)
        try:
            driver = start_browser(os.path.join(work, "profile"))
        except WebDriverException as error:
            print("skipped: Chromium cannot start here: " + str(error).strip().splitlines()[0])
            return 77
        server = serve(os.path.dirname(page))
        url = "http://127.0.0.1:%d/page.html" % server.server_address[1]
        try:
            load_page(driver, url)
            check(driver.title == "vrax - Glimmerfolding", "the page's title is " + driver.title)
            # The title card: the show's title in the player's terminal until the show starts.
            wait_for(driver, "const t = document.querySelector('.ap-term-text');"
                             "return t && t.textContent.includes('vrax - Glimmerfolding')", 10, "the title card")
            driver.execute_async_script("requestAnimationFrame(() => requestAnimationFrame(arguments[0]))")
            driver.save_screenshot(os.path.join(shots, "title-card.png"))
            check_pictures(driver, os.path.join(work, "frames"), shots, MOMENTS)
            keep_audio_element(driver)
            check_music_in_step(driver, url)
            check_later_start(driver, url.replace("page.html", "later.html"), os.path.join(work, "later-frames"), shots)
            check_opened_as_file(driver, page, os.path.join(work, "frames"), shots)
            errors = [entry["message"] for entry in driver.get_log("browser") if entry["level"] == "SEVERE"]
            check(not errors, "the browser reported errors: " + "; ".join(errors))
            check_without_its_folder(driver, page, work, shots)
        finally:
            driver.quit()
            server.shutdown()
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("%d passed, %d failed" % (1 if not failures else 0, 1 if failures else 0))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
