// The program's own start (md_start) on a scratch settings store: what it sets up before the
// window is shown.
#include "AGauge.h"
#include "DesignTypeface.h"
#include "md_start.h"

#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class StartTest : public QObject
{
    Q_OBJECT

public:
    explicit StartTest(QWidget &window) : window_(window) {}

private slots:
    void oneTypefaceThroughout_data()
    {
        QTest::addColumn<QString>("widget");
        QTest::newRow("frame caption") << "fInput";
        QTest::newRow("button") << "cmdClose";
        QTest::newRow("gauge numbers") << "AGauge";
        QTest::newRow("gauge menu") << "mnuChangeTempUnit";
        QTest::newRow("designed input box") << "txtSpGr";
        QTest::newRow("list box") << "ComboMeter";
    }
    void oneTypefaceThroughout()
    {
        QFETCH(QString, widget);
        // Arial itself, or its metric-compatible stand-in: the build installs fonts-liberation.
        const QString design = QFontInfo(QFont(designFamily())).family();
        QVERIFY2(design == "Arial" || design == "Liberation Sans", qPrintable(design));
        auto *w = window_.findChild<QWidget *>(widget);
        QVERIFY(w);
        QCOMPARE(QFontInfo(w->font()).family(), design);
    }

private:
    QWidget &window_;
};

int main(int argc, char *argv[])
{
    QTemporaryDir store; // never the user's own settings
    qputenv("XDG_CONFIG_HOME", store.path().toLocal8Bit());
    int failures = 1;
    md_start(argc, argv, [&](QApplication &app, QWidget &window) {
        StartTest test(window);
        failures = QTest::qExec(&test, argc, argv);
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    });
    return failures;
}

#include "test_start.moc"
