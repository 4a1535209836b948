#!/usr/bin/env python3
"""Writes the sample caches under examples/: one per naming family of the
browser's cache files, each a cache log CCHMGR20.DAT and about a dozen cache
files with meaningless names. Run from the project root; needs ImageMagick's
convert for the images. The output is committed; rerun only to change it."""
import os
import subprocess

ROOT = "examples"


def page(title, body, charset="Shift_JIS", encoding="cp932"):
    html = (
        "<HTML>\r\n<HEAD>\r\n"
        f'<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset={charset}">\r\n'
        f"<TITLE>{title}</TITLE>\r\n</HEAD>\r\n<BODY>\r\n{body}\r\n</BODY>\r\n</HTML>\r\n"
    )
    return html.encode(encoding)


def image(kind, colour, size="16x16"):
    out = subprocess.run(
        ["convert", "-size", size, f"xc:{colour}", "-quality", "80", f"{kind}:-"],
        check=True, capture_output=True)
    return out.stdout


def midi():
    # One track, one note.
    track = bytes([0x00, 0x90, 0x3C, 0x40, 0x60, 0x80, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00])
    return (b"MThd" + (6).to_bytes(4, "big") + bytes([0, 0, 0, 1, 0, 0x60])
            + b"MTrk" + len(track).to_bytes(4, "big") + track)


def write_cache(folder, header, entries, unlisted):
    path = os.path.join(ROOT, folder)
    os.makedirs(path, exist_ok=True)
    lines = [header] if header else []
    for url, logname, filename, content in entries:
        lines.append(f"{url},{logname}")
        with open(os.path.join(path, filename), "wb") as f:
            f.write(content)
    # A later line naming a file already listed: the first line wins.
    lines.append(f"http://stale.example.jp/old.html,{entries[0][1]}")
    with open(os.path.join(path, "CCHMGR20.DAT"), "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("ascii"))
    for filename, content in unlisted:
        with open(os.path.join(path, filename), "wb") as f:
            f.write(content)


def family(prefix_name):
    top = page("サンプルのホームページ",
               '<H1>ようこそ</H1>\r\n<A HREF="news/index.html">お知らせ</A>\r\n'
               '<IMG SRC="http://www.example.co.jp/img/logo.gif">\r\n'
               '<A HREF="http://www.example.ne.jp/~user/diary.htm">日記</A>')
    news = page("お知らせ", '<A HREF="../">戻る</A>\r\n<A HREF="2000/0401.html">四月一日</A>\r\n'
                '<IMG SRC="../img/photo.jpg">')
    diary = page("日記", "<P>今日は晴れ。</P>\r\n" '<A HREF="/~user/">目次</A>')
    search = page("検索結果", "<P>日本 の検索結果 2 ページ目</P>")
    euc = page("EUC-JPのページ", "<P>これはEUC-JPで書かれたページです。</P>",
               charset="EUC-JP", encoding="euc_jp")
    port = page("ポート番号つき", "<P>8080番で動くサーバ</P>")
    april = page("四月一日", "<P>新しいサイトを公開しました。</P>")
    unix = page("改行がLFのページ", "<P>UNIXで作られたページ</P>").replace(b"\r\n", b"\n")
    entries = [
        ("http://www.example.co.jp/", "index", top),
        ("http://www.example.co.jp/news/index.html", "news", news),
        ("http://www.example.co.jp/img/logo.gif", "logo", image("gif", "red")),
        ("http://www.example.co.jp/img/photo.jpg", "photo", image("jpeg", "skyblue", "32x24")),
        ("http://search.example.jp/cgi-bin/search.cgi?q=%93%FA%96%7B&page=2", "search", search),
        ("http://www.example.ne.jp/~user/diary.htm", "diary", diary),
        ("http://midi.example.jp/music/song.mid", "midi", midi()),
        ("http://euc.example.jp/index.html", "euc", euc),
        ("http://www.example.co.jp:8080/port/page.html", "port", port),
        ("http://www.example.co.jp/img/banner.gif", "banner", image("gif", "navy", "88x31")),
        ("http://www.example.co.jp/news/2000/0401.html", "april", april),
        ("http://unix.example.jp/lf.html", "unix", unix),
    ]
    return entries


def main():
    base = family("")
    kinds = {
        "index": ("html", "HTM"), "news": ("html", "HTM"), "logo": ("gif", "GIF"),
        "photo": ("jpeg", "JPG"), "search": ("html", "HTM"), "diary": ("htm", "htm"),
        "midi": ("mid", "MID"), "euc": ("html", "HTM"), "port": ("html", "HTM"),
        "banner": ("gif", "GIF"), "april": ("html", "HTM"), "unix": ("html", "HTM"),
    }
    extra = page("自分で置いたファイル", "<P>キャッシュログにないページ</P>")

    # JCH family: the log names JCH00001.html where the file is JCH00001.HTM.
    jch = []
    for i, (url, key, content) in enumerate(base, 1):
        logext, fileext = kinds[key]
        jch.append((url, f"JCH{i:05d}.{logext}", f"JCH{i:05d}.{fileext}", content))
    write_cache("jch-cache", "JustView 2.0 Cache Manager", jch,
                [("JCH00099.HTM", extra)])

    # M family: names as they stand, some without an extension.
    m = []
    for i, (url, key, content) in enumerate(base, 1):
        logext, _ = kinds[key]
        name = f"M{i:07d}" if i % 3 == 0 else f"M{i:07d}.{logext}"
        m.append((url, name, name, content))
    write_cache("m-cache", None, m, [("M0000099.htm", extra)])

    # cache-prefixed family.
    c = []
    for i, (url, key, content) in enumerate(base, 1):
        logext, _ = kinds[key]
        name = f"cache{i:04d}.{logext}"
        c.append((url, name, name, content))
    write_cache("cacheprefix-cache", None, c, [("cache0099.html", extra)])


def macbinary(name, data, resource=b""):
    header = bytearray(128)
    header[1] = len(name)
    header[2:2 + len(name)] = name
    header[65:73] = b"TEXTMOSS"
    header[83:87] = len(data).to_bytes(4, "big")
    header[87:91] = len(resource).to_bytes(4, "big")
    pad = lambda b: b + bytes((128 - len(b) % 128) % 128)
    return bytes(header) + pad(data) + pad(resource)


def stored_header(body, content_type="text/html"):
    head = ("HTTP/1.0 200 OK\r\nDate: Sun, 01 Apr 2001 03:04:05 GMT\r\n"
            "Server: Apache/1.3.19 (Unix)\r\n"
            f"Content-Type: {content_type}\r\nContent-Length: {len(body)}\r\n\r\n")
    return head.encode("ascii") + body


def special():
    """The cases a real cache holds besides plain files: stored HTTP and
    MacBinary headers, broken images, a long host without a scheme, a host
    alone, files of the user's own and a stale cache file."""
    whole_gif = image("gif", "green")
    whole_jpeg = image("jpeg", "orange", "24x24")
    pages = {
        "top": page("トップ", '<A HREF="stored.html">ヘッダつき</A>\r\n<IMG SRC="ok.gif">'),
        "stored": page("ヘッダが残ったページ", "<P>HTTPヘッダの後に本文</P>"),
        "mac": page("MacBinaryのページ", "<P>Macで保存されたページ</P>"),
        "long": page("長いホスト名", "<P>ホスト名が31バイトを超える</P>"),
        "query": page("掲示板", "<P>12番目の記事</P>"),
    }
    entries = [
        ("http://special.example.jp/", "JCH00001.html", "JCH00001.HTM", pages["top"]),
        ("http://special.example.jp/stored.html", "JCH00002.html", "JCH00002.HTM",
         stored_header(pages["stored"])),
        ("http://special.example.jp/mac/page.html", "JCH00003.html", "JCH00003.HTM",
         macbinary(b"page.html", pages["mac"], b"resource fork bytes")),
        ("http://special.example.jp/ok.gif", "JCH00004.gif", "JCH00004.GIF", whole_gif),
        ("http://special.example.jp/broken.gif", "JCH00005.gif", "JCH00005.GIF",
         whole_gif[: len(whole_gif) // 2]),
        ("http://special.example.jp/photo.jpg", "JCH00006.jpeg", "JCH00006.JPG", whole_jpeg),
        ("http://special.example.jp/cut.jpg", "JCH00007.jpeg", "JCH00007.JPG",
         whole_jpeg[: len(whole_jpeg) * 2 // 3]),
        ("http://special.example.jp/wrapped.gif", "JCH00008.gif", "JCH00008.GIF",
         stored_header(whole_gif, "image/gif")),
        ("a-very-long-host-name.web.example.co.jp/dir/page.html", "JCH00009.html",
         "JCH00009.HTM", pages["long"]),
        ("http://bbs.example.jp/cgi-bin/read.cgi?board=news&no=12", "JCH00010.html",
         "JCH00010.HTM", pages["query"]),
    ]
    unlisted = [
        ("notes.html", page("自分のメモ", "<P>キャッシュとは関係のないファイル</P>")),
        ("JCH00098.HTM", page("ログから消えたページ", "<P>古いキャッシュ</P>")),
    ]
    write_cache("special-cache", "JustView 2.0 Cache Manager", entries, unlisted)


if __name__ == "__main__":
    main()
    special()
