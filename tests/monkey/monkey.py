#!/usr/bin/env python3
"""Random but valid use of the real program in a private Xvfb, from a seed it prints.

It clicks and scrolls the list, sorts by the header, filters through the header's drop-down,
the custom filter dialog, the filter box and the builder (saving and opening .flt files in a
folder of its own), opens the notice, types and pastes Chinese and ASCII text into the detail
panes and posts it by choosing another medicine, or drops it (Esc in the list, a filter
change, closing the window), and closes and starts the program again now and then.

It keeps its own copy of the records with every edit it posted. After every close the data
file must pass `tervana-data check` and hold exactly those records; a pane must always show
what the records say. The resident memory of each run of the program, after a warm-up, may
grow by at most 10 %. A hang (no window or no answer to a ping within the timeout), a crash,
a sanitizer report, a box nobody asked for or a mismatch is a finding: the seed, the tail of
the action log and a screenshot are printed and the exit status is 1.

  monkey.py [--seed N] [--duration SECONDS] [--data FILE | --records N] [--timeout SECONDS]

Environment as for the end-to-end runs: TERVANA_BIN_DIR (the program folder),
TERVANA_E2E_ARTEFACTS (where the log and screenshots go).
"""

import argparse
import collections
import hashlib
import json
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xserver import XServer  # noqa: E402

SKIP = 77

# --- the program's windows at 96 dpi, positions inside each window ---------------------------
MAIN_W, MAIN_H = 768, 513
SPLASH_W, SPLASH_H = 462, 453
SPLASH_CLOSE = (428, 412)
HEADER = (100, 46)
FILTER_BUTTON = (211, 46)
NOTICE_LINK = (62, 481)
LIST_LEFT, LIST_RIGHT = 3, 210
FIRST_ROW_Y, ROW_H, MAX_ROWS = 56, 21, 19
LIST_BOTTOM = 467
# The nine panes: field and a point inside the pane.
PANES = [
    ("ZuoYongLeiBie", 370, 50), ("YaoLiZuoYong", 370, 128), ("ShiYongZheng", 370, 211),
    ("YongFaYongLiang", 370, 307), ("JinJiZheng", 370, 393), ("GuiGe", 370, 466),
    ("YaoWuXiangHuZuoYong", 640, 60), ("BuLiangFanYong", 640, 159), ("ZhuYiShiXiang", 640, 300),
]
PANE = {field: (x, y) for field, x, y in PANES}
# The panes that tell records apart best, in the order they are read to find the record.
TELLERS = ["YongFaYongLiang", "ZhuYiShiXiang", "YaoLiZuoYong", "ShiYongZheng", "GuiGe",
           "BuLiangFanYong", "YaoWuXiangHuZuoYong", "JinJiZheng", "ZuoYongLeiBie"]
CUSTOM_TITLE = "定制过滤"
BUILDER_TITLE = "过滤生成器"
SAVE_TITLE = "保存当前过滤条件到文件中"
OPEN_TITLE = "打开过滤条件文件"
CUSTOM = {"ok": (285, 155), "cancel": (367, 155), "op1": (104, 56), "value1": (304, 56),
          "and": (70, 82), "or": (134, 82), "op2": (104, 106), "value2": (304, 106)}
BUILDER = {"open": (43, 346), "save": (124, 346), "ok": (324, 346), "cancel": (405, 346),
           "apply": (484, 346), "tree": (300, 250)}

CHINESE = "感冒片颗粒口服液一次日三用于头痛发热咳嗽儿童成人慎用禁忌药师医生说明书温水送服饭后每盒"
PUNCT = "，。；：（）、"
ASCII_WORDS = ["abc", "Tervana", "mg", "0.5g", "x2", "OK", "test", "QA", "10ml", "B12", "pH7"]
PATTERNS = ["%感冒%", "%片", "阿%", "%颗粒%", "%口服%", "_冒%", "%", "%a%", "维%", "%痛%"]
SANITIZER = re.compile(r"ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:|"
                       r"SUMMARY: (Address|Undefined|Leak)Sanitizer")


class Finding(Exception):
    pass


class Skipped(Exception):
    pass


def gbk_len(text):
    return len(text.encode("gbk"))


def normal(text):
    """A field's text as the pane copies it: line breaks as plain line feeds."""
    return (text or "").replace("\r\n", "\n").replace("\u2029", "\n").replace("\r", "\n")


class Program:
    """One staged program folder and the process running from it."""

    def __init__(self, folder, env, log_path):
        self.folder, self.env, self.log_path = folder, env, log_path
        self.process = None
        self.log = None
        self.runs = 0

    def start(self):
        self.runs += 1
        self.log = open(self.log_path, "ab")
        self.log.write(("--- run %d\n" % self.runs).encode())
        self.log.flush()
        self.process = subprocess.Popen([os.path.join(self.folder, "tervana")], cwd=os.path.dirname(
            self.folder), env=self.env, stdout=self.log, stderr=subprocess.STDOUT)

    def running(self):
        return self.process is not None and self.process.poll() is None

    def rss_kib(self):
        try:
            with open("/proc/%d/status" % self.process.pid) as status:
                for line in status:
                    if line.startswith("VmRSS:"):
                        return int(line.split()[1])
        except OSError:
            pass
        return None

    def stop(self):
        if self.running():
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        if self.log:
            self.log.close()
            self.log = None

    def output(self):
        try:
            with open(self.log_path, "rb") as log:
                return log.read().decode("utf-8", "replace")
        except OSError:
            return ""


class Monkey:
    def __init__(self, options):
        self.options = options
        self.seed = options.seed
        self.random = random.Random(self.seed)
        self.bin_dir = options.bin_dir
        self.tool = os.path.join(self.bin_dir, "tervana-data")
        self.shots = options.artefacts
        os.makedirs(self.shots, exist_ok=True)
        self.work = tempfile.mkdtemp(prefix="tervana-monkey.")
        self.app = os.path.join(self.work, "app")
        self.flt = os.path.join(self.work, "filters")
        os.makedirs(self.flt)
        self.data = os.path.join(self.app, "YaoPin.XML")
        self.log_tail = collections.deque(maxlen=40)
        self.log_file = open(os.path.join(self.shots, "actions.log"), "w", encoding="utf-8")
        # Seconds, run, resident KiB and the action before: one line for each sample.
        self.memory_log = open(os.path.join(self.shots, "memory.log"), "w", encoding="utf-8")
        self.last_action = ""
        self.started = time.monotonic()
        self.timeout = options.timeout
        self.counts = collections.Counter()
        self.saved_filters = []
        self.xvfb = None
        self.x = None
        self.main = None
        self.session = None
        self.rss_reports = []
        self.posted_since_start = 0

    # --- bookkeeping ---------------------------------------------------------------------

    def note(self, text):
        line = "%8.1f  %s" % (time.monotonic() - self.started, text)
        self.log_tail.append(line)
        self.log_file.write(line + "\n")
        self.log_file.flush()
        if self.options.verbose:
            print(line, flush=True)

    def finding(self, text):
        raise Finding(text)

    def screenshot(self, name):
        path = os.path.join(self.shots, name + ".png")
        if self.xvfb is not None:
            subprocess.run(["import", "-display", self.display, "-window", "root", path],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
        return path

    # --- X and input ---------------------------------------------------------------------

    def start_x(self):
        for tool in ("Xvfb", "xdotool"):
            if shutil.which(tool) is None:
                raise Skipped(tool + " is not installed (packages xvfb, xdotool)")
        read_end, write_end = os.pipe()
        self.xvfb_log = open(os.path.join(self.work, "xvfb.log"), "wb")
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten",
             "tcp", "-ac"], pass_fds=(write_end,), stdout=self.xvfb_log, stderr=subprocess.STDOUT)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 20
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        if not number.strip():
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number.decode().strip()
        self.x = XServer(self.display)
        self.x.map_characters(CHINESE + PUNCT + "".join(PATTERNS))
        self.xenv = dict(os.environ, DISPLAY=self.display)

    def xdo(self, *arguments):
        subprocess.run(["xdotool", *arguments], env=self.xenv, check=True, timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def click(self, window, point, button=1, repeat=1, modifier=None):
        x, y = window["x"] + point[0], window["y"] + point[1]
        # No --sync: it waits for a motion, and there is none when the pointer is already there.
        command = ["mousemove", str(x), str(y)]
        if modifier:
            command += ["keydown", modifier]
        command += ["click", "--repeat", str(repeat), "--delay", "40", str(button)]
        if modifier:
            command += ["keyup", modifier]
        self.xdo(*command)

    def key(self, *keys):
        self.xdo("key", "--clearmodifiers", "--delay", "30", *keys)

    def type_text(self, text):
        # A line feed would reach the program as the Linefeed key, which is no line break.
        for number, line in enumerate(text.split("\n")):
            if number:
                self.key("Return")
            if line:
                self.xdo("type", "--clearmodifiers", "--delay", "35", "--", line)

    # --- the program's state as the screen shows it -------------------------------------

    def windows(self):
        return [w for w in self.x.windows() if "TOOLTIP" not in w["type"]]

    def others(self):
        return [w for w in self.windows() if self.main is None or w["id"] != self.main["id"]]

    def sync(self, what="the last action"):
        """Two round trips through the program's event loop: the first after the input
        before it, the second after what that input posted (repaints)."""
        for _ in range(2):
            window = self.main or (self.windows() or [None])[0]
            if not self.program.running():
                self.crashed(what)
            if window is None:
                return
            if not self.x.ping(window["id"], self.timeout):
                if not self.program.running():
                    self.crashed(what)
                self.finding("the program did not answer for %d s after %s" % (self.timeout, what))

    def crashed(self, what):
        code = self.program.process.returncode
        self.finding("the program ended with status %s during %s" % (code, what))

    def expect_only_main(self, what):
        extra = self.others()
        if extra:
            time.sleep(0.3)
            self.sync(what)
            extra = self.others()
        if extra:
            self.finding("after %s these windows are open: %s" % (
                what, "; ".join("%r %dx%d" % (w["name"], w["w"], w["h"]) for w in extra)))
        if self.x.focus() != self.main["id"]:
            self.finding("after %s the main window does not have the keyboard focus (%#x has)" % (
                what, self.x.focus()))

    def wait_window(self, test, what, timeout=None):
        deadline = time.monotonic() + (timeout or self.timeout)
        while time.monotonic() < deadline:
            if not self.program.running():
                self.crashed("waiting for " + what)
            for window in self.windows():
                if test(window):
                    return window
            self.x.pump()
            time.sleep(0.05)
        self.finding("no %s appeared within %d s; windows: %s" % (
            what, timeout or self.timeout,
            "; ".join("%r %dx%d" % (w["name"], w["w"], w["h"]) for w in self.windows())))

    def wait_gone(self, window, what, timeout=None):
        deadline = time.monotonic() + (timeout or self.timeout)
        while time.monotonic() < deadline:
            if not any(w["id"] == window["id"] for w in self.windows()):
                return True
            if not self.program.running():
                self.crashed("waiting for %s to close" % what)
            self.x.pump()
            time.sleep(0.05)
        return False

    def list_state(self):
        """The rows the list shows whole and with a name (indexes from the top), and the
        filter box's vertical middle (None while no filter box is shown)."""
        m = self.main
        image = self.x.grab(m["x"], m["y"], MAIN_W, MAIN_H)
        if image is None:
            return [], None

        def grey(p):
            return p == (0x80, 0x80, 0x80)

        box_top = None
        y = m["y"] + LIST_BOTTOM - 1
        while y > m["y"] + FIRST_ROW_Y and grey(image.pixel(m["x"] + 3, y)):
            box_top = y
            y -= 1
        bottom = m["y"] + (box_top - m["y"] if box_top else LIST_BOTTOM)
        rows = []
        for row in range(MAX_ROWS):
            top = m["y"] + FIRST_ROW_Y + row * ROW_H
            if top + ROW_H > bottom:
                break
            ink = 0
            for py in range(top + 3, top + ROW_H - 3, 2):
                for px in range(m["x"] + LIST_LEFT, m["x"] + LIST_RIGHT, 3):
                    if image.pixel(px, py) != (255, 255, 255):
                        ink += 1
            if ink >= 4:
                rows.append(row)
        middle = None
        if box_top is not None:
            middle = (box_top + m["y"] + LIST_BOTTOM) // 2 - m["y"]
        return rows, middle

    def row_point(self, row):
        return (self.random.randint(20, 180), FIRST_ROW_Y + row * ROW_H + ROW_H // 2)

    def read_pane(self, field):
        """The pane's text, through select all and copy; the caret goes back to the end."""
        self.click(self.main, PANE[field])
        self.sync("a click into " + field)
        text = None
        for attempt in range(2):
            self.x.own_clipboard()
            self.key("ctrl+a", "ctrl+c")
            deadline = time.monotonic() + 1.5
            while time.monotonic() < deadline and not self.x.clipboard_taken():
                self.x.pump()
                time.sleep(0.01)
            if self.x.clipboard_taken():
                text = self.x.read_clipboard()
                if text is not None:
                    break
            else:
                # Nothing selected means nothing copied: an empty pane.
                text = ""
                break
        self.key("ctrl+End")
        return normal(text or "")

    # --- starting, closing, checking -----------------------------------------------------

    def stage(self):
        os.makedirs(self.app)
        for name in ("tervana", "libTolvane.so", "tervana-data"):
            shutil.copy2(os.path.join(self.bin_dir, name), self.app)
        if self.options.records:
            self.generate(self.options.records)
        else:
            shutil.copyfile(self.options.data or os.path.join(self.bin_dir, "YaoPin.XML"), self.data)
        env = dict(self.xenv, LC_ALL="C.UTF-8", QT_QPA_PLATFORM="xcb")
        for name in ("QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE", "XDG_CURRENT_DESKTOP",
                     "WAYLAND_DISPLAY", "SESSION_MANAGER"):
            env.pop(name, None)
        self.program = Program(self.app, env, os.path.join(self.shots, "program.log"))
        if os.path.exists(self.program.log_path):
            os.remove(self.program.log_path)

    def generate(self, count):
        """A data file of COUNT records made from the shipped ones: each name, usage and
        precautions text carries the record's number, so every record can be told apart."""
        source = self.export(os.path.join(self.bin_dir, "YaoPin.XML"))
        rows = source["rows"]
        made = []
        for index in range(count):
            record = dict(rows[index % len(rows)])
            tag = "%06d" % index
            # One record in ten keeps a name another has: the drop-down folds them.
            if index % 10:
                record["TongYongMing"] = record["TongYongMing"][:12] + tag
            record["YongFaYongLiang"] = tag + record["YongFaYongLiang"][:80]
            record["ZhuYiShiXiang"] = record["ZhuYiShiXiang"][:200] + tag
            made.append(record)
        source["rows"] = made
        path = os.path.join(self.work, "generated.json")
        with open(path, "w", encoding="utf-8") as out:
            json.dump(source, out, ensure_ascii=False)
        subprocess.run([self.tool, "build", path, "-o", self.data], check=True,
                       stdout=subprocess.DEVNULL, timeout=600)
        os.remove(path)

    def export(self, path):
        out = os.path.join(self.work, "export.json")
        result = subprocess.run([self.tool, "export", path, "-o", out], capture_output=True,
                                timeout=900)
        if result.returncode != 0:
            self.finding("tervana-data export of %s failed: %s" % (path, result.stderr.decode(
                "utf-8", "replace").strip()))
        with open(out, encoding="utf-8") as stream:
            exported = json.load(stream)
        os.remove(out)
        return exported

    def load_model(self):
        exported = self.export(self.data)
        self.records = exported["rows"]
        self.widths = {field["name"]: field["width"] for field in exported["fields"]}
        self.posted = []
        self.note("model: %d records" % len(self.records))

    def digest(self):
        sha = hashlib.sha256()
        with open(self.data, "rb") as stream:
            for block in iter(lambda: stream.read(1 << 20), b""):
                sha.update(block)
        return sha.hexdigest()

    def launch(self):
        self.digest_at_start = self.digest()
        self.posted_since_start = 0
        self.program.start()
        self.note("start %d (pid %d)" % (self.program.runs, self.program.process.pid))
        self.main = None
        splash = self.wait_window(lambda w: w["w"] == SPLASH_W and w["h"] == SPLASH_H, "splash")
        time.sleep(0.3)
        self.x.ping(splash["id"], self.timeout)
        self.click(splash, SPLASH_CLOSE)
        if not self.wait_gone(splash, "the splash"):
            self.finding("the splash did not close on its close picture")
        self.main = self.wait_window(lambda w: w["w"] == MAIN_W and w["h"] == MAIN_H, "main window")
        self.sync("the first activation")
        self.expect_only_main("the start")
        self.session = {"start": time.monotonic(), "actions": 0, "baseline": None, "peak": None,
                        "warm": False}
        self.counts["starts"] += 1
        self.warm_up()

    def warm_up(self):
        """Everything that loads something the first time, once, before the memory counts:
        the drop-down, the custom filter dialog, the notice, the builder and its file dialog."""
        self.note("warm-up")
        popup = self.open_dropdown()
        self.key("Escape")
        if not self.wait_gone(popup, "the drop-down", 5):
            self.finding("the drop-down stays open after Esc")
        self.act_notice()
        popup = self.open_dropdown()
        entry_h = popup["h"] / max(1, min(15, popup["h"] // 16))
        self.click(popup, (40, int(entry_h * 2.5)))
        self.sync("picking a name")
        if not self.wait_gone(popup, "the drop-down", 5):
            self.finding("the drop-down stays open after picking a name")
        _, middle = self.list_state()
        if middle is None:
            self.finding("no filter box after picking a name in the drop-down")
        self.click(self.main, (213, middle))
        dialog = self.wait_window(lambda w: w["name"].startswith(BUILDER_TITLE), "filter builder")
        self.sync("the builder")
        # The file dialogs' caches and threads take a few rounds to settle.
        for _ in range(self.options.warmup_rounds):
            self.builder_file(dialog, save=True)
            self.builder_file(dialog, save=False)
        self.click(dialog, BUILDER["cancel"])
        if not self.wait_gone(dialog, "the builder"):
            self.finding("the builder did not close on its cancel button")
        self.sync("the builder's end")
        _, middle = self.list_state()
        if middle is not None:
            self.click(self.main, (12, middle))
        self.sync("the end of the warm-up")
        self.expect_only_main("the warm-up")

    def sample_memory(self):
        rss = self.program.rss_kib()
        if rss is None:
            return
        s = self.session
        if not s["warm"]:
            if s["actions"] >= self.options.warmup_actions and \
                    time.monotonic() - s["start"] >= self.options.warmup_seconds:
                s["warm"] = time.monotonic()
                s["samples"] = []
                self.note("warm: %d KiB resident" % rss)
            return
        s["samples"].append((time.monotonic(), rss))
        self.memory_log.write("%.1f %d %d %s\n" % (time.monotonic() - self.started, self.program.runs,
                                                   rss, self.last_action))
        self.memory_log.flush()

    def memory_verdict(self):
        """The highest resident size of the last third of the run after its warm-up against
        that of the first third: the peaks, as the file dialogs come and go by megabytes."""
        s = self.session
        if not s or not s["warm"] or len(s["samples"]) < 2:
            return
        samples = s["samples"]
        span = samples[-1][0] - samples[0][0]
        third = span / 3
        first = max(r for t, r in samples if t <= samples[0][0] + third)
        last = max(r for t, r in samples if t >= samples[-1][0] - third)
        growth = (last - first) * 100.0 / first
        judged = span >= self.options.judge_seconds and len(samples) >= 9
        report = (self.program.runs, first, last, growth, span, len(samples), judged)
        self.rss_reports.append(report)
        self.note("memory of run %d: %d KiB at most in the first third after warm-up, %d KiB in "
                  "the last, %+.1f %% over %.0f s (%d samples)%s" % (
                      report[:6] + ("" if judged else ", too short to judge",)))
        if judged and growth > 10.0 and not self.options.sanitize:
            self.finding("the resident memory grew by %.1f %% (%d KiB to %d KiB) in run %d" % (
                growth, first, last, self.program.runs))

    def close_and_check(self, relaunch=True):
        self.memory_verdict()
        self.note("close the main window")
        self.x.close_window(self.main["id"])
        deadline = time.monotonic() + self.options.close_timeout
        while self.program.running() and time.monotonic() < deadline:
            extra = self.others()
            if extra and any(w["id"] != self.main["id"] for w in extra):
                time.sleep(0.5)
                if self.program.running() and self.others():
                    self.finding("closing shows: %s" % "; ".join(
                        "%r %dx%d" % (w["name"], w["w"], w["h"]) for w in self.others()))
            time.sleep(0.1)
        if self.program.running():
            self.finding("the program did not end within %d s of the close" % self.options.close_timeout)
        code = self.program.process.returncode
        self.program.stop()
        self.main = None
        self.counts["closes"] += 1
        output = self.program.output()
        if SANITIZER.search(output):
            self.finding("the sanitizers reported (see %s)" % self.program.log_path)
        if code != 0:
            self.finding("the program ended with status %d after the close" % code)
        self.check_file()
        if relaunch:
            self.launch()

    def check_file(self):
        result = subprocess.run([self.tool, "check", self.data], capture_output=True, timeout=900)
        if result.returncode != 0:
            self.finding("tervana-data check fails on the written file: %s" % (
                result.stdout + result.stderr).decode("utf-8", "replace").strip())
        if self.posted_since_start == 0 and self.digest() != self.digest_at_start:
            self.finding("the data file was rewritten although no edit was posted")
        rows = self.export(self.data)["rows"]
        if len(rows) != len(self.records):
            self.finding("the data file holds %d records, the posted edits leave %d" % (
                len(rows), len(self.records)))
        wrong = []
        for index, (got, want) in enumerate(zip(rows, self.records)):
            if got != want:
                for field in want:
                    if got.get(field) != want.get(field):
                        wrong.append((index, field, want.get(field), got.get(field)))
        if wrong:
            lines = ["record %d %s: expected %r, file has %r" % (i, f, (w or "")[-60:], (g or "")[-60:])
                     for i, f, w, g in wrong[:8]]
            self.finding("the data file differs from the posted edits in %d fields:\n  %s" % (
                len(wrong), "\n  ".join(lines)))
        self.note("file checked: %d records, %d fields edited so far" % (len(rows), len(self.posted)))

    # --- the actions ---------------------------------------------------------------------

    def act_rows(self):
        rows, _ = self.list_state()
        if not rows:
            self.note("rows: the list is empty")
            return
        row = self.random.choice(rows)
        self.note("click row %d" % row)
        self.click(self.main, self.row_point(row), button=self.random.choice([1, 1, 1, 3]))

    def act_keys(self):
        keys = [self.random.choice(["Up", "Down", "Prior", "Next", "Home", "End", "ctrl+Home",
                                    "ctrl+End", "Left", "Right", "Tab", "shift+Tab", "Escape"])
                for _ in range(self.random.randint(1, 5))]
        rows, _ = self.list_state()
        if rows and self.random.random() < 0.6:
            row = self.random.choice(rows)
            self.click(self.main, self.row_point(row))
            self.note("click row %d, keys %s" % (row, " ".join(keys)))
        else:
            self.note("keys %s" % " ".join(keys))
        self.key(*keys)

    def act_wheel(self):
        where = self.random.choice([(100, 200), (100, 350), PANE["ZhuYiShiXiang"]])
        button = self.random.choice([4, 5])
        count = self.random.randint(1, 4)
        self.note("wheel %s x%d at %s" % ("up" if button == 4 else "down", count, where))
        self.click(self.main, where, button=button, repeat=count)

    def act_header(self):
        modifier = self.random.choice([None, None, None, "shift", "ctrl"])
        self.note("header click%s" % (" with " + modifier if modifier else ""))
        self.click(self.main, HEADER, modifier=modifier)

    def open_dropdown(self):
        before = {w["id"] for w in self.windows()}
        self.click(self.main, FILTER_BUTTON)
        popup = self.wait_window(lambda w: w["id"] not in before, "filter drop-down")
        self.sync("opening the drop-down")
        return popup

    def act_dropdown(self, pick=None):
        popup = self.open_dropdown()
        entries = max(1, min(15, popup["h"] // 16))
        entry_h = popup["h"] / entries
        how = pick or self.random.choice(["esc", "click", "click", "click", "wheel", "keys", "custom"])
        if how == "esc":
            self.note("drop-down: Esc")
            self.key("Escape")
        elif how == "keys":
            count = self.random.randint(0, 20)
            self.note("drop-down: Down x%d, Enter" % count)
            self.key(*(["Down"] * count + ["Return"]))
        else:
            if how == "wheel":
                count = self.random.randint(1, 5)
                self.click(popup, (popup["w"] // 2, popup["h"] // 2), button=5, repeat=count)
                self.sync("the wheel in the drop-down")
            if how == "custom":
                entry = 1
            elif how == "name":
                entry = self.random.randint(2, entries - 1) if entries > 2 else entries - 1
            else:
                entry = self.random.randint(0, entries - 1)
            self.note("drop-down: %s entry %d" % ("wheel, then" if how == "wheel" else "click", entry))
            self.click(popup, (self.random.randint(10, max(11, popup["w"] - 30)),
                               int(entry * entry_h + entry_h / 2)))
        self.sync("picking in the drop-down")
        if not self.wait_gone(popup, "the drop-down", 5):
            self.finding("the drop-down stays open after %s" % how)
        self.handle_dialogs()

    def handle_dialogs(self):
        for _ in range(3):
            self.sync("a dialog's opening")
            extra = self.others()
            if not extra:
                return
            window = extra[-1]
            if window["name"] == CUSTOM_TITLE:
                self.custom_dialog(window)
            elif window["name"].startswith(BUILDER_TITLE):
                self.builder(window)
            else:
                self.finding("unexpected window %r %dx%d" % (window["name"], window["w"], window["h"]))
        self.expect_only_main("the filter dialogs")

    def custom_dialog(self, dialog):
        self.counts["custom dialog"] += 1
        steps = []
        for _ in range(self.random.randint(1, 5)):
            step = self.random.choice(["op1", "value1", "andor", "op2", "value2", "value1"])
            if step == "op1":
                count = self.random.randint(1, 9)
                key = self.random.choice(["Down", "Up"])
                self.click(dialog, CUSTOM["value1"])
                self.key("shift+Tab", *([key] * count))
                steps.append("operator 1 %s x%d" % (key, count))
            elif step in ("value1", "value2"):
                text = self.random.choice(PATTERNS + [self.random_text(4)])
                self.click(dialog, CUSTOM[step])
                self.key("ctrl+a")
                self.type_text(text)
                steps.append("%s %r" % (step, text))
            elif step == "andor":
                which = self.random.choice(["and", "or"])
                self.click(dialog, CUSTOM[which])
                steps.append(which)
            elif step == "op2":
                count = self.random.randint(1, 10)
                self.click(dialog, CUSTOM["value2"])
                self.key("shift+Tab", *(["Down"] * count))
                steps.append("operator 2 Down x%d" % count)
            self.sync("the custom filter dialog")
        end = self.random.choice(["ok", "ok", "enter", "cancel", "esc"])
        self.note("custom filter: %s; %s" % ("; ".join(steps), end))
        if end in ("ok", "cancel"):
            self.click(dialog, CUSTOM[end])
        else:
            self.key("Return" if end == "enter" else "Escape")
        self.sync("closing the custom filter dialog")
        if not self.wait_gone(dialog, "the custom filter dialog", 5):
            self.finding("the custom filter dialog stays open after %s" % end)

    def builder(self, dialog):
        self.counts["builder"] += 1
        self.click(dialog, BUILDER["tree"])
        steps = []
        for _ in range(self.random.randint(2, 10)):
            step = self.random.choice(["insert", "insert", "move", "move", "pick", "value", "delete",
                                       "apply", "save", "open"])
            if step in ("apply", "save", "open"):
                self.close_popups(dialog)
            if step == "insert":
                self.key("Insert")
            elif step == "move":
                keys = [self.random.choice(["Up", "Down", "Left", "Right"])
                        for _ in range(self.random.randint(1, 4))]
                self.key(*keys)
                step = "keys " + " ".join(keys)
            elif step == "pick":
                count = self.random.randint(0, 6)
                self.key("Return")
                self.sync("a builder element")
                self.key(*(["Down"] * count + ["Return"]))
                step = "Enter, Down x%d, Enter" % count
            elif step == "value":
                text = self.random.choice(PATTERNS + [self.random_text(3)])
                self.type_text(text)
                self.key("Return")
                step = "type %r" % text
            elif step == "delete":
                self.key("ctrl+Delete")
            elif step == "apply":
                self.click(dialog, BUILDER["apply"])
            elif step == "save":
                step = self.builder_file(dialog, save=True)
            elif step == "open":
                step = self.builder_file(dialog, save=False)
            steps.append(step)
            self.sync("the filter builder")
            for window in self.others():
                if window["id"] != dialog["id"] and not window["popup"]:
                    self.finding("the builder shows %r %dx%d after %s" % (
                        window["name"], window["w"], window["h"], step))
            if not any(w["id"] == dialog["id"] for w in self.windows()):
                break
        end = self.random.choice(["ok", "ok", "cancel", "esc"])
        self.note("builder: %s; %s" % ("; ".join(steps), end))
        if any(w["id"] == dialog["id"] for w in self.windows()):
            self.close_popups(dialog)
            if any(w["id"] == dialog["id"] for w in self.windows()):
                if end == "esc":
                    self.key("Escape")
                else:
                    self.click(dialog, BUILDER[end])
        self.sync("closing the builder")
        if not self.wait_gone(dialog, "the builder", 5):
            self.key("Escape")
            if not self.wait_gone(dialog, "the builder", 5):
                self.finding("the filter builder stays open after %s" % end)

    def close_popups(self, dialog):
        """Esc while a drop-down list or in-place editor of the builder is open ends it."""
        for _ in range(3):
            popups = [w for w in self.others() if w["id"] != dialog["id"]]
            if not popups:
                return
            self.key("Escape")
            self.sync("Esc in the builder")

    def builder_file(self, dialog, save):
        if save or not self.saved_filters:
            name = "m%03d.flt" % (len(self.saved_filters) + 1)
            path = os.path.join(self.flt, name)
            button, title = "save", SAVE_TITLE
        else:
            path = self.random.choice(self.saved_filters)
            name = os.path.basename(path)
            button, title = "open", OPEN_TITLE
        self.click(dialog, BUILDER[button])
        chooser = self.wait_window(lambda w: w["name"] == title, "the file dialog " + title)
        self.sync("the file dialog")
        self.key("ctrl+a")
        self.type_text(path)
        self.key("Return")
        if not self.wait_gone(chooser, "the file dialog", 10):
            self.key("Return")
            if not self.wait_gone(chooser, "the file dialog", 10):
                self.finding("the file dialog %r did not take %s" % (title, path))
        self.sync("the file dialog's end")
        if self.x.focus() != dialog["id"]:
            # With no window manager the program itself must give the builder the keyboard
            # back, or Esc and typing go nowhere.
            self.finding("after the file dialog the builder does not have the keyboard focus "
                         "(%#x has)" % self.x.focus())
        caption = [w["name"] for w in self.windows() if w["id"] == dialog["id"]]
        if caption and caption[0] != "%s - [%s]" % (BUILDER_TITLE, name):
            self.finding("after %s %s the builder's caption is %r" % (button, path, caption[0]))
        if button == "save":
            if not os.path.isfile(path) or os.path.getsize(path) < 9:
                self.finding("the builder did not save %s" % path)
            self.saved_filters.append(path)
            self.counts["filters saved"] += 1
            if len(self.records) <= 5000:
                result = subprocess.run([self.tool, "query", self.data, "--flt", path],
                                        capture_output=True, timeout=120)
                if result.returncode != 0:
                    self.finding("the saved filter %s does not read back: %s" % (
                        path, result.stderr.decode("utf-8", "replace").strip()))
        else:
            self.counts["filters opened"] += 1
        return "%s %s" % (button, name)

    def act_filter_box(self):
        rows, middle = self.list_state()
        if middle is None:
            self.act_dropdown(pick="name")
            return
        what = self.random.choice(["clear", "toggle", "toggle", "builder", "builder"])
        point = {"clear": (12, middle), "toggle": (30, middle), "builder": (213, middle)}[what]
        self.note("filter box: %s" % what)
        self.click(self.main, point)
        self.handle_dialogs()

    def act_notice(self):
        self.note("notice")
        self.click(self.main, NOTICE_LINK)
        notice = self.wait_window(lambda w: w["w"] == SPLASH_W and w["h"] == SPLASH_H, "notice dialog")
        self.sync("the notice")
        time.sleep(self.random.random() * 0.5)
        self.click(notice, SPLASH_CLOSE)
        if not self.wait_gone(notice, "the notice"):
            self.finding("the notice did not close on its close picture")

    def random_text(self, tokens):
        parts = []
        for _ in range(tokens):
            kind = self.random.random()
            if kind < 0.45:
                parts.append("".join(self.random.choice(CHINESE) for _ in range(self.random.randint(1, 4))))
            elif kind < 0.75:
                parts.append(self.random.choice(ASCII_WORDS))
            elif kind < 0.85:
                parts.append(self.random.choice(PUNCT))
            elif kind < 0.95:
                parts.append(" ")
            else:
                parts.append(str(self.random.randint(0, 999)))
        return "".join(parts)

    def find_record(self, first_field, first_text):
        candidates = [i for i, r in enumerate(self.records) if normal(r[first_field]) == first_text]
        read = {first_field: first_text}
        for field in TELLERS:
            if len(candidates) <= 1:
                break
            if field in read:
                continue
            read[field] = text = self.read_pane(field)
            candidates = [i for i in candidates if normal(self.records[i][field]) == text]
        return candidates, read

    def edit(self, end=None):
        """Types into one or two panes of a row's record, then posts or drops the edit."""
        rows, _ = self.list_state()
        if not rows:
            self.note("edit: the list is empty")
            return
        row = self.random.choice(rows)
        self.click(self.main, self.row_point(row))
        self.sync("a click on row %d" % row)
        fields = self.random.sample([p[0] for p in PANES], self.random.choice([1, 1, 1, 2]))
        text = self.read_pane(fields[0])
        candidates, read = self.find_record(fields[0], text)
        if not candidates:
            again = self.read_pane(fields[0])
            candidates, read = self.find_record(fields[0], again)
            if not candidates:
                self.finding("the %s pane of row %d shows a text no record has: %r" % (
                    fields[0], row, again[:80]))
        if len(candidates) > 1:
            self.note("edit: row %d is one of %d records alike; left alone" % (row, len(candidates)))
            return
        index = candidates[0]
        record = self.records[index]
        changes = {}
        for field in fields:
            old = record[field]
            # Read again: it puts the caret at the end of this pane.
            shown = self.read_pane(field)
            if shown != normal(old):
                self.finding("the %s pane of record %d shows %r, the records say %r" % (
                    field, index, shown[-60:], normal(old)[-60:]))
            new, how = self.type_into(field, old)
            changes[field] = new
            self.note("edit: record %d %s: %s" % (index, field, how))
        # What the panes show now is what was typed.
        for field, new in changes.items():
            shown = self.read_pane(field)
            if shown != normal(new):
                self.finding("after typing, the %s pane shows %r instead of %r" % (
                    field, shown[-60:], normal(new)[-60:]))
        end = end or self.random.choice(["click", "click", "click", "key", "key", "esc", "filter"])
        if len(rows) < 2 and end in ("click", "key"):
            end = "esc"
        if end == "close":
            self.note("edit: left pending for the close")
            self.counts["edits dropped"] += 1
            return
        if end == "click":
            other = self.random.choice([r for r in rows if r != row])
            self.note("edit: post by a click on row %d" % other)
            self.click(self.main, self.row_point(other))
        elif end == "key":
            self.click(self.main, self.row_point(row))
            self.sync("a click on the focused row")
            key = "Down" if row + 1 in rows else "Up"
            self.note("edit: post by %s" % key)
            self.key(key)
        elif end == "esc":
            self.click(self.main, self.row_point(row))
            self.sync("a click on the focused row")
            self.note("edit: drop by Esc in the list")
            self.key("Escape")
        elif end == "filter":
            self.note("edit: drop by a filter change")
            self.act_dropdown(pick="name")
        self.sync("the end of an edit")
        if end in ("click", "key"):
            for field, new in changes.items():
                record[field] = new
                self.posted.append((index, field, new))
            self.posted_since_start += 1
            self.counts["edits posted"] += 1
        else:
            self.counts["edits dropped"] += 1
            # A dropped edit leaves the record as it was; the panes show it again.
            field = self.random.choice(list(changes))
            shown = self.read_pane(field)
            if shown != normal(record[field]):
                self.finding("after dropping the edit (%s) the %s pane shows %r, not %r" % (
                    end, field, shown[-60:], normal(record[field])[-60:]))

    def type_into(self, field, old):
        """Types or pastes at the end of the focused pane (or over its whole text); returns
        the text the field should then hold and what was done."""
        room = self.widths[field] - gbk_len(old)
        how = self.random.choice(["type", "type", "type", "paste", "replace", "copy-paste"])
        if how == "copy-paste" and ("\n" in normal(old) or gbk_len(old) > room or not old):
            how = "type"
        if how == "replace":
            text = self.random_text(self.random.randint(1, 4))
            while text and gbk_len(text) > self.widths[field]:
                text = text[:-1]
            self.key("ctrl+a")
            self.type_text(text)
            return text, "replace with %r" % text
        if how == "copy-paste":
            self.key("ctrl+a", "ctrl+c", "ctrl+End", "ctrl+v")
            return old + old, "copy and paste its own text"
        text = self.random_text(self.random.randint(1, 4))
        if how == "type" and self.random.random() < 0.2:
            text += "\n" + self.random_text(1)
        while text and gbk_len(text.replace("\n", "\r\n")) > room:
            text = text[:-1]
        if not text:
            return old, "nothing (the field is full)"
        if how == "paste":
            text = text.replace("\n", " ")
            self.x.own_clipboard(text)
            self.key("ctrl+v")
            self.sync("a paste")
            return old + text, "paste %r" % text
        self.type_text(text)
        typed = text.replace("\n", "\r\n")
        if self.random.random() < 0.2 and not text.endswith("\n"):
            tail = re.search(r"[^\n]+$", text).group(0)
            back = self.random.randint(1, len(tail))
            self.key(*(["BackSpace"] * back))
            typed = typed[:-back]
            return old + typed, "type %r, BackSpace x%d" % (text, back)
        return old + typed, "type %r" % text

    # --- the run -------------------------------------------------------------------------

    ACTIONS = [("rows", 14), ("keys", 12), ("wheel", 6), ("header", 5), ("dropdown", 8),
               ("filter_box", 5), ("notice", 2), ("edit", 20)]

    def act(self):
        name = self.random.choices([a for a, _ in self.ACTIONS], [w for _, w in self.ACTIONS])[0]
        self.counts["actions"] += 1
        self.session["actions"] += 1
        self.last_action = name
        getattr(self, "act_" + name if name != "edit" else "edit")()
        self.sync(name)
        self.expect_only_main(name)
        self.sample_memory()

    def next_restart(self):
        mean = self.options.restart_every
        return time.monotonic() + self.random.uniform(mean * 0.5, mean * 1.5)

    def run(self):
        print("monkey: seed %d, %d s, %s" % (
            self.seed, self.options.duration,
            "%d generated records" % self.options.records if self.options.records
            else (self.options.data or "the shipped data")), flush=True)
        self.start_x()
        self.stage()
        self.load_model()
        self.launch()
        end = time.monotonic() + self.options.duration
        restart_at = self.next_restart()
        while time.monotonic() < end:
            if time.monotonic() >= restart_at:
                if self.random.random() < 0.3:
                    self.edit(end="close")
                self.close_and_check()
                restart_at = self.next_restart()
                continue
            self.act()
        if self.random.random() < 0.3:
            self.edit(end="close")
        self.close_and_check(relaunch=False)
        self.summary()

    def summary(self):
        print("monkey: seed %d passed: %d actions in %.0f s, %d starts, %d edits posted, "
              "%d dropped, %d custom filter dialogs, %d builders, %d filters saved, %d opened" % (
                  self.seed, self.counts["actions"], time.monotonic() - self.started,
                  self.counts["starts"], self.counts["edits posted"], self.counts["edits dropped"],
                  self.counts["custom dialog"], self.counts["builder"], self.counts["filters saved"],
                  self.counts["filters opened"]))
        for run, first, last, growth, seconds, count, judged in self.rss_reports:
            print("monkey: run %d: resident at most %d KiB early, %d KiB late, %+.1f %% over %.0f s"
                  "%s" % (run, first, last, growth, seconds, "" if judged else " (not judged: short)"))

    def report(self, text):
        shot = self.screenshot("finding")
        print("\nFINDING: %s" % text, file=sys.stderr)
        print("seed: %d  (again: %s --seed %d%s)" % (
            self.seed, os.path.basename(sys.argv[0]), self.seed,
            " --records %d" % self.options.records if self.options.records else
            (" --data " + self.options.data if self.options.data else "")), file=sys.stderr)
        print("screenshot: %s" % shot, file=sys.stderr)
        print("action log (last %d):" % len(self.log_tail), file=sys.stderr)
        for line in self.log_tail:
            print("  " + line, file=sys.stderr)
        output = self.program.output() if hasattr(self, "program") else ""
        if output.strip():
            print("program output (last lines):", file=sys.stderr)
            for line in output.strip().splitlines()[-30:]:
                print("  " + line, file=sys.stderr)
        print("full log: %s" % os.path.join(self.shots, "actions.log"), file=sys.stderr)

    def cleanup(self):
        if hasattr(self, "program"):
            self.program.stop()
        if self.xvfb is not None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
        shutil.rmtree(self.work, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--seed", type=int, default=None, help="the run's seed (default: random)")
    parser.add_argument("--duration", type=float, default=60, help="seconds of random use")
    parser.add_argument("--data", help="the data file to start from (default: the shipped one)")
    parser.add_argument("--records", type=int, default=0,
                        help="start from a generated file of this many records instead")
    parser.add_argument("--timeout", type=float, default=None,
                        help="seconds a window or an answer may take (default 30, 120 with --records)")
    parser.add_argument("--close-timeout", type=float, default=None,
                        help="seconds the close may take (default 30, 300 with --records)")
    parser.add_argument("--restart-every", type=float, default=None,
                        help="mean seconds between restarts (default a third of the run, 15 to 480)")
    parser.add_argument("--warmup-actions", type=int, default=10)
    parser.add_argument("--warmup-seconds", type=float, default=10)
    parser.add_argument("--warmup-rounds", type=int, default=3,
                        help="saves and opens in the builder's file dialogs during the warm-up")
    parser.add_argument("--judge-seconds", type=float, default=30,
                        help="runs of the program shorter than this after the warm-up are not judged")
    parser.add_argument("--sanitize", action="store_true",
                        help="the program is a sanitizer build: memory growth is reported, not judged")
    parser.add_argument("--bin-dir", default=os.environ.get("TERVANA_BIN_DIR"))
    parser.add_argument("--artefacts", default=None, help="folder for the log and screenshots")
    parser.add_argument("--artefacts-root", default=None,
                        help="or a folder in which each run gets monkey-SEED")
    parser.add_argument("--verbose", action="store_true", help="print every action")
    options = parser.parse_args()
    if options.seed is None:
        options.seed = random.SystemRandom().randrange(1, 2 ** 31)
    if not options.bin_dir:
        options.bin_dir = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "build", "bin")
    options.bin_dir = os.path.abspath(options.bin_dir)
    if options.data:
        options.data = os.path.abspath(options.data)
    big = options.records > 5000
    slow = 3 if options.sanitize else 1
    options.timeout = options.timeout or (120 if big else 30) * slow
    options.close_timeout = options.close_timeout or (300 if big else 30) * slow
    if options.restart_every is None:
        options.restart_every = min(480.0, max(15.0, options.duration / 3))
    if options.artefacts is None:
        base = options.artefacts_root or os.environ.get("TERVANA_E2E_ARTEFACTS") or \
            os.path.join(options.bin_dir, "..", "monkey")
        options.artefacts = os.path.join(base, "monkey-%d" % options.seed)
    monkey = Monkey(options)
    try:
        monkey.run()
        return 0
    except Skipped as skipped:
        print("SKIP [monkey]: %s" % skipped)
        return SKIP
    except Finding as finding:
        monkey.report(str(finding))
        return 1
    except KeyboardInterrupt:
        monkey.report("interrupted")
        return 1
    finally:
        monkey.cleanup()


if __name__ == "__main__":
    sys.exit(main())
