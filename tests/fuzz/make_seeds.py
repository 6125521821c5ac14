#!/usr/bin/env python3
"""Writes the seed inputs of fuzz_writers and fuzz_ids in the byte layout
their decoders read (tests/fuzz/fuzzInput.h, fuzz_writers.cpp, fuzz_ids.cpp).
Run it again only when a decoder changes: python3 make_seeds.py"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def num(v):
    if -32 <= v <= 159:
        return bytes([v + 0x20])
    if 0 <= v <= 0xFFFF:
        return bytes([0xC0]) + struct.pack('<H', v)
    return bytes([0xF0]) + struct.pack('<I', v & 0xFFFFFFFF)


def text(s):
    b = s.encode('latin-1') if isinstance(s, str) else s
    return bytes([len(b)]) + b


# Bits of the mask of repeated records: copy k adds k to these ids.
SAT, STP, GROUP, SID, CHINDEX, FAV = 1, 2, 4, 8, 16, 32


def rec(tag, *fields, copies=1, mask=0):
    if copies == 1:
        return bytes([tag, 0]) + b''.join(fields)
    return bytes([tag, 0xF0 + copies.bit_length() - 1, mask]) + b''.join(fields)


def header(builder, list_type=0, e_type=0, ch_fake=0, fail_at=0):
    # lang listType fileType chFake logFile lonWE e1Type e2Type gHD g3D gRad gTP latDec lonDec
    digits = [2, list_type, 2, ch_fake, 1, 1, e_type, e_type, 1, 1, 1, 0, 4, 2]
    out = bytes([builder, 0 if fail_at == 0 else 0xEF + fail_at]) + bytes(digits)
    out += bytes([45 + 9, 9 + 9]) + struct.pack('<H', 5 + 99)
    out += struct.pack('<I', 150 + 9999) + struct.pack('<I', 100 + 9999)
    return out + bytes([54, 2, 6, 9, 5, 2])  # 2024-03-07 09:05:02


def sat(sid, name, pos, group=0, copies=1, mask=0):
    setup = [1, 3, 6, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0]
    return rec(0, num(sid), b'\x01', text(name), text(name), text('East'), num(group), num(pos),
               *[num(v) for v in setup], text('111'), text('11111'), text('1111'), copies=copies,
               mask=mask)


def tp(sat_id, stp, freq, pol, nid, tid, group=0, copies=1, mask=0):
    return rec(1, num(sat_id), b'\x01', num(stp), num(group), text('TP%d' % stp), num(freq),
               num(pol), num(27500), num(3), num(1), text(nid), text(tid), num(0), copies=copies,
               mask=mask)


def ch(sat_id, stp, group, name, sid, ch_type=0, fake=0, scrambled=0, copies=1, mask=0):
    out = [b'\x01' if fake else b'\x00', num(sat_id), b'\x01', num(stp), num(group), num(group),
           text('Bouquet %d' % group), num(1), num(2)]
    if not fake:
        out.append(num(ch_type))
    out += [num(1), num(0), text(name), text(sid), text('0100'), text('0101'), text('0100'),
            text('0200')]
    out += [num(v) for v in (1, scrambled, 0, 0, 0, 0, 0)]
    return rec(2, *out, copies=copies, mask=mask)


def audio(apid, lang=1, ac3=0):
    return rec(3, text(apid), num(lang), text('ita'), num(0), num(ac3))


def cas(cid):
    return rec(4, num(cid))


def fav(fid, name):
    return rec(5, num(fid), text(name))


def link(sat_id, stp, group, sid, fav_id, ch_index, ch_type=0, copies=1, mask=0):
    return rec(6, num(sat_id), b'\x01', num(stp), num(group), text(sid), num(ch_type), num(fav_id),
               num(ch_index), copies=copies, mask=mask)


def bou(tag, bid, name, nat, nation):
    return rec(tag, num(bid), text(name), num(nat), text(nation))


def small_list(list_type):
    """Two satellites, three transponders, TV, radio and a marker, audio,
    CAS, favourites and the reference lists."""
    vs = 1000 if list_type else 1
    s1, s2 = 192 * vs + (7 if list_type else 0), 130 * vs + (8 if list_type else 0)
    b = sat(s1, 'Astra 19.2E', 192, 7) + sat(s2, 'Hot Bird 13.0E', 130, 8)
    b += tp(s1, 1, 11494, 0, '0001', '0403') + tp(s1, 2, 12551, 1, '0001', '0451')
    b += tp(s2, 3, 10992, 2, '013E', '3200')
    b += ch(s1, 1, 7, '@ Sky @', 'FFFF', fake=1)
    b += ch(s1, 1, 7, 'Sky Uno', '0D49', scrambled=1) + audio('0101') + audio('0102', 2, 1)
    b += cas(0x0919) + cas(0x1833)
    b += ch(s1, 2, 7, 'Sky TG24 HD', '1FA4') + audio('0500')
    b += ch(s1, 2, 7, 'Radio Uno', '0E4A', ch_type=1) + audio('0600')
    b += ch(s2, 3, 8, 'Rai 1', '0D4A') + audio('0A21')
    b += fav(1, 'Favourites TV') + fav(3, 'Radio Hits')
    b += link(s1, 1, 7, '0D49', 1, 1) + link(s2, 3, 8, '0D4A', 1, 4)
    b += link(s1, 2, 7, '0E4A', 3, 3, ch_type=1)
    b += bou(10, 7, 'Sky Italia', 1, 'Italia') + bou(10, 8, 'Rai', 1, 'Italia')
    b += bou(7, 9, 'Excluded', 2, 'Austria') + rec(8, num(2), text('Kids'))
    b += rec(9, num(1), text('Italia')) + rec(11, num(1), text('General'))
    b += rec(11, num(2), text('News'))
    return b


def write(folder, name, data):
    path = os.path.join(HERE, 'corpus', folder, name)
    with open(path, 'wb') as f:
        f.write(data)


def main():
    names = ['e2', 'e1', 'ndf', 'azbox', 'sb5', 's2hd', 'st1', 'js1', 'log', 'vdr']
    for builder, name in enumerate(names):
        for lt in (0, 1, 2):
            write('writers', '%s_list%d' % (name, lt),
                  header(builder, lt, e_type=0, ch_fake=1 if lt == 0 else 0) + small_list(lt))
    # Builder byte 19: the VDR slot with the bit that picks Neutrino.
    for lt in (0, 1, 2):
        write('writers', 'neutrino_list%d' % lt,
              header(19, lt, e_type=0, ch_fake=1 if lt == 0 else 0) + small_list(lt))
    # At and just past the formats' limits, by repeated records.
    big_sats = sat(1, 'S', 10, copies=64) + tp(1, 1, 11000, 0, '0001', '0001')
    write('writers', 'ndf_64sats', header(2) + big_sats + ch(1, 1, 1, 'C', '0001'))
    write('writers', 'jst_tv_limit',
          header(6) + sat(1, 'S', 10) + tp(1, 1, 11000, 0, '0001', '0001') +
          ch(1, 1, 1, 'C', '0001', copies=4096) + ch(1, 1, 1, 'D', '0002', copies=128))
    write('writers', 'azbox_many',
          header(3, 1) + sat(1001, 'S', 10, 1, copies=256) + tp(1001, 1, 11000, 0, '0001', '0001') +
          ch(1001, 1, 1, 'C', '0001', copies=16384))
    write('writers', 'e2_full_disk', header(0, 0, fail_at=4) + small_list(0))
    # Many distinct bouquets, transponders and favourite links.
    write('writers', 'e2_many_bouquets',
          header(0, 0, e_type=0) + sat(1, 'S', 10) +
          tp(1, 1, 11000, 0, '0001', '0001', copies=512, mask=STP) +
          ch(1, 1, 1, 'C', '0001', copies=4096, mask=STP | GROUP | SID) +
          fav(1, 'F') + link(1, 1, 1, '0001', 1, 0, copies=2048, mask=CHINDEX | STP | GROUP | SID))
    write('writers', 'azbox_too_large',
          header(3) + sat(1, 'S', 10) + tp(1, 1, 11000, 0, '0001', '0001', copies=4096, mask=STP) +
          tp(1, 5000, 12000, 1, '0001', '0002', copies=512, mask=STP) +
          ch(1, 1, 1, 'C', '0001', copies=16384, mask=STP | SID))
    write('writers', 'ndf_large',
          header(2) + sat(1, 'S', 10) + tp(1, 1, 11000, 0, '0001', '0001', copies=4096, mask=STP) +
          ch(1, 1, 1, 'A long channel name here', '0001', copies=16384, mask=STP | SID) +
          audio('0101') + audio('0102'))

    # fuzz_ids: a column count, then per column a length byte (top bit: NULL).
    def row(*cols):
        out = bytes([len(cols)])
        for c in cols:
            out += b'\x80' if c is None else bytes([len(c)]) + c
        return out
    write('ids', 'channel_row', row(b'0D49', b'0403', b'0101', b'0100', b'0101', b'0100', b'0200'))
    write('ids', 'bad_ids', row(b'GGGG', b'XYZW', b'00ZZZZ', None, b'', b'12', b'1234567890',
                                b'0:1;', b'ab\x00c', b'FFFF', b'ffff'))


if __name__ == '__main__':
    main()
