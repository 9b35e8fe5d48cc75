#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes demo.vcf, the sample contact book: 40 fictional contacts, vCard 3.0, UTF-8.

Every name, number and address here is made up. Run it again after changing the list; the output is the same each
time (no randomness).
"""
import base64
import struct
import zlib
from pathlib import Path


def png_avatar(r, g, b, size=48):
    """A round avatar in one colour on white, as a PNG file's bytes."""
    rows = []
    c = (size - 1) / 2
    for y in range(size):
        row = bytearray([0])
        for x in range(size):
            d = ((x - c) ** 2 + (y - c) ** 2) ** 0.5
            if d < size / 2 - 1:
                shade = 1.0 - 0.35 * (y / size)
                row += bytes([int(r * shade), int(g * shade), int(b * shade)])
            else:
                row += b"\xff\xff\xff"
        rows.append(bytes(row))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(b"".join(rows), 9))
            + chunk(b"IEND", b""))


# name, mobile, landline, e-mail, QQ, photo colour, categories
CONTACTS = [
    ("张伟", "138 0013 8000", "010-62345678", "zhangwei@example.com", "12345678", (220, 80, 60), ["同事"]),
    ("王芳", "+86 139 1111 2222", "", "wangfang@example.cn", "", None, ["家人"]),
    ("李娜", "+8613722223333", "021-55556666", "", "87654321", (60, 120, 220), []),
    ("刘洋", "13600001111", "", "liuyang@example.org", "", None, []),
    ("陈静", "135 2222 4444", "0755-88889999", "chenjing@example.com chen.j@example.net", "", None, ["同学"]),
    ("杨磊", "0571-87651234", "", "", "2233445", None, []),
    ("赵敏", "+86 186 5555 6666", "", "zhaomin@example.com", "", (120, 180, 80), ["家人"]),
    ("黄强", "15800002222", "020-33334444", "", "", None, []),
    ("周杰", "159 3333 7777", "", "", "99887766", None, ["同学"]),
    ("吴婷", "18900004444", "", "wuting@example.cn", "", None, []),
    ("徐明", "", "010-87654321", "", "", None, []),
    ("孙丽", "+86 177 8888 9999", "", "sunli@example.com", "55667788", None, []),
    ("马超", "13911112222", "", "", "", None, ["同事"]),
    ("朱镕", "13512345678", "025-86661234", "", "", None, []),
    ("胡军", "131 0000 5555", "", "hujun@example.org", "", None, []),
    ("郭靖", "13800138000", "", "", "1011121314", None, []),
    ("林峰", "+8615012341234", "0592-5551234", "", "", (200, 150, 40), []),
    ("何洁", "18611110000", "", "hejie@example.com", "", None, ["家人", "同学"]),
    ("高飞", "", "0532 8012 3456", "", "", None, []),
    ("罗琳", "137 6666 1234", "", "", "", None, []),
    ("欧阳小明", "+86 188 1234 5678", "", "xiaoming@example.cn", "3456789", None, []),
    ("司马光", "13300003333", "029-81234567", "", "", None, []),
    ("张伟", "138 0013 8000", "010-62345678", "", "", None, []),
    ("王芳", "13911112222", "", "", "", None, []),
    ("李 娜", "13722223333", "", "", "", None, []),
    ("刘洋", "13600001111", "", "", "", None, []),
    ("John Smith", "+86 138 2468 1357", "", "john.smith@example.com", "", (90, 90, 160), ["Work"]),
    ("Mary Johnson", "13524681357", "", "mary@example.org", "", None, []),
    ("Anna Müller", "+86 156 1122 3344", "010-65432100", "anna.mueller@example.de", "", None, ["Work"]),
    ("David Lee", "0755-26661234", "", "david.lee@example.com", "", None, []),
    ("Olivia Chen", "186 2222 3333", "", "", "24681357", None, []),
    ("Peter O'Brien", "13811223344", "", "peter@example.ie", "", None, []),
    ("Sophie Martin", "", "021-64001234", "sophie@example.fr", "", None, []),
    ("James Wang", "+8613612345678", "", "", "", None, []),
    ("Emily Zhao", "15912345678", "", "emily.zhao@example.com", "112233", None, []),
    ("Lucas Silva", "13798765432", "", "", "", None, []),
    ("快递小哥", "17000001111", "", "", "", None, []),
    ("物业服务中心", "", "010-84561234", "", "", None, []),
    ("社区医院", "", "0571 8888 1200", "", "", None, []),
    ("Mary Johnson", "135 2468 1357", "", "", "", None, []),
]


def card(name, mobile, landline, email, qq, colour, categories):
    lines = ["BEGIN:VCARD", "VERSION:3.0", f"N:;{name};;;", f"FN:{name}"]
    if mobile:
        lines.append(f"TEL;TYPE=CELL:{mobile}")
    if landline:
        lines.append(f"TEL;TYPE=HOME:{landline}")
    if colour:
        lines.append("PHOTO;ENCODING=B;TYPE=PNG:" + base64.b64encode(png_avatar(*colour)).decode())
    if email:
        lines.append(f"EMAIL;TYPE=WORK:{email}")
    if qq:
        lines.append(f"X-QQ;TYPE=CUSTOM:{qq}")
    lines += [f"CATEGORIES:{c}" for c in categories]
    lines.append("END:VCARD")
    return "\n".join(lines) + "\n"


if __name__ == "__main__":
    out = Path(__file__).with_name("demo.vcf")
    out.write_bytes("".join(card(*c) for c in CONTACTS).encode("utf-8"))
    print(f"wrote {out} ({len(CONTACTS)} contacts)")
