// The boundary between the core's texts (GB18030, "\r\n") and Qt's
// (QString, "\n"). Nothing is lost either way: bytes that are no character
// travel through the editor as escaped code units.
#pragma once

#include <QString>
#include <string>
#include <string_view>

QString toQt(std::string_view gbText);
// Every "\r\n" of `s` becomes "\n", in one pass (QString::replace moves the
// rest of the text at every match, which takes minutes on a novel).
void collapseCrLf(QString& s);
std::string fromQt(const QString& text);

// For short texts of the program's own (captions, labels): no line-break change.
QString qtFromGb(std::string_view gbText);
