// A library preloaded into the program (LD_PRELOAD) between the Direct3D 12 layer and the Vulkan loader.
// It watches and it breaks things, as the soak and fault tests ask through the environment:
// - VULKAN_PROBE_COUNTS=<file>: keeps <file> up to date (rewritten four times a second), one "<name> <count>"
//   a line: the frames presented to a window, the queue submissions and memory allocations made so far,
//   and the live Vulkan objects of each kind the layer creates.
// - VULKAN_PROBE_FAULT=device-lost:<n>: the n-th queue submission loses the device, as a GPU that hangs or
//   is reset does: it and every later submission, present, acquire and wait fail with VK_ERROR_DEVICE_LOST.
// - VULKAN_PROBE_FAULT=out-of-memory:<n>: from the n-th memory allocation on, vkAllocateMemory fails with
//   VK_ERROR_OUT_OF_DEVICE_MEMORY.
// The layer calls these entry points of the loader directly, so defining them here is enough to come first.
#include <vulkan/vulkan.h>

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

namespace {

enum Kind {
  Instance,
  Device,
  Buffer,
  Image,
  ImageView,
  DeviceMemory,
  Sampler,
  ShaderModule,
  Pipeline,
  PipelineLayout,
  DescriptorSetLayout,
  CommandPool,
  CommandBuffer,
  Semaphore,
  Swapchain,
  KindCount
};

constexpr const char* KindNames[KindCount] = {"instances",
                                              "devices",
                                              "buffers",
                                              "images",
                                              "image-views",
                                              "memory-allocations",
                                              "samplers",
                                              "shader-modules",
                                              "pipelines",
                                              "pipeline-layouts",
                                              "descriptor-set-layouts",
                                              "command-pools",
                                              "command-buffers",
                                              "semaphores",
                                              "swapchains"};

std::atomic<int64_t> Live[KindCount];
std::atomic<uint64_t> Presents{0};
std::atomic<uint64_t> Submissions{0};
std::atomic<uint64_t> Allocations{0};

// Command buffers die with their pool without a call of their own, so each pool's share is kept.
std::mutex PoolMutex;
std::unordered_map<VkCommandPool, int64_t> CommandBuffersOfPool;

struct Fault {
  enum { None, DeviceLost, OutOfMemory } Type = None;
  uint64_t From = 0;
};

Fault ReadFault() {
  Fault fault;
  const char* text = std::getenv("VULKAN_PROBE_FAULT");
  if (text == nullptr) return fault;
  const std::string value = text;
  const size_t colon = value.find(':');
  const std::string name = value.substr(0, colon);
  fault.From = colon == std::string::npos ? 1 : std::strtoull(value.c_str() + colon + 1, nullptr, 10);
  if (name == "device-lost") {
    fault.Type = Fault::DeviceLost;
  } else if (name == "out-of-memory") {
    fault.Type = Fault::OutOfMemory;
  } else {
    std::fprintf(stderr, "vulkan probe: unknown VULKAN_PROBE_FAULT '%s'\n", text);
  }
  return fault;
}

const Fault& TheFault() {
  static const Fault fault = ReadFault();
  return fault;
}

std::atomic<bool> Lost{false};

bool LosesTheDevice(uint64_t submission) {
  if (TheFault().Type == Fault::DeviceLost && submission >= TheFault().From) Lost = true;
  return Lost;
}

void WriteCounts(const std::string& path) {
  const std::string temporary = path + ".new";
  FILE* file = std::fopen(temporary.c_str(), "w");
  if (file == nullptr) return;
  std::fprintf(file, "presents %llu\n", static_cast<unsigned long long>(Presents.load()));
  std::fprintf(file, "submissions %llu\n", static_cast<unsigned long long>(Submissions.load()));
  std::fprintf(file, "allocations %llu\n", static_cast<unsigned long long>(Allocations.load()));
  for (int kind = 0; kind < KindCount; ++kind) {
    std::fprintf(file, "%s %lld\n", KindNames[kind], static_cast<long long>(Live[kind].load()));
  }
  std::fclose(file);
  std::rename(temporary.c_str(), path.c_str());
}

// Started with the first instance, so a program that never uses Vulkan gets no thread.
void StartCountWriter() {
  static std::once_flag started;
  std::call_once(started, [] {
    const char* path = std::getenv("VULKAN_PROBE_COUNTS");
    if (path == nullptr) return;
    std::thread([file = std::string(path)] {
      for (;;) {
        WriteCounts(file);
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
      }
    }).detach();
  });
}

template <typename Function>
Function Next(const char* name) {
  void* next = dlsym(RTLD_NEXT, name);
  if (next == nullptr) {
    std::fprintf(stderr, "vulkan probe: no %s after the probe\n", name);
    std::abort();
  }
  return reinterpret_cast<Function>(next);
}

#define NEXT(name) static const auto next = Next<PFN_##name>(#name)

void Count(VkResult result, Kind kind, int64_t count = 1) {
  if (result == VK_SUCCESS) Live[kind] += count;
}

void Uncount(bool handleGiven, Kind kind) {
  if (handleGiven) --Live[kind];
}

}  // namespace

extern "C" {

// The objects with a create and a destroy call of the usual shape: (device, info, allocator, handle) and
// (device, handle, allocator).
#define PROBE_OBJECT(Type, Info, Kind_)                                                                     \
  VKAPI_ATTR VkResult VKAPI_CALL vkCreate##Type(VkDevice device, const Info* info,                          \
                                                const VkAllocationCallbacks* allocator, Vk##Type* object) { \
    NEXT(vkCreate##Type);                                                                                   \
    const VkResult result = next(device, info, allocator, object);                                          \
    Count(result, Kind_);                                                                                   \
    return result;                                                                                          \
  }                                                                                                         \
  VKAPI_ATTR void VKAPI_CALL vkDestroy##Type(VkDevice device, Vk##Type object,                              \
                                             const VkAllocationCallbacks* allocator) {                      \
    NEXT(vkDestroy##Type);                                                                                  \
    Uncount(object != VK_NULL_HANDLE, Kind_);                                                               \
    next(device, object, allocator);                                                                        \
  }

PROBE_OBJECT(Buffer, VkBufferCreateInfo, Buffer)
PROBE_OBJECT(Image, VkImageCreateInfo, Image)
PROBE_OBJECT(ImageView, VkImageViewCreateInfo, ImageView)
PROBE_OBJECT(Sampler, VkSamplerCreateInfo, Sampler)
PROBE_OBJECT(ShaderModule, VkShaderModuleCreateInfo, ShaderModule)
PROBE_OBJECT(PipelineLayout, VkPipelineLayoutCreateInfo, PipelineLayout)
PROBE_OBJECT(DescriptorSetLayout, VkDescriptorSetLayoutCreateInfo, DescriptorSetLayout)
PROBE_OBJECT(Semaphore, VkSemaphoreCreateInfo, Semaphore)
PROBE_OBJECT(SwapchainKHR, VkSwapchainCreateInfoKHR, Swapchain)

VKAPI_ATTR VkResult VKAPI_CALL vkCreateInstance(const VkInstanceCreateInfo* info,
                                                const VkAllocationCallbacks* allocator, VkInstance* instance) {
  NEXT(vkCreateInstance);
  StartCountWriter();
  const VkResult result = next(info, allocator, instance);
  Count(result, Instance);
  return result;
}

VKAPI_ATTR void VKAPI_CALL vkDestroyInstance(VkInstance instance, const VkAllocationCallbacks* allocator) {
  NEXT(vkDestroyInstance);
  Uncount(instance != VK_NULL_HANDLE, Instance);
  next(instance, allocator);
}

VKAPI_ATTR VkResult VKAPI_CALL vkCreateDevice(VkPhysicalDevice physicalDevice, const VkDeviceCreateInfo* info,
                                              const VkAllocationCallbacks* allocator, VkDevice* device) {
  NEXT(vkCreateDevice);
  const VkResult result = next(physicalDevice, info, allocator, device);
  Count(result, Device);
  return result;
}

VKAPI_ATTR void VKAPI_CALL vkDestroyDevice(VkDevice device, const VkAllocationCallbacks* allocator) {
  NEXT(vkDestroyDevice);
  Uncount(device != VK_NULL_HANDLE, Device);
  next(device, allocator);
}

VKAPI_ATTR VkResult VKAPI_CALL vkAllocateMemory(VkDevice device, const VkMemoryAllocateInfo* info,
                                                const VkAllocationCallbacks* allocator, VkDeviceMemory* memory) {
  NEXT(vkAllocateMemory);
  const uint64_t allocation = ++Allocations;
  if (TheFault().Type == Fault::OutOfMemory && allocation >= TheFault().From) {
    *memory = VK_NULL_HANDLE;
    return VK_ERROR_OUT_OF_DEVICE_MEMORY;
  }
  const VkResult result = next(device, info, allocator, memory);
  Count(result, DeviceMemory);
  return result;
}

VKAPI_ATTR void VKAPI_CALL vkFreeMemory(VkDevice device, VkDeviceMemory memory,
                                        const VkAllocationCallbacks* allocator) {
  NEXT(vkFreeMemory);
  Uncount(memory != VK_NULL_HANDLE, DeviceMemory);
  next(device, memory, allocator);
}

VKAPI_ATTR VkResult VKAPI_CALL vkCreateGraphicsPipelines(VkDevice device, VkPipelineCache cache, uint32_t count,
                                                         const VkGraphicsPipelineCreateInfo* infos,
                                                         const VkAllocationCallbacks* allocator,
                                                         VkPipeline* pipelines) {
  NEXT(vkCreateGraphicsPipelines);
  const VkResult result = next(device, cache, count, infos, allocator, pipelines);
  for (uint32_t i = 0; i < count; ++i) {
    if (pipelines[i] != VK_NULL_HANDLE) ++Live[Pipeline];
  }
  return result;
}

VKAPI_ATTR void VKAPI_CALL vkDestroyPipeline(VkDevice device, VkPipeline pipeline,
                                             const VkAllocationCallbacks* allocator) {
  NEXT(vkDestroyPipeline);
  Uncount(pipeline != VK_NULL_HANDLE, Pipeline);
  next(device, pipeline, allocator);
}

VKAPI_ATTR VkResult VKAPI_CALL vkCreateCommandPool(VkDevice device, const VkCommandPoolCreateInfo* info,
                                                   const VkAllocationCallbacks* allocator, VkCommandPool* pool) {
  NEXT(vkCreateCommandPool);
  const VkResult result = next(device, info, allocator, pool);
  Count(result, CommandPool);
  return result;
}

VKAPI_ATTR void VKAPI_CALL vkDestroyCommandPool(VkDevice device, VkCommandPool pool,
                                                const VkAllocationCallbacks* allocator) {
  NEXT(vkDestroyCommandPool);
  if (pool != VK_NULL_HANDLE) {
    --Live[CommandPool];
    std::lock_guard lock(PoolMutex);
    const auto found = CommandBuffersOfPool.find(pool);
    if (found != CommandBuffersOfPool.end()) {
      Live[CommandBuffer] -= found->second;
      CommandBuffersOfPool.erase(found);
    }
  }
  next(device, pool, allocator);
}

VKAPI_ATTR VkResult VKAPI_CALL vkAllocateCommandBuffers(VkDevice device, const VkCommandBufferAllocateInfo* info,
                                                        VkCommandBuffer* buffers) {
  NEXT(vkAllocateCommandBuffers);
  const VkResult result = next(device, info, buffers);
  if (result == VK_SUCCESS) {
    Live[CommandBuffer] += info->commandBufferCount;
    std::lock_guard lock(PoolMutex);
    CommandBuffersOfPool[info->commandPool] += info->commandBufferCount;
  }
  return result;
}

VKAPI_ATTR void VKAPI_CALL vkFreeCommandBuffers(VkDevice device, VkCommandPool pool, uint32_t count,
                                                const VkCommandBuffer* buffers) {
  NEXT(vkFreeCommandBuffers);
  int64_t freed = 0;
  for (uint32_t i = 0; i < count; ++i) {
    freed += buffers[i] != VK_NULL_HANDLE ? 1 : 0;
  }
  Live[CommandBuffer] -= freed;
  {
    std::lock_guard lock(PoolMutex);
    CommandBuffersOfPool[pool] -= freed;
  }
  next(device, pool, count, buffers);
}

VKAPI_ATTR VkResult VKAPI_CALL vkQueueSubmit2(VkQueue queue, uint32_t count, const VkSubmitInfo2* submits,
                                              VkFence fence) {
  NEXT(vkQueueSubmit2);
  if (LosesTheDevice(++Submissions)) return VK_ERROR_DEVICE_LOST;
  return next(queue, count, submits, fence);
}

VKAPI_ATTR VkResult VKAPI_CALL vkQueuePresentKHR(VkQueue queue, const VkPresentInfoKHR* info) {
  NEXT(vkQueuePresentKHR);
  if (Lost) return VK_ERROR_DEVICE_LOST;
  const VkResult result = next(queue, info);
  if (result == VK_SUCCESS || result == VK_SUBOPTIMAL_KHR) ++Presents;
  return result;
}

VKAPI_ATTR VkResult VKAPI_CALL vkAcquireNextImageKHR(VkDevice device, VkSwapchainKHR swapchain, uint64_t timeout,
                                                     VkSemaphore semaphore, VkFence fence, uint32_t* index) {
  NEXT(vkAcquireNextImageKHR);
  if (Lost) return VK_ERROR_DEVICE_LOST;
  return next(device, swapchain, timeout, semaphore, fence, index);
}

// Work that was never run never signals: waits end at once with the loss instead.
VKAPI_ATTR VkResult VKAPI_CALL vkWaitSemaphores(VkDevice device, const VkSemaphoreWaitInfo* info, uint64_t timeout) {
  NEXT(vkWaitSemaphores);
  if (Lost) return VK_ERROR_DEVICE_LOST;
  return next(device, info, timeout);
}

VKAPI_ATTR VkResult VKAPI_CALL vkGetSemaphoreCounterValue(VkDevice device, VkSemaphore semaphore, uint64_t* value) {
  NEXT(vkGetSemaphoreCounterValue);
  const VkResult result = next(device, semaphore, value);
  return Lost ? VK_ERROR_DEVICE_LOST : result;
}

VKAPI_ATTR VkResult VKAPI_CALL vkDeviceWaitIdle(VkDevice device) {
  NEXT(vkDeviceWaitIdle);
  if (Lost) return VK_ERROR_DEVICE_LOST;
  return next(device);
}

VKAPI_ATTR VkResult VKAPI_CALL vkQueueWaitIdle(VkQueue queue) {
  NEXT(vkQueueWaitIdle);
  if (Lost) return VK_ERROR_DEVICE_LOST;
  return next(queue);
}

}  // extern "C"
