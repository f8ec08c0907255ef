// The desktop program's command line and the request it makes of the
// running program: a second start hands its request over instead of opening
// a window of its own (see InstanceLink).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

struct ProgramRequest {
    enum class Action : quint8 {
        Show = 1,          // no argument: the window comes to the front
        Open = 2,          // FILE: opened as "打开" opens it, with the save question
        TypesetClipboard,  // --typeset-clipboard: what ALT+Q does
        ShowHide,          // --show-hide: what SHIFT+F12 does
        Quit,              // --quit: what "退出" does
    };
    Action action = Action::Show;
    QString file;  // Open only; absolute once the request leaves its process

    friend bool operator==(const ProgramRequest&, const ProgramRequest&) = default;
};

struct ParsedArguments {
    ProgramRequest request;
    bool help = false;
    bool version = false;  // --version: print the name and version, exit 0
    QString error;  // non-empty: a usage error (exit status 2); it names the argument
};

// The arguments without the program name. The words that are not options,
// joined by spaces, name one file (a path with spaces that a launcher split
// comes together again); "--" ends the options. One action at most, and no
// file beside an action.
ParsedArguments parseProgramArguments(const QStringList& arguments);

// What --help prints (UTF-8 on the terminal).
QString programHelpText();
// What --version prints: "folvane " and the version, with a line break.
QString programVersionText();

class QDataStream;

// The request as it travels between the two processes. readRequest reads
// one from a stream that may not hold all of it yet (a socket): Incomplete
// leaves the stream where it was, to be read again when more has come.
QByteArray encodeRequest(const ProgramRequest& request);
enum class RequestRead { Complete, Incomplete, Invalid };
RequestRead readRequest(QDataStream& in, ProgramRequest& request);
// A whole message; nullopt for anything else.
std::optional<ProgramRequest> decodeRequest(const QByteArray& bytes);

// The longest message accepted: a path, not a document.
inline constexpr qsizetype kMaxRequestBytes = 64 * 1024;
