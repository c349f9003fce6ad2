// A plain program linked against `platform` the way the engine is: CoCreateInstance must find the imaging
// factory without the program naming anything of the imaging library but its CLSID.
#include <wincodec.h>

#include <cstdio>

int main() {
  CoInitialize(nullptr);
  IWICImagingFactory* factory = nullptr;
  const HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                      reinterpret_cast<void**>(&factory));
  if (FAILED(hr) || factory == nullptr) {
    std::fprintf(stderr, "wic_link_check: CoCreateInstance(CLSID_WICImagingFactory2) failed with 0x%08X\n",
                 static_cast<unsigned>(hr));
    return 1;
  }
  factory->Release();
  CoUninitialize();
  return 0;
}
