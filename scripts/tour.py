#!/usr/bin/env python3
"""The guided tour of the toolbars under Wine (scripts/tour.sh sets up Wine and the display).

Starts the stand-in archive server and vornie-browser, then plays a person at the toolbars with
real input (xdotool): pointer moves, clicks, keys and a typed address. Each step is pictured by
the X server (OUTDIR/NN-name.png), and what the browser's windows showed is kept beside it
(NN-name.windows.txt, written by vornie-browser --observe). OUTDIR/tour.log says what each step
did and what it checked: control states read from the real controls, window visibility and
placement, the calls the archive server received, and pixels that must change between steps.
With --check a failed check makes the exit code 1. With --stay there is no tour: the browser
stays open for the person at the display until they close it.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import time

SERVER = "vornie-archive-server.exe"
BROWSER = "vornie-browser.exe"
# The main toolbar's button row, in its order (the buttons the tour uses).
HIGHLIGHT_BUTTON, PRIVACY_BUTTON, SPEECH_BUTTON, TRANSLATION_BUTTON = 4, 13, 14, 16
MAIN_ROW_BUTTONS = 17
# Room below the window for a menu or card that opens downwards.
BELOW = 260


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


# --------------------------------------------------------------------------- the windows' text
LINE = re.compile(r'^( *)(window|button|item) (.*)$')
QUOTED = re.compile(r'"((?:[^"\\]|\\.)*)"')


class Control:
    def __init__(self, kind, depth, head, text, fields, parent):
        self.kind, self.depth, self.head, self.text, self.parent = kind, depth, head, text, parent
        self.fields = fields
        self.children = []
        rect = [int(v) for v in fields.get("rect", "0,0,0,0").split(",")]
        self.rect = tuple(rect)

    def flag(self, name):
        return self.fields.get(name) == "1"

    @property
    def visible(self):
        return self.flag("visible") if self.kind == "window" else not self.flag("hidden")

    @property
    def system_class(self):
        match = re.search(r"\(([^)]*)\)$", self.head)
        return match.group(1) if match else self.head

    def center(self):
        left, top, right, bottom = self.rect
        return (left + right) // 2, (top + bottom) // 2

    def size(self):
        return self.rect[2] - self.rect[0], self.rect[3] - self.rect[1]

    def buttons(self):
        return [c for c in self.children if c.kind == "button"]

    def items(self):
        return [c for c in self.children if c.kind == "item"]

    def __repr__(self):
        return f'{self.kind} {self.head} "{self.text}"'


def unescape(text):
    return re.sub(r"\\(.)", lambda m: "\n" if m.group(1) == "n" else m.group(1), text)


def parse_windows(text):
    """The controls of the observer's text, in order; each knows its parent."""
    controls, stack = [], []
    for line in text.splitlines():
        match = LINE.match(line)
        if not match:
            continue
        depth = len(match.group(1)) // 2
        rest = match.group(3)
        quoted = QUOTED.search(rest)
        if not quoted:
            continue
        head = rest[:quoted.start()].strip()
        fields = dict(f.split("=", 1) for f in rest[quoted.end():].split() if "=" in f)
        while stack and stack[-1].depth >= depth:
            stack.pop()
        parent = stack[-1] if stack else None
        control = Control(match.group(2), depth, head, unescape(quoted.group(1)), fields, parent)
        if parent:
            parent.children.append(control)
        controls.append(control)
        stack.append(control)
    return controls


class Windows:
    """One reading of the browser's windows."""

    def __init__(self, text):
        self.text = text
        self.controls = parse_windows(text)
        self.windows = [c for c in self.controls if c.kind == "window"]

    def top_level(self):
        return [w for w in self.windows if w.depth == 0]

    def frame(self):
        return next((w for w in self.top_level() if w.text.startswith("vornie-browser")), None)

    def address(self):
        return next((w for w in self.windows if w.system_class.lower() == "edit"), None)

    def label(self, caption):
        return next((w for w in self.windows if w.system_class.lower() == "static" and w.text.strip().startswith(caption)), None)

    def toolbars(self):
        return [w for w in self.windows if w.system_class == "ToolbarWindow32"]

    def main_row(self):
        return next((t for t in self.toolbars() if len(t.buttons()) == MAIN_ROW_BUTTONS), None)

    def bar_with(self, predicate):
        return next((t for t in self.toolbars() if any(predicate(b.text) for b in t.buttons())), None)

    def button(self, predicate):
        for bar in self.toolbars():
            for b in bar.buttons():
                if predicate(b.text):
                    return b
        return None

    def groups(self):
        """The quick-links toolbar's group buttons: every visible button of its band but "Manage groups"."""
        bands = [w for w in self.frame().children if w.head == "VornieBrowserBandArea"]
        if len(bands) < 2:
            return []
        found = []
        stack = [bands[1]]
        while stack:
            control = stack.pop(0)
            if control.kind == "button" and control.visible and control.text != "Manage groups":
                found.append(control)
            stack.extend(control.children)
        return found

    def menus(self):
        return [w for w in self.top_level() if w.head.startswith("#32768") and w.flag("visible")]

    def popups(self):
        """Visible top-level windows other than the frame and menus: the hint, the card."""
        frame = self.frame()
        return [w for w in self.top_level()
                if w.flag("visible") and w is not frame and not w.head.startswith("#32768") and w.size()[0] > 0]


# --------------------------------------------------------------------------- pictures
def read_rgb(path):
    size = subprocess.check_output(["identify", "-format", "%w %h", path]).split()
    width, height = int(size[0]), int(size[1])
    return width, height, subprocess.check_output(["convert", path, "-depth", "8", "rgb:-"])


def changed_pixels(before, after, rect, origin):
    """How many pixels of rect (screen coordinates) differ between two pictures taken at origin."""
    (w1, h1, a), (w2, h2, b) = read_rgb(before), read_rgb(after)
    left, top, right, bottom = rect
    left, right = max(0, left - origin[0]), min(w1, w2, right - origin[0])
    top, bottom = max(0, top - origin[1]), min(h1, h2, bottom - origin[1])
    count = 0
    for y in range(top, bottom):
        row_a, row_b = a[(y * w1 + left) * 3:(y * w1 + right) * 3], b[(y * w2 + left) * 3:(y * w2 + right) * 3]
        if row_a != row_b:
            count += sum(1 for i in range(0, len(row_a), 3) if row_a[i:i + 3] != row_b[i:i + 3])
    return count


# --------------------------------------------------------------------------- the tour
class Tour:
    def __init__(self, args):
        self.args = args
        self.out = args.out
        self.windows_file = os.path.join(self.out, "windows.txt")
        self.server_log = os.path.join(self.out, "archive-server.log")
        self.log = open(os.path.join(self.out, "tour.log"), "w", encoding="utf-8")
        self.failures = []
        self.server = self.browser = None
        self.pictures = []
        self.step_name = None
        self.origin = (0, 0)
        self.frame_rect = None

    # ---- the log
    def say(self, text):
        print(text, flush=True)
        self.log.write(text + "\n")
        self.log.flush()

    def step(self, name, what):
        self.step_name = name
        self.say(f"{name}: {what}")

    def check(self, ok, what):
        self.say(f"    {'ok' if ok else 'FAILED'}: {what}")
        if not ok:
            self.failures.append(f"{self.step_name}: {what}")
        return ok

    # ---- processes
    def wine(self, *args, **kwargs):
        return subprocess.Popen([self.args.wine, *args], **kwargs)

    def start_server(self, announce=False):
        pages = [os.path.join(self.args.pages, p) for p in ("sample-page.html", "sample-news.html", "sample-garden.html")]
        args = [os.path.join(self.args.bin, SERVER)]
        for page in pages:
            args += ["--archive-page", winpath(page)]
        args.append("--log-calls")
        if announce:
            args.append("--announce")
        start = self.server_calls_count()
        log = open(self.server_log, "a")
        self.server = self.wine(*args, stdout=log, stderr=subprocess.STDOUT)
        log.close()
        deadline = time.time() + 60
        while time.time() < deadline:
            if self.server_lines()[start:] and any(l.startswith("ready") for l in self.server_lines()[start:]):
                return True
            if self.server.poll() is not None:
                break
            time.sleep(0.1)
        sys.stderr.write("tour: the archive server did not start:\n" + "\n".join(self.server_lines()[start:]) + "\n")
        return False

    def server_lines(self):
        try:
            with open(self.server_log, encoding="utf-8", errors="replace") as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def server_calls_count(self):
        return len(self.server_lines())

    def calls_since(self, mark):
        return [l[5:] for l in self.server_lines()[mark:] if l.startswith("call ")]

    def stop(self, image, process, force=False):
        """Ends a program the way a person closing it does (or the task manager, with force), then waits for it."""
        if not process or process.poll() is not None:
            return True
        subprocess.run([self.args.wine, "taskkill.exe", *(["/f"] if force else []), "/im", image],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            process.wait(timeout=20)
            return True
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
            return False

    def start_browser(self, page):
        browser_log = open(os.path.join(self.out, "vornie-browser.log"), "w")
        self.browser = self.wine(os.path.join(self.args.bin, BROWSER), winpath(page),
                                 "--observe", winpath(self.windows_file), stdout=browser_log, stderr=subprocess.STDOUT)
        browser_log.close()

    # ---- reading the windows
    def read(self):
        try:
            with open(self.windows_file, encoding="utf-8") as f:
                return Windows(f.read())
        except FileNotFoundError:
            return Windows("")

    def wait_for(self, predicate, timeout=8.0):
        """The windows once predicate holds for them, or the last reading when it never did."""
        deadline = time.time() + timeout
        while True:
            windows = self.read()
            try:
                if predicate(windows):
                    return windows, True
            except (AttributeError, IndexError, TypeError):
                pass
            if time.time() >= deadline:
                return windows, False
            time.sleep(0.1)

    # ---- input
    def move(self, point):
        subprocess.run(["xdotool", "mousemove", str(point[0]), str(point[1])], check=True)

    def click(self, point):
        subprocess.run(["xdotool", "mousemove", str(point[0]), str(point[1]), "click", "1"], check=True)

    def keys(self, *keys):
        subprocess.run(["xdotool", "key", "--delay", "80", *keys], check=True)

    def type(self, text):
        subprocess.run(["xdotool", "type", "--delay", "20", text], check=True)

    def choose(self, menu_items, index):
        """Chooses a menu's item with the keyboard, as a person may: down to it, then Return."""
        self.keys(*(["Down"] * (index + 1)), "Return")

    def open_menu(self, point, what):
        """Clicks at point and waits for a menu of two items or more; the windows, whether it opened, its items."""
        self.click(point)
        w, ok = self.wait_for(lambda w: w.menus() and len(w.menus()[0].items()) >= 2, timeout=4)
        self.check(ok, what)
        items = w.menus()[0].items() if ok else []
        self.say("    its items: " + ", ".join(repr(i.text) for i in items))
        return w, ok, items

    def go_to(self, windows, page):
        """Types a sample page's address into the address line, as a person does."""
        self.click(windows.address().center())
        self.keys("End", "shift+Home")
        self.type(winpath(os.path.join(self.args.pages, page)))
        self.keys("Return")

    @staticmethod
    def arrow_of(button):
        left, top, right, bottom = button.rect
        return right - 5, (top + bottom) // 2

    # ---- pictures
    def shot(self, name):
        time.sleep(0.4)
        path = self.picture(name + ".png")
        shutil.copyfile(self.windows_file, os.path.join(self.out, name + ".windows.txt"))
        self.pictures.append(path)
        self.say(f"    picture: {path}")
        return path

    def differs(self, before, after, rect, what, at_least=20):
        n = changed_pixels(before, after, rect, self.origin)
        return self.check(n >= at_least, f"{what} ({n} pixels changed)")

    # ---- the steps
    def run(self):
        for name in os.listdir(self.out):
            if re.match(r"\d\d-.*\.(png|windows\.txt)$", name) or name in ("archive-server.log", "windows.txt",
                                                                             "connected.png"):
                os.remove(os.path.join(self.out, name))
        if not self.start_server():
            return 1
        try:
            if self.args.stay:
                return self.stay()
            return self.tour()
        finally:
            self.stop(BROWSER, self.browser)
            self.stop(SERVER, self.server, force=True)
            self.log.close()

    def stay(self):
        self.start_browser(os.path.join(self.args.pages, "sample-page.html"))
        self.say("The browser is open on the sample page, beside the stand-in archive server: close its window to end.")
        self.browser.wait()
        return 0

    def tour(self):
        pages = self.args.pages
        elsewhere = os.path.join(pages, "sample-elsewhere.html")
        self.start_browser(elsewhere)

        self.step("01-page-not-archived", "the browser opens a page the archive does not keep")
        w, ok = self.wait_for(lambda w: w.frame().flag("visible") and w.label("Rating") and w.main_row()
                              and "sample-elsewhere" in w.address().text, timeout=60)
        if not self.check(ok, "the browser's window shows both toolbars, the strip and the address"):
            self.say(w.text)
            return 1
        self.frame_rect = w.frame().rect
        time.sleep(1.0)
        w = self.read()
        rating1 = w.label("Rating").text
        self.check("sample-elsewhere" in " ".join(self.calls_since(0)), "the toolbar asked the archive about the page")
        self.say(f"    the strip says {rating1.strip()!r}")
        p1 = self.shot("01-page-not-archived")

        self.step("02-page-archived", "a person types the address of a page the archive keeps")
        mark = self.server_calls_count()
        self.go_to(w, "sample-page.html")
        w, ok = self.wait_for(lambda w: "sample-page" in w.address().text and w.label("Rating").text != rating1)
        self.check(ok, "the address line shows the page and the rating label changed")
        strip = w.label("Rating")
        rating2 = strip.text
        self.say(f"    the strip says {rating2.strip()!r}")
        self.check("sample-page" in " ".join(self.calls_since(mark)), "the toolbar asked the archive about the new page")
        self.move((self.frame_rect[0] + 300, self.frame_rect[3] - 60))
        p2 = self.shot("02-page-archived")
        card, comments = w.label("Info"), w.label("Comments")
        self.differs(p1, p2, card.rect, "the info card's label took the archive's colours")
        self.differs(p1, p2, strip.rect, "the rating label shows the new rating")

        self.step("03-button-hint", "the pointer rests on a feature button")
        button = w.main_row().buttons()[HIGHLIGHT_BUTTON]
        self.move(button.center())
        w, ok = self.wait_for(lambda w: len(w.popups()) == 1, timeout=4)
        if self.check(ok, "after the pause a hint window shows"):
            hint = w.popups()[0]
            self.check(hint.rect[1] >= button.rect[1] and abs(hint.rect[0] - button.rect[0]) < 200,
                       f"the hint {hint.rect} shows at the button {button.rect}")
        p3 = self.shot("03-button-hint")
        self.differs(p2, p3, (button.rect[0], button.rect[3], button.rect[0] + 100, button.rect[3] + 60),
                     "the hint is drawn below the button")

        self.step("04-info-card", 'the pointer rests on the "Info" label')
        self.move(card.center())
        w, ok = self.wait_for(lambda w: any(p.size()[1] > 60 for p in w.popups()), timeout=5)
        if self.check(ok, "the link-hint card shows"):
            shown = max(w.popups(), key=lambda p: p.size()[1])
            self.check(len(w.popups()) == 1, "the button's hint went when the card came")
            p4 = self.shot("04-info-card")
            self.differs(p3, p4, shown.rect, "the card is drawn, with the page's picture", at_least=2000)
        else:
            self.shot("04-info-card")

        self.step("05-ratings-menu", "a click on the rating label")
        w, ok, items = self.open_menu(strip.center(), "the ratings menu is open")
        p5 = self.shot("05-ratings-menu")

        self.step("06-rating-chosen", "a person chooses another rating")
        mark = self.server_calls_count()
        index = next((n for n, i in enumerate(items) if not i.flag("checked")), 0)
        self.choose(items, index)
        w, ok = self.wait_for(lambda w: not w.menus() and w.label("Rating").text != rating2)
        self.check(ok, f"the menu closed and the rating label changed ({w.label('Rating').text.strip()!r})")
        calls = self.calls_since(mark)
        self.check(any(c.startswith("SetDocumentRating") for c in calls), "the archive was told the new rating")
        self.move((self.frame_rect[0] + 300, self.frame_rect[3] - 60))
        p6 = self.shot("06-rating-chosen")
        self.differs(p2, p6, strip.rect, "the rating label shows the chosen rating")

        self.step("07-domain-links-menu", 'a click on "Domain links"')
        domain = w.button(lambda t: t == "Domain links")
        w, ok, items = self.open_menu(domain.center(), "the domain links menu is open, one item per page of the site")
        p7 = self.shot("07-domain-links-menu")
        if ok:
            menu = w.menus()[0]
            self.differs(p6, p7, menu.rect, "the menu is drawn with the pages' pictures", at_least=2000)

        self.step("08-domain-link-opened", "a person chooses the news page")
        index = next((n for n, i in enumerate(items) if "news" in i.text.lower()), 1)
        self.choose(items, index)
        w, ok = self.wait_for(lambda w: not w.menus() and "sample-news" in w.address().text)
        self.check(ok, f"the browser went to the page ({w.address().text!r})")
        p8 = self.shot("08-domain-link-opened")
        page_area = (self.frame_rect[0], self.frame_rect[3] - 200, self.frame_rect[2], self.frame_rect[3] - 10)
        self.differs(p7, p8, page_area, "the frame shows the new page")

        self.step("09-feature-toggled", "a click on the highlighting switch")
        button = w.main_row().buttons()[HIGHLIGHT_BUTTON]
        was = button.flag("checked")
        mark = self.server_calls_count()
        self.click(button.center())
        w, ok = self.wait_for(lambda w: w.main_row().buttons()[HIGHLIGHT_BUTTON].flag("checked") != was)
        self.check(ok, f"the button's checked state followed ({int(was)} -> {int(not was) if ok else int(was)})")
        calls = self.calls_since(mark)
        self.check(any(c.startswith("SetHighlightEnabled") for c in calls),
                   "the archive's switch changed: " + ", ".join(c for c in calls if c.startswith("Set")))
        p9 = self.shot("09-feature-toggled")
        self.differs(p8, p9, button.rect, "the button looks pressed or released now", at_least=5)

        self.step("10-quick-links", "the quick-links toolbar's groups")
        self.move((self.frame_rect[0] + 300, self.frame_rect[3] - 60))
        w, _ = self.wait_for(lambda w: not w.popups(), timeout=3)
        groups = w.groups()
        self.check(len(groups) >= 1, "group buttons: " + ", ".join(repr(g.text) for g in groups))
        manage = w.button(lambda t: t == "Manage groups")
        self.check(manage is not None and manage.visible, '"Manage groups" shows')
        self.shot("10-quick-links")

        if groups:
            self.step("11-quick-links-menu", "a click on the arrow of a group button")
            self.click(self.arrow_of(groups[-1]))
            w, ok = self.wait_for(lambda w: w.menus() and w.menus()[0].items(), timeout=4)
            self.check(ok, "the group's links: " + ", ".join(repr(i.text) for i in (w.menus()[0].items() if ok else [])))
            self.shot("11-quick-links-menu")
            self.keys("Escape")
            self.wait_for(lambda w: not w.menus(), timeout=2)

        if manage:
            self.step("12-manage-groups-menu", 'a click on the arrow of "Manage groups"')
            self.click(self.arrow_of(manage))
            w, ok = self.wait_for(lambda w: w.menus() and w.menus()[0].items(), timeout=4)
            items = w.menus()[0].items() if ok else []
            self.check(ok and len(items) >= len(groups), "the groups again: " + ", ".join(repr(i.text) for i in items))
            self.shot("12-manage-groups-menu")
            self.keys("Escape")
            w, _ = self.wait_for(lambda w: not w.menus(), timeout=2)
        p12 = self.picture("connected.png")
        connected = self.read()

        # Ended by force: under Wine an orderly end hangs while browsers are connected (the browser's
        # answer to OnQuit unadvises, and Wine's RPC waits for the very call it is answering).
        self.step("13-server-stopped", "the archive application ends abruptly; the person opens another page")
        self.check(self.stop(SERVER, self.server, force=True), "the archive server ended")
        enabled = lambda w: [b.flag("enabled") for b in w.main_row().buttons()]
        # The toolbars learn of it at their next call: the next page the person opens makes one.
        self.go_to(connected, "sample-garden.html")
        w, ok = self.wait_for(lambda w: not w.groups() and enabled(w) != enabled(connected), timeout=8)
        self.check(ok, "both toolbars went inactive: the groups went, the main toolbar's buttons changed state")
        manage = w.button(lambda t: t == "Manage groups")
        self.check(manage is None or not manage.visible, '"Manage groups" is hidden')
        p13 = self.shot("13-server-stopped")
        self.differs(p12, p13, connected.frame().rect, "the toolbars look different", at_least=50)

        self.step("14-server-back", "the archive application starts again and posts message 0x500")
        mark = self.server_calls_count()
        self.check(self.start_server(announce=True), "the archive server is ready again")
        w, ok = self.wait_for(lambda w: len(w.groups()) == len(connected.groups()) and enabled(w) == enabled(connected),
                              timeout=10)
        self.check(ok, "both toolbars are back as before: the groups and the buttons' states")
        self.check(any("Advise" in c for c in self.calls_since(mark)), "the toolbars connected to the new server")
        self.shot("14-server-back")

        for number, (name, index, expected) in enumerate((("privacy", PRIVACY_BUTTON, "Clear All"),
                                                          ("speech", SPEECH_BUTTON, None),
                                                          ("translations", TRANSLATION_BUTTON, None)), start=15):
            self.step(f"{number}-{name}-menu", f"a click on the arrow of the {name} button")
            w = self.read()
            self.click(self.arrow_of(w.main_row().buttons()[index]))
            w, ok = self.wait_for(lambda w: w.menus() and w.menus()[0].items(), timeout=4)
            items = [i.text for i in w.menus()[0].items()] if ok else []
            self.check(ok and (expected is None or expected in items), "its items: " + ", ".join(map(repr, items)))
            self.shot(f"{number}-{name}-menu")
            self.keys("Escape")
            self.wait_for(lambda w: not w.menus(), timeout=2)

        self.step("end", "the person closes the browser window")
        self.check(self.stop(BROWSER, self.browser), "the browser closed its toolbars and ended")
        self.say(f"{len(self.pictures)} pictures and this log are in {self.out}")
        if self.failures:
            self.say(f"{len(self.failures)} checks failed:")
            for failure in self.failures:
                self.say("    " + failure)
        return 1 if self.failures and self.args.check else 0

    def picture(self, file_name):
        """The X server's picture of the browser's window and the room below it."""
        left, top, right, bottom = self.frame_rect
        self.origin = (left, top)
        path = os.path.join(self.out, file_name)
        subprocess.run(["import", "-window", "root", "-crop", f"{right - left}x{bottom - top + BELOW}+{left}+{top}",
                        "+repage", path], check=True)
        return path


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--wine", required=True)
    parser.add_argument("--bin", required=True, help="the folder of the Windows programs")
    parser.add_argument("--pages", required=True, help="the folder of the sample pages")
    parser.add_argument("--out", required=True)
    parser.add_argument("--check", action="store_true", help="a failed check fails the run")
    parser.add_argument("--stay", action="store_true", help="no tour: the browser stays open for a person")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    return Tour(args).run()


if __name__ == "__main__":
    sys.exit(main())
