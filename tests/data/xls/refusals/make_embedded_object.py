#!/usr/bin/python3
"""Makes embedded_object.xls from ../lo_report.xls: the first picture's OBJ record gets an
embedded-object part, as a picture standing for an OLE object has: its closing ftEnd
sub-record becomes an empty ftPictFmla one. The stream keeps its size, so nothing else
moves; the file is for the model's refusal tests, not for other readers."""
import os
import struct
import sys

import olefile

here = os.path.dirname(os.path.abspath(__file__))
source = os.path.join(here, "..", "lo_report.xls")
target = os.path.join(here, "embedded_object.xls")

with open(source, "rb") as f:
    data = f.read()
with open(target, "wb") as f:
    f.write(data)

ole = olefile.OleFileIO(target, write_mode=True)
stream = bytearray(ole.openstream("Workbook").read())
at = 0
done = False
while at + 4 <= len(stream) and not done:
    rid, size = struct.unpack_from("<HH", stream, at)
    body = at + 4
    if rid == 0x005D and size >= 22:
        ft, cb, kind = struct.unpack_from("<HHH", stream, body)
        if ft == 0x0015 and kind == 8:  # ftCmo of a picture
            sub = body + 4 + cb
            while sub + 4 <= body + size:
                ft, cb = struct.unpack_from("<HH", stream, sub)
                if ft == 0x0000:  # ftEnd
                    struct.pack_into("<H", stream, sub, 0x0009)  # ftPictFmla
                    done = True
                    break
                sub += 4 + cb
    at = body + size
if not done:
    sys.exit("no picture OBJ in " + source)
ole.write_stream("Workbook", bytes(stream))
ole.close()
