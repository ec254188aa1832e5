#include "PosixFileSystem.h"

#include "Text.h"

#include <QUtf8StringView>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>

namespace varnex {

QString nativeSeparator() {
    return QStringLiteral("/");
}

namespace {

constexpr char16_t EscapeBase = 0xDC00;
constexpr char16_t FirstEscape = 0xDC80;
constexpr char16_t LastEscape = 0xDCFF;

// Owns one open file descriptor.
class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release() { return std::exchange(fd_, -1); }

private:
    void reset() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    int fd_;
};

void appendUtf8(QByteArray& out, char32_t cp) {
    if (cp < 0x80) {
        out.append(char(cp));
    } else if (cp < 0x800) {
        out.append(char(0xC0 | (cp >> 6)));
        out.append(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.append(char(0xE0 | (cp >> 12)));
        out.append(char(0x80 | ((cp >> 6) & 0x3F)));
        out.append(char(0x80 | (cp & 0x3F)));
    } else {
        out.append(char(0xF0 | (cp >> 18)));
        out.append(char(0x80 | ((cp >> 12) & 0x3F)));
        out.append(char(0x80 | ((cp >> 6) & 0x3F)));
        out.append(char(0x80 | (cp & 0x3F)));
    }
}

// The length of the valid UTF-8 sequence at p[0..n), with its code point; 0 when the bytes
// there are not valid UTF-8 (bad lead or continuation byte, overlong form, surrogate, or a
// code point beyond U+10FFFF).
int utf8SequenceAt(const uchar* p, qsizetype n, char32_t& cp) {
    const uchar lead = p[0];
    int length = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (n < length)
        return 0;
    for (int k = 1; k < length; ++k) {
        if ((p[k] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[k] & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return length;
}

bool isAscii(QByteArrayView bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
}

// Whether `name` can be one entry of a folder: not empty, not "." or "..", no "/" and no NUL.
// With `allowEscapes` false it must also hold no lone surrogate, so that it is plain UTF-8.
bool isEntryName(const QString& name, bool allowEscapes) {
    const qsizetype n = name.size();
    const QChar* units = name.constData();
    if (n == 0 || (units[0] == u'.' && (n == 1 || (n == 2 && units[1] == u'.'))))
        return false;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = units[i].unicode();
        // Nearly every character lies above "/" and below the surrogates: one comparison.
        if (char16_t(u - u'0') < char16_t(0xD800 - u'0'))
            continue;
        if (u == u'/' || u == 0)
            return false;
        if (!QChar::isSurrogate(u))
            continue;
        if (QChar::isHighSurrogate(u) && i + 1 < n && units[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (!allowEscapes)
            return false;
    }
    return true;
}

// The bytes of a path for a system call; nullopt when the path is empty, cannot be encoded or
// holds a NUL (which would silently cut the path short).
std::optional<QByteArray> pathBytes(const QString& path) {
    if (path.isEmpty())
        return std::nullopt;
    QByteArray bytes = encodeFileName(path);
    if (bytes.isEmpty() || bytes.contains('\0'))
        return std::nullopt;
    return bytes;
}

// The last component of a path, ignoring trailing separators.
QStringView lastComponent(const QString& path) {
    QStringView view(path);
    while (view.size() > 1 && view.endsWith(u'/'))
        view.chop(1);
    const qsizetype slash = view.lastIndexOf(u'/');
    return slash < 0 ? view : view.sliced(slash + 1);
}

quint32 attributesOf(const struct stat& st, bool hidden) {
    quint32 result = 0;
    if ((st.st_mode & S_IWUSR) == 0)
        result |= attr::ReadOnly;
    if (hidden)
        result |= attr::Hidden;
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))
        result |= attr::System;
    if (S_ISDIR(st.st_mode))
        result |= attr::Folder;
    return result;
}

bool sameInode(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Renames a plain file by linking it under the new name (which fails when that name is taken)
// and then removing the old name. 0 or the errno of the failing step.
//
// The old name is removed only while it still names the file just linked: a file another
// program has put under that name meanwhile is not touched. When the old name names another
// file, or its removal fails, the new link is taken back, so that the file keeps exactly one
// name and the failure is what the caller reports. The new link stays only when it has become
// the file's one name (another program took the old name away), and that counts as renamed.
int linkThenUnlink(RenameCalls& sys, int dirfd, const char* from, const char* to) {
    struct stat st;
    if (sys.stat(dirfd, from, st) != 0)
        return errno;
    if (!S_ISREG(st.st_mode))
        return EINVAL;
    if (sys.link(dirfd, from, to) != 0)
        return errno;
    // The file actually linked, whatever stood under the old name at that moment.
    struct stat linked;
    if (sys.stat(dirfd, to, linked) != 0)
        return errno;

    int err = 0;
    struct stat now;
    if (sys.stat(dirfd, from, now) != 0)
        err = errno;
    else if (!sameInode(now, linked))
        err = EBUSY; // another file stands under the old name now
    else if (sys.unlink(dirfd, from) == 0)
        return 0;
    else
        err = errno;

    struct stat again;
    if (sys.stat(dirfd, to, again) == 0 && sameInode(again, linked)) {
        if (again.st_nlink <= 1)
            return 0; // the new name is the file's only name: it has been renamed
        sys.unlink(dirfd, to);
    }
    return err;
}

// The bytes of `name` on disk into `bytes`, whose storage is used again when the name is plain
// ASCII, as nearly every name is. False, with `bytes` empty, when the name stands for no bytes.
bool encodeFileNameInto(const QString& name, QByteArray& bytes) {
    if (!isPlainAscii(name)) {
        bytes = encodeFileName(name);
        return !bytes.isEmpty();
    }
    bytes.resize(name.size());
    copyPlainAscii(name, bytes.data());
    return !bytes.isEmpty();
}

// Moves `from` to `to` without replacing anything: renameat2 with RENAME_NOREPLACE, or link and
// unlink where the file system refuses the flag. 0 or an errno.
int moveNoReplace(RenameCalls& sys, int dirfd, const char* from, const char* to) {
    if (sys.renameNoReplace(dirfd, from, to) == 0)
        return 0;
    int err = errno;
    if (err == EINVAL || err == ENOSYS) {
        const int linkErr = linkThenUnlink(sys, dirfd, from, to);
        if (linkErr == 0)
            return 0;
        // EPERM/EOPNOTSUPP: no hard links here either; the first answer says more.
        if (linkErr != EPERM && linkErr != EOPNOTSUPP)
            err = linkErr;
    }
    return err;
}

// Whether `from` and `to` are one and the same directory entry, reached through two spellings
// of its name (a case-only change on a file system that ignores case). Two hard links share an
// inode too, so a file with more than one link never counts.
bool isSameEntry(RenameCalls& sys, int dirfd, const char* from, const char* to) {
    struct stat a;
    struct stat b;
    if (sys.stat(dirfd, from, a) != 0 || sys.stat(dirfd, to, b) != 0)
        return false;
    return sameInode(a, b) && (S_ISDIR(a.st_mode) || a.st_nlink == 1);
}

// A change of letter case only, on a file system that ignores case: `from` moves to a unique
// temporary name in the same folder, then to `to`, each step without replacing anything; should
// the second step fail, the file goes back to `from`. 0 or the errno of the failing step.
int renameThroughTemporary(RenameCalls& sys, int dirfd, const QByteArray& prefix, const char* from,
                           const char* to) {
    static quint64 counter = 0;
    QByteArray temporary;
    int err = EEXIST;
    for (int attempt = 0; attempt < 100 && err == EEXIST; ++attempt) {
        temporary = prefix + ".varnex-" + QByteArray::number(qint64(::getpid())) + '-' +
                    QByteArray::number(++counter) + ".tmp";
        err = moveNoReplace(sys, dirfd, from, temporary.constData());
    }
    if (err != 0)
        return err;
    err = moveNoReplace(sys, dirfd, temporary.constData(), to);
    if (err != 0)
        moveNoReplace(sys, dirfd, temporary.constData(), from);
    return err;
}

// `prefix` followed by a name, as the NUL-terminated bytes a system call takes. The bytes lie
// in the object itself when they fit, as they do for a plain ASCII name under a short prefix, so
// spelling the two names of a rename usually allocates nothing; `bytes` of a name encoded
// already are used as they are when there is no prefix.
class SpelledName {
public:
    SpelledName(const QByteArray& prefix, const QString& name) {
        if (prefix.size() + name.size() < qsizetype(sizeof inline_) && isPlainAscii(name)) {
            char* at = std::copy(prefix.cbegin(), prefix.cend(), inline_);
            *copyPlainAscii(name, at) = '\0';
            data_ = inline_;
        } else {
            heap_ = prefix + name.toUtf8();
            data_ = heap_.constData();
        }
    }
    SpelledName(const QByteArray& prefix, const QByteArray& bytes) {
        if (prefix.isEmpty()) {
            data_ = bytes.constData();
        } else {
            heap_ = prefix + bytes;
            data_ = heap_.constData();
        }
    }
    SpelledName(const SpelledName&) = delete;
    SpelledName& operator=(const SpelledName&) = delete;

    const char* c_str() const { return data_; }

private:
    char inline_[512];
    QByteArray heap_;
    const char* data_ = nullptr;
};

// What a reading of a file's status told: its kind and which file it is.
struct FileStatus {
    mode_t mode = 0;
    quint64 number = 0;
};

// Renames `prefix` + `oldName` to `prefix` + `newName`, relative to `dirfd`, never replacing an
// existing file; `renamed` receives the status of the file renamed. `known`, when given, is the
// file's status as it was read a moment ago; `oldBytes`, when given, the bytes of `oldName` as
// they were encoded for that reading.
FsError renameWithin(RenameCalls& sys, int dirfd, const QByteArray& prefix, const QString& oldName,
                     const QString& newName, FileStatus& renamed, const FileStatus* known = nullptr,
                     const QByteArray* oldBytes = nullptr) {
    // A name holding an escaped byte may stand for a name that differs on disk; such a rename
    // is refused before it can touch the wrong file.
    if (!isEntryName(oldName, false) || !isEntryName(newName, false))
        return fsError(fserr::BadFileName);

    const SpelledName from =
        oldBytes ? SpelledName(prefix, *oldBytes) : SpelledName(prefix, oldName);
    // Only files are renamed. A list entry can name a folder (its file was replaced by one),
    // and renameat2 would rename that folder like any file.
    if (known) {
        renamed = *known;
    } else {
        struct stat st;
        if (sys.stat(dirfd, from.c_str(), st) != 0)
            return fsErrorFromErrno(errno);
        renamed = {st.st_mode, quint64(st.st_ino)};
    }
    if (S_ISDIR(renamed.mode))
        return fsErrorFromErrno(EISDIR);
    if (oldName == newName)
        return FsError::success();

    const SpelledName to(prefix, newName);
    int err = moveNoReplace(sys, dirfd, from.c_str(), to.c_str());
    if (err == EEXIST && QString::compare(oldName, newName, Qt::CaseInsensitive) == 0 &&
        isSameEntry(sys, dirfd, from.c_str(), to.c_str())) {
        // The new name is the file's own name in other letter case. Never a replacing rename:
        // another program may put a file under the new name at any moment.
        err = renameThroughTemporary(sys, dirfd, prefix, from.c_str(), to.c_str());
    }
    return err == 0 ? FsError::success() : fsErrorFromErrno(err);
}

FolderIdentity identityOf(const struct stat& st) {
    return {quint64(st.st_dev), quint64(st.st_ino)};
}

// The folders opened below one top folder, by device and inode. A folder can show up twice in
// one tree (bind-mounted inside itself, or mounted at two places); it is opened only the first
// time, so that no walk meets the same files twice.
using OpenedFolders = std::set<std::pair<dev_t, ino_t>>;

class PosixFolder final : public Folder {
public:
    PosixFolder(UniqueFd fd, QString path, std::shared_ptr<OpenedFolders> opened,
                FolderIdentity identity, RenameCalls& calls)
        : fd_(std::move(fd)), path_(std::move(path)), opened_(std::move(opened)),
          identity_(identity), calls_(calls) {}

    QString path() const override { return path_; }
    FolderIdentity identity() const override { return identity_; }

    std::optional<QList<FolderEntry>> entries() override {
        QList<FolderEntry> result;
        const bool read = readEntries({}, [&](const char* name, unsigned char) {
            struct stat st;
            const quint32 attributes = ::fstatat(fd_.get(), name, &st, AT_SYMLINK_NOFOLLOW) == 0
                                           ? attributesOf(st, name[0] == '.')
                                           : attr::Invalid;
            result.append(FolderEntry{decodeFileName(QByteArrayView(name)), attributes});
            return result.size();
        });
        return read ? std::optional(std::move(result)) : std::nullopt;
    }

    std::optional<FolderListing> entryKinds(const ListingPause& pause) override {
        FolderListing listing;
        const bool read = readEntries(pause, [&](const char* name, unsigned char type) {
            quint32 kind = 0;
            if (type == DT_DIR) {
                kind = attr::Folder;
            } else if (type == DT_UNKNOWN) {
                // The file system does not tell kinds in its listing: ask for this entry.
                struct stat st;
                kind = ::fstatat(fd_.get(), name, &st, AT_SYMLINK_NOFOLLOW) != 0 ? attr::Invalid
                       : S_ISDIR(st.st_mode)                                     ? attr::Folder
                                                                                 : 0;
            }
            const QByteArrayView bytes(name);
            if (isAscii(bytes))
                listing.append(QLatin1StringView(bytes), kind);
            else
                listing.append(decodeFileName(bytes), kind);
            return listing.size();
        });
        return read ? std::optional(std::move(listing)) : std::nullopt;
    }

    quint32 entryAttributes(const QString& name, quint32 listed) override {
        static_cast<void>(listed);
        queried_.valid = false;
        queried_.status.number = 0;
        // The bytes go straight into those of the last query: no allocation for a name that
        // fits them, and the rename that follows uses them as they are.
        QByteArray& bytes = queried_.bytes;
        if (!isEntryName(name, true) || !encodeFileNameInto(name, bytes))
            return attr::Invalid;
        struct stat st;
        if (::fstatat(fd_.get(), bytes.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return attr::Invalid;
        queried_.name = name;
        queried_.status = {st.st_mode, quint64(st.st_ino)};
        queried_.valid = true;
        return attributesOf(st, bytes.startsWith('.'));
    }

    std::unique_ptr<Folder> openSubFolder(const QString& name) override {
        if (!isEntryName(name, true))
            return nullptr;
        const QByteArray bytes = encodeFileName(name);
        if (bytes.isEmpty())
            return nullptr;
        UniqueFd sub(::openat(fd_.get(), bytes.constData(),
                              O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat st;
        if (!sub.valid() || ::fstat(sub.get(), &st) != 0 ||
            !opened_->insert({st.st_dev, st.st_ino}).second)
            return nullptr;
        return std::make_unique<PosixFolder>(std::move(sub), path_ % name % u'/', opened_,
                                             identityOf(st), calls_);
    }

    FsError rename(const QString& oldName, const QString& newName) override {
        // The walk asks for a file's attributes right before renaming it: that answer already
        // tells whether the entry is a folder. It serves this one rename only.
        const bool known = queried_.valid && queried_.name == oldName;
        queried_.valid = false;
        FileStatus renamed;
        const FsError error =
            renameWithin(calls_, fd_.get(), QByteArray(), oldName, newName, renamed,
                         known ? &queried_.status : nullptr, known ? &queried_.bytes : nullptr);
        queried_.status.number = error.ok() ? renamed.number : 0;
        return error;
    }

    quint64 lastFileNumber() const override { return queried_.status.number; }

    RenameRefusal renameRefusal() override {
        // Renaming an entry searches the folder, then writes it, as the effective user.
        using Step = RenameRefusal::Step;
        if (::faccessat(fd_.get(), ".", X_OK, AT_EACCESS) != 0 && errno == EACCES)
            return {Step::BeforeLookup, fsErrorFromErrno(EACCES)};
        // A read-only mount refuses before any permission is looked at.
        struct statvfs fs;
        if (::fstatvfs(fd_.get(), &fs) == 0 && (fs.f_flag & ST_RDONLY))
            return {Step::BeforeNewName, fsErrorFromErrno(EROFS)};
        if (::faccessat(fd_.get(), ".", W_OK, AT_EACCESS) == 0)
            return {};
        // Anything else (a sandbox that refuses the question itself answers EPERM) tells
        // nothing about the renames.
        const int err = errno;
        return err == EROFS    ? RenameRefusal{Step::BeforeNewName, fsErrorFromErrno(err)}
               : err == EACCES ? RenameRefusal{Step::AfterNewName, fsErrorFromErrno(err)}
                               : RenameRefusal{};
    }

private:
    // How many entries are read between two calls of a listing's pause.
    static constexpr qsizetype PauseEvery = 2048;

    // Hands every entry but "." and ".." to `take(name, d_type)`, which answers how many it
    // holds so far; every entry is read before the caller acts on any of them. False when the
    // folder cannot be read.
    template <typename Take> bool readEntries(const ListingPause& pause, Take take) {
        // A duplicate descriptor shares the read position, so the listing is rewound first.
        UniqueFd listFd(::fcntl(fd_.get(), F_DUPFD_CLOEXEC, 0));
        if (!listFd.valid())
            return false;
        DIR* dir = ::fdopendir(listFd.get());
        if (dir == nullptr)
            return false;
        static_cast<void>(listFd.release());
        ::rewinddir(dir);

        for (;;) {
            // errno is cleared before every read, so neither a failed query nor the events run
            // by `pause` can make the end of the listing look like a failure.
            errno = 0;
            const dirent* entry = ::readdir(dir);
            if (entry == nullptr)
                break;
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            if (take(name, entry->d_type) % PauseEvery == 0 && pause)
                pause();
        }
        const int readErr = errno;
        ::closedir(dir);
        return readErr == 0;
    }

    // The answer of the last entryAttributes(), for the rename that may follow it (`valid`);
    // its file number stays for lastFileNumber() until the next query or rename.
    struct Queried {
        QString name;
        QByteArray bytes;
        FileStatus status;
        bool valid = false;
    };

    UniqueFd fd_;
    QString path_;
    std::shared_ptr<OpenedFolders> opened_;
    FolderIdentity identity_;
    RenameCalls& calls_;
    Queried queried_;
};

} // namespace

int RenameCalls::renameNoReplace(int dirfd, const char* from, const char* to) {
#ifdef RENAME_NOREPLACE
    return ::renameat2(dirfd, from, dirfd, to, RENAME_NOREPLACE);
#elif defined(SYS_renameat2)
    constexpr unsigned int noReplace = 1; // RENAME_NOREPLACE of the kernel interface
    return static_cast<int>(::syscall(SYS_renameat2, dirfd, from, dirfd, to, noReplace));
#else
    errno = ENOSYS;
    return -1;
#endif
}

int RenameCalls::link(int dirfd, const char* from, const char* to) {
    return ::linkat(dirfd, from, dirfd, to, 0);
}

int RenameCalls::unlink(int dirfd, const char* name) {
    return ::unlinkat(dirfd, name, 0);
}

int RenameCalls::stat(int dirfd, const char* name, struct ::stat& st) {
    return ::fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW);
}

RenameCalls& RenameCalls::system() {
    static RenameCalls calls;
    return calls;
}

QString decodeFileName(QByteArrayView bytes) {
    // Most names are plain ASCII, which reads the same as Latin-1 and converts fastest.
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    // QString::fromUtf8 drops a leading byte order mark, which is part of a file's name.
    if (!bytes.startsWith("\xEF\xBB\xBF") && QUtf8StringView(bytes).isValidUtf8())
        return QString::fromUtf8(bytes);

    QString out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        if (p[i] < 0x80) {
            out.append(QChar(char16_t(p[i])));
            ++i;
            continue;
        }
        char32_t cp = 0;
        const int length = utf8SequenceAt(p + i, n - i, cp);
        if (length == 0) {
            out.append(QChar(char16_t(EscapeBase + p[i])));
            ++i;
            continue;
        }
        if (QChar::requiresSurrogates(cp)) {
            out.append(QChar(QChar::highSurrogate(cp)));
            out.append(QChar(QChar::lowSurrogate(cp)));
        } else {
            out.append(QChar(char16_t(cp)));
        }
        i += length;
    }
    return out;
}

QByteArray encodeFileName(const QString& name) {
    bool escaped = false;
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = name.at(i);
        if (!c.isSurrogate())
            continue;
        if (c.isHighSurrogate() && i + 1 < n && name.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.unicode() < FirstEscape || c.unicode() > LastEscape)
            return QByteArray();
        escaped = true;
    }
    if (!escaped)
        return name.toUtf8();

    QByteArray out;
    out.reserve(n * 3);
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = name.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && name.at(i + 1).isLowSurrogate()) {
            appendUtf8(out, QChar::surrogateToUcs4(c, name.at(i + 1).unicode()));
            ++i;
        } else if (c >= FirstEscape && c <= LastEscape) {
            out.append(char(c - EscapeBase));
        } else {
            appendUtf8(out, c);
        }
    }
    // Escaped bytes that line up into valid UTF-8 would name a different file than the text
    // says; only text that decodeFileName itself produces is encoded.
    if (decodeFileName(out) != name)
        return QByteArray();
    return out;
}

FsError renameByLink(int dirfd, const QByteArray& oldName, const QByteArray& newName,
                     RenameCalls& calls) {
    if (oldName.isEmpty() || newName.isEmpty() || oldName.contains('\0') || newName.contains('\0'))
        return fsError(fserr::BadFileName);
    const int err = linkThenUnlink(calls, dirfd, oldName.constData(), newName.constData());
    return err == 0 ? FsError::success() : fsErrorFromErrno(err);
}

std::unique_ptr<Folder> PosixFileSystem::openFolder(const QString& path) {
    const std::optional<QByteArray> bytes = pathBytes(path);
    if (!bytes)
        return nullptr;
    UniqueFd fd(::openat(AT_FDCWD, bytes->constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0)
        return nullptr;
    auto opened = std::make_shared<OpenedFolders>();
    opened->insert({st.st_dev, st.st_ino});
    return std::make_unique<PosixFolder>(std::move(fd), path.endsWith(u'/') ? path : path % u'/',
                                         std::move(opened), identityOf(st), calls_);
}

FolderIdentity PosixFileSystem::folderIdentity(const QString& path) {
    const std::optional<QByteArray> bytes = pathBytes(path);
    struct stat st;
    if (!bytes || ::stat(bytes->constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return FolderIdentity::none();
    return identityOf(st);
}

FsError PosixFileSystem::renameInFolder(const QString& folderPath, const QString& oldName,
                                        const QString& newName) {
    // An empty folder must not turn into the current folder.
    if (folderPath.isEmpty())
        return fsError(fserr::PathNotFound);
    std::optional<QByteArray> prefix = pathBytes(folderPath);
    if (!prefix)
        return fsError(fserr::BadFileName);
    if (!prefix->endsWith('/'))
        prefix->append('/');
    FileStatus renamed;
    return renameWithin(calls_, AT_FDCWD, *prefix, oldName, newName, renamed);
}

quint32 PosixFileSystem::attributes(const QString& path) {
    const std::optional<QByteArray> bytes = pathBytes(path);
    struct stat st;
    if (!bytes || ::fstatat(AT_FDCWD, bytes->constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return attr::Invalid;
    return attributesOf(st, lastComponent(path).startsWith(u'.'));
}

bool PosixFileSystem::isPlainFile(const QString& path) {
    const std::optional<QByteArray> bytes = pathBytes(path);
    struct stat st;
    if (!bytes || ::fstatat(AT_FDCWD, bytes->constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        lastComponent(path).startsWith(u'.'))
        return false;
    // A symbolic link to a file is taken like the file, as the folder walk takes it; a rename
    // renames the link. A link to a folder, to something special or to nothing is skipped.
    if (S_ISLNK(st.st_mode) && ::fstatat(AT_FDCWD, bytes->constData(), &st, 0) != 0)
        return false;
    return S_ISREG(st.st_mode);
}

} // namespace varnex
