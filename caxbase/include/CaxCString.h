// CaxCString: the base library's single-byte string with an explicit length,
// a malloc'ed block (4-byte capacity header, characters, NUL) and value
// semantics. Positions are 0-based; -1 means "not found" or "not possible".
// Running out of memory throws an int with the value -1.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string_view>

template <class T> class CaxDLList;
class CaxVector2D;

class CaxCString {
public:
    CaxCString() noexcept = default;
    CaxCString(const CaxCString& other);
    // A null text counts as empty. With an explicit size the block holds that
    // many characters and at most that many are copied.
    CaxCString(const char* text, std::uint32_t size = 0xFFFFFFFFu);
    CaxCString(const char* first, const char* second);
    virtual ~CaxCString();

    // Formatting (printf style). A null format, an empty result or a result
    // of 64768 characters and more append nothing.
    virtual void AppendFormat(const char* format, ...);
    virtual void AppendFormatV(const char* format, va_list args);
    // Replaces the content; when nothing could be formatted the string is empty.
    virtual void Format(const char* format, ...);

    // -1, 0 or 1; -1 as well when either side has no characters at all.
    virtual int Compare(const CaxCString& other) const;
    virtual int Compare(const char* text) const;
    virtual int CompareNoCase(const CaxCString& other) const;
    virtual int CompareNoCase(const char* text) const;

    virtual int Find(const char* needle, int start = 0) const;
    virtual int FindNoCase(const char* needle, int start = 0) const;
    // Answers the index of the last character of the match ending at or
    // before end (-1: the last character).
    virtual int ReverseFind(const char* needle, int end);
    virtual int ReverseFind(const char* needle);

    virtual int GetSize() const;
    virtual int GetLength() const;
    virtual bool IsEmpty() const;
    // The line starting at start; *next receives the start of the following one.
    virtual CaxCString GetLine(int start, std::uint32_t* next);
    virtual CaxCString Left(int count) const;
    virtual CaxCString Mid(int start, int count) const;
    virtual CaxCString Right(int count) const;

    virtual void MakeLower();
    virtual void MakeUpper();
    virtual void MakeReverse();
    virtual void TrimLeft();
    virtual void TrimRight();
    virtual int Replace(const char* oldText, const char* newText);
    // A new list on the heap, owned by the caller.
    virtual CaxDLList<CaxCString>* Split(const char* separator, bool dropSeparator) const;

    // Filters change the string and answer a copy of the result.
    virtual CaxCString RemoveLineBreaks();
    virtual CaxCString KeepDigits();
    virtual CaxCString KeepHexDigits();
    virtual CaxCString Remove(char ch);

    // Parsers: *count (when given) receives the characters consumed from start.
    virtual std::uint32_t ToHexHighPart(int start, std::uint32_t* count = nullptr);
    virtual std::uint32_t ToHexLowPart(int start, std::uint32_t* count = nullptr);
    virtual double ToDouble(int start = 0) const;
    virtual std::int64_t ToInt64(int start, std::uint32_t* count = nullptr);
    // Text "x,y" from start, *count characters long (to the end when null).
    virtual CaxVector2D ToVector2D(int start, const std::uint32_t* count = nullptr) const;
    virtual std::int32_t ToInt(int start, std::uint32_t* count = nullptr);
    virtual std::uint16_t ToUShort(int start, std::uint32_t* count = nullptr);

    virtual char* GetAtPtr(int index);
    virtual const char* GetAtPtr(int index) const;
    // Out-of-range indexes answer a placeholder character.
    virtual const char& GetAt(int index) const;
    virtual char& GetAt(int index);
    // Direct access to the characters; with a size, the block is grown to at
    // least *size bytes and *size receives how many bytes may be written
    // (the characters and their terminator).
    virtual char* GetBuffer(std::uint32_t* size = nullptr);
    virtual int UpdateLength();
    virtual std::uint32_t SetMinSize(std::uint32_t size);

    virtual void Assign(std::int32_t value);
    virtual void Assign(double value);
    // A 16-bit string: the low byte of each unit becomes one character.
    virtual void Assign(std::u16string_view wide);
    virtual CaxCString& operator=(const CaxCString& other);
    virtual CaxCString& operator=(const char* text);
    virtual void Append(const char* text);
    virtual void Append(const CaxCString& other);

    // The characters, or null when the string has no block.
    const char* GetData() const noexcept { return m_data; }
    std::uint32_t GetCapacity() const noexcept { return m_capacity; }
    std::uint32_t GetBlockSize() const noexcept { return m_blockSize; }
    std::uint32_t GetSizeHint() const noexcept { return m_sizeHint; }
    // Number of blocks taken from the heap by all strings of the process; lets
    // callers check that a code path does not allocate.
    static std::uint64_t GetBlockAllocationCount() noexcept;

private:
    void Reserve(std::uint64_t size);
    void GrowPreserve(std::uint64_t size);
    void ReleaseBlock() noexcept;
    void SetLength(std::uint32_t length) noexcept;
    bool PointsIntoBlock(const char* text) const noexcept;
    void AppendCharacters(const char* text, std::uint32_t count, std::uint64_t threshold,
                          std::uint64_t newSize);
    template <class Keep> CaxCString Filter(Keep keep);
    static CaxCString FromRange(const char* text, std::uint32_t count);
    bool ParseFrom(int start, int kind, std::uint64_t& value, std::uint32_t* count);

    std::uint32_t m_blockSize = 0;
    std::uint32_t m_length = 0;
    std::int32_t m_reserved = -1;
    std::uint32_t m_sizeHint = 0;
    std::uint32_t m_capacity = 0;
    char m_placeholder = '\0'; // what GetAt answers for an index outside the string
    void* m_block = nullptr;
    char* m_data = nullptr;
};

CaxCString operator+(const CaxCString& left, const CaxCString& right);
CaxCString operator+(const char* left, const CaxCString& right);
bool operator==(const CaxCString& left, const CaxCString& right);
