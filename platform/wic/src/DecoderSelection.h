// Which decoder takes an image file: chosen by the file's first bytes, never by its name, as Windows
// chooses. Serves CreateDecoderFromFilename and CreateDecoderFromStream alike.
#pragma once

#include <wincodec.h>

#include <string>
#include <vector>

namespace wic {

// Opens the PNG, JPEG or TGA file held in `bytes`, named `name` in messages. Bytes of no such kind fail with
// WINCODEC_ERR_COMPONENTNOTFOUND; damaged headers with the decoder's own code; all reported under `call`.
HRESULT CreateDecoderForBytes(const char* call, std::string name, std::vector<BYTE> bytes, IWICBitmapDecoder** decoder);

// Reads `stream` from its current position to its end into `bytes`, failing with the stream's own code.
HRESULT ReadRestOfStream(const char* call, IStream* stream, std::vector<BYTE>& bytes);

}  // namespace wic
