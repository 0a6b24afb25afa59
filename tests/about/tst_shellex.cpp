#include "FakeShellPlatform.h"
#include "md_shellex.h"

#include <QTest>

#include <limits>

class TestShellOpen : public QObject
{
    Q_OBJECT

private slots:
    void failureTable_data();
    void failureTable();
    void unreachableShellIsCodeZero();
    void callPaths_data();
    void callPaths();
};

namespace {
// Base of the error numbers that carry the shell's code.
constexpr qint32 B = -2147220456;
const QString General =
    QStringLiteral("An error occurred occurred whilst trying to open or print the selected file.");
} // namespace

void TestShellOpen::failureTable_data()
{
    QTest::addColumn<qint64>("code");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qint32>("number");
    QTest::addColumn<QString>("description");

    const auto fails = [](qint64 code, qint32 number, const char *description) {
        QTest::addRow("code %lld", code)
            << code << false << number << QString::fromUtf8(description);
    };
    fails(0, 7, "Out of memory");
    fails(2, 53, "File not found");
    fails(3, 76, "Path not found");
    fails(5, 75, "Path/file access error");
    fails(8, 7, "Out of memory");
    fails(11, -2147220445, "The executable file is invalid or corrupt");
    fails(26, 75, "A sharing violation occurred.");
    fails(27, -2147220429, "This file type does not have a valid file association.");
    fails(28, 286, "The file could not be opened due to time out.  Please try again in a moment.");
    fails(29, 285,
          "The file could not be opened because the DDE transaction failed.  Please try again in "
          "a moment.");
    fails(30, 285,
          "The file could not be opened because the target application is busy.  Please try "
          "again in a moment.");
    fails(31, -2147220425, "No application is associated with this file type.");
    fails(32, 48, "The specified dynamic-link library was not found.");

    // Every other code up to 25 carries its own number in the general report.
    QTest::newRow("code 1, literal number") << qint64(1) << false << -2147220455 << General;
    for (qint64 code : {4, 6, 7, 9, 10, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25}) {
        QTest::addRow("code %lld", code) << code << false << qint32(B + code) << General;
    }

    const auto succeeds = [](const char *name, qint64 code) {
        QTest::newRow(name) << code << true << 0 << QString();
    };
    succeeds("33, first success", 33);
    succeeds("42", 42);
    succeeds("-1", -1);
    succeeds("most negative", std::numeric_limits<qint64>::min());
    succeeds("beyond 32 bits", qint64(1) << 40);
}

void TestShellOpen::failureTable()
{
    QFETCH(qint64, code);
    QFETCH(bool, ok);
    QFETCH(qint32, number);
    QFETCH(QString, description);

    FakeShellPlatform shell;
    shell.result = code;
    const ShellResult result = ShellOpen(QStringLiteral("www.pelorim.example"), ShowDefault,
                                         QString(), QString(), QStringLiteral("open"), 0);

    QCOMPARE(shell.calls.size(), 1);
    QCOMPARE(result.ok, ok);
    QCOMPARE(result.number, number);
    QCOMPARE(result.description, description);
    // The source names this executable, without extension.
    QCOMPARE(result.source, ok ? QString() : QStringLiteral("tst_shellex.GShell"));
}

void TestShellOpen::unreachableShellIsCodeZero()
{
    FakeShellPlatform shell;
    shell.unreachable = true;
    const ShellResult result = ShellOpen(QStringLiteral("www.pelorim.example"), ShowDefault,
                                         QString(), QString(), QStringLiteral("open"), 0);
    QVERIFY(!result.ok);
    QCOMPARE(result.number, 7);
    QCOMPARE(result.description, QStringLiteral("Out of memory"));
}

void TestShellOpen::callPaths_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint32>("showMode");
    QTest::addColumn<QString>("parameters");
    QTest::addColumn<QString>("directory");
    QTest::addColumn<qint32>("shownAs");

    const QString none;
    const QString dir = QStringLiteral("C:\\Work");
    // Neither parameters nor directory: always a normal window, ".EXE" or not.
    QTest::newRow("plain, default mode") << "readme.txt" << 10 << none << none << 1;
    QTest::newRow("plain, hidden asked") << "readme.txt" << 0 << none << none << 1;
    QTest::newRow("EXE, nothing else") << "C:\\TOOLS\\SETUP.EXE" << 10 << none << none << 1;
    QTest::newRow("exe, nothing else") << "setup.exe" << 3 << none << none << 1;
    // With parameters or directory the caller's mode goes through, unless ".EXE" hides it.
    QTest::newRow("parameters") << "readme.txt" << 3 << "-x" << none << 3;
    QTest::newRow("directory") << "readme.txt" << 7 << none << dir << 7;
    QTest::newRow("both") << "readme.txt" << 10 << "/p" << dir << 10;
    QTest::newRow("EXE with parameters") << "C:\\TOOLS\\SETUP.EXE" << 10 << "/q" << none << 0;
    QTest::newRow("exe with directory") << "setup.exe" << 1 << none << dir << 0;
    QTest::newRow("ExE with both") << "Setup.ExE" << 10 << "/s" << dir << 0;
    QTest::newRow("eXe mid-name") << "tool.eXecutor.bat" << 10 << "-v" << none << 0;
    QTest::newRow("exe without dot") << "runexe" << 10 << "-v" << none << 10;
}

void TestShellOpen::callPaths()
{
    QFETCH(QString, file);
    QFETCH(qint32, showMode);
    QFETCH(QString, parameters);
    QFETCH(QString, directory);
    QFETCH(qint32, shownAs);

    FakeShellPlatform shell;
    const ShellResult result =
        ShellOpen(file, showMode, parameters, directory, QStringLiteral("print"), 77);

    QVERIFY(result.ok);
    QCOMPARE(shell.calls.size(), 1);
    const FakeShellPlatform::Call &call = shell.calls.front();
    QCOMPARE(call.file, file);
    QCOMPARE(call.verb, QStringLiteral("print"));
    QCOMPARE(call.owner, 77);
    QCOMPARE(call.parameters, parameters);
    QCOMPARE(call.directory, directory);
    QCOMPARE(call.showMode, shownAs);
}

QTEST_GUILESS_MAIN(TestShellOpen)
#include "tst_shellex.moc"
