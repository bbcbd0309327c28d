// Counts the fonts the test program itself (or one module it loaded, such as
// the control module) makes and deletes, by taking over that module's imports
// of CreateFontIndirectA and DeleteObject (its import address table, so fonts
// the system's own DLLs make are not counted). While
// a FontCounter lives, every font made through CreateFontIndirectA is
// recorded until DeleteObject deletes it; a font deleted twice shows as a
// stray delete.
#pragma once

#include <windows.h>

#include <cstring>
#include <set>

namespace hxtest {

class FontCounter {
public:
    explicit FontCounter(HMODULE module = GetModuleHandleA(nullptr)) : m_module(module) {
        Instance() = this;
        m_create = Patch("CreateFontIndirectA", reinterpret_cast<void*>(&CountedCreate));
        m_delete = Patch("DeleteObject", reinterpret_cast<void*>(&CountedDelete));
    }
    ~FontCounter() {
        Patch("CreateFontIndirectA", m_create);
        Patch("DeleteObject", m_delete);
        Instance() = nullptr;
    }
    FontCounter(const FontCounter&) = delete;
    FontCounter& operator=(const FontCounter&) = delete;

    // Both imports were found and taken over.
    bool Hooked() const { return m_create && m_delete; }
    int Created() const { return m_created; }
    int Deleted() const { return m_deleted; }
    int Alive() const { return static_cast<int>(m_alive.size()); }
    int StrayDeletes() const { return m_stray; }

private:
    using CreateFn = HFONT(WINAPI*)(const LOGFONTA*);
    using DeleteFn = BOOL(WINAPI*)(HGDIOBJ);

    static FontCounter*& Instance() {
        static FontCounter* instance = nullptr;
        return instance;
    }
    static HFONT WINAPI CountedCreate(const LOGFONTA* lf) {
        FontCounter* self = Instance();
        const HFONT font = reinterpret_cast<CreateFn>(self->m_create)(lf);
        if (font) {
            ++self->m_created;
            self->m_alive.insert(font);
            self->m_ever.insert(font);
        }
        return font;
    }
    static BOOL WINAPI CountedDelete(HGDIOBJ object) {
        FontCounter* self = Instance();
        if (self->m_alive.erase(object))
            ++self->m_deleted;
        else if (self->m_ever.count(object))
            ++self->m_stray;
        return reinterpret_cast<DeleteFn>(self->m_delete)(object);
    }

    // Puts a function in place of a gdi32 import of the module; gives the
    // one it replaced, or null when the module does not import it.
    void* Patch(const char* name, void* replacement) const {
        if (!replacement || !m_module) return nullptr;
        auto* base = reinterpret_cast<BYTE*>(m_module);
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& dir =
            nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        void* replaced = nullptr;
        for (auto* desc =
                 reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
             dir.VirtualAddress && desc->Name; ++desc) {
            if (_stricmp(reinterpret_cast<const char*>(base + desc->Name), "gdi32.dll") != 0)
                continue;
            auto* names =
                reinterpret_cast<const IMAGE_THUNK_DATA*>(base + desc->OriginalFirstThunk);
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
            for (; names->u1.AddressOfData; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
                const auto* byName =
                    reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
                DWORD protection = 0;
                VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE,
                               &protection);
                replaced = reinterpret_cast<void*>(slots->u1.Function);
                slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
                VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection,
                               &protection);
            }
        }
        return replaced;
    }

    HMODULE m_module;
    void* m_create = nullptr;
    void* m_delete = nullptr;
    int m_created = 0;
    int m_deleted = 0;
    int m_stray = 0;
    std::set<HGDIOBJ> m_alive;
    std::set<HGDIOBJ> m_ever;
};

} // namespace hxtest
