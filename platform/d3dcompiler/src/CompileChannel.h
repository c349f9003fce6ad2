// The messages a program and its compile helper process exchange over one socket: a kind, then fields
// (numbers and byte strings) packed one after the other. Both ends are the same build, so the encoding
// is plain host-order words.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace d3dcompiler {

enum class MessageKind : uint32_t {
  Compile = 1,       // program -> helper: its working folder, then a request (see CompileRequestCodec)
  Preprocess = 2,    // program -> helper: the same request, for the preprocessed text only
  IncludeOpen = 3,   // helper -> program: open an include through the caller's ID3DInclude
  IncludeReply = 4,  // program -> helper: what the caller's handler gave
  IncludeClose = 5,  // helper -> program: close it again
  Outcome = 6,       // helper -> program: the finished compilation
  Hello = 7,         // helper -> program, first: the version of these messages it speaks
};

// Changes whenever a message's fields do: a helper from another build that speaks another version is not
// used, rather than misread.
constexpr uint64_t CompileProtocolVersion = 2;

class MessageWriter {
 public:
  void Number(uint64_t value);
  void Text(std::string_view text);
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// Reads fields in the order they were written; a field past the end reads as zero or empty and marks the
// message as malformed, so a reader never runs off its buffer.
class MessageReader {
 public:
  explicit MessageReader(std::string_view bytes) : rest_(bytes) {}
  uint64_t Number();
  std::string Text();
  bool Intact() const { return intact_; }

 private:
  std::string_view rest_;
  bool intact_ = true;
};

struct Message {
  MessageKind Kind{};
  std::string Payload;
};

enum class ReceiveStatus { Received, Closed, TimedOut };

// Whole messages or nothing; never raises SIGPIPE when the other end is gone (false instead).
bool SendFrame(int socket, MessageKind kind, const std::string& payload);
// Waits up to `timeoutMilliseconds` (negative: without limit) for the start of a message.
ReceiveStatus ReceiveFrame(int socket, int timeoutMilliseconds, Message* message);

}  // namespace d3dcompiler
