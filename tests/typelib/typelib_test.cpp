// The type library HXDIGIOLib as a container or object browser sees it:
// loaded from the module's TYPELIB resource without registration.
#include "HXDigIOIds.h"
#include "HXDigIO_h.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

using Strings = std::vector<std::string>;
std::string ResourceModulePath(); // resources_test.cpp

namespace {

struct ComRelease {
    void operator()(IUnknown* unknown) const { unknown->Release(); }
};
template <class T> using Com = std::unique_ptr<T, ComRelease>;

template <class F> struct Finally { // releases a type-information record, also on a failed ASSERT
    F release;
    ~Finally() { release(); }
};
template <class F> Finally(F) -> Finally<F>;

std::string Take(BSTR text) {
    std::string result(text, text + SysStringLen(text));
    SysFreeString(text);
    return result;
}

// Name, help string and help context of a type (MEMBERID_NIL) or member.
struct Doc {
    std::string name, text;
    DWORD context = 0;
};
Doc DocOf(ITypeInfo* info, MEMBERID member) {
    BSTR name = nullptr, text = nullptr;
    Doc doc;
    info->GetDocumentation(member, &name, &text, &doc.context, nullptr);
    doc.name = Take(name);
    doc.text = Take(text);
    return doc;
}

// A type as the IDL spells it.
std::string TypeText(ITypeInfo* info, const TYPEDESC& type) {
    if (type.vt == VT_PTR) return TypeText(info, *type.lptdesc) + "*";
    ITypeInfo* referenced = nullptr;
    if (type.vt == VT_USERDEFINED && SUCCEEDED(info->GetRefTypeInfo(type.hreftype, &referenced)))
        return DocOf(Com<ITypeInfo>(referenced).get(), MEMBERID_NIL).name;
    const std::pair<VARTYPE, const char*> names[] = {{VT_I4, "long"},
                                                     {VT_I8, "hyper"},
                                                     {VT_BOOL, "VARIANT_BOOL"},
                                                     {VT_BSTR, "BSTR"},
                                                     {VT_VOID, "void"}};
    for (const auto& [vt, name] : names)
        if (vt == type.vt) return name;
    return "vt" + std::to_string(type.vt);
}

// Every function as "<dispid> [propget |propput ]<result> <name>(<parameters>) #<help context>".
Strings Members(ITypeInfo* info) {
    TYPEATTR* attr = nullptr;
    EXPECT_EQ(S_OK, info->GetTypeAttr(&attr));
    Finally releaseAttr{[&] { info->ReleaseTypeAttr(attr); }};
    Strings members;
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FUNCDESC* func = nullptr;
        EXPECT_EQ(S_OK, info->GetFuncDesc(i, &func));
        Finally releaseFunc{[&] { info->ReleaseFuncDesc(func); }};
        BSTR names[8] = {};
        UINT count = 0;
        info->GetNames(func->memid, names, 8, &count);
        Strings name(func->cParams + 1u);
        for (UINT n = 0; n < count; ++n)
            name[n] = Take(names[n]);
        std::string line = std::to_string(func->memid) + " ";
        line += func->invkind == INVOKE_PROPERTYGET   ? "propget "
                : func->invkind == INVOKE_PROPERTYPUT ? "propput "
                                                      : "";
        line += TypeText(info, func->elemdescFunc.tdesc) + " " + name[0] + "(";
        for (SHORT p = 0; p < func->cParams; ++p)
            line += (p ? ", " : "") + TypeText(info, func->lprgelemdescParam[p].tdesc) +
                    (name[p + 1].empty() ? "" : " " + name[p + 1]);
        members.push_back(line + ") #" + std::to_string(DocOf(info, func->memid).context));
    }
    return members;
}

// Values of an enumeration in order as "NAME=value", and their help strings.
void ReadEnum(ITypeInfo* info, Strings& values, Strings& help) {
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    Finally release{[&] { info->ReleaseTypeAttr(attr); }};
    ASSERT_EQ(TKIND_ENUM, attr->typekind);
    for (UINT i = 0; i < attr->cVars; ++i) {
        VARDESC* var = nullptr;
        ASSERT_EQ(S_OK, info->GetVarDesc(i, &var));
        const Doc doc = DocOf(info, var->memid);
        values.push_back(doc.name + "=" + std::to_string(V_I4(var->lpvarValue)));
        help.push_back(doc.text);
        info->ReleaseVarDesc(var);
    }
}

class TypeLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string path = ResourceModulePath();
        ITypeLib* lib = nullptr;
        ASSERT_EQ(S_OK, LoadTypeLibEx(std::wstring(path.begin(), path.end()).c_str(), REGKIND_NONE,
                                      &lib));
        lib_.reset(lib);
    }
    Com<ITypeInfo> Info(REFGUID guid) {
        ITypeInfo* info = nullptr;
        EXPECT_EQ(S_OK, lib_->GetTypeInfoOfGuid(guid, &info));
        return Com<ITypeInfo>(info);
    }
    Com<ITypeInfo> Named(const std::string& name) {
        for (UINT i = 0; i < lib_->GetTypeInfoCount(); ++i) {
            ITypeInfo* info = nullptr;
            lib_->GetTypeInfo(i, &info);
            Com<ITypeInfo> owner(info);
            if (info && DocOf(info, MEMBERID_NIL).name == name) return owner;
        }
        return nullptr;
    }
    Com<ITypeLib> lib_;
};

TEST_F(TypeLibrary, IsHXDIGIOLib10ForWin64WithItsHelp) {
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(S_OK, lib_->GetLibAttr(&attr));
    Finally release{[&] { lib_->ReleaseTLibAttr(attr); }};
    EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_HXDIGIOLib));
    EXPECT_TRUE(IsEqualGUID(attr->guid, kHXDigIOLibId));
    EXPECT_EQ(kHXDigIOLibVersionMajor, attr->wMajorVerNum);
    EXPECT_EQ(kHXDigIOLibVersionMinor, attr->wMinorVerNum);
    EXPECT_EQ(0u, attr->lcid); // unregistration names locale 0
    EXPECT_EQ(SYS_WIN64, attr->syskind);
    BSTR name = nullptr, text = nullptr, file = nullptr;
    ASSERT_EQ(S_OK, lib_->GetDocumentation(-1, &name, &text, nullptr, &file));
    EXPECT_EQ("HXDIGIOLib", Take(name));
    EXPECT_EQ("Harlow Digital IO Control", Take(text));
    EXPECT_NE(std::string::npos, Take(file).find("HXDigIO.hlp"));
    EXPECT_EQ(5u, lib_->GetTypeInfoCount()); // two enums, two dispinterfaces, the coclass
}

TEST_F(TypeLibrary, DispatchInterfaceHasEveryMemberWithItsDispidTypesAndHelpContext) {
    Com<ITypeInfo> info = Info(DIID__DHXdigIO);
    ASSERT_TRUE(info);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    EXPECT_EQ(TKIND_DISPATCH, attr->typekind);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FHIDDEN);
    info->ReleaseTypeAttr(attr);
    EXPECT_EQ("Dispatch interface for Harlow Digital IO", DocOf(info.get(), MEMBERID_NIL).text);
    const Strings expected = {
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
        "-552 void AboutBox() #0"};
    EXPECT_EQ(expected, Members(info.get()));
}

TEST_F(TypeLibrary, EventInterfaceHasTheFourEvents) {
    Com<ITypeInfo> info = Info(DIID__DHXdigIOEvents);
    ASSERT_TRUE(info);
    EXPECT_EQ("Event interface for Harlow Digital IO", DocOf(info.get(), MEMBERID_NIL).text);
    const Strings expected = {
        "1 void HXKError(ErrorCode ErrorCode, BSTR ErrorString, VARIANT_BOOL* Continue) #9300051",
        "2 void ImageUpdated() #9300052",
        "3 void Listener(hyper Listener, long Port, State Value) #9300053",
        "4 void Toggler(hyper Toggler, long Port, long Value) #9300054"};
    EXPECT_EQ(expected, Members(info.get()));
}

TEST_F(TypeLibrary, CoclassIsACreatableControlWithDefaultAndSourceInterfaces) {
    Com<ITypeInfo> info = Info(CLSID_HXdigIO);
    ASSERT_TRUE(info);
    EXPECT_EQ("HXdigIO", DocOf(info.get(), MEMBERID_NIL).name);
    EXPECT_EQ("Harlow Digital IO", DocOf(info.get(), MEMBERID_NIL).text);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    Finally release{[&] { info->ReleaseTypeAttr(attr); }};
    const WORD flags = TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL;
    EXPECT_EQ(flags, attr->wTypeFlags & flags);
    Strings implemented;
    for (UINT i = 0; i < attr->cImplTypes; ++i) {
        INT implFlags = 0;
        HREFTYPE ref = 0;
        ITypeInfo* impl = nullptr;
        info->GetImplTypeFlags(i, &implFlags);
        info->GetRefTypeOfImplType(i, &ref);
        ASSERT_EQ(S_OK, info->GetRefTypeInfo(ref, &impl));
        implemented.push_back(DocOf(Com<ITypeInfo>(impl).get(), MEMBERID_NIL).name + " " +
                              std::to_string(implFlags));
    }
    EXPECT_EQ((Strings{"_DHXdigIO 1", "_DHXdigIOEvents 3"}), implemented); // default, +source
}

TEST_F(TypeLibrary, EnumerationsHaveEveryValueInOrderWithHelpStrings) {
    Com<ITypeInfo> state = Named("State"), error = Named("ErrorCode");
    ASSERT_TRUE(state && error);
    Strings values, help;
    ReadEnum(state.get(), values, help);
    EXPECT_EQ((Strings{"LO=0", "HI=1"}), values);
    EXPECT_EQ((Strings{"LO", "HI"}), help);

    values.clear(), help.clear();
    ReadEnum(error.get(), values, help);
    std::istringstream names(
        "OK ERROR PARAMETER FILEIO TIMEOUT MEMORY INVALIDPLANE UNSUPPORTEDDATATYPE "
        "INVALIDCAMERAPORT BOARDSELECT INVALIDTRIGGERMODE PROPERTYREAD PROPERTYWRITE INVALIDPORT "
        "PORTREAD PORTWRITE NOIMAGE NOINTERFACE BUSY NOTSUPPORTED GRABABORTED NOPIXELLIST "
        "NOTENOUGHDATA NOTRANSFORMATION LINEAR_ONLY DIVISIONBYZERO INVALIDDIMENSION "
        "INVALIDCOLORMODEL INVALIDDATATYPE WRONGOBJECT NOTREADY NOANGLE NOVECTOR2D NOLINE2D "
        "VECTOR2D_ZERO_LENGTH VECTORS_IDENTICAL LINE2D_VERTICAL LINE2D_HORIZONTAL NOARGUMENT "
        "LINE2D_UNDEFINED NOINTERSECTION NOCLIPPING NOTENOUGHLINES OVERFLOW NOCIRCLE ACCESS "
        "NOTPRESENT UNSUPPORTEDFEATURE");
    Strings expected;
    for (std::string name; names >> name;)
        expected.push_back("HXK_E_" + name + "=" + std::to_string(expected.size()));
    EXPECT_EQ(expected, values);
    ASSERT_EQ(48u, help.size());
    for (const std::string& text : help)
        EXPECT_FALSE(text.empty());
    // The generated header's constants index the same values.
    EXPECT_EQ("No error", help[HXK_E_OK]);
    EXPECT_EQ("The property could not be read properly", help[HXK_E_PROPERTYREAD]);
    EXPECT_EQ("The given IO port was invalid", help[HXK_E_INVALIDPORT]);
    EXPECT_EQ("Read failed on the I/O port", help[HXK_E_PORTREAD]);
    EXPECT_EQ("Write failed on the I/O port", help[HXK_E_PORTWRITE]);
    EXPECT_EQ("A required HXQ pseudo COM interface is missing", help[HXK_E_NOINTERFACE]);
}

} // namespace
