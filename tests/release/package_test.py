#!/usr/bin/env python3
"""Checks what make-package.sh made: the portable zip holds one folder with the program,
every sample sound beside it, a readme naming the version and the licence; the installer
is a 64-bit Windows program carrying the version.

    package_test.py DIST_DIR VERSION SOUNDS_DIR"""
import os
import struct
import sys
import zipfile


def main():
    dist, version, sounds = sys.argv[1:4]
    problems = []
    top = f"zirrotone-{version}/"
    with zipfile.ZipFile(os.path.join(dist, f"zirrotone-{version}-x64-portable.zip")) as z:
        names = {n for n in z.namelist() if not n.endswith("/")}
        want = {top + n for n in ["zirrotone.exe", "README.txt", "LICENSE.txt"] + sorted(os.listdir(sounds))}
        if names != want:
            problems.append(f"zip holds {sorted(names)}, want {sorted(want)}")
        else:
            if z.read(top + "zirrotone.exe")[:2] != b"MZ":
                problems.append("zirrotone.exe is not a Windows program")
            readme = z.read(top + "README.txt").decode()
            if version not in readme or "\r\n" not in readme:
                problems.append("README.txt lacks the version or Windows line ends")
            if "MIT License" not in z.read(top + "LICENSE.txt").decode():
                problems.append("LICENSE.txt is not the MIT licence")
            for n in os.listdir(sounds):
                if z.read(top + n) != open(os.path.join(sounds, n), "rb").read():
                    problems.append(f"{n} differs from the built one")

    setup = open(os.path.join(dist, f"zirrotone-{version}-x64-setup.exe"), "rb").read()
    pe = struct.unpack_from("<I", setup, 0x3C)[0]
    if setup[:2] != b"MZ" or setup[pe:pe + 4] != b"PE\0\0" or struct.unpack_from("<H", setup, pe + 4)[0] != 0x8664:
        problems.append("the installer is not a 64-bit Windows program")
    if version.encode("utf-16-le") not in setup:
        problems.append("the installer does not carry the version")

    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
