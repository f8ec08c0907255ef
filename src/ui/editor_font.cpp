#include "editor_font.h"

QFont EditorFont::toQFont() const {
    QFont f;
    f.setFamilies(QStringList{name, QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
    f.setPointSize(size > 0 ? size : 10);
    f.setBold(style == 1);
    f.setItalic(style == 2);
    return f;
}

void EditorFont::takeFrom(const QFont& chosen) {
    name = chosen.family();
    if (chosen.pointSize() > 0) size = chosen.pointSize();
    if (chosen.bold()) style = 1;
    if (chosen.italic()) style = 2;
}
