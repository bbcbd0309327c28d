// The process-wide side of the logger: sharing targets by name and through
// the global target, and counting live loggers.
#include "CaxLogging.h"
#include "CaxLoggingProcessState.h"

#include <cstring>
#include <memory>

namespace {

bool SameName(const CaxCString& a, const CaxCString& b) {
    // Byte-wise and case-sensitive; two empty names are the same name.
    const int length = a.GetLength();
    if (length != b.GetLength()) return false;
    return length == 0 || std::memcmp(a.GetData(), b.GetData(), length) == 0;
}

} // namespace

CaxLoggingProcessState& LoggingProcessState() {
    static CaxLoggingProcessState state;
    return state;
}

CaxLogging::LiveMembership::LiveMembership() {
    CaxLoggingProcessState& state = LoggingProcessState();
    const auto hold = state.section.lock();
    ++state.liveLoggers;
}

CaxLogging::LiveMembership::~LiveMembership() {
    CaxLoggingProcessState& state = LoggingProcessState();
    const auto hold = state.section.lock();
    if (--state.liveLoggers == 0) state.RemoveAllRecords();
}

CaxLoggingTarget* CaxLogging::FindSharedTarget(const CaxLogging* logger) {
    if (!logger) return nullptr;
    CaxLoggingProcessState& state = LoggingProcessState();
    const auto hold = state.section.lock();
    if (logger->m_globalLog != 0 && !state.registry.IsEmpty()) return state.globalTarget;
    for (auto position = state.registry.GetHeadPosition(); position;) {
        const CaxLoggingTargetRecord* record =
            CaxLoggingProcessState::RecordOf(*state.registry.GetNext(position));
        if (SameName(record->name, logger->m_name)) return record->target;
    }
    return nullptr;
}

BOOL CaxLogging::RegisterTarget(const CaxLogging* logger, CaxLoggingTarget* target) {
    if (!logger || !target) return FALSE;
    auto record =
        std::make_unique<CaxLoggingTargetRecord>(CaxLoggingTargetRecord{target, logger->m_name});
    CaxLoggingProcessState& state = LoggingProcessState();
    const auto hold = state.section.lock();
    state.registry.AddHead(reinterpret_cast<std::intptr_t>(record.get()));
    record.release();
    if (state.registry.GetCount() == 1) state.globalTarget = target;
    return TRUE;
}

BOOL CaxLogging::UnregisterTarget(const CaxLogging* /*logger*/, CaxLoggingTarget* target) {
    CaxLoggingProcessState& state = LoggingProcessState();
    const auto hold = state.section.lock();
    for (auto position = state.registry.GetHeadPosition(); position;) {
        const auto current = position;
        CaxLoggingTargetRecord* record =
            CaxLoggingProcessState::RecordOf(*state.registry.GetNext(position));
        if (record->target != target) continue;
        state.registry.RemoveAt(current);
        delete record;
        // The global target must never outlive its registration: the oldest
        // remaining target (registered next after it) takes its place.
        if (state.globalTarget == target) {
            state.globalTarget =
                state.registry.IsEmpty()
                    ? nullptr
                    : CaxLoggingProcessState::RecordOf(*state.registry.GetTail())->target;
        }
        return TRUE;
    }
    return FALSE;
}

std::uint32_t CaxLogging::GetLiveLoggerCount() {
    CaxLoggingProcessState& state = LoggingProcessState();
    const auto hold = state.section.lock();
    return state.liveLoggers;
}

std::uint32_t CaxLogging::GetRegisteredTargetCount() {
    CaxLoggingProcessState& state = LoggingProcessState();
    const auto hold = state.section.lock();
    return state.registry.GetCount();
}

CaxLoggingTarget* CaxLogging::GetGlobalTarget() {
    CaxLoggingProcessState& state = LoggingProcessState();
    const auto hold = state.section.lock();
    return state.globalTarget;
}
