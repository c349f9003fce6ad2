// Compiled shaders kept on disk, so that the next start of a program does not compile them again. An entry
// is found by the whole request (source, name, defines, entry point, stage, flags and the compiler build)
// and is used only while every file it included still reads the same.
#pragma once

#include "CompileRequestCodec.h"

#include <optional>
#include <string>

namespace d3dcompiler {

// $D3DCOMPILER_CACHE names the folder ("off" keeps nothing); else ${XDG_CACHE_HOME:-$HOME/.cache}/d3dwin/shaders.
// Empty when there is no cache.
const std::string& CompileCacheFolder();

std::optional<CompileOutcome> FindCompiled(const std::string& key);

// Keeps a successful, cacheable outcome; a cache that cannot be written is only a cache that misses.
void StoreCompiled(const std::string& key, const HelperOutcome& outcome);

}  // namespace d3dcompiler
