#!/usr/bin/env python3
"""Gives the enumeration values of a widl-built type library their help strings.

widl rejects [helpstring] on enumeration values, although the type library
format has a place for it. The build therefore runs in two steps around widl:

  typelib_enum_help.py strip IN.idl OUT.idl HELP.json
      copies the IDL without the value help strings and saves them as JSON
      ({"EnumName": {"VALUE": "help string", ...}, ...});
  typelib_enum_help.py apply IN.tlb HELP.json OUT.tlb
      writes the saved help strings into the type library widl made.

Only the plain form  [helpstring("text")] NAME = value  is accepted on values.
"""

import json
import re
import struct
import sys

# --- strip --------------------------------------------------------------------

ENUM_RE = re.compile(r"typedef\s+enum\s+(?:\w+\s*)?\{(?P<body>.*?)\}\s*(?P<name>\w+)\s*;", re.S)
VALUE_HELP_RE = re.compile(r'\[\s*helpstring\s*\(\s*"(?P<text>(?:[^"\\]|\\.)*)"\s*\)\s*\]\s*(?P<value>\w+)')


def unescape(text):
    return re.sub(r"\\(.)", r"\1", text)


def strip(idl_in, idl_out, json_out):
    with open(idl_in, encoding="utf-8") as f:
        source = f.read()
    helps = {}

    def strip_enum(match):
        values = {}

        def take(value_match):
            values[value_match.group("value")] = unescape(value_match.group("text"))
            return value_match.group("value")

        body = VALUE_HELP_RE.sub(take, match.group("body"))
        if "[" in body:
            sys.exit(f"{idl_in}: enum {match.group('name')}: only [helpstring(\"...\")] is supported on values")
        if values:
            helps[match.group("name")] = values
        start, end = match.span("body")
        return match.group(0)[: start - match.start()] + body + match.group(0)[end - match.start():]

    stripped = ENUM_RE.sub(strip_enum, source)
    with open(idl_out, "w", encoding="utf-8") as f:
        f.write(stripped)
    with open(json_out, "w", encoding="utf-8") as f:
        json.dump(helps, f, indent=1, sort_keys=True)


# --- apply --------------------------------------------------------------------
# Layout of the (MSFT) type library file: a 0x54-byte header, an optional help
# DLL string offset, one offset per type info, then a directory of 15 segments
# (offset, length, two reserved words each). Type infos are 0x64-byte entries of
# segment 0 whose second word is the absolute file offset of their member data.
# Absolute offsets live only in the segment directory and in those words.

HEADER_SIZE = 0x54
SEGMENT_COUNT = 15
SEG_TYPEINFO, SEG_NAME, SEG_STRING = 0, 7, 8
TYPEINFO_SIZE = 0x64
TKIND_ENUM = 0
VAR_HELPCONTEXT, VAR_HELPSTRING = 0x14, 0x18  # optional fields of a var record


def u32(data, pos):
    return struct.unpack_from("<i", data, pos)[0]


def put32(data, pos, value):
    struct.pack_into("<i", data, pos, value)


def string_entry_size(length):
    # A 16-bit length and the text, padded to whole words, 8 bytes at least.
    return max(8, (length + 5) & ~3)


class TypeLib:
    def __init__(self, data):
        self.data = bytearray(data)
        if self.data[:4] != b"MSFT":
            sys.exit("not an MSFT type library")
        count = u32(self.data, 0x20)
        flags = u32(self.data, 0x14)
        self.segdir = HEADER_SIZE + (4 if flags & 0x100 else 0) + 4 * count
        self.typeinfo_count = count

    def segment(self, index):
        pos = self.segdir + 16 * index
        return u32(self.data, pos), u32(self.data, pos + 4)

    def typeinfos(self):
        seg_offset, _ = self.segment(SEG_TYPEINFO)
        return [seg_offset + i * TYPEINFO_SIZE for i in range(self.typeinfo_count)]

    def name(self, offset):
        pos = self.segment(SEG_NAME)[0] + offset
        length = self.data[pos + 8]
        return self.data[pos + 12: pos + 12 + length].decode("latin-1")

    def splice(self, start, end, replacement):
        """Replaces data[start:end], moving every absolute offset at or past end."""
        delta = len(replacement) - (end - start)
        for i in range(SEGMENT_COUNT):
            pos = self.segdir + 16 * i
            offset = u32(self.data, pos)
            if offset >= end:
                put32(self.data, pos, offset + delta)
        for info in self.typeinfos():
            memoffset = u32(self.data, info + 4)
            if memoffset >= end:
                put32(self.data, info + 4, memoffset + delta)
        self.data[start:end] = replacement

    def add_strings(self, texts):
        """Appends texts to the string segment; returns {text: offset}."""
        seg_pos = self.segdir + 16 * SEG_STRING
        offset, length = self.segment(SEG_STRING)
        known, pos = {}, 0
        while pos + 2 <= length:
            size = struct.unpack_from("<H", self.data, offset + pos)[0]
            known[self.data[offset + pos + 2: offset + pos + 2 + size].decode("latin-1")] = pos
            pos += string_entry_size(size)
        added = bytearray()
        for text in texts:
            if text in known:
                continue
            encoded = text.encode("latin-1")
            entry = struct.pack("<H", len(encoded)) + encoded
            entry += b"W" * (string_entry_size(len(encoded)) - len(entry))
            known[text] = length + len(added)
            added += entry
        self.splice(offset + length, offset + length, added)
        put32(self.data, seg_pos + 4, length + len(added))
        return known

    def set_value_help(self, info, helps, string_offsets):
        """Rebuilds the member data of an enum type info with help strings."""
        start = u32(self.data, info + 4)
        element = u32(self.data, info + 0x18)
        funcs, nvars = element & 0xFFFF, (element >> 16) & 0xFFFF
        if funcs:
            sys.exit("an enumeration with functions")
        infolen = u32(self.data, start)
        tables = start + 4 + infolen
        ids = self.data[tables: tables + 4 * nvars]
        names = [u32(self.data, tables + 4 * (nvars + i)) for i in range(nvars)]
        offsets = [u32(self.data, tables + 4 * (2 * nvars + i)) for i in range(nvars)]
        records, missing = bytearray(), dict(helps)
        new_offsets = []
        for i in range(nvars):
            pos = start + 4 + offsets[i]
            info_word = u32(self.data, pos)
            record = bytearray(self.data[pos: pos + (info_word & 0xFFFF)])
            value_name = self.name(names[i])
            if value_name in missing:
                if len(record) < VAR_HELPSTRING + 4:
                    record += struct.pack("<i", 0) * ((VAR_HELPSTRING + 4 - len(record)) // 4)
                put32(record, VAR_HELPSTRING, string_offsets[missing.pop(value_name)])
                put32(record, 0, (info_word & ~0xFFFF) | len(record))
            new_offsets.append(len(records))
            records += record
        if missing:
            sys.exit(f"values not found in the type library: {', '.join(sorted(missing))}")
        block = struct.pack("<i", len(records)) + records + ids
        block += struct.pack(f"<{nvars}i", *names) + struct.pack(f"<{nvars}i", *new_offsets)
        self.splice(start, tables + 12 * nvars, block)


def apply(tlb_in, json_in, tlb_out):
    with open(tlb_in, "rb") as f:
        lib = TypeLib(f.read())
    with open(json_in, encoding="utf-8") as f:
        helps = json.load(f)
    texts = [text for values in helps.values() for text in values.values()]
    string_offsets = lib.add_strings(texts)
    pending = dict(helps)
    for info in lib.typeinfos():
        name = lib.name(u32(lib.data, info + 0x34))
        if (u32(lib.data, info) & 0xF) == TKIND_ENUM and name in pending:
            lib.set_value_help(info, pending.pop(name), string_offsets)
    if pending:
        sys.exit(f"enumerations not found in the type library: {', '.join(sorted(pending))}")
    with open(tlb_out, "wb") as f:
        f.write(lib.data)


if __name__ == "__main__":
    if len(sys.argv) == 5 and sys.argv[1] == "strip":
        strip(*sys.argv[2:])
    elif len(sys.argv) == 5 and sys.argv[1] == "apply":
        apply(*sys.argv[2:])
    else:
        sys.exit(__doc__)
