#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets. Frames and check values are computed here,
bit by bit, independently of the code under test. Run from anywhere; rewrites corpus/*/seed-*."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def crc16(data):
    crc = 0xFFFF
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def rtu(frame):
    c = crc16(frame)
    return bytes(frame) + bytes([c & 0xFF, c >> 8])


def pieces(*parts):
    out = b""
    for part in parts:
        out += bytes([len(part)]) + part
    return out


def write(target, name, data):
    folder = os.path.join(HERE, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "seed-" + name), "wb") as f:
        f.write(data)


REGS12 = bytes.fromhex("0314253647586 97A8B9CADBECFE0F1021324354657 68798A".replace(" ", ""))
READ12 = rtu(bytes([1, 3, 24]) + REGS12)
EXC2 = rtu(bytes([1, 0x83, 2]))

# rtu_reply: mode, station, first register, count, function, [data], pieces
read_head = bytes([0, 1, 0, 0, 0, 12, 3])
write("rtu_reply", "read-whole", read_head + pieces(READ12))
write("rtu_reply", "read-3-then-26", read_head + pieces(READ12[:3], READ12[3:]))
write("rtu_reply", "exception-2", read_head + pieces(EXC2))
write("rtu_reply", "bad-crc", read_head + pieces(READ12[:7] + bytes([READ12[7] ^ 1]) + READ12[8:]))
write("rtu_reply", "wrong-station", read_head + pieces(bytes([2]) + READ12[1:]))
write("rtu_reply", "garbage-first", read_head + pieces(b"\xff\x00", READ12))
write("rtu_reply", "write-echo", bytes([1, 1, 0, 12, 0, 1, 16, 0, 2])
      + pieces(rtu(bytes([1, 16, 0, 12, 0, 1]))))

# tcp_reply: transaction identifier, station, first register, count, pieces
tcp_head = bytes([0, 1, 1, 0, 0, 0, 12])
mbap = lambda tid, pdu: struct.pack(">HHH", tid, 0, len(pdu)) + pdu
TCP12 = mbap(1, bytes([1, 3, 24]) + REGS12)
write("tcp_reply", "read-whole", tcp_head + pieces(TCP12))
write("tcp_reply", "read-two-pieces", tcp_head + pieces(TCP12[:9], TCP12[9:]))
write("tcp_reply", "busy-then-reply", tcp_head + pieces(mbap(1, bytes([1, 0x83, 6])), TCP12))
write("tcp_reply", "exception-2", tcp_head + pieces(mbap(1, bytes([1, 0x83, 2]))))
write("tcp_reply", "stale-identifier", tcp_head + pieces(mbap(7, bytes([1, 3, 24]) + REGS12)))
write("tcp_reply", "length-65535", tcp_head + pieces(struct.pack(">HHH", 1, 0, 65535) + b"\x01\x03"))
write("tcp_reply", "wrong-unit", tcp_head + pieces(mbap(1, bytes([9, 3, 24]) + REGS12)))


# read_device: mode, station, then per request: length, reply, first piece size
def registers(values):
    return b"".join(struct.pack(">H", v) for v in values)


def read_reply(values, function=3):
    return rtu(bytes([1, function, 2 * len(values)]) + registers(values))


def chunk(reply, first=255):
    return bytes([len(reply)]) + reply + bytes([first])


ident_three = [1, 0, 0, 0, 0, 3, 0, 12, 34, 0, 0, 0]
ident_one = [1, 0, 0, 0, 1, 67367 - 65536, 0, 10, 20, 0, 0, 0]
three = (chunk(read_reply(ident_three)) + chunk(read_reply([2])) + chunk(read_reply([5]))
         + chunk(read_reply([6])) + chunk(read_reply([7]))
         + b"".join(chunk(read_reply([3, 0, 500, 0, 0, 0, 0, 9], 4)) for _ in range(4)))
write("read_device", "three-line", bytes([0, 1]) + three)
write("read_device", "one-line", bytes([0, 1]) + chunk(read_reply(ident_one)) + chunk(read_reply([40])))
write("read_device", "one-line-in-pieces", bytes([0, 1]) + chunk(read_reply(ident_one), 3)
      + chunk(read_reply([40]), 1))
write("read_device", "station-zero", bytes([0, 1]) + chunk(read_reply([0] + ident_three[1:])))
write("read_device", "silent-after-one", bytes([0, 1]) + chunk(read_reply(ident_three)))
write("read_device", "fixed-frames", bytes([2, 1]) + three)
write("read_device", "open-fails", bytes([1, 1]))

# xml_load: settings files and the reader's corner cases
write("xml_load", "settings", b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><config>'
      b"<productName>ZEL Software</productName><icono>Tarvolin.ico</icono>"
      b"<timeRefresh>10</timeRefresh><comType>3</comType><stNum>1</stNum><portConfig>0</portConfig>"
      b"<port>1</port><ipAddress>127.0.0.1</ipAddress><ipSocket>502</ipSocket></config>")
write("xml_load", "bom-declaration", b"\xef\xbb\xbf<?xml version=\"1.0\"?><config/>")
write("xml_load", "mixed-text", b"<a>x<b/>y</a>")
write("xml_load", "attributes", b"<a z=\"1\" b='2' c=\"it's\" d = \"3\"><e f=\"&amp;\"/></a>")
write("xml_load", "entities", b"<a>1 &lt; 2 &amp;amp; R&D &quot;&apos;&gt;</a>")
write("xml_load", "emoji", "<a>\U0001F600\u00e9</a>".encode())
write("xml_load", "nested", b"<a><b><c><d>deep</d></c></b></a>")

# string_table: mode (bit 0 fixes the check value), then the file


def table(texts):
    index = b""
    blob = b""
    offset = 2 + 8 * len(texts) + 2
    for number, text in sorted(texts.items()):
        index += struct.pack(">HIH", number, offset + len(blob), len(text))
        blob += text
    head = struct.pack(">H", len(texts)) + index
    c = crc16(head)
    return head + bytes([c & 0xFF, c >> 8]) + blob


texts = {1: b"Another copy is running.", 3: "Conexi\u00f3n".encode(), 7: b"", 9: b"cut\x00here"}
write("string_table", "valid", b"\x00" + table(texts))
write("string_table", "empty", b"\x00\x00\x00")
write("string_table", "bad-check", b"\x00" + table(texts)[:-30] + b"\x00" + table(texts)[-29:])
write("string_table", "offset-beyond-end", b"\x01" + struct.pack(">HHIH", 1, 5, 1000, 10) + b"\0\0")
write("string_table", "unsorted", b"\x01" + struct.pack(">HHIHHIH", 2, 9, 20, 2, 3, 20, 2) + b"\0\0abcd")

# catalog: the delivered English catalog and the escapes
with open(os.path.join(HERE, "..", "..", "..", "res", "strings", "en.txt"), "rb") as f:
    write("catalog", "english", f.read())
write("catalog", "escapes", b"# comment\r\n\r\n1\ta\\tb\\nc\\\\d\\r\r\n65535\t\n2\t\xc3\xa9\xff\n")
