#include "WindowFixture.h"

#include "CalculationSheet.h"
#include "SheetCommands.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMimeData>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTextDocument>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// The plain-text sheet as a spreadsheet reads it: name -> the cells after it.
QMap<QString, QStringList> rowsOf(const QString &plainText)
{
    QMap<QString, QStringList> rows;
    for (const QString &line : plainText.split(QLatin1Char('\n'))) {
        QStringList cells = line.split(QLatin1Char('\t'));
        const QString name = cells.takeFirst();
        if (!cells.isEmpty())
            rows.insert(name, cells);
    }
    return rows;
}

// What a Poppler tool says about a PDF.
QString poppler(const QString &tool, QStringList args)
{
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(tool), p.readAllStandardError().data());
    return QString::fromUtf8(p.readAllStandardOutput());
}
QString pdfText(const QString &path)
{
    return poppler(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), path, QStringLiteral("-")});
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// The default start as the sheet must give it: name, value in the C and de_DE locales, unit.
const struct Expected
{
    const char *name, *c, *de, *unit;
} kDefaultSheet[] = {
    {"Method", "orifice factor method", "orifice factor method", ""},
    // As shown: gauge readouts in the locale, text fields verbatim.
    {"Flowing Temperature", "55.0", "55,0", "DegF"},
    {"Static Pressure", "100", "100", "PsiG"},
    {"Differential Pressure", "4.90", "4,90", "PsiD"},
    {"Orifice Diameter (P)", "0.5000", "0.5000", "in"},
    {"Inside Diameter of Meter (M)", "2.067", "2.067", "in"},
    {"Gas Specific Gravity (G)", "0.615", "0.615", ""},
    {"Contract Temperature Base (Tb)", "60", "60", "degF"},
    {"Contract Pressure Base (Pb)", "14.73", "14.73", "psia"},
    {"Latitude in Degrees", "42", "42", "deg"},
    {"Elevation in Feet", "300", "300", "ft"},
    // In the engine's units.
    {"Temp (flowing temperature)", "55", "55", "degF"},
    {"Pressure (static pressure)", "100", "100", "psig"},
    {"Difference (differential)", "4.9", "4,9", "psi"},
    {"Plate (orifice bore)", "0.5", "0,5", "in"},
    {"Meter (meter inside diameter)", "2.067", "2,067", "in"},
    {"SpecGravity (specific gravity)", "0.615", "0,615", ""},
    {"Tb (base temperature)", "60", "60", "degF"},
    {"Pb (base pressure)", "14.73", "14,73", "psia"},
    {"Lat (latitude)", "42", "42", "deg"},
    {"Elev (elevation)", "300", "300", "ft"},
    // Every factor by the window's own text for it.
    {"Orifice Flow Constant (C) - C-Prime", "64.39657", "64,39657", ""},
    {"Basic Orifice Factor (Fb)", "50.52131", "50,52131", ""},
    {"All factors multiplied together (Fg * Fr * Y * Z * Fl * Fa * FTf * FTb * FPb)", "1.27464",
     "1,27464", ""},
    {"Specific Gravity Factor (Fg)", "1.27515", "1,27515", ""},
    {"Reynolds Number Factor (Fr)", "1.00011", "1,00011", ""},
    {"Expansion Factor (Y)", "0.98645", "0,98645", ""},
    {"Supercompressibility Factor (Z)", "1.00873", "1,00873", ""},
    {"Location Factor (Fl), depends on Lat and Elev above.", "0.99985", "0,99985", ""},
    {"Orifice Thermal Expansion (Fa)", "0.99976", "0,99976", ""},
    {"Flowing Temperature Factor (FTf)", "1.00484", "1,00484", ""},
    {"Contract Temperature Base Factor (FTb), depends on Tb above.", "1.00000", "1,00000", ""},
    {"Contract Pressure Base Factor (FPb), depends on Pb above.", "1.00000", "1,00000", ""},
    {"Flow as shown", "0.1939", "0,1939", "MMcF/D"},
    {"Flow in the engine's unit", "193.905", "193,905", "Mcf/d"},
    {"Findings", "none", "none", ""},
};

} // namespace

class SheetTest : public QObject
{
    Q_OBJECT

private:
    WindowFixture fx;
    std::unique_ptr<QTemporaryDir> files;

    SheetCommands &commands() { return fx.window->sheetCommands(); }
    void activate()
    {
        fx.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fx.window.get()));
    }
    void contextMenu(QWidget *w, QContextMenuEvent::Reason reason = QContextMenuEvent::Mouse)
    {
        const QPoint at = w->rect().center();
        QContextMenuEvent event(reason, at, w->mapToGlobal(at));
        QApplication::sendEvent(w, &event);
    }
    // Saves the sheet as PDF to path through the column's menu.
    void saveThroughTheMenu(const QString &path)
    {
        fx.dialogs.saveAnswers = {path};
        fx.dialogs.chooseItem = "mnuSaveCalculationPdf";
        contextMenu(fx.child<QGroupBox>("fOutput"));
    }

private slots:
    void init()
    {
        fx.reset();
        files = std::make_unique<QTemporaryDir>();
    }
    void cleanup()
    {
        fx.window.reset();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void defaultStart_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("C") << QLocale::c();
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany);
    }
    void defaultStart()
    {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        fx.start();
        const QString text = commands().sheet().plainText();
        const auto rows = rowsOf(text);

        const bool de = locale.language() == QLocale::German;
        for (const Expected &e : kDefaultSheet) {
            QStringList cells{QString::fromUtf8(de ? e.de : e.c), QString::fromUtf8(e.unit)};
            if (cells.last().isEmpty())
                cells.removeLast();
            QCOMPARE(rows.value(QString::fromUtf8(e.name)), cells);
        }
        QVERIFY(rows.value("Program").value(0).contains(QRegularExpression("^Brisko \\d+\\.\\d+")));
        // When it was calculated, in an order every reader reads the same.
        const QDateTime when = QDateTime::fromString(rows.value("Date and time").value(0).left(19),
                                                     "yyyy-MM-dd HH:mm:ss");
        QVERIFY(when >= before && when <= QDateTime::currentDateTime());

        // Sections in calculation order, each under its own line.
        QStringList sections;
        for (const QString &line : text.split('\n'))
            if (!line.isEmpty() && !line.contains('\t'))
                sections << line;
        QCOMPARE(sections, (QStringList{"Orifice flow calculation", "Inputs as shown",
                                        "Inputs in the engine's units", "Orifice", "Factors",
                                        "Flow", "Range checks"}));
    }

    void copyPutsHtmlAndPlainTextOnTheClipboard()
    {
        fx.start();
        fx.pick("ComboPlate", "0.0625"); // a finding, so the sheet has one to show
        activate();
        QGuiApplication::clipboard()->clear();
        // From the shortcut while typing in a field.
        fx.child("txtTb")->setFocus();
        QTest::keyClick(fx.child("txtTb"), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(fx.text("txtTb"), QString("60")); // the field did not take the keys

        const QMimeData *data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data->hasHtml() && data->hasText());
        const QString plain = commands().sheet().plainText();
        QCOMPARE(data->text(), plain);
        QCOMPARE(rowsOf(plain).value("Flow as shown"), (QStringList{"0.0031", "MMcF/D"}));
        QCOMPARE(rowsOf(plain).value("Warning").value(2), QString("beta-range"));

        // The HTML is the same sheet as a table: every name and value in a cell of its own.
        QTextDocument html;
        html.setHtml(data->html());
        const QString htmlText = html.toPlainText();
        for (const char *cell : {"Reynolds Number Factor (Fr)", "0.0031", "MMcF/D", "Mcf/d",
                                 "beta-range", "Orifice flow calculation"})
            QVERIFY2(htmlText.contains(cell), cell);
        QVERIFY(data->html().contains("<table"));
    }

    void pdfHoldsTheSheet()
    {
        fx.start();
        const QString path = files->filePath("sheet.pdf");
        writeFile(path, "an older file of that name");
        saveThroughTheMenu(path);
        QVERIFY(fx.dialogs.messages.isEmpty());
        QVERIFY(fx.dialogs.saveSuggested.value(0).endsWith(".pdf"));
        QVERIFY(contents(path).startsWith("%PDF-"));
        const QString text = pdfText(path);
        for (const char *expected :
             {"Orifice flow calculation", "Reynolds Number Factor (Fr)", "1.00011", "0.1939",
              "MMcF/D", "193.905", "Mcf/d", "orifice factor method"})
            QVERIFY2(text.contains(expected), expected);
        const QString info = poppler("pdfinfo", {path});
        for (const char *line :
             {"^Title: +Orifice flow calculation$", "^Creator: +Brisko ", "^Pages: +1$"})
            QVERIFY2(info.contains(QRegularExpression(line, QRegularExpression::MultilineOption)),
                     qPrintable(info));
        // Only the PDF is left in the folder: no temporary file beside it.
        QCOMPARE(QDir(files->path()).entryList(QDir::Files), QStringList{"sheet.pdf"});

        // Cancel in the file dialog writes nothing.
        const QByteArray before = contents(path);
        saveThroughTheMenu(QString());
        QCOMPARE(contents(path), before);
    }

    void unwritableFileKeepsTheOldOne_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing folder") << "no such folder/sheet.pdf"
                                        << "No such file or directory";
        QTest::newRow("a folder of that name") << "folder.pdf"
                                               << "directory";
        QTest::newRow("file size limit") << "sheet.pdf"
                                         << "File too large";
        QTest::newRow("read-only folder") << "read-only/sheet.pdf"
                                          << "Permission denied";
    }
    void unwritableFileKeepsTheOldOne()
    {
        QFETCH(QString, name);
        QFETCH(QString, reason);
        fx.start();
        const QString path = files->filePath(name);
        const QString folder = QFileInfo(path).absolutePath();
        const QByteArray old = "the sheet saved last week";
        const bool sizeLimit = QTest::currentDataTag() == QLatin1String("file size limit");
        const bool readOnly = QTest::currentDataTag() == QLatin1String("read-only folder");
        if (readOnly && geteuid() == 0)
            QSKIP("a read-only folder does not stop root");
        if (name == "folder.pdf")
            QVERIFY(QDir(files->path()).mkpath(name));
        else if (QDir().mkpath(folder) || QFileInfo::exists(folder))
            writeFile(path, old);
        if (name.startsWith("no such folder"))
            QVERIFY(QDir(folder).removeRecursively());
        if (readOnly)
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));

        // A disk that fills up: writes past 4 KiB fail (as root too).
        rlimit saved{};
        if (sizeLimit) {
            std::signal(SIGXFSZ, SIG_IGN);
            getrlimit(RLIMIT_FSIZE, &saved);
            rlimit limit = saved;
            limit.rlim_cur = 4096;
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        saveThroughTheMenu(path);
        if (sizeLimit)
            setrlimit(RLIMIT_FSIZE, &saved);
        if (readOnly)
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QCOMPARE(fx.dialogs.messages.size(), 1);
        const auto &m = fx.dialogs.messages[0];
        QCOMPARE(m.title, QString("Save calculation sheet as PDF"));
        QCOMPARE(m.icon, QMessageBox::Critical);
        QVERIFY2(m.text.contains("\"" + QDir::toNativeSeparators(path) + "\""), qPrintable(m.text));
        QVERIFY2(m.text.contains(reason), qPrintable(m.text));
        if (QFileInfo(path).isFile())
            QCOMPARE(contents(path), old);
        // Nothing half written is left behind.
        if (QFileInfo(folder).isDir())
            QCOMPARE(QDir(folder).entryList(QDir::Files),
                     QFileInfo(path).isFile() ? QStringList{QFileInfo(path).fileName()}
                                              : QStringList{});
    }

    void printGoesThroughThePrintDialog()
    {
        fx.start();
        activate();
        const QString path = files->filePath("printed.pdf");
        int asked = 0;
        bool print = false;
        fx.dialogs.onPrint = [&](QPrinter *printer) {
            ++asked;
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(path);
            return print;
        };
        // Cancelled: nothing printed.
        QTest::keyClick(fx.window.get(), Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(asked, 1);
        QVERIFY(!QFileInfo::exists(path));
        print = true;
        QTest::keyClick(fx.window.get(), Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(asked, 2);
        const QString text = pdfText(path);
        QVERIFY(text.contains("Orifice flow calculation"));
        QVERIFY(text.contains("0.1939"));
        QVERIFY(fx.dialogs.messages.isEmpty());
    }

    void commandsSitOnTheColumnsMenuAndItsFrames()
    {
        fx.start();
        const QStringList items{"mnuCopyCalculation", "mnuPrintCalculation",
                                "mnuSaveCalculationPdf"};
        auto *menu = fx.window->findChild<QMenu *>("mnuCalculation");
        QVERIFY(menu);
        QStringList texts, keys;
        for (QAction *a : menu->actions()) {
            texts << a->text();
            keys << a->shortcut().toString();
        }
        QCOMPARE(texts, (QStringList{"Copy calculation", "Print calculation sheet\u2026",
                                     "Save calculation sheet as PDF\u2026"}));
        QCOMPARE(keys, (QStringList{"Ctrl+Shift+C", "Ctrl+P", "Ctrl+Shift+S"}));

        // A right click on any frame of the column or on what shows in it, or the menu key
        // on an option button.
        auto *tag = fx.child<QGroupBox>("fOutput")->findChild<QLabel *>();
        for (QWidget *w :
             {static_cast<QWidget *>(fx.child<QGroupBox>("fInput")),
              static_cast<QWidget *>(fx.child<QGroupBox>("fIntermediate")),
              static_cast<QWidget *>(fx.child<QGroupBox>("fOutput")), static_cast<QWidget *>(tag)})
            contextMenu(w);
        contextMenu(fx.child<QRadioButton>("Sweet"), QContextMenuEvent::Keyboard);
        QCOMPARE(fx.dialogs.menusOpened, QStringList(5, "mnuCalculation"));

        // A text box keeps its own edit menu, with the commands added at its end.
        fx.dialogs.menusOpened.clear();
        fx.dialogs.menuItems.clear();
        fx.dialogs.menuTexts.clear();
        contextMenu(fx.child("txtTb"), QContextMenuEvent::Keyboard);
        contextMenu(fx.child<QComboBox>("ComboPlate")->lineEdit());
        contextMenu(fx.child("txtFr"));
        QCOMPARE(fx.dialogs.menusOpened, QStringList(3, "mnuCalculationEdit"));
        for (const QStringList &opened : fx.dialogs.menuItems)
            QCOMPARE(opened.mid(opened.size() - 3), items);
        for (const QStringList &texts : fx.dialogs.menuTexts)
            QCOMPARE(texts.filter(QRegularExpression("^&?Paste")).size(), 1);

        // The frames tell of the menu and the shortcuts.
        for (const char *frame : {"fInput", "fIntermediate", "fOutput"}) {
            const QString tip = fx.child<QGroupBox>(frame)->toolTip();
            QVERIFY2(tip.contains("Right-click") && tip.contains("Copy calculation") &&
                         tip.contains("Ctrl+Shift+S"),
                     qPrintable(tip));
        }
    }

    void shortcutsWorkAnywhereInTheWindow()
    {
        fx.start();
        activate();
        int printed = 0;
        fx.dialogs.onPrint = [&](QPrinter *) {
            ++printed;
            return false;
        };
        for (QWidget *focus : {static_cast<QWidget *>(fx.gauge()),
                               static_cast<QWidget *>(fx.child<QComboBox>("ComboMeter")),
                               static_cast<QWidget *>(fx.child("txtBase"))}) {
            focus->setFocus();
            QGuiApplication::clipboard()->clear();
            QTest::keyClick(focus, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
            QVERIFY(QGuiApplication::clipboard()->text().startsWith("Orifice flow calculation"));
            QTest::keyClick(focus, Qt::Key_P, Qt::ControlModifier);
            QTest::keyClick(focus, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        }
        QCOMPARE(printed, 3);
        QCOMPARE(fx.dialogs.saveSuggested.size(), 3);
    }
};

QTEST_MAIN(SheetTest)
#include "test_sheet.moc"
