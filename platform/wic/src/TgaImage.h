// A Truevision TGA file, an extra container this imaging component decodes beside PNG and JPEG (Windows
// has no TGA codec, so the container GUID is this component's own). Plain and run-length encoded images
// are decoded into the pixel format a WIC decoder would report for them:
//   true colour 24 / 32 bit        -> 24bppBGR / 32bppBGRA (the file's own byte order)
//   true colour 15 / 16 bit        -> 32bppBGRA, channels widened to 8 bits, alpha from the top bit
//                                     when the header gives the pixels one alpha bit
//   grey 8 bit                     -> 8bppGray
//   colour-mapped 8-bit indices    -> 24bppBGR / 32bppBGRA by the map's 24- or 32-bit entries
// Rows come out top row first whatever the file's origin; right-to-left rows are turned round too.
#pragma once

#include "Image.h"

#include <memory>
#include <string>
#include <vector>

namespace wic {

// {7A4F2C9E-3B61-4D8A-9E05-C2B1D4E6F813}: the TGA container of this imaging component.
extern const GUID GUID_ContainerFormatTga;

class TgaImage final : public Image {
 public:
  // TGA files carry no signature at their start: the bytes are taken for TGA when their first three
  // describe a colour-map flag and an image type TGA defines, or when they end in a TGA 2.0 footer. It is
  // asked last, after the formats that do have a signature.
  static bool LooksLikeTga(const std::vector<BYTE>& fileBytes);

  // Fails with WINCODEC_ERR_BADHEADER when the header is cut short or describes no image this decoder
  // reads (no width, a colour map that is missing or of unusual entries).
  static HRESULT Open(const char* call, std::string fileName, std::vector<BYTE> fileBytes,
                      std::shared_ptr<Image>& image);

  const ContainerFacts& Container() const override;

 private:
  friend class Image;  // Image::OpenAs constructs it

  TgaImage(std::string fileName, std::vector<BYTE> fileBytes);

  HRESULT ReadHeader(const char* call) override;
  HRESULT DecodePixels(BYTE* pixels, std::string& problem) override;
  // The header's checks, each a problem text or null; ReadHeader reports the first.
  const char* HeaderProblem() const;
  // Fills `samples` with the file's pixels in file order (indices for colour-mapped images), undoing the
  // run-length encoding; false when the image data ends early.
  bool ReadSamples(std::vector<BYTE>& samples, std::string& problem) const;
  // Writes the file-order samples into `pixels` top row first, left to right, looking indices up.
  void PlaceRows(const std::vector<BYTE>& samples, BYTE* pixels) const;

  BYTE imageType_ = 0;
  UINT sampleBytes_ = 0;    // bytes per pixel in the image data
  size_t mapOffset_ = 0;    // where the colour map starts
  UINT mapFirst_ = 0;       // the index of the map's first entry
  UINT mapLength_ = 0;      // entries in the map
  UINT mapEntryBytes_ = 0;  // 0 without a map
  size_t dataOffset_ = 0;   // where the image data starts
  bool topOrigin_ = false;
  bool rightOrigin_ = false;
  bool alphaBit_ = false;  // 16-bit pixels whose top bit is alpha
};

}  // namespace wic
