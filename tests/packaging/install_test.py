#!/usr/bin/env python3
"""The install rules and the Debian package of packaging/: a small project that
includes only that folder is configured, installed into a staging folder and
packed, so the test needs no built program."""

import os
import pathlib
import shutil
import subprocess
import tempfile
import unittest
from xml.etree import ElementTree

REPO = pathlib.Path(__file__).resolve().parents[2]
SIZES = (16, 22, 24, 32, 48, 64, 128, 256)

EXPECTED = sorted(
    [f"usr/share/icons/hicolor/{s}x{s}/apps/tavren.png" for s in SIZES]
    + ["usr/share/icons/hicolor/scalable/apps/tavren.svg",
       "usr/share/applications/tavren.desktop",
       "usr/share/metainfo/io.github.tavren.Tavren.metainfo.xml",
       "usr/share/mime/packages/tavren.xml",
       "usr/share/tavren/fonts/tavren-fonts.conf",
       "usr/share/man/man1/tavren.1",
       "usr/share/man/man1/tavren-guide.1"])


def run(*args, cwd=None):
    return subprocess.run(list(args), cwd=cwd, check=True, capture_output=True, text=True)


class InstallTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        top = pathlib.Path(cls.tmp.name)
        (top / "src").mkdir()
        (top / "src/CMakeLists.txt").write_text(
            "cmake_minimum_required(VERSION 3.25)\n"
            "project(tavren VERSION 1.05 LANGUAGES NONE)\n"
            "include(GNUInstallDirs)\n"
            f'add_subdirectory("{REPO / "packaging"}" packaging)\n')
        cls.build = top / "build"
        cls.stage = top / "stage"
        generator = ["-G", "Ninja"] if shutil.which("ninja") else []
        run("cmake", "-S", str(top / "src"), "-B", str(cls.build), *generator, "-DCMAKE_INSTALL_PREFIX=/usr")
        subprocess.run(["cmake", "--install", str(cls.build)], check=True, capture_output=True,
                       env={**os.environ, "DESTDIR": str(cls.stage)})

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def installed(self):
        return sorted(str(p.relative_to(self.stage)) for p in self.stage.rglob("*") if p.is_file())

    def test_installs_exactly_the_data_files(self):
        self.assertEqual(self.installed(), EXPECTED)

    def test_installed_files_are_the_repository_files(self):
        for rel, source in [("usr/share/icons/hicolor/48x48/apps/tavren.png", "data/icons/hicolor/48x48/tavren.png"),
                            ("usr/share/icons/hicolor/scalable/apps/tavren.svg", "data/icons/tavren.svg"),
                            ("usr/share/tavren/fonts/tavren-fonts.conf", "data/fonts/tavren-fonts.conf"),
                            ("usr/share/applications/tavren.desktop", "data/desktop/tavren.desktop"),
                            ("usr/share/mime/packages/tavren.xml", "data/mime/tavren.xml")]:
            with self.subTest(rel=rel):
                self.assertEqual((self.stage / rel).read_bytes(), (REPO / source).read_bytes())

    def test_desktop_entry_names_the_program_and_its_icon(self):
        entry = dict(line.split("=", 1) for line in
                     (self.stage / "usr/share/applications/tavren.desktop").read_text("utf-8").splitlines()
                     if "=" in line)
        for key, value in [("Exec", "tavren %f"), ("MimeType", "application/x-tavren-guide;"),
                           ("Icon", "tavren"), ("Name", "Tavren"),
                           ("Name[ja]", "ガイド式ブラウザ Tavren"), ("Terminal", "false"),
                           ("Categories", "Network;WebBrowser;")]:
            with self.subTest(key=key):
                self.assertEqual(entry.get(key), value)

    @unittest.skipUnless(shutil.which("desktop-file-validate"), "desktop-file-utils is not installed")
    def test_desktop_entry_validates(self):
        result = subprocess.run(["desktop-file-validate", str(self.stage / "usr/share/applications/tavren.desktop")],
                                capture_output=True, text=True)
        self.assertEqual((result.returncode, result.stdout.strip()), (0, ""))

    @unittest.skipUnless(shutil.which("appstreamcli"), "appstream is not installed")
    def test_metainfo_validates(self):
        result = subprocess.run(["appstreamcli", "validate", "--no-net",
                                 str(self.stage / "usr/share/metainfo/io.github.tavren.Tavren.metainfo.xml")],
                                capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_metainfo_provides_the_guide_type(self):
        tree = ElementTree.parse(self.stage / "usr/share/metainfo/io.github.tavren.Tavren.metainfo.xml")
        self.assertEqual([m.text for m in tree.iterfind("provides/mediatype")], ["application/x-tavren-guide"])

    @unittest.skipUnless(shutil.which("update-mime-database") and shutil.which("xdg-mime") and shutil.which("gio"),
                         "shared-mime-info, xdg-utils or gio is missing")
    def test_guide_files_get_the_guide_type_and_csv_stays_csv(self):
        # A prefix of its own, so the generated database stays out of the stage.
        files = pathlib.Path(self.tmp.name) / "mime-check"
        share = files / "share"
        (share / "mime/packages").mkdir(parents=True)
        shutil.copy(self.stage / "usr/share/mime/packages/tavren.xml", share / "mime/packages")
        run("update-mime-database", str(share / "mime"))
        # The desktop's own database stays in the search path: the type must
        # win over it for *.lst and leave *.csv alone.
        env = {**os.environ, "XDG_CURRENT_DESKTOP": "GNOME", "XDG_DATA_HOME": str(files / "home"),
               "XDG_DATA_DIRS": f"{share}:/usr/share"}
        for name, expected in [("onsen.lst", "application/x-tavren-guide"),
                               ("ONSEN.LST", "application/x-tavren-guide"),
                               ("onsen.csv", "text/csv")]:
            with self.subTest(name=name):
                (files / name).write_bytes("/,温泉,さくら,http://example.jp/\r\n".encode("cp932"))
                result = subprocess.run(["xdg-mime", "query", "filetype", str(files / name)],
                                        env=env, capture_output=True, text=True)
                self.assertEqual(result.stdout.strip(), expected, result.stderr)

    @unittest.skipUnless(shutil.which("cpack") and shutil.which("dpkg-deb"), "cpack or dpkg-deb missing")
    def test_debian_package_depends_on_qt_jpeg_and_the_fonts(self):
        run("cpack", "-G", "DEB", cwd=self.build)
        debs = sorted(self.build.glob("tavren_1.05_*.deb"))
        self.assertEqual(len(debs), 1)
        field = lambda name: run("dpkg-deb", "-f", str(debs[0]), name).stdout.strip()  # noqa: E731
        self.assertEqual(field("Package"), "tavren")
        self.assertEqual(field("Version"), "1.05")
        self.assertEqual(field("Maintainer"), "肉球工房 <tavren@example.org>")
        depends = {d.strip().split(" ")[0] for d in field("Depends").split(",")}
        for package in ["libqt6webenginewidgets6", "libqt6widgets6", "libjpeg62-turbo",
                        "fonts-ipafont-gothic", "fonts-ipafont-mincho", "fonts-motoya-l-maruberi"]:
            with self.subTest(depends=package):
                self.assertIn(package, depends)
        contents = run("dpkg-deb", "-c", str(debs[0])).stdout
        for rel in EXPECTED:
            with self.subTest(packed=rel):
                self.assertIn(f"./{rel}\n", contents)


if __name__ == "__main__":
    unittest.main()
