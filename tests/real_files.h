// Real files in a folder of their own, for tests on the platform's file calls.
#ifndef BRISVANE_TESTS_REAL_FILES_H
#define BRISVANE_TESTS_REAL_FILES_H

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

class RealFilesTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A file of the given size filled with a non-zero pattern.
    std::string makeFile(const char* name, std::size_t size);
    static std::string contents(const std::string& path);
    static bool exists(const std::string& path);
    static void setReadOnly(const std::string& path, bool readOnly);

    std::filesystem::path folder;
};

#endif
