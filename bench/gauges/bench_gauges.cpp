// One drag step of the AGauge control at 1280 x 960: a needle is set and the control painted.
// Also what a scale change and a new control's first paint cost.
// "Full" steps repaint the whole control synchronously (repaint()), so every needle, readout and,
// uncached, all of the artwork are drawn; "Mouse" steps are what the user's drag does: a mouse
// move turns the needle and the update it posts repaints only the changed region.
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "AGauge.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {
constexpr int Width = 1280, Height = 960;

// The control as the window lays it out at this size (fonts as the window sizes them), shown.
std::unique_ptr<AGauge> makeGauge(bool cached)
{
    auto gauge = std::make_unique<AGauge>();
    gauge->setArtworkCacheEnabled(cached);
    gauge->setGeometry(0, 0, Width, Height);
    const double area = double(Width) * Height;
    gauge->setFontIndex(1);
    gauge->setFontSize(std::min(area / 25000 + 5, 40.0));
    gauge->setFontIndex(0);
    gauge->setFontSize(area / 40000);
    gauge->setNeedleIndex(2);
    gauge->show();
    while (!gauge->windowHandle() || !gauge->windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    gauge->repaint(); // builds the cache outside the timing
    return gauge;
}

void fullStep(benchmark::State &state, bool cached)
{
    auto gauge = makeGauge(cached);
    int i = 0;
    for (auto _ : state) {
        gauge->setNeedleValue(2.0 + (i++ % 60) * 0.1); // Diff 0..10: a new angle every step
        gauge->repaint();
    }
    state.counters["artwork paints/step"] =
        benchmark::Counter(gauge->artworkPaintCount(), benchmark::Counter::kAvgIterations);
}

void BM_DragStep_Full_Cached(benchmark::State &state)
{
    fullStep(state, true);
}

void BM_DragStep_Full_Uncached(benchmark::State &state)
{
    fullStep(state, false);
}

void mouseStep(benchmark::State &state, bool cached)
{
    auto gauge = makeGauge(cached);
    const QRectF dial = gauge->dialRect(2);
    const double r = dial.width() * 0.3;
    auto send = [&](QEvent::Type type, double angle, Qt::MouseButton button,
                    Qt::MouseButtons buttons) {
        const double a = angle * M_PI / 180;
        const QPointF pos = dial.center() + QPointF(r * std::sin(a), -r * std::cos(a));
        QMouseEvent event(type, pos, gauge->mapToGlobal(pos), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(gauge.get(), &event);
    };
    send(QEvent::MouseButtonPress, 0, Qt::LeftButton, Qt::LeftButton);
    int i = 0;
    for (auto _ : state) {
        send(QEvent::MouseMove, -60 + (i++ % 120), Qt::NoButton, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(gauge->window(), QEvent::UpdateRequest);
    }
    send(QEvent::MouseButtonRelease, 0, Qt::LeftButton, Qt::NoButton);
    state.counters["artwork paints/step"] =
        benchmark::Counter(gauge->artworkPaintCount(), benchmark::Counter::kAvgIterations);
}

void BM_DragStep_Mouse_Cached(benchmark::State &state)
{
    mouseStep(state, true);
}

void BM_DragStep_Mouse_Uncached(benchmark::State &state)
{
    mouseStep(state, false);
}

// What a scale, caption or font change costs: the dial's artwork is drawn again.
void BM_ScaleChange_Cached(benchmark::State &state)
{
    auto gauge = makeGauge(true);
    gauge->setScaleIndex(2);
    int i = 0;
    for (auto _ : state) {
        gauge->setScaleEnd(AGauge::ScaleEnd::Max, 10 + (i++ % 2));
        gauge->repaint();
    }
}

// A new control's first paint at the size the window gives it at start-up (485 x 433 client
// area, fonts as the window sizes them): the whole artwork is built, then painted. Font engines
// stay loaded from one iteration to the next; the cold start is bench/app/startup.py's.
void BM_FirstPaint_StartupSize(benchmark::State &state)
{
    const QSize size(329, 433);
    const double area = 485.0 * 433;
    for (auto _ : state) {
        AGauge gauge;
        gauge.setGeometry(0, 0, size.width(), size.height());
        gauge.setFontIndex(1);
        gauge.setFontSize(area / 25000 + 5);
        gauge.setFontIndex(0);
        gauge.setFontSize(area / 40000);
        benchmark::DoNotOptimize(gauge.grab());
    }
}
} // namespace

BENCHMARK(BM_DragStep_Full_Cached)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_DragStep_Full_Uncached)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_DragStep_Mouse_Cached)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_DragStep_Mouse_Uncached)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ScaleChange_Cached)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_FirstPaint_StartupSize)->Unit(benchmark::kMicrosecond)->UseRealTime();

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
