// The three DLLs export exactly the toolkit's ordinals, without names.
#include "HXKSim.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace {

template <class T> const T* at(HMODULE module, DWORD rva) {
    return reinterpret_cast<const T*>(reinterpret_cast<const BYTE*>(module) + rva);
}

const IMAGE_DATA_DIRECTORY& directory(HMODULE module, int entry) {
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    return at<IMAGE_NT_HEADERS64>(module, static_cast<DWORD>(dos->e_lfanew))
        ->OptionalHeader.DataDirectory[entry];
}

// Ordinal -> name ("" when exported by ordinal only).
std::map<WORD, std::string> exportsOf(const char* dll) {
    std::map<WORD, std::string> result;
    const HMODULE module = GetModuleHandleA(dll);
    const auto* table = at<IMAGE_EXPORT_DIRECTORY>(
        module, directory(module, IMAGE_DIRECTORY_ENTRY_EXPORT).VirtualAddress);
    const auto* functions = at<DWORD>(module, table->AddressOfFunctions);
    for (DWORD i = 0; i < table->NumberOfFunctions; ++i) {
        if (functions[i]) result[static_cast<WORD>(table->Base + i)] = "";
    }
    const auto* names = at<DWORD>(module, table->AddressOfNames);
    const auto* nameOrdinals = at<WORD>(module, table->AddressOfNameOrdinals);
    for (DWORD i = 0; i < table->NumberOfNames; ++i) {
        result[static_cast<WORD>(table->Base + nameOrdinals[i])] = at<char>(module, names[i]);
    }
    return result;
}

TEST(ExportsTest, EachDllExportsItsOrdinalsWithoutNames) {
    const std::map<std::string, std::set<WORD>> expected = {
        {"HXKImg.dll", {85, 104, 105}},
        {"HXKDriver.dll", {700, 701, 702, 703, 704, 705, 706, 707, 708}},
        {"HXKUtilities.dll", {5, 6, 8, 9, 12}}};
    for (const auto& [dll, ordinals] : expected) {
        std::set<WORD> unnamed;
        std::set<std::string> named;
        for (const auto& [ordinal, name] : exportsOf(dll.c_str())) {
            if (name.empty()) {
                unnamed.insert(ordinal);
                continue;
            }
            named.insert(name);
            EXPECT_GT(ordinal, 1000) << name; // far from the toolkit's own
        }
        EXPECT_EQ(ordinals, unnamed) << dll;
        // HXKImg.dll adds the simulation API, its driver side and the COM server entries.
        const bool img = dll == "HXKImg.dll";
        EXPECT_EQ(img ? 13u + 9u + 4u : 0u, named.size()) << dll;
        EXPECT_EQ(img, named.count("HXKSimLiveImageCount") + named.count("DllRegisterServer") == 2);
    }
}

// The DLLs export those operations by ordinal only, so this program (linked
// like the control) loads only because its imports bind by ordinal; each
// binds to the function at its ordinal.
TEST(ExportsTest, ImportsResolveToTheirOrdinals) {
    const std::map<const void*, std::pair<const char*, WORD>> used = {
        {reinterpret_cast<const void*>(&ReadInputLine), {"HXKDriver.dll", 703}},
        {reinterpret_cast<const void*>(&WriteOutputGroup), {"HXKDriver.dll", 708}},
        {reinterpret_cast<const void*>(&OpenToolkitKey), {"HXKUtilities.dll", 12}},
        {reinterpret_cast<const void*>(&ImageHandleValid), {"HXKImg.dll", 85}}};
    for (const auto& [address, where] : used) {
        EXPECT_EQ(address, reinterpret_cast<const void*>(GetProcAddress(
                               GetModuleHandleA(where.first), MAKEINTRESOURCEA(where.second))));
    }
}

} // namespace
