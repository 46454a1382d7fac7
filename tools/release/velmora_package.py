#!/usr/bin/env python3
"""The registration of Velmora.ocx as data: the registry rows its
DllRegisterServer writes, and what is made from them for the releases.

The classes and interfaces come from the compiled type library; what the
library does not hold (ProgIDs, threading model, the control's status bits,
its toolbox bitmap) is in CLASSES below. The Windows tests compare `rows`
with what the OCX's own registration writes, so the packages and
regsvr32 cannot drift apart.

Usage:
  velmora_package.py rows <velmora.tlb> <32|64> [out]
      the rows one OCX registers, "key|name|value" ([OCX] its path,
      [DIR] its folder, name "@" the default value, "*" a bare key)
  velmora_package.py manifest <velmora.tlb> <x86|x64> <version> <out>
      the assembly manifest for registration-free use
  velmora_package.py app-manifest <version> <x86|x64> <out>
      an application manifest that names the assembly
  velmora_package.py msi <velmora.tlb> <x86|x64> <version> <folder> <out.msi>
      a Windows Installer package of <folder>/x86/Velmora.ocx (and
      <folder>/x64/Velmora.ocx), built with wixl
"""
import os
import subprocess
import sys
import tempfile
from xml.sax.saxutils import quoteattr

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "..", "..", "win32", "typelib", "tools"))
import velmora_typelib  # noqa: E402

# What the type library does not say about each class. The control's status
# bits are those of OLEMISC for the content aspect.
CLASSES = {
    "VelmoraControl": {"progid": "Velmora.VelmoraControl", "control": True, "misc": 131473,
                       "bitmap": 30000},
    "Generale": {"progid": "Velmora.Generale"},
}
THREADING = "Apartment"
CATID_CONTROL = "{40FC6ED4-2438-11CF-A3DB-080036F12502}"
TYPELIB_MARSHALER = "{00020424-0000-0000-C000-000000000046}"
DISPATCH_MARSHALER = "{00020420-0000-0000-C000-000000000046}"
TYPEFLAG_FDUAL = 0x40
OLEMISC_NAMES = [(0x1, "recomposeonresize"), (0x10, "cantlinkinside"), (0x80, "insideout"),
                 (0x100, "activatewhenvisible"), (0x20000, "setclientsitefirst")]

# Fixed for good: Windows Installer finds the installed release by these.
UPGRADE_CODES = {"x86": "92F6750E-CAF5-4F0A-B32E-86069C24E38E",
                 "x64": "C78D0DCF-E6B7-4149-B5B0-263534D0538F"}
# The 32-bit OCX and the shared keys have one component identity in both
# packages, so on 64-bit Windows both packages may be installed and removing
# one leaves the other whole.
COMPONENTS = {"ocx32": "A4AB7A12-3769-4C07-AC4B-5F43DA08A805",
              "shared": "7CE8DA12-A7EB-4EB8-A7A5-0AE032310CB3",
              "ocx64": "E439F05B-1A0E-4DC2-83D6-274B24AA1C37"}
ARCH = {"x86": ("x86", 32), "x64": ("amd64", 64)}


class Library:
    def __init__(self, path):
        with open(path, "rb") as source:
            tlb = velmora_typelib.MsftFile(source.read())
        self.libid = "{%s}" % tlb.guid(tlb.posguid)
        self.description = tlb.string(tlb.helpstring)
        self.version = "%d.%d" % (tlb.version & 0xFFFF, tlb.version >> 16)
        self.classes, self.interfaces = [], []
        for i in range(tlb.nrtypeinfos):
            info = tlb.typeinfo(i)
            guid = "{%s}" % info["guid"]
            if info["kind"] == "COCLASS":
                self.classes.append((info["name"], guid))
            elif info["kind"] == "DISPATCH":
                dual = info["flags"] & TYPEFLAG_FDUAL
                self.interfaces.append((info["name"], guid, TYPELIB_MARSHALER if dual else DISPATCH_MARSHALER))
        unknown = {name for name, _ in self.classes} ^ set(CLASSES)
        if unknown:
            raise SystemExit("velmora_package: classes not described on both sides: %s" % sorted(unknown))


def rows(lib, bits):
    """(shared, key, name, value): shared rows are the same for both
    bitnesses (ProgIDs, the type library's description); the others are
    each bitness's own."""
    out = []
    own = lambda key, name, value: out.append((False, key, name, value))  # noqa: E731
    shared = lambda key, name, value: out.append((True, key, name, value))  # noqa: E731
    for name, clsid in lib.classes:
        extra = CLASSES[name]
        key = "CLSID\\" + clsid
        own(key, "@", name)
        own(key + "\\InprocServer32", "@", "[OCX]")
        own(key + "\\InprocServer32", "ThreadingModel", THREADING)
        own(key + "\\ProgID", "@", extra["progid"])
        own(key + "\\TypeLib", "@", lib.libid)
        own(key + "\\Version", "@", lib.version)
        if extra.get("control"):
            own(key + "\\Control", "*", "")
            own(key + "\\ToolboxBitmap32", "@", "[OCX], %d" % extra["bitmap"])
            own(key + "\\MiscStatus", "@", "0")
            own(key + "\\MiscStatus\\1", "@", str(extra["misc"]))
            own(key + "\\Implemented Categories\\" + CATID_CONTROL, "*", "")
        shared(extra["progid"], "@", name)
        shared(extra["progid"] + "\\CLSID", "@", clsid)
    for name, iid, marshaler in lib.interfaces:
        key = "Interface\\" + iid
        own(key, "@", name)
        own(key + "\\ProxyStubClsid", "@", marshaler)
        own(key + "\\ProxyStubClsid32", "@", marshaler)
        own(key + "\\TypeLib", "@", lib.libid)
        own(key + "\\TypeLib", "Version", lib.version)
    typelib = "TypeLib\\%s\\%s" % (lib.libid, lib.version)
    shared(typelib, "@", lib.description)
    shared(typelib + "\\FLAGS", "@", "2")
    shared(typelib + "\\HELPDIR", "@", "[DIR]")
    for locale in ("409", "0"):
        own("%s\\%s\\win%d" % (typelib, locale, bits), "@", "[OCX]")
    return out


def manifest(lib, arch, version):
    machine, _ = ARCH[arch]
    lines = ['<?xml version="1.0" encoding="UTF-8" standalone="yes"?>',
             '<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">',
             '  <assemblyIdentity type="win32" name="Velmora" version="%s" processorArchitecture="%s"/>'
             % (version, machine),
             '  <file name="Velmora.ocx">']
    for name, clsid in lib.classes:
        extra = CLASSES[name]
        misc = ""
        if extra.get("control"):
            names = [text for bit, text in OLEMISC_NAMES if extra["misc"] & bit]
            if sum(bit for bit, _ in OLEMISC_NAMES if extra["misc"] & bit) != extra["misc"]:
                raise SystemExit("velmora_package: a status bit of %s has no manifest name" % name)
            misc = ' miscStatusContent=%s' % quoteattr(",".join(names))
        lines.append('    <comClass clsid="%s" progid="%s" threadingModel="%s" tlbid="%s" description="%s"%s/>'
                     % (clsid, extra["progid"], THREADING, lib.libid, name, misc))
    lines.append('    <typelib tlbid="%s" version="%s" helpdir="" flags="CONTROL"/>' % (lib.libid, lib.version))
    lines.append('  </file>')
    for name, iid, marshaler in lib.interfaces:
        lines.append('  <comInterfaceExternalProxyStub name="%s" iid="%s" proxyStubClsid32="%s" tlbid="%s"/>'
                     % (name, iid, marshaler, lib.libid))
    lines.append('</assembly>')
    return "\r\n".join(lines) + "\r\n"


def app_manifest(version, arch):
    machine, _ = ARCH[arch]
    return "\r\n".join([
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>',
        '<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">',
        '  <dependency>',
        '    <dependentAssembly>',
        '      <assemblyIdentity type="win32" name="Velmora" version="%s" processorArchitecture="%s"/>'
        % (version, machine),
        '    </dependentAssembly>',
        '  </dependency>',
        '</assembly>', ""])


def wix_rows(lib, bits, only_shared, file_id, dir_id):
    out = []
    for is_shared, key, name, value in rows(lib, bits):
        if is_shared != only_shared:
            continue
        value = value.replace("[OCX]", "[#%s]" % file_id).replace("[DIR]", "[%s]" % dir_id)
        name_attr = "" if name == "@" else " Name=%s" % quoteattr(name)
        out.append('        <RegistryValue Root="HKCR" Key=%s%s Type="string" Value=%s/>'
                   % (quoteattr(key), name_attr, quoteattr(value)))
    return out


def wxs(lib, arch, version):
    x64 = arch == "x64"
    parts = [
        '<?xml version="1.0" encoding="utf-8"?>',
        '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">',
        '  <Product Id="*" Name="Velmora %s (%s)" Language="1033" Version="%s" Manufacturer="Velmora"'
        ' UpgradeCode="%s">' % (version, arch, version, UPGRADE_CODES[arch]),
        '    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"'
        ' Description="Velmora ActiveX control %s"/>' % version,
        '    <MajorUpgrade DowngradeErrorMessage="A newer release of Velmora is already installed."/>',
        '    <Media Id="1" Cabinet="velmora.cab" EmbedCab="yes"/>',
        '    <Directory Id="TARGETDIR" Name="SourceDir">',
        '      <Directory Id="ProgramFilesFolder"><Directory Id="INSTALLDIR32" Name="Velmora"/></Directory>']
    if x64:
        parts.append('      <Directory Id="ProgramFiles64Folder"><Directory Id="INSTALLDIR64" Name="Velmora"/>'
                     '</Directory>')
    parts.append('    </Directory>')
    # The shared keys name the 32-bit folder in both packages, so that the
    # component is the same in both.
    components = [("ocx32", "INSTALLDIR32", "no", "x86", 32, False), ("shared", "INSTALLDIR32", "no", None, 32, True)]
    if x64:
        components.append(("ocx64", "INSTALLDIR64", "yes", "x64", 64, False))
    for ident, directory, win64, folder, bits, only_shared in components:
        parts.append('    <DirectoryRef Id="%s">' % directory)
        parts.append('      <Component Id="%s" Guid="%s" Win64="%s">' % (ident, COMPONENTS[ident], win64))
        if folder:
            parts.append('        <File Id="%s" Name="Velmora.ocx" Source="%s/Velmora.ocx" KeyPath="yes"/>'
                         % (ident, folder))
        body = wix_rows(lib, bits, only_shared, "ocx32" if bits == 32 else "ocx64", directory)
        if only_shared:
            body[0] = body[0].replace("/>", ' KeyPath="yes"/>')
        parts += body
        parts += ['      </Component>', '    </DirectoryRef>']
    parts.append('    <Feature Id="Velmora" Level="1">')
    parts += ['      <ComponentRef Id="%s"/>' % c[0] for c in components]
    parts += ['    </Feature>', '  </Product>', '</Wix>', '']
    return "\n".join(parts)


def build_msi(lib, arch, version, folder, out):
    with tempfile.TemporaryDirectory() as scratch:
        source = os.path.join(scratch, "velmora.wxs")
        with open(source, "w", encoding="utf-8") as f:
            f.write(wxs(lib, arch, version))
        result = subprocess.run(["wixl", "-a", "x64" if arch == "x64" else "x86", "-o", os.path.abspath(out),
                                 source], cwd=folder, capture_output=True, text=True)
    messages = (result.stdout + result.stderr).strip()
    # wixl drops what it does not know with no more than a warning.
    if result.returncode != 0 or "WARNING" in messages or "warning" in messages:
        if os.path.exists(out):
            os.remove(out)
        raise SystemExit("velmora_package: wixl failed for %s: %s" % (arch, (messages.splitlines() or ["?"])[-1]))


def main(argv):
    command = argv[1] if len(argv) > 1 else ""
    if command == "rows" and len(argv) in (4, 5):
        text = "".join("%s|%s|%s\n" % (key, name, value) for _, key, name, value in rows(Library(argv[2]), int(argv[3])))
        if len(argv) == 5:
            with open(argv[4], "w", encoding="utf-8") as f:
                f.write(text)
        else:
            sys.stdout.write(text)
        return 0
    if command == "manifest" and len(argv) == 6:
        with open(argv[5], "w", encoding="utf-8", newline="") as f:
            f.write(manifest(Library(argv[2]), argv[3], argv[4]))
        return 0
    if command == "app-manifest" and len(argv) == 5:
        with open(argv[4], "w", encoding="utf-8", newline="") as f:
            f.write(app_manifest(argv[2], argv[3]))
        return 0
    if command == "msi" and len(argv) == 7:
        build_msi(Library(argv[2]), argv[3], argv[4], argv[5], argv[6])
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
