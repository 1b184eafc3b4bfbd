// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "win32_api.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "version.h"
#include "win32_resources.h"
#include "win32_text.h"

namespace talvenor::testing {
namespace {

using win32::Narrow;
using win32::Widen;

// A path the build gives in its own form, as Windows names it (Wine shows the root as Z:).
std::wstring FromBuild(const char* variable) {
    const char* value = std::getenv(variable);
    if (value == nullptr) return {};
    std::wstring path = Widen(value);
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path.starts_with(L"\\") ? L"Z:" + path : path;
}

std::vector<unsigned char> FileBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The built program, opened for its resources only.
class ProgramFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        exe_ = FromBuild("TALVENOR_EXE");
        resources_ = FromBuild("TALVENOR_RESOURCES");
        ASSERT_FALSE(exe_.empty()) << "TALVENOR_EXE names the built program";
        module_ = LoadLibraryExW(exe_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    std::vector<unsigned char> Resource(int id, LPCWSTR type) const {
        HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(id), type);
        if (found == nullptr) return {};
        const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(module_, found)));
        return {data, data + SizeofResource(module_, found)};
    }

    std::wstring exe_;
    std::wstring resources_;
    HMODULE module_ = nullptr;
};

TEST_F(ProgramFileTest, VersionInformationIsFrenchAndNamesTheProgram) {
    DWORD ignored = 0;
    std::vector<unsigned char> block(GetFileVersionInfoSizeW(exe_.c_str(), &ignored));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(GetFileVersionInfoW(exe_.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));

    struct Translation {
        WORD language;
        WORD codePage;
    }* translation = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &size));
    EXPECT_EQ(translation->language, 0x040C);
    EXPECT_EQ(translation->codePage, 1200);

    VS_FIXEDFILEINFO* fixed = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);

    const struct {
        const wchar_t* name;
        std::string expected;
    } strings[] = {
        {L"FileVersion", "1.00"},           {L"ProductVersion", "1.00"},
        {L"ProductName", "Talvenor"},       {L"InternalName", "Talvenor"},
        {L"OriginalFilename", "Talvenor.exe"}, {L"CompanyName", "Les développeurs de Talvenor"},
        {L"LegalCopyright", "Les développeurs de Talvenor"},
        {L"LegalTrademarks", "Les développeurs de Talvenor"},
    };
    for (const auto& entry : strings) {
        wchar_t* value = nullptr;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\040C04B0\\") + entry.name;
        ASSERT_TRUE(VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &size))
            << Narrow(entry.name);
        EXPECT_EQ(Narrow(value), entry.expected);
    }
    for (const wchar_t* descriptive : {L"FileDescription", L"Comments"}) {
        wchar_t* value = nullptr;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\040C04B0\\") + descriptive;
        ASSERT_TRUE(VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &size));
        EXPECT_NE(Narrow(value).find("vidéo"), std::string::npos) << Narrow(descriptive);
    }
}

TEST_F(ProgramFileTest, TheFilesIconIsTheTelevisionPicture) {
    // The shell shows a file's first icon group.
    int first = 0;
    EnumResourceNamesW(
        module_, MAKEINTRESOURCEW(14),  // RT_GROUP_ICON
        [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) {
            *reinterpret_cast<int*>(found) = IS_INTRESOURCE(name) ? static_cast<int>(reinterpret_cast<UINT_PTR>(name)) : -1;
            return FALSE;
        },
        reinterpret_cast<LONG_PTR>(&first));
    EXPECT_EQ(first, IDI_TALVENOR);

    const std::vector<unsigned char> group = Resource(IDI_TALVENOR, MAKEINTRESOURCEW(14));
    ASSERT_GE(group.size(), 6u + 14u);
    EXPECT_EQ(group[4], 1) << "one image";
    EXPECT_EQ(group[6], 32);
    EXPECT_EQ(group[7], 32);
    EXPECT_EQ(group[12], 8) << "256 colours";
    const WORD imageId = static_cast<WORD>(group[18] | (group[19] << 8));

    // The image is the icon file's own picture, byte for byte.
    const std::vector<unsigned char> file = FileBytes(resources_ + L"\\p2_icon.ico");
    ASSERT_GE(file.size(), 22u);
    const std::size_t offset = file[18] | (file[19] << 8) | (file[20] << 16) | (static_cast<std::size_t>(file[21]) << 24);
    const std::vector<unsigned char> picture(file.begin() + static_cast<std::ptrdiff_t>(offset), file.end());
    EXPECT_EQ(Resource(imageId, MAKEINTRESOURCEW(3)), picture);  // RT_ICON
}

TEST_F(ProgramFileTest, ThePicturesAreCarriedAsTheyWereDrawn) {
    struct Bitmap {
        int id;
        const wchar_t* file;
    };
    for (const Bitmap& bitmap : {Bitmap{IDB_BACKGROUND, L"p1_background.bmp"}, Bitmap{IDB_MINIMISE, L"p6_minimise.bmp"},
                                 Bitmap{IDB_CROSS, L"p7_cross.bmp"}}) {
        // A bitmap resource is its file without the 14-byte file header.
        const std::vector<unsigned char> file = FileBytes(resources_ + L"\\" + bitmap.file);
        ASSERT_GT(file.size(), 14u);
        EXPECT_EQ(Resource(bitmap.id, MAKEINTRESOURCEW(2)), std::vector<unsigned char>(file.begin() + 14, file.end()))
            << Narrow(bitmap.file);
    }
    for (const Bitmap& gif : {Bitmap{IDR_SPEAKER_GIF, L"p4_speaker.gif"}, Bitmap{IDR_ARROW_GIF, L"p5_arrow.gif"}}) {
        EXPECT_EQ(Resource(gif.id, MAKEINTRESOURCEW(10)), FileBytes(resources_ + L"\\" + gif.file)) << Narrow(gif.file);
    }
    const std::vector<unsigned char> hand = Resource(IDI_HAND_POINTER, MAKEINTRESOURCEW(14));
    ASSERT_GE(hand.size(), 20u);
    EXPECT_EQ(hand[6], 32);
    EXPECT_EQ(hand[12], 4) << "16 colours";

    const HBITMAP background = static_cast<HBITMAP>(
        LoadImageW(module_, MAKEINTRESOURCEW(IDB_BACKGROUND), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(background, nullptr);
    DIBSECTION section{};
    GetObjectW(background, sizeof section, &section);
    EXPECT_EQ(section.dsBm.bmWidth, 367);
    EXPECT_EQ(section.dsBm.bmHeight, 287);
    EXPECT_EQ(section.dsBm.bmBitsPixel, 24);
    DeleteObject(background);
}

}  // namespace
}  // namespace talvenor::testing
