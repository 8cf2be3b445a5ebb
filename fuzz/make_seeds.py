#!/usr/bin/env python3
"""Writes seed inputs for the fuzz targets that need built ones.

usage: make_seeds.py OUT [--captures FOLDER]

Makes OUT/<target>/ for psfile_fuzz (chunk-list files of their real size,
followed by programme-stream packs), settings_file_fuzzer, registry_fuzzer,
profile_fuzzer and sink_intake_fuzzer. With --captures (the transport-stream
captures demux_seed_capture writes) also the ones cut from the sample
broadcast: demux_fuzzer and demux_filter_fuzzer (multi-packet pieces behind
the harnesses' four option bytes), vtuner_capture_fuzzer (short captures) and
captions_transport_fuzzer (the start of each multiplex).
"""
import argparse
import os
import struct
import zlib


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# ---- CRCs ----------------------------------------------------------------

def crc32_mpeg2(data):
    crc = 0xFFFFFFFF
    for b in data:
        crc ^= b << 24
        for _ in range(8):
            crc = ((crc << 1) ^ 0x04C11DB7) & 0xFFFFFFFF if crc & 0x80000000 else (crc << 1) & 0xFFFFFFFF
    return crc


def crc16_ac3(data, crc=0):
    for b in data:
        crc ^= b << 8
        for _ in range(8):
            crc = ((crc << 1) ^ 0x8005) & 0xFFFF if crc & 0x8000 else (crc << 1) & 0xFFFF
    return crc


# ---- Elementary streams ----------------------------------------------------

def filler(size, seed):
    out, v = bytearray(), seed
    while len(out) < size:
        v = (v * 13 + 7) & 0xFF
        out.append(v or 0x55)  # never two zero bytes: no start codes
    return bytes(out)


def sequence_header(rate_code=4):
    return bytes([0, 0, 1, 0xB3, 0x2D, 0x01, 0xE0, 0x20 | rate_code, 0x09, 0xC4, 0x23, 0x80,
                  0, 0, 1, 0xB5, 0x14, 0x82, 0x00, 0x01, 0x00, 0x00])


def picture(temporal_reference, size, seed):
    head = bytes([0, 0, 1, 0, temporal_reference >> 2, (temporal_reference & 3) << 6 | 0x08,
                  0xFF, 0xF8])
    return head + filler(size - len(head), seed)


AC3_KBPS = [32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 448, 512, 576, 640]


def ac3_frame(frmsizecod, seed):
    size = AC3_KBPS[frmsizecod // 2] * 4  # 48 kHz
    frame = bytearray(filler(size, seed).replace(b"\x0b", b"\x0c"))
    frame[0:6] = bytes([0x0B, 0x77, 0, 0, frmsizecod, 0x40])
    words = size // 2
    end = ((words >> 1) + (words >> 3)) * 2
    crc = crc16_ac3(frame[2:end - 2])
    frame[end - 2:end] = struct.pack(">H", crc)
    return bytes(frame)


# ---- Programme-stream packs and chunk lists --------------------------------

def scr_bytes(scr27):
    base, ext = scr27 // 300, scr27 % 300
    v = (1 << 46) | ((base >> 30) & 7) << 43 | 1 << 42 | ((base >> 15) & 0x7FFF) << 27 | 1 << 26 | \
        (base & 0x7FFF) << 11 | 1 << 10 | ext << 1 | 1
    return v.to_bytes(6, "big")


def pts_bytes(prefix, pts):
    return bytes([prefix << 4 | ((pts >> 29) & 0x0E) | 1, (pts >> 22) & 0xFF,
                  ((pts >> 14) & 0xFE) | 1, (pts >> 7) & 0xFF, ((pts << 1) & 0xFE) | 1])


def pack(scr27, stream_id, payload, pts=None):
    head = b"\x00\x00\x01\xba" + scr_bytes(scr27) + bytes([0x01, 0x89, 0xC3, 0xF8])
    fields = pts_bytes(2, pts) if pts is not None else b""
    pes_head = bytes([0x81, 0x80 if pts is not None else 0, len(fields)]) + fields
    room = 2048 - len(head) - 6 - len(pes_head)
    payload = payload[:room]
    pes = b"\x00\x00\x01" + bytes([stream_id]) + struct.pack(">H", len(pes_head) + len(payload)) + \
        pes_head + payload
    left = 2048 - len(head) - len(pes)
    padding = b"\x00\x00\x01\xbe" + struct.pack(">H", left - 6) + b"\xff" * (left - 6) if left >= 6 \
        else b""
    out = head + pes + padding
    return out + b"\xff" * (2048 - len(out))


def programme(packs, start_pts=90000):
    out = bytearray()
    for i in range(packs):
        pts = start_pts + i * 3003
        if i % 3 == 2:
            out += pack(pts * 300, 0xBD, b"\x80\x01\x00\x01" + ac3_frame(12, i), pts)
        else:
            out += pack(pts * 300, 0xE0, (sequence_header() if i == 0 else b"") +
                        picture(i % 16, 1800, i), pts)
    return bytes(out)


def chunk_list(oldest, live, keep_mask=0, slots=8):
    newest = oldest + live - 1
    out = bytearray(struct.pack("<iiii", newest, oldest, live, newest + 1))
    live_slots = {i % slots: i for i in range(oldest, newest + 1)}
    for k in range(slots):
        if k in live_slots:
            index = live_slots[k]
            path = "/rec/buffer_%04d.mpg" % index
            units = path.encode("utf-16-le") + b"\0\0"
            keep = (keep_mask >> k) & 1
            out += struct.pack("<iii", 2, keep, index) + units + bytes(520 - len(units))
        else:
            out += struct.pack("<iii", 0, 0, 0) + bytes(520)
    return bytes(out)


def psfile_seeds(folder):
    shapes = [(0, 0), (0, 1), (0, 3), (0, 5), (3, 5), (6, 4), (9, 2), (100, 5), (7, 1)]
    for n, (oldest, live) in enumerate(shapes):
        write(folder, "list-%02d" % n, chunk_list(oldest, live) + programme(2 + n % 3))
    write(folder, "list-keep", chunk_list(2, 5, keep_mask=0b10100) + programme(3))
    write(folder, "list-wide", chunk_list(4, 10, slots=13) + programme(2))
    write(folder, "list-only", chunk_list(1, 2))
    write(folder, "file", programme(6))


# ---- Settings file -----------------------------------------------------------

def u16z(text, units):
    raw = text.encode("utf-16-le")
    return raw + bytes(units * 2 - len(raw))


def counted(text):
    raw = text.encode("utf-16-le")
    return struct.pack("<H", len(text) + 1) + raw + b"\0\0"


def locator(physical, major, minor):
    return struct.pack("<BBHHHII", physical, 1, major, minor, 0x31, 0, 0)


def channel_record(physical, major, minor, name):
    rec = locator(physical, major, minor) + u16z(name, 16) + struct.pack("<I", 1)
    rec += struct.pack("<HHH", 0x31, 0x34, 0x31) + bytes(112 - len(rec) - 6)
    return rec + bytes(112 - len(rec))


def options(tuners):
    out = struct.pack("<I", len(tuners))
    for name, path in tuners:
        out += counted(name) + counted(path) + locator(2, 0, 0)
    out += counted("MPEG-2 Video Decoder") + counted("")
    record = bytearray(1192)
    record[0:16] = locator(7, 7, 1)
    record[60:64] = struct.pack("<i", 12)
    record[152:152 + 20] = "/home/v".encode("utf-16-le") + bytes(6)
    return out + bytes(record)


def timer_record(start, name, weekly):
    rec = bytearray(640)
    rec[24:40] = locator(7, 7, 1)
    rec[40:52] = struct.pack("<III", start, start + 1800, 0)
    rec[52:52 + 2 * len(name)] = name.encode("utf-16-le")
    rec[572:576] = struct.pack("<i", 0)
    rec[576:592] = bytes(range(1, 17))
    rec[592] = 1 if weekly else 0
    rec[593] = 0x3E if weekly else 0
    rec[600:616] = struct.pack("<qI", start, 1800)
    return bytes(rec)


def settings_chunk(tag, payload):
    head = tag + struct.pack("<III", 0xDEADBEEF, len(payload), 0)
    return head + payload + struct.pack("<I", crc32_mpeg2(head + payload))


def settings_seeds(folder):
    tags = {b"CHAN": 0, b"OPT\0": 1, b"TIM ": 2, b"END ": 3, b"XTRA": 4}
    files = {
        "full": [(b"CHAN", channel_record(7, 7, 1, "KABC")), (b"CHAN", channel_record(7, 7, 2, "KABC-2")),
                 (b"OPT\0", options([("Virtual Tuner", "/dev/vt0"), ("DVB", "/dev/dvb/adapter0")])),
                 (b"TIM ", timer_record(1900000000, "News", False)),
                 (b"TIM ", timer_record(1900086400, "Weekly film", True)), (b"END ", b"")],
        "options": [(b"OPT\0", options([])), (b"END ", b"")],
        "unknown": [(b"XTRA", b"\x01\x02\x03"), (b"CHAN", channel_record(9, 9, 1, "WXYZ")),
                    (b"END ", b"")],
        "unended": [(b"TIM ", timer_record(1900000000, "No end", False))],
    }
    for name, chunks in files.items():
        framed = b"\0" + b"".join(bytes([tags[t]]) + struct.pack("<H", len(p)) + p for t, p in chunks)
        write(folder, "framed-" + name, framed)
        write(folder, "raw-" + name, b"\1" + b"".join(settings_chunk(t, p) for t, p in chunks))


# ---- Registry and profile ----------------------------------------------------

def registry_seeds(folder):
    write(folder, "devices", b"Corvane registry 1\n[]\n[CLSID]\n"
          b"[CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance\\Virtual Tuner]\n"
          b"\"FriendlyName\"=1:5669727475616c2054756e657200\n"
          b"\"FilterData\"=3:0200000000002000010000000000000030706933\n"
          b"\"Merit\"=4:00002000\n")
    write(folder, "escapes", b"Corvane registry 1\n[Software\\Corvane DVR\\Buffer]\n"
          b"\"Depth\"=4:3c000000\n\"na\\\"me\\n\"=1:6100\n\"\"=11:0100000000000000\n"
          b"[software\\CORVANE DVR]\n\"Depth\"=4:01000000\n")


def profile_seeds(folder):
    write(folder, "textsource", b"[TextSource]\nparam1=12\nparam2=-3\n")
    write(folder, "sections", b"[a]\r\nkey=value\r\n[B]\nKEY=1=2\n\n[]\n=empty\nloose\n[a]\nk2=\n")


# ---- Sink intake -------------------------------------------------------------

VIDEO, AUDIO, TEXT, OPERATION = 0, 1, 2, 3
TIMED, DISCONTINUITY, SYNC, STOPPED = 0x04, 0x08, 0x10, 0x20


def sample(pin, flags, step_ms, data):
    return bytes([pin | flags]) + struct.pack("<hH", step_ms, len(data)) + data


def sink_seed(seconds, list_file=True, extra=b""):
    out = bytearray([0, 3, 0x00 if list_file else 0x40])  # 1-second chunks, 4 live
    frame = 0
    for i in range(int(seconds * 30)):
        video = (sequence_header() if i % 15 == 0 else b"") + picture(i % 15, 120 + 37 * (i % 7), i)
        out += sample(VIDEO, TIMED | (SYNC if i % 15 == 0 else 0), 33, video)
        if i % 2 == 0:
            out += sample(AUDIO, TIMED, 0, ac3_frame(0, frame) + ac3_frame(0, frame + 1))
            frame += 2
        if i % 30 == 0:
            out += sample(TEXT, TIMED, 0, b"\x14\x2c\x94\x20Hello")
    return bytes(out + extra)


def sink_seeds(folder):
    write(folder, "list", sink_seed(2))
    write(folder, "recording", sink_seed(1, list_file=False))
    write(folder, "discontinuity", sink_seed(1) + sample(VIDEO, TIMED | DISCONTINUITY, -500, picture(0, 300, 9)) +
          sink_seed(1)[3:])
    write(folder, "operations", sink_seed(0.5) + bytes([OPERATION | 0x80]) +
          sample(AUDIO, TIMED, 40, ac3_frame(8, 3)) + bytes([OPERATION | 0xC0, 1]) +
          bytes([OPERATION | 0x40]) + sink_seed(0.5)[3:])
    write(folder, "untimed", bytes([0, 0, 0]) + sample(AUDIO, 0, 0, ac3_frame(4, 1)[7:]) +
          sample(AUDIO, TIMED | STOPPED, 10, ac3_frame(4, 2)) + sample(TEXT, 0, 0, b"x"))


# ---- Demultiplexer -----------------------------------------------------------

def demux_seeds(folder, captures):
    files = sorted(os.path.join(captures, f) for f in os.listdir(captures) if f.endswith(".ts"))
    options = [(188, 200, 0x00), (1024, 60, 0x01), (7, 255, 0x02), (376, 1, 0x03)]
    sizes = [4 * 188, 20 * 188, 170 * 188]
    n = 0
    for path in files[:3]:
        with open(path, "rb") as f:
            data = f.read()
        for size in sizes:
            for start in (0, len(data) // 2 // 188 * 188):
                chunk, max_sample, mode = options[n % len(options)]
                head = struct.pack("<H", chunk - 1) + bytes([max_sample, mode])
                write(folder, "ts-%02d" % n, head + data[start:start + size])
                n += 1


def capture_data(captures):
    files = sorted(os.path.join(captures, f) for f in os.listdir(captures) if f.endswith(".ts"))
    for path in files:
        with open(path, "rb") as f:
            yield os.path.basename(path)[:-3], f.read()


def vtuner_seeds(folder, captures):
    """Captures of a few dozen packets, some starting out of step."""
    for name, data in capture_data(captures):
        middle = len(data) // 2 // 188 * 188
        write(folder, name + "-start", data[:20 * 188])
        write(folder, name + "-middle", data[middle:middle + 60 * 188])
        write(folder, name + "-torn", data[5:5 + 30 * 188])


def trimmed_video(data, units):
    """The multiplex's tables, then the first two packets of each of the first
    video PES units (their headers and picture user data, where the captions
    are) with the continuity counters renumbered so that nothing looks lost."""
    packets = [data[i:i + 188] for i in range(0, len(data) - 187, 188)]
    pid = lambda p: (p[1] & 0x1F) << 8 | p[2]
    starts = lambda p: p[1] & 0x40 and p[3] & 0x10 and p[4:8] == b"\0\0\1\xe0"
    video = next((pid(p) for p in packets if starts(p)), None)
    if video is None:
        return None
    # The PAT, then (once the finder has read it and mapped the PMT PIDs, which
    # it does every seven packets) the PMTs and whatever else comes first.
    tables = [p for p in packets[:40] if pid(p) not in (video, 0x1FFF)]
    null = b"\x47\x1f\xff\x10" + b"\xff" * 184
    out = bytearray(b"".join(p for p in tables if pid(p) == 0) + null * 6)
    out += b"".join(p for p in tables if pid(p) != 0)
    taken, kept, counter = 0, 0, 0
    for p in packets:
        if pid(p) != video:
            continue
        if p[1] & 0x40:
            taken, kept = taken + 1, 0
            if taken > units:
                break
        if taken == 0 or kept == 2:
            continue
        out += p[:3] + bytes([(p[3] & 0xF0) | counter]) + p[4:]
        counter, kept = (counter + 1) & 15, kept + 1
    return bytes(out)


def captions_seeds(folder, captures):
    """Behind the programme byte (0: the first programme with video): the start
    of each multiplex, and its video cut down to the start of each picture."""
    for name, data in capture_data(captures):
        for packets in (60, 170):
            write(folder, "%s-%d" % (name, packets), b"\0\0\0" + data[:packets * 188])
        trimmed = trimmed_video(data, 60)
        if trimmed:
            write(folder, name + "-pictures", b"\0\0\0" + trimmed[:32768 - 3])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("--captures")
    args = parser.parse_args()
    psfile_seeds(os.path.join(args.out, "psfile_fuzz"))
    settings_seeds(os.path.join(args.out, "settings_file_fuzzer"))
    registry_seeds(os.path.join(args.out, "registry_fuzzer"))
    profile_seeds(os.path.join(args.out, "profile_fuzzer"))
    sink_seeds(os.path.join(args.out, "sink_intake_fuzzer"))
    if args.captures:
        demux_seeds(os.path.join(args.out, "demux_fuzzer"), args.captures)
        demux_seeds(os.path.join(args.out, "demux_filter_fuzzer"), args.captures)
        vtuner_seeds(os.path.join(args.out, "vtuner_capture_fuzzer"), args.captures)
        captions_seeds(os.path.join(args.out, "captions_transport_fuzzer"), args.captures)


if __name__ == "__main__":
    main()
