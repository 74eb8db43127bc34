#!/usr/bin/python3
"""Opens an HTML report page in headless Chromium and checks it as a reader would use it.

usage: check_html_report.py PAGE [--hostile]
Clicks every table-of-contents entry and checks the panel the frame shows, folds a folder open and
shut, fails on browser console errors, checks that the screenshot is not blank and that xmllint reads
the page and every panel without a word. With --hostile it also checks that no markup or script hidden
in the report's names and texts came alive. Exit status: 0 passed, 1 failed, 77 browser tools missing.
"""
import os
import struct
import subprocess
import sys
import time
import urllib.parse
import zlib
from pathlib import Path

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
HOSTILE_TEXTS = ['<img src=x onerror="window.rdb_pwned=1">', "</script><script>window.rdb_pwned=1</script>",
                 "\"double\" 'single'", "a && b", "a||b"]
# What one document (the page or a panel) tells about itself: its file, its title, whether it is loaded,
# its img elements (GIF images, images the browser could not decode), the marker an injected script would set, and its whole text.
DOCUMENT_FACTS = """
const heading = document.querySelector('h1.rdb_panel_title');
return {href: location.href, ready: document.readyState,
        title: heading ? heading.textContent : document.title,
        images: document.getElementsByTagName('img').length,
        gifs: Array.from(document.images).filter(i => i.src.endsWith('.gif')).length,
        broken: Array.from(document.images).filter(i => !(i.complete && i.naturalWidth > 0)).length,
        pwned: typeof window.rdb_pwned !== 'undefined', text: document.body ? document.body.textContent : ''};
"""


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def squeezed(text):
    return " ".join(text.split())


def png_colours(png, first_column=0):
    """The distinct pixel colours of an 8-bit RGB(A) PNG, from first_column to its right edge."""
    if png[:8] != b"\x89PNG\r\n\x1a\n":
        fail("the screenshot is not a PNG image")
    pos, idat = 8, b""
    while pos < len(png):
        length, kind = struct.unpack(">I4s", png[pos:pos + 8])
        data = png[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour_type, _, _, interlace = struct.unpack(">IIBBBBB", data)
        elif kind == b"IDAT":
            idat += data
        pos += 12 + length
    if depth != 8 or colour_type not in (2, 6) or interlace:
        fail("unexpected screenshot format (depth %d, colour type %d)" % (depth, colour_type))
    bpp = 3 if colour_type == 2 else 4
    raw, stride, previous, colours = zlib.decompress(idat), width * bpp, bytearray(width * bpp), set()
    for y in range(height):
        kind, row = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = row[i - bpp] if i >= bpp else 0
            b, c = previous[i], previous[i - bpp] if i >= bpp else 0
            if kind == 1:
                row[i] = (row[i] + a) & 255
            elif kind == 2:
                row[i] = (row[i] + b) & 255
            elif kind == 3:
                row[i] = (row[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                row[i] = (row[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        colours.update(bytes(row[i:i + 3]) for i in range(first_column * bpp, stride, bpp))
        previous = row
    return colours


def start_browser():
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
    except ImportError:
        print("skipped: python3-selenium is not installed")
        sys.exit(77)
    if not (os.access(CHROMIUM, os.X_OK) and os.access(CHROMEDRIVER, os.X_OK)):
        print("skipped: %s or %s is not installed" % (CHROMIUM, CHROMEDRIVER))
        sys.exit(77)
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--allow-file-access-from-files",
                     "--disable-dev-shm-usage", "--window-size=1200,800"):
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)


def panel_facts(driver, expected_file):
    """The facts of the panel in the frame once the frame shows expected_file completely loaded."""
    deadline, facts = time.time() + 10, None
    while time.time() < deadline:
        driver.switch_to.frame("content")
        facts = driver.execute_script(DOCUMENT_FACTS)
        driver.switch_to.default_content()
        shown = urllib.parse.unquote(urllib.parse.urlparse(facts["href"]).path)
        if shown == str(expected_file) and facts["ready"] == "complete":
            return facts
        time.sleep(0.05)
    fail("the frame shows %s instead of %s" % (facts["href"] if facts else "nothing", expected_file))


def check_fold(driver, entry):
    """Clicking a folder's entry shows its children when shut and hides them when open."""
    item = entry.find_element("xpath", "..")
    children = entry.find_element("xpath", "following-sibling::div[1]")
    for _ in range(2):
        opens = not children.is_displayed()
        entry.click()
        classes = item.get_attribute("class").split()
        if children.is_displayed() != opens or ("rdb_open_folder" in classes) != opens or \
                ("rdb_closed_folder" in classes) == opens:
            fail("clicking folder %r did not %s it" % (entry.text, "open" if opens else "shut"))


def check_page(driver, page, hostile):
    driver.get(page.as_uri())
    files_dir = (page.parent / urllib.parse.unquote(
        driver.execute_script("return document.body.getAttribute('data-panel-dir') || ''"))).resolve()
    entries = driver.find_elements("css selector", "span.toc_entry")
    if not entries:
        fail("the page has no table-of-contents entries")
    numbers = [entry.get_attribute("id").removeprefix("toc_") for entry in entries]
    if not all(number.isdigit() for number in numbers):
        fail("entry ids are not all toc_N: %r" % numbers)
    panels = sorted(files_dir.glob("[0-9]*.html"), key=lambda p: int(p.stem))
    if sorted(map(int, numbers)) != [int(p.stem) for p in panels]:
        fail("entries %s do not match the panel files %s" % (numbers, [p.name for p in panels]))
    panel_facts(driver, files_dir / (numbers[0] + ".html"))  # the first panel opens on load
    folders = driver.find_elements("css selector", "li.rdb_closed_folder > span.toc_entry")
    hidden = driver.find_elements("css selector", "li.rdb_closed_folder > div")
    if any(div.is_displayed() for div in hidden):
        fail("a shut folder shows its children on load")
    all_texts, panel_texts, gifs = [], [], 0
    for entry, number in zip(entries, numbers):  # document order: each folder opens before its children
        if not entry.is_displayed():
            fail("entry toc_%s is not visible once its folders are open" % number)
        name = driver.execute_script("return arguments[0].textContent", entry)
        entry.click()
        facts = panel_facts(driver, files_dir / (number + ".html"))
        if squeezed(facts["title"]) != squeezed(name):
            fail("entry toc_%s %r opened the panel titled %r" % (number, name, facts["title"]))
        if driver.find_elements("css selector", ".toc_selected") != [entry]:
            fail("entry toc_%s is not the only selected entry after its click" % number)
        if hostile and (facts["images"] or facts["pwned"]):
            fail("panel %s.html has an img element or ran an injected script" % number)
        if facts["broken"]:
            fail("panel %s.html shows an image the browser cannot decode" % number)
        gifs += facts["gifs"]
        all_texts.append(name)
        panel_texts.append(facts["text"])
    if not hostile and not gifs:
        fail("no panel shows a waveform image")
    check_screenshot(driver)  # while the last panel is known to be loaded
    if folders:
        check_fold(driver, folders[0])
    if hostile:
        page_facts = driver.execute_script(DOCUMENT_FACTS)
        if page_facts["images"] or page_facts["pwned"]:
            fail("the page has an img element or ran an injected script")
        for text in HOSTILE_TEXTS:
            if not any(text in name for name in all_texts) or not any(text in t for t in panel_texts):
                fail("%r is not shown verbatim in the entries and the panels" % text)
    return [page] + panels


def check_screenshot(driver):
    png = driver.get_screenshot_as_png()
    frame_left = int(driver.find_element("id", "content").rect["x"]) + 1
    if len(png_colours(png)) < 2 or len(png_colours(png, frame_left)) < 2:
        fail("the screenshot is blank (or its panel frame is)")


def check_console(driver):
    severe = [entry for entry in driver.get_log("browser") if entry.get("level") == "SEVERE"]
    if severe:
        fail("browser console errors:\n" + "\n".join(entry.get("message", "") for entry in severe))


def check_markup(files):
    for path in files:
        run = subprocess.run(["xmllint", "--html", "--noout", str(path)], capture_output=True, text=True)
        if run.returncode or run.stdout or run.stderr:
            fail("xmllint --html complains about %s:\n%s%s" % (path, run.stdout, run.stderr))


def main():
    arguments = sys.argv[1:]
    hostile = "--hostile" in arguments
    pages = [argument for argument in arguments if argument != "--hostile"]
    if len(pages) != 1:
        print(__doc__)
        return 1
    if not Path(pages[0]).is_file():
        fail("there is no report page " + pages[0])
    driver = start_browser()
    try:
        files = check_page(driver, Path(pages[0]).resolve(), hostile)
        check_console(driver)
    finally:
        driver.quit()
    check_markup(files)
    print("passed: %s (%d panels)" % (pages[0], len(files) - 1))
    return 0


if __name__ == "__main__":
    sys.exit(main())
