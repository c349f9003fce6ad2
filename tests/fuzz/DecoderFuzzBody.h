// What the PNG and JPEG decoder fuzz targets share: the imaging factory, and the texture loader's use of a
// decoder once a target has opened one from its input. Each target only turns its bytes into a decoder.
#pragma once

#include <windows.h>

#include <wincodec.h>

// The factory, made once through CoCreateInstance; the process traps if that fails, since every input would
// then test nothing.
IWICImagingFactory* FuzzFactory();

// Releases the interface when the scope ends, however the input's path through it ends.
template <typename Interface>
struct Held {
  Interface* Pointer = nullptr;
  ~Held() {
    if (Pointer != nullptr) {
      Pointer->Release();
    }
  }
};

struct DecoderUse {
  UINT MaxBytesPerPixel;  // room for the widest format the decoder or the converter produces from the input
  bool ReadPalette;       // whether the frame's palette is read too, as the loader does for indexed formats
};

// Frame 0, its format, size and resolution (and palette), then the conversion the loader would ask for and
// CopyPixels of all of it and of a part. Refusals come back as error codes and end the walk quietly.
void UseLikeTheTextureLoader(IWICBitmapDecoder* decoder, const DecoderUse& use);
