#include "VulkanInstance.h"

#include "Diagnostics.h"
#include "VulkanDispatch.h"
#include "VulkanStructs.h"

#include <win32_platform.h>

#include <SDL.h>
#include <SDL_vulkan.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace d3d12vk {
namespace {

constexpr const char* kValidationLayer = "VK_LAYER_KHRONOS_validation";
constexpr const char* kValidationVariable = "D3D12_VK_VALIDATION";
constexpr const char* kVersionVariable = "D3D12_VK_API_VERSION";

std::atomic<uint32_t> validationMessages{0};
std::atomic<bool> debugLayerEnabled{false};

std::mutex sharedInstanceMutex;
std::weak_ptr<VulkanInstance> sharedInstance;

VKAPI_ATTR VkBool32 VKAPI_CALL OnValidationMessage(VkDebugUtilsMessageSeverityFlagBitsEXT,
                                                   VkDebugUtilsMessageTypeFlagsEXT,
                                                   const VkDebugUtilsMessengerCallbackDataEXT* data, void*) {
  validationMessages.fetch_add(1, std::memory_order_relaxed);
  std::fprintf(stderr, "Vulkan validation: %s\n", data != nullptr && data->pMessage ? data->pMessage : "");
  return VK_FALSE;
}

VkDebugUtilsMessengerCreateInfoEXT MessengerInfo() {
  auto info = VkInit<VkDebugUtilsMessengerCreateInfoEXT>(VK_STRUCTURE_TYPE_DEBUG_UTILS_MESSENGER_CREATE_INFO_EXT);
  info.messageSeverity =
      VK_DEBUG_UTILS_MESSAGE_SEVERITY_WARNING_BIT_EXT | VK_DEBUG_UTILS_MESSAGE_SEVERITY_ERROR_BIT_EXT;
  info.messageType = VK_DEBUG_UTILS_MESSAGE_TYPE_GENERAL_BIT_EXT | VK_DEBUG_UTILS_MESSAGE_TYPE_VALIDATION_BIT_EXT |
                     VK_DEBUG_UTILS_MESSAGE_TYPE_PERFORMANCE_BIT_EXT;
  info.pfnUserCallback = OnValidationMessage;
  return info;
}

bool HasLayer(const char* name) {
  uint32_t count = 0;
  vkEnumerateInstanceLayerProperties(&count, nullptr);
  std::vector<VkLayerProperties> layers(count);
  vkEnumerateInstanceLayerProperties(&count, layers.data());
  return std::any_of(layers.begin(), layers.end(),
                     [name](const VkLayerProperties& layer) { return std::strcmp(layer.layerName, name) == 0; });
}

// An extension of the instance, or with `layer`, one that layer adds.
bool HasInstanceExtension(const char* name, const char* layer = nullptr) {
  uint32_t count = 0;
  vkEnumerateInstanceExtensionProperties(layer, &count, nullptr);
  std::vector<VkExtensionProperties> extensions(count);
  vkEnumerateInstanceExtensionProperties(layer, &count, extensions.data());
  return std::any_of(extensions.begin(), extensions.end(), [name](const VkExtensionProperties& extension) {
    return std::strcmp(extension.extensionName, name) == 0;
  });
}

bool HasDeviceExtension(VkPhysicalDevice device, const char* name) {
  uint32_t count = 0;
  vkEnumerateDeviceExtensionProperties(device, nullptr, &count, nullptr);
  std::vector<VkExtensionProperties> extensions(count);
  vkEnumerateDeviceExtensionProperties(device, nullptr, &count, extensions.data());
  return std::any_of(extensions.begin(), extensions.end(), [name](const VkExtensionProperties& extension) {
    return std::strcmp(extension.extensionName, name) == 0;
  });
}

int PreferenceRank(VkPhysicalDeviceType type) {
  switch (type) {
    case VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU:
      return 0;
    case VK_PHYSICAL_DEVICE_TYPE_INTEGRATED_GPU:
      return 1;
    case VK_PHYSICAL_DEVICE_TYPE_VIRTUAL_GPU:
      return 2;
    case VK_PHYSICAL_DEVICE_TYPE_CPU:
      return 3;
    default:
      return 4;
  }
}

// What Vulkan 1.3 made core, asked of a 1.2 device through its extensions' feature structures.
const char* MissingBeforeVulkan13(VkPhysicalDevice device) {
  for (const char* extension : kExtensionsBeforeVulkan13) {
    if (!HasDeviceExtension(device, extension)) return extension;
  }
  auto dynamicState2 = VkInit<VkPhysicalDeviceExtendedDynamicState2FeaturesEXT>(
      VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_EXTENDED_DYNAMIC_STATE_2_FEATURES_EXT);
  auto dynamicState = VkInit<VkPhysicalDeviceExtendedDynamicStateFeaturesEXT>(
      VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_EXTENDED_DYNAMIC_STATE_FEATURES_EXT, &dynamicState2);
  auto synchronization2 = VkInit<VkPhysicalDeviceSynchronization2FeaturesKHR>(
      VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_SYNCHRONIZATION_2_FEATURES_KHR, &dynamicState);
  auto dynamicRendering = VkInit<VkPhysicalDeviceDynamicRenderingFeaturesKHR>(
      VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_DYNAMIC_RENDERING_FEATURES_KHR, &synchronization2);
  auto features = VkInit<VkPhysicalDeviceFeatures2>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2, &dynamicRendering);
  vkGetPhysicalDeviceFeatures2(device, &features);
  if (!dynamicRendering.dynamicRendering) return "dynamic rendering";
  if (!synchronization2.synchronization2) return "synchronization2";
  if (!dynamicState.extendedDynamicState) return "extended dynamic state";
  if (!dynamicState2.extendedDynamicState2) return "extended dynamic state 2";
  return nullptr;
}

const char* MissingVulkan13Features(VkPhysicalDevice device) {
  auto features13 = VkInit<VkPhysicalDeviceVulkan13Features>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_3_FEATURES);
  auto features = VkInit<VkPhysicalDeviceFeatures2>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2, &features13);
  vkGetPhysicalDeviceFeatures2(device, &features);
  if (!features13.dynamicRendering) return "dynamic rendering";
  if (!features13.synchronization2) return "synchronization2";
  return nullptr;
}

// Why a physical device cannot run the layer, or null when it can; `apiVersion` is the version it is used at.
const char* MissingRequirement(VkPhysicalDevice device, uint32_t apiVersion, uint32_t* graphicsQueueFamily) {
  if (apiVersion < VK_API_VERSION_1_2) return "Vulkan 1.2";
  if (!HasDeviceExtension(device, VK_KHR_PUSH_DESCRIPTOR_EXTENSION_NAME)) return VK_KHR_PUSH_DESCRIPTOR_EXTENSION_NAME;
  const char* missing =
      apiVersion >= VK_API_VERSION_1_3 ? MissingVulkan13Features(device) : MissingBeforeVulkan13(device);
  if (missing != nullptr) return missing;
  auto features12 = VkInit<VkPhysicalDeviceVulkan12Features>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_2_FEATURES);
  auto features = VkInit<VkPhysicalDeviceFeatures2>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2, &features12);
  vkGetPhysicalDeviceFeatures2(device, &features);
  if (!features12.timelineSemaphore) return "timeline semaphores";

  uint32_t familyCount = 0;
  vkGetPhysicalDeviceQueueFamilyProperties(device, &familyCount, nullptr);
  std::vector<VkQueueFamilyProperties> families(familyCount);
  vkGetPhysicalDeviceQueueFamilyProperties(device, &familyCount, families.data());
  for (uint32_t i = 0; i < familyCount; ++i) {
    if (families[i].queueFlags & VK_QUEUE_GRAPHICS_BIT) {
      *graphicsQueueFamily = i;
      return nullptr;
    }
  }
  return "a graphics queue";
}

LUID AdapterLuid(VkPhysicalDevice device, uint32_t index) {
  auto ids = VkInit<VkPhysicalDeviceIDProperties>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_ID_PROPERTIES);
  auto properties = VkInit<VkPhysicalDeviceProperties2>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_PROPERTIES_2, &ids);
  vkGetPhysicalDeviceProperties2(device, &properties);
  LUID luid{};
  if (ids.deviceLUIDValid) {
    std::memcpy(&luid, ids.deviceLUID, sizeof(luid));
  } else {
    // Linux drivers rarely report a LUID; any value unique within the process serves DXGI's purposes.
    luid.LowPart = 0xD3D10000u + index;
  }
  return luid;
}

}  // namespace

bool ValidationRequested() {
  const char* value = std::getenv(kValidationVariable);
  return debugLayerEnabled || SynchronizationValidationRequested() ||
         (value != nullptr && std::strcmp(value, "1") == 0);
}

bool SynchronizationValidationRequested() {
  const char* value = std::getenv(kValidationVariable);
  return value != nullptr && std::strcmp(value, "sync") == 0;
}

uint32_t HighestUsedVulkanVersion() {
  const char* value = std::getenv(kVersionVariable);
  return value != nullptr && std::strcmp(value, "1.2") == 0 ? VK_API_VERSION_1_2 : VK_API_VERSION_1_3;
}

bool RequestValidation() {
  debugLayerEnabled = true;
  const std::shared_ptr<VulkanInstance> current = VulkanInstance::Current();
  return current == nullptr || current->ValidationEnabled();
}

uint32_t CountedValidationMessages() { return validationMessages.load(std::memory_order_relaxed); }

std::shared_ptr<VulkanInstance> VulkanInstance::Acquire(const char* call) {
  std::lock_guard lock(sharedInstanceMutex);
  if (auto existing = sharedInstance.lock()) return existing;
  std::shared_ptr<VulkanInstance> instance(new VulkanInstance());
  if (!instance->Create(call)) return nullptr;
  sharedInstance = instance;
  return instance;
}

std::shared_ptr<VulkanInstance> VulkanInstance::Current() {
  std::lock_guard lock(sharedInstanceMutex);
  return sharedInstance.lock();
}

bool VulkanInstance::Create(const char* call) {
  std::vector<const char*> extensions;
  std::vector<const char*> layers;

  // Windows of the Win32 module are SDL windows; SDL knows which surface extensions they need.
  if (!win32_platform::IsHeadless() && SDL_Vulkan_LoadLibrary(nullptr) == 0) {
    sdlVulkanLoaded_ = true;
    unsigned count = 0;
    if (SDL_Vulkan_GetInstanceExtensions(nullptr, &count, nullptr)) {
      std::vector<const char*> names(count);
      if (SDL_Vulkan_GetInstanceExtensions(nullptr, &count, names.data())) {
        extensions.insert(extensions.end(), names.begin(), names.begin() + count);
        surfacesSupported_ = count > 0;
      }
    }
    if (!surfacesSupported_) {
      Report(call, "no Vulkan surface extensions for windows (%s); presenting off-screen", SDL_GetError());
    }
  }

  // Event labels for capture tools (RenderDoc offers the extension itself) and for validation messages.
  labelsEnabled_ = HasInstanceExtension(VK_EXT_DEBUG_UTILS_EXTENSION_NAME);
  if (labelsEnabled_) extensions.push_back(VK_EXT_DEBUG_UTILS_EXTENSION_NAME);

  const bool validation = ValidationRequested();
  if (validation) {
    if (HasLayer(kValidationLayer) && labelsEnabled_) {
      layers.push_back(kValidationLayer);
    } else {
      Report(call, "%s is set but %s is not installed; running without validation", kValidationVariable,
             kValidationLayer);
    }
  }

  auto application = VkInit<VkApplicationInfo>(VK_STRUCTURE_TYPE_APPLICATION_INFO);
  application.pApplicationName = "Direct3D 12 program";
  application.pEngineName = "d3d12 on Vulkan";
  // The validation layer holds every device to this version, so the 1.2 path is checked as on a 1.2 device.
  application.apiVersion = HighestUsedVulkanVersion();

  VkDebugUtilsMessengerCreateInfoEXT messengerInfo = MessengerInfo();
  const VkValidationFeatureEnableEXT synchronization = VK_VALIDATION_FEATURE_ENABLE_SYNCHRONIZATION_VALIDATION_EXT;
  auto features = VkInit<VkValidationFeaturesEXT>(VK_STRUCTURE_TYPE_VALIDATION_FEATURES_EXT);
  features.enabledValidationFeatureCount = 1;
  features.pEnabledValidationFeatures = &synchronization;
  if (!layers.empty() && SynchronizationValidationRequested()) {
    if (HasInstanceExtension(VK_EXT_VALIDATION_FEATURES_EXTENSION_NAME, kValidationLayer)) {
      extensions.push_back(VK_EXT_VALIDATION_FEATURES_EXTENSION_NAME);
      messengerInfo.pNext = &features;
      synchronizationValidation_ = true;
    } else {
      Report(call, "%s=sync but %s cannot check synchronization; validating without it", kValidationVariable,
             kValidationLayer);
    }
  }
  auto info = VkInit<VkInstanceCreateInfo>(VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO);
  // Chaining the messenger also reports problems of instance creation and destruction.
  info.pNext = layers.empty() ? nullptr : &messengerInfo;
  info.pApplicationInfo = &application;
  info.enabledLayerCount = uint32_t(layers.size());
  info.ppEnabledLayerNames = layers.data();
  info.enabledExtensionCount = uint32_t(extensions.size());
  info.ppEnabledExtensionNames = extensions.data();
  const VkResult result = vkCreateInstance(&info, nullptr, &instance_);
  if (result != VK_SUCCESS) {
    Report(call, "cannot create a Vulkan instance: %s", DescribeVkResult(result));
    return false;
  }
  if (!layers.empty()) CreateDebugMessenger();
  EnumerateAdapters();
  return true;
}

void VulkanInstance::CreateDebugMessenger() {
  auto create = reinterpret_cast<PFN_vkCreateDebugUtilsMessengerEXT>(
      vkGetInstanceProcAddr(instance_, "vkCreateDebugUtilsMessengerEXT"));
  const VkDebugUtilsMessengerCreateInfoEXT info = MessengerInfo();
  if (create != nullptr) create(instance_, &info, nullptr, &messenger_);
}

void VulkanInstance::EnumerateAdapters() {
  uint32_t count = 0;
  vkEnumeratePhysicalDevices(instance_, &count, nullptr);
  std::vector<VkPhysicalDevice> devices(count);
  vkEnumeratePhysicalDevices(instance_, &count, devices.data());

  for (uint32_t i = 0; i < count; ++i) {
    AdapterInfo adapter;
    adapter.physicalDevice = devices[i];
    vkGetPhysicalDeviceProperties(devices[i], &adapter.properties);
    adapter.apiVersion = std::min(adapter.properties.apiVersion, HighestUsedVulkanVersion());
    if (const char* missing = MissingRequirement(devices[i], adapter.apiVersion, &adapter.graphicsQueueFamily)) {
      Report("IDXGIFactory::EnumAdapters", "skipping %s: it lacks %s", adapter.properties.deviceName, missing);
      continue;
    }
    vkGetPhysicalDeviceMemoryProperties(devices[i], &adapter.memory);
    adapter.luid = AdapterLuid(devices[i], i);
    adapter.isSoftware = adapter.properties.deviceType == VK_PHYSICAL_DEVICE_TYPE_CPU;
    adapters_.push_back(adapter);
  }
  std::stable_sort(adapters_.begin(), adapters_.end(), [](const AdapterInfo& a, const AdapterInfo& b) {
    return PreferenceRank(a.properties.deviceType) < PreferenceRank(b.properties.deviceType);
  });
}

VulkanInstance::~VulkanInstance() {
  if (messenger_ != VK_NULL_HANDLE) {
    auto destroy = reinterpret_cast<PFN_vkDestroyDebugUtilsMessengerEXT>(
        vkGetInstanceProcAddr(instance_, "vkDestroyDebugUtilsMessengerEXT"));
    if (destroy != nullptr) destroy(instance_, messenger_, nullptr);
  }
  if (instance_ != VK_NULL_HANDLE) vkDestroyInstance(instance_, nullptr);
  if (sdlVulkanLoaded_) SDL_Vulkan_UnloadLibrary();
}

}  // namespace d3d12vk
