#include "real_files.h"

#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

void RealFilesTest::SetUp()
{
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    folder = fs::temp_directory_path() / (std::string("brisvane-") + test->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
}

void RealFilesTest::TearDown()
{
    for (const auto& entry : fs::directory_iterator(folder))
        setReadOnly(entry.path().string(), false);
    fs::remove_all(folder);
}

std::string RealFilesTest::makeFile(const char* name, std::size_t size)
{
    const std::string path = (folder / name).string();
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>('A' + i % 26);
    std::ofstream(path, std::ios::binary) << data;
    return path;
}

std::string RealFilesTest::contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool RealFilesTest::exists(const std::string& path)
{
    return fs::exists(path);
}

void RealFilesTest::setReadOnly(const std::string& path, bool readOnly)
{
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    readOnly ? fs::perm_options::remove : fs::perm_options::add);
}
