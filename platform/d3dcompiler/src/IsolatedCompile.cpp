#include "IsolatedCompile.h"

#include "CompileCache.h"
#include "CompileChannel.h"
#include "CompileHelperProcess.h"
#include "CompileRequestCodec.h"
#include "Preprocessor.h"
#include "TargetLimits.h"
#include "platform_common/Diagnostics.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>

namespace d3dcompiler {

namespace {

// Long enough for the largest shader in a sanitizer build; a helper that takes longer has hung.
constexpr int HelperPatienceMilliseconds = 120 * 1000;

bool IsolationWanted() {
  const char* setting = std::getenv("D3DCOMPILER_ISOLATION");
  return setting == nullptr || std::strcmp(setting, "0") != 0;
}

// What compiled the code: a rebuilt compiler must not reuse its predecessor's results.
std::string CompilerStamp(const std::string& executable) {
  struct stat status{};
  if (stat(executable.c_str(), &status) != 0) return executable;
  return executable + ":" + std::to_string(status.st_size) + ":" + std::to_string(status.st_mtim.tv_sec) + "." +
         std::to_string(status.st_mtim.tv_nsec);
}

const std::string& Stamp() {
  static const std::string stamp =
      CompilerStamp(CompileHelperPath().empty() ? std::string("/proc/self/exe") : CompileHelperPath());
  return stamp;
}

// The caller's ID3DInclude, answering the helper's requests. Its data pointers go to the helper as tokens;
// whatever the helper leaves open when it stops is closed here.
class CallerIncludes {
 public:
  explicit CallerIncludes(ID3DInclude* include) : include_(include) {}
  ~CallerIncludes() {
    for (const auto& [token, data] : open_) include_->Close(data);
  }
  CallerIncludes(const CallerIncludes&) = delete;
  CallerIncludes& operator=(const CallerIncludes&) = delete;

  std::string Open(const std::string& payload) {
    MessageReader reader(payload);
    const auto type = D3D_INCLUDE_TYPE(reader.Number());
    const std::string name = reader.Text();
    const auto parent = open_.find(reader.Number());
    LPCVOID data = nullptr;
    UINT bytes = 0;
    HRESULT result = E_FAIL;
    if (reader.Intact() && include_ != nullptr) {
      result = include_->Open(type, name.c_str(), parent == open_.end() ? nullptr : parent->second, &data, &bytes);
    }
    MessageWriter reply;
    reply.Number(uint32_t(result));
    uint64_t token = 0;
    if (SUCCEEDED(result)) {
      token = ++lastToken_;
      open_[token] = data;
    }
    reply.Number(token);
    reply.Text(SUCCEEDED(result) && data != nullptr ? std::string_view(static_cast<const char*>(data), bytes) : "");
    return reply.Bytes();
  }

  void Close(const std::string& payload) {
    MessageReader reader(payload);
    const auto found = open_.find(reader.Number());
    if (found == open_.end()) return;
    include_->Close(found->second);
    open_.erase(found);
  }

 private:
  ID3DInclude* include_;
  uint64_t lastToken_ = 0;
  std::map<uint64_t, LPCVOID> open_;
};

CompileOutcome Failure(const CompileRequest& request, const std::string& what) {
  CompileOutcome outcome;
  outcome.Result = E_FAIL;
  outcome.Messages = request.SourceName + ": error: " + what + "\n";
  return outcome;
}

CompileOutcome Crashed(const CompileRequest& request, const std::string& how) {
  return Failure(request, "the HLSL compiler crashed on this source (its helper process " + how +
                              ") while compiling entry point '" + request.EntryPoint + "'; no code was produced");
}

// One request on one helper, answering its include requests until the outcome arrives.
std::optional<HelperOutcome> RunOnHelper(CompileHelper& helper, MessageKind kind, const std::string& payload,
                                         const CompileRequest& request, std::string* ending) {
  // Relative names (the source's, its includes') mean what they mean in the program now, wherever the
  // helper was started.
  std::error_code noFolder;
  MessageWriter envelope;
  envelope.Text(std::filesystem::current_path(noFolder).string());
  envelope.Text(payload);
  if (!SendFrame(helper.Socket(), kind, envelope.Bytes())) {
    *ending = helper.End();
    return std::nullopt;
  }
  CallerIncludes includes(KindOfInclude(request.Include) == IncludeKind::Caller ? request.Include : nullptr);
  for (;;) {
    Message message;
    const ReceiveStatus status = ReceiveFrame(helper.Socket(), HelperPatienceMilliseconds, &message);
    if (status == ReceiveStatus::TimedOut) {
      *ending = "did not finish within " + std::to_string(HelperPatienceMilliseconds / 1000) + " s and " +
                helper.End(true);
      return std::nullopt;
    }
    if (status == ReceiveStatus::Closed) {
      *ending = helper.End();
      return std::nullopt;
    }
    if (message.Kind == MessageKind::IncludeOpen) {
      if (!SendFrame(helper.Socket(), MessageKind::IncludeReply, includes.Open(message.Payload))) {
        *ending = helper.End();
        return std::nullopt;
      }
    } else if (message.Kind == MessageKind::IncludeClose) {
      includes.Close(message.Payload);
    } else {
      HelperOutcome outcome;
      if (message.Kind == MessageKind::Outcome && DecodeOutcome(message.Payload, &outcome)) return outcome;
      *ending = "sent a malformed answer and " + helper.End(true);
      return std::nullopt;
    }
  }
}

void ReportInProcessOnce(const std::string& problem) {
  static std::once_flag reported;
  std::call_once(reported, [&problem] {
    platform::Report("D3DCompile", "%s; compiling inside the program, where a crash of the compiler ends it",
                     problem.c_str());
  });
}

HelperOutcome InProcess(MessageKind kind, const CompileRequest& request) {
  HelperOutcome outcome;
  IncludeLog log;
  outcome.Outcome = kind == MessageKind::Preprocess ? PreprocessHlsl(request) : CompileHlsl(request);
  outcome.Cacheable = KindOfInclude(request.Include) != IncludeKind::Caller;
  outcome.Includes = log.Files();
  return outcome;
}

HelperOutcome Run(MessageKind kind, const std::string& payload, const CompileRequest& request) {
  if (!IsolationWanted()) return InProcess(kind, request);
  std::string problem;
  std::unique_ptr<CompileHelper> helper = TakeCompileHelper(&problem);
  if (helper == nullptr) {
    ReportInProcessOnce(problem);
    return InProcess(kind, request);
  }
  std::string ending;
  std::optional<HelperOutcome> outcome = RunOnHelper(*helper, kind, payload, request, &ending);
  if (outcome) {
    ReturnCompileHelper(std::move(helper));
    return std::move(*outcome);
  }
  HelperOutcome crashed;
  crashed.Outcome = Crashed(request, ending);
  crashed.Cacheable = false;
  return crashed;
}

}  // namespace

CompileOutcome CompileInIsolation(const CompileRequest& request, std::string_view target) {
  const std::string payload = EncodeRequest(request);
  const std::string key = Stamp() + '\n' + payload;
  std::optional<CompileOutcome> outcome = FindCompiled(key);
  if (!outcome) {
    HelperOutcome compiled = Run(MessageKind::Compile, payload, request);
    StoreCompiled(key, compiled);
    outcome = std::move(compiled.Outcome);
  }
  if (SUCCEEDED(outcome->Result)) {
    const std::string beyond = TargetLimitViolation(target, outcome->Code);
    if (!beyond.empty()) return Failure(request, beyond);
  }
  return std::move(*outcome);
}

CompileOutcome PreprocessInIsolation(const CompileRequest& request) {
  return Run(MessageKind::Preprocess, EncodeRequest(request), request).Outcome;
}

}  // namespace d3dcompiler
