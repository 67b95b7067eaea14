// JSON-RPC 2.0 messages as the Language Server Protocol frames them on a byte stream: a header
// block ("Content-Length: N", other fields ignored) ended by an empty line, then N bytes of JSON.
// The reader survives whatever the stream holds: a block without a usable Content-Length, a body
// larger than the limit or cut short by the end of input is reported as a framing error, and the
// next "Content-Length:" found in the stream starts the next message again.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

namespace lxtool::lsp {

// The error codes of JSON-RPC 2.0 and the one the Language Server Protocol adds.
enum ErrorCode : int {
    kParseError = -32700,
    kInvalidRequest = -32600,
    kMethodNotFound = -32601,
    kInvalidParams = -32602,
    kInternalError = -32603,
    kServerNotInitialized = -32002,
};

// The largest message body read: an editor's buffer of a few megabytes fits many times over,
// and a Content-Length beyond it is not held in memory (its bytes are skipped).
constexpr std::size_t kMaxMessageBytes = std::size_t{64} << 20;
// Of a header line only its last bytes are kept: a "Content-Length:" after junk (the rest of a
// body whose length was given too short) is found at the end of a line of any length.
constexpr std::size_t kMaxHeaderLineBytes = 4096;

struct Frame {
    enum class Kind {
        Message, // body holds the message's bytes
        Error,   // the stream held no usable message here; error says why
        End,     // the input is over
    };
    Kind kind = Kind::End;
    std::string body;
    std::string error;
};

class FrameReader {
  public:
    explicit FrameReader(std::streambuf& in, std::size_t maxBody = kMaxMessageBytes)
        : in_(in), maxBody_(maxBody) {}
    // The next message, framing error or the end of input.
    Frame Next();

  private:
    // One header line without its line end; false at the end of input with nothing read.
    bool ReadLine(std::string* line);

    std::streambuf& in_;
    std::size_t maxBody_;
};

// Writes one message with its header and flushes the stream.
void WriteFrame(std::ostream& out, std::string_view body);

} // namespace lxtool::lsp
