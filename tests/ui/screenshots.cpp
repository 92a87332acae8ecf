// Pictures of the program for the README: the main window at rest, and the
// main window while a file is being overwritten. Each is saved as a BMP of
// the window's place on the screen, into the folder given.
#include "ui/driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

namespace {

const std::string kAbcStored("\x60\xA0\xE0\x20", 4);
constexpr int kDeleteNow = 1;

struct Picture {
    BITMAPINFOHEADER header;
    std::string pixels;
};

Picture capture(const RECT& area)
{
    Picture picture{};
    BITMAPINFOHEADER& header = picture.header;
    header.biSize = sizeof header;
    header.biWidth = area.right - area.left;
    header.biHeight = area.bottom - area.top;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const DWORD rowSize = (header.biWidth * 3 + 3) & ~3u;
    picture.pixels.assign(rowSize * header.biHeight, '\0');

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, header.biWidth, header.biHeight);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, header.biWidth, header.biHeight, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, previous);
    GetDIBits(memory, bitmap, 0, header.biHeight, &picture.pixels[0],
              reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}

// A window shows before it is painted: the picture is taken once it holds still.
Picture steadyCapture(const RECT& area)
{
    Picture last = capture(area);
    waitUntil([&] {
        Picture next = capture(area);
        const bool steady = next.pixels == last.pixels;
        last = std::move(next);
        return steady;
    });
    return last;
}

bool save(const Picture& picture, const std::string& path)
{
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof picture.header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(picture.pixels.size());
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&picture.header, sizeof picture.header, 1, out);
    std::fwrite(picture.pixels.data(), 1, picture.pixels.size(), out);
    return std::fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: screenshots FOLDER\n");
        return 2;
    }
    const std::string folderOut = argv[1];
    removePasswordKey();
    storePasswordBytes(kAbcStored);
    Folder folder;
    folder.makeFile("holiday-photos.zip", 150 * 1000);

    bool saved = true;
    {
        App app;
        HWND main = app.waitForMainWindow();
        saved &= save(steadyCapture(screenRect(main)), folderOut + "\\main-window.bmp");

        confirmPassword(app, main, kDeleteNow, "abc");
        chooseInDialog(app, folder.path(), {"holiday-photos.zip"});
        HWND percent = childAt(main, "Static", 5, 140);
        waitUntil([&] { return std::atoi(textOf(percent).c_str()) >= 40; }, 60000);
        saved &= save(capture(screenRect(main)), folderOut + "\\run-in-progress.bmp");
        waitUntil([&] { return textOf(childAt(main, "Edit", 5, 70)).empty(); }, 60000);

        // A file kept, named as the dialog showed it although the code
        // page cannot hold its name, and one destroyed.
        const std::wstring holiday = L"\u043E\u0442\u043F\u0443\u0441\u043A.txt";
        folder.makeWideFile(holiday, 300, 'k');
        folder.makeFile("notes.txt", 300);
        const std::string held = folder.file("notes.txt");
        SetFileAttributesA(held.c_str(), FILE_ATTRIBUTE_READONLY);
        folder.makeFile("old-letter.txt", 300);
        confirmPassword(app, main, kDeleteNow, "abc");
        chooseInDialog(app, folder.widePath().substr(4), {holiday, L"notes.txt", L"old-letter.txt"});
        HWND box = app.waitForMessageBox("Files not destroyed");
        if (box)
            saved &= save(steadyCapture(screenRect(box)), folderOut + "\\files-not-destroyed.bmp");
        answer(box);
    }
    removePasswordKey();
    return saved && !::testing::Test::HasFailure() ? 0 : 1;
}
