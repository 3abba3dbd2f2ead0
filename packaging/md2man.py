#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Turns a page of the manual into its man page, so the two never say different things.

    md2man.py PAGE.md CHANGELOG OUT.1.gz
    md2man.py --gzip FILE OUT.gz      (the changelog, compressed the same way)

The page keeps to a small part of Markdown: "# name — description" first,
"## SECTION", "### subsection", paragraphs, one level of "- " lists (an item
that opens with `--option ARG` : is an option's entry), fenced blocks, `code`,
*italic*, **bold** and [links](target), of which only the text is kept. The
date and the version of the page are those of the changelog's newest entry.
Anything else is refused, so that a page never reaches the man page half read.
"""
import email.utils
import gzip
import re
import sys


class PageError(Exception):
    pass


def escape(text):
    """Text made safe for roff: backslashes, and the dots and quotes that open a line."""
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return text


def inline(text):
    """Markdown's inline marks as roff fonts; link targets dropped."""
    out = []
    pos = 0
    pattern = re.compile(r"`([^`]+)`|\*\*([^*]+)\*\*|\*([^*]+)\*|\[([^\]]+)\]\([^)]*\)")
    for m in pattern.finditer(text):
        out.append(escape(text[pos:m.start()]))
        if m.group(1) is not None:
            out.append("\\fB" + escape(m.group(1)) + "\\fR")
        elif m.group(2) is not None:
            out.append("\\fB" + inline(m.group(2)) + "\\fR")
        elif m.group(3) is not None:
            out.append("\\fI" + inline(m.group(3)) + "\\fR")
        else:
            out.append(inline(m.group(4)))
        pos = m.end()
    out.append(escape(text[pos:]))
    return "".join(out)


def line_start(text):
    """A roff line may not open with a dot or an apostrophe: they would read as requests."""
    if text.startswith((".", "'")):
        return "\\&" + text
    return text


def changelog_entry(path):
    """The version and the day of the changelog's newest entry."""
    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    head = re.match(r"^\S+ \(([^)]+)\)", lines[0]) if lines else None
    trailer = next((l for l in lines if l.startswith(" -- ")), None)
    if not head or not trailer or "  " not in trailer:
        raise PageError(f"{path}: no entry of the form 'name (version) …' ending with ' -- who  date'")
    stamp = email.utils.parsedate_to_datetime(trailer.rsplit("  ", 1)[1])
    return head.group(1), stamp.strftime("%Y-%m-%d")


def convert(markdown, version, day):
    lines = markdown.splitlines()
    if not lines:
        raise PageError("empty page")
    title = re.match(r"^# (\S+) — (.+)$", lines[0])
    if not title:
        raise PageError("line 1 must read '# name — description'")
    name, summary = title.group(1), title.group(2)
    roff = [
        '.TH %s 1 "%s" "Velmaris %s" "Manuel de Velmaris"' % (escape(name.upper()), day, version),
        # Ragged right, and no word cut: an option cut in two is copied wrong.
        ".ad l",
        ".nh",
        ".SH NOM",
        f"{escape(name)} \\- {inline(summary)}",
    ]
    paragraph = []
    in_item = False

    def flush():
        nonlocal paragraph
        if paragraph:
            roff.append(line_start(inline(" ".join(paragraph))))
            paragraph = []

    i = 1
    while i < len(lines):
        line = lines[i]
        number = i + 1
        i += 1
        if line.startswith("```"):
            flush()
            in_item = False
            roff += [".PP", ".RS 4", ".nf"]
            while i < len(lines) and not lines[i].startswith("```"):
                roff.append(line_start(escape(lines[i])))
                i += 1
            if i == len(lines):
                raise PageError(f"line {number}: code block never closed")
            i += 1
            roff += [".fi", ".RE"]
        elif line.startswith("### "):
            flush()
            in_item = False
            roff.append(".SS " + inline(line[4:].strip()))
        elif line.startswith("## "):
            flush()
            in_item = False
            roff.append(".SH " + escape(line[3:].strip()))
        elif line.startswith("#"):
            raise PageError(f"line {number}: only ## and ### headings come after the title")
        elif line.startswith("- "):
            flush()
            entry = re.match(r"^- (`[^`]+`) : (.*)$", line)
            if entry:
                roff += [".TP", inline(entry.group(1))]
                paragraph = [entry.group(2)]
            else:
                roff.append(".IP \\(bu 2")
                paragraph = [line[2:]]
            in_item = True
        elif line.startswith("  ") and line.strip() and in_item:
            if line.lstrip().startswith("- "):
                raise PageError(f"line {number}: lists have one level")
            paragraph.append(line.strip())
        elif not line.strip():
            flush()
        elif line.startswith(("|", ">", "<", "!")) or re.match(r"^\s*[-*] ", line):
            raise PageError(f"line {number}: tables, quotes, HTML, images and nested lists stay out of a man page")
        else:
            if in_item and not paragraph:
                in_item = False
            if not paragraph:
                roff.append(".PP")
                in_item = False
            paragraph.append(line.strip())
    flush()
    return "\n".join(roff) + "\n"


def write_gzip(out, data):
    """Compressed as Debian wants it: best compression, no name nor time stamp."""
    with open(out, "wb") as raw:
        with gzip.GzipFile(filename="", mode="wb", compresslevel=9, fileobj=raw, mtime=0) as z:
            z.write(data)


def main(argv):
    if len(argv) == 4 and argv[1] == "--gzip":
        with open(argv[2], "rb") as f:
            write_gzip(argv[3], f.read())
        return 0
    if len(argv) != 4:
        print("usage: md2man.py PAGE.md CHANGELOG OUT.1.gz | --gzip FILE OUT.gz", file=sys.stderr)
        return 2
    page, changelog, out = argv[1:]
    try:
        version, day = changelog_entry(changelog)
        with open(page, encoding="utf-8") as f:
            roff = convert(f.read(), version, day)
    except (OSError, PageError, ValueError) as e:
        print(f"md2man.py: {page}: {e}", file=sys.stderr)
        return 1
    write_gzip(out, roff.encode("utf-8"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
