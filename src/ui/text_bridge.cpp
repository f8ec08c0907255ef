#include "text_bridge.h"

#include "text/codec.h"
#include "text/search.h"

QString qtFromGb(std::string_view gbText) {
    const std::u16string u = folvane::text::gb18030ToUtf16(gbText);
    return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
}

QString toQt(std::string_view gbText) {
    QString s = qtFromGb(gbText);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

std::string fromQt(const QString& text) {
    QString s = text;
    // The editor separates lines with "\n" (and a paragraph separator when
    // text is taken from the document itself); the clipboard may bring "\r\n".
    s.replace(QChar(0x2029), QChar('\n'));
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    std::u16string u(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size()));
    std::string gb = folvane::text::gb18030FromUtf16(u);
    return folvane::text::replaceAll(gb, "\n", "\r\n");
}
