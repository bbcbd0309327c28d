// The module's resources: strings, icon, toolbox bitmap, the about box and
// property page templates, manifest and version.
#include "resource.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using Strings = std::vector<std::string>;

// hxdigio_resources.dll, built beside the test from the control's .rc.
std::string ResourceModulePath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string self = path;
    return self.substr(0, self.find_last_of("\\/") + 1) + "hxdigio_resources.dll";
}

namespace {

// A dialog template, plain or extended, as "caption|cx,cy|font|style" and one
// "id CLASS 'text' x,y,cx,cy style exstyle" line per control.
Strings ReadDialog(const std::string& data) {
    std::vector<DWORD> aligned(data.size() / 4 + 1); // items are aligned from the start
    std::memcpy(aligned.data(), data.data(), data.size());
    const BYTE* at = reinterpret_cast<const BYTE*>(aligned.data());
    auto get = [&](auto sample) {
        std::memcpy(&sample, at, sizeof sample);
        at += sizeof sample;
        return sample;
    };
    auto text = [&]() -> std::string { // a string, an ordinal or nothing
        WORD c = get(WORD());
        if (c == 0xFFFF) { // an ordinal; the predefined classes by name
            c = get(WORD());
            return c == 0x80 ? "Button" : c == 0x82 ? "Static" : "#" + std::to_string(c);
        }
        std::string s;
        for (; c != 0; c = get(WORD()))
            s += static_cast<char>(c);
        return s;
    };
    const DWORD first = get(DWORD());
    const bool extended = first == 0xFFFF0001; // DLGTEMPLATEEX, version 1
    if (extended) at += 8;                     // help id, extended style
    const DWORD style = extended ? get(DWORD()) : first;
    if (!extended) get(DWORD()); // extended style
    const WORD count = get(WORD());
    at += 4; // position
    const int cx = get(SHORT()), cy = get(SHORT());
    text(); // menu
    text(); // window class
    std::string head = text() + "|" + std::to_string(cx) + "," + std::to_string(cy) + "|";
    if (style & DS_SETFONT) head += std::to_string(get(WORD()));
    if ((style & DS_SETFONT) && extended) {
        const int weight = get(WORD()), italic = get(BYTE()), charset = get(BYTE());
        head += "," + std::to_string(weight) + "," + std::to_string(italic) + "," +
                std::to_string(charset);
    }
    if (style & DS_SETFONT) head += "," + text();
    char line[300];
    snprintf(line, sizeof line, "|%08lx", style);
    Strings lines{head + line};
    for (WORD i = 0; i < count; ++i) {
        at += (4 - reinterpret_cast<UINT_PTR>(at) % 4) % 4;
        if (extended) get(DWORD()); // help id
        const DWORD a = get(DWORD()), b = get(DWORD());
        const int x = get(SHORT()), y = get(SHORT()), w = get(SHORT()), h = get(SHORT());
        const int id = static_cast<SHORT>(extended ? get(DWORD()) : get(WORD()));
        std::string cls = text(); // class names are case-insensitive
        CharUpperA(cls.data());
        const std::string caption = text();
        snprintf(line, sizeof line, "%d %s '%s' %d,%d,%d,%d %08lx %lx", id, cls.c_str(),
                 caption.c_str(), x, y, w, h, extended ? b : a, extended ? a : b);
        lines.push_back(line);
        at += get(WORD()); // creation data
    }
    return lines;
}

class ModuleResources : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(module_ = LoadLibraryA(ResourceModulePath().c_str())); }
    void TearDown() override { FreeLibrary(module_); }
    std::string Resource(int id, LPCSTR type) const {
        HRSRC found = FindResourceA(module_, MAKEINTRESOURCEA(id), type);
        const auto* data =
            found ? static_cast<const char*>(LockResource(LoadResource(module_, found))) : "";
        return std::string(data, found ? SizeofResource(module_, found) : 0);
    }
    HMODULE module_ = nullptr;
};

TEST_F(ModuleResources, StringsIconAndToolboxBitmap) {
    char text[128];
    const std::pair<UINT, std::string> strings[] = {
        {IDS_HXDIGIO, "Harlow Digital IO Control"},
        {IDS_DIGIO_PPG, "Harlow Digital IO General Property Page"},
        {IDS_DIGIO_PPG_CAPTION, "General"}};
    for (const auto& [id, value] : strings) {
        EXPECT_GT(LoadStringA(module_, id, text, sizeof text), 0) << id;
        EXPECT_EQ(value, text);
    }
    // The icon's group directory: 6 bytes, then 14 per image (width, height first).
    const std::string icons = Resource(IDI_ABOUTDLL, RT_GROUP_ICON);
    ASSERT_GE(icons.size(), 20u);
    EXPECT_EQ("32x32", std::to_string(BYTE(icons[6])) + "x" + std::to_string(BYTE(icons[7])));
    BITMAPINFOHEADER bitmap = {};
    const std::string bits = Resource(IDB_HXDIGIO, RT_BITMAP);
    std::memcpy(&bitmap, bits.data(), std::min(bits.size(), sizeof bitmap));
    EXPECT_EQ("16x16x8", std::to_string(bitmap.biWidth) + "x" + std::to_string(bitmap.biHeight) +
                             "x" + std::to_string(bitmap.biBitCount));
}

TEST_F(ModuleResources, AboutBoxAndPropertyPageTemplates) {
    // The about box: WS_POPUP|WS_CAPTION|WS_SYSMENU|DS_MODALFRAME|DS_SETFONT; icon 1
    // as SS_ICON, IDOK as BS_DEFPUSHBUTTON, a second line of our own.
    Strings about = ReadDialog(Resource(IDD_ABOUTBOX_HXDIGIO, RT_DIALOG));
    ASSERT_EQ(5u, about.size());
    EXPECT_EQ(0u, about[3].find("-1 STATIC '"));
    EXPECT_NE(std::string::npos, about[3].find("' 40,25,170,8 50020000 0"));
    about[3] = "";
    EXPECT_EQ((Strings{"About Harlow Digital I/O Control|260,55|8,MS Sans Serif|80c800c0",
                       "-1 STATIC '#1' 10,10,20,20 50000003 0",
                       "-1 STATIC 'Harlow Digital I/O Control' 40,10,170,8 50020000 0", "",
                       "1 BUTTON 'OK' 221,7,32,14 50030001 0"}),
              about);
    // Statics: WS_CHILD|WS_VISIBLE|WS_GROUP|SS_LEFT. Group boxes: WS_CHILD|WS_VISIBLE|BS_GROUPBOX,
    // WS_EX_TRANSPARENT. Lists: WS_CHILD|WS_VISIBLE|WS_BORDER|WS_TABSTOP|LVS_REPORT|
    // LVS_SINGLESEL|LVS_ALIGNLEFT|LVS_NOSORTHEADER. The page: WS_CHILD|DS_SETFONT.
    EXPECT_EQ(
        (Strings{"|250,110|8,400,0,1,MS Sans Serif|40000040",
                 "-1 STATIC 'Number of input ports:' 5,5,70,10 50020000 0",
                 "-1 STATIC 'Number of output ports:' 130,5,75,10 50020000 0",
                 "202 STATIC '8' 80,5,25,10 50020000 0", "201 STATIC '8' 210,5,25,10 50020000 0",
                 "-1 BUTTON 'Inputs' 5,20,115,75 50000007 20",
                 "-1 BUTTON 'Outputs' 130,20,115,75 50000007 20",
                 "-1 STATIC 'Double-click to an output port to toggle its value' "
                 "89,100,154,10 50020000 0",
                 "206 SYSLISTVIEW32 '' 9,30,108,63 50818805 0",
                 "207 SYSLISTVIEW32 '' 133,30,108,63 50818805 0"}),
        ReadDialog(Resource(IDD_PROPPAGE_DIGIO, RT_DIALOG)));
}

TEST_F(ModuleResources, ManifestAndVersion) {
    const std::string manifest = Resource(2, RT_MANIFEST); // ISOLATIONAWARE_MANIFEST_RESOURCE_ID
    for (const char* part :
         {"name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
          "processorArchitecture=\"amd64\"", "level=\"asInvoker\"", ">true</dpiAware>"})
        EXPECT_NE(std::string::npos, manifest.find(part)) << part;

    const std::string path = ResourceModulePath();
    std::vector<char> data(GetFileVersionInfoSizeA(path.c_str(), nullptr));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, DWORD(data.size()), data.data()) &&
                VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &size));
    EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS); // 1.0
    EXPECT_EQ(0u, HIWORD(fixed->dwFileVersionLS));  // 1.0.0.x
    const std::pair<std::string, std::string> strings[] = {
        {"FileDescription", "HXQ Digital IO Control (x64 build)"},
        {"InternalName", "DigIO OCX"},
        {"ProductName", "Harlow"},
        {"OriginalFilename", "HXDigIO.ocx"},
        {"OLESelfRegister", ""}};
    for (const auto& [name, value] : strings) {
        char* text = nullptr;
        const std::string key = "\\StringFileInfo\\040904b0\\" + name;
        ASSERT_TRUE(
            VerQueryValueA(data.data(), key.c_str(), reinterpret_cast<void**>(&text), &size))
            << name;
        EXPECT_EQ(value, text);
    }
}

} // namespace
