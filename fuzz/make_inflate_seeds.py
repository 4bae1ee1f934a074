#!/usr/bin/env python3
"""Writes the inflate fuzz target's seed corpus: the raw deflate vectors of
the test corpus and small zlib streams of every strategy.  Deterministic; run
from anywhere: python3 fuzz/make_inflate_seeds.py"""
import os, random, zlib

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
out = os.path.join(root, 'fuzz', 'corpus', 'inflate')
os.makedirs(out, exist_ok=True)

def write(name, data):
    with open(os.path.join(out, name), 'wb') as f:
        f.write(data)

with open(os.path.join(root, 'tests', 'data', 'corpus', 'deflate', 'vectors.tsv')) as f:
    next(f)
    for line in f:
        cells = line.rstrip('\n').split('\t')
        write('vector-' + cells[0], bytes.fromhex(cells[3]))

rng = random.Random(1)
words = b'the archive entry window of and deflate stream header block code match'.split()
text = b' '.join(rng.choice(words) for _ in range(700))
binary = bytes(rng.randrange(256) if i % 7 else i & 0xFF for i in range(3000))
inputs = {'text': text, 'binary': binary, 'runs': b'a' * 900 + b'b' * 3 + b'a' * 600,
          'empty': b'', 'one': b'x'}
strategies = {'default': zlib.Z_DEFAULT_STRATEGY, 'filtered': zlib.Z_FILTERED,
              'huffman': zlib.Z_HUFFMAN_ONLY, 'rle': zlib.Z_RLE, 'fixed': zlib.Z_FIXED}
for iname, data in inputs.items():
    for sname, strategy in strategies.items():
        for level in (0, 1, 9):
            c = zlib.compressobj(level, zlib.DEFLATED, -15, 8, strategy)
            write('zlib-%s-%s-%d' % (iname, sname, level), c.compress(data) + c.flush())
