#include "support/RecordingCommandList.h"

#include <ostream>

void PrintTo(const RecordedCall& call, std::ostream* out) {
  *out << call.Name << "(";
  for (size_t i = 0; i < call.Arguments.size(); ++i) *out << (i > 0 ? ", " : "") << call.Arguments[i];
  *out << ")";
}

std::vector<RecordedCall> RecordingCommandList::CallsTo(const std::string& name) const {
  std::vector<RecordedCall> matching;
  for (const RecordedCall& call : calls_) {
    if (call.Name == name) matching.push_back(call);
  }
  return matching;
}
