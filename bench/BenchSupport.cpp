#include "BenchSupport.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace varnex::bench {

namespace {

// Owns one open folder descriptor.
struct FolderFd {
    int fd = -1;
    explicit FolderFd(int value) : fd(value) {}
    FolderFd(const FolderFd&) = delete;
    FolderFd& operator=(const FolderFd&) = delete;
    ~FolderFd() {
        if (fd >= 0)
            ::close(fd);
    }
};

int openFolderAt(int parent, const std::string& name) {
    const int fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        fail("cannot open folder " + name + ": " + std::strerror(errno));
    return fd;
}

void makeFolderAt(int parent, const std::string& name) {
    if (::mkdirat(parent, name.c_str(), 0755) != 0)
        fail("cannot create folder " + name + ": " + std::strerror(errno));
}

void makeFilesAt(int folder, long first, long last) {
    for (long i = first; i < last; ++i) {
        const int fd =
            ::openat(folder, fileName(i).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            fail("cannot create file " + fileName(i) + ": " + std::strerror(errno));
        ::close(fd);
    }
}

// "a12": a folder of the given level of a deep tree.
std::string levelName(char level, long index) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%c%ld", level, index);
    return buffer;
}

struct Listed {
    std::string name;
    bool folder;
};

// Every entry of the open folder but "." and "..", with whether it is a folder.
std::vector<Listed> listFolder(int fd) {
    const int listFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    DIR* dir = listFd < 0 ? nullptr : ::fdopendir(listFd);
    if (dir == nullptr)
        fail(std::string("cannot list a folder: ") + std::strerror(errno));
    std::vector<Listed> entries;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        bool folder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st;
            folder = ::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        }
        entries.push_back({name, folder});
    }
    ::closedir(dir);
    return entries;
}

bool renameNoReplace(int fromFd, const char* from, int toFd, const char* to) {
    return ::renameat2(fromFd, from, toFd, to, RENAME_NOREPLACE) == 0;
}

std::string replaceAll(const std::string& text, const std::string& find,
                       const std::string& replace) {
    std::string out;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(find, from)) != std::string::npos; from = at + find.size())
        out.append(text, from, at - from).append(replace);
    return out.append(text, from, std::string::npos);
}

long replaceInFolder(int fd, const std::string& find, const std::string& replace) {
    long renamed = 0;
    std::vector<std::string> subFolders;
    for (const Listed& entry : listFolder(fd)) {
        if (entry.folder) {
            subFolders.push_back(entry.name);
            continue;
        }
        if (entry.name.find(find) == std::string::npos)
            continue;
        const std::string to = replaceAll(entry.name, find, replace);
        if (renameNoReplace(fd, entry.name.c_str(), fd, to.c_str()))
            ++renamed;
    }
    for (const std::string& name : subFolders) {
        const FolderFd sub(openFolderAt(fd, name));
        renamed += replaceInFolder(sub.fd, find, replace);
    }
    return renamed;
}

long countIn(int fd, const std::string& text, bool prefixOnly, bool below) {
    long count = 0;
    for (const Listed& entry : listFolder(fd)) {
        if (entry.folder) {
            if (below) {
                const FolderFd sub(openFolderAt(fd, entry.name));
                count += countIn(sub.fd, text, prefixOnly, below);
            }
            continue;
        }
        const std::size_t at = entry.name.find(text);
        if (prefixOnly ? at == 0 : at != std::string::npos)
            ++count;
    }
    return count;
}

} // namespace

double secondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

CpuTime threadCpuTime() {
    struct rusage usage {};
    ::getrusage(RUSAGE_THREAD, &usage);
    const auto seconds = [](const timeval& t) {
        return double(t.tv_sec) + t.tv_usec / 1e6;
    };
    // The second number of the thread's scheduler statistics: nanoseconds spent waiting on a
    // run queue. Zero where the kernel does not keep them.
    double waiting = 0;
    std::ifstream schedule("/proc/thread-self/schedstat");
    unsigned long long running = 0, waitingNs = 0;
    if (schedule >> running >> waitingNs)
        waiting = double(waitingNs) / 1e9;
    return {seconds(usage.ru_utime), seconds(usage.ru_stime), waiting};
}

std::string CpuTime::summary() const {
    char text[120];
    std::snprintf(text, sizeof text,
                  "processor: %.3f s user, %.3f s system, %.3f s waiting for one", user, system,
                  waiting);
    return text;
}

void printFigure(const char* name, double value, const char* unit) {
    const bool coarse = std::strcmp(unit, "files/s") == 0;
    std::printf("BENCH %s %.*f %s\n", name, coarse ? 0 : 3, value, unit);
    std::fflush(stdout);
}

std::string fileName(long i) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "file_%07ld.txt", i);
    return buffer;
}

void makeFlatTree(const std::string& folder, long count) {
    makeFolderAt(AT_FDCWD, folder);
    const FolderFd fd(openFolderAt(AT_FDCWD, folder));
    makeFilesAt(fd.fd, 0, count);
}

long makeDeepTree(const std::string& folder, long count) {
    makeFolderAt(AT_FDCWD, folder);
    const FolderFd top(openFolderAt(AT_FDCWD, folder));
    const long leaves = std::max(1L, count / 100);
    long side = 1;
    while (side * side * side < leaves)
        ++side;
    long folders = 0;
    for (long leaf = 0; leaf < leaves; ++leaf) {
        const std::string a = levelName('a', leaf / (side * side));
        const std::string b = levelName('b', (leaf / side) % side);
        const std::string c = levelName('c', leaf % side);
        // Folders are made in order, so a new "a" or "b" shows as a zero index below it.
        if (leaf % (side * side) == 0) {
            makeFolderAt(top.fd, a);
            ++folders;
        }
        const FolderFd aFd(openFolderAt(top.fd, a));
        if (leaf % side == 0) {
            makeFolderAt(aFd.fd, b);
            ++folders;
        }
        const FolderFd bFd(openFolderAt(aFd.fd, b));
        makeFolderAt(bFd.fd, c);
        ++folders;
        const FolderFd cFd(openFolderAt(bFd.fd, c));
        makeFilesAt(cFd.fd, leaf * count / leaves, (leaf + 1) * count / leaves);
    }
    return folders;
}

long countFilesWithPrefix(const std::string& folder, const std::string& prefix) {
    const FolderFd fd(openFolderAt(AT_FDCWD, folder));
    return countIn(fd.fd, prefix, true, false);
}

long countFilesContaining(const std::string& folder, const std::string& text) {
    const FolderFd fd(openFolderAt(AT_FDCWD, folder));
    return countIn(fd.fd, text, false, true);
}

long baselinePrependFlat(const std::string& folder, const std::string& prefix) {
    const FolderFd fd(openFolderAt(AT_FDCWD, folder));
    long renamed = 0;
    std::string to;
    for (const Listed& entry : listFolder(fd.fd)) {
        if (entry.folder)
            continue;
        // The one stat per file a renamer needs: the attribute filters read the file's mode.
        struct stat st;
        if (::fstatat(fd.fd, entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            S_ISDIR(st.st_mode))
            continue;
        to.assign(prefix).append(entry.name);
        if (renameNoReplace(fd.fd, entry.name.c_str(), fd.fd, to.c_str()))
            ++renamed;
    }
    return renamed;
}

long baselineReplaceTree(const std::string& folder, const std::string& find,
                         const std::string& replace) {
    const FolderFd fd(openFolderAt(AT_FDCWD, folder));
    return replaceInFolder(fd.fd, find, replace);
}

long baselineListFolder(const std::string& folder) {
    const FolderFd fd(openFolderAt(AT_FDCWD, folder));
    return long(listFolder(fd.fd).size());
}

namespace {

// `to` = `path` with `suffix` before the extension of its last component.
void assignWithSuffix(std::string& to, const std::string& path, const std::string& suffix) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    const std::size_t cut =
        dot != std::string::npos && (slash == std::string::npos || dot > slash) ? dot : path.size();
    to.assign(path, 0, cut).append(suffix).append(path, cut, std::string::npos);
}

} // namespace

long baselinePostpendList(const std::vector<std::string>& paths, const std::string& suffix) {
    long renamed = 0;
    std::string to;
    for (const std::string& path : paths) {
        assignWithSuffix(to, path, suffix);
        if (renameNoReplace(AT_FDCWD, path.c_str(), AT_FDCWD, to.c_str()))
            ++renamed;
    }
    return renamed;
}

long baselinePostpendListInFolders(const std::vector<std::string>& paths,
                                   const std::string& suffix) {
    long renamed = 0;
    std::string folder, name, to;
    std::optional<FolderFd> fd;
    for (const std::string& path : paths) {
        const std::size_t slash = path.rfind('/');
        if (slash == std::string::npos)
            fail("not a full path: " + path);
        if (!fd || path.compare(0, slash, folder) != 0) {
            folder.assign(path, 0, slash);
            fd.emplace(openFolderAt(AT_FDCWD, folder));
        }
        name.assign(path, slash + 1, std::string::npos);
        struct stat st;
        if (::fstatat(fd->fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        assignWithSuffix(to, name, suffix);
        if (renameNoReplace(fd->fd, name.c_str(), fd->fd, to.c_str()))
            ++renamed;
    }
    return renamed;
}

std::vector<std::string> flatTreePaths(const std::string& folder, long count) {
    std::vector<std::string> paths;
    paths.reserve(std::size_t(count));
    for (long i = 0; i < count; ++i)
        paths.push_back(folder + "/" + fileName(i));
    return paths;
}

void flushFileSystem(const std::string& folder) {
    const FolderFd fd(openFolderAt(AT_FDCWD, folder));
    ::syncfs(fd.fd);
}

double peakResidentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    }
    fail("no VmHWM in /proc/self/status");
}

void resetPeakResident() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    if (!clear.flush())
        fail("the peak memory could not be reset (/proc/self/clear_refs)");
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[(values.size() - 1) / 2];
}

namespace {

void tellProfiler(const char* command) {
    const char* fifo = std::getenv("VARNEX_BENCH_PERF_CTL");
    if (fifo == nullptr || *fifo == '\0')
        return;
    const int fd = ::open(fifo, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    const std::size_t length = std::strlen(command);
    if (::write(fd, command, length) != ssize_t(length))
        std::fprintf(stderr, "varnex_bench: the profiler did not take \"%s\"\n", command);
    ::close(fd);
}

} // namespace

void profileStart() {
    tellProfiler("enable\n");
}

void profileStop() {
    tellProfiler("disable\n");
}

void fail(const std::string& message) {
    std::fprintf(stderr, "varnex_bench: %s\n", message.c_str());
    std::exit(1);
}

double timeShellCommand(const std::string& commandLine) {
    const Clock::time_point start = Clock::now();
    const int status = std::system(commandLine.c_str());
    const Clock::time_point end = Clock::now();
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail("command failed: " + commandLine);
    return secondsBetween(start, end);
}

std::string shellQuote(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace varnex::bench
