// MainWin: the quick bars, the line-break menu, the bar toggles and the
// signature window.
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
    lineBreakMenu_ = new QMenu(this);
    const char* items[] = {"单换行", "双换行", "三换行", nullptr, "不修正换行"};
    int index = 0;
    for (const char* item : items) {
        if (!item) {
            lineBreakMenu_->addSeparator();
            continue;
        }
        QAction* a = lineBreakMenu_->addAction(caption(item));
        a->setCheckable(true);
        const int which = index;
        connect(a, &QAction::triggered, this, [this, which] { chooseLineBreaks(which); });
        lineBreakActions_[static_cast<std::size_t>(index++)] = a;
    }

    using O = folvane::engine::TypesetOptions;
    connect(upperBar_->indent, &QCheckBox::clicked, this, [this](bool on) {
        options_.trimParagraphEnds = on;
        options_.addIndent = on;
    });
    connect(upperBar_->mergeBreaks, &QCheckBox::clicked, this, [] {});
    connect(upperBar_, &UpperQuickBar::mergeBreaksPressed, this,
            [this](const QPoint& at) { lineBreakMenu_->popup(at); });
    connect(upperBar_->noiseFix, &QCheckBox::clicked, this, [this](bool on) {
        options_.stripHeadNoise = on;
        options_.stripTailNoise = on;
    });
    connect(upperBar_->joinBreaks, &QCheckBox::clicked, this, [this](bool on) {
        options_.joinNonParagraphBreaks = on;
        if (on && !options_.lineBreakFix) chooseLineBreaks(0);
    });
    connect(upperBar_, &UpperQuickBar::signaturesClicked, this, &MainWin::clickSignatureBox);
    connect(upperBar_->tools, &QPushButton::clicked, this, [this] { toolsMenu_->popup(QCursor::pos()); });

    auto script = [this](bool traditional, bool simplified) {
        options_.toTraditional = traditional;
        options_.toSimplified = simplified;
    };
    connect(lowerBar_->traditional, &QRadioButton::clicked, this, [script] { script(true, false); });
    connect(lowerBar_->simplified, &QRadioButton::clicked, this, [script] { script(false, true); });
    connect(lowerBar_->unchanged, &QRadioButton::clicked, this, [script] { script(false, false); });
    auto exclusive = [this](bool O::*mine, bool O::*other, QCheckBox* otherBox) {
        return [this, mine, other, otherBox](bool on) {
            options_.*mine = on;
            if (on) {
                options_.*other = false;
                otherBox->setChecked(false);
            }
        };
    };
    connect(lowerBar_->copyAfter, &QCheckBox::clicked, this,
            exclusive(&O::copyAfter, &O::cutAfter, lowerBar_->cutAfter));
    connect(lowerBar_->cutAfter, &QCheckBox::clicked, this,
            exclusive(&O::cutAfter, &O::copyAfter, lowerBar_->copyAfter));
    connect(lowerBar_->minimizeAfter, &QCheckBox::clicked, this, [this](bool on) { options_.minimizeAfter = on; });
    connect(lowerBar_->copyTypeset, &QCheckBox::clicked, this, &MainWin::toggleCopyTypeset);
    connect(lowerBar_, &LowerQuickBar::helpPressed, this, &MainWin::showCopyTypesetHelp);
}

void MainWin::chooseLineBreaks(int item) {
    options_.lineBreakFix = item != 3;
    options_.doubleBreak = item == 1;
    options_.tripleBreak = item == 2;
    for (int i = 0; i < 4; ++i) lineBreakActions_[static_cast<std::size_t>(i)]->setChecked(i == item);
    upperBar_->mergeBreaks->setChecked(item != 3);
    if (item == 3) {
        upperBar_->joinBreaks->setChecked(false);
        options_.joinNonParagraphBreaks = false;
    }
}

namespace {

void invert(QAction* a) { a->setChecked(!a->isChecked()); }

}  // namespace

// The bars follow the check marks of their menu items; a menu click has
// already inverted the mark, a toggle from the settings inverts it here.
void MainWin::toggleNavigationBar() {
    invert(action(Command::ShowNavigationBar));
    layoutMainWindow();
}

void MainWin::toggleUpperBar() {
    invert(action(Command::ShowUpperBar));
    layoutMainWindow();
}

void MainWin::toggleLowerBar() {
    invert(action(Command::ShowLowerBar));
    layoutMainWindow();
}

void MainWin::layoutMainWindow() {
    toolBar_->setVisible(action(Command::ShowNavigationBar)->isChecked());
    upperBar_->setVisible(action(Command::ShowUpperBar)->isChecked());
    lowerBar_->setVisible(action(Command::ShowLowerBar)->isChecked());
    layoutNavigationBar();
    layoutOverlays();
}

void MainWin::clickSignatureBox() {
    auto& sig = runContext_.signature;
    if (!sig.headSignatureTemplate.empty() || !sig.tailSignatureTemplate.empty()) {
        const bool on = !upperBar_->signatures->isChecked();
        upperBar_->signatures->setChecked(on);
        sig.signatureEnabled = on;
        return;
    }
    action(Command::Signatures)->trigger();
}

void MainWin::openSignatureWindow() {
    auto& sig = runContext_.signature;
    SignatureWindow window(toQt(sig.headSignatureTemplate), toQt(sig.tailSignatureTemplate),
                           upperBar_->signatures->isChecked(), this);
    connect(&window, &SignatureWindow::enabledChanged, this, [this](bool on) {
        upperBar_->signatures->setChecked(on);
        runContext_.signature.signatureEnabled = on;
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
                           "动保存回剪切板。这时你直接粘贴即可。"));
    });
}
