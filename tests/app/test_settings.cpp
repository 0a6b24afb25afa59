// The settings store: plain-text values in the file earlier versions wrote, saving that never
// hangs and never fails in silence, and stored window bounds that always bring the window
// back wholly on a screen.
#include "WindowBounds.h"
#include "WindowFixture.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QLockFile>
#include <QPushButton>
#include <QScreen>
#include <QSettings>

#include <functional>
#include <memory>
#include <optional>

#include <sys/wait.h>
#include <unistd.h>

using Store = std::map<QString, QString>;

namespace {

QByteArray contents(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &fileName, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
}

// Root may write anywhere, so the read-only cases drop to an unprivileged user (whose the
// store then is) and come back afterwards.
class Unprivileged
{
public:
    explicit Unprivileged(const QString &tree)
    {
        if (geteuid() != 0)
            return;
        const uid_t nobody = 65534;
        QDirIterator it(tree, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        bool owned = ::chown(QFile::encodeName(tree).constData(), nobody, nobody) == 0;
        while (it.hasNext())
            owned = ::chown(QFile::encodeName(it.next()).constData(), nobody, nobody) == 0 && owned;
        dropped_ = owned && setresgid(nobody, nobody, 0) == 0;
        if (dropped_ && setresuid(nobody, nobody, 0) != 0) {
            setresgid(0, 0, 0);
            dropped_ = false;
        }
        failed_ = !dropped_;
    }
    ~Unprivileged()
    {
        if (dropped_) {
            setresuid(0, 0, 0);
            setresgid(0, 0, 0);
        }
    }
    bool failed() const { return failed_; }

private:
    bool dropped_ = false;
    bool failed_ = false;
};

} // namespace

class SettingsTest : public QObject
{
    Q_OBJECT

private:
    WindowFixture fx;

    QString file() const { return WindowFixture::storeFile(); }

    // Starts the window, changes a text, presses Close; returns how long Close took.
    qint64 changeAndClose()
    {
        fx.start();
        fx.child("txtTb")->setText("70");
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(fx.child<QPushButton>("cmdClose"), Qt::LeftButton);
        return timer.elapsed();
    }

    QRect availableArea() const { return QGuiApplication::primaryScreen()->availableGeometry(); }

    QRect storedBoundsInPixels()
    {
        const double tpp = fx.window->twipsPerPixel();
        const auto pixels = [&](const char *key) {
            return qRound(fx.stored(key).toString().toDouble() / tpp);
        };
        return {pixels("MainLeft"), pixels("MainTop"), pixels("MainWidth"), pixels("MainHeight")};
    }

private slots:
    void init()
    {
        fx.window.reset();
        fx.clearStore();
        fx.dialogs = FakeDialogs();
    }

    // --- Values are plain text -----------------------------------------------------------

    void valuesReadAsTheTextTheyShow_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("commas are no list") << QByteArray("Meter=3.068, 4.026") << "Meter"
                                            << "3.068, 4.026";
        QTest::newRow("@ByteArray is text")
            << QByteArray("TempCaption=@ByteArray(DegC)") << "TempCaption"
            << "@ByteArray(DegC)";
        QTest::newRow("@Variant is text")
            << QByteArray(R"(Tb=@Variant(\0\0\0\t\x7f\xff\xff\xff))") << "Tb"
            << QString("@Variant(") + QChar(0) + QChar(0) + QChar(0) + "\t" + QChar(0x7f) +
                   QChar(0xff) + QChar(0xff) + QChar(0xff) + ")";
        QTest::newRow("@Invalid is text") << QByteArray("Pb=@Invalid()") << "Pb"
                                          << "@Invalid()";
        QTest::newRow("quoted") << QByteArray(R"(Lat=" -33.8688 ")") << "Lat"
                                << " -33.8688 ";
        QTest::newRow("comment") << QByteArray("Elev=300 ; feet") << "Elev"
                                 << "300";
        QTest::newRow("written @ escape") << QByteArray("SpGr=@@0.6") << "SpGr"
                                          << "@0.6";
        QTest::newRow("empty") << QByteArray("Plate=") << "Plate"
                               << "";
    }
    void valuesReadAsTheTextTheyShow()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, key);
        QFETCH(QString, text);
        writeFile(file(), "[Settings]\n" + line + "\n");
        QCOMPARE(SettingsStore().ReadSetting(key, "default"), text);
    }

    void theIssuesThreeLinesReachTheWindowAsText()
    {
        writeFile(file(), "[Settings]\n"
                          "Meter=3.068, 4.026\n"
                          "TempCaption=@ByteArray(DegC)\n"
                          R"(Tb=@Variant(\0\0\0\t\x7f\xff\xff\xff))"
                          "\n");
        fx.start();
        QCOMPARE(fx.child<QComboBox>("ComboMeter")->currentText(), QString("3.068, 4.026"));
        // Not "DegC": the needle is not read as Celsius.
        QCOMPARE(fx.caption(0), QString("@ByteArray(DegC)"));
        QVERIFY(fx.text("txtTb").startsWith("@Variant("));
        QCOMPARE(fx.window->panel().inputs().Temp, 55.0);
    }

    // Texts as earlier versions (QSettings) wrote them read back unchanged, and what is
    // written now reads back unchanged with either reader.
    void textsRoundTripWithTheEarlierFormat_data()
    {
        QTest::addColumn<QString>("text");
        for (const QString &text : {QString("abc"),           QString(""),
                                    QString(" lead"),         QString("trail "),
                                    QString("3.068, 4.026"),  QString("a;b"),
                                    QString("k=v"),           QString("@x"),
                                    QString("@@y"),           QString("@ByteArray(DegC)"),
                                    QString("@String(z)"),    QString("back\\slash"),
                                    QString("quo\"te"),       QString("tab\there"),
                                    QString("nl\nx"),         QString::fromUtf8("ünï€ 𝄞"),
                                    QString(QChar(0)) + "1f", QString("\x7f"),
                                    QString("[x]"),           QString("#h"),
                                    QString("0,615"),         QString("\\x41")})
            QTest::newRow(qPrintable(text.toUtf8().toPercentEncoding())) << text;
    }
    void textsRoundTripWithTheEarlierFormat()
    {
        QFETCH(QString, text);
        {
            QSettings earlier(file(), QSettings::IniFormat);
            earlier.setValue("Settings/Tb", text);
        }
        QCOMPARE(SettingsStore().ReadSetting("Tb", "default"), text);

        fx.clearStore();
        SettingsStore now;
        now.WriteSetting("Tb", text);
        QVERIFY2(now.commit(), qPrintable(now.errorString()));
        QCOMPARE(SettingsStore().ReadSetting("Tb", "default"), text);
        QCOMPARE(QSettings(file(), QSettings::IniFormat).value("Settings/Tb").toString(), text);
    }

    void savingKeepsWhatItDoesNotKnow()
    {
        writeFile(file(), "[General]\nfoo=bar\n\n[Settings]\nTb=60\nExtra=\"v, w\"\n\n"
                          "[Other]\nk=@ByteArray(x)\n");
        SettingsStore store;
        store.WriteSetting("Tb", "70");
        store.WriteSetting("Pb", "14.7");
        QVERIFY2(store.commit(), qPrintable(store.errorString()));
        QSettings earlier(file(), QSettings::IniFormat);
        QCOMPARE(earlier.value("foo").toString(), QString("bar"));
        QCOMPARE(earlier.value("Settings/Tb").toString(), QString("70"));
        QCOMPARE(earlier.value("Settings/Pb").toString(), QString("14.7"));
        QCOMPARE(earlier.value("Settings/Extra").toString(), QString("v, w"));
        QCOMPARE(earlier.value("Other/k").toByteArray(), QByteArray("x"));
    }

    // --- Saving never hangs and never fails in silence -----------------------------------

    void aFailedSaveIsReportedAndTheWindowStillCloses_data()
    {
        // Each fault is made on the saved store; a lock it takes is held until the case ends.
        using Fault = std::function<bool(const QString &, std::unique_ptr<QLockFile> &)>;
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<bool>("unprivileged");
        QTest::addColumn<QString>("reason");
        QTest::newRow("lock held by another copy")
            << Fault([](const QString &f, std::unique_ptr<QLockFile> &held) {
                   held = std::make_unique<QLockFile>(f + ".lock"); // its owner is alive
                   return held->tryLock(0);
               })
            << false << "lock file";
        QTest::newRow("lock is a folder")
            << Fault([](const QString &f, auto &) { return QDir().mkpath(f + ".lock"); }) << false
            << "folder";
        QTest::newRow("read-only folder") << Fault([](const QString &f, auto &) {
            return QFile::setPermissions(QFileInfo(f).absolutePath(),
                                         QFile::ReadOwner | QFile::ExeOwner);
        }) << true << "permission";
        QTest::newRow("read-only file") << Fault([](const QString &f, auto &) {
            return QFile::setPermissions(f, QFile::ReadOwner | QFile::ReadGroup);
        }) << true << "writable";
        QTest::newRow("a folder in the file's place") << Fault([](const QString &f, auto &) {
            return QFile::remove(f) && QDir().mkpath(f + "/inside");
        }) << false << "director";
    }
    void aFailedSaveIsReportedAndTheWindowStillCloses()
    {
        using Fault = std::function<bool(const QString &, std::unique_ptr<QLockFile> &)>;
        QFETCH(Fault, fault);
        QFETCH(bool, unprivileged);
        QFETCH(QString, reason);
        fx.writeStore({{"Tb", "60"}});
        const QByteArray before = contents(file());
        std::unique_ptr<QLockFile> held;
        QVERIFY(fault(file(), held));
        qint64 elapsed = 0;
        {
            std::optional<Unprivileged> user;
            if (unprivileged) {
                user.emplace(fx.storeDir.path());
                if (user->failed())
                    QSKIP("cannot run as an unprivileged user to make the store read-only");
            }
            elapsed = changeAndClose();
        }
        QFile::setPermissions(QFileInfo(file()).absolutePath(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // Bounded, not measured: before, Close waited on the lock for ever.
        QVERIFY2(elapsed < 4 * SettingsStore::lockTimeoutMs, qPrintable(QString::number(elapsed)));
        QVERIFY(!fx.window->isVisible());
        QCOMPARE(fx.dialogs.messages.size(), 1);
        const QString message = fx.dialogs.messages[0].text;
        QVERIFY2(message.contains(QDir::toNativeSeparators(file())), qPrintable(message));
        QVERIFY2(message.contains(reason, Qt::CaseInsensitive), qPrintable(message));
        if (QFileInfo(file()).isFile())
            QCOMPARE(contents(file()), before); // the old store survives
    }

    void aLockLeftByACopyThatDiedIsTakenOver()
    {
        fx.writeStore({{"Tb", "60"}});
        const pid_t child = fork();
        if (child == 0) {
            QLockFile lock(file() + ".lock");
            _exit(lock.lock() ? 0 : 1); // dies holding it
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        QVERIFY(QFileInfo::exists(file() + ".lock"));

        changeAndClose();
        QVERIFY(fx.dialogs.messages.isEmpty());
        QCOMPARE(fx.stored("Tb").toString(), QString("70"));
        QVERIFY(!QFileInfo::exists(file() + ".lock"));
    }

    // --- Window bounds ---------------------------------------------------------------------

    void placedWhollyOnAScreen_data()
    {
        QTest::addColumn<QRect>("outer");
        QTest::addColumn<QRect>("placed");
        // Primary 1600 x 1170 (a panel at the bottom), a second monitor 1280 x 1024 to the right.
        QTest::newRow("on the screen stays")
            << QRect(100, 80, 700, 500) << QRect(100, 80, 700, 500);
        QTest::newRow("below the minimum grows")
            << QRect(100, 80, 300, 200) << QRect(100, 80, 485, 365);
        QTest::newRow("larger than the screen shrinks")
            << QRect(-1, -25, 1602, 1227) << QRect(0, 0, 1600, 1170);
        QTest::newRow("maximised on a larger monitor")
            << QRect(0, 0, 2560, 1440) << QRect(0, 0, 1600, 1170);
        QTest::newRow("hanging over the bottom edge")
            << QRect(1000, 900, 500, 400) << QRect(1000, 770, 500, 400);
        QTest::newRow("14000000 twips away")
            << QRect(933333, 933333, 485, 433) << QRect(2395, 591, 485, 433);
        QTest::newRow("far above and left")
            << QRect(-3333, -200, 533, 533) << QRect(0, 0, 533, 533);
        QTest::newRow("mostly on the second monitor")
            << QRect(1500, 100, 600, 400) << QRect(1600, 100, 600, 400);
        QTest::newRow("from a third monitor that is gone")
            << QRect(3200, 300, 600, 400) << QRect(2280, 300, 600, 400);
        QTest::newRow("huge everywhere")
            << QRect(933333, 933333, 933333, 933333) << QRect(1600, 0, 1280, 1024);
    }
    void placedWhollyOnAScreen()
    {
        QFETCH(QRect, outer);
        QFETCH(QRect, placed);
        const QList<QRect> areas = {QRect(0, 0, 1600, 1170), QRect(1600, 0, 1280, 1024)};
        const QSize minimum(frmBrisko::MinimumOuterWidth, frmBrisko::MinimumOuterHeight);
        QCOMPARE(WindowBounds::placeOnScreen(outer, areas, minimum), placed);
        // An area smaller than the minimum keeps the minimum, at its top left corner.
        QCOMPARE(WindowBounds::placeOnScreen(outer, {QRect(10, 20, 400, 300)}, minimum),
                 QRect(10, 20, 485, 365));
    }

    void storedBoundsNeverHideTheWindow_data()
    {
        QTest::addColumn<QStringList>("bounds"); // left, top, width, height in twips
        QTest::newRow("far away") << QStringList{"14000000", "14000000", "6500", "6500"};
        QTest::newRow("huge") << QStringList{"1000", "1000", "14000000", "14000000"};
        QTest::newRow("huge and far")
            << QStringList{"14000000", "14000000", "14000000", "14000000"};
        QTest::newRow("600000") << QStringList{"1000", "1000", "600000", "600000"};
        QTest::newRow("negative") << QStringList{"-50000", "-3000", "-8000", "8000"};
        QTest::newRow("beyond a single") << QStringList{"1e39", "-1e39", "1e300", "3e38"};
        QTest::newRow("not numbers") << QStringList{"inf", "nan", "abc", ""};
    }
    void storedBoundsNeverHideTheWindow()
    {
        QFETCH(QStringList, bounds);
        fx.writeStore({{"MainLeft", bounds[0]},
                       {"MainTop", bounds[1]},
                       {"MainWidth", bounds[2]},
                       {"MainHeight", bounds[3]}});
        frmBrisko &w = fx.start();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QRect shown = w.frameGeometry();
        QVERIFY2(availableArea().contains(shown), qPrintable(QDebug::toString(shown)));
        QVERIFY(shown.width() >= frmBrisko::MinimumOuterWidth);
        QVERIFY(shown.height() >= frmBrisko::MinimumOuterHeight);
        QTest::mouseClick(fx.child<QPushButton>("cmdClose"), Qt::LeftButton);
        QCOMPARE(storedBoundsInPixels(), shown); // no bad bounds written back
    }

    void restartsKeepTheStoredBounds_data()
    {
        QTest::addColumn<Store>("store");
        QTest::newRow("first start") << Store{};
        QTest::newRow("twips between pixels") << Store{{"MainLeft", "1234"},
                                                       {"MainTop", "777"},
                                                       {"MainWidth", "8000"},
                                                       {"MainHeight", "7001"}};
    }
    void restartsKeepTheStoredBounds()
    {
        QFETCH(Store, store);
        fx.writeStore(store);
        QStringList first;
        for (int round = 0; round < 3; ++round) {
            frmBrisko &w = fx.start();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            const QRect shown = w.frameGeometry();
            QTest::mouseClick(fx.child<QPushButton>("cmdClose"), Qt::LeftButton);
            QStringList now;
            for (const char *key : {"MainLeft", "MainTop", "MainWidth", "MainHeight"})
                now << fx.stored(key).toString();
            if (round == 0)
                first = now;
            QCOMPARE(now, first);
            QCOMPARE(storedBoundsInPixels(), shown); // the outer rectangle, frame included
        }
    }
};

QTEST_MAIN(SettingsTest)
#include "test_settings.moc"
