// One recalculation with the repaint it causes, at the size the gauge benchmark uses.
#include "Dialogs.h"
#include "frmBrisko.h"

#include <AGauge.h>
#include <benchmark/benchmark.h>
#include <QApplication>
#include <QFile>
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
