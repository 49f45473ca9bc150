#!/usr/bin/env python3
"""Writes hostile message files, as the receiver stores them (CR LF lines,
dot-stuffed, ended by the end-of-data line), into a folder:

  make_inputs.py FOLDER [--count 1000000]

One file per input; its name says what it is. --count sets the number of
nested tags, parts, attachments and one-character lines (the header inputs
keep their sizes).
"""
import argparse
import os

HEAD = b"From: hostile@bench.example\r\nTo: you@bench.example\r\nMIME-Version: 1.0\r\n"


def lines_of(pieces, width=998):
    """Pieces joined into lines of at most `width` bytes (a piece is never split)."""
    out = bytearray()
    line = 0
    for piece in pieces:
        if line and line + len(piece) > width:
            out += b"\r\n"
            line = 0
        out += piece
        line += len(piece)
    out += b"\r\n"
    return bytes(out)


def message(headers, body, subject=b"Subject: hostile\r\n"):
    stuffed = body.replace(b"\r\n.", b"\r\n..")
    if stuffed.startswith(b"."):
        stuffed = b"." + stuffed
    return HEAD + subject + headers + b"\r\n" + stuffed + b".\r\n"


def html(open_tags, close_tags, n):
    body = lines_of([open_tags] * n + [b"x"] + ([close_tags] * n if close_tags else []))
    return message(b"Content-Type: text/html; charset=UTF-8\r\n", body)


def parts(n, part_headers):
    piece = b"--b\r\n" + part_headers + b"\r\nx\r\n"
    body = piece * n + b"--b--\r\n"
    return message(b'Content-Type: multipart/mixed; boundary="b"\r\n', body)


def nested_multiparts(n):
    body = b"--b\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n" * n + b"--b\r\n\r\ndeep\r\n"
    return message(b"Content-Type: multipart/mixed; boundary=b\r\n", body)


def nested_messages(n):
    body = b"Content-Type: message/rfc822\r\n\r\n" * n + b"Subject: deep\r\n\r\ndeep\r\n"
    return message(b"Content-Type: message/rfc822\r\n", body)


def long_subject(folded, size=10 * 1024 * 1024):
    words = b" word" * (size // 5)
    if folded:
        words = lines_of([b" word"] * (size // 5), 76)[:-2].replace(b"\r\n", b"\r\n ")
    return message(b"", b"body\r\n", b"Subject:" + words + b"\r\n")


def encoded_words(n):
    words = lines_of([b" =?UTF-8?B?5LqI?="] * n, 76)
    return message(b"", b"body\r\n", b"Subject:" + words)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--count", type=int, default=1_000_000)
    args = parser.parse_args()
    n = args.count
    inputs = {
        "html-div": lambda: html(b"<div>", b"</div>", n),
        "html-table": lambda: html(b"<table><tr><td>", b"</td></tr></table>", n),
        "html-ul": lambda: html(b"<ul><li>", b"</li></ul>", n),
        "html-b": lambda: html(b"<b>", b"</b>", n),
        "html-blockquote": lambda: html(b"<blockquote>", b"</blockquote>", n),
        "html-unclosed-div": lambda: html(b"<div>", b"", n),
        "mime-parts": lambda: parts(n, b""),
        "attachments": lambda: parts(n, b"Content-Disposition: attachment\r\n"),
        "header-folded": lambda: long_subject(True),
        "header-unfolded": lambda: long_subject(False),
        "encoded-words": lambda: encoded_words(100_000),
        "short-lines": lambda: message(b"", b"x\r\n" * n),
        "mime-nested": lambda: nested_multiparts(n // 10),
        "message-nested": lambda: nested_messages(n // 10),
    }
    os.makedirs(args.folder, exist_ok=True)
    for name, make in inputs.items():
        with open(os.path.join(args.folder, name + ".txt"), "wb") as f:
            f.write(make())


if __name__ == "__main__":
    main()
