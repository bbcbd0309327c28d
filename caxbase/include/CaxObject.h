// Root of the base library's object tree: a live/destroyed signature, a set
// of the class identifiers an object was built through, and the intermediate
// roots that group the library's classes by kind.
#pragma once

#include <cstdint>

// What GetClassID answers for each class of the library.
namespace caxclass {
constexpr std::uint32_t kObject = 1;
constexpr std::uint32_t kException = 5;
constexpr std::uint32_t kContainer = 6;
constexpr std::uint32_t kList = 7;
constexpr std::uint32_t kMath = 11;
constexpr std::uint32_t kVector2D = 13;
constexpr std::uint32_t kStorage = 17;
constexpr std::uint32_t kRegistry = 18;
constexpr std::uint32_t kSystem = 19;
constexpr std::uint32_t kLogging = 20;
constexpr std::uint32_t kThread = 25;
// Answered by a destroyed object and by GetReservedID.
constexpr std::uint32_t kInvalid = 0xFFFFFFFFu;
} // namespace caxclass

class CaxObject {
public:
    static constexpr std::uint32_t kAliveSignature = 0x10D2E553u;
    static constexpr std::uint32_t kDestroyedSignature = 0x28F2CE40u;
    static constexpr std::uint32_t kClassSetBytes = 16;

    CaxObject() noexcept;
    CaxObject(const CaxObject& other) noexcept;
    CaxObject& operator=(const CaxObject& other) noexcept = default;
    virtual ~CaxObject();

    virtual std::uint32_t GetReservedID() const;
    virtual std::uint32_t GetClassID() const;
    virtual bool QueryReserved() const;
    virtual bool IsList() const;

    std::uint32_t GetSignature() const noexcept { return m_signature; }
    // Whether the object was built through the class with this identifier.
    bool IsClassInSet(std::uint32_t classId) const noexcept;

protected:
    // The identifier while alive, otherwise caxclass::kInvalid.
    std::uint32_t IdentifierIfAlive(std::uint32_t classId) const noexcept {
        return m_signature == kAliveSignature ? classId : caxclass::kInvalid;
    }
    // Called by each derived constructor with its own identifier.
    void AddToClassSet(std::uint32_t classId) noexcept;

    std::uint32_t m_signature;
    std::uint8_t m_classSet[kClassSetBytes];
};

class CaxSystemObject : public CaxObject {
public:
    CaxSystemObject() noexcept;
    CaxSystemObject(const CaxSystemObject& other) noexcept = default;
    CaxSystemObject& operator=(const CaxSystemObject& other) noexcept = default;
    ~CaxSystemObject() override = default;
    std::uint32_t GetClassID() const override;
};

class CaxStorageObject : public CaxObject {
public:
    CaxStorageObject() noexcept;
    CaxStorageObject(const CaxStorageObject& other) noexcept = default;
    CaxStorageObject& operator=(const CaxStorageObject& other) noexcept = default;
    ~CaxStorageObject() override = default;
    std::uint32_t GetClassID() const override;
};

class CaxContainerObject : public CaxObject {
public:
    CaxContainerObject() noexcept;
    CaxContainerObject(const CaxContainerObject& other) noexcept = default;
    CaxContainerObject& operator=(const CaxContainerObject& other) noexcept = default;
    ~CaxContainerObject() override = default;
    std::uint32_t GetClassID() const override;
};

class CaxMathObject : public CaxObject {
public:
    CaxMathObject() noexcept;
    CaxMathObject(const CaxMathObject& other) noexcept = default;
    CaxMathObject& operator=(const CaxMathObject& other) noexcept = default;
    ~CaxMathObject() override = default;
    std::uint32_t GetClassID() const override;
};
