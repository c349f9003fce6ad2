// Windows file systems ignore the case of names; Linux ones do not. Programs written for Windows spell their
// asset names as they please (`NBodyGravityCS.hlsl` for nBodyGravityCS.hlsl), so a name that does not exist
// as written is looked up again, folder by folder, without regard to ASCII case.

#include <win32_platform.h>

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

namespace win32_platform {

namespace {

bool Exists(const std::string& path) {
  struct stat status;
  return lstat(path.c_str(), &status) == 0;
}

// The entry of `folder` whose name equals `name` but for case; empty when there is none.
std::string EntryIgnoringCase(const std::string& folder, const std::string& name) {
  DIR* directory = opendir(folder.empty() ? "." : folder.c_str());
  if (directory == nullptr) return {};
  std::string found;
  while (const dirent* entry = readdir(directory)) {
    if (strcasecmp(entry->d_name, name.c_str()) == 0) {
      found = entry->d_name;
      break;
    }
  }
  closedir(directory);
  return found;
}

}  // namespace

std::string PathInDiskCase(const std::string& path) {
  if (path.empty() || Exists(path)) return path;
  std::string resolved = path[0] == '/' ? "/" : "";
  size_t start = resolved.size();
  while (start < path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string name = path.substr(start, end - start);
    const std::string folder = resolved;
    if (!name.empty()) {
      std::string candidate = folder + name;
      if (name != "." && name != ".." && !Exists(candidate)) {
        const std::string match = EntryIgnoringCase(folder, name);
        // Nothing matches: the rest stays as written (a file about to be created keeps its own name).
        if (match.empty()) return folder + path.substr(start);
        candidate = folder + match;
      }
      resolved = candidate;
    }
    if (end < path.size()) resolved += '/';
    start = end + 1;
  }
  return resolved;
}

}  // namespace win32_platform
