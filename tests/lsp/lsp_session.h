// Drives the language server in-process as a client would: messages in,
// the server's messages out, a flush after each notification (what the
// stdio loop does when no further message waits).
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "lsp/server.h"

namespace folvane::testing {

class LspSession {
public:
    using json = nlohmann::json;
    LspSession() : server_([this](std::string_view body) { sent_.push_back(json::parse(body)); }) {}

    lsp::LanguageServer& server() { return server_; }

    // Sends one message's text as it is; returns what the server sent.
    std::vector<json> sendText(const std::string& body) {
        sent_.clear();
        server_.receive(body);
        const json m = json::parse(body, nullptr, false);
        if (!m.is_object() || !m.contains("id")) server_.flush();
        return std::move(sent_);
    }
    std::vector<json> send(const json& message) { return sendText(message.dump()); }

    // A request's reply (the other messages sent meanwhile in `others`).
    json request(const std::string& method, const json& params, std::vector<json>* others = nullptr) {
        const int id = ++lastId_;
        json reply;
        for (json& m : send({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}})) {
            if (m.contains("id") && m["id"] == id) reply = std::move(m);
            else if (others) others->push_back(std::move(m));
        }
        return reply;
    }
    std::vector<json> notify(const std::string& method, const json& params) {
        return send({{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
    }

    // initialize and initialized with the given capabilities.
    json start(const json& capabilities = json::object(), const json& options = nullptr) {
        json params = {{"capabilities", capabilities}};
        if (!options.is_null()) params["initializationOptions"] = options;
        json r = request("initialize", params);
        notify("initialized", json::object());
        return r;
    }

    // The diagnostics among `messages` published for `uri` (null when none were).
    static json diagnosticsIn(const std::vector<json>& messages, const std::string& uri) {
        json found;
        for (const json& m : messages)
            if (m.value("method", "") == "textDocument/publishDiagnostics" && m["params"]["uri"] == uri)
                found = m["params"]["diagnostics"];
        return found;
    }

private:
    std::vector<json> sent_;
    lsp::LanguageServer server_;
    int lastId_ = 1000;
};

}  // namespace folvane::testing
