// The format rules of texture loading, apart from any decoder: which GPU format a decoded pixel format
// uploads as, what a pixel format without one is converted to first, and the size of a pixel.
#pragma once

#include "core/Direct3D12.h"

#include <windows.h>

#include <wincodec.h>

#include <cstdint>

// The GPU format that holds pixels of the image format as they are, or DXGI_FORMAT_UNKNOWN when there is
// none and the image needs converting first.
DXGI_FORMAT DxgiFormatFromWicFormat(const WICPixelFormatGUID& wicFormat);

// The image format to convert to when DxgiFormatFromWicFormat has no GPU format for the source: always one
// that it has. GUID_WICPixelFormatDontCare when no conversion is known, and the image cannot be loaded.
WICPixelFormatGUID WicConversionTarget(const WICPixelFormatGUID& wicFormat);

// Bits per pixel of the formats DxgiFormatFromWicFormat produces; 0 for any other.
uint32_t BitsPerPixel(DXGI_FORMAT format);
