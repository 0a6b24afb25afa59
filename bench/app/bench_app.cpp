// One recalculation with the repaint it causes, at the size the gauge benchmark uses.
#include "Dialogs.h"
#include "frmBrisko.h"

#include <AGauge.h>
#include <benchmark/benchmark.h>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

namespace {

void BM_UpdateFlowNeedleWithRepaint(benchmark::State &state)
{
    QTemporaryDir store;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(store.path())); // never the user's own store
    QtDialogs dialogs;
    frmBrisko window(dialogs);
    window.Form_Load();
    window.resize(1280 + 156, 960); // the gauge itself 1280 x 960
    window.show();
    QApplication::processEvents();
    auto *gauge = window.findChild<AGauge *>("AGauge");
    double difference = 4.9;
    for (auto _ : state) {
        // A new differential, as a drag step gives it, then what the event loop paints.
        difference = difference == 4.9 ? 5.1 : 4.9;
        gauge->setNeedleIndex(2);
        gauge->setNeedleValue(difference);
        window.UpdateFlowNeedle();
        window.repaint();
    }
}
BENCHMARK(BM_UpdateFlowNeedleWithRepaint)->Unit(benchmark::kMicrosecond);

// One recalculation alone, as each step of a drag runs it: with nothing to show, and with a
// bore far below the method's range, so that the window shows a finding on every run.
void BM_UpdateFlowNeedle(benchmark::State &state)
{
    QTemporaryDir store;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, store.path());
    QtDialogs dialogs;
    frmBrisko window(dialogs);
    window.Form_Load();
    window.show();
    if (state.range(0))
        window.findChild<QComboBox *>("ComboPlate")->setEditText("0.0625");
    auto *gauge = window.findChild<AGauge *>("AGauge");
    double difference = 4.9;
    for (auto _ : state) {
        difference = difference == 4.9 ? 5.1 : 4.9;
        gauge->setNeedleIndex(2);
        gauge->setNeedleValue(difference);
        window.UpdateFlowNeedle();
    }
}
BENCHMARK(BM_UpdateFlowNeedle)->ArgName("finding")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
