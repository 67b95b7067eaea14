#include "tool/lsp/server.h"

#include <cstring>
#include <filesystem>
#include <ostream>
#include <stdexcept>

#ifndef LX_VERSION
#define LX_VERSION "0.0.0"
#endif

namespace lxtool::lsp {

namespace {

using nlohmann::json;

// A request the server cannot answer as asked: its JSON-RPC error.
struct ProtocolError : std::runtime_error {
    ProtocolError(int code, const std::string& message) : std::runtime_error(message), code(code) {}
    int code;
};

// The protocol's constants the server uses.
constexpr int kSyncFull = 1;
constexpr int kSeverityError = 1;
constexpr int kSeverityWarning = 2;
// A line end far beyond any line: a position clamped to the end of its line.
constexpr std::int32_t kLineEnd = 1 << 30;

const json& Member(const json& object, const char* name) {
    static const json kNull;
    if (!object.is_object())
        return kNull;
    const auto it = object.find(name);
    return it == object.end() ? kNull : *it;
}

std::string StringMember(const json& object, const char* name, const char* what) {
    const json& value = Member(object, name);
    if (!value.is_string())
        throw ProtocolError(kInvalidParams, std::string(what) + " is missing or not a string");
    return value.get<std::string>();
}

std::string UriOf(const json& params) {
    return StringMember(Member(params, "textDocument"), "uri", "textDocument.uri");
}

Position PositionMember(const json& object, const char* name) {
    const json& p = Member(object, name);
    const json& line = Member(p, "line");
    const json& character = Member(p, "character");
    if (!line.is_number_integer() || !character.is_number_integer())
        throw ProtocolError(kInvalidParams, std::string(name) + " is not a position");
    return {line.get<std::int64_t>(), character.get<std::int64_t>()};
}

// The folder of a file's path; "" when it has none.
std::string FolderOf(const std::string& path) {
    if (path.empty())
        return "";
    return std::filesystem::path(path).parent_path().string();
}

json Range(const Position& start, const Position& end) {
    return {{"start", {{"line", start.line}, {"character", start.character}}},
            {"end", {{"line", end.line}, {"character", end.character}}}};
}

// A JSON-RPC id: a string or an integer. Anything else is no id the server can echo.
bool ValidId(const json& id) {
    return id.is_string() || id.is_number_integer() || id.is_number_unsigned();
}

} // namespace

const Server::RequestRow Server::kRequests[] = {
    {"initialize", &Server::Initialize},
    {"shutdown", &Server::Shutdown},
    {"textDocument/hover", &Server::Hover},
    {"workspace/executeCommand", &Server::ExecuteCommand},
};

const Server::NotificationRow Server::kNotifications[] = {
    {"initialized", &Server::Initialized},      {"exit", &Server::Exit},
    {"textDocument/didOpen", &Server::DidOpen}, {"textDocument/didChange", &Server::DidChange},
    {"textDocument/didSave", &Server::DidSave}, {"textDocument/didClose", &Server::DidClose},
};

Server::Server(BufferSettings settings, Send send, std::ostream& log)
    : settings_(std::move(settings)), send_(std::move(send)), log_(log) {}

void Server::Reply(const json& id, json result) {
    send_({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
}

void Server::ReplyError(const json& id, int code, const std::string& message) {
    send_({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

void Server::Receive(const Frame& frame) {
    if (frame.kind == Frame::Kind::End)
        return;
    if (frame.kind == Frame::Kind::Error) {
        log_ << "lexameter lsp: " << frame.error << "\n";
        ReplyError(nullptr, kParseError, frame.error);
        return;
    }
    json message = json::parse(frame.body, nullptr, false);
    if (message.is_discarded()) {
        ReplyError(nullptr, kParseError, "the message is not JSON");
        return;
    }
    Handle(message);
}

void Server::Handle(const json& message) {
    if (!message.is_object()) {
        ReplyError(nullptr, kInvalidRequest,
                   message.is_array() ? "batches are not taken: send one message at a time"
                                      : "a message is a JSON object");
        return;
    }
    const bool hasId = message.contains("id");
    const json id = hasId && ValidId(message["id"]) ? message["id"] : json(nullptr);
    if (hasId && !ValidId(message["id"])) {
        ReplyError(nullptr, kInvalidRequest, "the id is not a string or an integer");
        return;
    }
    if (Member(message, "jsonrpc") != "2.0") {
        ReplyError(id, kInvalidRequest, "\"jsonrpc\" is not \"2.0\"");
        return;
    }
    const json& methodValue = Member(message, "method");
    if (methodValue.is_null() && hasId && (message.contains("result") || message.contains("error")))
        return; // an answer to a request of the server's: it sends none that wait for one
    if (!methodValue.is_string()) {
        if (hasId)
            ReplyError(id, kInvalidRequest, "\"method\" is missing or not a string");
        else
            ReplyError(nullptr, kInvalidRequest, "\"method\" is missing or not a string");
        return;
    }
    const std::string method = methodValue.get<std::string>();
    const json& params = Member(message, "params");
    if (!params.is_null() && !params.is_object() && !params.is_array()) {
        if (hasId)
            ReplyError(id, kInvalidRequest, "\"params\" is not an object or an array");
        return;
    }

    const RequestRow* request = nullptr;
    for (const RequestRow& row : kRequests)
        if (method == row.method)
            request = &row;
    const NotificationRow* notification = nullptr;
    for (const NotificationRow& row : kNotifications)
        if (method == row.method)
            notification = &row;

    if (!hasId) {
        // A notification is never answered: an unknown one, one before initialize or during
        // shutdown is dropped, as the protocol asks ("exit" alone is always taken).
        if (!notification || (!initialized_ && method != "exit") || (shutdown_ && method != "exit"))
            return;
        try {
            (this->*notification->handle)(params);
        } catch (const std::exception& e) {
            log_ << "lexameter lsp: " << method << ": " << e.what() << "\n";
        }
        return;
    }
    if (!initialized_ && method != "initialize") {
        ReplyError(id, kServerNotInitialized,
                   "the server is not initialized: send initialize first");
        return;
    }
    if (!request && !notification) {
        ReplyError(id, kMethodNotFound, "unknown method '" + method + "'");
        return;
    }
    if (shutdown_) {
        ReplyError(id, kInvalidRequest, "the server is shutting down: only exit is taken");
        return;
    }
    try {
        if (request) {
            Reply(id, (this->*request->handle)(params));
        } else {
            // A notification sent as a request is done, and answered.
            (this->*notification->handle)(params);
            Reply(id, nullptr);
        }
    } catch (const ProtocolError& e) {
        ReplyError(id, e.code, method + ": " + e.what());
    } catch (const json::exception& e) {
        ReplyError(id, kInvalidParams, method + ": " + e.what());
    } catch (const std::exception& e) {
        ReplyError(id, kInternalError, method + ": " + e.what());
    }
}

json Server::Initialize(const json& params) {
    if (initialized_)
        throw ProtocolError(kInvalidRequest, "the server is initialized already");
    // A buffer with no folder of its own (untitled) takes the configuration of the workspace.
    const json& rootUri = Member(params, "rootUri");
    const json& rootPath = Member(params, "rootPath");
    if (rootUri.is_string())
        settings_.fallbackFolder = PathOfUri(rootUri.get<std::string>());
    if (settings_.fallbackFolder.empty() && rootPath.is_string())
        settings_.fallbackFolder = rootPath.get<std::string>();
    if (settings_.fallbackFolder.empty()) {
        std::error_code ec;
        settings_.fallbackFolder = std::filesystem::current_path(ec).string();
    }
    initialized_ = true;
    return {
        {"capabilities",
         {
             {"positionEncoding", "utf-16"},
             // The whole text on every change: a buffer is measured whole anyway.
             {"textDocumentSync",
              {{"openClose", true}, {"change", kSyncFull}, {"save", {{"includeText", true}}}}},
             {"hoverProvider", true},
             {"executeCommandProvider", {{"commands", {kDocumentFiguresCommand}}}},
         }},
        {"serverInfo", {{"name", "lexameter"}, {"version", LX_VERSION}}},
    };
}

json Server::Shutdown(const json&) {
    shutdown_ = true;
    return nullptr;
}

void Server::Initialized(const json&) {}

void Server::Exit(const json&) {
    exited_ = true;
}

Server::Buffer& Server::OpenBuffer(const json& params) {
    const std::string uri = UriOf(params);
    const auto it = buffers_.find(uri);
    if (it == buffers_.end())
        throw ProtocolError(kInvalidParams, "no open buffer '" + uri + "'");
    return it->second;
}

void Server::DidOpen(const json& params) {
    const json& doc = Member(params, "textDocument");
    const std::string uri = StringMember(doc, "uri", "textDocument.uri");
    Buffer b;
    b.text = StringMember(doc, "text", "textDocument.text");
    const json& language = Member(doc, "languageId");
    b.languageId = language.is_string() ? language.get<std::string>() : "";
    const json& version = Member(doc, "version");
    b.version = version.is_number_integer() ? version.get<std::int64_t>() : 0;
    b.name = ReadingName(uri, b.languageId);
    b.folder = FolderOf(PathOfUri(uri));
    Buffer& kept = buffers_[uri] = std::move(b);
    Measure(uri, kept);
}

void Server::DidChange(const json& params) {
    Buffer& b = OpenBuffer(params);
    const json& changes = Member(params, "contentChanges");
    if (!changes.is_array())
        throw ProtocolError(kInvalidParams, "contentChanges is not an array");
    for (const json& change : changes) {
        const std::string text = StringMember(change, "text", "contentChanges[].text");
        if (!Member(change, "range").is_object()) {
            b.text = text;
            continue;
        }
        // The server asks for whole texts; a client that sends ranges anyway is followed.
        const json& range = Member(change, "range");
        const std::vector<std::size_t> starts = LineStarts(b.text);
        const std::size_t from = OffsetOf(b.text, starts, PositionMember(range, "start"));
        const std::size_t to =
            std::max(from, OffsetOf(b.text, starts, PositionMember(range, "end")));
        b.text.replace(from, to - from, text);
    }
    const json& version = Member(Member(params, "textDocument"), "version");
    if (version.is_number_integer())
        b.version = version.get<std::int64_t>();
    Measure(UriOf(params), b);
}

void Server::DidSave(const json& params) {
    Buffer& b = OpenBuffer(params);
    const json& text = Member(params, "text");
    if (text.is_string())
        b.text = text.get<std::string>();
    // Measured again even when the text is the same: a configuration file may have changed.
    Measure(UriOf(params), b);
}

void Server::DidClose(const json& params) {
    const std::string uri = UriOf(params);
    if (buffers_.erase(uri) > 0)
        send_({{"jsonrpc", "2.0"},
               {"method", "textDocument/publishDiagnostics"},
               {"params", {{"uri", uri}, {"diagnostics", json::array()}}}});
}

void Server::Measure(const std::string& uri, Buffer& b) {
    if (b.name.empty())
        return; // not a language the server measures: it publishes nothing
    b.measured = MeasureBuffer(b.name, b.folder, b.text, settings_);
    Publish(uri, b);
}

void Server::Publish(const std::string& uri, const Buffer& b) {
    const std::vector<std::size_t> starts = LineStarts(b.text);
    json diagnostics = json::array();
    for (const BufferFinding& f : b.measured.findings) {
        const std::int32_t line = f.line > 0 ? f.line : 1;
        const Position start = PositionOf(b.text, starts, line, f.line > 0 ? f.column : 1);
        const Position end = PositionOf(b.text, starts, line, kLineEnd);
        diagnostics.push_back({{"range", Range(start, end)},
                               {"severity", f.error ? kSeverityError : kSeverityWarning},
                               {"source", kDiagnosticSource},
                               {"code", f.rule},
                               {"message", f.message}});
    }
    send_({{"jsonrpc", "2.0"},
           {"method", "textDocument/publishDiagnostics"},
           {"params", {{"uri", uri}, {"version", b.version}, {"diagnostics", diagnostics}}}});
}

json Server::Hover(const json& params) {
    const Position at = PositionMember(params, "position");
    const auto it = buffers_.find(UriOf(params));
    if (it == buffers_.end() || !it->second.measured.measured)
        return nullptr;
    const ParagraphFigures* p = ParagraphAtLine(it->second.measured.file, it->second.text, at.line);
    if (!p)
        return nullptr;
    return {{"contents", {{"kind", "markdown"}, {"value", HoverText(*p)}}}};
}

json Server::ExecuteCommand(const json& params) {
    const std::string command = StringMember(params, "command", "command");
    if (command != kDocumentFiguresCommand)
        throw ProtocolError(kInvalidParams, "unknown command '" + command + "'");
    // The buffer: the first argument, a URI or an object with one ({"uri"} or a text document
    // identifier).
    const json& arguments = Member(params, "arguments");
    const json first = arguments.is_array() && !arguments.empty() ? arguments[0] : json();
    std::string uri;
    if (first.is_string())
        uri = first.get<std::string>();
    else if (Member(first, "uri").is_string())
        uri = Member(first, "uri").get<std::string>();
    else if (Member(Member(first, "textDocument"), "uri").is_string())
        uri = Member(Member(first, "textDocument"), "uri").get<std::string>();
    else
        throw ProtocolError(kInvalidParams, std::string(kDocumentFiguresCommand) +
                                                " takes the buffer's URI as its argument");
    const auto it = buffers_.find(uri);
    if (it == buffers_.end())
        throw ProtocolError(kInvalidParams, "no open buffer '" + uri + "'");
    if (it->second.name.empty())
        throw ProtocolError(kInvalidParams, "'" + uri + "' is in no language lexameter measures");
    json result = DocumentFiguresJson(it->second.measured);
    result["uri"] = uri;
    result["version"] = it->second.version;
    return result;
}

int Serve(std::streambuf& in, std::ostream& out, std::ostream& log,
          const BufferSettings& settings) {
    Server server(
        settings,
        [&out](const json& message) {
            // Text from a buffer that is not UTF-8 is sent with replacement characters.
            WriteFrame(out, message.dump(-1, ' ', false, json::error_handler_t::replace));
        },
        log);
    FrameReader reader(in);
    while (!server.exited()) {
        const Frame frame = reader.Next();
        if (frame.kind == Frame::Kind::End)
            break;
        server.Receive(frame);
    }
    return server.exitStatus();
}

} // namespace lxtool::lsp
