// The donation window ("捐助..."): suggested amounts and an explanation. It
// makes no payment; the explanation is kept enciphered in the program's
// resources and deciphered when the window opens.
#pragma once

#include <QDialog>

class QListWidget;
class QLabel;

class DonationWindow : public QDialog {
    Q_OBJECT
public:
    explicit DonationWindow(QWidget* parent = nullptr);

    // The explanation deciphered from `resourcePath`, or an empty text when
    // the resource is missing or damaged.
    static QString explanationText(const QString& resourcePath = QStringLiteral(":/donation.dat"));

private:
    QListWidget* amounts_ = nullptr;
    QLabel* explanation_ = nullptr;
};
