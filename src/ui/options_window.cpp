#include "options_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QGuiApplication>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/document_typeset.h"
#include "link_label.h"
#include "screen_fit.h"

namespace engine = folvane::engine;
namespace settings = folvane::settings;
using engine::TypesetOptions;
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

template <typename Button>
Button* named(const char* caption, const QString& name) {
    auto* b = new Button(QString::fromUtf8(caption));
    b->setObjectName(name);
    return b;
}

const QString kNotForMarkdown = QStringLiteral("Markdown文档不适用");

// Plain check boxes of a group side by side: the punctuation pair sits in
// one line, the other groups stack their boxes.
int checkColumns(engine::OptionsGroup group) { return group == engine::OptionsGroup::Punctuation ? 2 : 1; }

// A scroll area that asks for the whole of its contents: the window takes
// its natural size where the screen has room for it and scrolls where it
// has not (at 2× scale on a small screen), its buttons always in sight.
class ContentsSizedScrollArea : public QScrollArea {
public:
    QSize sizeHint() const override {
        const int f = 2 * frameWidth();
        return (widget() ? widget()->sizeHint() : QSize()) + QSize(f, f);
    }
};

}  // namespace

OptionsWindow::OptionsWindow(TypesetOptions& options, bool topmost, Hooks hooks, QWidget* parent)
    : QDialog(parent), options_(options), hooks_(std::move(hooks)) {
    if (!hooks_.confirmRestore) hooks_.confirmRestore = &OptionsWindow::askRestoreDefaults;
    setWindowTitle(QStringLiteral("排版时将执行以下选中的过程:"));
    setModal(true);
    setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    build();
    form_ = settings::createOptionsForm(options_);
    showForm();
    // The size the layout asks for, as far as the screen has room for it
    // with the frame (the switches scroll then), and not resizable.
    QSize size = sizeHint();
    if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        const QMargins frame = frameMarginsOf(this);
        size = size.boundedTo(screen->availableGeometry().size().shrunkBy(frame));
    }
    setFixedSize(size);
}

bool OptionsWindow::askRestoreDefaults(QWidget* parent) {
    return QMessageBox::question(parent, QStringLiteral("恢复确认"), QStringLiteral("此操作不能撤消，要恢复默认吗？"),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

int OptionsWindow::addComposite(const engine::TypesetOptionField& field, QGridLayout* grid, int row) {
    auto radios = [this, grid, &row](std::initializer_list<std::pair<const char*, QString>> items) {
        auto* g = new QButtonGroup(this);
        int id = 0;
        for (const auto& [caption, name] : items) {
            auto* r = named<QRadioButton>(caption, name);
            g->addButton(r, id++);
            grid->addWidget(r, row++, 0, 1, -1);
            plain_.push_back(r);
        }
        return g;
    };
    using O = TypesetOptions;
    const auto m = field.member;
    if (m == &O::trimParagraphEnds) {
        trimEnds_ = named<QCheckBox>("删除段首尾空格", QStringLiteral("trimEnds"));
        grid->addWidget(trimEnds_, row++, 0, 1, -1);
    } else if (m == &O::addIndent) {
        // The indentation radios stand beside their check box.
        addIndent_ = named<QCheckBox>("增加段首缩进空格", QStringLiteral("addIndent"));
        indentFull_ = named<QRadioButton>("全角", QStringLiteral("indentFull"));
        indentHalf_ = named<QRadioButton>("半角", QStringLiteral("indentHalf"));
        auto* line = new QHBoxLayout;
        line->addWidget(addIndent_);
        line->addWidget(indentFull_);
        line->addWidget(indentHalf_);
        line->addStretch(1);
        grid->addLayout(line, row++, 0, 1, -1);
        indentGroup_ = new QButtonGroup(this);
        indentGroup_->addButton(indentFull_, 0);
        indentGroup_->addButton(indentHalf_, 1);
        plain_.insert(plain_.end(), {indentFull_, indentHalf_});
    } else if (m == &O::lineBreakFix) {
        deleteBlank_ = named<QCheckBox>("删除空段落", QStringLiteral("deleteBlank"));
        grid->addWidget(deleteBlank_, row++, 0, 1, -1);
        spacingGroup_ = radios({{"段落之间无空行", QStringLiteral("spacing0")},
                                {"段落之间空一行", QStringLiteral("spacing1")},
                                {"段落之间空两行", QStringLiteral("spacing2")}});
        for (int i = 0; i < 3; ++i) spacing_[i] = static_cast<QRadioButton*>(spacingGroup_->button(i));
    } else if (m == &O::joinNonParagraphBreaks) {
        joinBreaks_ = named<QCheckBox>("删除非段落换行", QStringLiteral("joinBreaks"));
        grid->addWidget(joinBreaks_, row++, 0, 1, -1);
        plain_.push_back(joinBreaks_);
    } else if (m == &O::toTraditional) {
        scriptGroup_ = radios({{"不转换", QStringLiteral("script0")},
                               {"转换到繁体字", QStringLiteral("script1")},
                               {"转换到简体字", QStringLiteral("script2")}});
    } else if (m == &O::halfToFullWidth) {
        widthGroup_ = radios({{"不转换", QStringLiteral("width0")},
                              {"半角转全角", QStringLiteral("width1")},
                              {"全角转半角", QStringLiteral("width2")}});
    }
    // indentFullWidth, doubleBreak, tripleBreak, toSimplified and
    // fullToHalfWidth are shown by the radios built above.
    return row;
}

void OptionsWindow::build() {
    std::vector<const engine::TypesetOptionField*> rows;
    for (const auto& f : engine::typesetOptionFields()) rows.push_back(&f);
    std::ranges::stable_sort(rows, [](const auto* a, const auto* b) {
        return std::pair(a->group, a->groupOrder) < std::pair(b->group, b->groupOrder);
    });

    auto* top = new QVBoxLayout(this);
    auto* scroll = new ContentsSizedScrollArea;
    scroll->setObjectName(QStringLiteral("optionsScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* body = new QWidget;
    auto* content = new QVBoxLayout(body);
    content->setContentsMargins(0, 0, 0, 0);
    auto* columns = new QHBoxLayout;
    QVBoxLayout* column[2] = {new QVBoxLayout, new QVBoxLayout};
    for (QVBoxLayout* c : column) columns->addLayout(c, 1);
    content->addLayout(columns);

    // The first three groups form the left column, the rest the right one.
    for (int g = 0; g < engine::kOptionsGroupCount; ++g) {
        const auto group = static_cast<engine::OptionsGroup>(g);
        auto* box = new QGroupBox(QString::fromUtf8(engine::optionsGroupCaptionUtf8(group)));
        box->setObjectName(QStringLiteral("group%1").arg(g));
        auto* grid = new QGridLayout(box);
        int gridRow = 0;
        int checkIndex = 0;
        const int perLine = checkColumns(group);
        for (const auto* f : rows) {
            if (f->group != group) continue;
            if (f->control == engine::OptionsControl::Composite) {
                gridRow = addComposite(*f, grid, gridRow);
                continue;
            }
            auto* check = new QCheckBox(QString::fromUtf8(f->captionUtf8.data(), qsizetype(f->captionUtf8.size())));
            check->setObjectName(QString::fromUtf8(f->name.data(), qsizetype(f->name.size())));
            if (!engine::appliesToMarkdown(f->name)) check->setToolTip(kNotForMarkdown);
            grid->addWidget(check, gridRow + checkIndex / perLine, checkIndex % perLine);
            ++checkIndex;
            checks_.emplace_back(f, check);
        }
        column[g < 3 ? 0 : 1]->addWidget(box);
    }
    for (QVBoxLayout* c : column) c->addStretch(1);
    for (QWidget* paragraphs : std::initializer_list<QWidget*>{trimEnds_, addIndent_, indentFull_, indentHalf_,
                                                                deleteBlank_, spacing_[0], spacing_[1], spacing_[2],
                                                                joinBreaks_})
        paragraphs->setToolTip(kNotForMarkdown);
    // Markdown documents take the corrections only; the paragraph switches
    // would break their structure.
    auto* markdownNote = new QLabel(QStringLiteral("Markdown文档只作标点、引号、空格、全半角与简繁修正，段落设置不适用"));
    markdownNote->setObjectName(QStringLiteral("markdownNote"));
    markdownNote->setEnabled(false);
    content->addWidget(markdownNote);
    scroll->setWidget(body);
    top->addWidget(scroll, 1);

    auto* restoreLink = new LinkLabel(QStringLiteral("<a href=\"#\">恢复成默认设置</a>"));
    restoreLink->setObjectName(QStringLiteral("restoreLink"));
    restoreLink->setTextFormat(Qt::RichText);
    restoreLink->setTextInteractionFlags(Qt::NoTextInteraction);
    restoreLink->setCursor(Qt::PointingHandCursor);
    auto* ok = named<QPushButton>("确定", QStringLiteral("ok"));
    ok->setDefault(true);
    auto* cancel = named<QPushButton>("取消", QStringLiteral("cancel"));
    auto* resetButton = named<QPushButton>("重置", QStringLiteral("reset"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(restoreLink);
    buttons->addStretch(1);
    for (QPushButton* b : {ok, cancel, resetButton}) buttons->addWidget(b);
    top->addLayout(buttons);

    const std::pair<QAbstractButton*, OptionsClick> ruled[] = {
        {trimEnds_, OptionsClick::TrimEnds},
        {addIndent_, OptionsClick::AddIndent},
        {deleteBlank_, OptionsClick::DeleteBlank},
    };
    auto connectRule = [this](QAbstractButton* button, OptionsClick rule) {
        connect(button, &QAbstractButton::clicked, this,
                [this, control = static_cast<int>(rule)] { takeClick(form_, control); });
    };
    for (const auto& [button, rule] : ruled) connectRule(button, rule);
    for (const auto& [row, check] : checks_) {
        if (const auto rule = settings::clickRuleOf(*row)) connectRule(check, *rule);
        else plain_.push_back(check);
    }
    for (QAbstractButton* plain : plain_)
        connect(plain, &QAbstractButton::clicked, this, [this] { takeClick(form_, kPlain); });

    connect(ok, &QPushButton::clicked, this, &OptionsWindow::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(resetButton, &QPushButton::clicked, this, &OptionsWindow::reset);
    connect(restoreLink, &LinkLabel::released, this, &OptionsWindow::restoreDefaults);
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
    for (const auto& [row, check] : checks_) check->setChecked(f.checks.*(row->member));
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
    for (const auto& [row, check] : checks_) f.checks.*(row->member) = check->isChecked();
    if (control != kPlain) settings::clickOptionsControl(f, static_cast<OptionsClick>(control), options_);
    form_ = f;
    showForm();
}

void OptionsWindow::bindScriptStandard(folvane::corrections::ScriptStandard& standard) {
    standard_ = &standard;
    auto* box = findChild<QGroupBox*>(QStringLiteral("group%1").arg(static_cast<int>(engine::OptionsGroup::Script)));
    auto* grid = box ? qobject_cast<QGridLayout*>(box->layout()) : nullptr;
    if (!grid) return;
    auto* line = new QHBoxLayout;
    line->addWidget(new QLabel(QStringLiteral("繁体标准：")));
    standardBox_ = new QComboBox;
    standardBox_->setObjectName(QStringLiteral("scriptStandard"));
    // In the order of ScriptStandard.
    for (const char* caption : {"OpenCC标准", "台湾正体", "台湾正体及常用词", "香港繁体"})
        standardBox_->addItem(QString::fromUtf8(caption));
    standardBox_->setCurrentIndex(static_cast<int>(standard));
    line->addWidget(standardBox_, 1);
    grid->addLayout(line, grid->rowCount(), 0, 1, -1);
}

void OptionsWindow::confirm() {
    if (standard_ && standardBox_)
        *standard_ = static_cast<folvane::corrections::ScriptStandard>(standardBox_->currentIndex());
    settings::applyOptionsWindow(form_, options_);
    if (hooks_.applied) hooks_.applied();
    accept();
}

void OptionsWindow::reset() {
    if (standard_ && standardBox_) standardBox_->setCurrentIndex(static_cast<int>(*standard_));
    settings::fillOptionsWindow(form_, options_);
    showForm();
}

void OptionsWindow::restoreDefaults() {
    if (!hooks_.confirmRestore(this)) return;
    if (hooks_.restoreDefaults) hooks_.restoreDefaults();
    settings::fillOptionsWindow(form_, options_);
    showForm();
}
