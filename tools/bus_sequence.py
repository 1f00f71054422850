#!/usr/bin/env python3
"""Compares the bus sequences of two VCD traces written by --trace.

Decodes each trace into starts (S), stops (P), bytes with their acknowledge
(A0a: 0xA0 acknowledged, A0n: refused), supply changes (PWR0/PWR1) and the
clock pulses left over (rest:BITS). The refused selects of acknowledge
polling are folded into one POLL, since how often a memory busy with its
write cycle is polled depends on the time, not on the bus master.

    python3 tools/bus_sequence.py before.vcd after.vcd
"""
import sys, re
def decode(path):
    scl=sda=None; sup=None
    toks=[]; bits=[]
    for line in open(path):
        line=line.strip()
        if not line or line[0] in '#$': continue
        v,c=line[0],line[1:]
        if c=='(':
            if sup is not None and v!=sup: toks.append('PWR'+v)
            sup=v
        if c=='!':
            if v=='1' and scl=='0' and sda is not None: bits.append(sda)
            scl=v
        elif c=='"':
            if scl=='1' and sda is not None and v!=sda:
                if bits:
                    toks.append('bits:'+''.join(bits)); bits=[]
                toks.append('S' if v=='0' else 'P')
            sda=v
    out=[]
    for t in toks:
        if t.startswith('bits:'):
            b=t[5:]
            while len(b)>=9:
                out.append('%02X%s'%(int(b[:8],2),'a' if b[8]=='0' else 'n')); b=b[9:]
            if b: out.append('rest:'+b)
        else: out.append(t)
    s=' '.join(out)
    s=re.sub(r'(S A[0-9A-F]n (rest:1 )?)+', 'POLL ', s)
    return s
a=decode(sys.argv[1]); b=decode(sys.argv[2])
print(len(a.split()), len(b.split()), 'identical' if a==b else 'DIFFER')
if a!=b:
    import difflib
    for l in list(difflib.unified_diff(a.split(),b.split(),lineterm=''))[:40]: print(l)
