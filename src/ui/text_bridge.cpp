#include "text_bridge.h"

#include "text/codec.h"

QString qtFromGb(std::string_view gbText) {
    const std::u16string u = folvane::text::gb18030ToUtf16(gbText);
    return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
}

QString toQt(std::string_view gbText) {
    // The line breaks are made the editor's in the same pass as the decoding.
    const std::u16string u = folvane::text::gb18030ToUtf16(gbText, true);
    return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
}

void collapseCrLf(QString& s) {
    const qsizetype first = s.indexOf(QLatin1String("\r\n"));
    if (first < 0) return;
    QChar* d = s.data();
    const qsizetype n = s.size();
    qsizetype out = first;
    for (qsizetype i = first; i < n; ++i) {
        if (d[i] == u'\r' && i + 1 < n && d[i + 1] == u'\n') continue;
        d[out++] = d[i];
    }
    s.truncate(out);
}

std::string fromQt(const QString& text) {
    // One pass: the editor's line ends ("\n", a paragraph separator, or a
    // "\r\n" that came from the clipboard) become "\r\n".
    return folvane::text::gb18030FromUtf16(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())),
        true);
}
