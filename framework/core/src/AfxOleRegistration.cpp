#include "AfxOleRegistration.h"

#include "hx/com_ptr.h"
#include "hx/typelib_owners.h"
#include "hx/win32_owners.h"

#include <ole2.h>
#include <oleauto.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string GuidText(REFGUID guid) {
    WCHAR wide[40];
    if (StringFromGUID2(guid, wide, 40) == 0) return std::string();
    char narrow[40];
    WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

std::wstring Widen(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
    wide.resize(static_cast<size_t>(length - 1));
    return wide;
}

bool ModulePath(HINSTANCE hInstance, std::string& path) {
    char buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameA(hInstance, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    path.assign(buffer, length);
    return true;
}

bool LoadText(HINSTANCE hInstance, UINT id, std::string& text) {
    char buffer[256];
    const int length = LoadStringA(hInstance, id, buffer, sizeof buffer);
    if (length <= 0) return false;
    text.assign(buffer, static_cast<size_t>(length));
    return true;
}

// Creates HKCR\<path> (and the keys above it) and sets one of its string
// values (the default one when name is null); a null text sets no value.
bool SetKey(const std::string& path, const char* name, const char* text) {
    hx::unique_hkey key;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        return false;
    if (!text) return true;
    return RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
}

// Deletes a key of HKCR with everything below it; a missing key is fine.
bool DeleteTree(HKEY parent, const char* name) {
    hx::unique_hkey key;
    LONG status =
        RegOpenKeyExA(parent, name, 0, KEY_READ | KEY_WRITE, key.put());
    if (status == ERROR_FILE_NOT_FOUND) return true;
    if (status != ERROR_SUCCESS) return false;
    char child[256];
    for (;;) {
        DWORD length = sizeof child;
        status = RegEnumKeyExA(key.get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS || !DeleteTree(key.get(), child)) return false;
    }
    key.reset();
    status = RegDeleteKeyA(parent, name);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

const char* ThreadingModel(int nRegFlags) {
    const bool apartment = (nRegFlags & afxRegApartmentThreading) != 0;
    const bool free = (nRegFlags & afxRegFreeThreading) != 0;
    if (apartment && free) return "Both";
    if (apartment) return "Apartment";
    if (free) return "Free";
    return nullptr;
}

bool WriteServerKeys(const std::string& clsidKey, const std::string& typeName,
                     const std::string& path, int nRegFlags) {
    return SetKey(clsidKey, nullptr, typeName.c_str()) &&
           SetKey(clsidKey + "\\InprocServer32", nullptr, path.c_str()) &&
           SetKey(clsidKey + "\\InprocServer32", "ThreadingModel", ThreadingModel(nRegFlags));
}

} // namespace

BOOL AfxOleRegisterControlClass(HINSTANCE hInstance, REFCLSID clsid, LPCSTR pszProgID,
                                UINT idTypeName, UINT idBitmap, int nRegFlags, DWORD dwMiscStatus,
                                REFGUID tlid, WORD wVerMajor, WORD wVerMinor) {
    std::string path, typeName;
    const std::string clsidText = GuidText(clsid);
    const std::string tlidText = GuidText(tlid);
    if (clsidText.empty() || tlidText.empty() || !ModulePath(hInstance, path) ||
        !LoadText(hInstance, idTypeName, typeName))
        return FALSE;
    const bool insertable = (nRegFlags & afxRegInsertable) != 0;
    const std::string clsidKey = "CLSID\\" + clsidText;
    char number[32];

    bool ok = WriteServerKeys(clsidKey, typeName, path, nRegFlags) &&
              SetKey(clsidKey + "\\Control", nullptr, nullptr);
    if (ok && pszProgID) ok = SetKey(clsidKey + "\\ProgID", nullptr, pszProgID);
    if (ok && insertable) ok = SetKey(clsidKey + "\\Insertable", nullptr, nullptr);
    if (ok) {
        std::snprintf(number, sizeof number, ", %u", idBitmap);
        ok = SetKey(clsidKey + "\\ToolboxBitmap32", nullptr, (path + number).c_str());
    }
    if (ok) {
        std::snprintf(number, sizeof number, "%lu", static_cast<unsigned long>(dwMiscStatus));
        ok = SetKey(clsidKey + "\\MiscStatus", nullptr, "0") &&
             SetKey(clsidKey + "\\MiscStatus\\1", nullptr, number);
    }
    if (ok) ok = SetKey(clsidKey + "\\TypeLib", nullptr, tlidText.c_str());
    if (ok) {
        std::snprintf(number, sizeof number, "%u.%u", wVerMajor, wVerMinor);
        ok = SetKey(clsidKey + "\\Version", nullptr, number);
    }
    if (ok && pszProgID) {
        const std::string progKey = pszProgID;
        ok = SetKey(progKey, nullptr, typeName.c_str()) &&
             SetKey(progKey + "\\CLSID", nullptr, clsidText.c_str()) &&
             (!insertable || SetKey(progKey + "\\Insertable", nullptr, nullptr));
    }
    if (!ok) {
        // Leave no half-written class behind.
        AfxOleUnregisterClass(clsid, pszProgID);
        return FALSE;
    }
    return TRUE;
}

BOOL AfxOleRegisterPropertyPageClass(HINSTANCE hInstance, REFCLSID clsid, UINT idTypeName,
                                     int nRegFlags) {
    std::string path, typeName;
    const std::string clsidText = GuidText(clsid);
    if (clsidText.empty() || !ModulePath(hInstance, path) ||
        !LoadText(hInstance, idTypeName, typeName))
        return FALSE;
    if (!WriteServerKeys("CLSID\\" + clsidText, typeName, path, nRegFlags)) {
        AfxOleUnregisterClass(clsid, nullptr);
        return FALSE;
    }
    return TRUE;
}

BOOL AfxOleUnregisterClass(REFCLSID clsid, LPCSTR pszProgID) {
    const std::string clsidText = GuidText(clsid);
    if (clsidText.empty()) return FALSE;
    bool ok = true;
    if (pszProgID && *pszProgID) ok = DeleteTree(HKEY_CLASSES_ROOT, pszProgID);
    hx::unique_hkey clsidRoot;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ | KEY_WRITE,
                      clsidRoot.put()) == ERROR_SUCCESS)
        ok = DeleteTree(clsidRoot.get(), clsidText.c_str()) && ok;
    return ok ? TRUE : FALSE;
}

BOOL AfxOleRegisterTypeLib(HINSTANCE hInstance, REFGUID tlid, LPCSTR pszFileName,
                           LPCSTR pszHelpDir) {
    std::string path;
    if (!ModulePath(hInstance, path)) return FALSE;
    if (pszFileName) {
        const size_t slash = path.find_last_of("\\/");
        path =
            (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + pszFileName;
    }
    const std::wstring widePath = Widen(path);
    hx::com_ptr<ITypeLib> typeLib;
    if (FAILED(LoadTypeLib(widePath.c_str(), typeLib.put()))) return FALSE;
    hx::unique_tlibattr attr;
    if (FAILED(typeLib->GetLibAttr(attr.put(typeLib.get()))) || !IsEqualGUID(attr->guid, tlid))
        return FALSE;
    std::wstring helpDir;
    if (pszHelpDir) helpDir = Widen(pszHelpDir);
    const HRESULT hr =
        RegisterTypeLib(typeLib.get(), const_cast<LPOLESTR>(widePath.c_str()),
                        pszHelpDir ? const_cast<LPOLESTR>(helpDir.c_str()) : nullptr);
    return SUCCEEDED(hr) ? TRUE : FALSE;
}

namespace {

// The highest version of the library that has a key under HKCR\TypeLib.
bool HighestRegisteredVersion(REFGUID tlid, WORD& major, WORD& minor) {
    hx::unique_hkey key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, ("TypeLib\\" + GuidText(tlid)).c_str(), 0, KEY_READ,
                      key.put()) != ERROR_SUCCESS)
        return false;
    bool found = false;
    char name[64];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        unsigned vMajor = 0, vMinor = 0;
        if (std::sscanf(name, "%x.%x", &vMajor, &vMinor) != 2 || vMajor > 0xFFFF || vMinor > 0xFFFF)
            continue;
        if (!found || vMajor > major || (vMajor == major && vMinor > minor)) {
            major = static_cast<WORD>(vMajor);
            minor = static_cast<WORD>(vMinor);
            found = true;
        }
    }
    return found;
}

} // namespace

BOOL AfxOleUnregisterTypeLib(REFGUID tlid, WORD wVerMajor, WORD wVerMinor, LCID lcid) {
    if (wVerMajor == 0 && wVerMinor == 0 && !HighestRegisteredVersion(tlid, wVerMajor, wVerMinor))
        return FALSE;
    return SUCCEEDED(UnRegisterTypeLib(tlid, wVerMajor, wVerMinor, lcid, SYS_WIN64)) ? TRUE : FALSE;
}
