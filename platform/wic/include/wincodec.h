// The Windows Imaging Component: the decoding and pixel-format conversion part of the API, with Windows'
// own names, values, GUIDs and method order. Interfaces that only appear as parameter types are declared
// but not defined; the methods behind them answer E_NOTIMPL.
#pragma once

#include <windows.h>

#include <dxgiformat.h>
#include <objidl.h>

// Access rights for CreateDecoderFromFilename; Windows declares them in winnt.h.
#ifndef GENERIC_READ
#define GENERIC_READ 0x80000000L
#endif
#ifndef GENERIC_WRITE
#define GENERIC_WRITE 0x40000000L
#endif

// ---------------------------------------------------------------------------------------------------------
// Error codes (winerror.h may already define some of them)
// ---------------------------------------------------------------------------------------------------------

#ifndef FACILITY_WINCODEC_ERR
#define FACILITY_WINCODEC_ERR 0x898
#endif
#ifndef WINCODEC_ERR_BASE
#define WINCODEC_ERR_BASE 0x2000
#endif
#ifndef MAKE_WINCODECHR
#define MAKE_WINCODECHR(sev, code) MAKE_HRESULT(sev, FACILITY_WINCODEC_ERR, (WINCODEC_ERR_BASE + code))
#endif
#ifndef MAKE_WINCODECHR_ERR
#define MAKE_WINCODECHR_ERR(code) MAKE_WINCODECHR(1, code)
#endif
#ifndef WINCODEC_ERR_GENERIC_ERROR
#define WINCODEC_ERR_GENERIC_ERROR E_FAIL
#endif
#ifndef WINCODEC_ERR_INVALIDPARAMETER
#define WINCODEC_ERR_INVALIDPARAMETER E_INVALIDARG
#endif
#ifndef WINCODEC_ERR_OUTOFMEMORY
#define WINCODEC_ERR_OUTOFMEMORY E_OUTOFMEMORY
#endif
#ifndef WINCODEC_ERR_NOTIMPLEMENTED
#define WINCODEC_ERR_NOTIMPLEMENTED E_NOTIMPL
#endif
#ifndef WINCODEC_ERR_ABORTED
#define WINCODEC_ERR_ABORTED E_ABORT
#endif
#ifndef WINCODEC_ERR_ACCESSDENIED
#define WINCODEC_ERR_ACCESSDENIED E_ACCESSDENIED
#endif
#ifndef WINCODEC_ERR_WRONGSTATE
#define WINCODEC_ERR_WRONGSTATE ((HRESULT)0x88982F04L)
#endif
#ifndef WINCODEC_ERR_VALUEOUTOFRANGE
#define WINCODEC_ERR_VALUEOUTOFRANGE ((HRESULT)0x88982F05L)
#endif
#ifndef WINCODEC_ERR_UNKNOWNIMAGEFORMAT
#define WINCODEC_ERR_UNKNOWNIMAGEFORMAT ((HRESULT)0x88982F07L)
#endif
#ifndef WINCODEC_ERR_UNSUPPORTEDVERSION
#define WINCODEC_ERR_UNSUPPORTEDVERSION ((HRESULT)0x88982F0BL)
#endif
#ifndef WINCODEC_ERR_NOTINITIALIZED
#define WINCODEC_ERR_NOTINITIALIZED ((HRESULT)0x88982F0CL)
#endif
#ifndef WINCODEC_ERR_ALREADYLOCKED
#define WINCODEC_ERR_ALREADYLOCKED ((HRESULT)0x88982F0DL)
#endif
#ifndef WINCODEC_ERR_PROPERTYNOTFOUND
#define WINCODEC_ERR_PROPERTYNOTFOUND ((HRESULT)0x88982F40L)
#endif
#ifndef WINCODEC_ERR_PROPERTYNOTSUPPORTED
#define WINCODEC_ERR_PROPERTYNOTSUPPORTED ((HRESULT)0x88982F41L)
#endif
#ifndef WINCODEC_ERR_PROPERTYSIZE
#define WINCODEC_ERR_PROPERTYSIZE ((HRESULT)0x88982F42L)
#endif
#ifndef WINCODEC_ERR_CODECPRESENT
#define WINCODEC_ERR_CODECPRESENT ((HRESULT)0x88982F43L)
#endif
#ifndef WINCODEC_ERR_CODECNOTHUMBNAIL
#define WINCODEC_ERR_CODECNOTHUMBNAIL ((HRESULT)0x88982F44L)
#endif
#ifndef WINCODEC_ERR_PALETTEUNAVAILABLE
#define WINCODEC_ERR_PALETTEUNAVAILABLE ((HRESULT)0x88982F45L)
#endif
#ifndef WINCODEC_ERR_CODECTOOMANYSCANLINES
#define WINCODEC_ERR_CODECTOOMANYSCANLINES ((HRESULT)0x88982F46L)
#endif
#ifndef WINCODEC_ERR_INTERNALERROR
#define WINCODEC_ERR_INTERNALERROR ((HRESULT)0x88982F48L)
#endif
#ifndef WINCODEC_ERR_SOURCERECTDOESNOTMATCHDIMENSIONS
#define WINCODEC_ERR_SOURCERECTDOESNOTMATCHDIMENSIONS ((HRESULT)0x88982F49L)
#endif
#ifndef WINCODEC_ERR_COMPONENTNOTFOUND
#define WINCODEC_ERR_COMPONENTNOTFOUND ((HRESULT)0x88982F50L)
#endif
#ifndef WINCODEC_ERR_IMAGESIZEOUTOFRANGE
#define WINCODEC_ERR_IMAGESIZEOUTOFRANGE ((HRESULT)0x88982F51L)
#endif
#ifndef WINCODEC_ERR_TOOMUCHMETADATA
#define WINCODEC_ERR_TOOMUCHMETADATA ((HRESULT)0x88982F52L)
#endif
#ifndef WINCODEC_ERR_BADIMAGE
#define WINCODEC_ERR_BADIMAGE ((HRESULT)0x88982F60L)
#endif
#ifndef WINCODEC_ERR_BADHEADER
#define WINCODEC_ERR_BADHEADER ((HRESULT)0x88982F61L)
#endif
#ifndef WINCODEC_ERR_FRAMEMISSING
#define WINCODEC_ERR_FRAMEMISSING ((HRESULT)0x88982F62L)
#endif
#ifndef WINCODEC_ERR_BADMETADATAHEADER
#define WINCODEC_ERR_BADMETADATAHEADER ((HRESULT)0x88982F63L)
#endif
#ifndef WINCODEC_ERR_BADSTREAMDATA
#define WINCODEC_ERR_BADSTREAMDATA ((HRESULT)0x88982F70L)
#endif
#ifndef WINCODEC_ERR_STREAMWRITE
#define WINCODEC_ERR_STREAMWRITE ((HRESULT)0x88982F71L)
#endif
#ifndef WINCODEC_ERR_STREAMREAD
#define WINCODEC_ERR_STREAMREAD ((HRESULT)0x88982F72L)
#endif
#ifndef WINCODEC_ERR_STREAMNOTAVAILABLE
#define WINCODEC_ERR_STREAMNOTAVAILABLE ((HRESULT)0x88982F73L)
#endif
#ifndef WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT
#define WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT ((HRESULT)0x88982F80L)
#endif
#ifndef WINCODEC_ERR_UNSUPPORTEDOPERATION
#define WINCODEC_ERR_UNSUPPORTEDOPERATION ((HRESULT)0x88982F81L)
#endif
#ifndef WINCODEC_ERR_INVALIDREGISTRATION
#define WINCODEC_ERR_INVALIDREGISTRATION ((HRESULT)0x88982F8AL)
#endif
#ifndef WINCODEC_ERR_COMPONENTINITIALIZEFAILURE
#define WINCODEC_ERR_COMPONENTINITIALIZEFAILURE ((HRESULT)0x88982F8BL)
#endif
#ifndef WINCODEC_ERR_INSUFFICIENTBUFFER
#define WINCODEC_ERR_INSUFFICIENTBUFFER ((HRESULT)0x88982F8CL)
#endif
#ifndef WINCODEC_ERR_DUPLICATEMETADATAPRESENT
#define WINCODEC_ERR_DUPLICATEMETADATAPRESENT ((HRESULT)0x88982F8DL)
#endif
#ifndef WINCODEC_ERR_PROPERTYUNEXPECTEDTYPE
#define WINCODEC_ERR_PROPERTYUNEXPECTEDTYPE ((HRESULT)0x88982F8EL)
#endif
#ifndef WINCODEC_ERR_UNEXPECTEDSIZE
#define WINCODEC_ERR_UNEXPECTEDSIZE ((HRESULT)0x88982F8FL)
#endif
#ifndef WINCODEC_ERR_INVALIDQUERYREQUEST
#define WINCODEC_ERR_INVALIDQUERYREQUEST ((HRESULT)0x88982F90L)
#endif
#ifndef WINCODEC_ERR_UNEXPECTEDMETADATATYPE
#define WINCODEC_ERR_UNEXPECTEDMETADATATYPE ((HRESULT)0x88982F91L)
#endif
#ifndef WINCODEC_ERR_REQUESTONLYVALIDATMETADATAROOT
#define WINCODEC_ERR_REQUESTONLYVALIDATMETADATAROOT ((HRESULT)0x88982F92L)
#endif
#ifndef WINCODEC_ERR_INVALIDQUERYCHARACTER
#define WINCODEC_ERR_INVALIDQUERYCHARACTER ((HRESULT)0x88982F93L)
#endif
#ifndef WINCODEC_ERR_WIN32ERROR
#define WINCODEC_ERR_WIN32ERROR ((HRESULT)0x88982F94L)
#endif
#ifndef WINCODEC_ERR_INVALIDPROGRESSIVELEVEL
#define WINCODEC_ERR_INVALIDPROGRESSIVELEVEL ((HRESULT)0x88982F95L)
#endif
#ifndef WINCODEC_ERR_INVALIDJPEGSCANINDEX
#define WINCODEC_ERR_INVALIDJPEGSCANINDEX ((HRESULT)0x88982F96L)
#endif

// ---------------------------------------------------------------------------------------------------------
// Enumerations and structures
// ---------------------------------------------------------------------------------------------------------

#define WINCODEC_SDK_VERSION1 0x0236
#define WINCODEC_SDK_VERSION2 0x0237
#define WINCODEC_SDK_VERSION WINCODEC_SDK_VERSION2

typedef enum WICDecodeOptions {
  WICDecodeMetadataCacheOnDemand = 0x0,
  WICDecodeMetadataCacheOnLoad = 0x1,
  WICMETADATACACHEOPTION_FORCE_DWORD = 0x7fffffff
} WICDecodeOptions;

typedef enum WICBitmapCreateCacheOption {
  WICBitmapNoCache = 0x0,
  WICBitmapCacheOnDemand = 0x1,
  WICBitmapCacheOnLoad = 0x2,
  WICBITMAPCREATECACHEOPTION_FORCE_DWORD = 0x7fffffff
} WICBitmapCreateCacheOption;

typedef enum WICBitmapAlphaChannelOption {
  WICBitmapUseAlpha = 0x0,
  WICBitmapUsePremultipliedAlpha = 0x1,
  WICBitmapIgnoreAlpha = 0x2,
  WICBITMAPALPHACHANNELOPTIONS_FORCE_DWORD = 0x7fffffff
} WICBitmapAlphaChannelOption;

typedef enum WICBitmapDecoderCapabilities {
  WICBitmapDecoderCapabilitySameEncoder = 0x1,
  WICBitmapDecoderCapabilityCanDecodeAllImages = 0x2,
  WICBitmapDecoderCapabilityCanDecodeSomeImages = 0x4,
  WICBitmapDecoderCapabilityCanEnumerateMetadata = 0x8,
  WICBitmapDecoderCapabilityCanDecodeThumbnail = 0x10,
  WICBITMAPDECODERCAPABILITIES_FORCE_DWORD = 0x7fffffff
} WICBitmapDecoderCapabilities;

typedef enum WICBitmapDitherType {
  WICBitmapDitherTypeNone = 0x0,
  WICBitmapDitherTypeSolid = 0x0,
  WICBitmapDitherTypeOrdered4x4 = 0x1,
  WICBitmapDitherTypeOrdered8x8 = 0x2,
  WICBitmapDitherTypeOrdered16x16 = 0x3,
  WICBitmapDitherTypeSpiral4x4 = 0x4,
  WICBitmapDitherTypeSpiral8x8 = 0x5,
  WICBitmapDitherTypeDualSpiral4x4 = 0x6,
  WICBitmapDitherTypeDualSpiral8x8 = 0x7,
  WICBitmapDitherTypeErrorDiffusion = 0x8,
  WICBITMAPDITHERTYPE_FORCE_DWORD = 0x7fffffff
} WICBitmapDitherType;

typedef enum WICBitmapPaletteType {
  WICBitmapPaletteTypeCustom = 0x0,
  WICBitmapPaletteTypeMedianCut = 0x1,
  WICBitmapPaletteTypeFixedBW = 0x2,
  WICBitmapPaletteTypeFixedHalftone8 = 0x3,
  WICBitmapPaletteTypeFixedHalftone27 = 0x4,
  WICBitmapPaletteTypeFixedHalftone64 = 0x5,
  WICBitmapPaletteTypeFixedHalftone125 = 0x6,
  WICBitmapPaletteTypeFixedHalftone216 = 0x7,
  WICBitmapPaletteTypeFixedWebPalette = WICBitmapPaletteTypeFixedHalftone216,
  WICBitmapPaletteTypeFixedHalftone252 = 0x8,
  WICBitmapPaletteTypeFixedHalftone256 = 0x9,
  WICBitmapPaletteTypeFixedGray4 = 0xa,
  WICBitmapPaletteTypeFixedGray16 = 0xb,
  WICBitmapPaletteTypeFixedGray256 = 0xc,
  WICBITMAPPALETTETYPE_FORCE_DWORD = 0x7fffffff
} WICBitmapPaletteType;

typedef enum WICComponentType {
  WICDecoder = 0x1,
  WICEncoder = 0x2,
  WICPixelFormatConverter = 0x4,
  WICMetadataReader = 0x8,
  WICMetadataWriter = 0x10,
  WICPixelFormat = 0x20,
  WICAllComponents = 0x3f,
  WICCOMPONENTTYPE_FORCE_DWORD = 0x7fffffff
} WICComponentType;

typedef enum WICBitmapEncoderCacheOption {
  WICBitmapEncoderCacheInMemory = 0x0,
  WICBitmapEncoderCacheTempFile = 0x1,
  WICBitmapEncoderNoCache = 0x2,
  WICBITMAPENCODERCACHEOPTION_FORCE_DWORD = 0x7fffffff
} WICBitmapEncoderCacheOption;

typedef struct WICRect {
  INT X;
  INT Y;
  INT Width;
  INT Height;
} WICRect;

// 0xAARRGGBB, the entry type of palettes.
typedef UINT32 WICColor;

typedef GUID WICPixelFormatGUID;
typedef REFGUID REFWICPixelFormatGUID;

// ---------------------------------------------------------------------------------------------------------
// Class, container, vendor and pixel-format GUIDs
// ---------------------------------------------------------------------------------------------------------

DEFINE_GUID(CLSID_WICImagingFactory, 0xcacaf262, 0x9370, 0x4615, 0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a);
DEFINE_GUID(CLSID_WICImagingFactory1, 0xcacaf262, 0x9370, 0x4615, 0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a);
DEFINE_GUID(CLSID_WICImagingFactory2, 0x317d06e8, 0x5f24, 0x433d, 0xbd, 0xf7, 0x79, 0xce, 0x68, 0xd8, 0xab, 0xc2);
DEFINE_GUID(CLSID_WICPngDecoder, 0x389ea17b, 0x5078, 0x4cde, 0xb6, 0xef, 0x25, 0xc1, 0x51, 0x75, 0xc7, 0x51);
DEFINE_GUID(CLSID_WICPngDecoder1, 0x389ea17b, 0x5078, 0x4cde, 0xb6, 0xef, 0x25, 0xc1, 0x51, 0x75, 0xc7, 0x51);
DEFINE_GUID(CLSID_WICPngDecoder2, 0xe018945b, 0xaa86, 0x4008, 0x9b, 0xd4, 0x67, 0x77, 0xa1, 0xe4, 0x0c, 0x11);
DEFINE_GUID(CLSID_WICJpegDecoder, 0x9456a480, 0xe88b, 0x43ea, 0x9e, 0x73, 0x0b, 0x2d, 0x9b, 0x71, 0xb1, 0xca);
DEFINE_GUID(CLSID_WICDefaultFormatConverter, 0x1a3f11dc, 0xb514, 0x4b17, 0x8c, 0x5f, 0x21, 0x54, 0x51, 0x38, 0x52,
            0xf1);
DEFINE_GUID(GUID_ContainerFormatPng, 0x1b7cfaf4, 0x713f, 0x473c, 0xbb, 0xcd, 0x61, 0x37, 0x42, 0x5f, 0xae, 0xaf);
DEFINE_GUID(GUID_ContainerFormatJpeg, 0x19e4a5aa, 0x5662, 0x4fc5, 0xa0, 0xc0, 0x17, 0x58, 0x02, 0x8e, 0x10, 0x57);
DEFINE_GUID(GUID_ContainerFormatDds, 0x9967cb95, 0x2e85, 0x4ac8, 0x8c, 0xa2, 0x83, 0xd7, 0xcc, 0xd4, 0x25, 0xc9);
DEFINE_GUID(GUID_VendorMicrosoft, 0xf0e749ca, 0xedef, 0x4589, 0xa7, 0x3a, 0xee, 0x0e, 0x62, 0x6a, 0x2a, 0x2b);
DEFINE_GUID(GUID_VendorMicrosoftBuiltIn, 0x257a30fd, 0x06b6, 0x462b, 0xae, 0xa4, 0x63, 0xf7, 0x0b, 0x86, 0xe5, 0x33);

#define GUID_WICPixelFormatUndefined GUID_WICPixelFormatDontCare
DEFINE_GUID(GUID_WICPixelFormatDontCare, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x00);
DEFINE_GUID(GUID_WICPixelFormat1bppIndexed, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x01);
DEFINE_GUID(GUID_WICPixelFormat2bppIndexed, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x02);
DEFINE_GUID(GUID_WICPixelFormat4bppIndexed, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x03);
DEFINE_GUID(GUID_WICPixelFormat8bppIndexed, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x04);
DEFINE_GUID(GUID_WICPixelFormatBlackWhite, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x05);
DEFINE_GUID(GUID_WICPixelFormat2bppGray, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x06);
DEFINE_GUID(GUID_WICPixelFormat4bppGray, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x07);
DEFINE_GUID(GUID_WICPixelFormat8bppGray, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x08);
DEFINE_GUID(GUID_WICPixelFormat16bppGray, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0b);
DEFINE_GUID(GUID_WICPixelFormat8bppAlpha, 0xe6cd0116, 0xeeba, 0x4161, 0xaa, 0x85, 0x27, 0xdd, 0x9f, 0xb3, 0xa8, 0x95);
DEFINE_GUID(GUID_WICPixelFormat16bppBGR555, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x09);
DEFINE_GUID(GUID_WICPixelFormat16bppBGR565, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0a);
DEFINE_GUID(GUID_WICPixelFormat16bppBGRA5551, 0x05ec7c2b, 0xf1e6, 0x4961, 0xad, 0x46, 0xe1, 0xcc, 0x81, 0x0a, 0x87,
            0xd2);
DEFINE_GUID(GUID_WICPixelFormat24bppBGR, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0c);
DEFINE_GUID(GUID_WICPixelFormat24bppRGB, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0d);
DEFINE_GUID(GUID_WICPixelFormat32bppBGR, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0e);
DEFINE_GUID(GUID_WICPixelFormat32bppBGRA, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0f);
DEFINE_GUID(GUID_WICPixelFormat32bppPBGRA, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x10);
DEFINE_GUID(GUID_WICPixelFormat32bppRGB, 0xd98c6b95, 0x3efe, 0x47d6, 0xbb, 0x25, 0xeb, 0x17, 0x48, 0xab, 0x0c, 0xf1);
DEFINE_GUID(GUID_WICPixelFormat32bppRGBA, 0xf5c7ad2d, 0x6a8d, 0x43dd, 0xa7, 0xa8, 0xa2, 0x99, 0x35, 0x26, 0x1a, 0xe9);
DEFINE_GUID(GUID_WICPixelFormat32bppPRGBA, 0x3cc4a650, 0xa527, 0x4d37, 0xa9, 0x16, 0x31, 0x42, 0xc7, 0xeb, 0xed, 0xba);
DEFINE_GUID(GUID_WICPixelFormat32bppGrayFloat, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9,
            0x11);
DEFINE_GUID(GUID_WICPixelFormat48bppRGB, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x15);
DEFINE_GUID(GUID_WICPixelFormat48bppBGR, 0xe605a384, 0xb468, 0x46ce, 0xbb, 0x2e, 0x36, 0xf1, 0x80, 0xe6, 0x43, 0x13);
DEFINE_GUID(GUID_WICPixelFormat64bppRGB, 0xa1182111, 0x186d, 0x4d42, 0xbc, 0x6a, 0x9c, 0x83, 0x03, 0xa8, 0xdf, 0xf9);
DEFINE_GUID(GUID_WICPixelFormat64bppRGBA, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x16);
DEFINE_GUID(GUID_WICPixelFormat64bppBGRA, 0x1562ff7c, 0xd352, 0x46f9, 0x97, 0x9e, 0x42, 0x97, 0x6b, 0x79, 0x22, 0x46);
DEFINE_GUID(GUID_WICPixelFormat64bppPRGBA, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x17);
DEFINE_GUID(GUID_WICPixelFormat64bppPBGRA, 0x8c518e8e, 0xa4ec, 0x468b, 0xae, 0x70, 0xc9, 0xa3, 0x5a, 0x9c, 0x55, 0x30);
DEFINE_GUID(GUID_WICPixelFormat16bppGrayFixedPoint, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d,
            0xc9, 0x13);
DEFINE_GUID(GUID_WICPixelFormat32bppBGR101010, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9,
            0x14);
DEFINE_GUID(GUID_WICPixelFormat48bppRGBFixedPoint, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9,
            0x12);
DEFINE_GUID(GUID_WICPixelFormat48bppBGRFixedPoint, 0x49ca140e, 0xcab6, 0x493b, 0x9d, 0xdf, 0x60, 0x18, 0x7c, 0x37, 0x53,
            0x2a);
DEFINE_GUID(GUID_WICPixelFormat96bppRGBFixedPoint, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9,
            0x18);
DEFINE_GUID(GUID_WICPixelFormat96bppRGBFloat, 0xe3fed78f, 0xe8db, 0x4acf, 0x84, 0xc1, 0xe9, 0x7f, 0x61, 0x36, 0xb3,
            0x27);
DEFINE_GUID(GUID_WICPixelFormat128bppRGBAFloat, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9,
            0x19);
DEFINE_GUID(GUID_WICPixelFormat128bppPRGBAFloat, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9,
            0x1a);
DEFINE_GUID(GUID_WICPixelFormat128bppRGBFloat, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9,
            0x1b);
DEFINE_GUID(GUID_WICPixelFormat32bppCMYK, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x1c);
DEFINE_GUID(GUID_WICPixelFormat64bppRGBAFixedPoint, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d,
            0xc9, 0x1d);
DEFINE_GUID(GUID_WICPixelFormat64bppBGRAFixedPoint, 0x356de33c, 0x54d2, 0x4a23, 0xbb, 0x04, 0x9b, 0x7b, 0xf9, 0xb1,
            0xd4, 0x2d);
DEFINE_GUID(GUID_WICPixelFormat64bppRGBFixedPoint, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9,
            0x40);
DEFINE_GUID(GUID_WICPixelFormat128bppRGBAFixedPoint, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d,
            0xc9, 0x1e);
DEFINE_GUID(GUID_WICPixelFormat128bppRGBFixedPoint, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d,
            0xc9, 0x41);
DEFINE_GUID(GUID_WICPixelFormat64bppRGBAHalf, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9,
            0x3a);
DEFINE_GUID(GUID_WICPixelFormat64bppPRGBAHalf, 0x58ad26c2, 0xc623, 0x4d9d, 0xb3, 0x20, 0x38, 0x7e, 0x49, 0xf8, 0xc4,
            0x42);
DEFINE_GUID(GUID_WICPixelFormat64bppRGBHalf, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9,
            0x42);
DEFINE_GUID(GUID_WICPixelFormat48bppRGBHalf, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9,
            0x3b);
DEFINE_GUID(GUID_WICPixelFormat32bppRGBE, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x3d);
DEFINE_GUID(GUID_WICPixelFormat16bppGrayHalf, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9,
            0x3e);
DEFINE_GUID(GUID_WICPixelFormat32bppGrayFixedPoint, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d,
            0xc9, 0x3f);
DEFINE_GUID(GUID_WICPixelFormat32bppRGBA1010102, 0x25238d72, 0xfcf9, 0x4522, 0xb5, 0x14, 0x55, 0x78, 0xe5, 0xad, 0x55,
            0xe0);
DEFINE_GUID(GUID_WICPixelFormat32bppRGBA1010102XR, 0x00de6b9a, 0xc101, 0x434b, 0xb5, 0x02, 0xd0, 0x16, 0x5e, 0xe1, 0x12,
            0x2c);
DEFINE_GUID(GUID_WICPixelFormat32bppR10G10B10A2, 0x604e1bb5, 0x8a3c, 0x4b65, 0xb1, 0x1c, 0xbc, 0x0b, 0x8d, 0xd7, 0x5b,
            0x7f);
DEFINE_GUID(GUID_WICPixelFormat32bppR10G10B10A2HDR10, 0x9c215c5d, 0x1acc, 0x4f0e, 0xa4, 0xbc, 0x70, 0xfb, 0x3a, 0xe8,
            0xfd, 0x28);
DEFINE_GUID(GUID_WICPixelFormat64bppCMYK, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x1f);
DEFINE_GUID(GUID_WICPixelFormat40bppCMYKAlpha, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9,
            0x2c);
DEFINE_GUID(GUID_WICPixelFormat80bppCMYKAlpha, 0x6fddc324, 0x4e03, 0x4bfe, 0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9,
            0x2d);

// ---------------------------------------------------------------------------------------------------------
// Interfaces
// ---------------------------------------------------------------------------------------------------------

// Handle and interface types that only appear as parameters of methods this platform does not offer.
typedef struct HBITMAP__* HBITMAP;
typedef struct HPALETTE__* HPALETTE;
interface IEnumUnknown;
interface ID2D1Device;
interface IWICBitmap;
interface IWICBitmapClipper;
interface IWICBitmapDecoderInfo;
interface IWICBitmapEncoderInfo;
interface IWICBitmapFlipRotator;
interface IWICBitmapScaler;
interface IWICColorContext;
interface IWICColorTransform;
interface IWICComponentInfo;
interface IWICFastMetadataEncoder;
interface IWICImageEncoder;
interface IWICMetadataQueryReader;
interface IWICMetadataQueryWriter;
interface IPropertyBag2;

interface IWICBitmapSource;

DEFINE_GUID(IID_IWICPalette, 0x00000040, 0xa8f2, 0x4877, 0xba, 0x0a, 0xfd, 0x2b, 0x66, 0x45, 0xfb, 0x94);
interface IWICPalette : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE InitializePredefined(WICBitmapPaletteType ePaletteType,
                                                         BOOL fAddTransparentColor) = 0;
  virtual HRESULT STDMETHODCALLTYPE InitializeCustom(WICColor* pColors, UINT cCount) = 0;
  virtual HRESULT STDMETHODCALLTYPE InitializeFromBitmap(IWICBitmapSource* pISurface, UINT cCount,
                                                         BOOL fAddTransparentColor) = 0;
  virtual HRESULT STDMETHODCALLTYPE InitializeFromPalette(IWICPalette* pIPalette) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetType(WICBitmapPaletteType* pePaletteType) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetColorCount(UINT* pcCount) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetColors(UINT cCount, WICColor* pColors, UINT* pcActualColors) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsBlackWhite(BOOL* pfIsBlackWhite) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsGrayscale(BOOL* pfIsGrayscale) = 0;
  virtual HRESULT STDMETHODCALLTYPE HasAlpha(BOOL* pfHasAlpha) = 0;
};
__CRT_UUID_DECL(IWICPalette, 0x00000040, 0xa8f2, 0x4877, 0xba, 0x0a, 0xfd, 0x2b, 0x66, 0x45, 0xfb, 0x94)

DEFINE_GUID(IID_IWICBitmapSource, 0x00000120, 0xa8f2, 0x4877, 0xba, 0x0a, 0xfd, 0x2b, 0x66, 0x45, 0xfb, 0x94);
interface IWICBitmapSource : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetSize(UINT* puiWidth, UINT* puiHeight) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPixelFormat(WICPixelFormatGUID* pPixelFormat) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetResolution(double* pDpiX, double* pDpiY) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette* pIPalette) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* prc, UINT cbStride, UINT cbBufferSize,
                                               BYTE* pbBuffer) = 0;
};
__CRT_UUID_DECL(IWICBitmapSource, 0x00000120, 0xa8f2, 0x4877, 0xba, 0x0a, 0xfd, 0x2b, 0x66, 0x45, 0xfb, 0x94)

DEFINE_GUID(IID_IWICBitmapFrameDecode, 0x3b16811b, 0x6a43, 0x4ec9, 0xa8, 0x13, 0x3d, 0x93, 0x0c, 0x13, 0xb9, 0x40);
interface IWICBitmapFrameDecode : public IWICBitmapSource {
  virtual HRESULT STDMETHODCALLTYPE GetMetadataQueryReader(IWICMetadataQueryReader** ppIMetadataQueryReader) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetColorContexts(UINT cCount, IWICColorContext** ppIColorContexts,
                                                     UINT* pcActualCount) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetThumbnail(IWICBitmapSource** ppIThumbnail) = 0;
};
__CRT_UUID_DECL(IWICBitmapFrameDecode, 0x3b16811b, 0x6a43, 0x4ec9, 0xa8, 0x13, 0x3d, 0x93, 0x0c, 0x13, 0xb9, 0x40)

DEFINE_GUID(IID_IWICBitmapDecoder, 0x9edde9e7, 0x8dee, 0x47ea, 0x99, 0xdf, 0xe6, 0xfa, 0xf2, 0xed, 0x44, 0xbf);
interface IWICBitmapDecoder : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryCapability(IStream* pIStream, DWORD* pdwCapability) = 0;
  virtual HRESULT STDMETHODCALLTYPE Initialize(IStream* pIStream, WICDecodeOptions cacheOptions) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetContainerFormat(GUID* pguidContainerFormat) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDecoderInfo(IWICBitmapDecoderInfo** ppIDecoderInfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette* pIPalette) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMetadataQueryReader(IWICMetadataQueryReader** ppIMetadataQueryReader) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPreview(IWICBitmapSource** ppIBitmapSource) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetColorContexts(UINT cCount, IWICColorContext** ppIColorContexts,
                                                     UINT* pcActualCount) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetThumbnail(IWICBitmapSource** ppIThumbnail) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFrameCount(UINT* pCount) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFrame(UINT index, IWICBitmapFrameDecode** ppIBitmapFrame) = 0;
};
__CRT_UUID_DECL(IWICBitmapDecoder, 0x9edde9e7, 0x8dee, 0x47ea, 0x99, 0xdf, 0xe6, 0xfa, 0xf2, 0xed, 0x44, 0xbf)

DEFINE_GUID(IID_IWICFormatConverter, 0x00000301, 0xa8f2, 0x4877, 0xba, 0x0a, 0xfd, 0x2b, 0x66, 0x45, 0xfb, 0x94);
interface IWICFormatConverter : public IWICBitmapSource {
  virtual HRESULT STDMETHODCALLTYPE Initialize(IWICBitmapSource* pISource, REFWICPixelFormatGUID dstFormat,
                                               WICBitmapDitherType dither, IWICPalette* pIPalette,
                                               double alphaThresholdPercent, WICBitmapPaletteType paletteTranslate) = 0;
  virtual HRESULT STDMETHODCALLTYPE CanConvert(REFWICPixelFormatGUID srcPixelFormat,
                                               REFWICPixelFormatGUID dstPixelFormat, BOOL* pfCanConvert) = 0;
};
__CRT_UUID_DECL(IWICFormatConverter, 0x00000301, 0xa8f2, 0x4877, 0xba, 0x0a, 0xfd, 0x2b, 0x66, 0x45, 0xfb, 0x94)

// A stream over another stream, a file or memory; this platform offers memory (InitializeFromMemory), whose
// bytes are not copied and must outlive the stream, and files (InitializeFromFilename: GENERIC_READ opens an
// existing file, GENERIC_WRITE creates or empties one).
DEFINE_GUID(IID_IWICStream, 0x135ff860, 0x22b7, 0x4ddf, 0xb0, 0xf6, 0x21, 0x8f, 0x4f, 0x29, 0x9a, 0x43);
interface IWICStream : public IStream {
  virtual HRESULT STDMETHODCALLTYPE InitializeFromIStream(IStream* pIStream) = 0;
  virtual HRESULT STDMETHODCALLTYPE InitializeFromFilename(LPCWSTR wzFileName, DWORD dwAccessMode) = 0;
  virtual HRESULT STDMETHODCALLTYPE InitializeFromMemory(BYTE* pbBuffer, DWORD cbBufferSize) = 0;
  virtual HRESULT STDMETHODCALLTYPE InitializeFromIStreamRegion(IStream* pIStream, ULARGE_INTEGER ulOffset,
                                                                ULARGE_INTEGER ulMaxSize) = 0;
};
__CRT_UUID_DECL(IWICStream, 0x135ff860, 0x22b7, 0x4ddf, 0xb0, 0xf6, 0x21, 0x8f, 0x4f, 0x29, 0x9a, 0x43)

// Encoding, PNG only here (CreateEncoder with GUID_ContainerFormatPng). The encoder writes its one frame to the
// stream at its Commit; no encoder options (CreateNewFrame gives no property bag), palettes or metadata.
DEFINE_GUID(IID_IWICBitmapFrameEncode, 0x00000105, 0xa8f2, 0x4877, 0xba, 0x0a, 0xfd, 0x2b, 0x66, 0x45, 0xfb, 0x94);
interface IWICBitmapFrameEncode : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Initialize(IPropertyBag2* pIEncoderOptions) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSize(UINT uiWidth, UINT uiHeight) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetResolution(double dpiX, double dpiY) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPixelFormat(WICPixelFormatGUID* pPixelFormat) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetColorContexts(UINT cCount, IWICColorContext** ppIColorContext) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPalette(IWICPalette* pIPalette) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetThumbnail(IWICBitmapSource* pIThumbnail) = 0;
  virtual HRESULT STDMETHODCALLTYPE WritePixels(UINT lineCount, UINT cbStride, UINT cbBufferSize, BYTE* pbPixels) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteSource(IWICBitmapSource* pIBitmapSource, WICRect* prc) = 0;
  virtual HRESULT STDMETHODCALLTYPE Commit() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMetadataQueryWriter(IWICMetadataQueryWriter** ppIMetadataQueryWriter) = 0;
};
__CRT_UUID_DECL(IWICBitmapFrameEncode, 0x00000105, 0xa8f2, 0x4877, 0xba, 0x0a, 0xfd, 0x2b, 0x66, 0x45, 0xfb, 0x94)

DEFINE_GUID(IID_IWICBitmapEncoder, 0x00000103, 0xa8f2, 0x4877, 0xba, 0x0a, 0xfd, 0x2b, 0x66, 0x45, 0xfb, 0x94);
interface IWICBitmapEncoder : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Initialize(IStream* pIStream, WICBitmapEncoderCacheOption cacheOption) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetContainerFormat(GUID* pguidContainerFormat) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetEncoderInfo(IWICBitmapEncoderInfo** ppIEncoderInfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetColorContexts(UINT cCount, IWICColorContext** ppIColorContext) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPalette(IWICPalette* pIPalette) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetThumbnail(IWICBitmapSource* pIThumbnail) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPreview(IWICBitmapSource* pIPreview) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateNewFrame(IWICBitmapFrameEncode** ppIFrameEncode,
                                                   IPropertyBag2** ppIEncoderOptions) = 0;
  virtual HRESULT STDMETHODCALLTYPE Commit() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMetadataQueryWriter(IWICMetadataQueryWriter** ppIMetadataQueryWriter) = 0;
};
__CRT_UUID_DECL(IWICBitmapEncoder, 0x00000103, 0xa8f2, 0x4877, 0xba, 0x0a, 0xfd, 0x2b, 0x66, 0x45, 0xfb, 0x94)

DEFINE_GUID(IID_IWICImagingFactory, 0xec5ec8a9, 0xc395, 0x4314, 0x9c, 0x77, 0x54, 0xd7, 0xa9, 0x35, 0xff, 0x70);
interface IWICImagingFactory : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CreateDecoderFromFilename(LPCWSTR wzFilename, const GUID* pguidVendor,
                                                              DWORD dwDesiredAccess, WICDecodeOptions metadataOptions,
                                                              IWICBitmapDecoder** ppIDecoder) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateDecoderFromStream(IStream* pIStream, const GUID* pguidVendor,
                                                            WICDecodeOptions metadataOptions,
                                                            IWICBitmapDecoder** ppIDecoder) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateDecoderFromFileHandle(ULONG_PTR hFile, const GUID* pguidVendor,
                                                                WICDecodeOptions metadataOptions,
                                                                IWICBitmapDecoder** ppIDecoder) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateComponentInfo(REFCLSID clsidComponent, IWICComponentInfo** ppIInfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateDecoder(REFGUID guidContainerFormat, const GUID* pguidVendor,
                                                  IWICBitmapDecoder** ppIDecoder) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateEncoder(REFGUID guidContainerFormat, const GUID* pguidVendor,
                                                  IWICBitmapEncoder** ppIEncoder) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreatePalette(IWICPalette** ppIPalette) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateFormatConverter(IWICFormatConverter** ppIFormatConverter) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBitmapScaler(IWICBitmapScaler** ppIBitmapScaler) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBitmapClipper(IWICBitmapClipper** ppIBitmapClipper) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBitmapFlipRotator(IWICBitmapFlipRotator** ppIBitmapFlipRotator) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateStream(IWICStream** ppIWICStream) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateColorContext(IWICColorContext** ppIWICColorContext) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateColorTransformer(IWICColorTransform** ppIWICColorTransform) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBitmap(UINT uiWidth, UINT uiHeight, REFWICPixelFormatGUID pixelFormat,
                                                 WICBitmapCreateCacheOption option, IWICBitmap** ppIBitmap) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBitmapFromSource(IWICBitmapSource* pIBitmapSource,
                                                           WICBitmapCreateCacheOption option,
                                                           IWICBitmap** ppIBitmap) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBitmapFromSourceRect(IWICBitmapSource* pIBitmapSource, UINT x, UINT y,
                                                               UINT width, UINT height, IWICBitmap** ppIBitmap) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBitmapFromMemory(UINT uiWidth, UINT uiHeight,
                                                           REFWICPixelFormatGUID pixelFormat, UINT cbStride,
                                                           UINT cbBufferSize, BYTE* pbBuffer,
                                                           IWICBitmap** ppIBitmap) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBitmapFromHBITMAP(HBITMAP hBitmap, HPALETTE hPalette,
                                                            WICBitmapAlphaChannelOption options,
                                                            IWICBitmap** ppIBitmap) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBitmapFromHICON(HICON hIcon, IWICBitmap** ppIBitmap) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateComponentEnumerator(DWORD componentTypes, DWORD options,
                                                              IEnumUnknown** ppIEnumUnknown) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateFastMetadataEncoderFromDecoder(IWICBitmapDecoder* pIDecoder,
                                                                         IWICFastMetadataEncoder** ppIFastEncoder) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateFastMetadataEncoderFromFrameDecode(
      IWICBitmapFrameDecode* pIFrameDecoder, IWICFastMetadataEncoder** ppIFastEncoder) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateQueryWriter(REFGUID guidMetadataFormat, const GUID* pguidVendor,
                                                      IWICMetadataQueryWriter** ppIQueryWriter) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateQueryWriterFromReader(IWICMetadataQueryReader* pIQueryReader,
                                                                const GUID* pguidVendor,
                                                                IWICMetadataQueryWriter** ppIQueryWriter) = 0;
};
__CRT_UUID_DECL(IWICImagingFactory, 0xec5ec8a9, 0xc395, 0x4314, 0x9c, 0x77, 0x54, 0xd7, 0xa9, 0x35, 0xff, 0x70)

DEFINE_GUID(IID_IWICImagingFactory2, 0x7b816b45, 0x1996, 0x4476, 0xb1, 0x32, 0xde, 0x9e, 0x24, 0x7c, 0x8a, 0xf0);
interface IWICImagingFactory2 : public IWICImagingFactory {
  virtual HRESULT STDMETHODCALLTYPE CreateImageEncoder(ID2D1Device* pD2DDevice,
                                                       IWICImageEncoder** ppWICImageEncoder) = 0;
};
__CRT_UUID_DECL(IWICImagingFactory2, 0x7b816b45, 0x1996, 0x4476, 0xb1, 0x32, 0xde, 0x9e, 0x24, 0x7c, 0x8a, 0xf0)
