// The state that all loggers of the process share: the live-logger count,
// the registry of targets (newest first) and the global target, guarded by
// one lock. Made on first use, so that it exists before any logger and goes
// after the last static one.
#pragma once

#include "CaxCString.h"
#include "CaxList"
#include "hx/critical_section.h"
#include "CaxLoggingTarget.h"

#include <cstdint>

struct CaxLoggingTargetRecord {
    CaxLoggingTarget* target;
    CaxCString name;
};

struct CaxLoggingProcessState {
    hx::critical_section section;
    // Each entry is the address of a CaxLoggingTargetRecord owned here.
    CaxDLList<std::int64_t> registry;
    CaxLoggingTarget* globalTarget = nullptr;
    std::uint32_t liveLoggers = 0;

    CaxLoggingProcessState() = default;
    CaxLoggingProcessState(const CaxLoggingProcessState&) = delete;
    CaxLoggingProcessState& operator=(const CaxLoggingProcessState&) = delete;
    ~CaxLoggingProcessState() { RemoveAllRecords(); }

    static CaxLoggingTargetRecord* RecordOf(std::int64_t entry) noexcept {
        return reinterpret_cast<CaxLoggingTargetRecord*>(static_cast<std::intptr_t>(entry));
    }
    // Frees every record (not the targets: their loggers own them).
    void RemoveAllRecords() noexcept {
        while (!registry.IsEmpty()) {
            const std::int64_t entry = *registry.GetHead();
            registry.RemoveAt(registry.GetHeadPosition());
            delete RecordOf(entry);
        }
        globalTarget = nullptr;
    }
};

CaxLoggingProcessState& LoggingProcessState();
