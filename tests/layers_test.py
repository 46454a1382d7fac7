#!/usr/bin/env python3
"""Checks that the code's layers use only the layers below them.

The portable core never includes a Windows header or anything of the
Windows layer. In win32/, every include of the library's own headers names
its layer ("com/com_util.h"), and each layer includes only itself and the
layers it is built on: com, then windows, then embedding, then control and
page, then server; the type library's identifiers (typelib/) are below them
all. A cycle would make the layers one lump again, whatever the folders say.

  layers_test.py <repository root>
"""
import os
import re
import sys

ALLOWED = {
    "com": {"com"},
    "windows": {"com", "windows"},
    "embedding": {"com", "windows", "embedding"},
    "control": {"com", "windows", "embedding", "control"},
    "page": {"com", "windows", "page"},
    "server": {"com", "windows", "embedding", "control", "page", "server"},
    "typelib": {"typelib"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]', re.M)


def sources(folder):
    for base, _, names in os.walk(folder):
        for name in names:
            if name.endswith((".h", ".cpp", ".rc", ".idl")):
                yield os.path.join(base, name)


def main(root):
    faults = []
    win32 = os.path.join(root, "win32")
    own = {}  # header file name -> its layer
    for path in sources(win32):
        rel = os.path.relpath(path, win32).split(os.sep)
        if len(rel) == 2:
            own[rel[1]] = rel[0]
    for path in sources(os.path.join(root, "core")):
        text = open(path, encoding="latin-1").read()
        for kind, name in INCLUDE.findall(text):
            if name.lower() in ("windows.h", "winsock2.h", "ole2.h", "objbase.h") or name in own:
                faults.append("%s: the portable core includes %s" % (os.path.relpath(path, root), name))
    for path in sources(win32):
        rel = os.path.relpath(path, win32).split(os.sep)
        if len(rel) != 2:
            continue
        layer = rel[0]
        if layer not in ALLOWED:
            faults.append("win32/%s: a folder that is no layer" % "/".join(rel))
            continue
        text = open(path, encoding="latin-1").read()
        for kind, name in INCLUDE.findall(text):
            if kind != '"':
                continue
            parts = name.split("/")
            if len(parts) == 1 and name in own and layer != "typelib":
                faults.append("win32/%s: include \"%s\" without its layer (%s/)" % ("/".join(rel), name, own[name]))
            elif len(parts) == 2 and parts[0] in ALLOWED and os.path.exists(os.path.join(win32, name)):
                # The type library's identifiers are fixed for good and sit
                # under every layer, as the header generated from it does.
                if parts[0] not in ALLOWED[layer] and parts[0] != "typelib":
                    faults.append("win32/%s: %s includes %s, a layer above it" % ("/".join(rel), layer, name))
    for fault in faults:
        print(fault)
    print("%d fault(s)" % len(faults))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))
