#include "AboutArtwork.h"
#include "FakeShellPlatform.h"
#include "frmBriskoAbout.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cmath>

class TestAboutDialog : public QObject
{
    Q_OBJECT

private slots:
    void versionLine_data();
    void versionLine();
    void loadFillsTheLabels();
    void controlLayout_data();
    void controlLayout();
    void labelsReadableOverArtwork_data();
    void labelsReadableOverArtwork();
    void linkPointerIsOwnHand();
    void linkClick_data();
    void linkClick();
    void closingUnloads_data();
    void closingUnloads();

private:
    QWidget owner_;
};

namespace {

template <typename T> T *child(QWidget *dialog, const char *name)
{
    auto *widget = dialog->findChild<T *>(QLatin1String(name));
    if (widget == nullptr) {
        qFatal("no child %s", name);
    }
    return widget;
}

// Relative luminance and contrast ratio as web accessibility guidelines define them.
double luminance(const QColor &colour)
{
    const auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

void TestAboutDialog::versionLine_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("revision");
    QTest::addColumn<QString>("line");
    QTest::newRow("one-digit parts") << 3 << 0 << 3 << "Pelorim, Version 3.03";
    QTest::newRow("two-digit revision") << 3 << 0 << 12 << "Pelorim, Version 3.012";
    QTest::newRow("two-digit major") << 10 << 2 << 0 << "Pelorim, Version 10.20";
}

void TestAboutDialog::versionLine()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, revision);
    QFETCH(QString, line);
    QCOMPARE(aboutVersionLine(major, minor, revision), line);
}

void TestAboutDialog::loadFillsTheLabels()
{
    auto *dialog = new frmBriskoAbout(&owner_);
    QCOMPARE(dialog->objectName(), QStringLiteral("frmBriskoAbout"));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("About Pelorim"));
    QCOMPARE(dialog->parentWidget(), &owner_);
    QVERIFY(dialog->isModal());
    QCOMPARE(dialog->minimumSize(), QSize(414, 458));
    QCOMPARE(dialog->maximumSize(), QSize(414, 458));

    // The build's project version.
    QCOMPARE(child<QLabel>(dialog, "lblVersion")->text(),
             QStringLiteral(BRISKO_EXPECTED_VERSION_LINE));
    auto *vesk = child<QLabel>(dialog, "lblVesk");
    QVERIFY(!vesk->text().isEmpty() && vesk->text() != QStringLiteral("?"));
    QCOMPARE(vesk->property("tag").toString(), vesk->text());
    const QString name = child<QLabel>(dialog, "lblName")->text();
    QVERIFY(!name.isEmpty() && name != QStringLiteral("?"));
    delete dialog;
}

void TestAboutDialog::controlLayout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QPoint>("position");
    QTest::newRow("lblVersion") << "lblVersion" << QPoint(150, 28);
    QTest::newRow("lblVesk") << "lblVesk" << QPoint(157, 435);
    QTest::newRow("lblName") << "lblName" << QPoint(157, 414);
}

void TestAboutDialog::controlLayout()
{
    QFETCH(QString, name);
    QFETCH(QPoint, position);

    frmBriskoAbout dialog(&owner_);
    auto *label = dialog.findChild<QLabel *>(name);
    QVERIFY(label != nullptr);
    QCOMPARE(label->pos(), position);
    QCOMPARE(label->size(), label->sizeHint()); // sized to its text
    QCOMPARE(label->font().family(), QStringLiteral("Arial"));
    QCOMPARE(label->font().pointSizeF(), 9.75);
    QVERIFY(label->font().bold());
    QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0, 0, 255));

    auto *close = child<QPushButton>(&dialog, "cmdAboutClose");
    QCOMPARE(close->geometry(), QRect(339, 426, 58, 21));
    QCOMPARE(close->text(), QStringLiteral("&Close"));
    // The configured texts must fit beside the button, not run under it.
    QVERIFY2(!label->geometry().intersects(close->geometry()), qPrintable(label->text()));
    QVERIFY(QRect(QPoint(0, 0), dialog.size()).contains(label->geometry()));
}

void TestAboutDialog::labelsReadableOverArtwork_data()
{
    controlLayout_data();
}

void TestAboutDialog::labelsReadableOverArtwork()
{
    QFETCH(QString, name);

    frmBriskoAbout dialog(&owner_);
    const QRect area = dialog.findChild<QLabel *>(name)->geometry();
    const QImage background = aboutBackground(dialog.size()).toImage();

    // Every pixel under the label, not just the average, must leave blue text readable.
    double worst = 21.0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            worst = std::min(worst, contrast(QColor(0, 0, 255), background.pixelColor(x, y)));
        }
    }
    QVERIFY2(worst >= 4.5, qPrintable(QStringLiteral("contrast %1").arg(worst)));
}

void TestAboutDialog::linkPointerIsOwnHand()
{
    frmBriskoAbout dialog(&owner_);
    const QCursor cursor = child<QLabel>(&dialog, "lblVesk")->cursor();
    QCOMPARE(cursor.shape(), Qt::BitmapCursor);
    const QImage image = cursor.pixmap().toImage();
    QCOMPARE(image.size(), QSize(16, 16));
    QVERIFY(QRect(0, 0, 16, 16).contains(cursor.hotSpot()));
    // The hot spot is on the fingertip: the outline pixel right under it is opaque.
    QVERIFY(qAlpha(image.pixel(cursor.hotSpot())) == 255);
}

void TestAboutDialog::linkClick_data()
{
    QTest::addColumn<qint64>("shellResult");
    QTest::addColumn<bool>("unreachable");
    QTest::newRow("opened") << qint64(42) << false;
    QTest::newRow("no application for web addresses") << qint64(31) << false;
    QTest::newRow("file not found") << qint64(2) << false;
    QTest::newRow("shell not reachable") << qint64(0) << true;
}

void TestAboutDialog::linkClick()
{
    QFETCH(qint64, shellResult);
    QFETCH(bool, unreachable);

    FakeShellPlatform shell;
    shell.result = shellResult;
    shell.unreachable = unreachable;

    QPointer<frmBriskoAbout> dialog = new frmBriskoAbout(&owner_);
    dialog->open();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    const auto labels = dialog->findChildren<QLabel *>();
    QStringList textsBefore;
    QList<QRect> geometriesBefore;
    for (QLabel *label : labels) {
        textsBefore << label->text();
        geometriesBefore << label->geometry();
    }
    auto *vesk = child<QLabel>(dialog, "lblVesk");
    const QWidgetList windowsBefore = QApplication::topLevelWidgets();

    // Only a left click opens the link, and only when released over it.
    QTest::mouseClick(vesk, Qt::RightButton);
    QTest::mousePress(vesk, Qt::LeftButton);
    QTest::mouseRelease(vesk, Qt::LeftButton, {}, QPoint(-4, vesk->height() + 4));
    QCOMPARE(shell.calls.size(), 0);
    QTest::mouseClick(vesk, Qt::LeftButton);
    QCOMPARE(shell.calls.size(), 1);

    const FakeShellPlatform::Call &call = shell.calls.front();
    QCOMPARE(call.file, vesk->property("tag").toString());
    QCOMPARE(call.verb, QStringLiteral("open"));
    QCOMPARE(call.owner, 0);
    QVERIFY(call.parameters.isEmpty());
    QVERIFY(call.directory.isEmpty());
    // With neither parameters nor directory the shell opens it in a normal window.
    QCOMPARE(call.showMode, 1);

    // Whatever the shell said, the dialog stays as it was and nothing else pops up.
    QCoreApplication::processEvents();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QStringList textsAfter;
    QList<QRect> geometriesAfter;
    for (QLabel *label : labels) {
        textsAfter << label->text();
        geometriesAfter << label->geometry();
    }
    QCOMPARE(textsAfter, textsBefore);
    QCOMPARE(geometriesAfter, geometriesBefore);
    QCOMPARE(QApplication::topLevelWidgets(), windowsBefore);
    delete dialog;
}

void TestAboutDialog::closingUnloads_data()
{
    QTest::addColumn<bool>("blocking");
    QTest::addColumn<bool>("escape");
    QTest::newRow("Close button, open()") << false << false;
    QTest::newRow("Close button, exec()") << true << false;
    QTest::newRow("Escape, open()") << false << true;
}

void TestAboutDialog::closingUnloads()
{
    QFETCH(bool, blocking);
    QFETCH(bool, escape);

    QPointer<frmBriskoAbout> dialog = new frmBriskoAbout(&owner_);
    const auto leave = [&dialog, escape] {
        if (escape) {
            QTest::keyClick(dialog, Qt::Key_Escape);
        } else {
            QTest::mouseClick(child<QPushButton>(dialog, "cmdAboutClose"), Qt::LeftButton);
        }
    };

    if (blocking) {
        QTimer::singleShot(0, dialog, leave);
        dialog->exec();
    } else {
        dialog->open();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        leave();
        QVERIFY(!dialog || !dialog->isVisible());
    }
    QTRY_VERIFY(dialog.isNull());
}

QTEST_MAIN(TestAboutDialog)
#include "tst_about_dialog.moc"
