// Makes the imaging factory known to CoCreateInstance when the program starts. The library is linked as a
// whole archive so this registrar is kept although nothing refers to it.
#include "ImagingFactory.h"

#include <win32_platform.h>

namespace wic {
namespace {

[[maybe_unused]] const bool kRegistered = [] {
  win32_platform::RegisterComClass(CLSID_WICImagingFactory, ImagingFactory::CreateVersion1);
  win32_platform::RegisterComClass(CLSID_WICImagingFactory2, ImagingFactory::CreateVersion2);
  return true;
}();

}  // namespace
}  // namespace wic
