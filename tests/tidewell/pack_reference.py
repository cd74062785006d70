"""Packs or unpacks a file independently of the C++ code, for comparison in tests.

usage: pack_reference.py pack|unpack IN OUT PASSPHRASE [LEVEL]
Packed form: a zlib stream, then RC4 under MD5(pass phrase)[:5] + 11 zero bytes.
"""
import hashlib
import sys
import zlib


def rc4(key, data):
    s = list(range(256))
    j = 0
    for i in range(256):
        j = (j + s[i] + key[i % len(key)]) & 255
        s[i], s[j] = s[j], s[i]
    out = bytearray(len(data))
    i = j = 0
    for n, byte in enumerate(data):
        i = (i + 1) & 255
        j = (j + s[i]) & 255
        s[i], s[j] = s[j], s[i]
        out[n] = byte ^ s[(s[i] + s[j]) & 255]
    return bytes(out)


def main():
    mode, src, dst, phrase = sys.argv[1:5]
    level = int(sys.argv[5]) if len(sys.argv) > 5 else 6
    key = hashlib.md5(phrase.encode("latin-1")).digest()[:5] + bytes(11)
    data = open(src, "rb").read()
    if mode == "pack":
        result = rc4(key, zlib.compress(data, level))
    else:
        result = zlib.decompress(rc4(key, data))
    open(dst, "wb").write(result)


main()
