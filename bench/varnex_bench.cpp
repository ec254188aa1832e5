// The benchmark scenarios. Each runs through the real window, offscreen, on fresh trees in the
// work folder that bench/run.sh made, and prints its figures as "BENCH <name> <value> <unit>".
//
//   varnex_bench <scenario> <work folder>
//
//   varnex_bench scenarios            (prints the scenario names, one a line)
//
// Scenarios: folder_flat (against floor_with_stat, a bare readdir + fstatat + renameat2 loop;
// with button_press, the time from a mouse press on Rename until the summary box shows; the
// yield figures, the share of sorting the folder, the cost of the journal, the undo of the run
// and the peers), folder_tree, files_mode (with its peak memory, and files_mode_floor, the same
// renames grouped by folder with the stat, for comparison), add_paths, startup (with its
// longest gap, and startup_listing, a bare listing of the folder alone), preview. The file count
// comes from VARNEX_BENCH_N (default 100000); VARNEX_BENCH_REPEAT (default 1) repeats every
// measurement on fresh trees and prints the median (of a ratio: the median of each run's ratio, the
// two taken on identical trees). VARNEX_BENCH_PEER_RENAME and VARNEX_BENCH_PEER_MMV name the peer
// programs to time.

#include "BenchSupport.h"
#include "WindowHarness.h"
#include "engine/RunJournal.h"
#include "platform/NameOrder.h"
#include "platform/PosixFileSystem.h"
#include "platform/Text.h"
#include "selection/FileList.h"
#include "selection/PreviewRunner.h"
#include "window/Controls.h"
#include "window/MenuBar.h"
#include "window/ProgramIcon.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

using namespace varnex;
using namespace varnex::bench;

namespace {

struct Config {
    std::string work;    // the run's temporary folder
    std::string program; // an empty folder that stands for the program's folder
    long n = 100000;
    int repeats = 1;
};

long envNumber(const char* name, long fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0')
        return fallback;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*end != '\0' || value < 1)
        fail(std::string(name) + " must be a positive whole number");
    return value;
}

std::string envText(const char* name) {
    const char* text = std::getenv(name);
    return text == nullptr ? std::string() : std::string(text);
}

void makeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) != 0)
        fail("cannot create " + path);
}

QString finishedHead(long n) {
    return QStringLiteral("Finished renaming ") % QString::number(n) % QStringLiteral(" file");
}

void expectCount(long found, long expected, const char* what) {
    if (found != expected)
        fail(std::string(what) + ": " + std::to_string(found) + " files where " +
             std::to_string(expected) + " were expected");
}

// Prints the median of the runs' values, and every run's value as a note.
void printMedian(const char* name, const std::vector<double>& values, const char* unit) {
    printFigure(name, median(values), unit);
    if (values.size() > 1) {
        std::fprintf(stderr, "note: %s runs:", name);
        for (const double value : values)
            std::fprintf(stderr, " %.3f", value);
        std::fprintf(stderr, "\n");
    }
}

// Each run's `of` divided by its `by`: a ratio of two measurements made on identical trees.
std::vector<double> ratios(const std::vector<double>& of, const std::vector<double>& by) {
    std::vector<double> result;
    for (size_t i = 0; i < of.size() && i < by.size(); ++i)
        result.push_back(of[i] / by[i]);
    return result;
}

// Times a bare loop on a fresh tree.
template <typename Loop> double timeBaseline(const std::string& folder, long expected, Loop loop) {
    flushFileSystem(folder);
    const CpuTime cpuStart = threadCpuTime();
    const Clock::time_point start = Clock::now();
    const long renamed = loop();
    const Clock::time_point end = Clock::now();
    const CpuTime cpu = threadCpuTime() - cpuStart;
    expectCount(renamed, expected, "the baseline renamed");
    std::fprintf(stderr, "note: baseline of %.3f s (%s)\n", secondsBetween(start, end),
                 cpu.summary().c_str());
    return secondsBetween(start, end);
}

// Prepend "x_" on a flat tree, in folder mode; without its journal when `journal` is false.
BenchWindow::Run prependInWindow(const Config& c, const std::string& folder, int sliceMs,
                                 bool journal = true) {
    BenchWindow bench(qs(c.program), sliceMs);
    frmVarnex& w = bench.load();
    if (!journal)
        w.engine().setObserver(nullptr);
    w.setOptionMember(OptionArray::TypeOfRename, 1, true);
    w.txtPrepend->setText(QStringLiteral("x_"));
    w.setChosenFolder(qs(folder));
    bench.waitIdle();
    flushFileSystem(folder);
    const BenchWindow::Run run = bench.pressRename(finishedHead(c.n));
    expectCount(countFilesWithPrefix(folder, "x_"), c.n, "Varnex renamed");
    return run;
}

// Edit > Undo of the newest journal, which renamed `folder` with prependInWindow(), in a window
// started afresh on that folder; the seconds from the command to its summary.
double undoInWindow(const Config& c, const std::string& folder) {
    BenchWindow bench(qs(c.program), 15);
    frmVarnex& w = bench.load();
    w.setChosenFolder(qs(folder));
    bench.waitIdle();
    // The Undo item is set when the window's own reading of the journal comes in.
    while (!w.menus()->undo->isEnabled())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    flushFileSystem(folder);
    bench.box.messages.clear();
    const CpuTime cpuStart = threadCpuTime();
    const Clock::time_point start = Clock::now();
    w.undoLastRun();
    const Clock::time_point end = Clock::now();
    const CpuTime cpu = threadCpuTime() - cpuStart;
    std::fprintf(stderr, "note: undo of %.3f s (%s)\n", secondsBetween(start, end),
                 cpu.summary().c_str());
    const QString expected = QStringLiteral("Undid ");
    if (bench.box.messages.size() != 1 || !bench.box.messages.first().text.startsWith(expected))
        fail("the undo did not end with its summary");
    expectCount(countFilesWithPrefix(folder, "x_"), 0, "files left renamed by the undo");
    return secondsBetween(start, end);
}

// The journal's own cost for a run of `n` renames in `folder`: every record written and its
// outcome stored as the run does it, and the flush at the end; nothing is renamed.
double timeJournal(const Config& c, const std::string& folder) {
    const QString path = qs(folder) + u'/';
    QStringList oldNames, newNames;
    for (long i = 0; i < c.n; ++i) {
        oldNames.append(qs(fileName(i)));
        newNames.append(u"x_" + oldNames.back());
    }
    PosixFileSystem fs;
    const FolderIdentity identity = fs.folderIdentity(path);
    RunJournal journal(qs(c.work + "/journal-cost"));
    const Clock::time_point start = Clock::now();
    journal.beginRun();
    for (long i = 0; i < c.n; ++i) {
        journal.aboutToRename(identity, path, oldNames.at(i), newNames.at(i));
        journal.renamed(path, oldNames.at(i), newNames.at(i), quint64(i + 1));
    }
    journal.endRun();
    const Clock::time_point end = Clock::now();
    if (!journal.failure().isEmpty())
        fail("the journal could not be written: " + journal.failure().toStdString());
    return secondsBetween(start, end);
}

// The walk's share of sorting one folder of the run: the folder read as the walk reads it, its
// names put in order as the walk does it (in steps, with a pause between them).
double timeWalkSort(const std::string& folder) {
    PosixFileSystem fs;
    const std::unique_ptr<Folder> open = fs.openFolder(qs(folder));
    std::optional<FolderListing> entries = open ? open->entryKinds({}) : std::nullopt;
    if (!entries)
        fail("cannot list " + folder);
    const Clock::time_point start = Clock::now();
    const QList<qsizetype> order = nameOrder(
        entries->size(), [&](qsizetype i) { return entries->name(i); }, [] {});
    const Clock::time_point end = Clock::now();
    expectCount(order.size(), entries->size(), "sorted names");
    return secondsBetween(start, end);
}

void folderFlat(const Config& c) {
    std::vector<double> baseline, varnex, press, gap, each, eachGap, cost, rename, renameRatio, mmv,
        mmvRatio, sort, sortShare, bare, journalCost, undo, undoRatio;
    const std::string peerRename = envText("VARNEX_BENCH_PEER_RENAME");
    const std::string peerMmv = envText("VARNEX_BENCH_PEER_MMV");
    for (int r = 0; r < c.repeats; ++r) {
        const std::string dir = c.work + "/flat" + std::to_string(r);
        makeFolder(dir);

        const std::string base = dir + "/baseline";
        makeFlatTree(base, c.n);
        baseline.push_back(
            timeBaseline(base, c.n, [&] { return baselinePrependFlat(base, "x_"); }));

        const std::string sliced = dir + "/varnex";
        makeFlatTree(sliced, c.n);
        const BenchWindow::Run run = prependInWindow(c, sliced, 15);
        varnex.push_back(run.seconds);
        press.push_back(run.toSummary);
        gap.push_back(run.maxGapMs);
        sort.push_back(timeWalkSort(sliced));
        sortShare.push_back(100.0 * sort.back() / run.seconds);

        // The same run without its journal; then the journaled run undone.
        const std::string unjournaled = dir + "/nojournal";
        makeFlatTree(unjournaled, c.n);
        bare.push_back(prependInWindow(c, unjournaled, 15, false).seconds);
        journalCost.push_back(100.0 * timeJournal(c, sliced) / run.seconds);
        undo.push_back(undoInWindow(c, sliced));
        undoRatio.push_back(undo.back() / run.seconds);

        // The same run with events processed after every single file.
        const std::string perFile = dir + "/each";
        makeFlatTree(perFile, c.n);
        const BenchWindow::Run eachRun = prependInWindow(c, perFile, 0);
        each.push_back(eachRun.seconds);
        eachGap.push_back(eachRun.maxGapMs);
        cost.push_back(eachRun.seconds / run.seconds);

        if (!peerRename.empty()) {
            const std::string peer = dir + "/rename";
            makeFlatTree(peer, c.n);
            flushFileSystem(peer);
            const double s = timeShellCommand("cd " + shellQuote(peer) +
                                              " && find . -maxdepth 1 -type f -printf '%f\\0' | " +
                                              shellQuote(peerRename) + " -0 's/^/x_/'");
            expectCount(countFilesWithPrefix(peer, "x_"), c.n, "rename renamed");
            rename.push_back(s);
            renameRatio.push_back(s / run.seconds);
        }
        if (!peerMmv.empty()) {
            const std::string peer = dir + "/mmv";
            makeFlatTree(peer, c.n);
            flushFileSystem(peer);
            const double s = timeShellCommand("cd " + shellQuote(peer) + " && " +
                                              shellQuote(peerMmv) + " -r -p '*' 'x_#1' </dev/null");
            expectCount(countFilesWithPrefix(peer, "x_"), c.n, "mmv renamed");
            mmv.push_back(s);
            mmvRatio.push_back(s / run.seconds);
        }
    }
    printMedian("floor_with_stat", baseline, "s");
    printMedian("folder_flat", varnex, "s");
    printMedian("folder_flat_ratio", ratios(varnex, baseline), "x");
    printMedian("button_press", press, "s");
    printMedian("button_press_ratio", ratios(press, baseline), "x");
    printFigure("folder_flat_rate", double(c.n) / median(varnex), "files/s");
    printMedian("max_yield_gap", gap, "ms");
    printMedian("folder_flat_sort", sort, "s");
    printMedian("folder_flat_sort_share", sortShare, "%");
    printMedian("folder_flat_no_journal", bare, "s");
    printMedian("journal_overhead", journalCost, "%");
    printMedian("undo_flat", undo, "s");
    printMedian("undo_ratio", undoRatio, "x");
    printMedian("folder_flat_yield_each_file", each, "s");
    printMedian("max_yield_gap_yield_each_file", eachGap, "ms");
    printMedian("yield_each_file_cost", cost, "x");
    if (!rename.empty()) {
        printMedian("peer_rename", rename, "s");
        printMedian("peer_rename_ratio", renameRatio, "x");
    }
    if (!mmv.empty()) {
        printMedian("peer_mmv", mmv, "s");
        printMedian("peer_mmv_ratio", mmvRatio, "x");
    }
}

void folderTree(const Config& c) {
    std::vector<double> baseline, varnex, gap;
    for (int r = 0; r < c.repeats; ++r) {
        const std::string dir = c.work + "/tree" + std::to_string(r);
        makeFolder(dir);

        const std::string base = dir + "/baseline";
        makeDeepTree(base, c.n);
        baseline.push_back(
            timeBaseline(base, c.n, [&] { return baselineReplaceTree(base, "file_", "item_"); }));

        const std::string folder = dir + "/varnex";
        const long folders = makeDeepTree(folder, c.n);
        BenchWindow bench(qs(c.program));
        frmVarnex& w = bench.load();
        w.setOptionMember(OptionArray::TypeOfRename, 0, true);
        w.txtFind->setText(QStringLiteral("file_"));
        w.txtReplace->setText(QStringLiteral("item_"));
        w.chkRecursive->setCheckState(Qt::Checked);
        w.setChosenFolder(qs(folder));
        bench.waitIdle();
        flushFileSystem(folder);
        const BenchWindow::Run run =
            bench.pressRename(finishedHead(c.n) % QStringLiteral("s.\r\rFolders searched: ") %
                              QString::number(folders + 1) % u'\r');
        expectCount(countFilesContaining(folder, "item_"), c.n, "Varnex renamed");
        varnex.push_back(run.seconds);
        gap.push_back(run.maxGapMs);
    }
    printMedian("folder_tree_baseline", baseline, "s");
    printMedian("folder_tree", varnex, "s");
    printMedian("folder_tree_ratio", ratios(varnex, baseline), "x");
    printMedian("max_yield_gap_folder_tree", gap, "ms");
}

// The full paths of the files of a flat tree, in name order, as the Open dialog hands them over:
// each built once, at its length. (Two QStrings joined with `%` would each keep a block of the
// next power of two, and the list keeps the dialog's texts.)
QStringList flatTreeQPaths(const std::string& folder, long count) {
    QStringList list;
    list.reserve(qsizetype(count));
    const QString prefix = qs(folder) % u'/';
    for (long i = 0; i < count; ++i)
        list.append(joined(prefix, qs(fileName(i))));
    return list;
}

void filesMode(const Config& c) {
    std::vector<double> baseline, floor, varnex, gap;
    double peak = 0;
    for (int r = 0; r < c.repeats; ++r) {
        const std::string dir = c.work + "/files" + std::to_string(r);
        makeFolder(dir);

        const std::string base = dir + "/baseline";
        makeFlatTree(base, c.n);
        {
            const std::vector<std::string> paths = flatTreePaths(base, c.n);
            baseline.push_back(
                timeBaseline(base, c.n, [&] { return baselinePostpendList(paths, "_v2"); }));
        }
        // For comparison only: the target is set against the loop above.
        const std::string grouped = dir + "/floor";
        makeFlatTree(grouped, c.n);
        {
            const std::vector<std::string> paths = flatTreePaths(grouped, c.n);
            floor.push_back(timeBaseline(
                grouped, c.n, [&] { return baselinePostpendListInFolders(paths, "_v2"); }));
        }

        const std::string folder = dir + "/varnex";
        makeFlatTree(folder, c.n);
        // The peak of the window, its list and its run; not of the baseline above nor of the
        // count of the results below.
        resetPeakResident();
        BenchWindow bench(qs(c.program));
        frmVarnex& w = bench.load();
        w.setOptionMember(OptionArray::FolderFile, 1, true);
        w.setOptionMember(OptionArray::TypeOfRename, 2, true);
        w.txtPostpend->setText(QStringLiteral("_v2"));
        w.setOptionMember(OptionArray::PostpendPosition, 0, true);
        bench.openDialog.paths = flatTreeQPaths(folder, c.n);
        w.cmdOpen->click();
        bench.openDialog.paths.clear();
        expectCount(w.fileList().model().count(), c.n, "the list holds");
        bench.waitIdle();
        flushFileSystem(folder);
        const BenchWindow::Run run = bench.pressRename(finishedHead(c.n));
        peak = std::max(peak, peakResidentMegabytes());
        expectCount(countFilesContaining(folder, "_v2.txt"), c.n, "Varnex renamed");
        varnex.push_back(run.seconds);
        gap.push_back(run.maxGapMs);
    }
    printMedian("files_mode_baseline", baseline, "s");
    printMedian("files_mode", varnex, "s");
    printMedian("files_mode_ratio", ratios(varnex, baseline), "x");
    printMedian("files_mode_floor", floor, "s");
    printMedian("files_mode_floor_ratio", ratios(varnex, floor), "x");
    printMedian("max_yield_gap_files_mode", gap, "ms");
    printFigure("peak_rss_files_mode", peak, "MB");
}

void addPaths(const Config& c) {
    std::vector<double> seconds, gap;
    for (int r = 0; r < c.repeats; ++r) {
        const std::string folder = c.work + "/add" + std::to_string(r) + "/";
        QStringList first;
        QStringList second;
        first.reserve(c.n);
        second.reserve(c.n);
        long added = 0;
        for (long i = 0; i < c.n; ++i) {
            first.append(qs(folder + fileName(i)));
            // Every other path is one of the list's in other letter case; the rest are new.
            if (i % 2 == 0) {
                second.append(qs(folder) % qs(fileName(i)).toUpper());
            } else {
                second.append(qs(folder + fileName(c.n + i)));
                ++added;
            }
        }

        BenchWindow bench(qs(c.program));
        frmVarnex& w = bench.load();
        w.setOptionMember(OptionArray::FolderFile, 1, true);
        bench.openDialog.paths = first;
        w.cmdOpen->click();
        expectCount(w.fileList().model().count(), c.n, "the list holds");
        bench.openDialog.paths = second;
        bench.waitIdle();

        YieldGapMeter meter;
        meter.start();
        profileStart();
        const Clock::time_point start = Clock::now();
        w.cmdOpen->click();
        const Clock::time_point end = Clock::now();
        profileStop();
        meter.stop(end);
        expectCount(w.fileList().model().count(), c.n + added, "the list holds");
        std::fprintf(stderr, "note: adding paths, %s\n", meter.summary().c_str());
        seconds.push_back(secondsBetween(start, end));
        gap.push_back(meter.maxGapMs());
    }
    printMedian("add_paths", seconds, "s");
    printMedian("max_yield_gap_add_paths", gap, "ms");
}

// The preview pane over a flat folder of N files, after its first reading of the folder: from a
// keystroke in the Prepend box to the first rows shown, and to the whole preview with its
// summary, with the longest time the window went without processing its events meanwhile.
void preview(const Config& c) {
    std::vector<double> first, full, gap;
    for (int r = 0; r < c.repeats; ++r) {
        const std::string folder = c.work + "/preview" + std::to_string(r);
        makeFlatTree(folder, c.n);
        BenchWindow bench(qs(c.program));
        frmVarnex& w = bench.load();
        w.setOptionMember(OptionArray::TypeOfRename, 1, true);
        w.txtPrepend->setText(QStringLiteral("x"));
        w.setChosenFolder(qs(folder));
        PreviewRunner& runner = w.previewRunner();
        bool done = false, rows = false;
        QObject::connect(&runner, &PreviewRunner::finished, [&] { done = true; });
        QObject::connect(&runner, &PreviewRunner::firstRows, [&] { rows = true; });
        w.setPreviewShown(true);
        while (!done || runner.busy())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        bench.waitIdle();

        done = rows = false;
        Clock::time_point shown{};
        YieldGapMeter meter;
        meter.start();
        const Clock::time_point start = Clock::now();
        QTest::keyClick(w.txtPrepend, Qt::Key_Y);
        while (!done) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (rows && shown == Clock::time_point{})
                shown = Clock::now();
        }
        const Clock::time_point end = Clock::now();
        meter.stop(end);
        expectCount(runner.model().rowCount(), c.n, "the preview lists");
        first.push_back(secondsBetween(start, shown) * 1000.0);
        full.push_back(secondsBetween(start, end));
        gap.push_back(meter.maxGapMs());
        std::fprintf(stderr, "note: preview, %s\n", meter.summary().c_str());
    }
    printMedian("preview_first_rows", first, "ms");
    printMedian("preview_full", full, "s");
    printMedian("max_yield_gap_preview", gap, "ms");
}

// One start-up in this process: prints "SECONDS <value> GAP <longest gap in ms>". The window is
// made and waited for inside a running event loop, as the program's window lives in one.
void startupOnce(const Config& c, const std::string& folder, long expectedFiles) {
    BenchWindow bench(qs(c.program));
    bench.settings.setStored(QStringLiteral("Path"), qs(folder));
    YieldGapMeter meter;
    QEventLoop loop;
    Clock::time_point start, end;
    CpuTime cpu;
    QTimer::singleShot(0, [&] {
        meter.start();
        profileStart();
        const CpuTime cpuStart = threadCpuTime();
        start = Clock::now();
        bench.load();
        bench.waitIdle(meter.timer());
        end = Clock::now();
        cpu = threadCpuTime() - cpuStart;
        profileStop();
        meter.stop(end);
        loop.quit();
    });
    loop.exec();
    frmVarnex& w = bench.window();
    expectCount(w.File1->model()->rowCount(), expectedFiles, "the folder preview shows");
    if (w.lblFolder->text() != qs(folder))
        fail("the stored folder was not shown");
    std::fprintf(stderr, "note: start-up of %.3f s (main thread's %s), %s\n",
                 secondsBetween(start, end), cpu.summary().c_str(), meter.summary().c_str());
    std::printf("SECONDS %.6f GAP %.3f\n", secondsBetween(start, end), meter.maxGapMs());
}

// Runs one start-up in a fresh process, so that each pays the same first-window costs; its
// seconds and its longest gap between two passes of the event loop.
std::pair<double, double> startupInChild(const std::string& folder, long expectedFiles,
                                         const Config& c) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(
        QCoreApplication::applicationFilePath(),
        {QStringLiteral("startup_once"), qs(c.work), qs(folder), QString::number(expectedFiles)});
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0)
        fail("a start-up failed");
    const QStringList out = QString::fromUtf8(child.readAllStandardOutput()).trimmed().split(u' ');
    if (out.size() != 4 || out.at(0) != QStringLiteral("SECONDS"))
        fail("a start-up printed no time");
    return {out.at(1).toDouble(), out.at(3).toDouble()};
}

void startup(const Config& c) {
    std::vector<double> full, empty, ratio, gap, listing, listingRatio;
    for (int r = 0; r < c.repeats; ++r) {
        const std::string dir = c.work + "/startup" + std::to_string(r);
        makeFolder(dir);
        const std::string emptyFolder = dir + "/empty";
        makeFolder(emptyFolder);
        const std::string fullFolder = dir + "/full";
        makeFlatTree(fullFolder, c.n);
        flushFileSystem(dir);
        empty.push_back(startupInChild(emptyFolder, 0, c).first);
        const auto [seconds, gapMs] = startupInChild(fullFolder, c.n, c);
        full.push_back(seconds);
        gap.push_back(gapMs);
        ratio.push_back(full.back() / empty.back());
        // The least a start-up with the folder must do besides making the window: list it.
        const Clock::time_point listStart = Clock::now();
        expectCount(baselineListFolder(fullFolder), c.n, "the bare listing found");
        listing.push_back(secondsBetween(listStart, Clock::now()));
        listingRatio.push_back(listing.back() / empty.back());
    }
    printMedian("startup_empty", empty, "s");
    printMedian("startup", full, "s");
    printMedian("startup_ratio", ratio, "x");
    printMedian("max_yield_gap_startup", gap, "ms");
    printMedian("startup_listing", listing, "s");
    printMedian("startup_listing_ratio", listingRatio, "x");
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // As the program does before it makes its window (QIcon::addFile decodes each size as it
    // is added), so that the window does not decode the icon again while it is made.
    QApplication::setWindowIcon(programIcon());
    if (argc == 2 && std::string(argv[1]) == "scenarios") {
        for (const char* name :
             {"folder_flat", "folder_tree", "files_mode", "add_paths", "startup", "preview"})
            std::printf("%s\n", name);
        return 0;
    }
    if (argc < 3)
        fail("usage: varnex_bench <folder_flat|folder_tree|files_mode|add_paths|startup|preview> "
             "<work "
             "folder>");
    Config c;
    c.work = argv[2];
    c.program = c.work + "/program";
    c.n = envNumber("VARNEX_BENCH_N", 100000);
    c.repeats = int(envNumber("VARNEX_BENCH_REPEAT", 1));
    struct stat st;
    if (::stat(c.program.c_str(), &st) != 0)
        makeFolder(c.program);

    const std::string scenario = argv[1];
    if (scenario == "folder_flat")
        folderFlat(c);
    else if (scenario == "folder_tree")
        folderTree(c);
    else if (scenario == "files_mode")
        filesMode(c);
    else if (scenario == "add_paths")
        addPaths(c);
    else if (scenario == "startup")
        startup(c);
    else if (scenario == "preview")
        preview(c);
    else if (scenario == "startup_once" && argc == 5)
        startupOnce(c, argv[3], std::strtol(argv[4], nullptr, 10));
    else
        fail("unknown scenario " + scenario);
    return 0;
}
