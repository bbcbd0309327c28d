// A short tour of the base library: strings parsed and formatted, a list
// split and walked, a vector normalised, an exception message composed.
#include "CaxCString.h"
#include "CaxHRESULT.h"
#include "CaxList"
#include "CaxVector2D.h"

#include <cstdio>
#include <memory>

int main() {
    CaxCString line("  port=0x1F, delay = 250 ms  ");
    line.TrimLeft();
    line.TrimRight();
    std::uint32_t used = 0;
    const std::uint32_t port = static_cast<std::uint32_t>(line.ToInt(line.Find("=") + 1, &used));
    const int delayAt = line.Find("=", line.Find("delay")) + 1;
    const std::int32_t delay = line.ToInt(delayAt);
    CaxCString summary;
    summary.Format("port %u (%u characters read), delay %d ms", port, used, delay);
    std::printf("parsed \"%s\": %s\n", line.GetData(), summary.GetData());

    CaxCString number;
    number.Assign(2.5);
    std::printf("2.5 as text: %s\n", number.GetData());

    std::unique_ptr<CaxDLList<CaxCString>> parts(CaxCString("in0;in1;;out3").Split(";", true));
    std::printf("split into %u pieces:", parts->GetCount());
    for (auto position = parts->GetHeadPosition(); position;)
        std::printf(" [%s]", parts->GetNext(position)->GetData());
    std::printf("\n");

    const CaxVector2D v = CaxCString("3,4").ToVector2D(0);
    const CaxVector2D unit = v.Normalized();
    std::printf("(%g, %g) normalised is (%g, %g)\n", v.GetX(), v.GetY(), unit.GetX(), unit.GetY());

    try {
        (void)CaxVector2D().Normalized();
    } catch (const axMath::CaxMathException& e) {
        std::printf("caught: %s\n", e.GetMessage());
    }
    return 0;
}
