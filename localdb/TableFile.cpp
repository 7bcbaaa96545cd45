#include "localdb/TableFile.h"

#include "core/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvik {

namespace {

std::string SystemReason() {
    return std::strerror(errno);
}

// Extensions are ASCII where they matter (".db", ".DBF"); other bytes stay as they are.
std::string ToCase(std::string s, bool upper) {
    return upper ? UpperAscii(std::move(s)) : LowerAscii(std::move(s));
}

std::size_t ExtensionStart(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path.size();
    return dot;
}

} // namespace

void RaiseFileError(const std::string& path, const std::string& what) {
    throw EDatabaseError(path + ": " + what);
}

TFile::TFile(const std::string& path, TAccess access, const std::string& shownAs)
    : FPath(shownAs.empty() ? path : shownAs) {
    int flags = O_CLOEXEC;
    flags |= access == faRead ? O_RDONLY : O_RDWR;
    if (access == faCreate) flags |= O_CREAT | O_TRUNC | O_EXCL;
    FFd = ::open(path.c_str(), flags, 0644);
    if (FFd < 0) RaiseFileError(FPath, "cannot open file: " + SystemReason());
    FWritable = access != faRead;
    struct stat st {};
    if (::fstat(FFd, &st) == 0 && !S_ISREG(st.st_mode)) {
        Close();
        RaiseFileError(FPath, "not a regular file");
    }
}

TFile::TFile(TFile&& other) noexcept
    : FFd(other.FFd), FWritable(other.FWritable), FPath(std::move(other.FPath)) {
    other.FFd = -1;
}

TFile& TFile::operator=(TFile&& other) noexcept {
    if (this != &other) {
        Close();
        FFd = other.FFd;
        FWritable = other.FWritable;
        FPath = std::move(other.FPath);
        other.FFd = -1;
    }
    return *this;
}

TFile::~TFile() {
    Close();
}

void TFile::Close() noexcept {
    if (FFd >= 0) ::close(FFd);
    FFd = -1;
}

std::uint64_t TFile::Size() const {
    struct stat st {};
    if (::fstat(FFd, &st) != 0) RaiseFileError(FPath, "cannot read file size: " + SystemReason());
    return static_cast<std::uint64_t>(st.st_size);
}

void TFile::ReadAt(std::uint64_t offset, void* data, std::size_t size) const {
    auto* p = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = ::pread(FFd, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) RaiseFileError(FPath, "read failed: " + SystemReason());
        if (n == 0) RaiseFileError(FPath, "unexpected end of file (damaged table)");
        p += n;
        offset += static_cast<std::uint64_t>(n);
        size -= static_cast<std::size_t>(n);
    }
}

void TFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
    if (!FWritable) RaiseFileError(FPath, "the table is open read-only");
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(FFd, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            RaiseFileError(FPath, "write failed: " + (n < 0 ? SystemReason() : std::string("no space")));
        p += n;
        offset += static_cast<std::uint64_t>(n);
        size -= static_cast<std::size_t>(n);
    }
}

void TFile::Truncate(std::uint64_t size) {
    if (::ftruncate(FFd, static_cast<off_t>(size)) != 0)
        RaiseFileError(FPath, "cannot truncate: " + SystemReason());
}

void TFile::Lock(bool exclusive) {
    if (::flock(FFd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0)
        RaiseFileError(FPath, errno == EWOULDBLOCK ? "table is busy (opened by another user)"
                                                   : "cannot lock table: " + SystemReason());
}

namespace {

constexpr off_t WritersLockAt = off_t{1} << 62;

int SetWritersLock(int fd, short type, int command) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = WritersLockAt;
    lock.l_len = 1;
    int result = 0;
    while ((result = ::fcntl(fd, command, &lock)) != 0 && errno == EINTR) {
    }
    return result;
}

} // namespace

void TFile::LockWriters() {
    // Locks of the open file description: two opens in one process exclude each other too.
    if (SetWritersLock(FFd, F_WRLCK, F_OFD_SETLKW) != 0)
        RaiseFileError(FPath, "cannot lock table for writing: " + SystemReason());
}

void TFile::UnlockWriters() noexcept {
    SetWritersLock(FFd, F_UNLCK, F_OFD_SETLK);
}

bool TFile::IsAt(const std::string& path) const {
    struct stat mine {
    }, named{};
    return ::fstat(FFd, &mine) == 0 && ::stat(path.c_str(), &named) == 0 && mine.st_dev == named.st_dev &&
           mine.st_ino == named.st_ino;
}

TFileReplacement::~TFileReplacement() {
    if (FCommitted) return;
    for (TEntry& e : FEntries) {
        e.File.Close();
        ::unlink(e.Temp.c_str());
    }
}

TFile& TFileReplacement::Add(const std::string& finalPath) {
    const std::size_t slash = finalPath.find_last_of('/');
    const std::string dir = slash == std::string::npos ? std::string() : finalPath.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);
    std::string temp;
    for (int attempt = 0; temp.empty() || FileExists(temp); ++attempt)
        temp = dir + "." + base + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(attempt);
    FEntries.push_back(TEntry{finalPath, temp, TFile(temp, TFile::faCreate, finalPath)});
    return FEntries.back().File;
}

void TFileReplacement::Commit() {
    auto rename = [](TEntry& e) {
        e.File.Close();
        if (::rename(e.Temp.c_str(), e.Final.c_str()) != 0)
            RaiseFileError(e.Final, "cannot replace the table file: " + SystemReason());
    };
    for (std::size_t i = 1; i < FEntries.size(); ++i)
        rename(FEntries[i]);
    if (!FEntries.empty()) rename(FEntries.front());
    FCommitted = true;
    for (const std::string& path : FObsolete)
        if (std::none_of(FEntries.begin(), FEntries.end(), [&](const TEntry& e) { return e.Final == path; }))
            ::unlink(path.c_str());
}

std::string FileExtension(const std::string& path, bool lower) {
    std::string ext = path.substr(ExtensionStart(path));
    return lower ? ToCase(ext, false) : ext;
}

std::string ChangeExtension(const std::string& path, const std::string& ext) {
    const std::size_t start = ExtensionStart(path);
    const std::string old = path.substr(start);
    const bool upper = old.size() > 1 && old == ToCase(old, true) && old != ToCase(old, false);
    return path.substr(0, start) + ToCase(ext, upper);
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::vector<std::string> ExistingCompanions(const std::string& path, const std::string& ext) {
    const std::string stem = path.substr(0, ExtensionStart(path));
    std::vector<std::string> found;
    for (const std::string& candidate :
         {ChangeExtension(path, ext), stem + ToCase(ext, false), stem + ToCase(ext, true)})
        if (FileExists(candidate) && std::find(found.begin(), found.end(), candidate) == found.end())
            found.push_back(candidate);
    return found;
}

std::string FindCompanion(const std::string& path, const std::string& ext) {
    std::vector<std::string> found = ExistingCompanions(path, ext);
    return found.empty() ? std::string() : found.front();
}

std::vector<std::string> CompanionsWhere(const std::string& path, bool (*wanted)(const std::string& ext)) {
    const std::size_t slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string stem = path.substr(dir.size(), ExtensionStart(path) - dir.size()) + ".";
    std::vector<std::string> found;
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return found;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() > stem.size() && name.compare(0, stem.size(), stem) == 0 &&
            name.find('.', stem.size()) == std::string::npos &&
            wanted(ToCase(name.substr(stem.size()), false)))
            found.push_back(dir + name);
    }
    ::closedir(d);
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace tarvik
