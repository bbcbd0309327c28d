// make_reference TYPELIB OUTPUT: writes the control's reference (Markdown)
// from its type library. Exits 1 when the library cannot be read or is not
// the control's.
#include "ReferenceWriter.h"
#include "hx/com_ptr.h"

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_reference TYPELIB OUTPUT\n");
        return 2;
    }
    if (FAILED(CoInitialize(nullptr))) return 1;
    int status = 1;
    {
        wchar_t path[MAX_PATH] = {};
        MultiByteToWideChar(CP_ACP, 0, argv[1], -1, path, MAX_PATH);
        hx::com_ptr<ITypeLib> library;
        const HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, library.put());
        const std::string reference = SUCCEEDED(hr) ? WriteReference(library.get()) : std::string();
        if (reference.empty()) {
            std::fprintf(stderr, "make_reference: %s is not the control's type library (0x%08lX)\n",
                         argv[1], static_cast<unsigned long>(hr));
        } else {
            std::ofstream out(argv[2], std::ios::binary);
            out << reference;
            status = out.good() ? 0 : 1;
        }
    }
    CoUninitialize();
    return status;
}
