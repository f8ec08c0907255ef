// The editor's font record: name, size, a third value kept as it is, style
// (0 regular, 1 bold, 2 italic) and colour (0xFF000000: the default colour).
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <QtGlobal>

struct EditorFont {
    QString name = QStringLiteral("宋体");
    int size = 9;
    int third = 0;
    int style = 0;
    quint32 colour = 0xFF000000;

    // The Qt font. "宋体" and other Chinese names may be missing here: a
    // simplified-Chinese family follows them, or the desktop would pick
    // Japanese glyph shapes for Chinese text.
    QFont toQFont() const;

    // Takes name, size and style back from a font chosen in the font dialog:
    // style becomes 1 for bold, then 2 for italic (italic wins); with
    // neither it stays as it was.
    void takeFrom(const QFont& chosen);
};
