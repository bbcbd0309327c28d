// CaxCString and the list of strings when memory runs out: every allocation
// of each operation is made to fail in turn (the string class's fault point),
// and each must either complete or throw the int -1, leaving the string (or
// list) either as it was or as the operation makes it, never in between,
// and leaking nothing (the native build runs under LeakSanitizer).
#include "CaxFaultSeam.h"
#include "CaxList"
#include "CaxCString.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using caxseam::Point;

std::string Text(const CaxCString& s) {
    return s.GetData() ? std::string(s.GetData(), static_cast<size_t>(s.GetLength())) : "<none>";
}

// A string that is consistent: its length is its characters' count and its
// characters fit its block.
void ExpectConsistent(const CaxCString& s, const std::string& where) {
    if (!s.GetData()) {
        EXPECT_EQ(0, s.GetLength()) << where;
        return;
    }
    EXPECT_EQ(std::strlen(s.GetData()), static_cast<size_t>(s.GetLength())) << where;
    EXPECT_LE(static_cast<std::uint32_t>(s.GetLength()), s.GetCapacity()) << where;
}

struct Operation {
    const char* name;
    std::function<void(CaxCString&)> run;
};

const std::string kLong(300, 'L');

const Operation kOperations[] = {
    {"Append(text)", [](CaxCString& s) { s.Append(kLong.c_str()); }},
    {"Append(string)", [](CaxCString& s) { s.Append(CaxCString(kLong.c_str())); }},
    {"Append(itself)", [](CaxCString& s) { s.Append(s); }},
    {"AppendFormat", [](CaxCString& s) { s.AppendFormat("%s-%d-%s", kLong.c_str(), 42, "x"); }},
    {"Format", [](CaxCString& s) { s.Format("%0600d|%s", 7, s.GetData() ? s.GetData() : ""); }},
    {"operator=(text)", [](CaxCString& s) { s = kLong.c_str(); }},
    {"operator=(string)", [](CaxCString& s) { s = CaxCString(kLong.c_str()); }},
    {"Replace", [](CaxCString& s) { s.Replace("a", "<longer>"); }},
    {"Assign(int)", [](CaxCString& s) { s.Assign(-12345); }},
    {"Assign(double)", [](CaxCString& s) { s.Assign(2.5); }},
    {"SetMinSize", [](CaxCString& s) { s.SetMinSize(4000); }},
    {"GetBuffer",
     [](CaxCString& s) {
         std::uint32_t size = 5000;
         s.GetBuffer(&size);
     }},
    {"KeepDigits", [](CaxCString& s) { s.KeepDigits(); }},
    {"Remove", [](CaxCString& s) { s.Remove('a'); }},
    {"Left and Right", [](CaxCString& s) { s = s.Left(3) + s.Right(2); }},
    {"Mid", [](CaxCString& s) { s = s.Mid(1, 2); }},
    {"GetLine",
     [](CaxCString& s) {
         std::uint32_t next = 0;
         s = s.GetLine(0, &next);
     }},
    {"Split",
     [](CaxCString& s) {
         std::unique_ptr<CaxDLList<CaxCString>> pieces(s.Split("a", true));
         CaxCString joined;
         for (auto pos = pieces->GetHeadPosition(); pos;)
             joined.Append(*pieces->GetNext(pos));
         s = joined;
     }},
    {"operator+", [](CaxCString& s) { s = "head:" + s + CaxCString(":tail"); }},
};

// Runs op on a copy of `start` with the k-th allocation failing, for every
// k until one run reaches no failure; answers the failures made.
unsigned Sweep(const Operation& op, const char* start) {
    CaxCString expected(start);
    op.run(expected);
    unsigned failures = 0;
    for (unsigned k = 0; k < 256; ++k) {
        CaxCString s(start);
        const std::string before = Text(s);
        bool threw = false;
        unsigned long long injected = 0;
        {
            caxseam::ScopedFault fault(Point::StringAllocation, {k, 1});
            try {
                op.run(s);
            } catch (int value) {
                EXPECT_EQ(-1, value) << op.name;
                threw = true;
            }
            injected = fault.Injected();
        }
        const std::string where =
            std::string(op.name) + " on \"" + start + "\", allocation " + std::to_string(k);
        ExpectConsistent(s, where);
        if (injected == 0) {
            EXPECT_FALSE(threw) << where;
            EXPECT_EQ(Text(expected), Text(s)) << where;
            return failures;
        }
        ++failures;
        EXPECT_TRUE(threw) << where << ": a failed allocation was swallowed";
        EXPECT_TRUE(Text(s) == before || Text(s) == Text(expected))
            << where << ": left as \"" << Text(s) << "\"";
        s.Append("ok"); // still usable
        ExpectConsistent(s, where + ", then appended to");
    }
    ADD_FAILURE() << op.name << " never ran out of allocations";
    return failures;
}

TEST(CaxCStringFaults, EveryAllocationOfEveryOperationFailsCleanly) {
    unsigned failures = 0;
    for (const Operation& op : kOperations)
        for (const char* start : {"", "a1b2", "banana\r\nsplit a line"})
            failures += Sweep(op, start);
    EXPECT_GT(failures, 50u);
}

TEST(CaxCStringFaults, AListOfStringsThatRunsOutOfMemoryKeepsItsItems) {
    CaxDLList<CaxCString> list;
    list.AddTail(CaxCString("first"));
    for (unsigned k = 0; k < 3; ++k) {
        const CaxCString item(kLong.c_str());
        caxseam::ScopedFault fault(Point::StringAllocation, {0, 1});
        try {
            if (k == 0) list.AddTail(item);
            if (k == 1) list.AddHead(item);
            if (k == 2) list.SetAt(0, item);
            ADD_FAILURE() << "no allocation failed";
        } catch (int value) {
            EXPECT_EQ(-1, value);
        }
        EXPECT_EQ(1u, fault.Injected());
        ASSERT_EQ(1, static_cast<int>(list.GetCount())) << k;
        EXPECT_EQ("first", Text(*list.GetHead())) << k;
    }
    list.AddTail(CaxCString("second"));
    EXPECT_EQ(2, static_cast<int>(list.GetCount()));
}

// The allocations made to fail in this run, for the hardening report: a
// result file where HX_FAULT_RESULTS says (ctest sets it).
class InjectedReport : public ::testing::Environment {
public:
    void TearDown() override {
        const char* path = std::getenv("HX_FAULT_RESULTS");
        if (!path || !*path || caxseam::TotalInjected() == 0) return;
        std::error_code ignored;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << "where\tpoint\tinjected\tpassed\n"
            << "CaxCString and the list of strings\tStringAllocation\t" << caxseam::TotalInjected()
            << "\t" << (::testing::UnitTest::GetInstance()->Passed() ? 1 : 0) << "\n";
    }
};
const auto* const g_injectedReport = ::testing::AddGlobalTestEnvironment(new InjectedReport);

TEST(CaxCStringFaults, UnarmedPointsAndOtherThreadsNeverFail) {
    {
        caxseam::ScopedFault fault(Point::StringAllocation, {});
        // Armed on this thread only: another thread's strings are not touched.
        std::string made;
        std::thread other([&made] { made = Text(CaxCString(kLong.c_str())); });
        other.join();
        EXPECT_EQ(kLong, made);
        EXPECT_EQ(0u, fault.Hits());
        EXPECT_THROW(CaxCString("x"), int);
    }
    EXPECT_STREQ("x", CaxCString("x").GetData());
}

} // namespace
