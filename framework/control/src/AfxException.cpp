#include "AfxException.h"

void AfxThrowInvalidArgException() {
    throw CInvalidArgException();
}

void AfxThrowMemoryException() {
    throw CMemoryException();
}
