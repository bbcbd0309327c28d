// The do-nothing target and the two targets that acquire nothing when
// opened: the trace sink and the message boxes.
#include "CaxLoggingTarget.h"

#include <cstring>

CaxLoggingTarget::~CaxLoggingTarget() = default;

BOOL CaxLoggingTarget::Open(const char* /*name*/) {
    return FALSE;
}

void CaxLoggingTarget::Close() {}

std::int64_t CaxLoggingTarget::Write(const char* /*text*/) {
    return 0;
}

std::int64_t CaxLoggingTarget::WriteRaw(const void* /*data*/, int /*size*/) {
    return 0;
}

BOOL CaxLoggingTarget::OpenNameOnly(const char* name) {
    m_name = name ? name : "";
    m_opened = 1;
    return TRUE;
}

std::int64_t CaxLoggingTarget::TextLength(const char* text) noexcept {
    return text ? static_cast<std::int64_t>(std::strlen(text)) : 0;
}

BOOL CaxLoggingTargetTrace::Open(const char* name) {
    return OpenNameOnly(name);
}

std::int64_t CaxLoggingTargetTrace::Write(const char* text) {
    return TextLength(text);
}

BOOL CaxLoggingTargetMsgBox::Open(const char* name) {
    return OpenNameOnly(name);
}

std::int64_t CaxLoggingTargetMsgBox::Write(const char* text) {
    MessageBoxA(nullptr, text ? text : "", m_name.GetData() ? m_name.GetData() : "", MB_OK);
    return TextLength(text);
}
