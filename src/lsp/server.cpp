#include "lsp/server.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <new>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "corrections/dictionary_converter.h"
#include "folvane_version.h"
#include "lsp/analysis.h"
#include "lsp/framing.h"
#include "lsp/positions.h"
#include "settings/repository_config.h"

namespace folvane::lsp {
namespace {

using json = nlohmann::json;

// JSON-RPC's and the protocol's error codes.
constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
constexpr int kInternalError = -32603;
constexpr int kServerNotInitialized = -32002;
constexpr int kRequestFailed = -32803;

// More edits than this go to the client as one edit of the changed stretch.
constexpr std::size_t kMaxEdits = 4000;
// Code actions of single fixes offered for one range, at most.
constexpr std::size_t kMaxQuickFixes = 32;

enum class MessageType { Error = 1, Warning = 2, Info = 3, Log = 4 };

struct RpcError : std::runtime_error {
    RpcError(int c, const std::string& m) : std::runtime_error(m), code(c) {}
    int code;
};

[[noreturn]] void invalid(const std::string& what) { throw RpcError(kInvalidParams, what); }

const json& member(const json& o, const char* key) {
    if (!o.is_object()) invalid(std::string("an object with \"") + key + "\" expected");
    const auto it = o.find(key);
    if (it == o.end()) invalid(std::string("\"") + key + "\" missing");
    return *it;
}

json& memberRef(json& o, const char* key) {
    member(o, key);
    return o[key];
}

const json* optionalMember(const json& o, const char* key) {
    if (!o.is_object()) return nullptr;
    const auto it = o.find(key);
    return it == o.end() || it->is_null() ? nullptr : &*it;
}

const std::string& stringMember(const json& o, const char* key) {
    const json& v = member(o, key);
    if (!v.is_string()) invalid(std::string("\"") + key + "\" is no string");
    return v.get_ref<const std::string&>();
}

std::size_t unsignedMember(const json& o, const char* key) {
    const json& v = member(o, key);
    if (!v.is_number_unsigned()) invalid(std::string("\"") + key + "\" is no unsigned integer");
    return v.get<std::size_t>();
}

Position positionFrom(const json& v) { return {unsignedMember(v, "line"), unsignedMember(v, "character")}; }

json positionJson(const Position& p) { return {{"line", p.line}, {"character", p.character}}; }
json rangeJson(const Position& a, const Position& b) { return {{"start", positionJson(a)}, {"end", positionJson(b)}}; }

// The local path of a "file:" URI (percent escapes decoded), or "".
std::string pathOfUri(std::string_view uri) {
    if (!uri.starts_with("file://")) return {};
    uri.remove_prefix(7);
    if (uri.starts_with("localhost/")) uri.remove_prefix(9);
    if (!uri.starts_with("/")) return {};
    std::string out;
    for (std::size_t i = 0; i < uri.size(); ++i) {
        auto hex = [](char c) -> int {
            if (c >= '0' && c <= '9') return c - '0';
            if (c >= 'a' && c <= 'f') return c - 'a' + 10;
            if (c >= 'A' && c <= 'F') return c - 'A' + 10;
            return -1;
        };
        if (uri[i] == '%' && i + 2 < uri.size() && hex(uri[i + 1]) >= 0 && hex(uri[i + 2]) >= 0) {
            out += static_cast<char>(hex(uri[i + 1]) * 16 + hex(uri[i + 2]));
            i += 2;
        } else if (uri[i] == '?' || uri[i] == '#') {
            break;
        } else {
            out += uri[i];
        }
    }
    return out;
}

// Whether an action of kind `kind` is wanted by a request's "only" list.
bool kindWanted(const json* only, std::string_view kind) {
    if (!only || !only->is_array() || only->empty()) return true;
    for (const json& k : *only) {
        if (!k.is_string()) continue;
        const std::string& r = k.get_ref<const std::string&>();
        if (kind == r || (kind.starts_with(r) && kind.size() > r.size() && kind[r.size()] == '.')) return true;
    }
    return false;
}

// The settings of the client: {"folvane": {"switches": {...}, "standard": "tw"}}.
struct ClientSettings {
    std::vector<std::pair<std::string, bool>> switches;
    std::optional<corrections::ScriptStandard> standard;
};

// The settings in `v` (the "folvane" section, or the section itself), or
// nullopt when it holds none; what is not understood goes to `warnings`.
std::optional<ClientSettings> clientSettingsFrom(const json& v, std::vector<std::string>& warnings) {
    const json* section = optionalMember(v, "folvane");
    if (!section) {
        if (!optionalMember(v, "switches") && !optionalMember(v, "standard")) return std::nullopt;
        section = &v;
    }
    ClientSettings s;
    if (!section->is_object()) {
        warnings.push_back("folvane 设置应是一个对象");
        return s;
    }
    if (const json* sw = optionalMember(*section, "switches")) {
        if (!sw->is_object()) warnings.push_back("folvane.switches 应是一个对象");
        else
            for (const auto& [name, value] : sw->items()) {
                if (!engine::findTypesetOptionField(name)) {
                    warnings.push_back("未知的开关：" + name);
                    continue;
                }
                if (value.is_boolean()) s.switches.emplace_back(name, value.get<bool>());
                else if (value.is_number_integer() && (value.get<long long>() == 0 || value.get<long long>() == 1))
                    s.switches.emplace_back(name, value.get<long long>() == 1);
                else warnings.push_back("开关 " + name + " 的值应是 true 或 false");
            }
    }
    if (const json* st = optionalMember(*section, "standard")) {
        const auto named = st->is_string() ? corrections::scriptStandardNamed(st->get<std::string>()) : std::nullopt;
        if (named) s.standard = *named;
        else warnings.push_back("未知的繁简标准（可用 opencc、tw、twp、hk）");
    }
    return s;
}

struct Document {
    std::string uri, languageId, path;
    json version;  // as the client numbered it
    std::string text;
    LineIndex index;
    DocumentSetup setup;
    std::optional<Analysis> analysis;  // of the text as it is
    RuleMemory names;                  // of the fixes of the last analysis
    bool dirty = true;                 // diagnostics to publish
    // A change could not be applied: the text may differ from the
    // editor's, so nothing is offered until the whole text comes again.
    bool outOfStep = false;
    bool tooLargeTold = false;
};

}  // namespace

struct LanguageServer::Impl {
    Sink sink;
    std::function<void(std::string_view)> beforeHandling;
    std::size_t automaticLimit = kDefaultAutomaticLimit;
    bool initialized = false, shutdownAsked = false, exited = false;
    PositionEncoding encoding = PositionEncoding::Utf16;
    bool documentChanges = false;
    ClientSettings client;
    std::map<std::string, Document> documents;
    std::optional<corrections::DictionaryConverter> converter;  // built when a document first needs it
    std::vector<std::string> toldConfigErrors;

    void send(const json& message) { sink(message.dump(-1, ' ', false, json::error_handler_t::replace)); }
    void reply(const json& id, json result) { send({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}}); }
    void replyError(const json& id, int code, const std::string& message) {
        send({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
    }
    void notify(const char* method, json params) {
        send({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
    }
    void log(MessageType type, const std::string& message) {
        notify("window/logMessage", {{"type", static_cast<int>(type)}, {"message", message}});
    }
    void show(MessageType type, const std::string& message) {
        notify("window/showMessage", {{"type", static_cast<int>(type)}, {"message", message}});
    }

    void receive(std::string_view body);
    void dispatch(const std::string& method, const json& id, bool request, json& params);
    void initialize(const json& id, const json& params);
    void didOpen(json& params);
    void didChange(json& params);
    void codeAction(const json& id, const json& params);
    void formatting(const json& id, const json& params);
    void takeSettings(const json& v);
    void resolve(Document& d);
    void resolveAll();
    Document& documentFor(const json& params);
    const Analysis& analysisOf(Document& d);
    json diagnosticJson(const Fix& f) const;
    json editsJson(Document& d);
    json workspaceEdit(const Document& d, json edits) const;
    void publish(Document& d);
    void flush();
};

void LanguageServer::Impl::receive(std::string_view body) {
    json message = json::parse(body, nullptr, false);
    if (message.is_discarded()) {
        replyError(nullptr, kParseError, "消息不是有效的 JSON");
        return;
    }
    if (!message.is_object()) {
        replyError(nullptr, kInvalidRequest, "消息应是一个 JSON 对象");
        return;
    }
    const auto idIt = message.find("id");
    const bool request = idIt != message.end();
    json id = request ? *idIt : json();
    if (request && !id.is_string() && !id.is_number_integer()) {
        replyError(nullptr, kInvalidRequest, "请求的 id 应是整数或字符串");
        return;
    }
    const auto methodIt = message.find("method");
    if (methodIt == message.end()) {
        // A reply to a request of ours (the server sends none that wait).
        if (request && (message.contains("result") || message.contains("error"))) return;
        if (request) replyError(id, kInvalidRequest, "请求没有 method");
        return;
    }
    if (!methodIt->is_string()) {
        if (request) replyError(id, kInvalidRequest, "method 应是字符串");
        return;
    }
    const std::string method = methodIt->get<std::string>();
    json params = message.contains("params") ? std::move(message["params"]) : json::object();
    message = json();
    try {
        try {
            if (beforeHandling) beforeHandling(method);
            dispatch(method, id, request, params);
        } catch (...) {
            // A change that was not applied whole leaves the held text
            // unlike the editor's: nothing is offered for it until the
            // whole text comes again.
            if (method == "textDocument/didChange") {
                const json* item = optionalMember(params, "textDocument");
                const json* uri = item ? optionalMember(*item, "uri") : nullptr;
                const auto it = uri && uri->is_string() ? documents.find(uri->get<std::string>()) : documents.end();
                if (it != documents.end()) {
                    it->second.outOfStep = true;
                    it->second.analysis.reset();
                    it->second.dirty = true;
                }
            }
            throw;
        }
    } catch (const RpcError& e) {
        if (request) replyError(id, e.code, e.what());
        else log(MessageType::Error, method + ": " + e.what());
    } catch (const std::bad_alloc&) {
        if (request) replyError(id, kInternalError, "内存不足");
        else log(MessageType::Error, method + ": 内存不足");
    } catch (const std::exception& e) {
        if (request) replyError(id, kInternalError, std::string("内部错误：") + e.what());
        else log(MessageType::Error, method + ": " + e.what());
    }
}

void LanguageServer::Impl::dispatch(const std::string& method, const json& id, bool request, json& params) {
    if (method == "exit") {
        exited = true;
        return;
    }
    if (!initialized) {
        if (method == "initialize" && request) initialize(id, params);
        else if (request) replyError(id, kServerNotInitialized, "服务器尚未初始化");
        return;
    }
    if (shutdownAsked) {
        if (request) replyError(id, kInvalidRequest, "服务器已关闭");
        return;
    }
    if (request) {
        if (method == "initialize") replyError(id, kInvalidRequest, "服务器已初始化");
        else if (method == "shutdown") {
            shutdownAsked = true;
            reply(id, nullptr);
        } else if (method == "textDocument/codeAction") codeAction(id, params);
        else if (method == "textDocument/formatting") formatting(id, params);
        else replyError(id, kMethodNotFound, "不支持的方法：" + method);
        return;
    }
    if (method == "textDocument/didOpen") didOpen(params);
    else if (method == "textDocument/didChange") didChange(params);
    else if (method == "textDocument/didClose") {
        const std::string uri = stringMember(member(params, "textDocument"), "uri");
        if (documents.erase(uri) > 0)
            notify("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", json::array()}});
    } else if (method == "textDocument/didSave") {
        Document& d = documentFor(params);
        if (d.path.ends_with("/" + std::string(settings::kRepositoryConfigName))) resolveAll();
        else resolve(d);
    } else if (method == "workspace/didChangeConfiguration") {
        if (const json* s = optionalMember(params, "settings")) takeSettings(*s);
        resolveAll();
    } else if (method == "workspace/didChangeWatchedFiles") {
        resolveAll();
    }
    // Other notifications ("initialized", "$/cancelRequest", ...) need nothing.
}

void LanguageServer::Impl::initialize(const json& id, const json& params) {
    const json* capabilities = optionalMember(params, "capabilities");
    bool clangdStyle = false;
    std::optional<PositionEncoding> chosen;
    auto choose = [&](const json* offered) {
        if (!offered || !offered->is_array()) return;
        for (const json& e : *offered)
            if (e.is_string() && !chosen) chosen = positionEncodingNamed(e.get<std::string>());
    };
    if (capabilities) {
        if (const json* general = optionalMember(*capabilities, "general"))
            choose(optionalMember(*general, "positionEncodings"));
        if (!chosen) {
            // The older way of the same offer, which some clients still make.
            choose(optionalMember(*capabilities, "offsetEncoding"));
            clangdStyle = chosen.has_value();
        }
        const json* workspace = optionalMember(*capabilities, "workspace");
        const json* edit = workspace ? optionalMember(*workspace, "workspaceEdit") : nullptr;
        const json* dc = edit ? optionalMember(*edit, "documentChanges") : nullptr;
        documentChanges = dc && dc->is_boolean() && dc->get<bool>();
    }
    encoding = chosen.value_or(PositionEncoding::Utf16);
    if (const json* options = optionalMember(params, "initializationOptions")) takeSettings(*options);
    initialized = true;
    json result = {
        {"capabilities",
         {{"positionEncoding", positionEncodingName(encoding)},
          {"textDocumentSync", {{"openClose", true}, {"change", 2}, {"save", {{"includeText", false}}}}},
          {"codeActionProvider", {{"codeActionKinds", {"quickfix", "source.fixAll.folvane"}}}},
          {"documentFormattingProvider", true}}},
        {"serverInfo", {{"name", "folvane"}, {"version", FOLVANE_VERSION}}}};
    if (clangdStyle) result["offsetEncoding"] = positionEncodingName(encoding);
    reply(id, std::move(result));
}

void LanguageServer::Impl::takeSettings(const json& v) {
    std::vector<std::string> warnings;
    if (std::optional<ClientSettings> s = clientSettingsFrom(v, warnings)) client = std::move(*s);
    for (const std::string& w : warnings) show(MessageType::Warning, "Folvane 设置：" + w);
}

void LanguageServer::Impl::resolve(Document& d) {
    DocumentSetup s;
    std::optional<settings::RepositoryConfig> rc;
    if (!d.path.empty()) {
        bool found = false;
        std::string error;
        rc = settings::findRepositoryConfig(d.path, found, &error);
        if (!found) rc.reset();
        if (!error.empty()) {
            if (std::find(toldConfigErrors.begin(), toldConfigErrors.end(), error) == toldConfigErrors.end()) {
                toldConfigErrors.push_back(error);
                show(MessageType::Warning, "Folvane：" + error + "（未使用该配置）");
            }
            rc.reset();
        }
    }
    const std::string& name = d.path.empty() ? d.uri : d.path;
    if (d.languageId == "markdown") s.format = engine::DocumentFormat::Markdown;
    else if (const auto byPattern = rc ? rc->formatFor(name) : std::nullopt) s.format = *byPattern;
    else if (d.languageId == "plaintext" || d.languageId == "text") s.format = engine::DocumentFormat::Text;
    else s.format = engine::documentFormatOfPath(name);
    s.options = s.format == engine::DocumentFormat::Markdown ? engine::markdownDefaults()
                                                             : engine::TypesetOptions::defaults();
    if (rc) rc->applySwitches(s.options);
    for (const auto& [n, on] : client.switches) s.options.*(engine::findTypesetOptionField(n)->member) = on;
    s.standard = client.standard ? *client.standard : rc && rc->standard ? *rc->standard : s.standard;
    if (s != d.setup) {
        d.setup = s;
        d.analysis.reset();
        d.dirty = true;
    }
}

void LanguageServer::Impl::resolveAll() {
    for (auto& [uri, d] : documents) resolve(d);
}

Document& LanguageServer::Impl::documentFor(const json& params) {
    const std::string& uri = stringMember(member(params, "textDocument"), "uri");
    const auto it = documents.find(uri);
    if (it == documents.end()) throw RpcError(kInvalidParams, "文档未打开：" + uri);
    return it->second;
}

void LanguageServer::Impl::didOpen(json& params) {
    json& item = memberRef(params, "textDocument");
    const std::string& uri = stringMember(item, "uri");
    stringMember(item, "text");
    Document d;
    d.uri = uri;
    if (const json* l = optionalMember(item, "languageId"); l && l->is_string()) d.languageId = l->get<std::string>();
    if (const json* v = optionalMember(item, "version")) d.version = *v;
    d.path = pathOfUri(uri);
    d.text = std::move(item["text"].get_ref<std::string&>());
    d.index = LineIndex(d.text);
    resolve(d);
    documents.insert_or_assign(uri, std::move(d));
}

void LanguageServer::Impl::didChange(json& params) {
    Document& d = documentFor(params);
    d.analysis.reset();
    d.dirty = true;
    if (const json* v = optionalMember(memberRef(params, "textDocument"), "version")) d.version = *v;
    struct Edit {
        std::optional<std::pair<Position, Position>> range;
        std::string* text;
    };
    // Every change is read before the first is applied (receive() marks
    // the document out of step when anything here fails).
    std::vector<Edit> edits;
    json& changes = memberRef(params, "contentChanges");
    if (!changes.is_array()) invalid("contentChanges 应是数组");
    for (json& c : changes) {
        Edit e;
        stringMember(c, "text");
        e.text = &c["text"].get_ref<std::string&>();
        if (const json* r = optionalMember(c, "range"))
            e.range = std::make_pair(positionFrom(member(*r, "start")), positionFrom(member(*r, "end")));
        edits.push_back(e);
    }
    for (const Edit& e : edits) {
        if (!e.range) {
            d.text = std::move(*e.text);
            d.index = LineIndex(d.text);
            d.outOfStep = false;
        } else if (!d.outOfStep && !replaceRange(d.text, d.index, e.range->first, e.range->second, *e.text, encoding)) {
            d.outOfStep = true;
        }
    }
    if (d.outOfStep) log(MessageType::Error, "无法应用对 " + d.uri + " 的修改：请重新打开该文档");
}

const Analysis& LanguageServer::Impl::analysisOf(Document& d) {
    if (d.outOfStep) throw RpcError(kRequestFailed, "文档与编辑器不同步，请重新打开该文档");
    if (!d.analysis) {
        const bool script = d.setup.options.toTraditional || d.setup.options.toSimplified;
        if (script && !converter) converter.emplace();
        d.analysis = analyseDocument(d.text, d.setup, converter ? &*converter : nullptr, encoding, &d.names);
    }
    return *d.analysis;
}

json LanguageServer::Impl::diagnosticJson(const Fix& f) const {
    return {{"range", rangeJson(f.start, f.end)},
            {"severity", 3},
            {"source", "folvane"},
            {"code", f.rules.front()},
            {"message", fixMessage(f)}};
}

json LanguageServer::Impl::workspaceEdit(const Document& d, json edits) const {
    if (documentChanges)
        return {{"documentChanges",
                 json::array({{{"textDocument", {{"uri", d.uri}, {"version", d.version}}}, {"edits", std::move(edits)}}})}};
    return {{"changes", {{d.uri, std::move(edits)}}}};
}

json LanguageServer::Impl::editsJson(Document& d) {
    const Analysis& a = analysisOf(d);
    json edits = json::array();
    auto add = [&edits](const Fix& f) { edits.push_back({{"range", rangeJson(f.start, f.end)}, {"newText", f.newText}}); };
    if (a.fixes.size() > kMaxEdits) add(combinedFix(d.text, d.index, a.fixes, encoding));
    else
        for (const Fix& f : a.fixes) add(f);
    return edits;
}

void LanguageServer::Impl::codeAction(const json& id, const json& params) {
    Document& d = documentFor(params);
    const json& range = member(params, "range");
    const Position from = positionFrom(member(range, "start")), to = positionFrom(member(range, "end"));
    const json* context = optionalMember(params, "context");
    const json* only = context ? optionalMember(*context, "only") : nullptr;
    const Analysis& a = analysisOf(d);
    json actions = json::array();
    const bool quick = kindWanted(only, "quickfix");
    if (quick) {
        std::size_t offered = 0;
        for (const Fix& f : a.fixes) {
            if (f.end < from || f.start > to) continue;
            if (++offered > kMaxQuickFixes) break;
            json diagnostic = diagnosticJson(f);
            json edit = workspaceEdit(d, json::array({{{"range", rangeJson(f.start, f.end)}, {"newText", f.newText}}}));
            const std::string message = fixMessage(f);
            actions.push_back({{"title", "修正此处（" + message.substr(0, message.find("：")) + "）"},
                               {"kind", "quickfix"},
                               {"diagnostics", json::array({std::move(diagnostic)})},
                               {"isPreferred", true},
                               {"edit", std::move(edit)}});
        }
    }
    const bool fixAll = kindWanted(only, "source.fixAll.folvane");
    if (!a.fixes.empty() && (quick || fixAll)) {
        actions.push_back({{"title", "全部修正（共 " + std::to_string(a.fixes.size()) + " 处）"},
                           {"kind", quick ? "quickfix" : "source.fixAll.folvane"},
                           {"edit", workspaceEdit(d, editsJson(d))}});
    }
    reply(id, std::move(actions));
}

void LanguageServer::Impl::formatting(const json& id, const json& params) {
    Document& d = documentFor(params);
    reply(id, editsJson(d));
}

namespace {

// JSON text written directly: a long document's thousands of diagnostics
// cost a fraction of building them as values first.
void appendJsonString(std::string& out, std::string_view s) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            out += "\\u00";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

void appendPosition(std::string& out, const Position& p) {
    out += "{\"line\":" + std::to_string(p.line) + ",\"character\":" + std::to_string(p.character) + "}";
}

}  // namespace

void LanguageServer::Impl::publish(Document& d) {
    std::string out = "{\"jsonrpc\":\"2.0\",\"method\":\"textDocument/publishDiagnostics\",\"params\":{\"uri\":";
    appendJsonString(out, d.uri);
    if (d.version.is_number_integer()) out += ",\"version\":" + d.version.dump();
    out += ",\"diagnostics\":[";
    if (!d.outOfStep) {
        if (d.text.size() > automaticLimit) {
            if (!d.tooLargeTold) {
                d.tooLargeTold = true;
                show(MessageType::Info, "Folvane：文档超过 " + std::to_string(automaticLimit >> 20) +
                                             " MB，不随修改检查；格式化和“全部修正”仍可使用");
            }
        } else {
            bool first = true;
            for (const Fix& f : analysisOf(d).fixes) {
                if (!first) out += ',';
                first = false;
                out += "{\"range\":{\"start\":";
                appendPosition(out, f.start);
                out += ",\"end\":";
                appendPosition(out, f.end);
                out += "},\"severity\":3,\"source\":\"folvane\",\"code\":";
                appendJsonString(out, f.rules.front());
                out += ",\"message\":";
                appendJsonString(out, fixMessage(f));
                out += '}';
            }
        }
    }
    out += "]}}";
    sink(out);
}

void LanguageServer::Impl::flush() {
    for (auto& [uri, d] : documents) {
        if (!d.dirty) continue;
        d.dirty = false;
        try {
            publish(d);
        } catch (const std::bad_alloc&) {
            log(MessageType::Error, "检查 " + uri + " 时内存不足");
        } catch (const std::exception& e) {
            log(MessageType::Error, "检查 " + uri + " 时出错：" + e.what());
        }
    }
}

LanguageServer::LanguageServer(Sink sink) : impl_(std::make_unique<Impl>()) { impl_->sink = std::move(sink); }
LanguageServer::~LanguageServer() = default;

void LanguageServer::receive(std::string_view body) {
    try {
        impl_->receive(body);
    } catch (...) {
        // Even the error reply failed (no memory left): the message is lost,
        // the server and its documents are not.
    }
}

void LanguageServer::streamError(std::string_view why) {
    try {
        impl_->log(MessageType::Error, "消息格式错误：" + std::string(why));
    } catch (...) {
    }
}

void LanguageServer::flush() {
    try {
        impl_->flush();
    } catch (...) {
    }
}

bool LanguageServer::exited() const { return impl_->exited; }
int LanguageServer::exitCode() const { return impl_->shutdownAsked ? 0 : 1; }
void LanguageServer::setAutomaticLimit(std::size_t bytes) { impl_->automaticLimit = bytes; }
void LanguageServer::setBeforeHandling(std::function<void(std::string_view)> hook) {
    impl_->beforeHandling = std::move(hook);
}

std::optional<std::string> LanguageServer::documentText(std::string_view uri) const {
    const auto it = impl_->documents.find(std::string(uri));
    if (it == impl_->documents.end()) return std::nullopt;
    return it->second.text;
}

namespace {

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool inputWaiting(int fd) {
    pollfd p{fd, POLLIN, 0};
    int r;
    do r = ::poll(&p, 1, 0);
    while (r < 0 && errno == EINTR);
    return r > 0;
}

}  // namespace

int serveStdio(int inFd, int outFd) {
    bool outputFailed = false;
    LanguageServer server([&](std::string_view body) {
        if (!outputFailed) {
            const std::string header = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
            outputFailed = !writeAll(outFd, header) || !writeAll(outFd, body);
        }
    });
    FrameReader reader;
    std::vector<char> buffer(std::size_t{1} << 20);
    // Messages handled since the last flush; a client that never pauses
    // still gets its diagnostics now and then.
    std::size_t sinceFlush = 0;
    while (!server.exited() && !outputFailed) {
        while (std::optional<FrameReader::Frame> f = reader.next()) {
            if (f->error.empty()) server.receive(f->body);
            else server.streamError(f->error);
            ++sinceFlush;
            if (server.exited()) break;
        }
        if (server.exited()) break;
        if (sinceFlush > 0 && (sinceFlush >= 256 || !inputWaiting(inFd))) {
            server.flush();
            sinceFlush = 0;
        }
        const ssize_t n = ::read(inFd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // the client has gone
        reader.feed(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
    }
    return server.exited() ? server.exitCode() : 1;
}

}  // namespace folvane::lsp
