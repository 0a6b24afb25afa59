#pragma once

#include <QDialog>
#include <QPixmap>
#include <QString>

class QLabel;
class QPushButton;

// The version line: "Pelorim, Version " then major "." minor and revision, the last two
// written straight after each other (3, 0, 3 gives "3.03").
QString aboutVersionLine(int major, int minor, int revision);

// The about box: product and version, author line, and a link to the maker's web page.
// Modal; destroys itself when closed, so its owner creates a fresh one for each showing
// (keep it in a QPointer). The constructor fills in the texts; showing it is up to the owner.
class frmBriskoAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmBriskoAbout(QWidget *owner);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    void lblVesk_Click();

    QPixmap background_;
    QLabel *lblVersion;
    QLabel *lblVesk;
    QLabel *lblName;
    QPushButton *cmdAboutClose;
    bool veskPressed_ = false;
};
