#include "CaxPlatform.h"

#include <cstdio>

int main() {
    char buffer[32];
    std::printf("HXDigIO base library: %s\n", caxplatform::LongToDecimal(42, buffer));
    return 0;
}
