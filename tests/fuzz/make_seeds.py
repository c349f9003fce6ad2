#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz corpora (corpus/<target>/seed-*); inputs that once found a fault are
kept there too, as regression-*, and are not touched. Same bytes on every run.
Usage, from the repository root: /usr/bin/python3 tests/fuzz/make_seeds.py"""
import pathlib
import shutil
import struct
import subprocess
import tempfile
import zlib

HERE = pathlib.Path(__file__).resolve().parent
ASSETS = HERE.parent.parent / "engine" / "assets"

# --- font descriptions ---------------------------------------------------------------------------------

SMALL_FONT = """info face="Seed" size=32 bold=0 italic=0 charset="" unicode=1 stretchH=100 smooth=1 aa=1 padding=1,2,3,4 spacing=1,1
common lineHeight=40 base=30 scaleW=256 scaleH=128 pages=1 packed=0
page id=0 file="seed.png"
chars count=3
char id=65 x=0 y=0 width=20 height=30 xoffset=1 yoffset=2 xadvance=22 page=0 chnl=15
char id=86 x=20 y=0 width=20 height=30 xoffset=0 yoffset=2 xadvance=21 page=0 chnl=15
char id=32 x=40 y=0 width=0 height=0 xoffset=0 yoffset=0 xadvance=10 page=0 chnl=15
kernings count=2
kerning first=65 second=86 amount=-3
kerning first=86 second=65 amount=-2
"""


def font_seeds():
    yield "seed-small", SMALL_FONT.encode()
    yield "seed-no-kernings-line", SMALL_FONT.split("kernings")[0].encode()
    yield "seed-no-glyphs", SMALL_FONT.replace("chars count=3", "chars count=0").encode()
    yield "seed-negative-count", SMALL_FONT.replace("kernings count=2", "kernings count=-2").encode()
    yield "seed-bad-number", SMALL_FONT.replace("base=30", "base=low").encode()
    yield "seed-out-of-range", SMALL_FONT.replace("size=32", "size=2147483648").encode()
    yield "seed-newarial", (ASSETS / "newarial.fnt").read_bytes()


# --- PNG images -------------------------------------------------------------------------------------------

ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def pack_row(samples, depth):
    """One filtered scanline (filter 0) of samples at the bit depth."""
    if depth == 16:
        return b"\0" + b"".join(struct.pack(">H", s) for s in samples)
    if depth == 8:
        return b"\0" + bytes(samples)
    per_byte = 8 // depth
    out = bytearray()
    for i in range(0, len(samples), per_byte):
        byte = 0
        for j, s in enumerate(samples[i:i + per_byte]):
            byte |= s << (8 - depth * (j + 1))
        out.append(byte)
    return b"\0" + bytes(out)


def png(width, height, color_type, depth, pixel, palette=None, trns=None, interlaced=False):
    """pixel(x, y) gives the samples of one pixel as a tuple."""
    channels = CHANNELS[color_type]
    passes = ADAM7 if interlaced else [(0, 0, 1, 1)]
    raw = bytearray()
    for x0, y0, dx, dy in passes:
        xs = range(x0, width, dx)
        if not xs:
            continue
        for y in range(y0, height, dy):
            samples = [s for x in xs for s in pixel(x, y)]
            assert len(samples) == len(xs) * channels
            raw += pack_row(samples, depth)
    out = b"\x89PNG\r\n\x1a\n"
    out += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, color_type, 0, 0, 1 if interlaced else 0))
    if palette:
        out += chunk(b"PLTE", bytes(c for rgb in palette for c in rgb))
    if trns is not None:
        out += chunk(b"tRNS", trns)
    out += chunk(b"pHYs", struct.pack(">IIB", 3780, 3780, 1))
    out += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    out += chunk(b"IEND", b"")
    return out


def png_seeds():
    top = 255
    yield "seed-gray1", png(9, 3, 0, 1, lambda x, y: ((x + y) & 1,))
    yield "seed-gray4", png(5, 4, 0, 4, lambda x, y: ((x * 3 + y) & 15,))
    yield "seed-gray8-trns", png(4, 3, 0, 8, lambda x, y: (x * 60,), trns=struct.pack(">H", 60))
    yield "seed-gray16", png(3, 3, 0, 16, lambda x, y: (x * 20000 + y,))
    yield "seed-gray-alpha8", png(3, 2, 4, 8, lambda x, y: (x * 100, y * 200))
    yield "seed-rgb8", png(4, 4, 2, 8, lambda x, y: (x * 60, y * 60, top))
    yield "seed-rgb16-trns", png(2, 2, 2, 16, lambda x, y: (x * 30000, 5, y), trns=struct.pack(">HHH", 0, 5, 0))
    yield "seed-rgba8-interlaced", png(11, 9, 6, 8, lambda x, y: (x * 20, y * 25, 7, (x * y) & 255), interlaced=True)
    yield "seed-rgba16", png(3, 2, 6, 16, lambda x, y: (x * 9000, y * 9000, 1, 65535))
    palette = [(0, 0, 0), (255, 0, 0), (0, 255, 0), (0, 0, 255)]
    yield "seed-palette2-trns", png(7, 3, 3, 2, lambda x, y: ((x + y) % 4,), palette=palette, trns=b"\x00\x80")
    yield "seed-palette8", png(4, 2, 3, 8, lambda x, y: ((x + y) % 4,), palette=palette)


# --- JPEG files, compressed by cjpeg (libjpeg-turbo-progs) from pictures made here ------------------------

def ppm(width, height, pixel):
    body = bytes(sample for y in range(height) for x in range(width) for sample in pixel(x, y))
    return f"P{5 if len(pixel(0, 0)) == 1 else 6}\n{width} {height}\n255\n".encode() + body


def cjpeg(picture, *options):
    with tempfile.TemporaryDirectory() as folder:
        source = pathlib.Path(folder) / "picture.pnm"
        source.write_bytes(picture)
        return subprocess.run(["cjpeg", *options, str(source)], check=True, capture_output=True).stdout


def jpeg_seeds():
    colour = ppm(19, 11, lambda x, y: ((x * 13) & 255, (y * 23) & 255, ((x ^ y) * 9) & 255))
    gray = ppm(9, 17, lambda x, y: (((x + y) * 15) & 255,))
    yield "seed-colour-420", cjpeg(colour, "-quality", "80")
    yield "seed-colour-444-optimized", cjpeg(colour, "-sample", "1x1", "-optimize")
    yield "seed-gray", cjpeg(gray)
    yield "seed-progressive", cjpeg(colour, "-progressive")
    yield "seed-progressive-gray", cjpeg(gray, "-progressive")
    yield "seed-restarts", cjpeg(colour, "-restart", "1")
    yield "seed-rgb", cjpeg(colour, "-rgb")
    yield "seed-one-pixel", cjpeg(ppm(1, 1, lambda x, y: (200, 100, 50)))
    yield "seed-progressive-cut", cjpeg(colour, "-progressive")[:400]


# --- text-box inputs: client width - 1, height - 1, corner x, y (16 bits each), then UTF-16 text --------

def text_seed(text, width=800, height=600, x=500, y=0):
    return struct.pack("<HHHH", width - 1, height - 1, x, y) + text.encode("utf-16-le")


def text_seeds():
    yield "seed-hello", text_seed("Hello, World")
    yield "seed-lines-and-kerning", text_seed("AVAV To\rWa\r\rLT yo")
    yield "seed-unknown-characters", text_seed("\u00e9\u4e2d\0\t~ end", 1, 1, 4095, 4095)
    yield "seed-long-line", text_seed("The quick brown fox jumps over the lazy dog. " * 30)


# --- HLSL sources: a vertex shader VSMain and a pixel shader PSMain in one text ---------------------------

LINKED_PAIR = """struct V { float4 p : SV_Position; float2 uv : TEXCOORD0; float3 n : NORMAL; };
V VSMain(float3 p : POSITION, float2 uv : TEXCOORD, float3 n : NORMAL) { V v; v.p = float4(p, 1); v.uv = uv; v.n = n; return v; }
float4 PSMain(V v) : SV_Target { return float4(v.n * v.uv.x, 1); }
"""

def hlsl_seeds():
    yield "seed-linked-pair", LINKED_PAIR.encode()
    yield "seed-unlinked-input", LINKED_PAIR.replace("PSMain(V v)", "PSMain(float4 c : COLOR)").replace("v.n * v.uv.x", "c.xyz").encode()
    yield "seed-constants-and-texture", b"""cbuffer C : register(b0) { float4x4 M; float4 Tint; };
Texture2D T : register(t0); SamplerState S : register(s0);
float4 VSMain(float3 p : POSITION, inout float2 uv : TEXCOORD) : SV_Position { return mul(float4(p, 1), M); }
float4 PSMain(float4 p : SV_Position, float2 uv : TEXCOORD) : SV_Target { return T.Sample(S, uv) * Tint; }
"""
    yield "seed-front-end-crash", b"""float4 VSMain(float3 p : POSITION) : SV_Position { return float4(p, 1); }
float4 PSMain(float4 d : SV_Position) : SV_Target { float4 q = mul((float1)d.x, (float4x4)0); return q; }
"""
    yield "seed-preprocessor", b"""#define TWICE(x) ((x) * 2)
#if TWICE(2) == 4
float4 VSMain(uint id : SV_VertexID) : SV_Position { return float4(TWICE(id), 0, 0, 1); }
#endif
float4 PSMain() : SV_Target { return 1; }
"""


def write(target, seeds):
    folder = HERE / "corpus" / target
    folder.mkdir(parents=True, exist_ok=True)
    for old in folder.glob("seed-*"):
        old.unlink()
    for name, data in seeds:
        (folder / name).write_bytes(data)


if __name__ == "__main__":
    write("font_file", font_seeds())
    write("png_decoder", png_seeds())
    write("jpeg_decoder", jpeg_seeds())
    write("text_layout", text_seeds())
    write("hlsl_pipeline", hlsl_seeds())
