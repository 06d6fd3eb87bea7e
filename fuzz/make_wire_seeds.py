#!/usr/bin/env python3
"""Writes the seeds of fuzz_wire_value: bodies of calls with one automation value (qv),
marshalled little-endian as D-Bus does, one file per value of each type code and shape.

Usage: fuzz/make_wire_seeds.py [folder]   (default: fuzz/corpus/fuzz_wire_value)
"""
import hashlib
import os
import struct
import sys

# Payload signature of each scalar type code.
PAYLOAD = {0: 'b', 1: 'b', 11: 'b', 2: 'n', 16: 'n', 3: 'i', 10: 'i', 4: 'd', 5: 'd', 7: 'd',
           6: 'x', 20: 'x', 8: 's', 17: 'y', 18: 'q', 19: 'u', 21: 't'}
BASIC = {'y': ('<B', 1), 'b': ('<I', 4), 'n': ('<h', 2), 'q': ('<H', 2), 'i': ('<i', 4),
         'u': ('<I', 4), 'x': ('<q', 8), 't': ('<Q', 8), 'd': ('<d', 8)}
ARRAY = 0x2000
VARIANT = 12


class Writer:
    def __init__(self):
        self.out = bytearray()

    def align(self, n):
        self.out += b'\0' * (-len(self.out) % n)

    def basic(self, sig, value):
        if sig == 's':
            data = value.encode()
            self.align(4)
            self.out += struct.pack('<I', len(data)) + data + b'\0'
            return
        fmt, size = BASIC[sig]
        self.align(size)
        self.out += struct.pack(fmt, value)

    def signature(self, sig):
        self.out += bytes([len(sig)]) + sig.encode() + b'\0'

    def value(self, code, payload):
        """(qv): the type code, then the payload in a variant."""
        self.align(8)
        self.basic('q', code)
        if code & ARRAY:
            self.signature('(a(ii)av)')
            self.array(code & ~ARRAY, *payload)
        else:
            sig = PAYLOAD[code]
            self.signature(sig)
            self.basic(sig, payload)

    def array(self, elem, bounds, items):
        """(a(ii)av): bounds, then every element in a variant."""
        self.align(8)
        self.sized(8, lambda: [self.bound(low, count) for low, count in bounds])
        self.sized(1, lambda: [self.element(elem, item) for item in items])

    def sized(self, alignment, write):
        self.align(4)
        at = len(self.out)
        self.out += b'\0\0\0\0'
        self.align(alignment)
        start = len(self.out)
        write()
        self.out[at:at + 4] = struct.pack('<I', len(self.out) - start)

    def bound(self, low, count):
        self.align(8)
        self.basic('i', low)
        self.basic('i', count)

    def element(self, elem, item):
        if elem == VARIANT:
            self.signature('(qv)')
            self.value(*item)
        else:
            sig = PAYLOAD[elem]
            self.signature(sig)
            self.basic(sig, item)


SEEDS = [
    (0, False), (1, False), (2, -5), (3, 42), (4, 1.5), (5, -2.25), (6, 123450000),
    (7, 45000.5), (8, 'abc'), (8, 'Поверка'), (10, -2147352572), (11, True), (16, -8),
    (17, 200), (18, 65535), (19, 4000000000), (20, -(1 << 40)), (21, 1 << 63),
    (ARRAY | 3, ([(0, 3)], [1, 2, 3])),
    (ARRAY | 17, ([(1, 2), (0, 2)], [1, 2, 3, 4])),
    (ARRAY | 8, ([(0, 2)], ['a', 'б'])),
    (ARRAY | 11, ([(0, 0)], [])),
    (ARRAY | 5, ([(-1, 1)], [0.5])),
    (ARRAY | VARIANT, ([(0, 3)], [(3, 7), (8, 'x'), (ARRAY | 2, ([(0, 2)], [1, -1]))])),
]


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), 'corpus', 'fuzz_wire_value')
    os.makedirs(folder, exist_ok=True)
    for code, payload in SEEDS:
        w = Writer()
        w.value(code, payload)
        data = bytes(w.out)
        with open(os.path.join(folder, hashlib.sha1(data).hexdigest()), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
