#include "about_dialog.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <algorithm>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "build_stamp.h"
#include "product.h"

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("关于 TAVEX FOLVANE"));
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(QStringLiteral("<b>%1</b><br/>文章自动排版").arg(product::kName), this);
    auto* version = new QLabel(versionText(), this);
    version->setObjectName(QStringLiteral("versionLabel"));
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* links = new QLabel(QStringLiteral("<a href=\"%1\">访问官方网站</a>　<a href=\"%2\">参与排版软件的讨论</a>")
                                 .arg(product::kHomePage, product::kForumPage),
                             this);
    links->setOpenExternalLinks(true);  // the desktop's browser
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addWidget(links);
    layout->addWidget(buttons);
    // A window manager elides a title that does not fit between its icon and
    // buttons ("关于 TA… LVANE"): the window is made wide enough for the whole
    // title in a title-bar font up to half as large again as ours.
    setMinimumWidth(std::max(layout->minimumSize().width(), titleRoom(windowTitle(), font())));
}

int AboutDialog::titleRoom(const QString& title, const QFont& font) {
    return QFontMetrics(font).horizontalAdvance(title) * 3 / 2 + 160;
}

QString AboutDialog::versionText() {
    return QStringLiteral("%1\n%2").arg(product::kVersion, QString::fromLatin1(product::buildTime()));
}
