#include "ReferenceWriter.h"

#include "HXDigIOErrors.h"
#include "hx/bstr.h"
#include "hx/com_ptr.h"
#include "hx/typelib_owners.h"

#include <cstdio>
#include <map>
#include <vector>

namespace {

struct Documentation {
    std::string name, help;
    DWORD context = 0;
};

template <class Owner> Documentation Document(Owner* owner, MEMBERID member) {
    hx::unique_bstr name, help;
    Documentation doc;
    owner->GetDocumentation(member, name.put(), help.put(), &doc.context, nullptr);
    doc.name = name.to_ansi();
    doc.help = help.to_ansi();
    return doc;
}

std::string TypeName(ITypeInfo* info, const TYPEDESC& type) {
    switch (type.vt) {
    case VT_PTR:
        return TypeName(info, *type.lptdesc) + " (by reference)";
    case VT_USERDEFINED: {
        hx::com_ptr<ITypeInfo> named;
        if (FAILED(info->GetRefTypeInfo(type.hreftype, named.put()))) return "?";
        return Document(named.get(), MEMBERID_NIL).name;
    }
    case VT_VOID:
        return "";
    case VT_I4:
        return "Long";
    case VT_I8:
        return "LongLong (64-bit)";
    case VT_BOOL:
        return "Boolean";
    case VT_BSTR:
        return "String";
    default:
        return "VARTYPE " + std::to_string(type.vt);
    }
}

std::string Escape(const std::string& text) {
    std::string escaped;
    for (char c : text) escaped += c == '|' ? std::string("\\|") : std::string(1, c);
    return escaped;
}

struct Member {
    MEMBERID id = 0;
    std::string name, kind, parameters, result, help;
    DWORD context = 0;
};

// The members of a dispinterface, a property's get and put merged, in
// DISPID order.
std::vector<Member> MembersOf(ITypeInfo* info) {
    hx::unique_typeattr attr;
    if (FAILED(info->GetTypeAttr(attr.put(info)))) return {};
    std::map<MEMBERID, Member> members;
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        hx::unique_funcdesc func;
        if (FAILED(info->GetFuncDesc(i, func.put(info)))) continue;
        const Documentation doc = Document(info, func->memid);
        Member& member = members[func->memid];
        member.id = func->memid;
        member.name = doc.name;
        member.help = doc.help;
        member.context = doc.context;
        if (func->invkind == INVOKE_FUNC) {
            member.kind = "method";
            member.result = TypeName(info, func->elemdescFunc.tdesc);
            BSTR names[32] = {};
            UINT named = 0;
            info->GetNames(func->memid, names, 32, &named);
            std::string parameters;
            for (SHORT p = 0; p < func->cParams; ++p) {
                const std::string name =
                    static_cast<UINT>(p + 1) < named ? hx::unique_bstr::to_ansi(names[p + 1]) : "";
                parameters += (p ? ", " : "") + name + " As " +
                              TypeName(info, func->lprgelemdescParam[p].tdesc);
            }
            for (UINT n = 0; n < named; ++n) SysFreeString(names[n]);
            member.parameters = parameters;
        } else if (func->invkind == INVOKE_PROPERTYGET) {
            member.result = TypeName(info, func->elemdescFunc.tdesc);
            member.kind = member.kind == "property, write-only" ? "property" : "property, read-only";
        } else {
            member.kind = member.kind == "property, read-only" ? "property" : "property, write-only";
        }
    }
    std::vector<Member> ordered;
    for (auto& [id, member] : members) ordered.push_back(member);
    return ordered;
}

std::string MemberTable(const std::vector<Member>& members, bool events) {
    std::string table = events ? "| DISPID | Event | Parameters | Help | Help context |\n"
                                 "|---|---|---|---|---|\n"
                               : "| DISPID | Member | Kind | Parameters | Result | Help | "
                                 "Help context |\n|---|---|---|---|---|---|---|\n";
    for (const Member& m : members) {
        const std::string context = m.context ? std::to_string(m.context) : "";
        table += "| " + std::to_string(m.id) + " | `" + m.name + "` | ";
        if (!events) table += m.kind + " | ";
        table += Escape(m.parameters) + " | ";
        if (!events) table += Escape(m.result) + " | ";
        table += Escape(m.help) + " | " + context + " |\n";
    }
    return table;
}

std::string EnumTable(ITypeInfo* info) {
    hx::unique_typeattr attr;
    if (FAILED(info->GetTypeAttr(attr.put(info)))) return {};
    std::string table = "| Value | Name | Help |\n|---|---|---|\n";
    for (UINT i = 0; i < attr->cVars; ++i) {
        hx::unique_vardesc var;
        if (FAILED(info->GetVarDesc(i, var.put(info)))) continue;
        const Documentation doc = Document(info, var->memid);
        table += "| " + std::to_string(V_I4(var->lpvarValue)) + " | `" + doc.name + "` | " +
                 Escape(doc.help) + " |\n";
    }
    return table;
}

// ErrorCode value names, for the errors table.
std::map<long, std::string> ErrorNames(ITypeInfo* errorCode) {
    std::map<long, std::string> names;
    hx::unique_typeattr attr;
    if (!errorCode || FAILED(errorCode->GetTypeAttr(attr.put(errorCode)))) return names;
    for (UINT i = 0; i < attr->cVars; ++i) {
        hx::unique_vardesc var;
        if (SUCCEEDED(errorCode->GetVarDesc(i, var.put(errorCode))))
            names[V_I4(var->lpvarValue)] = Document(errorCode, var->memid).name;
    }
    return names;
}

std::string ErrorTable(ITypeInfo* errorCode) {
    const std::map<long, std::string> names = ErrorNames(errorCode);
    std::string table = "| Code | Name | ErrorString | Continue preset | When |\n"
                        "|---|---|---|---|---|\n";
    for (const HXDigIOError* error : hxerrors::kAll) {
        const auto name = names.find(error->code);
        table += "| " + std::to_string(error->code) + " | `" +
                 (name == names.end() ? "?" : name->second) + "` | \"" + Escape(error->text) +
                 "\" | " + (error->continues ? "TRUE" : "FALSE") + " | " + Escape(error->when) +
                 " |\n";
    }
    return table;
}

} // namespace

std::string WriteReference(ITypeLib* library) {
    const Documentation lib = Document(library, MEMBERID_NIL);
    hx::com_ptr<ITypeInfo> dispatch, events, state, errorCode;
    for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
        hx::com_ptr<ITypeInfo> info;
        if (FAILED(library->GetTypeInfo(i, info.put()))) continue;
        const std::string name = Document(info.get(), MEMBERID_NIL).name;
        if (name == "_DHXdigIO") dispatch = info;
        if (name == "_DHXdigIOEvents") events = info;
        if (name == "State") state = info;
        if (name == "ErrorCode") errorCode = info;
    }
    if (!dispatch || !events || !state || !errorCode) return {};
    hx::unique_tlibattr attr;
    library->GetLibAttr(attr.put(library));
    char version[32] = {};
    if (attr) std::snprintf(version, sizeof version, "%u.%u", attr->wMajorVerNum, attr->wMinorVerNum);

    std::string text = "# " + lib.name + " " + version + " reference\n\n" + lib.help +
                       " (`HXDigIO.ocx`, ProgID `HXDIGIO.HXdigIOCtrl.1`). Generated from the "
                       "type library and the control's error table at build time.\n\n";
    text += "## Properties and methods (`_DHXdigIO`)\n\n" + MemberTable(MembersOf(dispatch.get()), false);
    text += "\nImage and worker handles are 64-bit integers; 0 means none. Failures do not fail "
            "the call: the member returns 0 (or FALSE) and fires `HXKError`.\n";
    text += "\n## Events (`_DHXdigIOEvents`)\n\n" + MemberTable(MembersOf(events.get()), true);
    text += "\n## Errors the control raises\n\n" + ErrorTable(errorCode.get());
    text += "\n## `State`\n\n" + EnumTable(state.get());
    text += "\n## `ErrorCode`\n\n" + EnumTable(errorCode.get());
    return text;
}
