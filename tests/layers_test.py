#!/usr/bin/env python3
"""Checks that the code's layers use only the layers below them.

The portable core never includes a Windows header or anything of the
Windows layer. In win32/, every include of the library's own headers names
its layer ("com/com_edge.h"), and each layer includes only itself and the
layers it is built on: com, then windows, then embedding, then control and
page, then server; the type library's identifiers (typelib/) are below them
all but com. A cycle would make the layers one lump again, whatever the folders say.

Every include of our own is placed: the Windows layer names the core's
headers from the root ("core/errors.h"), so no name of one tree can be taken
for, or shadow, a name of the other; an include that is neither a file of
the tree nor one the build generates is a fault, not something to skip.

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
# What the build writes from the type library (win32/CMakeLists.txt).
GENERATED = {"velmora_h.h", "velmora_i.c"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]', re.M)


def sources(folder):
    for base, _, names in os.walk(folder):
        for name in names:
            if name.endswith((".h", ".cpp", ".rc", ".idl")):
                yield os.path.join(base, name)


def main(root):
    faults = []
    win32 = os.path.join(root, "win32")
    core = os.path.join(root, "core")

    def fault(path, text):
        faults.append("%s: %s" % (os.path.relpath(path, root).replace(os.sep, "/"), text))

    def found(*parts):
        return os.path.isfile(os.path.join(*parts))

    for path in sources(core):
        here = os.path.dirname(path)
        text = open(path, encoding="latin-1").read()
        for kind, name in INCLUDE.findall(text):
            if kind == "<":
                if name.lower() in ("windows.h", "winsock2.h", "ole2.h", "objbase.h"):
                    fault(path, "the portable core includes %s" % name)
                elif found(core, name) or found(win32, name):
                    fault(path, "include <%s> of our own" % name)
            elif found(win32, name):
                fault(path, "include \"%s\" is also a Windows layer's name, which would shadow it" % name)
            elif not (found(here, name) or found(core, name)):
                fault(path, "include \"%s\" that is no core file" % name)
    for path in sources(win32):
        rel = os.path.relpath(path, win32).split(os.sep)
        if len(rel) != 2:
            continue
        layer = rel[0]
        if layer not in ALLOWED:
            fault(path, "a folder that is no layer")
            continue
        text = open(path, encoding="latin-1").read()
        for kind, name in INCLUDE.findall(text):
            parts = name.split("/")
            if kind == "<":
                if found(win32, name) or found(core, name) or name in GENERATED:
                    fault(path, "include <%s> of our own" % name)
            elif name in GENERATED or (layer == "typelib" and found(win32, layer, name)):
                if layer == "com":
                    fault(path, "the COM layer includes the control's %s" % name)
            elif len(parts) == 1:
                fault(path, "include \"%s\" without its layer" % name)
            elif parts[0] == "core" and found(root, name):
                if layer == "typelib":
                    fault(path, "the type library includes %s" % name)
            elif parts[0] in ALLOWED and found(win32, name):
                # The type library's identifiers are fixed for good and sit
                # under every layer but the COM skeleton, which serves any
                # object and knows nothing of the control.
                if parts[0] not in ALLOWED[layer] and (parts[0] != "typelib" or layer == "com"):
                    fault(path, "%s includes %s, a layer above it" % (layer, name))
            else:
                fault(path, "include \"%s\" that names no file of the tree" % name)
    for fault_text in faults:
        print(fault_text)
    print("%d fault(s)" % len(faults))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))
