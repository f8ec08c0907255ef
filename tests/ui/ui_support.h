// Helpers for driving the real window in tests.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>

// Processes events until `done` holds or `ms` have passed; true when it held.
inline bool waitUntil(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

#include <QTemporaryDir>

#include "main_window.h"

// Starts a window up with a settings file of its own in a fresh directory,
// so that tests neither read nor write the user's settings.
class IsolatedSettings {
public:
    IsolatedSettings() : path_(dir_.filePath(QStringLiteral("config.ini")).toStdString()) {}
    const std::string& path() const { return path_; }
    QString dir() const { return dir_.path(); }
    void startUp(MainWin& w, const QStringList& arguments = {}) { w.startUp(arguments, path_); }

private:
    QTemporaryDir dir_;
    std::string path_;
};

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

// Answers the next message box that appears with `button`, and reports its
// title and text (empty when none appeared within `ms`).
class MessageBoxAnswer : public QObject {
public:
    explicit MessageBoxAnswer(QMessageBox::StandardButton button, int ms = 5000) : button_(button) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, this, [this, ms] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                title = box->windowTitle();
                text = box->text();
                timer_.stop();
                if (QAbstractButton* b = box->button(button_)) b->click();
                else box->close();
            } else if (++ticks_ * 10 > ms) {
                timer_.stop();
            }
        });
        timer_.start();
    }
    QString title;
    QString text;

private:
    QMessageBox::StandardButton button_;
    QTimer timer_;
    int ticks_ = 0;
};

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <vector>

#include "document_controller.h"

// Answers the document controller's questions, file choosers and messages
// from a script given in advance, at once and without a window, and records
// what was asked. A question the script has no answer for is a test failure
// and answered Cancel; a chooser without a path given is cancelled.
class ScriptedDocumentDialogs {
public:
    struct Asked {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::Question;  // Question: the Yes/No/Cancel one
    };
    struct Script {
        std::deque<folvane::editor::SaveAnswer> answers;
        std::deque<QString> filesToOpen;
        std::deque<QString> filesToSave;
        std::deque<SaveAsChoice> saveAs;
        std::vector<folvane::text::TextFormat> saveAsOffered;  // the format each Save As started from
        std::vector<folvane::engine::DocumentFormat> documentFormatsOffered;  // and the document format
        std::vector<Asked> asked;      // questions and messages, in order
        QStringList proposedNames;     // what the save chooser offered
        int openChoosersShown = 0;
    };

    explicit ScriptedDocumentDialogs(DocumentController& documents) : script_(std::make_shared<Script>()) {
        // The functions share the script: they stay sound should the
        // controller outlive this object.
        auto s = script_;
        DocumentDialogs d;
        d.askToSave = [s](const QString& title, const QString& text) {
            s->asked.push_back({title, text, QMessageBox::Question});
            if (s->answers.empty()) {
                ADD_FAILURE() << "unexpected question: " << title.toStdString();
                return folvane::editor::SaveAnswer::Cancel;
            }
            const auto a = s->answers.front();
            s->answers.pop_front();
            return a;
        };
        d.chooseFileToOpen = [s] {
            ++s->openChoosersShown;
            if (s->filesToOpen.empty()) return QString();
            QString p = s->filesToOpen.front();
            s->filesToOpen.pop_front();
            return p;
        };
        d.chooseFileToSave = [s](const QString& proposed) {
            s->proposedNames.push_back(proposed);
            if (s->filesToSave.empty()) return QString();
            QString p = s->filesToSave.front();
            s->filesToSave.pop_front();
            return p;
        };
        d.chooseSaveAs = [s](const QString& proposed, const folvane::text::TextFormat& current,
                             folvane::engine::DocumentFormat currentDocument) {
            s->proposedNames.push_back(proposed);
            s->saveAsOffered.push_back(current);
            s->documentFormatsOffered.push_back(currentDocument);
            std::optional<SaveAsChoice> c;
            if (!s->saveAs.empty()) {
                c = s->saveAs.front();
                s->saveAs.pop_front();
            }
            return c;
        };
        d.message = [s](QMessageBox::Icon icon, const QString& title, const QString& text) {
            s->asked.push_back({title, text, icon});
        };
        documents.setDialogs(std::move(d));
    }
    explicit ScriptedDocumentDialogs(MainWin& w) : ScriptedDocumentDialogs(w.documents()) {}

    ScriptedDocumentDialogs& answer(folvane::editor::SaveAnswer a) {
        script_->answers.push_back(a);
        return *this;
    }
    ScriptedDocumentDialogs& openFile(const QString& path) {
        script_->filesToOpen.push_back(path);
        return *this;
    }
    ScriptedDocumentDialogs& saveTo(const QString& path) {
        script_->filesToSave.push_back(path);
        return *this;
    }
    ScriptedDocumentDialogs& saveAsTo(const QString& path, const folvane::text::TextFormat& format,
                                      std::optional<folvane::engine::DocumentFormat> documentFormat = std::nullopt) {
        script_->saveAs.push_back({path, format, documentFormat});
        return *this;
    }
    Script& script() { return *script_; }
    const std::vector<Asked>& asked() const { return script_->asked; }
    // The last question or message (empty when none was shown).
    Asked last() const { return script_->asked.empty() ? Asked{} : script_->asked.back(); }
    void clear() { script_->asked.clear(); }

private:
    std::shared_ptr<Script> script_;
};

#include <gtest/gtest.h>

// The child of `parent` with the object name `name`; fails the test when
// there is none. Window tests find controls this way rather than through
// getters of their own.
template <typename T>
T* child(const QObject& parent, const QString& name) {
    T* c = parent.findChild<T*>(name);
    if (!c) ADD_FAILURE() << "no " << T::staticMetaObject.className() << " named " << name.toStdString();
    return c;
}

#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QToolBar>

#include "editor_widget.h"
#include "quick_bars.h"

// The main window's controls, found by their object names.
inline EditorWidget* editorOf(const MainWin& w) { return child<EditorWidget>(w, QStringLiteral("editor")); }
inline QGroupBox* findPanelOf(const MainWin& w) { return child<QGroupBox>(w, QStringLiteral("findPanel")); }
inline QLineEdit* findFieldOf(const MainWin& w) { return child<QLineEdit>(w, QStringLiteral("findField")); }
inline QLineEdit* replaceFieldOf(const MainWin& w) { return child<QLineEdit>(w, QStringLiteral("replaceField")); }
// "一键排版中自动替换"
inline QCheckBox* autoReplaceBoxOf(const MainWin& w) { return child<QCheckBox>(w, QStringLiteral("autoReplace")); }
inline QLabel* statusPartOf(const MainWin& w, int index) {
    return child<QLabel>(w, QStringLiteral("statusPart%1").arg(index));
}
// The document's encoding and line breaks, at the status bar's right end.
inline QLabel* formatLabelOf(const MainWin& w) { return child<QLabel>(w, QStringLiteral("statusFormat")); }
inline QLabel* progressLabelOf(const MainWin& w) { return child<QLabel>(w, QStringLiteral("progressLabel")); }
inline QProgressBar* progressBarOf(const MainWin& w) { return child<QProgressBar>(w, QStringLiteral("progressBar")); }
inline QCheckBox* startupCompletedBoxOf(const MainWin& w) {
    return child<QCheckBox>(w, QStringLiteral("startupCompleted"));
}
inline UpperQuickBar* upperBarOf(const MainWin& w) { return child<UpperQuickBar>(w, QStringLiteral("upperBar")); }
inline LowerQuickBar* lowerBarOf(const MainWin& w) { return child<LowerQuickBar>(w, QStringLiteral("lowerBar")); }
inline QToolBar* toolBarOf(const MainWin& w) { return child<QToolBar>(w, QStringLiteral("toolbar")); }

#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionGroupBox>

// The captions of `window` that do not fit their controls: buttons and
// labels narrower than they ask to be, group boxes narrower than their
// title (the group box's width). One line "objectName: text" each; empty when all fit. Labels that show data rather than a
// caption (their width policy Ignored: cut at the window's edge) are left out.
inline std::string clippedCaptions(QWidget& window) {
    // Pending layout changes (a caption changed a moment ago) first.
    QCoreApplication::processEvents();
    QStringList clipped;
    auto report = [&](QWidget* w, const QString& text) { clipped << w->objectName() + QStringLiteral(": ") + text; };
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&window)) continue;
        if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            if (!b->text().isEmpty() && b->width() < b->sizeHint().width()) report(b, b->text());
        } else if (auto* l = qobject_cast<QLabel*>(w)) {
            if (l->sizePolicy().horizontalPolicy() == QSizePolicy::Ignored) continue;
            if (!l->text().isEmpty() && !l->wordWrap() && l->width() < l->sizeHint().width()) report(l, l->text());
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            QStyleOptionGroupBox opt;
            opt.initFrom(g);
            opt.text = g->title();
            opt.subControls = QStyle::SC_GroupBoxLabel;
            const QRect label = g->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, g);
            // The style draws the title from the label's left edge without
            // clipping it to the label: it must end inside the box.
            QFont bold = g->font();
            bold.setBold(true);  // as some styles draw titles
            const int width = std::max(g->fontMetrics().horizontalAdvance(g->title()),
                                       QFontMetrics(bold).horizontalAdvance(g->title()));
            if (label.left() + width > g->width())
                report(g, g->title());
        }
    }
    return clipped.join(QLatin1Char('\n')).toStdString();
}

// Sets the application font to Noto Sans CJK SC for the life of the object.
class CjkFont {
public:
    CjkFont() : before_(QApplication::font()) {
        QFont cjk(QStringLiteral("Noto Sans CJK SC"));
        cjk.setPointSize(before_.pointSize() > 0 ? before_.pointSize() : 10);
        QApplication::setFont(cjk);
    }
    ~CjkFont() { QApplication::setFont(before_); }
    // The family the font system actually chose.
    static QString family() { return QFontInfo(QApplication::font()).family(); }

private:
    QFont before_;
};

// The device pixel ratio the test run asked for (QT_SCALE_FACTOR).
inline double requestedPixelRatio() {
    bool ok = false;
    const double r = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&ok);
    return ok ? r : 1.0;
}
