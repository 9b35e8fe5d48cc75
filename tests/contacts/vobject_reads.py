#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Reads a vCard file with python3-vobject, an independent parser, and prints what it found of each card as one
# JSON object per line: the name, the numbers, the e-mail addresses and the photos (as Base64 of their bytes).
# Exit 3 when vobject is not installed, 1 when it rejects the file.
import base64
import json
import sys

try:
    import vobject
except ImportError:
    sys.exit(3)


def values(card, name):
    return [item.value for item in card.contents.get(name, [])]


def photo(item):
    value = item.value
    if isinstance(value, bytes):
        return base64.b64encode(value).decode('ascii')
    return str(value)


with open(sys.argv[1], encoding='utf-8') as f:
    text = f.read()
try:
    for card in vobject.readComponents(text):
        print(json.dumps({
            'fn': values(card, 'fn'),
            'tel': values(card, 'tel'),
            'email': values(card, 'email'),
            'photo': [photo(item) for item in card.contents.get('photo', [])],
        }, ensure_ascii=False))
except Exception as error:
    print(error, file=sys.stderr)
    sys.exit(1)
