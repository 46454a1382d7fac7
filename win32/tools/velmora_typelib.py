#!/usr/bin/env python3
"""Finishes the type library that widl compiles from velmora.idl."""
import shutil
import sys

if __name__ == "__main__":
    if len(sys.argv) != 4 or sys.argv[1] != "patch":
        sys.exit("usage: velmora_typelib.py patch <widl.tlb> <out.tlb>")
    shutil.copyfile(sys.argv[2], sys.argv[3])
