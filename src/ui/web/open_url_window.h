// OpenUrlWindow ("打开网址"): loads one web page and puts its rendered text or
// its complete HTML into the editor, replacing the editor text.
#pragma once

#include <QDialog>
#include <functional>

#include "web/web_import.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWebEngineProfile;
class QWebEngineView;
class DecliningPage;

class OpenUrlWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 400;

    OpenUrlWindow(QWebEngineProfile* profile, bool alwaysOnTop, std::function<void(const QString&)> replaceText,
                  QWidget* parent = nullptr);
    ~OpenUrlWindow() override;

    folvane::web::ImportPhase phase() const { return state_.phase; }

    // "打开".
    void startLoading();

Q_SIGNALS:
    // Navigation has started for the address, as the engine understood it.
    void navigationStarted(const QUrl& url);
    // A load failed and the window is idle again.
    void loadFailed();

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
    void done(int result) override;

private:
    void onLoadFinished(bool succeeded);
    void deliver(const QString& page);
    void applyView();

    QLineEdit* address_ = nullptr;
    QPushButton* open_ = nullptr;
    QRadioButton* textRadio_ = nullptr;
    QRadioButton* htmlRadio_ = nullptr;
    QLabel* status_ = nullptr;
    QWebEngineView* view_ = nullptr;
    DecliningPage* page_ = nullptr;
    std::function<void(const QString&)> replaceText_;
    folvane::web::WebImportState state_;
};
