// Storage, construction, assignment, appending, comparison and element access
// of CaxCString.
#include "CaxCString.h"

#include "CaxFaultSeam.h"
#include "CaxPlatform.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>

namespace {

constexpr std::uint64_t kHeaderAndTerminator = 8;
constexpr std::uint64_t kLargestBlock = std::numeric_limits<std::uint32_t>::max();

std::atomic<std::uint64_t> g_blockAllocations{0};

// Blocks are sized in 32 bits; anything larger is treated like a failed malloc.
void* AllocateBlock(std::uint64_t capacity) {
    if (capacity + kHeaderAndTerminator > kLargestBlock) throw -1;
    if (caxseam::ShouldFail(caxseam::Point::StringAllocation)) throw -1;
    void* block = std::malloc(static_cast<std::size_t>(capacity + kHeaderAndTerminator));
    if (!block) throw -1;
    g_blockAllocations.fetch_add(1, std::memory_order_relaxed);
    return block;
}

void WriteHeader(void* block, std::uint32_t capacity) {
    std::memcpy(block, &capacity, sizeof capacity);
}

int Sign(int value) {
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

unsigned char LowerAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

} // namespace

std::uint64_t CaxCString::GetBlockAllocationCount() noexcept {
    return g_blockAllocations.load(std::memory_order_relaxed);
}

void CaxCString::Reserve(std::uint64_t size) {
    if (m_block && size <= m_capacity) return;
    const std::uint64_t capacity = std::max<std::uint64_t>(size, m_sizeHint);
    void* block = AllocateBlock(capacity);
    ReleaseBlock();
    m_block = block;
    m_capacity = static_cast<std::uint32_t>(capacity);
    m_blockSize = static_cast<std::uint32_t>(capacity + kHeaderAndTerminator);
    m_data = static_cast<char*>(block) + 4;
    WriteHeader(block, m_capacity);
    SetLength(0);
}

void CaxCString::GrowPreserve(std::uint64_t size) {
    if (size <= m_blockSize) return;
    if (!m_block) {
        Reserve(size);
        return;
    }
    // The new block is taken before the old one goes, so a failure leaves the
    // string as it was.
    const std::uint64_t capacity = std::max<std::uint64_t>(size, m_sizeHint);
    void* block = AllocateBlock(capacity);
    std::memcpy(block, m_block, m_blockSize);
    std::free(m_block);
    m_block = block;
    m_capacity = static_cast<std::uint32_t>(capacity);
    m_blockSize = static_cast<std::uint32_t>(capacity + kHeaderAndTerminator);
    m_data = static_cast<char*>(block) + 4;
    WriteHeader(block, m_capacity);
    m_reserved = -1;
}

void CaxCString::ReleaseBlock() noexcept {
    std::free(m_block);
    m_block = nullptr;
    m_data = nullptr;
    m_blockSize = 0;
    m_capacity = 0;
    m_length = 0;
}

void CaxCString::SetLength(std::uint32_t length) noexcept {
    m_length = length;
    m_data[length] = '\0';
    m_reserved = -1;
}

bool CaxCString::PointsIntoBlock(const char* text) const noexcept {
    if (!m_data || !text) return false;
    const std::less<const char*> before;
    return !before(text, m_data) && before(text, m_data + m_capacity + 1);
}

CaxCString CaxCString::FromRange(const char* text, std::uint32_t count) {
    CaxCString result;
    result.Reserve(count);
    if (count > 0) std::memcpy(result.m_data, text, count);
    result.SetLength(count);
    return result;
}

CaxCString::CaxCString(const CaxCString& other) {
    CaxCString::operator=(other);
}

CaxCString::CaxCString(const char* text, std::uint32_t size) {
    if (!text) text = "";
    if (size == 0xFFFFFFFFu) {
        Reserve(std::strlen(text));
    } else {
        Reserve(size);
        m_sizeHint = size;
    }
    std::uint32_t copied = 0;
    while (copied < m_capacity && text[copied] != '\0') {
        m_data[copied] = text[copied];
        ++copied;
    }
    SetLength(copied);
}

CaxCString::CaxCString(const char* first, const char* second) {
    const std::size_t firstLength = first ? std::strlen(first) : 0;
    const std::size_t secondLength = second ? std::strlen(second) : 0;
    Reserve(static_cast<std::uint64_t>(firstLength) + secondLength);
    if (firstLength) std::memcpy(m_data, first, firstLength);
    if (secondLength) std::memcpy(m_data + firstLength, second, secondLength);
    SetLength(static_cast<std::uint32_t>(firstLength + secondLength));
}

CaxCString::~CaxCString() {
    std::free(m_block);
}

CaxCString& CaxCString::operator=(const CaxCString& other) {
    if (&other == this) return *this;
    Reserve(other.m_length);
    if (other.m_length > 0) std::memcpy(m_data, other.m_data, other.m_length);
    SetLength(other.m_length);
    return *this;
}

CaxCString& CaxCString::operator=(const char* text) {
    if (!text) return *this;
    if (*text == '\0') {
        Reserve(10);
        SetLength(0);
        return *this;
    }
    // A text inside our own block always fits in it, so Reserve keeps the block.
    const std::size_t length = std::strlen(text);
    Reserve(length);
    std::memmove(m_data, text, length);
    SetLength(static_cast<std::uint32_t>(length));
    return *this;
}

void CaxCString::AppendCharacters(const char* text, std::uint32_t count, std::uint64_t threshold,
                                  std::uint64_t newSize) {
    if (threshold > m_blockSize) GrowPreserve(newSize);
    if (count > 0) std::memcpy(m_data + m_length, text, count);
    SetLength(m_length + count);
}

void CaxCString::Append(const char* text) {
    if (!text) return;
    if (PointsIntoBlock(text)) {
        const CaxCString copy(text);
        Append(copy.m_data);
        return;
    }
    const std::uint64_t length = std::strlen(text);
    if (length > kLargestBlock) throw -1;
    AppendCharacters(text, static_cast<std::uint32_t>(length), length + m_length + 20,
                     m_blockSize + length + 128);
}

void CaxCString::Append(const CaxCString& other) {
    if (other.m_length == 0) return;
    if (&other == this) {
        const CaxCString copy(other);
        Append(copy);
        return;
    }
    const std::uint64_t length = other.m_length;
    AppendCharacters(other.m_data, other.m_length, length + m_length + 8,
                     length + m_blockSize + 128);
}

void CaxCString::Assign(std::int32_t value) {
    Reserve(128);
    caxplatform::LongToDecimal(value, m_data);
    SetLength(static_cast<std::uint32_t>(std::strlen(m_data)));
}

void CaxCString::Assign(double value) {
    Reserve(128);
    caxplatform::DoubleToText(value, 20, m_data, static_cast<std::size_t>(m_capacity) + 1);
    SetLength(static_cast<std::uint32_t>(std::strlen(m_data)));
}

void CaxCString::Assign(std::u16string_view wide) {
    if (wide.size() < 1) return;
    Reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i)
        m_data[i] = static_cast<char>(wide[i] & 0xFF);
    SetLength(static_cast<std::uint32_t>(wide.size()));
}

int CaxCString::Compare(const CaxCString& other) const {
    return Compare(other.m_data);
}

int CaxCString::Compare(const char* text) const {
    if (!m_data || !text) return -1;
    return Sign(std::strcmp(m_data, text));
}

int CaxCString::CompareNoCase(const CaxCString& other) const {
    return CompareNoCase(other.m_data);
}

int CaxCString::CompareNoCase(const char* text) const {
    if (!m_data || !text) return -1;
    const auto* left = reinterpret_cast<const unsigned char*>(m_data);
    const auto* right = reinterpret_cast<const unsigned char*>(text);
    for (;; ++left, ++right) {
        const unsigned char a = LowerAscii(*left);
        const unsigned char b = LowerAscii(*right);
        if (a != b) return a < b ? -1 : 1;
        if (a == '\0') return 0;
    }
}

int CaxCString::GetSize() const {
    return GetLength();
}

int CaxCString::GetLength() const {
    return static_cast<int>(m_length);
}

bool CaxCString::IsEmpty() const {
    return m_length == 0;
}

char* CaxCString::GetAtPtr(int index) {
    if (index < 0 || static_cast<std::uint32_t>(index) >= m_length) return nullptr;
    return m_data + index;
}

const char* CaxCString::GetAtPtr(int index) const {
    return const_cast<CaxCString*>(this)->GetAtPtr(index);
}

const char& CaxCString::GetAt(int index) const {
    static const char readPlaceholder = '\0';
    const char* p = GetAtPtr(index);
    return p ? *p : readPlaceholder;
}

char& CaxCString::GetAt(int index) {
    // The string's own placeholder: callers writing through an out-of-range
    // index of different strings never race.
    char* p = GetAtPtr(index);
    if (p) return *p;
    m_placeholder = '\0';
    return m_placeholder;
}

char* CaxCString::GetBuffer(std::uint32_t* size) {
    if (!size) return m_data;
    if (*size >= 1 && *size > m_blockSize) SetMinSize(*size);
    // Every character the block can hold and the terminator: UpdateLength
    // counts at most capacity characters.
    *size = m_block ? m_capacity + 1 : 0;
    return m_data;
}

int CaxCString::UpdateLength() {
    if (!m_data) return -1;
    std::uint32_t length = 0;
    while (length < m_capacity && m_data[length] != '\0')
        ++length;
    SetLength(length);
    return static_cast<int>(length);
}

std::uint32_t CaxCString::SetMinSize(std::uint32_t size) {
    if (size == m_sizeHint) return size;
    if (size > m_blockSize) GrowPreserve(static_cast<std::uint64_t>(size) + 128);
    m_sizeHint = size;
    return size;
}

CaxCString operator+(const CaxCString& left, const CaxCString& right) {
    CaxCString result(left);
    result.Append(right);
    return result;
}

CaxCString operator+(const char* left, const CaxCString& right) {
    CaxCString result(left);
    result.Append(right);
    return result;
}

bool operator==(const CaxCString& left, const CaxCString& right) {
    return left.Compare(right) == 0;
}
