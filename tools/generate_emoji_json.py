#!/usr/bin/env python3
"""Generates resources/emoji.json, the emoji catalogue shipped with Kestrine.

Sources (Debian 12 packages):
  unicode-data       /usr/share/unicode/emoji/emoji-test.txt
  unicode-cldr-core  /usr/share/unicode/cldr/common/annotations/en.xml
                     /usr/share/unicode/cldr/common/annotationsDerived/en.xml

Each fully-qualified emoji of emoji-test.txt becomes one record, in file order, except those of
the "Component" group (bare skin tones and hair styles are not icons on their own):
  string       the emoji
  category     the emoji-test group ("Smileys & Emotion", ...)
  description  the emoji-test name ("grinning face", "flag: Japan")
  aliases      the CLDR short name (or the emoji-test name) in snake case ("grinning_face")
  tags         the CLDR English keywords and short name, lower-cased, without duplicates

Keywords are lower-cased because the picker lower-cases what people type and compares it with
the stored words as they are.

Regenerate with:
  sudo apt-get install unicode-data unicode-cldr-core
  tools/generate_emoji_json.py > resources/emoji.json
"""

import argparse
import json
import re
import sys
import xml.etree.ElementTree as ET

EMOJI_TEST = "/usr/share/unicode/emoji/emoji-test.txt"
ANNOTATIONS = [
    "/usr/share/unicode/cldr/common/annotations/en.xml",
    "/usr/share/unicode/cldr/common/annotationsDerived/en.xml",
]
LEFT_OUT_GROUPS = {"Component"}
VARIATION_SELECTOR = "\ufe0f"

LINE = re.compile(r"^([0-9A-F ]+?)\s*;\s*([a-z-]+)\s*#\s*\S+\s+E\d+\.\d+\s+(.+)$")


SPELLED_OUT = {"#": " number sign ", "*": " asterisk "}


def snake_case(text):
    for symbol, words in SPELLED_OUT.items():
        text = text.replace(symbol, words)
    words = re.findall(r"[0-9a-z]+", text.lower().replace("’", "").replace("'", ""))
    return "_".join(words)


def read_annotations(paths):
    """Maps an emoji (without variation selectors) to (keywords, short name)."""
    keywords, names = {}, {}
    for path in paths:
        try:
            root = ET.parse(path).getroot()
        except (OSError, ET.ParseError) as error:
            sys.exit(f"cannot read {path}: {error}")
        for node in root.iter("annotation"):
            key = node.get("cp", "").replace(VARIATION_SELECTOR, "")
            text = (node.text or "").strip()
            if not key or not text:
                continue
            if node.get("type") == "tts":
                names.setdefault(key, text)
            else:
                keywords.setdefault(key, [w.strip() for w in text.split("|") if w.strip()])
    return keywords, names


def read_emoji(path, keywords, names):
    records, group = [], None
    try:
        lines = open(path, encoding="utf-8").read().splitlines()
    except OSError as error:
        sys.exit(f"cannot read {path}: {error}")
    for line in lines:
        if line.startswith("# group:"):
            group = line.split(":", 1)[1].strip()
            continue
        match = LINE.match(line)
        if not match or match.group(2) != "fully-qualified" or group in LEFT_OUT_GROUPS:
            continue
        string = "".join(chr(int(cp, 16)) for cp in match.group(1).split())
        description = match.group(3).strip()
        key = string.replace(VARIATION_SELECTOR, "")
        tags = []
        # The short name joins the keywords: derived entries (flags, keycaps, skin tones)
        # carry the distinguishing words ("japan") only there.
        for word in keywords.get(key, []) + [names.get(key, description)]:
            word = word.lower()
            if word not in tags:
                tags.append(word)
        records.append({
            "string": string,
            "category": group,
            "description": description,
            "aliases": [snake_case(names.get(key, description))],
            "tags": tags,
        })
    return records


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--emoji-test", default=EMOJI_TEST)
    parser.add_argument("--annotations", nargs="+", default=ANNOTATIONS)
    args = parser.parse_args()
    keywords, names = read_annotations(args.annotations)
    records = read_emoji(args.emoji_test, keywords, names)
    if not records:
        sys.exit("no emoji found; is unicode-data installed?")
    # One record per line keeps the committed file readable and its diffs small.
    out = sys.stdout
    out.write("[\n")
    for index, record in enumerate(records):
        out.write(json.dumps(record, ensure_ascii=False, separators=(",", ":")))
        out.write(",\n" if index + 1 < len(records) else "\n")
    out.write("]\n")


if __name__ == "__main__":
    main()
