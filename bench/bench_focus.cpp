#include "PacketGenerator.h"

#include "data/ClientDataSet.h"
#include "grid/cxGrid.h"
#include "grid/cxGridDBTableView.h"
#include "gridfilter/cxGridFilterPopup.h"
#include "gridfilter/cxGridTableFiltering.h"
#include "forms/main/Main.h"
#include "platform/ModulePath.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <memory>
#include <vector>

// One focus move in the real main window: the Down key in the drug list, the data set moving
// with it, and the detail panes showing the new record, painted. The window is shown on the
// offscreen platform; every figure is the time from the key press until the event queue is
// empty again (the panes' repaints included).

namespace {

constexpr int Moves = 400;

void settle()
{
    QCoreApplication::sendPostedEvents();
    QApplication::processEvents(QEventLoop::AllEvents);
}

double percentile(std::vector<double> sorted, double share)
{
    std::sort(sorted.begin(), sorted.end());
    const auto at = static_cast<std::size_t>(share * static_cast<double>(sorted.size() - 1));
    return sorted[at];
}

// A value of this process's /proc/self/status in KiB ("VmHWM", "VmRSS").
double statusKiB(const char *key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0) return std::stod(line.substr(prefix.size()));
    return 0;
}

// The main window shown with its data file open, or null (the error is set).
std::unique_ptr<TForm1> openWindow(benchmark::State &state)
{
    auto form = std::make_unique<TForm1>();
    form->show();
    settle();
    // Without the program's application object nothing tracks the focused form, so the
    // activation that checks and opens the data file is run here, as the first one would.
    form->Activate();
    for (int spin = 0; spin < 100 && !form->cds->Active(); ++spin)
        settle();
    if (!form->cds->Active()) {
        state.SkipWithError("the data set did not open");
        return nullptr;
    }
    return form;
}

void FocusMoveDown(benchmark::State &state)
{
    std::unique_ptr<TForm1> form = openWindow(state);
    if (!form) return;
    form->cxGrid2->setFocus();
    // From the list's first row, so that every move has a row below it.
    QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::ControlModifier);
    QApplication::sendEvent(form->cxGrid2, &home);
    settle();
    const int moves = std::min(Moves, form->cds->RecordCount() - 1);
    std::vector<double> times;
    int lastRecNo = form->cds->RecNo();
    int moved = 0;
    for (auto _ : state) {
        times.clear();
        for (int move = 0; move < moves; ++move) {
            const auto start = std::chrono::steady_clock::now();
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            QApplication::sendEvent(form->cxGrid2, &press);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier);
            QApplication::sendEvent(form->cxGrid2, &release);
            settle();
            const std::chrono::duration<double, std::milli> took =
                std::chrono::steady_clock::now() - start;
            times.push_back(took.count());
            moved += form->cds->RecNo() != lastRecNo;
            lastRecNo = form->cds->RecNo();
        }
    }
    if (moved < moves) state.SkipWithError("a Down key did not move the data set");
    state.counters["moves"] = static_cast<double>(times.size());
    state.counters["median_ms"] = percentile(times, 0.5);
    state.counters["p90_ms"] = percentile(times, 0.9);
    state.counters["max_ms"] = percentile(times, 1.0);
}

// The header's filter drop-down of the name column: from the mouse press on its button until
// it is shown and painted, then Esc; and what the first opening adds to the peak memory.
void DropDownOpen(benchmark::State &state)
{
    std::unique_ptr<TForm1> form = openWindow(state);
    if (!form) return;
    TcxGrid *grid = form->cxGrid2;
    const QPoint button = grid->cxGridDBTableView1->filterButtonRect(0).center();
    // The peak so far is forgotten, so that the one after the first opening is its own.
    std::ofstream("/proc/self/clear_refs") << "5";
    const double before = statusKiB("VmRSS");
    std::vector<double> times;
    int entries = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(button), grid->mapToGlobal(QPointF(button)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(grid, &press);
        TcxGridFilterPopup *popup = grid->findChild<TcxGridTableFiltering *>()->popup();
        if (!popup || !popup->isVisible()) {
            state.SkipWithError("no drop-down opened");
            return;
        }
        settle();
        // The list's rows are drawn once the paint events are through.
        popup->listBox()->repaint();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        times.push_back(took.count());
        entries = popup->valueList().Count();
        if (times.size() == 1) state.counters["peak_added_MiB"] = (statusKiB("VmHWM") - before) / 1024;
        if (times.size() == 1) {
            // Untimed: the width the list found is the widest text as the font measures it.
            const QFontMetrics metrics(popup->font());
            int widest = 0;
            for (int index = 0; index < popup->entryCount(); ++index)
                widest = std::max(widest, metrics.horizontalAdvance(popup->entryText(index)));
            std::shared_ptr<TcxGridFilterPopup::TAdvanceTable> advances;
            state.counters["width_checked"] =
                TcxGridFilterPopup::widestTextWidth(popup->font(), popup->valueList().items(),
                                                    advances) == widest;
        }
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(popup->listBox(), &escape);
        settle();
    }
    state.counters["entries"] = entries;
    state.counters["first_ms"] = times.front();
    state.counters["median_ms"] = percentile(times, 0.5);
    state.counters["file_MiB"] = static_cast<double>(form->cds->RecordCount()) > 0
                                     ? static_cast<double>(std::ifstream(form->cds->FileName(),
                                                                         std::ios::ate | std::ios::binary)
                                                               .tellg()) /
                                           1048576
                                     : 0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    std::uint32_t records = 100000;
    if (const char *count = std::getenv("TERVANA_BENCH_RECORDS")) records = std::stoul(count);
    // The window opens the data file beside the executable, after the size check of it.
    const std::string path = executableDirectory() + "YaoPin.XML";
    std::ofstream(path, std::ios::binary) << generateDrugPacket(records);
    std::printf("packet: %u records\n", records);

    benchmark::RegisterBenchmark("FocusMoveDown", FocusMoveDown)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("DropDownOpen", DropDownOpen)
        ->Iterations(7)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(path.c_str());
    return 0;
}
