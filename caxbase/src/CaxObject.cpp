#include "CaxObject.h"

#include <cstring>

CaxObject::CaxObject() noexcept : m_signature(kAliveSignature) {
    std::memset(m_classSet, 0, sizeof m_classSet);
    AddToClassSet(caxclass::kObject);
}

CaxObject::CaxObject(const CaxObject& other) noexcept : m_signature(other.m_signature) {
    std::memcpy(m_classSet, other.m_classSet, sizeof m_classSet);
}

CaxObject::~CaxObject() {
    // Volatile stores: the compiler may not drop them as dead stores to an
    // object whose lifetime is ending, so the storage really shows the
    // destroyed state afterwards.
    volatile std::uint32_t* signature = &m_signature;
    *signature = kDestroyedSignature;
    volatile std::uint8_t* classSet = m_classSet;
    for (std::uint32_t i = 0; i < kClassSetBytes; ++i)
        classSet[i] = 0;
}

std::uint32_t CaxObject::GetReservedID() const {
    return caxclass::kInvalid;
}

std::uint32_t CaxObject::GetClassID() const {
    return IdentifierIfAlive(caxclass::kObject);
}

bool CaxObject::QueryReserved() const {
    return false;
}

bool CaxObject::IsList() const {
    return false;
}

bool CaxObject::IsClassInSet(std::uint32_t classId) const noexcept {
    if (classId >= kClassSetBytes * 8) return false;
    return (m_classSet[classId / 8] & (1u << (classId % 8))) != 0;
}

void CaxObject::AddToClassSet(std::uint32_t classId) noexcept {
    const std::uint32_t id = IdentifierIfAlive(classId);
    if (id != caxclass::kInvalid && id < kClassSetBytes * 8)
        m_classSet[id / 8] = static_cast<std::uint8_t>(m_classSet[id / 8] | (1u << (id % 8)));
    m_signature = kAliveSignature;
}

CaxSystemObject::CaxSystemObject() noexcept {
    AddToClassSet(caxclass::kSystem);
}
std::uint32_t CaxSystemObject::GetClassID() const {
    return IdentifierIfAlive(caxclass::kSystem);
}

CaxStorageObject::CaxStorageObject() noexcept {
    AddToClassSet(caxclass::kStorage);
}
std::uint32_t CaxStorageObject::GetClassID() const {
    return IdentifierIfAlive(caxclass::kStorage);
}

CaxContainerObject::CaxContainerObject() noexcept {
    AddToClassSet(caxclass::kContainer);
}
std::uint32_t CaxContainerObject::GetClassID() const {
    return IdentifierIfAlive(caxclass::kContainer);
}

CaxMathObject::CaxMathObject() noexcept {
    AddToClassSet(caxclass::kMath);
}
std::uint32_t CaxMathObject::GetClassID() const {
    return IdentifierIfAlive(caxclass::kMath);
}
