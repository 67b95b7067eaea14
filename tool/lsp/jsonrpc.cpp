#include "tool/lsp/jsonrpc.h"

#include <algorithm>
#include <cctype>
#include <ostream>
#include <streambuf>

namespace lxtool::lsp {

namespace {

constexpr std::string_view kLengthField = "content-length:";
// More digits than this is no length the reader would hold.
constexpr std::size_t kMaxLengthDigits = 18;

// Where "Content-Length:" (in any case) begins in line, or npos.
std::size_t FindLengthField(std::string_view line) {
    auto it = std::search(
        line.begin(), line.end(), kLengthField.begin(), kLengthField.end(),
        [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
    return it == line.end() ? std::string_view::npos : static_cast<std::size_t>(it - line.begin());
}

// The value of a Content-Length field: digits between optional blanks. false when it is none.
bool ParseLength(std::string_view value, std::size_t* length) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!value.empty() && blank(value.front()))
        value.remove_prefix(1);
    while (!value.empty() && blank(value.back()))
        value.remove_suffix(1);
    if (value.empty() || value.size() > kMaxLengthDigits)
        return false;
    std::size_t n = 0;
    for (char c : value) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + static_cast<std::size_t>(c - '0');
    }
    *length = n;
    return true;
}

Frame Failed(std::string why) {
    Frame f;
    f.kind = Frame::Kind::Error;
    f.error = std::move(why);
    return f;
}

} // namespace

bool FrameReader::ReadLine(std::string* line) {
    line->clear();
    bool any = false;
    for (int c = in_.sbumpc(); c != std::char_traits<char>::eof(); c = in_.sbumpc()) {
        any = true;
        if (c == '\n') {
            if (!line->empty() && line->back() == '\r')
                line->pop_back();
            return true;
        }
        line->push_back(static_cast<char>(c));
        if (line->size() > 2 * kMaxHeaderLineBytes)
            line->erase(0, line->size() - kMaxHeaderLineBytes);
    }
    return any;
}

Frame FrameReader::Next() {
    std::string line;
    bool started = false; // a line of the header block was read
    bool lengthFound = false, lengthValid = false;
    std::size_t length = 0;
    std::string badValue;
    while (true) {
        if (!ReadLine(&line)) {
            if (!started)
                return Frame{};
            return Failed("the input ended inside a message's header");
        }
        if (line.empty()) {
            if (!started)
                continue; // blank lines between messages
            break;
        }
        started = true;
        const std::size_t at = FindLengthField(line);
        if (at == std::string::npos)
            continue; // another field (Content-Type), or bytes left over from a broken message
        std::string_view value = std::string_view(line).substr(at + kLengthField.size());
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
            value.remove_prefix(1);
        lengthFound = true;
        lengthValid = ParseLength(value, &length);
        if (!lengthValid)
            badValue = std::string(value.substr(0, 40));
    }
    if (!lengthFound)
        return Failed("a message without a Content-Length header");
    if (!lengthValid)
        return Failed("the Content-Length '" + badValue + "' is not a number of bytes");
    if (length > maxBody_) {
        // The bytes are skipped, not held, so that the next message is read where it starts.
        char scratch[65536];
        std::size_t left = length;
        while (left > 0) {
            const std::streamsize n =
                in_.sgetn(scratch, static_cast<std::streamsize>(std::min(left, sizeof scratch)));
            if (n <= 0)
                break;
            left -= static_cast<std::size_t>(n);
        }
        return Failed("a message of " + std::to_string(length) + " bytes is larger than the " +
                      std::to_string(maxBody_ >> 20) + " MB limit");
    }
    Frame f;
    f.body.resize(length);
    const std::streamsize got =
        length == 0 ? 0 : in_.sgetn(f.body.data(), static_cast<std::streamsize>(length));
    if (static_cast<std::size_t>(got) != length)
        return Failed("the input ended " + std::to_string(got) + " bytes into a message of " +
                      std::to_string(length) + " bytes");
    f.kind = Frame::Kind::Message;
    return f;
}

void WriteFrame(std::ostream& out, std::string_view body) {
    out << "Content-Length: " << body.size() << "\r\n\r\n";
    out.write(body.data(), static_cast<std::streamsize>(body.size()));
    out.flush();
}

} // namespace lxtool::lsp
