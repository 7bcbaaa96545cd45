#pragma once
// File access for the table files: an owned descriptor whose every failure raises EDatabaseError
// naming the file, the replacement of a set of files through temporary names, and path helpers.
#include "core/Exceptions.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace tarvik {

// Raises EDatabaseError "<path>: <what>".
[[noreturn]] void RaiseFileError(const std::string& path, const std::string& what);

class TFile {
public:
    enum TAccess { faRead, faReadWrite, faCreate };
    TFile() = default;
    // Opens (faCreate: creates it new) the file; throws EDatabaseError naming it and the reason.
    // Errors name shownAs when given (a temporary file is reported as the file it will replace).
    TFile(const std::string& path, TAccess access, const std::string& shownAs = {});
    TFile(TFile&& other) noexcept;
    TFile& operator=(TFile&& other) noexcept;
    ~TFile(); // closes, never throws
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;

    bool IsOpen() const { return FFd >= 0; }
    bool Writable() const { return FWritable; }
    const std::string& Path() const { return FPath; }
    std::uint64_t Size() const;
    // Reads exactly size bytes at offset; a short file raises "unexpected end of file".
    void ReadAt(std::uint64_t offset, void* data, std::size_t size) const;
    // Writes all bytes at offset; a full disk or any other failure raises EDatabaseError.
    void WriteAt(std::uint64_t offset, const void* data, std::size_t size);
    void Truncate(std::uint64_t size);
    // Takes an advisory lock without waiting; a table held by another user raises EDatabaseError.
    void Lock(bool exclusive);
    // Waits for, and takes or drops, the lock that writers of a shared table hold while they write:
    // an exclusive lock of one byte far past the data, apart from the open lock above.
    void LockWriters();
    void UnlockWriters() noexcept;
    // Whether path still names this file (not a file that replaced it).
    bool IsAt(const std::string& path) const;
    void Close() noexcept;

private:
    int FFd = -1;
    bool FWritable = false;
    std::string FPath;
};

// Holds TFile::LockWriters while it lives.
class TWritersLock {
public:
    explicit TWritersLock(TFile& file) : FFile(file) { FFile.LockWriters(); }
    ~TWritersLock() { FFile.UnlockWriters(); }
    TWritersLock(const TWritersLock&) = delete;
    TWritersLock& operator=(const TWritersLock&) = delete;

private:
    TFile& FFile;
};

// Replaces a set of files all together: each is written under a temporary name in its directory,
// and only Commit renames them into place, so a failed write leaves the old files untouched. The
// first file added is the main one: Commit renames it last, so that a failed rename of a companion
// leaves the old main file in place. Errors name the final paths, never the temporary ones.
// Paths listed with Remove are deleted by Commit (companions the new table no longer has).
class TFileReplacement {
public:
    TFileReplacement() = default;
    ~TFileReplacement(); // deletes uncommitted temporary files, never throws
    TFileReplacement(const TFileReplacement&) = delete;
    TFileReplacement& operator=(const TFileReplacement&) = delete;

    // Creates the temporary file for finalPath and returns it open for writing; throws on failure.
    TFile& Add(const std::string& finalPath);
    void Remove(const std::string& path) { FObsolete.push_back(path); }
    // Renames every temporary file into place and deletes the obsolete paths; throws on failure.
    void Commit();

private:
    struct TEntry {
        std::string Final, Temp;
        TFile File;
    };
    std::deque<TEntry> FEntries; // a deque keeps the references Add returns valid
    std::vector<std::string> FObsolete;
    bool FCommitted = false;
};

// "dir/name.ext" -> ".ext" (empty without an extension); lower-cased when lower is true.
std::string FileExtension(const std::string& path, bool lower = true);
// The path with its extension replaced by ext, whose letter case follows the old extension's
// (upper-case when the old one was all upper-case).
std::string ChangeExtension(const std::string& path, const std::string& ext);
// The existing file among path's extension in its own, lower and upper case; empty when none exists.
std::string FindCompanion(const std::string& path, const std::string& ext);
// Every existing spelling of the companion (to delete them all when a table is replaced).
std::vector<std::string> ExistingCompanions(const std::string& path, const std::string& ext);
bool FileExists(const std::string& path);
// Every existing file named like path with another extension (in any letter case) that wanted
// accepts; wanted sees the extension lower-cased and without its dot.
std::vector<std::string> CompanionsWhere(const std::string& path, bool (*wanted)(const std::string& ext));

} // namespace tarvik
