#include "CompileCache.h"

#include "CompileChannel.h"
#include "ConstantBufferStatics.h"
#include "SourceFile.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

namespace d3dcompiler {

namespace {

constexpr const char* EntryFormat = "d3dwin compiled shader 1";

std::string ChooseFolder() {
  const char* chosen = std::getenv("D3DCOMPILER_CACHE");
  if (chosen != nullptr && chosen[0] != '\0') return std::strcmp(chosen, "off") == 0 ? std::string() : chosen;
  const char* cacheHome = std::getenv("XDG_CACHE_HOME");
  if (cacheHome != nullptr && cacheHome[0] == '/') return std::string(cacheHome) + "/d3dwin/shaders";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.cache/d3dwin/shaders";
  return {};
}

// 64-bit FNV-1a names the entry; the entry holds the whole key, so two keys that share a name only miss.
std::string EntryPath(const std::string& key) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (const unsigned char byte : key) hash = (hash ^ byte) * 0x100000001b3ull;
  char name[32];
  std::snprintf(name, sizeof name, "%016llx.spv", static_cast<unsigned long long>(hash));
  return CompileCacheFolder() + "/" + name;
}

// What the include handler would give for `file` now.
bool StillReadsTheSame(const IncludedFile& file) {
  const SourceText text = ReadSourceFile(file.Path);
  return SUCCEEDED(text.Result) && WithStaticsOutsideConstantBuffers(text.Text) == file.Content;
}

}  // namespace

const std::string& CompileCacheFolder() {
  static const std::string folder = ChooseFolder();
  return folder;
}

std::optional<CompileOutcome> FindCompiled(const std::string& key) {
  if (CompileCacheFolder().empty()) return std::nullopt;
  std::ifstream file(EntryPath(key), std::ios::binary);
  if (!file) return std::nullopt;
  const std::string entry((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  MessageReader reader(entry);
  if (reader.Text() != EntryFormat || reader.Text() != key) return std::nullopt;
  const uint64_t includes = reader.Number();
  for (uint64_t i = 0; i < includes && reader.Intact(); ++i) {
    IncludedFile included;
    included.Path = reader.Text();
    included.Content = reader.Text();
    if (!StillReadsTheSame(included)) return std::nullopt;
  }
  CompileOutcome outcome;
  outcome.Messages = reader.Text();
  const std::string code = reader.Text();
  if (!reader.Intact() || code.empty()) return std::nullopt;
  outcome.Code.resize(code.size());
  std::memcpy(outcome.Code.data(), code.data(), code.size());
  outcome.Result = S_OK;
  return outcome;
}

void StoreCompiled(const std::string& key, const HelperOutcome& outcome) {
  if (CompileCacheFolder().empty() || !outcome.Cacheable || FAILED(outcome.Outcome.Result)) return;
  MessageWriter writer;
  writer.Text(EntryFormat);
  writer.Text(key);
  writer.Number(outcome.Includes.size());
  for (const IncludedFile& included : outcome.Includes) {
    writer.Text(included.Path);
    writer.Text(included.Content);
  }
  writer.Text(outcome.Outcome.Messages);
  writer.Text({reinterpret_cast<const char*>(outcome.Outcome.Code.data()), outcome.Outcome.Code.size()});

  std::error_code ignored;
  std::filesystem::create_directories(CompileCacheFolder(), ignored);
  // Written aside and renamed into place, so a reader in another process never sees half an entry.
  const std::string path = EntryPath(key);
  std::ostringstream aside;
  aside << path << '.' << getpid() << '.' << std::this_thread::get_id() << ".tmp";
  {
    std::ofstream file(aside.str(), std::ios::binary | std::ios::trunc);
    file.write(writer.Bytes().data(), std::streamsize(writer.Bytes().size()));
    if (!file) {
      std::filesystem::remove(aside.str(), ignored);
      return;
    }
  }
  std::filesystem::rename(aside.str(), path, ignored);
  if (ignored) std::filesystem::remove(aside.str(), ignored);
}

}  // namespace d3dcompiler
