#!/usr/bin/env python3
"""The demo site and the pictures: what the program fetches and shows must be
there, at the right size, in the right encoding, and every link must lead
somewhere."""

import hashlib
import html.parser
import pathlib
import re
import shutil
import subprocess
import sys
import unicodedata
import unittest
import urllib.parse

sys.path.insert(0, str(pathlib.Path(__file__).parent))
from imageinfo import jpeg_size, png_info  # noqa: E402

REPO = pathlib.Path(__file__).resolve().parents[2]
SITE = REPO / "site"
ROOT = "http://127.0.0.1:8372/"  # the build's default site root
SLOTS = range(20)


class LinkCollector(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.targets = []
        self.charset = None

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "meta" and "charset" in attrs:
            self.charset = attrs["charset"]
        for name in ("href", "src"):
            if name in attrs:
                self.targets.append(attrs[name])


def parse_page(path):
    collector = LinkCollector()
    collector.feed(path.read_bytes().decode("cp932"))
    return collector


def pixel(path, x, y):
    """(r, g, b, a) in 0..255 at x, y, read through ImageMagick."""
    out = subprocess.run(["convert", str(path), "-format", f"%[fx:int(255*p{{{x},{y}}}.r)],"
                          f"%[fx:int(255*p{{{x},{y}}}.g)],%[fx:int(255*p{{{x},{y}}}.b)],"
                          f"%[fx:int(255*p{{{x},{y}}}.a)]", "info:"],
                         check=True, capture_output=True, text=True).stdout
    return tuple(int(v) for v in out.split(","))


class SiteTest(unittest.TestCase):
    def test_fixed_addresses_are_served(self):
        for rel in ["soft/tavren/tavren.htm", "soft/tavren/list.htm", "soft/soft.htm",
                    "cm/kelm/kelmmsg.txt"] + [f"cm/tavren/{s}.jpg" for s in SLOTS] + \
                   [f"cm/tavren/cm{s}.txt" for s in SLOTS]:
            with self.subTest(rel=rel):
                self.assertTrue((SITE / rel).is_file())
                self.assertGreater((SITE / rel).stat().st_size, 0)

    def test_banners_are_jpegs_that_fill_the_banner_area(self):
        for slot in SLOTS:
            with self.subTest(slot=slot):
                self.assertEqual(jpeg_size((SITE / f"cm/tavren/{slot}.jpg").read_bytes()), (273, 81))

    def test_every_banner_is_different(self):
        digests = {hashlib.sha256((SITE / f"cm/tavren/{s}.jpg").read_bytes()).hexdigest() for s in SLOTS}
        self.assertEqual(len(digests), len(SLOTS))

    def test_link_file_is_one_address_of_a_page_showing_its_banner(self):
        for slot in SLOTS:
            with self.subTest(slot=slot):
                body = (SITE / f"cm/tavren/cm{slot}.txt").read_bytes()
                self.assertRegex(body, rb"^[\x21-\x7e]+$", "one address, no blanks or line breaks")
                address = body.decode("ascii")
                self.assertTrue(address.startswith(ROOT), address)
                page = SITE / address[len(ROOT):]
                self.assertTrue(page.is_file(), address)
                targets = parse_page(page).targets
                images = [urllib.parse.urljoin(address, t) for t in targets if t.endswith(".jpg")]
                self.assertIn(f"{ROOT}cm/tavren/{slot}.jpg", images)

    def test_pages_declare_shift_jis_and_are_cp932(self):
        pages = sorted(SITE.rglob("*.htm")) + sorted(SITE.glob("*.html"))
        self.assertGreaterEqual(len(pages), 23)
        for page in pages:
            with self.subTest(page=str(page.relative_to(SITE))):
                self.assertEqual(parse_page(page).charset, "Shift_JIS")  # decodes strictly too

    def test_relative_links_lead_to_files_of_the_site(self):
        for page in sorted(SITE.rglob("*.htm")):
            for target in parse_page(page).targets:
                parts = urllib.parse.urlsplit(target)
                if parts.scheme or target.startswith("#"):
                    continue
                with self.subTest(page=str(page.relative_to(SITE)), target=target):
                    resolved = (page.parent / urllib.parse.unquote(parts.path)).resolve()
                    self.assertTrue(resolved.is_file(), resolved)

    def test_guide_list_offers_every_sample_guide(self):
        samples = sorted(p.name for p in (REPO / "examples").glob("*")
                         if p.suffix.lower() in (".lst", ".csv"))
        self.assertTrue(samples, "examples/ holds no sample guide")
        offered = {pathlib.PurePosixPath(t).name for t in parse_page(SITE / "soft/tavren/list.htm").targets
                   if t.startswith("../../guides/")}
        for name in samples:
            with self.subTest(guide=name):
                self.assertIn(name, offered)

    def test_notice_text_is_cp932_lines_ending_in_cr_lf(self):
        body = (SITE / "cm/kelm/kelmmsg.txt").read_bytes()
        body.decode("cp932")
        self.assertIsNone(re.search(rb"\r(?!\n)|(?<!\r)\n", body), "a lone CR or LF")
        self.assertGreaterEqual(body.count(b"\r\n"), 3)

    def test_notice_text_fits_the_memo_without_scrolling(self):
        # 265 x 281 pixels of 15-pixel Mincho: 16 lines of 16 full-width characters
        lines = (SITE / "cm/kelm/kelmmsg.txt").read_bytes().decode("cp932").split("\r\n")
        if lines[-1] == "":
            lines.pop()
        self.assertLessEqual(len(lines), 16)
        for number, line in enumerate(lines, 1):
            with self.subTest(line=number):
                halves = sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in line)
                self.assertLessEqual(halves, 32, line)


class PictureTest(unittest.TestCase):
    def test_notice_picture(self):
        data = (REPO / "data/images/notice.jpg").read_bytes()
        self.assertEqual(jpeg_size(data), (339, 221))

    @unittest.skipUnless(shutil.which("convert"), "ImageMagick is not installed")
    def test_notice_picture_is_painted_top_left_and_white_elsewhere(self):
        path = REPO / "data/images/notice.jpg"
        # (x, y, white?): the painting covers 185 x 129, the rest is white
        for x, y, white in [(5, 5, False), (180, 60, False), (90, 125, False), (184, 128, False),
                            (190, 5, True), (338, 0, True), (5, 135, True), (200, 140, True),
                            (338, 220, True)]:
            with self.subTest(x=x, y=y):
                r, g, b, _ = pixel(path, x, y)
                self.assertEqual(min(r, g, b) >= 245, white, (r, g, b))

    def test_icons_have_their_size_and_transparency(self):
        rows = [(f"data/icons/hicolor/{s}x{s}/tavren.png", s) for s in (16, 22, 24, 32, 48, 64, 128, 256)]
        rows.append(("data/icons/tavren-32.png", 32))
        for rel, size in rows:
            with self.subTest(icon=rel):
                info = png_info((REPO / rel).read_bytes())
                self.assertEqual((info["width"], info["height"]), (size, size))
                self.assertTrue(info["has_alpha"])

    def test_window_icon_has_sixteen_colours_at_most(self):
        info = png_info((REPO / "data/icons/tavren-32.png").read_bytes())
        self.assertEqual(info["colour_type"], 3)
        self.assertLessEqual(info["palette_size"], 16)

    @unittest.skipUnless(shutil.which("convert"), "ImageMagick is not installed")
    def test_icons_are_yellow_in_the_middle_and_clear_at_the_corners(self):
        for rel in ["data/icons/tavren-32.png", "data/icons/hicolor/16x16/tavren.png",
                    "data/icons/hicolor/256x256/tavren.png"]:
            path = REPO / rel
            size = png_info(path.read_bytes())["width"]
            with self.subTest(icon=rel):
                for x, y in [(0, 0), (size - 1, 0), (0, size - 1), (size - 1, size - 1)]:
                    self.assertEqual(pixel(path, x, y)[3], 0)
                r, g, b, a = pixel(path, size // 2, size * 3 // 4)
                self.assertEqual(a, 255)
                self.assertTrue(r > 200 and g > 150 and b < 100, (r, g, b))


if __name__ == "__main__":
    unittest.main()
