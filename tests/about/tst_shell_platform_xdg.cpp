// The freedesktop shell layer itself, with the desktop's opener replaced by URL handlers so
// nothing is launched.
#include "md_shellex.h"
#include "ShellPlatform.h"

#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

class UrlRecorder : public QObject
{
    Q_OBJECT

public slots:
    void open(const QUrl &url) { opened.append(url); }

public:
    QList<QUrl> opened;
};

class TestXdgShellPlatform : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void outcomes_data();
    void outcomes();
    void startsProgramsWithParameters();
    void missingFileReportsThroughShellOpen();

private:
    QTemporaryDir dir_;
    UrlRecorder recorder_;
};

void TestXdgShellPlatform::init()
{
    QVERIFY(dir_.isValid());
    recorder_.opened.clear();
    for (const char *scheme : {"http", "https", "file"}) {
        QDesktopServices::setUrlHandler(QLatin1String(scheme), &recorder_, "open");
    }
}

void TestXdgShellPlatform::cleanup()
{
    for (const char *scheme : {"http", "https", "file"}) {
        QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    }
}

void TestXdgShellPlatform::outcomes_data()
{
    QTest::addColumn<QString>("verb");
    QTest::addColumn<QString>("file"); // "@" stands for the temporary directory
    QTest::addColumn<QString>("directory");
    QTest::addColumn<qint64>("code");
    QTest::addColumn<QString>("handedOver"); // the URL the desktop got, if any

    QTest::newRow("www address") << "open"
                                 << "www.pelorim.example"
                                 << "" << qint64(42) << "http://www.pelorim.example";
    QTest::newRow("https address, default verb")
        << ""
        << "https://pelorim.example/brisko"
        << "" << qint64(42) << "https://pelorim.example/brisko";
    QTest::newRow("existing document") << "OPEN"
                                       << "@/notes.txt"
                                       << "" << qint64(42) << "file://@/notes.txt";
    QTest::newRow("document relative to directory") << "open"
                                                    << "notes.txt"
                                                    << "@" << qint64(42) << "file://@/notes.txt";
    QTest::newRow("verb without handler") << "print"
                                          << "@/notes.txt"
                                          << "" << qint64(31) << "";
    QTest::newRow("missing file") << "open"
                                  << "@/missing.txt"
                                  << "" << qint64(2) << "";
    QTest::newRow("missing file in directory") << "open"
                                               << "missing.txt"
                                               << "@" << qint64(2) << "";
    QTest::newRow("missing folder") << "open"
                                    << "@/nowhere/notes.txt"
                                    << "" << qint64(3) << "";
    QTest::newRow("missing working directory") << "open"
                                               << "notes.txt"
                                               << "@/nowhere" << qint64(3) << "";
    QTest::newRow("empty file") << "open"
                                << ""
                                << "" << qint64(2) << "";
}

void TestXdgShellPlatform::outcomes()
{
    QFETCH(QString, verb);
    QFETCH(QString, file);
    QFETCH(QString, directory);
    QFETCH(qint64, code);
    QFETCH(QString, handedOver);

    QFile notes(dir_.filePath(QStringLiteral("notes.txt")));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.close();
    const auto place = [this](QString text) { return text.replace(QLatin1Char('@'), dir_.path()); };

    const qint64 result = systemShellPlatform().execute(0, verb, place(file), QString(),
                                                        place(directory), ShowDefault);
    QCOMPARE(result, code);
    if (handedOver.isEmpty()) {
        QVERIFY(recorder_.opened.isEmpty());
    } else {
        QCOMPARE(recorder_.opened, QList<QUrl>{QUrl(place(handedOver))});
    }
}

void TestXdgShellPlatform::startsProgramsWithParameters()
{
    const QString script = dir_.filePath(QStringLiteral("echo-args.sh"));
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nprintf '%s|' \"$@\" > args.tmp && mv args.tmp args.txt\n");
    file.close();
    QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));

    const qint64 result =
        systemShellPlatform().execute(0, QStringLiteral("open"), script,
                                      QStringLiteral("-a \"two words\""), dir_.path(), ShowNormal);
    QCOMPARE(result, qint64(42));

    QFile args(dir_.filePath(QStringLiteral("args.txt")));
    QTRY_VERIFY(args.exists());
    QVERIFY(args.open(QIODevice::ReadOnly));
    QCOMPARE(args.readAll(), QByteArray("-a|two words|"));
    QVERIFY(recorder_.opened.isEmpty());
}

void TestXdgShellPlatform::missingFileReportsThroughShellOpen()
{
    const ShellResult result = ShellOpen(dir_.filePath(QStringLiteral("missing.txt")), ShowDefault,
                                         QString(), QString(), QStringLiteral("open"), 0);
    QVERIFY(!result.ok);
    QCOMPARE(result.number, 53);
    QCOMPARE(result.description, QStringLiteral("File not found"));
}

QTEST_MAIN(TestXdgShellPlatform)
#include "tst_shell_platform_xdg.moc"
