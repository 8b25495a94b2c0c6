#!/usr/bin/env python3
"""Writes the demo copy of the maker's web site into site/.

The site is what Tavren talks to when it runs against 127.0.0.1:8372: the home
page, the guide list and the software page that the buttons open, twenty
rotating banners with their link files and one small page per banner, and the
start-up notice text. Pages are Shift_JIS (written as CP932, as the maker's
Windows tools would have saved them) and say so in a <meta charset>.

The output is committed, so a build or a run never needs this script or
ImageMagick; run it again after changing the texts below:

    scripts/make-assets/site.py [--root http://127.0.0.1:8372/]
"""

import argparse
import html
import os
import pathlib
import subprocess
import sys
import tempfile

REPO = pathlib.Path(__file__).resolve().parents[2]
SITE = REPO / "site"
FONT_GOTHIC = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf"
FONT_ROUND = "/usr/share/fonts/truetype/motoya-l-maruberi/MTLmr3m.ttf"
MAKER = "肉球工房"
COPYRIGHT = "(C) 2026 肉球工房"

# One row per banner slot: headline, second line, two colours for the
# background gradient, headline colour, and the text of the page it links to.
BANNERS = [
    ("温泉ガイド 公開中！", "全国の名湯をまとめました", "#b03a2e", "#f5b041", "#ffffff",
     "温泉ガイドを公開しました。北は北海道から南は九州まで、日帰りで入れる名湯を地方別に集めています。ガイド集ページからダウンロードして「読込」ボタンで開いてください。"),
    ("ラーメンガイド 新登場", "醤油・味噌・豚骨の食べ歩きに", "#7b241c", "#e67e22", "#fff3c4",
     "ラーメンガイドが仲間入りしました。味噌、醤油、豚骨と味ごとに分けてあります。CSV 形式のガイドファイルなので表計算ソフトでも編集できます。"),
    ("Tavren の使い方", "「読込」でガイドを開こう", "#1f618d", "#5dade2", "#ffffff",
     "「読込」ボタンでガイドファイルを開き、左の大分類、となりの中分類を順にクリックすると、ページの一覧が出ます。見たいページ名をクリックすると下に表示されます。"),
    ("ガイド作者 募集中", "お気に入りのページを一覧に", "#196f3d", "#58d68d", "#ffffff",
     "あなたのお気に入りのページを集めたガイドファイルを作ってみませんか。できあがったガイドは肉球工房のガイド集ページで紹介させていただきます。"),
    ("戻る・進むボタン", "前のページへすぐ戻れます", "#4a235a", "#a569bd", "#ffffff",
     "「戻る」ボタンで一つ前のページへ、「進む」ボタンで次のページへ移ります。それ以上戻れないときは、その旨をお知らせします。"),
    ("ガイドファイルの作り方", "テキストエディタだけで作れます", "#0e6655", "#48c9b0", "#ffffff",
     "ガイドファイルはカンマで区切った一行一件のテキストです。先頭の行に題名と作者名と作者のページを書き、続けて大分類、中分類、ページを書いていきます。"),
    ("肉球工房のソフト", "ほかの作品もどうぞ", "#6e2c00", "#dc7633", "#fff8e1",
     "肉球工房ではガイド式ブラウザ Tavren のほかにも小さなソフトを作っています。作者ボタンからソフトのページをご覧ください。"),
    ("秋の紅葉特集", "見ごろの名所をチェック", "#922b21", "#f39c12", "#fffde7",
     "紅葉の見ごろは山から里へと下りてきます。ガイドファイルに名所のページをまとめておけば、週末の計画もすぐに立てられます。"),
    ("冬の温泉めぐり", "雪見風呂のある宿", "#1b2631", "#85929e", "#ffffff",
     "雪を眺めながらの露天風呂は冬ならではの楽しみです。温泉ガイドの「北海道・東北」「中部」の分類をのぞいてみてください。"),
    ("春の桜だより", "お花見スポット案内", "#a93263", "#f5b7b1", "#ffffff",
     "桜の便りは南から届きます。お花見の名所を集めたガイドを作って、みんなで楽しみましょう。"),
    ("夏の花火大会", "各地の日程まとめ", "#0b1a40", "#2e4053", "#ffd54f",
     "夏の夜空をいろどる花火大会。各地の日程や見物の場所を調べるときにも、ガイドファイルが役に立ちます。"),
    ("お知らせ窓について", "起動時に最新情報をお届け", "#7d6608", "#f4d03f", "#3b2f00",
     "Tavren を起動すると、最初にお知らせ窓が開いて肉球工房からの最新のお知らせを表示します。メイン画面はそのあとで現れます。"),
    ("大分類と中分類", "２回のクリックで絞り込み", "#154360", "#2980b9", "#ffffff",
     "大分類をクリックすると、その中の中分類とページが並びます。続けて中分類をクリックすると、ページがさらに絞り込まれます。"),
    ("ガイド集ページ", "公開中のガイドはこちら", "#145a32", "#27ae60", "#ffffff",
     "公開中のガイドファイルは「ガイド集」ボタンで開くページからダウンロードできます。保存したファイルを「読込」ボタンで開いてください。"),
    ("ご意見・ご感想", "お待ちしています", "#5b2c6f", "#d2b4de", "#ffffff",
     "Tavren についてのご意見、ご感想、不具合のご報告をお待ちしています。いただいたお便りは今後の改良に役立てます。"),
    ("ご当地グルメ", "旅先の味をさがそう", "#784212", "#f0b27a", "#ffffff",
     "旅の楽しみはその土地の味。ご当地グルメのページを集めたガイドがあれば、旅先でも迷わずに済みます。"),
    ("鉄道の旅", "ローカル線で行く小さな旅", "#1a5276", "#a9cce3", "#ffffff",
     "のんびりローカル線に揺られる旅はいかがですか。沿線の見どころをまとめたガイドファイルもお待ちしています。"),
    ("図書館・博物館", "雨の日のおでかけに", "#4d5656", "#aab7b8", "#ffffff",
     "雨の日は図書館や博物館へ。各館のページを集めておけば、開館時間や催し物もすぐに確かめられます。"),
    ("バナーは３分ごと", "20種類が順番に登場します", "#641e16", "#cb4335", "#ffffff",
     "このバナーは時刻の「分」を３で割った番号のものが表示されます。１時間に20種類が順番に現れ、90秒ごとに新しいものを取りに行きます。"),
    ("Tavren v1.05", "いつもご利用ありがとうございます", "#7e5109", "#f8c471", "#ffffff",
     "ガイド式ブラウザ Tavren をご利用いただき、ありがとうございます。これからも肉球工房をよろしくお願いいたします。"),
]

# The start-up notice, shared with the maker's sibling product Kelm. The memo
# that shows it is 265 x 281 pixels with 15-pixel Mincho and no scroll bars:
# at most 16 lines of at most 16 full-width characters.
NOTICE = [
    "肉球工房からのお知らせ",
    "",
    "Tavren をご利用いただき",
    "ありがとうございます。",
    "",
    "■新しいガイド",
    "　温泉ガイドとラーメンガイドを",
    "　公開しました。「ガイド集」",
    "　ボタンのページからどうぞ。",
    "",
    "■バナー",
    "　右上のバナーは３分ごとに",
    "　変わります。クリックすると",
    "　お知らせのページを開きます。",
    "",
    COPYRIGHT,
]

# The sample guides offered for download: file, title, description.
GUIDES = [
    ("onsen.lst", "温泉ガイド", "北海道から九州まで、名湯・秘湯、日帰り入浴、宿を地方別に集めました。"),
    ("ramen.csv", "ラーメンガイド", "札幌・旭川、東京、博多・久留米の名店を味ごとに。作り方と道具のページも。"),
]

STYLE = """body { background: #fffdf5; color: #333; font-family: "ＭＳ Ｐゴシック", "IPAPGothic", sans-serif; margin: 0; }
#head { background: #008000; color: #fff8dc; padding: 12px 20px; }
#head h1 { margin: 0; font-size: 24px; }
#head p { margin: 4px 0 0; font-size: 13px; }
#body { padding: 8px 20px; font-size: 14px; line-height: 1.6; }
h2 { border-left: 6px solid #f5c400; padding-left: 8px; font-size: 17px; }
table { border-collapse: collapse; }
td, th { border: 1px solid #c8c0a0; padding: 4px 10px; text-align: left; }
th { background: #f6f0d8; }
code { font-family: inherit; background: #f0ead0; padding: 0 4px; }
#foot { border-top: 1px solid #c8c0a0; margin: 16px 20px 0; padding: 8px 0; font-size: 12px; color: #666; }"""


def page(title, subtitle, body, home):
    """A complete Shift_JIS page; `home` is the relative path back to the top."""
    return f"""<!DOCTYPE html>
<html lang="ja">
<head>
<meta charset="Shift_JIS">
<title>{html.escape(title)}</title>
<style>
{STYLE}
</style>
</head>
<body>
<div id="head"><h1>{html.escape(title)}</h1><p>{html.escape(subtitle)}</p></div>
<div id="body">
{body}
</div>
<div id="foot"><a href="{home}soft/tavren/tavren.htm">Tavren のページ</a> ｜ <a href="{home}soft/tavren/list.htm">ガイド集</a> ｜ <a href="{home}soft/soft.htm">{MAKER}のソフト</a><br>{html.escape(COPYRIGHT)}</div>
</body>
</html>
"""


def home_page():
    body = """<p>ようこそ。ガイド式ブラウザ <b>Tavren</b> のページです。Tavren は、ガイドさんが選んだおすすめのページを分類ごとにたどっていける小さなブラウザです。</p>
<h2>使い方</h2>
<ol>
<li>「読込」ボタンを押して、ガイドファイル（*.lst または *.csv）を開きます。</li>
<li>左上の一覧から<b>大分類</b>をクリックします。</li>
<li>となりの一覧から<b>中分類</b>をクリックします。</li>
<li>右の一覧に並んだページ名をクリックすると、この下にページが表示されます。一覧の下にはページのひとことが出ます。</li>
</ol>
<h2>ボタン</h2>
<table>
<tr><th>ボタン</th><th>はたらき</th></tr>
<tr><td>ガイド名</td><td>ガイドファイルを作ったガイドさんのページを表示します</td></tr>
<tr><td>作者</td><td>肉球工房のソフトのページを表示します</td></tr>
<tr><td>ガイド集</td><td>公開中のガイドファイルの一覧を表示します</td></tr>
<tr><td>読込</td><td>ガイドファイルを読み込みます</td></tr>
<tr><td>戻る・進む</td><td>表示したページの履歴をたどります</td></tr>
<tr><td>終了</td><td>Tavren を終了します</td></tr>
</table>
<p>右上のバナーは３分ごとに変わり、90秒ごとに新しいものを取りに行きます。バナーをクリックすると、そのお知らせのページを開きます。</p>
<h2>リンク</h2>
<ul>
<li><a href="list.htm">ガイド集 ― 公開中のガイドファイル</a></li>
<li><a href="../soft.htm">肉球工房のソフト</a></li>
<li><a href="news/n2.htm">はじめての方へ</a></li>
</ul>"""
    return page("ガイド式ブラウザ Tavren", "ようこそ Tavren のページへ", body, "../../")


def list_page():
    rows = "\n".join(
        f'<tr><td><a href="../../guides/{f}">{html.escape(t)}</a></td><td>{f}</td><td>{html.escape(d)}</td></tr>'
        for f, t, d in GUIDES)
    body = f"""<p>公開中のガイドファイルです。ファイル名をクリックして保存し、Tavren の「読込」ボタンで開いてください。</p>
<table>
<tr><th>ガイド</th><th>ファイル</th><th>内容</th></tr>
{rows}
</table>
<h2>ガイドファイルを作るには</h2>
<p>ガイドファイルは一行に一件、カンマで区切ったテキスト（Shift_JIS）です。先頭の行は <code>/,題名,作者名,作者のページ</code>、
大分類は <code>*,,名前</code>、中分類は <code>+,,名前</code> と書きます。大分類と中分類には、それぞれファイルに出てくる順に 0 から番号が付きます。
ページは <code>大分類の番号,中分類の番号,ページ名,アドレス,ひとこと</code> と書きます。</p>
<p>できあがったガイドは肉球工房までお知らせください。このページでご紹介します。</p>"""
    return page("ガイド集", "Tavren で読めるガイドファイル", body, "../../")


def soft_page():
    body = """<h2>ガイド式ブラウザ Tavren</h2>
<p>ガイドさんが選んだページを分類ごとにたどれるブラウザです。<a href="tavren/tavren.htm">Tavren のページ</a>　<a href="tavren/list.htm">ガイド集</a></p>
<table>
<tr><th>版</th><td>1.05</td></tr>
<tr><th>動作環境</th><td>日本語のデスクトップ環境</td></tr>
<tr><th>料金</th><td>無料</td></tr>
</table>
<h2>お知らせ表示ソフト Kelm</h2>
<p>肉球工房からのお知らせを表示する小さなソフトです。Tavren の起動時のお知らせと同じ文面をお届けします。</p>
<h2>ご連絡先</h2>
<p>ご意見・ご感想は tavren@example.org までお寄せください。</p>"""
    return page(f"{MAKER}のソフト", "小さくて便利な道具をつくっています", body, "../")


def news_page(slot):
    headline, second, _, _, _, text = BANNERS[slot]
    body = f"""<p>{html.escape(text)}</p>
<p><img src="../../../cm/tavren/{slot}.jpg" width="273" height="81" alt="{html.escape(headline)}"></p>"""
    return page(headline, second, body, "../../../")


def write_cp932(path, text, newline="\n"):
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(text.replace("\n", newline).encode("cp932"))


def is_dark(colour):
    r, g, b = (int(colour[i:i + 2], 16) for i in (1, 3, 5))
    return 0.299 * r + 0.587 * g + 0.114 * b < 110


def draw_banner(slot, out):
    headline, second, top, bottom, ink, _ = BANNERS[slot]
    second_ink = "#ffffff" if is_dark(bottom) else "#202020"
    subprocess.run([
        "convert", "-size", "273x81", f"gradient:{top}-{bottom}",
        # a lighter band behind the second line keeps it readable on any colour
        "-fill", "#ffffff40", "-draw", "rectangle 0,52 273,74",
        "-font", FONT_ROUND, "-pointsize", "23", "-gravity", "northwest",
        "-fill", "#00000080", "-annotate", "+11+11", headline,
        "-fill", ink, "-annotate", "+10+10", headline,
        "-font", FONT_GOTHIC, "-pointsize", "13",
        "-fill", second_ink, "-annotate", "+12+55", second,
        "-gravity", "southeast", "-pointsize", "10", "-fill", "#ffffffc0",
        "-annotate", "+4+1", f"Tavren  No.{slot}",
        "-shave", "1x1", "-bordercolor", "#3a2a10", "-border", "1",
        "-strip", "-quality", "90", str(out)], check=True)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--root", default="http://127.0.0.1:8372/",
                    help="site root the banner link files point into (ends in /)")
    ap.add_argument("--no-banners", action="store_true", help="skip the pictures")
    args = ap.parse_args()
    if not args.root.startswith("http://") or not args.root.endswith("/"):
        sys.exit("--root must be an http:// address ending in /")

    write_cp932(SITE / "soft/tavren/tavren.htm", home_page())
    write_cp932(SITE / "soft/tavren/list.htm", list_page())
    write_cp932(SITE / "soft/soft.htm", soft_page())
    (SITE / "cm/tavren").mkdir(parents=True, exist_ok=True)
    for slot in range(len(BANNERS)):
        write_cp932(SITE / f"soft/tavren/news/n{slot}.htm", news_page(slot))
        # One address and no line break after it: the program keeps the body
        # unchanged, and a bare address is what a browser accepts as is.
        link = f"{args.root}soft/tavren/news/n{slot}.htm"
        (SITE / f"cm/tavren/cm{slot}.txt").write_bytes(link.encode("ascii"))
    write_cp932(SITE / "cm/kelm/kelmmsg.txt", "\n".join(NOTICE) + "\n", newline="\r\n")
    write_cp932(SITE / "index.html",
                '<!DOCTYPE html>\n<html lang="ja"><head><meta charset="Shift_JIS">'
                '<meta http-equiv="refresh" content="0; url=soft/tavren/tavren.htm">'
                '<title>Tavren</title></head><body><a href="soft/tavren/tavren.htm">Tavren</a></body></html>\n')

    if not args.no_banners:
        for slot in range(len(BANNERS)):
            draw_banner(slot, SITE / f"cm/tavren/{slot}.jpg")

    # The paw print as the site's icon, which browsers ask for unbidden.
    icons = REPO / "data/icons/hicolor"
    subprocess.run(["convert", str(icons / "16x16/tavren.png"), str(icons / "32x32/tavren.png"),
                    str(SITE / "favicon.ico")], check=True)

    # The sample guides live in examples/; the site serves them through a link.
    guides = SITE / "guides"
    if not guides.is_symlink():
        guides.symlink_to(os.path.join("..", "examples"))


if __name__ == "__main__":
    main()
