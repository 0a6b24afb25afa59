#include "WindowFixture.h"

#include "CalculationSheet.h"
#include "FindingsView.h"
#include "GaugePainter.h"
#include "SheetCommands.h"

#include <QHelpEvent>
#include <QTextDocument>
#include <QToolTip>

#include <functional>

namespace {

const char *const kInputFields[] = {"ComboPlate", "ComboMeter", "txtSpGr", "txtTb",
                                    "txtPb",      "txtLat",     "txtElev"};
const char *const kFactorBoxes[] = {"txtBase", "txtFb", "txtAll", "txtFg",  "txtFr",  "txty",
                                    "txtZ",    "txtFl", "txtFa",  "txtFTf", "txtFTb", "txtFPb"};

// What a field or box looks like: the colours a note changes and its tooltip.
struct Look
{
    QColor base, text;
    QString tip;
    bool operator==(const Look &) const = default;
};

void setDiff(WindowFixture &fx, double psi)
{
    fx.setNeedle(2, psi);
    emit fx.gauge()->GaugeChange();
}

// One way to a note and the way back to a sound calculation.
struct Case
{
    const char *tag;
    std::function<void(WindowFixture &)> make, undo;
    const char *field; // the field tinted, or nullptr for an input read from a gauge
    int slot;          // the gauge slot marked besides the flow, or -1
    Severity severity;
    const char *says;
};

const Case kCases[] = {
    {"bore below the table's ratios", [](auto &fx) { fx.pick("ComboPlate", "0.0625"); },
     [](auto &fx) { fx.pick("ComboPlate", "0.5000"); }, "ComboPlate", -1, Severity::Warning,
     "diameter ratio 0.0302371 (bore 0.0625 in, meter 2.067 in) is outside 0.15 to 0.70"},
    {"gravity below its range", [](auto &fx) { fx.child("txtSpGr")->setText("0.5"); },
     [](auto &fx) { fx.child("txtSpGr")->setText("0.615"); }, "txtSpGr", -1, Severity::Warning,
     "specific gravity 0.5 is outside 0.554 to 1"},
    {"latitude beyond the pole", [](auto &fx) { fx.child("txtLat")->setText("95"); },
     [](auto &fx) { fx.child("txtLat")->setText("42"); }, "txtLat", -1, Severity::Error,
     "latitude 95 deg is outside -90 to 90"},
    {"a base temperature that is no number", [](auto &fx) { fx.child("txtTb")->setText("6O"); },
     [](auto &fx) { fx.child("txtTb")->setText("60"); }, "txtTb", -1, Severity::Error,
     "base temperature \"6O\" is not a number; the calculation used the earlier value 60 degF"},
    {"differential near the static pressure", [](auto &fx) { setDiff(fx, 30); },
     [](auto &fx) { setDiff(fx, 4.9); }, nullptr, 2, Severity::Warning,
     "differential 30 psi is 0.262238 of the absolute static pressure"},
};

} // namespace

class FindingsTest : public QObject
{
    Q_OBJECT

private:
    WindowFixture fx;

    FindingsView &view() { return *fx.window->findChild<FindingsView *>("FindingsView"); }
    QMap<QString, Look> looks()
    {
        QMap<QString, Look> all;
        for (const char *name : kInputFields) {
            QWidget *w = fx.child<QWidget>(name);
            all[name] = {w->palette().color(QPalette::Base), w->palette().color(QPalette::Text),
                         w->toolTip()};
        }
        for (const char *name : kFactorBoxes) {
            QWidget *w = fx.child(name);
            all[name] = {w->palette().color(QPalette::Base), w->palette().color(QPalette::Text),
                         w->toolTip()};
        }
        return all;
    }
    QList<int> markedSlots()
    {
        QList<int> marked;
        for (int slot = 0; slot < 4; ++slot)
            if (view().readoutMark(slot)->isVisible())
                marked << slot;
        return marked;
    }
    // The tooltip the pointer gets over a dial's readout, as plain text.
    QString tooltipOverReadout(int slot)
    {
        AGauge *g = fx.gauge();
        const QPoint at =
            GaugePainter::dialGeometry(slot, g->size()).readoutRect().center().toPoint();
        QHelpEvent event(QEvent::ToolTip, at, g->mapToGlobal(at));
        QApplication::sendEvent(g, &event);
        return QToolTip::isVisible() ? plain(QToolTip::text()) : QString();
    }
    static QString plain(const QString &richText)
    {
        QTextDocument doc;
        doc.setHtml(richText);
        return doc.toPlainText();
    }

private slots:
    void init()
    {
        fx.reset();
        fx.start();
    }
    void cleanup() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void soundCalculationLooksAsDesigned()
    {
        // The default start has nothing to say: no tint, no grey, no tooltip, no mark.
        for (const char *name : kInputFields) {
            QWidget *w = fx.child<QWidget>(name);
            QVERIFY(!(w->palette().resolveMask() & (1ULL << QPalette::Base)));
            QVERIFY(w->toolTip().isEmpty());
        }
        const QColor text = QLineEdit().palette().color(QPalette::Text);
        for (const char *name : kFactorBoxes) {
            QCOMPARE(fx.child(name)->palette().color(QPalette::Text), text);
            QVERIFY(fx.child(name)->toolTip().isEmpty());
        }
        QVERIFY(markedSlots().isEmpty());
        for (int slot = 0; slot < 4; ++slot)
            QVERIFY(view().readoutToolTip(slot).isEmpty());
    }

    void noteTintsItsFieldAndMarksTheReadouts_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(kCases)); ++i)
            QTest::newRow(kCases[i].tag) << i;
    }
    void noteTintsItsFieldAndMarksTheReadouts()
    {
        QFETCH(int, index);
        const Case &c = kCases[index];
        const QString says = QString::fromUtf8(c.says);
        const QString severity = c.severity == Severity::Error ? "Error: " : "Warning: ";
        const auto sound = looks();

        c.make(fx);
        auto expected = sound;
        if (c.field) {
            Look &tinted = expected[c.field];
            tinted.base =
                c.severity == Severity::Error ? FindingsView::ErrorTint : FindingsView::WarningTint;
            tinted.tip = fx.child<QWidget>(c.field)->toolTip();
            const QString tip = plain(tinted.tip);
            QVERIFY2(tip.startsWith(severity) && tip.contains(says), qPrintable(tip));
        }
        QCOMPARE(looks(), expected); // that field alone, nothing else
        QCOMPARE(markedSlots(), (c.slot >= 0 ? QList<int>{c.slot, 3} : QList<int>{3}));
        // The flow's readout lists every note; a gauge input's own readout its own.
        QVERIFY2(tooltipOverReadout(3).contains(severity + says),
                 qPrintable(view().readoutToolTip(3)));
        if (c.slot >= 0)
            QVERIFY(tooltipOverReadout(c.slot).contains(says));
        for (int slot = 0; slot < 3; ++slot)
            if (slot != c.slot)
                QVERIFY(view().readoutToolTip(slot).isEmpty());

        // The next sound calculation gives every look back.
        c.undo(fx);
        QCOMPARE(looks(), sound);
        QVERIFY(markedSlots().isEmpty());
        QVERIFY(view().readoutToolTip(3).isEmpty());
    }

    void messagesUseTheLocalesDecimalSeparator()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        fx.pick("ComboPlate", "0.0625");
        QVERIFY(plain(fx.child<QComboBox>("ComboPlate")->toolTip())
                    .contains("diameter ratio 0,0302371 (bore 0,0625 in, meter 2,067 in) is "
                              "outside 0,15 to 0,70"));
    }

    void failedStepGreysExactlyItsBoxes_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QStringList>("greyed");
        // A meter of 0 fails the Reynolds number step (and intermediate ones); a flowing
        // temperature of absolute zero fails the flowing temperature factor's step.
        QTest::newRow("meter 0") << 0 << QStringList{"txtFr"};
        QTest::newRow("flowing temperature -460 degF") << 1 << QStringList{"txtFTf"};
    }
    void failedStepGreysExactlyItsBoxes()
    {
        QFETCH(int, which);
        QFETCH(QStringList, greyed);
        const auto sound = looks();
        QMap<QString, QString> values;
        for (const char *name : kFactorBoxes)
            values[name] = fx.text(name);

        if (which == 0) {
            fx.child<QComboBox>("ComboMeter")->setEditText("0");
            fx.child("txtElev")->setText("300.0"); // a trigger
            // The bore now exceeds the meter: the message stays as it always was.
            QCOMPARE(fx.dialogs.messages.size(), 1);
            QCOMPARE(fx.dialogs.messages[0].text, QString("Error, Plate > Meter!"));
            QCOMPARE(fx.dialogs.messages[0].title, QString("Error"));
        } else {
            fx.setNeedle(0, -460);
            emit fx.gauge()->GaugeChange();
        }

        QStringList shownGrey;
        for (const char *name : kFactorBoxes) {
            QLineEdit *box = fx.child(name);
            // Greyed: its text well lighter than before, on the same background.
            const QPalette pal = box->palette();
            const bool isGrey =
                pal.color(QPalette::Text).lightness() > sound[name].text.lightness() + 60 &&
                pal.color(QPalette::Text).lightness() < pal.color(QPalette::Base).lightness() &&
                pal.color(QPalette::Base) == sound[name].base &&
                box->toolTip() == "not computed: value kept from the previous calculation";
            if (isGrey) {
                shownGrey << name;
                QCOMPARE(box->text(), values[name]); // the kept value stays
            } else {
                QCOMPARE(box->palette().color(QPalette::Text), sound[name].text);
                QVERIFY(box->toolTip().isEmpty());
            }
        }
        QCOMPARE(shownGrey, greyed);

        // The sheet says so too.
        const QString sheet = fx.window->sheetCommands().sheet().plainText();
        const QString name = CalculationSheet::longName(fx.child(greyed[0].toLatin1().constData()));
        QVERIFY(sheet.contains(name + '\t' + values[greyed[0]] +
                               "\t\tnot computed: value kept from the previous calculation\n"));

        // The next sound calculation clears it.
        if (which == 0) {
            fx.pick("ComboMeter", "2.067");
        } else {
            fx.setNeedle(0, 55);
            emit fx.gauge()->GaugeChange();
        }
        QCOMPARE(looks(), sound);
    }
};

QTEST_MAIN(FindingsTest)
#include "test_findings.moc"
