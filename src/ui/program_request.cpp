#include "program_request.h"

#include <QDataStream>
#include <QIODevice>
#include <array>

#include "folvane_version.h"

namespace {

struct OptionRow {
    const char* name;
    ProgramRequest::Action action;
    const char* help;  // UTF-8
};

// One row per option: the parser and the help text are made from it.
constexpr std::array<OptionRow, 3> kOptions{{
    {"--typeset-clipboard", ProgramRequest::Action::TypesetClipboard,
     "排版剪贴板中的文字，与 ALT+Q 相同（需勾选“一键排版”）；\n"
     "    可绑定为桌面快捷键，在无法注册 ALT+Q 的桌面上代替它"},
    {"--show-hide", ProgramRequest::Action::ShowHide, "显示或隐藏主窗口，与 SHIFT+F12 相同"},
    {"--quit", ProgramRequest::Action::Quit, "退出正在运行的程序，与“退出”相同"},
}};

// Marks the messages of this program and the form they have.
constexpr quint32 kMagic = 0x46565231;  // "FVR1"

bool knownAction(quint8 a) {
    return a >= static_cast<quint8>(ProgramRequest::Action::Show) &&
           a <= static_cast<quint8>(ProgramRequest::Action::Quit);
}

}  // namespace

ParsedArguments parseProgramArguments(const QStringList& arguments) {
    ParsedArguments parsed;
    QStringList words;
    bool optionsEnded = false;
    bool actionGiven = false;
    for (const QString& a : arguments) {
        if (optionsEnded || !a.startsWith(QLatin1Char('-')) || a == QLatin1String("-")) {
            words << a;
            continue;
        }
        if (a == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            parsed.help = true;
            continue;
        }
        if (a == QLatin1String("--version")) {
            parsed.version = true;
            continue;
        }
        const OptionRow* row = nullptr;
        for (const OptionRow& r : kOptions)
            if (a == QLatin1String(r.name)) row = &r;
        if (!row) {
            parsed.error = QStringLiteral("未知选项：%1").arg(a);
            return parsed;
        }
        if (actionGiven && parsed.request.action != row->action) {
            parsed.error = QStringLiteral("选项 %1 不能与其他操作同时使用").arg(a);
            return parsed;
        }
        actionGiven = true;
        parsed.request.action = row->action;
    }
    const QString file = words.join(QLatin1Char(' ')).trimmed();
    if (!file.isEmpty()) {
        if (actionGiven) {
            parsed.error = QStringLiteral("文件“%1”不能与选项同时给出").arg(file);
            return parsed;
        }
        parsed.request.action = ProgramRequest::Action::Open;
        parsed.request.file = file;
    }
    return parsed;
}

QString programHelpText() {
    QString text = QStringLiteral(
        "用法：folvane [文件]\n"
        "      folvane --typeset-clipboard | --show-hide | --quit\n"
        "\n"
        "排版中文文章的桌面程序。每个用户在每个显示上只运行一个程序：再次启动时，\n"
        "请求交给已在运行的程序（给出的文件在它的窗口中打开，窗口来到前面），\n"
        "然后以状态 0 结束。\n"
        "\n"
        "选项：\n");
    for (const OptionRow& r : kOptions)
        text += QStringLiteral("  %1\n    %2\n").arg(QLatin1String(r.name), QString::fromUtf8(r.help));
    text += QStringLiteral(
        "  -h, --help\n    显示本帮助\n"
        "  --version\n    显示版本号\n"
        "\n"
        "未知的选项是用法错误，退出状态为 2。\n");
    return text;
}

QString programVersionText() { return QStringLiteral("folvane " FOLVANE_VERSION "\n"); }

QByteArray encodeRequest(const ProgramRequest& request) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    const QByteArray file = request.file.toUtf8();
    out << kMagic << static_cast<quint8>(request.action) << static_cast<quint32>(file.size());
    out.writeRawData(file.constData(), static_cast<int>(file.size()));
    return bytes;
}

RequestRead readRequest(QDataStream& in, ProgramRequest& request) {
    in.setVersion(QDataStream::Qt_6_0);
    in.startTransaction();
    quint32 magic = 0;
    in >> magic;
    if (in.status() == QDataStream::Ok && magic != kMagic) {
        in.abortTransaction();
        return RequestRead::Invalid;
    }
    quint8 action = 0;
    quint32 length = 0;
    in >> action >> length;
    if (in.status() == QDataStream::Ok && (!knownAction(action) || length > kMaxRequestBytes)) {
        in.abortTransaction();
        return RequestRead::Invalid;
    }
    QByteArray file(in.status() == QDataStream::Ok ? static_cast<qsizetype>(length) : 0, Qt::Uninitialized);
    if (!file.isEmpty() && in.readRawData(file.data(), static_cast<int>(length)) != static_cast<int>(length))
        in.setStatus(QDataStream::ReadPastEnd);
    if (!in.commitTransaction()) return RequestRead::Incomplete;
    request.action = static_cast<ProgramRequest::Action>(action);
    request.file = QString::fromUtf8(file);
    return RequestRead::Complete;
}

std::optional<ProgramRequest> decodeRequest(const QByteArray& bytes) {
    QDataStream in(bytes);
    ProgramRequest r;
    if (readRequest(in, r) != RequestRead::Complete || !in.atEnd()) return std::nullopt;
    return r;
}
