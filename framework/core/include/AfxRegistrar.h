// The registrar: a class's registry entries under HKEY_CLASSES_ROOT as one
// table, walked both to register and to unregister, so that the two cannot
// disagree.
//
//   const AFX_REG_ENTRY kEntries[] = {
//       {"CLSID\\%CLSID%", nullptr, "%TYPENAME%"},
//       {"CLSID\\%CLSID%\\InprocServer32", "ThreadingModel", "%THREADING%"},
//       {"CLSID\\%CLSID%\\Insertable", nullptr, nullptr, "INSERTABLE"},
//   };
//   AfxRegisterEntries(kEntries, {{"CLSID", clsidText}, {"TYPENAME", name}});
//
// %NAME% in a key or a value stands for the parameter of that name; a
// parameter that is null or empty counts as not given, and an entry that uses
// one (or whose condition names one) is left out. Every key a table names
// belongs to the class: unregistering removes each with all below it.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <span>

struct AFX_REG_ENTRY {
    const char* pszKey;            // below HKEY_CLASSES_ROOT
    const char* pszValueName;      // null: the key's default value
    const char* pszValue;          // REG_SZ text; null: the key alone
    const char* pszWhen = nullptr; // a parameter that must be given for the entry
};

struct AFX_REG_PARAM {
    const char* pszName;
    const char* pszValue;
};
using AFX_REG_PARAMS = std::initializer_list<AFX_REG_PARAM>;

// Writes every entry; on a failure removes the table's keys again, so that
// no half registration is left behind.
HRESULT AfxRegisterEntries(std::span<const AFX_REG_ENTRY> entries, AFX_REG_PARAMS params);
// Removes the keys of every entry whose key can be spelled out with the
// parameters given (values and conditions do not matter). Keys already gone
// count as removed.
HRESULT AfxUnregisterEntries(std::span<const AFX_REG_ENTRY> entries, AFX_REG_PARAMS params);
