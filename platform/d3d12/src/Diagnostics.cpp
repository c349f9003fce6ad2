#include "Diagnostics.h"

#include <vulkan/vulkan.h>

namespace d3d12vk {

const char* DescribeVkResult(int result) {
  switch (static_cast<VkResult>(result)) {
    case VK_SUCCESS:
      return "success";
    case VK_NOT_READY:
      return "not ready";
    case VK_TIMEOUT:
      return "timeout";
    case VK_ERROR_OUT_OF_HOST_MEMORY:
      return "out of host memory";
    case VK_ERROR_OUT_OF_DEVICE_MEMORY:
      return "out of device memory";
    case VK_ERROR_INITIALIZATION_FAILED:
      return "initialization failed";
    case VK_ERROR_DEVICE_LOST:
      return "device lost";
    case VK_ERROR_LAYER_NOT_PRESENT:
      return "layer not present";
    case VK_ERROR_EXTENSION_NOT_PRESENT:
      return "extension not present";
    case VK_ERROR_FEATURE_NOT_PRESENT:
      return "feature not present";
    case VK_ERROR_INCOMPATIBLE_DRIVER:
      return "incompatible driver";
    case VK_ERROR_FORMAT_NOT_SUPPORTED:
      return "format not supported";
    case VK_ERROR_SURFACE_LOST_KHR:
      return "surface lost";
    case VK_ERROR_OUT_OF_DATE_KHR:
      return "swap chain out of date";
    case VK_SUBOPTIMAL_KHR:
      return "swap chain suboptimal";
    default:
      return "Vulkan error";
  }
}

}  // namespace d3d12vk
