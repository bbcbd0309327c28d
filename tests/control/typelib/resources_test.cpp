// The module's resources as containers read them, from hxdigio_resources.dll (the control's .rc).
#include "HXDigIO_h.h"
#include "resource.h"

#include <gtest/gtest.h>
#include "hx/bstr.h"
#include "hx/com_ptr.h"
#include "hx/typelib_owners.h"

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;
constexpr char kModule[] = "hxdigio_resources.dll";
const HMODULE resources = LoadLibraryA(kModule);

std::string Resource(int id, LPCSTR type) {
    HRSRC found = FindResourceA(resources, MAKEINTRESOURCEA(id), type);
    const auto* data =
        found ? static_cast<const char*>(LockResource(LoadResource(resources, found))) : "";
    return std::string(data, found ? SizeofResource(resources, found) : 0);
}

// Name of a library (-1), type (MEMBERID_NIL) or member; its help string and context on request.
template <class Owner>
std::string Doc(Owner* owner, MEMBERID member, std::string* help = nullptr,
                DWORD* context = nullptr) {
    hx::unique_bstr name, text;
    owner->GetDocumentation(member, name.put(), text.put(), context, nullptr);
    if (help) *help = text.to_ansi();
    return name.to_ansi();
}

// A type as the dispatch table names it: I4, I8, BOOL, BSTR, void, another type by name.
std::string TypeText(ITypeInfo* info, const TYPEDESC& type) {
    hx::com_ptr<ITypeInfo> named;
    if (type.vt == VT_PTR) return TypeText(info, *type.lptdesc) + "*";
    if (type.vt == VT_USERDEFINED && SUCCEEDED(info->GetRefTypeInfo(type.hreftype, named.put())))
        return Doc(named.get(), MEMBERID_NIL);
    const VARTYPE types[] = {VT_VOID, VT_I4, VT_I8, VT_BOOL, VT_BSTR};
    const char* const names[] = {"void", "I4", "I8", "BOOL", "BSTR", "other"};
    return names[std::find(types, types + 5, type.vt) - types];
}

// Appends "<name> <kind> <flags> <help>" for the type, then a line per member: functions as
// "<dispid> [get |put ]<result> <name>(<parameter types>)", values as "<name>=<value>" (help
// to `help`), implemented interfaces as "<name> <flags>". Help contexts follow their rule.
void Describe(ITypeInfo* info, std::string& listing, Strings& help) {
    hx::unique_typeattr attr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(attr.put(info)));
    std::string text;
    const std::string name = Doc(info, MEMBERID_NIL, &text);
    const DWORD contextBase = name == "_DHXdigIOEvents" ? 9300050 : 9300000; // + DISPID
    listing += name + " " + std::to_string(attr->typekind) + " " +
               std::to_string(attr->wTypeFlags) + " " + text + "\n";
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        hx::unique_funcdesc func;
        ASSERT_EQ(S_OK, info->GetFuncDesc(i, func.put(info)));
        DWORD context = 0;
        const char* kind = func->invkind == INVOKE_PROPERTYGET   ? " get "
                           : func->invkind == INVOKE_PROPERTYPUT ? " put "
                                                                 : " ";
        std::string line = std::to_string(func->memid) + kind +
                           TypeText(info, func->elemdescFunc.tdesc) + " " +
                           Doc(info, func->memid, nullptr, &context) + "(";
        for (SHORT p = 0; p < func->cParams; ++p)
            line += (p ? ", " : "") + TypeText(info, func->lprgelemdescParam[p].tdesc);
        EXPECT_EQ(func->memid > 0 ? contextBase + func->memid : 0, context) << line; // AboutBox: 0
        listing += line + ")\n";
    }
    for (UINT i = 0; i < attr->cVars; ++i) {
        hx::unique_vardesc var;
        ASSERT_EQ(S_OK, info->GetVarDesc(i, var.put(info)));
        listing +=
            Doc(info, var->memid, &text) + "=" + std::to_string(V_I4(var->lpvarValue)) + "\n";
        help.push_back(text);
    }
    for (UINT i = 0; i < attr->cImplTypes; ++i) {
        INT flags = 0;
        TYPEDESC impl = {};
        impl.vt = VT_USERDEFINED;
        info->GetImplTypeFlags(i, &flags);
        info->GetRefTypeOfImplType(i, &impl.hreftype);
        listing += TypeText(info, impl) + " " + std::to_string(flags) + "\n";
    }
}

TEST(TypeLibrary, HXDIGIOLibListsEveryTypeAndMember) {
    hx::com_ptr<ITypeLib> lib;
    ASSERT_EQ(S_OK, LoadTypeLibEx(L"hxdigio_resources.dll", REGKIND_NONE, lib.put()));
    std::string text;
    std::string listing = Doc(lib.get(), -1, &text) + " " + text + "\n";
    Strings help;
    for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
        hx::com_ptr<ITypeInfo> info;
        ASSERT_EQ(S_OK, lib->GetTypeInfo(i, info.put()));
        Describe(info.get(), listing, help);
    }
    std::string expected =
        "HXDIGIOLib Harlow Digital IO Control\nState 0 0 \nLO=0\nHI=1\nErrorCode 0 0 \n";
    std::istringstream names(
        "OK ERROR PARAMETER FILEIO TIMEOUT MEMORY INVALIDPLANE UNSUPPORTEDDATATYPE "
        "INVALIDCAMERAPORT BOARDSELECT INVALIDTRIGGERMODE PROPERTYREAD PROPERTYWRITE INVALIDPORT "
        "PORTREAD PORTWRITE NOIMAGE NOINTERFACE BUSY NOTSUPPORTED GRABABORTED NOPIXELLIST "
        "NOTENOUGHDATA NOTRANSFORMATION LINEAR_ONLY DIVISIONBYZERO INVALIDDIMENSION "
        "INVALIDCOLORMODEL INVALIDDATATYPE WRONGOBJECT NOTREADY NOANGLE NOVECTOR2D NOLINE2D "
        "VECTOR2D_ZERO_LENGTH VECTORS_IDENTICAL LINE2D_VERTICAL LINE2D_HORIZONTAL NOARGUMENT "
        "LINE2D_UNDEFINED NOINTERSECTION NOCLIPPING NOTENOUGHLINES OVERFLOW NOCIRCLE ACCESS "
        "NOTPRESENT UNSUPPORTEDFEATURE");
    int value = 0;
    for (std::string name; names >> name;)
        expected += "HXK_E_" + name + "=" + std::to_string(value++) + "\n";
    // Kinds: 4 dispinterface, 5 coclass. Flags: 0x10 hidden, 0x1000 dispatchable, 0x2 can create,
    // 0x20 control; the coclass's _DHXdigIO is default (1), _DHXdigIOEvents default source (3).
    expected +=
        "_DHXdigIO 4 4112 Dispatch interface for Harlow Digital IO\n1 get I4 NumInputs()\n"
        "2 get I4 NumOutputs()\n3 get I8 Image()\n3 put void Image(I8)\n"
        "4 get BOOL IsBasicDigIO()\n5 I4 GetInDWORD(I4)\n6 I4 GetOutDWORD(I4)\n"
        "7 I4 SetOutDWORD(I4, I4, I4)\n8 State SetOutBit(I4, State)\n"
        "9 BOOL BitListenerStart(I8)\n10 BOOL BitListenerDestroy(I8)\n"
        "11 I8 BitListenerCreate(I4, State, I4)\n12 State GetInBit(I4)\n13 State GetOutBit(I4)\n"
        "14 BOOL BitListenerStop(I8)\n15 I8 DWORDListenerCreate(I4, I4, I4)\n"
        "16 BOOL DWORDListenerDestroy(I8)\n17 BOOL DWORDListenerStart(I8)\n"
        "18 BOOL DWORDListenerStop(I8)\n19 I8 BitTogglerCreate(I4, I4)\n"
        "20 BOOL BitTogglerDestroy(I8)\n21 BOOL BitTogglerStart(I8)\n-552 void AboutBox()\n"
        "IDispatch 0\n_DHXdigIOEvents 4 4096 Event interface for Harlow Digital IO\n"
        "1 void HXKError(ErrorCode, BSTR, BOOL*)\n2 void ImageUpdated()\n"
        "3 void Listener(I8, I4, State)\n4 void Toggler(I8, I4, I4)\nIDispatch 0\n"
        "HXdigIO 5 34 Harlow Digital IO\n_DHXdigIO 1\n_DHXdigIOEvents 3\n";
    EXPECT_EQ(expected, listing);

    // Every value has a help string; some of those the control raises as given (after LO, HI).
    EXPECT_EQ(0, std::count(help.begin(), help.end(), ""));
    EXPECT_EQ("No error|The property could not be read properly|The given IO port was invalid",
              help.at(2 + HXK_E_OK) + "|" + help.at(2 + HXK_E_PROPERTYREAD) + "|" +
                  help.at(2 + HXK_E_INVALIDPORT));
}

// A dialog template, plain or extended, with a font, as "caption|typeface" and one
// "id CLASS 'text' style exstyle" line per control.
Strings ReadDialog(const std::string& data) {
    std::vector<WORD> words(data.size() / 2);
    std::memcpy(words.data(), data.data(), words.size() * 2);
    size_t at = 0; // in words; reading past the end throws
    auto dword = [&] {
        at += 2;
        return words.at(at - 2) | DWORD(words.at(at - 1)) << 16;
    };
    auto text = [&]() -> std::string { // a string, or an ordinal as "#n"
        if (words.at(at) == 0xFFFF) return "#" + std::to_string(words.at((at += 2) - 1));
        const auto start = words.begin() + at, end = std::find(start, words.end(), 0);
        at += end - start + 1;
        return std::string(start, end);
    };
    const bool extended = words.size() > 1 && words[1] == 0xFFFF; // DLGTEMPLATEEX
    const WORD count = words.at(extended ? 8 : 4);
    at = extended ? 13 : 9; // past the fixed header
    const std::string menu = text(), windowClass = text(), caption = text();
    at += extended ? 3 : 1; // point size; weight, italic, charset
    Strings lines{caption + "|" + text()};
    char line[300];
    for (WORD i = 0; i < count; ++i) {
        at = ((at + 1) & ~size_t(1)) + (extended ? 2 : 0); // DWORD-aligned; help id
        DWORD itemStyle = dword(), exStyle = dword();
        if (extended) std::swap(itemStyle, exStyle);
        at += 4; // position, size
        const int id = extended ? int(dword()) : SHORT(words.at(at++));
        const std::string cls = text(), caption = text();
        snprintf(line, sizeof line, "%d %s '%s' %08lx %lx", id, cls.c_str(), caption.c_str(),
                 itemStyle, exStyle);
        lines.push_back(line);
        at += (words.at(at) + 1) / 2 + 1; // creation data
    }
    return lines;
}

std::string String(UINT id) {
    char text[128] = {};
    LoadStringA(resources, id, text, sizeof text);
    return text;
}

std::string VersionString(const std::string& name) {
    std::vector<char> data(GetFileVersionInfoSizeA(kModule, nullptr));
    GetFileVersionInfoA(kModule, 0, DWORD(data.size()), data.data());
    char* text = nullptr;
    UINT size = 0;
    VerQueryValueA(data.data(), ("\\StringFileInfo\\040904b0\\" + name).c_str(),
                   reinterpret_cast<void**>(&text), &size);
    return text ? text : "(missing)";
}

TEST(ModuleResources, StringsImagesDialogsManifestAndVersion) {
    const Strings about = ReadDialog(Resource(IDD_ABOUTBOX_HXDIGIO, RT_DIALOG));
    const Strings page = ReadDialog(Resource(IDD_PROPPAGE_DIGIO, RT_DIALOG));
    // The icon's group directory: 6 bytes, then 14 per image (width, height first).
    const std::string icons = Resource(IDI_ABOUTDLL, RT_GROUP_ICON) + std::string(8, '\0');
    BITMAPINFOHEADER bitmap = {};
    const std::string bits = Resource(IDB_HXDIGIO, RT_BITMAP);
    std::memcpy(&bitmap, bits.data(), std::min(bits.size(), sizeof bitmap));
    // Styles: WS_CHILD|WS_VISIBLE and SS_ICON, BS_DEFPUSHBUTTON, SS_LEFT|WS_GROUP, BS_GROUPBOX
    // with WS_EX_TRANSPARENT, WS_BORDER|WS_TABSTOP|LVS_REPORT|LVS_SINGLESEL|LVS_ALIGNLEFT|
    // LVS_NOSORTHEADER. Classes as windres stores them, some as ordinals (#128 a button).
    const std::pair<std::string, std::string> checks[] = {
        {String(IDS_DIGIO_PPG), "Harlow Digital IO General Property Page"},
        {String(IDS_DIGIO_PPG_CAPTION), "General"},
        {std::to_string(BYTE(icons[6])) + "x" + std::to_string(BYTE(icons[7])), "32x32"},
        {std::to_string(bitmap.biWidth) + "x" + std::to_string(bitmap.biHeight) + "x" +
             std::to_string(bitmap.biBitCount),
         "16x16x8"},
        {about.at(0), "About Harlow Digital I/O Control|MS Sans Serif"},
        {about.at(1), "-1 STATIC '#1' 50000003 0"},
        {about.at(4), "1 #128 'OK' 50030001 0"},
        {page.at(3), "202 STATIC '8' 50020000 0"},
        {page.at(5), "-1 BUTTON 'Inputs' 50000007 20"},
        {page.at(8), "206 SYSLISTVIEW32 '' 50818805 0"},
        {page.at(9), "207 SYSLISTVIEW32 '' 50818805 0"},
        {VersionString("FileDescription"), "HXQ Digital IO Control (x64 build)"},
        {VersionString("ProductName"), "Harlow"}};
    for (const auto& [actual, expected] : checks)
        EXPECT_EQ(expected, actual);
    EXPECT_NE(std::string::npos, Resource(2, RT_MANIFEST).find("Windows.Common-Controls"));
}

} // namespace
