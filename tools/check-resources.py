#!/usr/bin/python3
"""Checks that a Windows executable carries every resource of the lists in
resources/ (resources.inc and strings.inc) at the right id and type, with the
same bytes as the files for the PNG resources.

usage: check-resources.py PROGRAM.exe RESOURCES_FOLDER
"""
import os
import re
import struct
import sys

RT = {'BITMAP': 2, 'ICON': 3, 'MENU': 4, 'STRING': 6, 'GROUP_ICON': 14, 'MANIFEST': 24}


def read_resources(path):
    """{type: {id: [data bytes of each language]}}; type is an int or a name."""
    data = open(path, 'rb').read()
    pe = struct.unpack_from('<I', data, 0x3C)[0]
    if data[pe:pe + 4] != b'PE\0\0':
        raise SystemExit('not a PE file')
    sections = struct.unpack_from('<H', data, pe + 6)[0]
    optional_size = struct.unpack_from('<H', data, pe + 20)[0]
    optional = pe + 24
    magic = struct.unpack_from('<H', data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    rsrc_rva, rsrc_size = struct.unpack_from('<II', data, directories + 2 * 8)
    if rsrc_rva == 0:
        return {}
    table = optional + optional_size
    spans = []
    for i in range(sections):
        name, vsize, va, rawsize, rawptr = struct.unpack_from('<8sIIII', data, table + 40 * i)
        spans.append((va, max(vsize, rawsize), rawptr))

    def offset(rva):
        for va, size, raw in spans:
            if va <= rva < va + size:
                return rva - va + raw
        raise SystemExit('address outside the sections')

    base = offset(rsrc_rva)

    def entries(at):
        named, ids = struct.unpack_from('<HH', data, base + at + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from('<II', data, base + at + 16 + 8 * i)
            if name & 0x80000000:
                n = base + (name & 0x7FFFFFFF)
                length = struct.unpack_from('<H', data, n)[0]
                key = data[n + 2:n + 2 + 2 * length].decode('utf-16-le')
            else:
                key = name
            yield key, target

    out = {}
    for rtype, t in entries(0):
        for rid, i in entries(t & 0x7FFFFFFF):
            for _, leaf in entries(i & 0x7FFFFFFF):
                rva, size = struct.unpack_from('<II', data, base + leaf)
                out.setdefault(rtype, {}).setdefault(rid, []).append(data[offset(rva):offset(rva) + size])
    return out


def main():
    exe, folder = sys.argv[1], sys.argv[2]
    res = read_resources(exe)
    listing = open(os.path.join(folder, 'resources.inc'), encoding='utf-8').read()
    strings = open(os.path.join(folder, 'strings.inc'), encoding='utf-8').read()
    failures = []

    def need(rtype, rid, label, content=None):
        found = res.get(rtype, {}).get(rid)
        if not found:
            failures.append('missing %s %s' % (label, rid))
        elif content is not None and content not in found:
            failures.append('%s %s differs from its file' % (label, rid))
        else:
            print('ok: %s %s' % (label, rid))

    for rid, name in re.findall(r'^RES_PNG\(\w+,\s*(\d+),\s*"([^"]+)"\)', listing, re.M):
        need('PNG', int(rid), 'PNG', open(os.path.join(folder, name), 'rb').read())
    for rid, name in re.findall(r'^RES_BITMAP\(\w+,\s*(\d+),\s*"([^"]+)"\)', listing, re.M):
        # A BITMAP resource is the .bmp file without its 14-byte file header.
        need(RT['BITMAP'], int(rid), 'BITMAP', open(os.path.join(folder, name), 'rb').read()[14:])
    for rid in re.findall(r'^RES_ICON\(\w+,\s*(\d+),', listing, re.M):
        need(RT['GROUP_ICON'], int(rid), 'icon group')
    for rid in re.findall(r'^RES_MENU\(\w+,\s*(\d+),', listing, re.M):
        need(RT['MENU'], int(rid), 'MENU')
        menu = b''.join(res.get(RT['MENU'], {}).get(int(rid), [b'']))
        block = re.split(r'RES_MENU\(\w+,\s*%s,' % rid, listing)[1].split('RES_MENU_END')[0]
        for command, text in re.findall(r'RES_MENU_ITEM\(\w+,\s*(\d+),\s*"([^"]*)"\)', block):
            if struct.pack('<H', int(command)) + text.encode('utf-16-le') not in menu:
                failures.append('menu %s lacks item %s %s' % (rid, command, text))
    for sid, text in re.findall(r'^RES_STRING\((\d+),\s*"([^"]*)"\)', strings, re.M):
        block = res.get(RT['STRING'], {}).get(int(sid) // 16 + 1, [b''])[0]
        if text.encode('utf-16-le') in block:
            print('ok: string %s' % sid)
        else:
            failures.append('missing string %s' % sid)
    need(RT['MANIFEST'], 1, 'manifest')
    for f in failures:
        print('FAIL: ' + f)
    if failures:
        return 1
    print('%s: every listed resource present' % exe)
    return 0


if __name__ == '__main__':
    sys.exit(main())
