#include "PixelConversion.h"

#include <algorithm>
#include <cstring>

namespace wic {
namespace {

constexpr uint32_t kMax16 = 65535;

uint16_t ReadSample(const BYTE* row, UINT64 sampleIndex, UINT bits) {
  if (bits == 16) {
    uint16_t value;
    std::memcpy(&value, row + sampleIndex * 2, sizeof value);
    return value;
  }
  if (bits == 8) {
    return row[sampleIndex];
  }
  const UINT64 bit = sampleIndex * bits;
  const UINT shift = 8 - bits - static_cast<UINT>(bit % 8);
  return static_cast<uint16_t>((row[bit / 8] >> shift) & ((1u << bits) - 1));
}

void WriteSample(BYTE* row, UINT64 sampleIndex, UINT bits, uint16_t value) {
  if (bits == 16) {
    std::memcpy(row + sampleIndex * 2, &value, sizeof value);
  } else {
    row[sampleIndex] = static_cast<BYTE>(value);
  }
}

// An n-bit sample scaled to the full 16-bit range: 1 -> 65535 for 1 bit, 255 -> 65535 (x * 257) for 8.
uint16_t Widen(uint16_t sample, UINT bits) {
  return bits == 16 ? sample : static_cast<uint16_t>(sample * (kMax16 / ((1u << bits) - 1)));
}

// Rounded to nearest: (v + 128) / 257 is round(v / 257) for every 16-bit v, and x * 257 comes back as x.
uint16_t Narrow(uint16_t value, UINT bits) { return bits == 16 ? value : static_cast<uint16_t>((value + 128u) / 257u); }

Rgba16 PaletteColor(std::span<const WICColor> palette, uint16_t index) {
  const WICColor color = index < palette.size() ? palette[index] : 0xFF000000u;
  auto channel = [color](int shift) { return Widen(static_cast<uint16_t>((color >> shift) & 0xFF), 8); };
  return {channel(16), channel(8), channel(0), channel(24)};
}

void Unpremultiply(Rgba16& pixel) {
  if (pixel.A == 0) {
    pixel.R = pixel.G = pixel.B = 0;
    return;
  }
  auto straight = [alpha = uint32_t{pixel.A}](uint16_t value) {
    return static_cast<uint16_t>(std::min<uint32_t>(kMax16, (value * kMax16 + alpha / 2) / alpha));
  };
  pixel.R = straight(pixel.R);
  pixel.G = straight(pixel.G);
  pixel.B = straight(pixel.B);
}

// Rec. 709 weights in 16-bit fixed point; they sum to 65536 so gray in, gray out is exact.
uint16_t Luma(const Rgba16& pixel) {
  const uint64_t weighted = uint64_t{pixel.R} * 13933 + uint64_t{pixel.G} * 46871 + uint64_t{pixel.B} * 4732;
  return static_cast<uint16_t>((weighted + 32768) >> 16);
}

uint16_t ChannelValue(const Rgba16& pixel, Channel channel) {
  switch (channel) {
    case Channel::Red:
      return pixel.R;
    case Channel::Green:
      return pixel.G;
    case Channel::Blue:
      return pixel.B;
    case Channel::Alpha:
      return pixel.A;
    case Channel::Gray:
      return Luma(pixel);
    case Channel::Index:
    case Channel::Padding:
    case Channel::Cyan:
    case Channel::Magenta:
    case Channel::Yellow:
    case Channel::Black:
      break;
  }
  return kMax16;
}

// Premultiplies a sample already narrowed to the target depth by the alpha at that depth.
uint16_t Premultiply(uint16_t sample, uint16_t alpha, UINT bits) {
  const uint32_t max = bits == 16 ? kMax16 : 255;
  return static_cast<uint16_t>((uint32_t{sample} * alpha + max / 2) / max);
}

// Naive separation without a colour profile: each colour is what its complementary ink and black leave.
void InkToColour(const uint16_t ink[4], Rgba16& pixel) {
  auto leftOver = [black = kMax16 - ink[3]](uint16_t amount) {
    return static_cast<uint16_t>((uint32_t{kMax16 - amount} * black + kMax16 / 2) / kMax16);
  };
  pixel.R = leftOver(ink[0]);
  pixel.G = leftOver(ink[1]);
  pixel.B = leftOver(ink[2]);
}

bool IsColour(Channel channel) {
  return channel == Channel::Red || channel == Channel::Green || channel == Channel::Blue;
}

bool HasPlainBytes(const PixelFormat& format) {
  return format.BitsPerChannel == 8 && !format.Premultiplied && !format.IsIndexed() && !format.IsInk();
}

std::optional<int> ChannelPosition(const PixelFormat& format, Channel channel) {
  for (UINT c = 0; c < format.ChannelCount; ++c) {
    if (format.Channels[c] == channel) {
      return static_cast<int>(c);
    }
  }
  return std::nullopt;
}

// Where the common pixel takes a target channel's value from, if that is one source byte or opaque.
std::optional<int> ShuffleSource(const PixelFormat& source, Channel target) {
  switch (target) {
    case Channel::Padding:
      return ByteShuffle::kOpaque;
    case Channel::Alpha:
      return ChannelPosition(source, Channel::Alpha).value_or(ByteShuffle::kOpaque);
    case Channel::Red:
    case Channel::Green:
    case Channel::Blue:
      if (const std::optional<int> position = ChannelPosition(source, target)) {
        return position;
      }
      return ChannelPosition(source, Channel::Gray);
    case Channel::Gray:
      return ChannelPosition(source, Channel::Gray);  // gray from colour is luma, not a copy
    default:
      return std::nullopt;
  }
}

}  // namespace

void ReadPixels(const PixelFormat& format, const BYTE* row, UINT count, std::span<const WICColor> palette,
                Rgba16* pixels) {
  const UINT bits = format.BitsPerChannel;
  for (UINT p = 0; p < count; ++p) {
    Rgba16 pixel{0, 0, 0, kMax16};
    uint16_t ink[4] = {0, 0, 0, 0};  // cyan, magenta, yellow, black
    for (UINT c = 0; c < format.ChannelCount; ++c) {
      const uint16_t sample = ReadSample(row, UINT64{p} * format.ChannelCount + c, bits);
      switch (format.Channels[c]) {
        case Channel::Red:
          pixel.R = Widen(sample, bits);
          break;
        case Channel::Green:
          pixel.G = Widen(sample, bits);
          break;
        case Channel::Blue:
          pixel.B = Widen(sample, bits);
          break;
        case Channel::Alpha:
          pixel.A = Widen(sample, bits);
          break;
        case Channel::Gray:
          pixel.R = pixel.G = pixel.B = Widen(sample, bits);
          break;
        case Channel::Index:
          pixel = PaletteColor(palette, sample);
          break;
        case Channel::Padding:
          break;
        case Channel::Cyan:
        case Channel::Magenta:
        case Channel::Yellow:
        case Channel::Black:
          ink[static_cast<int>(format.Channels[c]) - static_cast<int>(Channel::Cyan)] = Widen(sample, bits);
          break;
      }
    }
    if (format.IsInk()) {
      InkToColour(ink, pixel);
    }
    if (format.Premultiplied) {
      Unpremultiply(pixel);
    }
    pixels[p] = pixel;
  }
}

void WritePixels(const PixelFormat& format, const Rgba16* pixels, UINT count, BYTE* row) {
  const UINT bits = format.BitsPerChannel;
  for (UINT p = 0; p < count; ++p) {
    const Rgba16& pixel = pixels[p];
    const uint16_t alpha = Narrow(pixel.A, bits);
    for (UINT c = 0; c < format.ChannelCount; ++c) {
      const Channel channel = format.Channels[c];
      uint16_t sample = Narrow(ChannelValue(pixel, channel), bits);
      if (format.Premultiplied && IsColour(channel)) {
        sample = Premultiply(sample, alpha, bits);
      }
      WriteSample(row, UINT64{p} * format.ChannelCount + c, bits, sample);
    }
  }
}

std::optional<ByteShuffle> FindByteShuffle(const PixelFormat& source, const PixelFormat& target) {
  if (!HasPlainBytes(source) || !HasPlainBytes(target)) {
    return std::nullopt;
  }
  ByteShuffle shuffle;
  shuffle.SourceBytes = source.ChannelCount;
  shuffle.TargetBytes = target.ChannelCount;
  for (UINT c = 0; c < target.ChannelCount; ++c) {
    const std::optional<int> from = ShuffleSource(source, target.Channels[c]);
    if (!from) {
      return std::nullopt;
    }
    shuffle.From[c] = *from;
  }
  return shuffle;
}

void ShufflePixels(const ByteShuffle& shuffle, const BYTE* source, UINT count, BYTE* target) {
  for (UINT p = 0; p < count; ++p, source += shuffle.SourceBytes, target += shuffle.TargetBytes) {
    for (UINT c = 0; c < shuffle.TargetBytes; ++c) {
      target[c] = shuffle.From[c] == ByteShuffle::kOpaque ? BYTE{255} : source[shuffle.From[c]];
    }
  }
}

void CopyBits(const BYTE* source, UINT64 sourceBytes, UINT64 firstBit, UINT64 bitCount, BYTE* destination) {
  const BYTE* from = source + firstBit / 8;
  const UINT64 available = sourceBytes - firstBit / 8;
  const UINT shift = static_cast<UINT>(firstBit % 8);
  const UINT64 byteCount = (bitCount + 7) / 8;
  for (UINT64 i = 0; i < byteCount; ++i) {
    const BYTE high = static_cast<BYTE>(from[i] << shift);
    const BYTE low = (shift != 0 && i + 1 < available) ? static_cast<BYTE>(from[i + 1] >> (8 - shift)) : 0;
    destination[i] = high | low;
  }
  if (const UINT tail = static_cast<UINT>(bitCount % 8); tail != 0) {
    destination[byteCount - 1] &= static_cast<BYTE>(0xFF << (8 - tail));
  }
}

}  // namespace wic
