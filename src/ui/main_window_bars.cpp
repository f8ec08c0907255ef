// MainWin: the quick bars, the line-break menu, the bar toggles and the
// signature window.
#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QCursor>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QToolBar>

#include "main_window.h"
#include "quick_bars.h"
#include "signature_window.h"
#include "text_bridge.h"

namespace {

QString caption(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

void MainWin::buildQuickBars() {
    using folvane::settings::LineBreakItem;
    using folvane::settings::QuickControl;
    lineBreakMenu_ = new QMenu(this);
    const std::pair<const char*, LineBreakItem> items[] = {
        {"单换行", LineBreakItem::Single},
        {"双换行", LineBreakItem::Double},
        {"三换行", LineBreakItem::Triple},
        {nullptr, LineBreakItem::NoFix},
        {"不修正换行", LineBreakItem::NoFix},
    };
    std::size_t index = 0;
    for (const auto& [text, item] : items) {
        if (!text) {
            lineBreakMenu_->addSeparator();
            continue;
        }
        QAction* a = lineBreakMenu_->addAction(caption(text));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, which = item] { chooseLineBreaks(which); });
        lineBreakActions_[index++] = a;
    }

    auto box = [this](QAbstractButton* control, QuickControl which) {
        connect(control, &QAbstractButton::clicked, this, [this, which](bool on) { clickQuickControl(which, on); });
    };
    box(upperBar_->indent, QuickControl::Indent);
    box(upperBar_->noiseFix, QuickControl::NoiseFix);
    box(lowerBar_->traditional, QuickControl::Traditional);
    box(lowerBar_->simplified, QuickControl::Simplified);
    box(lowerBar_->unchanged, QuickControl::Unchanged);
    for (const QuickSwitchBoxes* bar : {&upperBar_->switches, &lowerBar_->switches})
        for (const auto& entry : bar->boxes)
            connect(entry.second, &QAbstractButton::clicked, this, [this, row = entry.first](bool on) {
                applyQuickBars(folvane::settings::clickQuickSwitch(app_.options(), shownQuickBars(), *row, on));
            });
    connect(upperBar_, &UpperQuickBar::mergeBreaksPressed, this,
            [this](const QPoint& at) { lineBreakMenu_->popup(at); });
    connect(upperBar_, &UpperQuickBar::signaturesClicked, this, &MainWin::clickSignatureBox);
    connect(upperBar_->tools, &QPushButton::clicked, this, [this] { toolsMenu_->popup(QCursor::pos()); });
    connect(lowerBar_, &LowerQuickBar::helpPressed, this, &MainWin::showCopyTypesetHelp);
}

folvane::settings::QuickBarState MainWin::shownQuickBars() const {
    folvane::settings::QuickBarState q;
    q.indent = upperBar_->indent->isChecked();
    q.mergeBreaks = upperBar_->mergeBreaks->isChecked();
    q.singleBreak = lineBreakActions_[0]->isChecked();
    q.doubleBreak = lineBreakActions_[1]->isChecked();
    q.tripleBreak = lineBreakActions_[2]->isChecked();
    q.noBreakFix = lineBreakActions_[3]->isChecked();
    q.noiseFix = upperBar_->noiseFix->isChecked();
    q.joinBreaks = upperBar_->joinBreaks->isChecked();
    q.script = lowerBar_->traditional->isChecked()  ? folvane::settings::ScriptChoice::Traditional
               : lowerBar_->simplified->isChecked() ? folvane::settings::ScriptChoice::Simplified
                                                    : folvane::settings::ScriptChoice::Unchanged;
    q.copyAfter = lowerBar_->copyAfter->isChecked();
    q.cutAfter = lowerBar_->cutAfter->isChecked();
    q.minimizeAfter = lowerBar_->minimizeAfter->isChecked();
    return q;
}

void MainWin::clickQuickControl(folvane::settings::QuickControl control, bool checked) {
    applyQuickBars(folvane::settings::clickQuickControl(app_.options(), shownQuickBars(), control, checked));
}

void MainWin::chooseLineBreaks(folvane::settings::LineBreakItem item) {
    applyQuickBars(folvane::settings::chooseLineBreak(app_.options(), shownQuickBars(), item));
}

void MainWin::layoutMainWindow() {
    const folvane::settings::WindowState& state = app_.windowState().value();
    toolBar_->setVisible(state.navigationBar);
    upperBar_->setVisible(state.upperBar);
    lowerBar_->setVisible(state.lowerBar);
    layoutNavigationBar();
    layoutOverlays();
}

void MainWin::clickSignatureBox() {
    auto& sig = app_.runContext().signature;
    if (!sig.headSignatureTemplate.empty() || !sig.tailSignatureTemplate.empty()) {
        const bool on = !upperBar_->signatures->isChecked();
        upperBar_->signatures->setChecked(on);
        sig.signatureEnabled = on;
        return;
    }
    action(Command::Signatures)->trigger();
}

void MainWin::openSignatureWindow() {
    auto& sig = app_.runContext().signature;
    SignatureWindow window(toQt(sig.headSignatureTemplate), toQt(sig.tailSignatureTemplate),
                           upperBar_->signatures->isChecked(), this);
    connect(&window, &SignatureWindow::enabledChanged, this, [this](bool on) {
        upperBar_->signatures->setChecked(on);
        app_.runContext().signature.signatureEnabled = on;
    });
    window.exec();
    // However the window was closed, the templates take the boxes' texts.
    sig.headSignatureTemplate = fromQt(window.headText());
    sig.tailSignatureTemplate = fromQt(window.tailText());
}

void MainWin::showCopyTypesetHelp() {
    withoutAlwaysOnTop([this] {
        QMessageBox::information(
            this, QStringLiteral("复制即排版介绍"),
            QStringLiteral("　　选中复制即排版后，软件会实时监控你系统的剪切板，当你复制了一段文字　\n"
                           "或者一篇文章后，软件会立即将该段文字按照软件设置好的方式进行排版，并自\n"
                           "动保存回剪切板。这时你直接粘贴即可。") +
                desktop_->copyTypesetNote());
    });
}
