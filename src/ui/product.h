// The product's name, version and web pages.
#pragma once

#include <QString>

#include "folvane_version.h"

namespace product {

inline const QString kName = QStringLiteral("Velmora TAVEX FOLVANE");
inline const QString kVersion = QStringLiteral(FOLVANE_VERSION);
// The window title without a file name.
inline const QString kBaseTitle = QStringLiteral("Velmora TAVEX FOLVANE " FOLVANE_VERSION);
inline const QString kHomePage = QStringLiteral("https://folvane.example.com/");
inline const QString kForumPage = QStringLiteral("https://folvane.example.com/forum/");
inline const QString kTrayTooltip = QStringLiteral("点击打开 TAVEX FOLVANE");

}  // namespace product
