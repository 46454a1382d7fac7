#!/usr/bin/env python3
"""What wine does not check in a release: each assembly manifest names the
machine its OCX is built for (Windows refuses a mismatch), carries the
release's version, and the manifest, the registry rows and the type library
name the same classes, ProgIDs and interfaces.

Usage: static_check.py <unzipped release> <velmora.tlb> <version>
"""
import os
import struct
import sys
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "release"))
import velmora_package  # noqa: E402

NS = {"a": "urn:schemas-microsoft-com:asm.v1"}
MACHINES = {0x14C: "x86", 0x8664: "amd64"}


def machine(path):
    with open(path, "rb") as f:
        data = f.read(4096)
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    return MACHINES.get(struct.unpack_from("<H", data, pe + 4)[0], "unknown")


def main(folder, tlb, version):
    lib = velmora_package.Library(tlb)
    failures = []
    for arch, bits in (("x86", 32), ("x64", 64)):
        root = ET.parse(os.path.join(folder, arch, "Velmora.manifest")).getroot()
        identity = root.find("a:assemblyIdentity", NS).attrib
        built = machine(os.path.join(folder, arch, "Velmora.ocx"))
        checks = [
            ("processorArchitecture", identity["processorArchitecture"], built),
            ("version", identity["version"], version + ".0"),
            ("name", identity["name"], "Velmora"),
        ]
        rows = velmora_package.rows(lib, bits)
        keys = {key.lower() for _, key, _, _ in rows}
        classes = {(c.get("clsid"), c.get("progid")) for c in root.iterfind("a:file/a:comClass", NS)}
        checks.append(("classes", classes,
                       {(clsid, velmora_package.CLASSES[name]["progid"]) for name, clsid in lib.classes}))
        checks.append(("classes in the registry rows", {c for c, _ in classes if ("clsid\\" + c).lower() in keys},
                       {c for c, _ in classes}))
        stubs = {(s.get("iid"), s.get("proxyStubClsid32")) for s in root.iterfind("a:comInterfaceExternalProxyStub", NS)}
        checks.append(("interfaces", stubs, {(iid, marshaler) for _, iid, marshaler in lib.interfaces}))
        checks.append(("interfaces in the registry rows",
                       {i for i, _ in stubs if ("interface\\" + i).lower() in keys}, {i for i, _ in stubs}))
        checks.append(("type library", [t.get("tlbid") for t in root.iterfind("a:file/a:typelib", NS)], [lib.libid]))
        for what, got, expected in checks:
            if got != expected:
                failures.append("%s manifest, %s: %s, expected %s" % (arch, what, got, expected))
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
