// The type library HXDIGIOLib as a container or object browser sees it,
// loaded from the module's TYPELIB resource without registration: every
// type and member in one listing.
#include "HXDigIOIds.h"
#include "HXDigIO_h.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

using Strings = std::vector<std::string>;
std::string ResourceModulePath(); // resources_test.cpp

namespace {

std::string Take(BSTR text) {
    std::string result(text, text + SysStringLen(text));
    SysFreeString(text);
    return result;
}

// Name and help string of a type (MEMBERID_NIL) or member, and its help context.
std::string Doc(ITypeInfo* info, MEMBERID member, std::string* help = nullptr) {
    BSTR name = nullptr, text = nullptr;
    DWORD context = 0;
    info->GetDocumentation(member, &name, &text, &context, nullptr);
    if (help)
        *help = Take(text) + (context ? " #" + std::to_string(context) : "");
    else
        SysFreeString(text);
    return Take(name);
}

// A type as the IDL spells it.
std::string TypeText(ITypeInfo* info, const TYPEDESC& type) {
    ITypeInfo* named = nullptr;
    if (type.vt == VT_PTR) return TypeText(info, *type.lptdesc) + "*";
    if (type.vt == VT_USERDEFINED && SUCCEEDED(info->GetRefTypeInfo(type.hreftype, &named))) {
        const std::string name = Doc(named, MEMBERID_NIL);
        named->Release();
        return name;
    }
    switch (type.vt) {
    case VT_I4:
        return "long";
    case VT_I8:
        return "hyper";
    case VT_BOOL:
        return "VARIANT_BOOL";
    case VT_BSTR:
        return "BSTR";
    case VT_VOID:
        return "void";
    default:
        return "vt" + std::to_string(type.vt);
    }
}

// One line for the type ("<name> <kind> <flags> <help>"), then one per
// member: a function as "<dispid> [propget |propput ]<result> <name>(<parameters>)
// #<help context>", an enumeration value as "<name>=<value>" (its help string
// goes to `help`), an implemented interface as "<name> <flags>".
Strings Describe(ITypeInfo* info, Strings& help) {
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return {"unreadable"};
    std::string text;
    Strings lines = {Doc(info, MEMBERID_NIL, &text) + " " + std::to_string(attr->typekind) + " " +
                     std::to_string(attr->wTypeFlags) + " " + text};
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FUNCDESC* func = nullptr;
        info->GetFuncDesc(i, &func);
        BSTR names[8] = {};
        UINT count = 0;
        info->GetNames(func->memid, names, 8, &count);
        std::string line = std::to_string(func->memid) + " " +
                           (func->invkind == INVOKE_PROPERTYGET   ? "propget "
                            : func->invkind == INVOKE_PROPERTYPUT ? "propput "
                                                                  : "") +
                           TypeText(info, func->elemdescFunc.tdesc) + " " + Take(names[0]) + "(";
        for (SHORT p = 0; p < func->cParams; ++p) {
            const std::string name = p + 1u < count ? " " + Take(names[p + 1]) : "";
            line += (p ? ", " : "") + TypeText(info, func->lprgelemdescParam[p].tdesc) + name;
        }
        Doc(info, func->memid, &text);
        lines.push_back(line + ")" + text);
        info->ReleaseFuncDesc(func);
    }
    for (UINT i = 0; i < attr->cVars; ++i) {
        VARDESC* var = nullptr;
        info->GetVarDesc(i, &var);
        lines.push_back(Doc(info, var->memid, &text) + "=" + std::to_string(V_I4(var->lpvarValue)));
        help.push_back(text);
        info->ReleaseVarDesc(var);
    }
    for (UINT i = 0; i < attr->cImplTypes; ++i) {
        INT flags = 0;
        HREFTYPE ref = 0;
        ITypeInfo* impl = nullptr;
        info->GetImplTypeFlags(i, &flags);
        info->GetRefTypeOfImplType(i, &ref);
        if (FAILED(info->GetRefTypeInfo(ref, &impl))) continue;
        lines.push_back(Doc(impl, MEMBERID_NIL) + " " + std::to_string(flags));
        impl->Release();
    }
    info->ReleaseTypeAttr(attr);
    return lines;
}

TEST(TypeLibrary, HXDIGIOLibListsEveryTypeAndMemberWithItsHelp) {
    const std::string path = ResourceModulePath();
    ITypeLib* lib = nullptr;
    ASSERT_EQ(S_OK,
              LoadTypeLibEx(std::wstring(path.begin(), path.end()).c_str(), REGKIND_NONE, &lib));
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(S_OK, lib->GetLibAttr(&attr));
    EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_HXDIGIOLib) &&
                IsEqualGUID(attr->guid, kHXDigIOLibId));
    EXPECT_EQ(kHXDigIOLibVersionMajor, attr->wMajorVerNum);
    EXPECT_EQ(kHXDigIOLibVersionMinor, attr->wMinorVerNum);
    EXPECT_EQ(0u, attr->lcid); // unregistration names locale 0
    EXPECT_EQ(SYS_WIN64, attr->syskind);
    lib->ReleaseTLibAttr(attr);
    BSTR name = nullptr, text = nullptr, file = nullptr;
    ASSERT_EQ(S_OK, lib->GetDocumentation(-1, &name, &text, nullptr, &file));
    EXPECT_EQ("HXDIGIOLib Harlow Digital IO Control", Take(name) + " " + Take(text));
    EXPECT_NE(std::string::npos, Take(file).find("HXDigIO.hlp"));

    Strings listing, help;
    for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
        ITypeInfo* info = nullptr;
        ASSERT_EQ(S_OK, lib->GetTypeInfo(i, &info));
        for (const std::string& line : Describe(info, help))
            listing.push_back(line);
        info->Release();
    }
    lib->Release();
    // Type kinds: 0 enum, 4 dispinterface, 5 coclass. Flags: 0x10 hidden,
    // 0x1000 dispatchable, 0x2 can create, 0x20 control.
    Strings expected = {"State 0 0 ", "LO=0", "HI=1", "ErrorCode 0 0 "};
    std::istringstream names(
        "OK ERROR PARAMETER FILEIO TIMEOUT MEMORY INVALIDPLANE UNSUPPORTEDDATATYPE "
        "INVALIDCAMERAPORT BOARDSELECT INVALIDTRIGGERMODE PROPERTYREAD PROPERTYWRITE INVALIDPORT "
        "PORTREAD PORTWRITE NOIMAGE NOINTERFACE BUSY NOTSUPPORTED GRABABORTED NOPIXELLIST "
        "NOTENOUGHDATA NOTRANSFORMATION LINEAR_ONLY DIVISIONBYZERO INVALIDDIMENSION "
        "INVALIDCOLORMODEL INVALIDDATATYPE WRONGOBJECT NOTREADY NOANGLE NOVECTOR2D NOLINE2D "
        "VECTOR2D_ZERO_LENGTH VECTORS_IDENTICAL LINE2D_VERTICAL LINE2D_HORIZONTAL NOARGUMENT "
        "LINE2D_UNDEFINED NOINTERSECTION NOCLIPPING NOTENOUGHLINES OVERFLOW NOCIRCLE ACCESS "
        "NOTPRESENT UNSUPPORTEDFEATURE");
    for (std::string value; names >> value;)
        expected.push_back("HXK_E_" + value + "=" + std::to_string(expected.size() - 4));
    for (const char* line :
         {"_DHXdigIO 4 4112 Dispatch interface for Harlow Digital IO",
          "1 propget long NumInputs() #9300001",
          "2 propget long NumOutputs() #9300002",
          "3 propget hyper Image() #9300003",
          "3 propput void Image(hyper) #9300003", // a property's new value has no name
          "4 propget VARIANT_BOOL IsBasicDigIO() #9300004",
          "5 long GetInDWORD(long PortGroup) #9300005",
          "6 long GetOutDWORD(long PortGroup) #9300006",
          "7 long SetOutDWORD(long PortGroup, long Value, long Mask) #9300007",
          "8 State SetOutBit(long Port, State Value) #9300008",
          "9 VARIANT_BOOL BitListenerStart(hyper BitListener) #9300009",
          "10 VARIANT_BOOL BitListenerDestroy(hyper BitListener) #9300010",
          "11 hyper BitListenerCreate(long Port, State Value, long Delay) #9300011",
          "12 State GetInBit(long Port) #9300012",
          "13 State GetOutBit(long Port) #9300013",
          "14 VARIANT_BOOL BitListenerStop(hyper BitListener) #9300014",
          "15 hyper DWORDListenerCreate(long Port, long Value, long Delay) #9300015",
          "16 VARIANT_BOOL DWORDListenerDestroy(hyper DWORDListener) #9300016",
          "17 VARIANT_BOOL DWORDListenerStart(hyper DWORDListener) #9300017",
          "18 VARIANT_BOOL DWORDListenerStop(hyper DWORDListener) #9300018",
          "19 hyper BitTogglerCreate(long Port, long Delay) #9300019",
          "20 VARIANT_BOOL BitTogglerDestroy(hyper BitToggler) #9300020",
          "21 VARIANT_BOOL BitTogglerStart(hyper BitToggler) #9300021",
          "-552 void AboutBox()",
          "IDispatch 0",
          "_DHXdigIOEvents 4 4096 Event interface for Harlow Digital IO",
          "1 void HXKError(ErrorCode ErrorCode, BSTR ErrorString, VARIANT_BOOL* Continue) #9300051",
          "2 void ImageUpdated() #9300052",
          "3 void Listener(hyper Listener, long Port, State Value) #9300053",
          "4 void Toggler(hyper Toggler, long Port, long Value) #9300054",
          "IDispatch 0",
          "HXdigIO 5 34 Harlow Digital IO",
          "_DHXdigIO 1",        // default
          "_DHXdigIOEvents 3"}) // default, source
        expected.push_back(line);
    for (size_t i = 0; i < std::max(expected.size(), listing.size()); ++i)
        EXPECT_EQ(i < expected.size() ? expected[i] : "", i < listing.size() ? listing[i] : "");

    // Help strings: LO, HI, then every ErrorCode value, the control's own as given.
    ASSERT_EQ(50u, help.size());
    EXPECT_EQ((Strings{"LO", "HI"}), Strings(help.begin(), help.begin() + 2));
    const std::pair<int, const char*> own[] = {
        {HXK_E_OK, "No error"},
        {HXK_E_PROPERTYREAD, "The property could not be read properly"},
        {HXK_E_INVALIDPORT, "The given IO port was invalid"},
        {HXK_E_PORTREAD, "Read failed on the I/O port"},
        {HXK_E_PORTWRITE, "Write failed on the I/O port"},
        {HXK_E_NOINTERFACE, "A required HXQ pseudo COM interface is missing"}};
    for (const auto& [value, text] : own)
        EXPECT_EQ(text, help.at(2 + value));
    for (const std::string& text : help)
        EXPECT_FALSE(text.empty());
}

} // namespace
