#!/usr/bin/env python3
"""Reads and finishes the type library that widl compiles from velmora.idl.

widl writes the standard MSFT type library format but cannot express every
attribute the library needs: it refuses `nonextensible` and `version` on a
dispinterface. This tool reads the compiled library, checks that it has
exactly the shape it expects, and sets what widl left out:

  * the event interface __VelmoraControl gets TYPEFLAG_FNONEXTENSIBLE and
    version 1.0, like every other type of the library;
  * parameters lose their names (the library publishes none, so clients see
    the accessors' values only by position);
  * the types are put in the library's published order. widl writes a type
    where it is first referenced, so the event interface, named by the
    control's class, would come before the class; containers and tools that
    list the library by index expect it last.

Anything unexpected (another widl that lays the library out differently, a
changed IDL) stops the build with a message instead of producing a library
that is silently wrong. The result is read back under wine by the tests in
tests/win32/typelib/typelib_test.cpp.

Usage:
  velmora_typelib.py patch <widl.tlb> <out.tlb>
  velmora_typelib.py dump <file.tlb>
"""
import struct
import sys
import uuid

TKIND = ["ENUM", "RECORD", "MODULE", "INTERFACE", "DISPATCH", "COCLASS",
         "ALIAS", "UNION"]
TYPEFLAG_FNONEXTENSIBLE = 0x80

HEADER_FORMAT = "<20i"  # MSFT header up to nimpinfos (see MsftFile)
HELPDLL_FLAG = 0x100
SEGMENT_COUNT = 15
TYPEINFO_SIZE = 0x64
FUNC_FIXED_SIZE = 24       # Info .. nroargs
PARAM_SIZE = 12            # DataType, oName, Flags


class TypelibError(Exception):
    pass


def check(condition, message):
    if not condition:
        raise TypelibError(message)


class MsftFile:
    """The parts of an MSFT type library this tool reads and changes."""

    # Segment directory indices.
    SEG_TYPEINFO, SEG_IMPINFO, SEG_IMPFILES, SEG_REF, SEG_GUIDHASH, SEG_GUID, \
        SEG_NAMEHASH, SEG_NAME, SEG_STRING, SEG_TYPEDESC, SEG_ARRAYDESC, \
        SEG_CUSTDATA, SEG_CDGUIDS, SEG_RES0E, SEG_RES0F = range(SEGMENT_COUNT)

    def __init__(self, data):
        self.data = bytearray(data)
        check(self.data[:4] == b"MSFT", "not an MSFT type library")
        (self.magic1, self.magic2, self.posguid, self.lcid, self.lcid2,
         self.varflags, self.version, self.flags, self.nrtypeinfos,
         self.helpstring, self.helpstringcontext, self.helpcontext,
         self.nametablecount, self.nametablechars, self.name_offset,
         self.helpfile, self.custdata, self.res44, self.res48,
         self.dispatchpos) = struct.unpack_from(HEADER_FORMAT, self.data, 0)
        pos = struct.calcsize(HEADER_FORMAT) + 4  # + nimpinfos
        if self.varflags & HELPDLL_FLAG:
            pos += 4
        self.typeinfo_offsets = list(struct.unpack_from(
            "<%di" % self.nrtypeinfos, self.data, pos))
        pos += 4 * self.nrtypeinfos
        self.segments = []
        for _ in range(SEGMENT_COUNT):
            offset, length, _res08, _res0c = struct.unpack_from("<4i", self.data, pos)
            self.segments.append((offset, length))
            pos += 16
        # The members' data follow the segments to the end of the file.
        self.members_start = max(o + n for o, n in self.segments if o >= 0)

    # -- tables -----------------------------------------------------------
    def name(self, offset):
        if offset < 0:
            return None
        base = self.segments[self.SEG_NAME][0]
        length = self.data[base + offset + 8]
        return self.data[base + offset + 12:base + offset + 12 + length].decode("cp1252")

    def string(self, offset):
        if offset < 0:
            return None
        base = self.segments[self.SEG_STRING][0]
        (length,) = struct.unpack_from("<H", self.data, base + offset)
        return self.data[base + offset + 2:base + offset + 2 + length].decode("cp1252")

    def guid(self, offset):
        if offset < 0:
            return None
        base = self.segments[self.SEG_GUID][0]
        return str(uuid.UUID(bytes_le=bytes(self.data[base + offset:base + offset + 16]))).upper()

    # -- type infos -------------------------------------------------------
    def typeinfo_pos(self, index):
        return self.segments[self.SEG_TYPEINFO][0] + index * TYPEINFO_SIZE

    def typeinfo(self, index):
        pos = self.typeinfo_pos(index)
        fields = struct.unpack_from("<19i2h5i", self.data, pos)
        typekind, memoffset = fields[0], fields[1]
        element = fields[6]
        return {
            "index": index,
            "kind": TKIND[typekind & 0xF],
            "memoffset": memoffset,
            "cfuncs": element & 0xFFFF,
            "cvars": (element >> 16) & 0xFFFF,
            "guid": self.guid(fields[11]),
            "flags": fields[12],
            "name": self.name(fields[13]),
            "version": fields[14],
            "doc": self.string(fields[15]),
            "cimpl": fields[19],
        }

    def set_typeinfo_field(self, index, field, value):
        # Field indices of the 32-bit words at the start of MSFT_TypeInfoBase.
        words = {"flags": 12, "version": 14}
        struct.pack_into("<i", self.data, self.typeinfo_pos(index) + 4 * words[field], value)

    def functions(self, index):
        """The function records of type info `index`, each with the file
        positions of its parameters' name fields."""
        info = self.typeinfo(index)
        count = info["cfuncs"] + info["cvars"]
        if count == 0:
            return []
        base = info["memoffset"]
        check(base >= self.members_start, "member data outside the file's end part")
        (block,) = struct.unpack_from("<i", self.data, base)
        records_start = base + 4
        check(records_start + block <= len(self.data), "member block past the end")
        # After the records: member ids, then name offsets, then record offsets.
        ids = struct.unpack_from("<%di" % count, self.data, records_start + block)
        names = struct.unpack_from("<%di" % count, self.data, records_start + block + 4 * count)
        offsets = struct.unpack_from("<%di" % count, self.data, records_start + block + 8 * count)
        out = []
        for i in range(info["cfuncs"]):
            pos = records_start + offsets[i]
            record_info, datatype, flags, vtable, _descsize, fkccic, nrargs, _nroargs = \
                struct.unpack_from("<iiihhihh", self.data, pos)
            size = record_info & 0xFFFF
            optional = (size - FUNC_FIXED_SIZE - nrargs * PARAM_SIZE) // 4
            helpstring = None
            if optional >= 2:
                (help_offset,) = struct.unpack_from("<i", self.data, pos + FUNC_FIXED_SIZE + 4)
                helpstring = self.string(help_offset)
            params_pos = pos + size - nrargs * PARAM_SIZE
            params = []
            for p in range(nrargs):
                ppos = params_pos + p * PARAM_SIZE
                ptype, pname, pflags = struct.unpack_from("<iii", self.data, ppos)
                params.append({"name_pos": ppos + 4, "name": self.name(pname),
                               "type": ptype, "flags": pflags})
            out.append({
                "memid": ids[i] & 0xFFFFFFFF, "name": self.name(names[i]),
                "invkind": (fkccic >> 3) & 0xF, "funckind": fkccic & 7,
                "vtable": vtable, "flags": flags, "datatype": datatype,
                "help": helpstring, "params": params,
            })
        return out

    def find_type(self, name):
        for i in range(self.nrtypeinfos):
            if self.typeinfo(i)["name"] == name:
                return i
        raise TypelibError("type %s not found" % name)


def dump(tlb):
    print("library %s lcid=0x%04x flags=0x%x varflags=0x%x version=0x%x help=%r guid=%s"
          % (tlb.name(tlb.name_offset), tlb.lcid, tlb.flags, tlb.varflags,
             tlb.version, tlb.string(tlb.helpstring), tlb.guid(tlb.posguid)))
    for i in range(tlb.nrtypeinfos):
        info = tlb.typeinfo(i)
        print("%d %-16s %-9s %s flags=0x%04x version=0x%x funcs=%d vars=%d impl=%d doc=%r"
              % (i, info["name"], info["kind"], info["guid"], info["flags"],
                 info["version"], info["cfuncs"], info["cvars"], info["cimpl"], info["doc"]))
        for f in tlb.functions(i):
            print("    0x%08x inv=%d vt=%d %-12s help=%r params=%s"
                  % (f["memid"], f["invkind"], f["vtable"], f["name"], f["help"],
                     [p["name"] for p in f["params"]]))


# The library's types in the order containers see them, with the flags each
# must end up with (hidden 0x10, control 0x20, dual 0x40, nonextensible 0x80,
# oleautomation 0x100, dispatchable 0x1000).
EXPECTED_TYPES = [
    ("_VelmoraControl", "DISPATCH", 0x11D0),
    ("VelmoraControl", "COCLASS", 0x0020),
    ("_Generale", "DISPATCH", 0x11D0),
    ("Generale", "COCLASS", 0x0000),
    ("__VelmoraControl", "DISPATCH", 0x1090),
]
VERSION_1_0 = 1


def is_local_href(tlb, value):
    """Whether `value` is a reference to one of the library's own types: the
    offset of its record in the type info segment (references into imported
    libraries have one of the two low bits set, and -1/-2 mean none)."""
    return value >= 0 and value % TYPEINFO_SIZE == 0 and value // TYPEINFO_SIZE < tlb.nrtypeinfos


def reorder(tlb, names):
    """Puts the type infos in the order of `names`, rewriting every
    reference to them."""
    count = tlb.nrtypeinfos
    order = [tlb.find_type(name) for name in names]  # new index -> old index
    check(sorted(order) == list(range(count)), "the names must list every type once")
    new_index = {old: new for new, old in enumerate(order)}

    def remap(value):
        if not is_local_href(tlb, value):
            return value
        return new_index[value // TYPEINFO_SIZE] * TYPEINFO_SIZE

    def remap_words(segment, stride, word):
        offset, length = tlb.segments[segment]
        if offset < 0:
            return
        for pos in range(offset, offset + length, stride):
            (value,) = struct.unpack_from("<i", tlb.data, pos + word)
            struct.pack_into("<i", tlb.data, pos + word, remap(value))

    # The records themselves; the upper half of the first word holds the
    # record's own index.
    old_records = [bytes(tlb.data[tlb.typeinfo_pos(i):tlb.typeinfo_pos(i) + TYPEINFO_SIZE])
                   for i in range(count)]
    for new, old in enumerate(order):
        pos = tlb.typeinfo_pos(new)
        tlb.data[pos:pos + TYPEINFO_SIZE] = old_records[old]
        (typekind,) = struct.unpack_from("<i", tlb.data, pos)
        struct.pack_into("<i", tlb.data, pos, (typekind & 0xFFFF) | (new << 16))
        # A class's first word of type data is an offset in the reference
        # table; an interface's is its base type, a reference like the others.
        if TKIND[typekind & 0xF] != "COCLASS":
            (base,) = struct.unpack_from("<i", tlb.data, pos + 0x54)
            struct.pack_into("<i", tlb.data, pos + 0x54, remap(base))

    # GUID table rows (guid, hreftype, next), the implemented-interface
    # table rows (hreftype, flags, custom data, next) and the name table
    # (hreftype, next, length, text padded to 4 bytes).
    remap_words(MsftFile.SEG_GUID, 24, 16)
    remap_words(MsftFile.SEG_REF, 16, 0)
    offset, length = tlb.segments[MsftFile.SEG_NAME]
    pos = offset
    while pos < offset + length:
        hreftype, _next, namelen = struct.unpack_from("<iii", tlb.data, pos)
        struct.pack_into("<i", tlb.data, pos, remap(hreftype))
        pos += 12 + ((namelen & 0xFF) + 3) // 4 * 4
    # Type descriptions: a user-defined type (VT_USERDEFINED, 0x1D) carries
    # its reference in the second word.
    offset, length = tlb.segments[MsftFile.SEG_TYPEDESC]
    if offset >= 0:
        for pos in range(offset, offset + length, 8):
            vt, ref = struct.unpack_from("<ii", tlb.data, pos)
            if vt & 0xFFFF == 0x1D:
                struct.pack_into("<i", tlb.data, pos + 4, remap(ref))


def patch(tlb):
    reorder(tlb, [name for name, _kind, _flags in EXPECTED_TYPES])

    events = tlb.find_type("__VelmoraControl")
    info = tlb.typeinfo(events)
    check(info["kind"] == "DISPATCH", "__VelmoraControl is not a dispinterface")
    tlb.set_typeinfo_field(events, "flags", info["flags"] | TYPEFLAG_FNONEXTENSIBLE)
    tlb.set_typeinfo_field(events, "version", VERSION_1_0)

    # No parameter carries a name: -1 is "no name" in the format.
    for i in range(tlb.nrtypeinfos):
        for function in tlb.functions(i):
            for param in function["params"]:
                struct.pack_into("<i", tlb.data, param["name_pos"], -1)

    # The result must have exactly the library's shape: its types in order,
    # and the control's class implementing its dispatch interface (default)
    # and the event interface (default, source).
    check(tlb.nrtypeinfos == len(EXPECTED_TYPES),
          "expected %d types, found %d" % (len(EXPECTED_TYPES), tlb.nrtypeinfos))
    for i, (name, kind, flags) in enumerate(EXPECTED_TYPES):
        info = tlb.typeinfo(i)
        check((info["name"], info["kind"]) == (name, kind),
              "type %d is %s %s, expected %s %s" % (i, info["kind"], info["name"], kind, name))
        check(info["flags"] == flags,
              "type %s has flags 0x%x, expected 0x%x" % (name, info["flags"], flags))
        check(info["version"] == VERSION_1_0, "type %s is not version 1.0" % name)
    check(implemented(tlb, tlb.find_type("VelmoraControl")) ==
          [(0, IMPLTYPE_DEFAULT), (4 * TYPEINFO_SIZE, IMPLTYPE_DEFAULT | IMPLTYPE_SOURCE)],
          "VelmoraControl does not implement _VelmoraControl and __VelmoraControl")
    check(implemented(tlb, tlb.find_type("Generale")) == [(2 * TYPEINFO_SIZE, IMPLTYPE_DEFAULT)],
          "Generale does not implement _Generale")


IMPLTYPE_DEFAULT, IMPLTYPE_SOURCE = 1, 2


def implemented(tlb, index):
    """(hreftype, flags) of the interfaces a class implements, in order."""
    (ref,) = struct.unpack_from("<i", tlb.data, tlb.typeinfo_pos(index) + 0x54)
    base = tlb.segments[MsftFile.SEG_REF][0]
    out = []
    while ref >= 0:
        hreftype, flags, _custdata, ref = struct.unpack_from("<iiii", tlb.data, base + ref)
        out.append((hreftype, flags))
    return out


def main(argv):
    try:
        if len(argv) == 4 and argv[1] == "patch":
            with open(argv[2], "rb") as source:
                tlb = MsftFile(source.read())
            patch(tlb)
            with open(argv[3], "wb") as out:
                out.write(tlb.data)
            return 0
        if len(argv) == 3 and argv[1] == "dump":
            with open(argv[2], "rb") as source:
                dump(MsftFile(source.read()))
            return 0
    except TypelibError as error:
        print("velmora_typelib: %s" % error, file=sys.stderr)
        return 1
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
