// One recalculation with the repaint it causes, at the size the gauge benchmark uses.
#include "Dialogs.h"
#include "frmBrisko.h"

#include <AGauge.h>
#include <benchmark/benchmark.h>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace {

// The real window on a scratch store (never the user's own), loaded and shown.
struct Window
{
    QTemporaryDir store;
    QtDialogs dialogs;
    std::unique_ptr<frmBrisko> window;
    AGauge *gauge = nullptr;
    double difference = 4.9;

    explicit Window(QSize size = {})
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(store.path()));
        window = std::make_unique<frmBrisko>(dialogs);
        window->Form_Load();
        if (size.isValid())
            window->resize(size);
        window->show();
        QApplication::processEvents();
        gauge = window->findChild<AGauge *>("AGauge");
    }

    // A new differential, as a drag step gives it, and the recalculation it runs.
    void dragStep()
    {
        difference = difference == 4.9 ? 5.1 : 4.9;
        gauge->setNeedleIndex(2);
        gauge->setNeedleValue(difference);
        window->UpdateFlowNeedle();
    }
};

void BM_UpdateFlowNeedleWithRepaint(benchmark::State &state)
{
    Window w({1280 + 156, 960}); // the gauge itself 1280 x 960
    for (auto _ : state) {
        w.dragStep();
        w.window->repaint(); // what the event loop paints
    }
}
BENCHMARK(BM_UpdateFlowNeedleWithRepaint)->Unit(benchmark::kMicrosecond);

// One recalculation alone, as each step of a drag runs it: with nothing to show, and with a
// bore far below the method's range, so that the window shows a finding on every run.
void BM_UpdateFlowNeedle(benchmark::State &state)
{
    Window w;
    if (state.range(0))
        w.window->findChild<QComboBox *>("ComboPlate")->setEditText("0.0625");
    for (auto _ : state)
        w.dragStep();
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
