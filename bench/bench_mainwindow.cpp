#include "keymapimgclass.h"
#include "mainwindow.h"
#include "mainwindowform.h"

#include <QAction>
#include <QApplication>
#include <QProcess>
#include <QUndoStack>
#include <benchmark/benchmark.h>

namespace {
void fillLayout(KeyMapImgClass& m)
{
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r) {
            TKeyMap map;
            map.count = 5;
            for (int j = 0; j < 5; ++j)
                map.pairs[j].code = uint8_t(4 + (c + r + j) % 100);
            m.setKeyMap(c, r, map);
            for (int l = 0; l < LabelLines; ++l) {
                m.setBtnName(c, r, l, l == 2 ? QString("Ввод") : QString("Shift"));
                m.setBtnNamePos(c, r, l, 0, -24 + 12 * l);
                m.setBtnNameSize(c, r, l, uint8_t(8 + l));
                m.setFontStyle(c, r, l, TFontStyle(l % 4));
                m.setVertName(c, r, l, l == 4);
            }
        }
}

void BM_refreshAllBtns_layoutView(benchmark::State& state)
{
    MainWindow w;
    fillLayout(*w.model());
    w.form()->ShowBtnLabels->trigger();
    for (auto _ : state)
        w.refreshAllBtns();
}
BENCHMARK(BM_refreshAllBtns_layoutView)->Unit(benchmark::kMillisecond);

void BM_refreshAllBtns_scanCodeView(benchmark::State& state)
{
    MainWindow w;
    fillLayout(*w.model());
    w.form()->ShowScancodes->trigger();
    for (auto _ : state)
        w.refreshAllBtns();
}
BENCHMARK(BM_refreshAllBtns_scanCodeView)->Unit(benchmark::kMillisecond);

// Undo and redo of a step of one key (a cleared key), and of the whole layout (all 78
// keys, as a read-back gives), in the layout view: each redraws the keys it changes.
void undoRedo(benchmark::State& state, bool wholeLayout)
{
    MainWindow w;
    fillLayout(*w.model());
    w.form()->ShowBtnLabels->trigger();
    if (wholeLayout) {
        w.model()->makeImage();
        QMetaObject::invokeMethod(&w, "rxmsg", Q_ARG(QString, "KEYMAPREADOK"));
    } else {
        w.keyButton(4, 2)->setFocus();
        w.editAction(MainWindow::Clear)->trigger();
    }
    if (w.undoHistory()->count() != 1) {
        state.SkipWithError("no step was recorded");
        return;
    }
    for (auto _ : state) {
        w.undoHistory()->undo();
        w.undoHistory()->redo();
    }
}
void BM_undoRedo_oneKey(benchmark::State& state) { undoRedo(state, false); }
void BM_undoRedo_wholeLayout(benchmark::State& state) { undoRedo(state, true); }
BENCHMARK(BM_undoRedo_oneKey)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_undoRedo_wholeLayout)->Unit(benchmark::kMillisecond);

// Whole process: start, build and show the window, quit.
void BM_startup_process(benchmark::State& state)
{
    for (auto _ : state) {
        if (QProcess::execute(QStringLiteral(STARTUP_PROBE), {}) < 0) {
            state.SkipWithError("cannot start the probe");
            return;
        }
    }
}
BENCHMARK(BM_startup_process)->Unit(benchmark::kMillisecond)->Iterations(15)->Repetitions(3)->ReportAggregatesOnly(true);
}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
