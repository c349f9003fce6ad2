#include "CompileChannel.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace d3dcompiler {

namespace {

struct FrameHeader {
  uint32_t Kind;
  uint32_t Reserved;
  uint64_t Length;
};

// A frame longer than this is a corrupted stream rather than a shader.
constexpr uint64_t MaximumPayload = uint64_t(1) << 31;

bool SendAll(int socket, const char* bytes, size_t size) {
  while (size > 0) {
    const ssize_t sent = send(socket, bytes, size, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes += sent;
    size -= size_t(sent);
  }
  return true;
}

bool ReceiveAll(int socket, char* bytes, size_t size) {
  while (size > 0) {
    const ssize_t received = recv(socket, bytes, size, 0);
    if (received < 0 && errno == EINTR) continue;
    if (received <= 0) return false;
    bytes += received;
    size -= size_t(received);
  }
  return true;
}

bool WaitReadable(int socket, int timeoutMilliseconds) {
  pollfd watched{socket, POLLIN, 0};
  for (;;) {
    const int ready = poll(&watched, 1, timeoutMilliseconds);
    if (ready < 0 && errno == EINTR) continue;
    return ready > 0;
  }
}

}  // namespace

void MessageWriter::Number(uint64_t value) { bytes_.append(reinterpret_cast<const char*>(&value), sizeof value); }

void MessageWriter::Text(std::string_view text) {
  Number(text.size());
  bytes_.append(text);
}

uint64_t MessageReader::Number() {
  uint64_t value = 0;
  if (rest_.size() < sizeof value) {
    intact_ = false;
    rest_ = {};
    return 0;
  }
  std::memcpy(&value, rest_.data(), sizeof value);
  rest_.remove_prefix(sizeof value);
  return value;
}

std::string MessageReader::Text() {
  const uint64_t size = Number();
  if (size > rest_.size()) {
    intact_ = false;
    rest_ = {};
    return {};
  }
  std::string text(rest_.substr(0, size));
  rest_.remove_prefix(size);
  return text;
}

bool SendFrame(int socket, MessageKind kind, const std::string& payload) {
  const FrameHeader header{uint32_t(kind), 0, payload.size()};
  return SendAll(socket, reinterpret_cast<const char*>(&header), sizeof header) &&
         SendAll(socket, payload.data(), payload.size());
}

ReceiveStatus ReceiveFrame(int socket, int timeoutMilliseconds, Message* message) {
  if (!WaitReadable(socket, timeoutMilliseconds)) return ReceiveStatus::TimedOut;
  FrameHeader header{};
  if (!ReceiveAll(socket, reinterpret_cast<char*>(&header), sizeof header) || header.Length > MaximumPayload) {
    return ReceiveStatus::Closed;
  }
  message->Kind = MessageKind(header.Kind);
  message->Payload.resize(header.Length);
  return ReceiveAll(socket, message->Payload.data(), header.Length) ? ReceiveStatus::Received : ReceiveStatus::Closed;
}

}  // namespace d3dcompiler
