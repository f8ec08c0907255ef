#include "options_window.h"

#include "link_label.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

#include "settings/quick_bars.h"

namespace settings = folvane::settings;
using settings::Choice3;
using settings::OptionsClick;

namespace {

// Controls whose clicks have rules; the others only take their state.
enum Control { kPlain = -1 };

Choice3 selectionOf(QButtonGroup* group) {
    switch (group->checkedId()) {
        case 0: return Choice3::First;
        case 1: return Choice3::Second;
        case 2: return Choice3::Third;
        default: return Choice3::None;
    }
}

void showSelection(QButtonGroup* group, Choice3 choice) {
    const int id = choice == Choice3::First ? 0 : choice == Choice3::Second ? 1 : choice == Choice3::Third ? 2 : -1;
    if (id < 0) {
        // An exclusive group cannot uncheck its last button by itself.
        group->setExclusive(false);
        for (QAbstractButton* b : group->buttons()) b->setChecked(false);
        group->setExclusive(true);
    } else {
        group->button(id)->setChecked(true);
    }
}

}  // namespace

OptionsWindow::OptionsWindow(folvane::engine::TypesetOptions& options, bool topmost, Hooks hooks, QWidget* parent)
    : QDialog(parent), options_(options), hooks_(std::move(hooks)) {
    if (!hooks_.confirmRestore) hooks_.confirmRestore = &OptionsWindow::askRestoreDefaults;
    setWindowTitle(QStringLiteral("排版时将执行以下选中的过程:"));
    setModal(true);
    setFixedSize(523, 453);
    setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    build();
    form_ = settings::createOptionsForm(options_);
    showForm();
}

bool OptionsWindow::askRestoreDefaults(QWidget* parent) {
    return QMessageBox::question(parent, QStringLiteral("恢复确认"), QStringLiteral("此操作不能撤消，要恢复默认吗？"),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void OptionsWindow::build() {
    struct GroupPlace {
        const char* caption;
        QRect rect;
    };
    const GroupPlace places[6] = {
        {"空格", {16, 16, 248, 80}},          {"段落", {16, 104, 248, 152}},
        {"繁简转换", {16, 263, 248, 104}},    {"半角/全角", {272, 16, 224, 104}},
        {"标点", {272, 128, 224, 56}},        {"特殊功能(选用)", {272, 192, 224, 176}},
    };
    for (int i = 0; i < 6; ++i) {
        groups_[i] = new QGroupBox(QString::fromUtf8(places[i].caption), this);
        groups_[i]->setGeometry(places[i].rect);
    }
    auto check = [this](int group, int x, int y, const char* caption, int w = 200) {
        auto* box = new QCheckBox(QString::fromUtf8(caption), groups_[group]);
        box->setGeometry(x, y, w, 20);
        return box;
    };
    auto radio = [this](int group, int x, int y, const char* caption, int w = 200) {
        auto* r = new QRadioButton(QString::fromUtf8(caption), groups_[group]);
        r->setGeometry(x, y, w, 20);
        return r;
    };
    auto groupOf = [this](std::initializer_list<QRadioButton*> radios) {
        auto* g = new QButtonGroup(this);
        int id = 0;
        for (QRadioButton* r : radios) g->addButton(r, id++);
        return g;
    };

    trimEnds_ = check(0, 16, 24, "删除段首尾空格");
    addIndent_ = check(0, 16, 48, "增加段首缩进空格", 118);
    indentFull_ = radio(0, 136, 48, "全角", 46);
    indentHalf_ = radio(0, 184, 48, "半角", 56);
    indentGroup_ = groupOf({indentFull_, indentHalf_});

    deleteBlank_ = check(1, 16, 24, "删除空段落");
    spacing_[0] = radio(1, 16, 48, "段落之间无空行");
    spacing_[1] = radio(1, 16, 72, "段落之间空一行");
    spacing_[2] = radio(1, 16, 96, "段落之间空两行");
    spacingGroup_ = groupOf({spacing_[0], spacing_[1], spacing_[2]});
    joinBreaks_ = check(1, 16, 120, "删除非段落换行");

    script_[0] = radio(2, 16, 24, "不转换");
    script_[1] = radio(2, 16, 48, "转换到繁体字");
    script_[2] = radio(2, 16, 72, "转换到简体字");
    scriptGroup_ = groupOf({script_[0], script_[1], script_[2]});

    width_[0] = radio(3, 24, 19, "不转换");
    width_[1] = radio(3, 24, 43, "半角转全角");
    width_[2] = radio(3, 24, 67, "全角转半角");
    widthGroup_ = groupOf({width_[0], width_[1], width_[2]});

    fixPunctuation_ = check(4, 20, 19, "标点修正", 100);
    fixQuotes_ = check(4, 132, 19, "引号修正", 88);

    stripHeadNoise_ = check(5, 19, 21, "去段首干扰符(仅半角字符)");
    stripTailNoise_ = check(5, 19, 45, "去段尾干扰符(仅半角字符)");
    fillBlankLines_ = check(5, 19, 69, "在空行中增加空格");
    copyAfter_ = check(5, 19, 98, "排版后拷贝全文");
    cutAfter_ = check(5, 19, 123, "排版后剪切全文");
    minimizeAfter_ = check(5, 19, 147, "排版后最小化窗口");

    restoreLink_ = new LinkLabel(QStringLiteral("<a href=\"#\">恢复成默认设置</a>"), this);
    restoreLink_->setTextFormat(Qt::RichText);
    restoreLink_->setTextInteractionFlags(Qt::NoTextInteraction);
    restoreLink_->setCursor(Qt::PointingHandCursor);
    restoreLink_->setGeometry(16, 384, 120, 20);
    ok_ = new QPushButton(QStringLiteral("确定"), this);
    ok_->setGeometry(215, 380, 88, 24);
    ok_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("取消"), this);
    cancel_->setGeometry(311, 380, 88, 24);
    reset_ = new QPushButton(QStringLiteral("重置"), this);
    reset_->setGeometry(407, 380, 88, 24);

    const std::pair<QAbstractButton*, int> ruled[] = {
        {trimEnds_, static_cast<int>(OptionsClick::TrimEnds)},
        {addIndent_, static_cast<int>(OptionsClick::AddIndent)},
        {deleteBlank_, static_cast<int>(OptionsClick::DeleteBlank)},
        {copyAfter_, static_cast<int>(OptionsClick::CopyAfter)},
        {cutAfter_, static_cast<int>(OptionsClick::CutAfter)},
    };
    for (const auto& [button, control] : ruled)
        connect(button, &QAbstractButton::clicked, this, [this, control] { takeClick(form_, control); });
    for (QAbstractButton* plain : std::initializer_list<QAbstractButton*>{
             indentFull_, indentHalf_, spacing_[0], spacing_[1], spacing_[2], joinBreaks_, script_[0], script_[1],
             script_[2], width_[0], width_[1], width_[2], fixPunctuation_, fixQuotes_, stripHeadNoise_,
             stripTailNoise_, fillBlankLines_, minimizeAfter_})
        connect(plain, &QAbstractButton::clicked, this, [this] { takeClick(form_, kPlain); });

    connect(ok_, &QPushButton::clicked, this, &OptionsWindow::confirm);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(reset_, &QPushButton::clicked, this, &OptionsWindow::reset);
    connect(restoreLink_, &LinkLabel::released, this, &OptionsWindow::restoreDefaults);
}

void OptionsWindow::showForm() {
    showing_ = true;
    const settings::OptionsForm& f = form_;
    trimEnds_->setChecked(f.trimEnds);
    addIndent_->setChecked(f.addIndent);
    if (f.indentFull || f.indentHalf) showSelection(indentGroup_, f.indentFull ? Choice3::First : Choice3::Second);
    else showSelection(indentGroup_, Choice3::None);
    indentFull_->setEnabled(f.indentRadiosEnabled);
    indentHalf_->setEnabled(f.indentRadiosEnabled);
    deleteBlank_->setChecked(f.deleteBlank);
    showSelection(spacingGroup_, f.spacing);
    for (QRadioButton* r : spacing_) r->setEnabled(f.spacingEnabled);
    joinBreaks_->setChecked(f.joinBreaks);
    joinBreaks_->setEnabled(f.joinBreaksEnabled);
    showSelection(scriptGroup_, f.script);
    showSelection(widthGroup_, f.width);
    fixPunctuation_->setChecked(f.fixPunctuation);
    fixQuotes_->setChecked(f.fixQuotes);
    stripHeadNoise_->setChecked(f.stripHeadNoise);
    stripTailNoise_->setChecked(f.stripTailNoise);
    fillBlankLines_->setChecked(f.fillBlankLines);
    copyAfter_->setChecked(f.copyAfter);
    cutAfter_->setChecked(f.cutAfter);
    minimizeAfter_->setChecked(f.minimizeAfter);
    showing_ = false;
}

void OptionsWindow::takeClick(const settings::OptionsForm& before, int control) {
    if (showing_) return;
    settings::OptionsForm f = before;
    f.trimEnds = trimEnds_->isChecked();
    f.addIndent = addIndent_->isChecked();
    f.indentFull = indentFull_->isChecked();
    f.indentHalf = indentHalf_->isChecked();
    f.deleteBlank = deleteBlank_->isChecked();
    f.spacing = selectionOf(spacingGroup_);
    f.joinBreaks = joinBreaks_->isChecked();
    f.script = selectionOf(scriptGroup_);
    f.width = selectionOf(widthGroup_);
    f.fixPunctuation = fixPunctuation_->isChecked();
    f.fixQuotes = fixQuotes_->isChecked();
    f.stripHeadNoise = stripHeadNoise_->isChecked();
    f.stripTailNoise = stripTailNoise_->isChecked();
    f.fillBlankLines = fillBlankLines_->isChecked();
    f.copyAfter = copyAfter_->isChecked();
    f.cutAfter = cutAfter_->isChecked();
    f.minimizeAfter = minimizeAfter_->isChecked();
    if (control != kPlain) settings::clickOptionsControl(f, static_cast<OptionsClick>(control), options_);
    form_ = f;
    showForm();
}

void OptionsWindow::confirm() {
    settings::applyOptionsWindow(form_, options_);
    if (hooks_.applied) hooks_.applied();
    accept();
}

void OptionsWindow::reset() {
    settings::fillOptionsWindow(form_, options_);
    showForm();
}

void OptionsWindow::restoreDefaults() {
    if (!hooks_.confirmRestore(this)) return;
    if (hooks_.restoreDefaults) hooks_.restoreDefaults();
    settings::fillOptionsWindow(form_, options_);
    showForm();
}
