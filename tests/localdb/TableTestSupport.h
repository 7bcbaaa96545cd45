#pragma once
// Shared pieces of the local table tests: a scratch directory, the all-types definition and rows.
#include "localdb/LocalTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvik {

class TScratchDir {
public:
    TScratchDir();
    ~TScratchDir();
    const std::string& Path() const { return FPath; }
    std::string operator/(const std::string& name) const { return FPath + "/" + name; }
    std::vector<std::string> Files() const;

private:
    std::string FPath;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// Runs a shell command and returns its standard output; fails the test when it exits non-zero.
std::string RunCommand(const std::string& command);

// Every field type the ODBC dataset yields, plus a long string and an auto-increment.
TFieldDefs AllTypeFields();
// Rows for AllTypeFields: Slovenian text and binary values, all NULL, empty and zero values, then
// the other extremes of 64-bit integers and bytes.
std::vector<std::vector<TVariant>> AllTypeRows();
void WriteRows(const std::string& path, const TFieldDefs& fields,
               const std::vector<std::vector<TVariant>>& rows, const TIndexDefs& indexes = {});
std::vector<std::vector<TVariant>> ReadRows(const std::string& path);
std::string Printable(const TVariant& v);

} // namespace tarvik
