// The standard streams of a console program, as Windows gives them: always there to write to.
#pragma once

namespace win32 {

// Opens /dev/null on any of descriptors 0 to 2 the process was started without, so that no descriptor the
// layer opens later (the X connection, a file) takes a stream's number and receives the console's output;
// and makes a write to a pipe whose reader has gone fail with EPIPE instead of killing the process, as a
// console program on Windows goes on when its output is closed. A program's own SIGPIPE handler is kept.
// Runs before main; calling it again does nothing.
void PrepareStandardStreams();

}  // namespace win32
