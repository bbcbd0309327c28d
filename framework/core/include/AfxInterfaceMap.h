// Interface tables: each COM class lists the interfaces it answers in
// QueryInterface, chained to its base class's table.
//
//   class CMine : public CCmdTarget, public IFoo {
//       DECLARE_INTERFACE_MAP()
//   };
//   BEGIN_INTERFACE_MAP(CMine, CCmdTarget)
//       INTERFACE_PART(CMine, IID_IFoo, IFoo)
//   END_INTERFACE_MAP()
//
// The first entry of the most derived table is the object's IUnknown.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <unknwn.h>

class CCmdTarget;

using AfxInterfaceCast = void* (*)(CCmdTarget* target);

struct AFX_INTERFACEMAP_ENTRY {
    const IID* piid; // null ends the table
    AfxInterfaceCast pfnCast;
};

struct AFX_INTERFACEMAP {
    const AFX_INTERFACEMAP* pBaseMap;
    const AFX_INTERFACEMAP_ENTRY* pEntry;
};

namespace afx {
template <class Class, class Interface> void* InterfaceCast(CCmdTarget* target) {
    return static_cast<Interface*>(static_cast<Class*>(target));
}
} // namespace afx

#define DECLARE_INTERFACE_MAP()                                                                    \
private:                                                                                           \
    static const AFX_INTERFACEMAP_ENTRY _interfaceEntries[];                                       \
                                                                                                   \
protected:                                                                                         \
    static const AFX_INTERFACEMAP interfaceMap;                                                    \
    const AFX_INTERFACEMAP* GetInterfaceMap() const override;                                      \
                                                                                                   \
private:

#define BEGIN_INTERFACE_MAP(theClass, theBase)                                                     \
    const AFX_INTERFACEMAP* theClass::GetInterfaceMap() const {                                    \
        return &theClass::interfaceMap;                                                            \
    }                                                                                              \
    const AFX_INTERFACEMAP theClass::interfaceMap = {&theBase::interfaceMap,                       \
                                                     &theClass::_interfaceEntries[0]};             \
    const AFX_INTERFACEMAP_ENTRY theClass::_interfaceEntries[] = {

#define INTERFACE_PART(theClass, iid, localClass) {&iid, &afx::InterfaceCast<theClass, localClass>},

#define END_INTERFACE_MAP()                                                                        \
    { nullptr, nullptr }                                                                           \
    }                                                                                              \
    ;

// The three IUnknown methods of a class that adds interfaces, all answered by
// the object's one reference count and interface table.
#define AFX_DECLARE_IUNKNOWN()                                                                     \
    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override {                                   \
        return InternalQueryInterface(iid, ppv);                                                   \
    }                                                                                              \
    STDMETHOD_(ULONG, AddRef)() override {                                                         \
        return InternalAddRef();                                                                   \
    }                                                                                              \
    STDMETHOD_(ULONG, Release)() override {                                                        \
        return InternalRelease();                                                                  \
    }
