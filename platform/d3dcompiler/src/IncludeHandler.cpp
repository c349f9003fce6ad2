#include "IncludeHandler.h"

#include "ConstantBufferStatics.h"
#include "IncludeLog.h"
#include "SourceFile.h"
#include "SourceRules.h"

#include <cstdio>
#include <filesystem>
#include <vector>

namespace d3dcompiler {

namespace {

// Deep enough for any real shader library, shallow enough to stop an #include cycle long before the
// front end runs out of stack.
constexpr size_t MaximumIncludeDepth = 32;

std::string HexCode(HRESULT result) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
  return text;
}

}  // namespace

struct IncludeHandler::IncludedSource {
  shaderc_include_result Result{};
  std::string Name;              // empty when the include failed
  std::string Content;           // the text, or the reason it could not be included
  LPCVOID CallerData = nullptr;  // what the caller's ID3DInclude handed out, given back on Close

  // Points the result at the text this object owns (the caller's data is pointed at directly).
  shaderc_include_result* Publish() {
    Result.source_name = Name.c_str();
    Result.source_name_length = Name.size();
    if (CallerData == nullptr) {
      Result.content = Content.c_str();
      Result.content_length = Content.size();
    }
    return &Result;
  }
};

IncludeHandler::IncludeHandler(ID3DInclude* include, std::string rootSourceName)
    : include_(include), rootSourceName_(std::move(rootSourceName)) {}

IncludeHandler::~IncludeHandler() {
  // shaderc releases every result it was given; this only matters if a compilation was abandoned.
  while (!open_.empty()) {
    Close(open_.begin()->first);
  }
}

void IncludeHandler::InstallInto(shaderc_compile_options_t options) {
  shaderc_compile_options_set_include_callbacks(options, &IncludeHandler::Resolve, &IncludeHandler::Release, this);
}

shaderc_include_result* IncludeHandler::Resolve(void* handler, const char* requested, int type, const char* requesting,
                                                size_t depth) {
  auto* self = static_cast<IncludeHandler*>(handler);
  if (depth > MaximumIncludeDepth) {
    return self->Keep(Failed("#include nested more than " + std::to_string(MaximumIncludeDepth) +
                             " levels deep (does a file include itself?)"));
  }
  return self->Keep(self->Open(requested, type == shaderc_include_type_standard, requesting));
}

void IncludeHandler::Release(void* handler, shaderc_include_result* result) {
  static_cast<IncludeHandler*>(handler)->Close(result);
}

std::unique_ptr<IncludeHandler::IncludedSource> IncludeHandler::Open(const std::string& requested, bool system,
                                                                     const std::string& requesting) {
  if (include_ == nullptr) {
    return Failed("#include is not allowed: no include handler was given");
  }
  if (include_ == D3D_COMPILE_STANDARD_FILE_INCLUDE) {
    return OpenStandardFile(requested, requesting);
  }
  return OpenWithCallerHandler(requested, system, requesting);
}

// Searches the folder of the including file first, then the folder of the file being compiled.
std::unique_ptr<IncludeHandler::IncludedSource> IncludeHandler::OpenStandardFile(const std::string& requested,
                                                                                 const std::string& requesting) {
  const std::filesystem::path name(requested);
  std::vector<std::filesystem::path> candidates;
  if (name.is_absolute()) {
    candidates.push_back(name);
  } else {
    candidates.push_back(std::filesystem::path(requesting).parent_path() / name);
    const std::filesystem::path fromRoot = std::filesystem::path(rootSourceName_).parent_path() / name;
    if (fromRoot.lexically_normal() != candidates.front().lexically_normal()) {
      candidates.push_back(fromRoot);
    }
  }
  for (const std::filesystem::path& candidate : candidates) {
    const std::string path = candidate.lexically_normal().string();
    SourceText text = ReadSourceFile(path);
    if (SUCCEEDED(text.Result)) {
      auto source = std::make_unique<IncludedSource>();
      source->Name = path;
      // Included files follow the same cbuffer rules as the file being compiled.
      // The log keeps the text before the rules rewrite it, which is what the cache reads again to compare.
      const std::string withStatics = WithStaticsOutsideConstantBuffers(text.Text);
      IncludeLog::Note(path, withStatics);
      source->Content = RewrittenInclude(withStatics, path);
      return source;
    }
  }
  return Failed("cannot open include file '" + requested + "'");
}

std::unique_ptr<IncludeHandler::IncludedSource> IncludeHandler::OpenWithCallerHandler(const std::string& requested,
                                                                                      bool system,
                                                                                      const std::string& requesting) {
  const auto parent = callerDataBySourceName_.find(requesting);
  LPCVOID parentData = parent == callerDataBySourceName_.end() ? nullptr : parent->second;
  LPCVOID data = nullptr;
  UINT bytes = 0;
  const HRESULT result =
      include_->Open(system ? D3D_INCLUDE_SYSTEM : D3D_INCLUDE_LOCAL, requested.c_str(), parentData, &data, &bytes);
  if (FAILED(result)) {
    return Failed("the include handler could not open '" + requested + "' (" + HexCode(result) + ")");
  }
  auto source = std::make_unique<IncludedSource>();
  source->Name = requested;
  if (data != nullptr) {
    source->CallerData = data;
    source->Result.content = static_cast<const char*>(data);
    source->Result.content_length = bytes;
    callerDataBySourceName_[requested] = data;
  }
  return source;
}

std::unique_ptr<IncludeHandler::IncludedSource> IncludeHandler::Failed(std::string reason) {
  auto source = std::make_unique<IncludedSource>();
  source->Content = std::move(reason);
  return source;
}

shaderc_include_result* IncludeHandler::Keep(std::unique_ptr<IncludedSource> source) {
  shaderc_include_result* result = source->Publish();
  open_.emplace(result, std::move(source));
  return result;
}

void IncludeHandler::Close(shaderc_include_result* result) {
  const auto found = open_.find(result);
  if (found == open_.end()) {
    return;
  }
  const IncludedSource& source = *found->second;
  if (source.CallerData != nullptr) {
    const auto named = callerDataBySourceName_.find(source.Name);
    if (named != callerDataBySourceName_.end() && named->second == source.CallerData) {
      callerDataBySourceName_.erase(named);
    }
    include_->Close(source.CallerData);
  }
  open_.erase(found);
}

}  // namespace d3dcompiler
