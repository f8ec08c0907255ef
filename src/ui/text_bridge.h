// The boundary between the core's texts (GB18030, "\r\n") and Qt's
// (QString, "\n"). Nothing is lost either way: bytes that are no character
// travel through the editor as escaped code units.
#pragma once

#include <QString>
#include <string>
#include <string_view>

QString toQt(std::string_view gbText);
std::string fromQt(const QString& text);

// For short texts of the program's own (captions, labels): no line-break change.
QString qtFromGb(std::string_view gbText);
