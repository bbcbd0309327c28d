#include "AfxOleRegistration.h"

#include "AfxRegistrar.h"

#include "hx/com_ptr.h"
#include "hx/typelib_owners.h"
#include "hx/win32_owners.h"

#include <ole2.h>
#include <oleauto.h>

#include <cstdio>
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

// Every standard key of a class; what a class gets depends on the
// parameters its registration gives.
const AFX_REG_ENTRY kClassEntries[] = {
    {"CLSID\\%CLSID%", nullptr, "%TYPENAME%"},
    {"CLSID\\%CLSID%\\InprocServer32", nullptr, "%MODULE%"},
    {"CLSID\\%CLSID%\\InprocServer32", "ThreadingModel", "%THREADING%"},
    {"CLSID\\%CLSID%\\ProgID", nullptr, "%PROGID%"},
    {"CLSID\\%CLSID%\\Control", nullptr, nullptr, "CONTROL"},
    {"CLSID\\%CLSID%\\Insertable", nullptr, nullptr, "INSERTABLE"},
    {"CLSID\\%CLSID%\\ToolboxBitmap32", nullptr, "%MODULE%, %BITMAP%"},
    {"CLSID\\%CLSID%\\MiscStatus", nullptr, "0", "MISCSTATUS"},
    {"CLSID\\%CLSID%\\MiscStatus\\1", nullptr, "%MISCSTATUS%"},
    {"CLSID\\%CLSID%\\TypeLib", nullptr, "%TYPELIB%"},
    {"CLSID\\%CLSID%\\Version", nullptr, "%VERSION%"},
    {"%PROGID%", nullptr, "%TYPENAME%"},
    {"%PROGID%\\CLSID", nullptr, "%CLSID%"},
    {"%PROGID%\\Insertable", nullptr, nullptr, "INSERTABLE"},
};

const char* ThreadingModel(int nRegFlags) {
    const bool apartment = (nRegFlags & afxRegApartmentThreading) != 0;
    const bool free = (nRegFlags & afxRegFreeThreading) != 0;
    if (apartment && free) return "Both";
    if (apartment) return "Apartment";
    if (free) return "Free";
    return nullptr;
}

// What every class's entries need: its CLSID and this module's path.
struct ServerText {
    ServerText(HINSTANCE hInstance, REFCLSID classId)
        : clsid(GuidText(classId)), valid(!clsid.empty() && ModulePath(hInstance, module)) {}
    std::string clsid, module;
    bool valid;
};

BOOL RegisterClassEntries(AFX_REG_PARAMS params) {
    return SUCCEEDED(AfxRegisterEntries(kClassEntries, params)) ? TRUE : FALSE;
}

} // namespace

BOOL AfxOleRegisterControlClass(HINSTANCE hInstance, REFCLSID clsid, LPCSTR pszProgID,
                                UINT idTypeName, UINT idBitmap, int nRegFlags, DWORD dwMiscStatus,
                                REFGUID tlid, WORD wVerMajor, WORD wVerMinor) {
    const ServerText server(hInstance, clsid);
    const std::string tlidText = GuidText(tlid);
    std::string typeName;
    if (!server.valid || tlidText.empty() || !LoadText(hInstance, idTypeName, typeName))
        return FALSE;
    const std::string version = std::to_string(wVerMajor) + "." + std::to_string(wVerMinor);
    return RegisterClassEntries({{"CLSID", server.clsid.c_str()},
                                 {"MODULE", server.module.c_str()},
                                 {"TYPENAME", typeName.c_str()},
                                 {"THREADING", ThreadingModel(nRegFlags)},
                                 {"PROGID", pszProgID},
                                 {"CONTROL", "yes"},
                                 {"INSERTABLE", (nRegFlags & afxRegInsertable) ? "yes" : nullptr},
                                 {"BITMAP", std::to_string(idBitmap).c_str()},
                                 {"MISCSTATUS", std::to_string(dwMiscStatus).c_str()},
                                 {"TYPELIB", tlidText.c_str()},
                                 {"VERSION", version.c_str()}});
}

BOOL AfxOleRegisterPropertyPageClass(HINSTANCE hInstance, REFCLSID clsid, UINT idTypeName,
                                     int nRegFlags) {
    const ServerText server(hInstance, clsid);
    std::string typeName;
    if (!server.valid || !LoadText(hInstance, idTypeName, typeName)) return FALSE;
    return RegisterClassEntries({{"CLSID", server.clsid.c_str()},
                                 {"MODULE", server.module.c_str()},
                                 {"TYPENAME", typeName.c_str()},
                                 {"THREADING", ThreadingModel(nRegFlags)}});
}

BOOL AfxOleRegisterServerClass(HINSTANCE hInstance, REFCLSID clsid, LPCSTR pszProgID,
                               LPCSTR pszTypeName, int nRegFlags) {
    const ServerText server(hInstance, clsid);
    if (!server.valid || !pszTypeName || !*pszTypeName) return FALSE;
    return RegisterClassEntries({{"CLSID", server.clsid.c_str()},
                                 {"MODULE", server.module.c_str()},
                                 {"TYPENAME", pszTypeName},
                                 {"THREADING", ThreadingModel(nRegFlags)},
                                 {"PROGID", pszProgID}});
}

BOOL AfxOleUnregisterClass(REFCLSID clsid, LPCSTR pszProgID) {
    const std::string clsidText = GuidText(clsid);
    if (clsidText.empty()) return FALSE;
    return SUCCEEDED(AfxUnregisterEntries(kClassEntries,
                                          {{"CLSID", clsidText.c_str()}, {"PROGID", pszProgID}}))
               ? TRUE
               : FALSE;
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
