#!/usr/bin/env python3
"""Checks the resources linked into zirrotone.exe: exactly one application manifest (with
Common Controls 6, PerMonitorV2 and asInvoker), the three icons (the program's, muted, quiet
hours) each in every size the shell asks for, in 32-bit colour (256 px as PNG), a version
resource for the project version, and a 64-bit GUI image."""
import struct
import sys

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
ICON_GROUPS = (1, 2, 3)  # IDI_APP, IDI_MUTED, IDI_QUIET
ICON_SIZES = [16, 20, 24, 32, 40, 48, 64, 256]


def parse(path):
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0", "not a PE file"
    machine, nsections, _, _, _, optsize, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    subsystem = struct.unpack_from("<H", data, opt + 68)[0]
    ndirs_off = opt + 108 if magic == 0x20B else opt + 92
    rsrc_rva = struct.unpack_from("<I", data, ndirs_off + 4 + 2 * 8)[0]
    sections = []
    for i in range(nsections):
        s = opt + optsize + 40 * i
        vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", data, s + 8)
        sections.append((va, max(vsize, rawsize), rawptr))

    def off(rva):
        for va, size, raw in sections:
            if va <= rva < va + size:
                return rva - va + raw
        raise ValueError(hex(rva))

    base = off(rsrc_rva)

    def entries(dir_off):
        named, ids = struct.unpack_from("<HH", data, base + dir_off + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, base + dir_off + 16 + 8 * i)
            yield name, target

    resources = {}
    for type_id, t in entries(0):
        for name_id, n in entries(t & 0x7FFFFFFF):
            for _, leaf in entries(n & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", data, base + leaf)
                resources.setdefault(type_id, []).append((name_id, data[off(rva):off(rva) + size]))
    return machine, magic, subsystem, resources


def main(path, version):
    machine, magic, subsystem, res = parse(path)
    problems = []
    if machine != 0x8664 or magic != 0x20B:
        problems.append("not a 64-bit image")
    if subsystem != 2:
        problems.append(f"subsystem {subsystem}, not GUI")
    manifests = res.get(RT_MANIFEST, [])
    if len(manifests) != 1:
        problems.append(f"{len(manifests)} manifests")
    else:
        text = manifests[0][1].decode("utf-8")
        for needle in ("Microsoft.Windows.Common-Controls", 'version="6.0.0.0"', "PerMonitorV2",
                       'level="asInvoker"', f'name="Zirrotone.Zirrotone" version="{version}.0"'):
            if needle not in text:
                problems.append(f"manifest lacks {needle}")
    images = dict(res.get(RT_ICON, []))
    groups = dict(res.get(RT_GROUP_ICON, []))
    if sorted(groups) != list(ICON_GROUPS):
        problems.append(f"icon groups {sorted(groups)}, not {list(ICON_GROUPS)}")
    for group_id, group in sorted(groups.items()):
        count = struct.unpack_from("<H", group, 4)[0]
        sizes = []
        for i in range(count):
            w, _, _, _, _, bpp, _, image_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
            size = w or 256
            sizes.append(size)
            blob = images.get(image_id, b"")
            if size == 256:
                ok = blob.startswith(b"\x89PNG")
            else:
                ok = len(blob) > 40 and struct.unpack_from("<iH", blob, 4)[0] == size and \
                    struct.unpack_from("<H", blob, 14)[0] == 32 and bpp == 32
            if not ok:
                problems.append(f"icon {group_id}: the {size} px image is not 32-bit colour (PNG at 256)")
        if sorted(sizes) != ICON_SIZES:
            problems.append(f"icon {group_id}: sizes {sorted(sizes)}")
    versions = res.get(RT_VERSION, [])
    if len(versions) != 1:
        problems.append("no version resource")
    else:
        blob = versions[0][1]
        fixed = blob.find(struct.pack("<I", 0xFEEF04BD))
        ms, ls = struct.unpack_from("<II", blob, fixed + 8)
        found = f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}"
        if found != version:
            problems.append(f"file version {found}, not {version}")
    for p in problems:
        print("FAIL:", p)
    print("1 passed, 0 failed" if not problems else "0 passed, 1 failed")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
