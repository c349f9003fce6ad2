#include "CompileHelperServer.h"

#include "CompileChannel.h"
#include "CompileRequestCodec.h"
#include "HlslCompiler.h"
#include "Preprocessor.h"

#include <unistd.h>

#include <map>
#include <memory>
#include <string>

namespace d3dcompiler {

namespace {

// Stands in for the caller's ID3DInclude, which lives in the program: each Open and Close is a round trip.
// The program's data pointers travel as tokens, so the parent data the handler is given stays the
// program's own.
class ForwardedInclude final : public ID3DInclude {
 public:
  explicit ForwardedInclude(int socket) : socket_(socket) {}

  HRESULT STDMETHODCALLTYPE Open(D3D_INCLUDE_TYPE type, LPCSTR name, LPCVOID parent, LPCVOID* data,
                                 UINT* bytes) override {
    used_ = true;
    const auto parentToken = tokens_.find(parent);
    MessageWriter writer;
    writer.Number(uint64_t(type));
    writer.Text(name != nullptr ? name : "");
    writer.Number(parentToken == tokens_.end() ? 0 : parentToken->second);
    Message reply;
    if (!SendFrame(socket_, MessageKind::IncludeOpen, writer.Bytes()) ||
        ReceiveFrame(socket_, -1, &reply) != ReceiveStatus::Received || reply.Kind != MessageKind::IncludeReply) {
      return E_FAIL;
    }
    MessageReader reader(reply.Payload);
    const auto result = HRESULT(uint32_t(reader.Number()));
    const uint64_t token = reader.Number();
    auto content = std::make_unique<std::string>(reader.Text());
    if (!reader.Intact() || FAILED(result)) return FAILED(result) ? result : E_FAIL;
    *data = content->data();
    *bytes = UINT(content->size());
    tokens_[*data] = token;
    contents_[*data] = std::move(content);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Close(LPCVOID data) override {
    const auto token = tokens_.find(data);
    if (token == tokens_.end()) return S_OK;
    MessageWriter writer;
    writer.Number(token->second);
    SendFrame(socket_, MessageKind::IncludeClose, writer.Bytes());
    tokens_.erase(token);
    contents_.erase(data);
    return S_OK;
  }

  bool Used() const { return used_; }

 private:
  int socket_;
  bool used_ = false;
  std::map<LPCVOID, uint64_t> tokens_;
  std::map<LPCVOID, std::unique_ptr<std::string>> contents_;
};

HelperOutcome Serve(MessageKind kind, DecodedRequest& decoded, int socket) {
  ForwardedInclude forwarded(socket);
  switch (decoded.Includes) {
    case IncludeKind::StandardFiles:
      decoded.Request.Include = D3D_COMPILE_STANDARD_FILE_INCLUDE;
      break;
    case IncludeKind::Caller:
      decoded.Request.Include = &forwarded;
      break;
    case IncludeKind::None:
      break;
  }
  HelperOutcome served;
  IncludeLog log;
  served.Outcome = kind == MessageKind::Preprocess ? PreprocessHlsl(decoded.Request) : CompileHlsl(decoded.Request);
  served.Cacheable = !forwarded.Used();
  served.Includes = log.Files();
  return served;
}

}  // namespace

int ServeCompileRequests(int socket) {
  MessageWriter hello;
  hello.Number(CompileProtocolVersion);
  if (!SendFrame(socket, MessageKind::Hello, hello.Bytes())) return 0;
  for (;;) {
    Message request;
    if (ReceiveFrame(socket, -1, &request) != ReceiveStatus::Received) return 0;
    MessageReader envelope(request.Payload);
    std::string folder = envelope.Text();
    DecodedRequest decoded;
    if ((request.Kind != MessageKind::Compile && request.Kind != MessageKind::Preprocess) ||
        !DecodeRequest(envelope.Text(), &decoded) || !envelope.Intact()) {
      return 1;
    }
    // The program's working folder, which relative source and include names are in. If it is gone the
    // compile goes on, and a relative include fails with its own message.
    if (!folder.empty() && chdir(folder.c_str()) != 0) {
      folder.clear();
    }
    if (!SendFrame(socket, MessageKind::Outcome, EncodeOutcome(Serve(request.Kind, decoded, socket)))) return 0;
  }
}

}  // namespace d3dcompiler
