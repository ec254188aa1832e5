#pragma once

// What the benchmark scenarios share: trees of empty files in the run's temporary folder, the
// bare system-call loops the program is measured against, clocks, memory figures and the one
// output format that scripts read.

#include <QString>
#include <chrono>
#include <string>
#include <vector>

namespace varnex::bench {

using Clock = std::chrono::steady_clock;

// Seconds between two moments of the steady clock.
double secondsBetween(Clock::time_point from, Clock::time_point to);

// The processor time the calling thread has used so far, in seconds: in the program itself
// (user) and in the kernel on its behalf (system). A run's user time is the part of its cost the
// program controls; the kernel's part of a rename moves from run to run with the state of the
// file system's caches. `waiting` is the time the thread was ready to run but had no processor
// (the kernel's own threads, say, busy with what an earlier scenario left behind).
struct CpuTime {
    double user = 0;
    double system = 0;
    double waiting = 0;
    CpuTime operator-(const CpuTime& earlier) const {
        return {user - earlier.user, system - earlier.system, waiting - earlier.waiting};
    }
    // "processor: <user> s user, <system> s system, <waiting> s waiting for one", for the notes.
    std::string summary() const;
};
CpuTime threadCpuTime();

// Prints "BENCH <name> <value> <unit>" on standard output, flushed at once.
void printFigure(const char* name, double value, const char* unit);

// The name of the i-th file of a tree: "file_0000042.txt". All trees use the same names, so
// two trees made with the same count are identical.
std::string fileName(long i);

// Creates `folder` (which must not exist) holding `count` empty files.
void makeFlatTree(const std::string& folder, long count);

// Creates `folder` holding `count` empty files spread evenly over count / 100 leaf folders three
// levels below it ("a/b/c"); the folders above the leaves hold no files. Returns the number of
// folders below `folder`.
long makeDeepTree(const std::string& folder, long count);

// The number of files in `folder` (not below it) whose name begins with `prefix`.
long countFilesWithPrefix(const std::string& folder, const std::string& prefix);
// The number of files anywhere below `folder` whose name contains `text`.
long countFilesContaining(const std::string& folder, const std::string& text);

// The bare loops, each the least a program must do for the job with the same no-replace rename
// (renameat2 with RENAME_NOREPLACE) the program uses. They return the number of files renamed.
//
// Lists `folder`, reads each file's attributes (fstatat) and renames every file in it to
// `prefix` + name, in the order the listing gives.
long baselinePrependFlat(const std::string& folder, const std::string& prefix);
// Lists `folder` and walks its sub-folders depth first, renaming every file whose name holds
// `find` to the name with every occurrence of `find` replaced by `replace`.
long baselineReplaceTree(const std::string& folder, const std::string& find,
                         const std::string& replace);
// Renames every path of the list to the path with `suffix` placed before the extension.
long baselinePostpendList(const std::vector<std::string>& paths, const std::string& suffix);
// The same, as the program does it: the paths of one folder through one opened handle to it,
// each checked to be a file (fstatat) right before its rename relative to that handle.
long baselinePostpendListInFolders(const std::vector<std::string>& paths,
                                   const std::string& suffix);

// Lists `folder` and keeps each entry's name and kind, as a start-up showing the folder must;
// returns the number of entries. Nothing is sorted or shown.
long baselineListFolder(const std::string& folder);
// The full paths of the files of a flat tree, in name order.
std::vector<std::string> flatTreePaths(const std::string& folder, long count);

// Writes the file system's pending changes to disk, so that a timed run does not share the disk
// with the write-back of the tree made just before it.
void flushFileSystem(const std::string& folder);

// The peak resident memory of this process since it started or since resetPeakResident, in MB
// (VmHWM).
double peakResidentMegabytes();
// Starts the peak above over from the memory the process holds now, so that what the benchmark
// itself held before (a baseline's path list) is not counted.
void resetPeakResident();

// The median of the values (the lower middle one for an even count).
double median(std::vector<double> values);

// Profiling of the timed parts only: when VARNEX_BENCH_PERF_CTL names the control FIFO of
// `perf record --control fifo:...`, these tell perf to start and stop sampling.
void profileStart();
void profileStop();

// Fails the benchmark with a message on standard error.
[[noreturn]] void fail(const std::string& message);

// Runs a shell command line and returns its wall-clock seconds; fails when it exits non-zero.
double timeShellCommand(const std::string& commandLine);

// Quotes a path for a POSIX shell command line.
std::string shellQuote(const std::string& text);

// As a QString, for the window.
QString qs(const std::string& text);

} // namespace varnex::bench
