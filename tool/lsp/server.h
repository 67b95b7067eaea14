// `lexameter lsp`: the Language Server Protocol over a byte stream (standard input and output).
// The server keeps the text of every buffer the editor opened; on open, change and save it
// measures that buffer alone and publishes a diagnostic for each finding. It answers hover over a
// paragraph with the paragraph's figures and the command "lexameter.documentFigures" with the
// buffer's. Whatever a client sends, the server answers with JSON-RPC errors and goes on; only
// "exit" (or the end of input) ends it.
#pragma once

#include "tool/lsp/document.h"
#include "tool/lsp/jsonrpc.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>

namespace lxtool::lsp {

// The command that answers a buffer's figures.
constexpr const char* kDocumentFiguresCommand = "lexameter.documentFigures";
// The diagnostics' source, as editors show it beside each message.
constexpr const char* kDiagnosticSource = "lexameter";

class Server {
  public:
    using Send = std::function<void(const nlohmann::json& message)>;
    Server(BufferSettings settings, Send send, std::ostream& log);

    // Handles what the reader found: a message, or a framing error (answered as a parse error).
    void Receive(const Frame& frame);
    // Whether "exit" was received, and the status the process ends with: 0 when "shutdown" came
    // first, else 1. At the end of input without "exit" the same rule gives the status.
    bool exited() const { return exited_; }
    int exitStatus() const { return shutdown_ ? 0 : 1; }

  private:
    struct Buffer {
        std::string text;
        std::string languageId;
        std::int64_t version = 0;
        std::string name;   // what it is read as; "" when it is in no language measured
        std::string folder; // its file's folder; "" for an untitled buffer
        MeasuredBuffer measured;
    };
    using RequestFn = nlohmann::json (Server::*)(const nlohmann::json& params);
    using NotificationFn = void (Server::*)(const nlohmann::json& params);
    struct RequestRow {
        const char* method;
        RequestFn handle;
    };
    struct NotificationRow {
        const char* method;
        NotificationFn handle;
    };
    static const RequestRow kRequests[];
    static const NotificationRow kNotifications[];

    void Handle(const nlohmann::json& message);
    void Reply(const nlohmann::json& id, nlohmann::json result);
    void ReplyError(const nlohmann::json& id, int code, const std::string& message);

    nlohmann::json Initialize(const nlohmann::json& params);
    nlohmann::json Shutdown(const nlohmann::json& params);
    nlohmann::json Hover(const nlohmann::json& params);
    nlohmann::json ExecuteCommand(const nlohmann::json& params);
    void Initialized(const nlohmann::json& params);
    void Exit(const nlohmann::json& params);
    void DidOpen(const nlohmann::json& params);
    void DidChange(const nlohmann::json& params);
    void DidSave(const nlohmann::json& params);
    void DidClose(const nlohmann::json& params);

    Buffer& OpenBuffer(const nlohmann::json& params);
    // Measures the buffer and publishes its diagnostics.
    void Measure(const std::string& uri, Buffer& buffer);
    void Publish(const std::string& uri, const Buffer& buffer);

    BufferSettings settings_;
    Send send_;
    std::ostream& log_;
    std::map<std::string, Buffer> buffers_;
    bool initialized_ = false;
    bool shutdown_ = false;
    bool exited_ = false;
};

// Serves one client on in and out until "exit" or the end of input; answers the exit status.
// Framing errors are also noted on log.
int Serve(std::streambuf& in, std::ostream& out, std::ostream& log, const BufferSettings& settings);

} // namespace lxtool::lsp
