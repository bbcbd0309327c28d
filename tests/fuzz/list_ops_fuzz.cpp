// CaxDLList<T> for 64-bit integers and for strings, driven by a byte-coded
// sequence of operations and checked against a model after every one: the
// elements head to tail and back, the count, the nodes behind the positions
// (nodes are recycled first in, first out, and blocks are only ever added),
// and that every operation the model calls invalid throws the list's error
// and leaves the list as it was. Positions handed in may be live, null,
// removed (and perhaps reused since) or another list's. A chosen operator
// new can be made to fail, so that a block that cannot be made (-4) is seen
// to leave the list as it was and to leak nothing.
#include "CaxList"
#include "fuzz_check.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <new>
#include <optional>
#include <utility>
#include <vector>

namespace {

int g_failingNew = 0; // the n-th operator new from now on throws; 0: none

void* CountedNew(std::size_t size) {
    if (g_failingNew > 0 && --g_failingNew == 0) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

} // namespace

// Every form that allocates with operator new is replaced (libFuzzer itself
// uses the nothrow ones), so that all of them pair with the deletes below.
void* operator new(std::size_t size) {
    return CountedNew(size);
}
void* operator new[](std::size_t size) {
    return CountedNew(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

constexpr int kOk = 0;
constexpr int kIndexOutOfRange = -1;
constexpr int kNoEmptyElements = -2;
constexpr int kItemNotFound = -3;
constexpr int kGeneralError = -4;

const char* ErrorText(int code) {
    switch (code) {
    case kIndexOutOfRange:
        return "Index out of Range";
    case kNoEmptyElements:
        return "No empty elements available";
    case kItemNotFound:
        return "Item not found";
    default:
        return "General Error";
    }
}

// What the model knows of a value: its key, or none for a string without a
// block, which equals nothing.
template <class T> struct Traits;

template <> struct Traits<std::int64_t> {
    using Key = std::int64_t;
    static std::int64_t Make(FuzzedDataProvider& in) {
        // A small range, so that searches find duplicates.
        return in.ConsumeIntegralInRange(0, 7) == 0
                   ? in.ConsumeIntegral<std::int64_t>()
                   : in.ConsumeIntegralInRange<std::int64_t>(-2, 5);
    }
    static std::optional<Key> KeyOf(const std::int64_t& value) { return value; }
};

template <> struct Traits<CaxCString> {
    using Key = std::string;
    static CaxCString Make(FuzzedDataProvider& in) {
        static const char* const kCommon[] = {"", "a", "b", "ab", "A"};
        switch (in.ConsumeIntegralInRange(0, 7)) {
        case 0:
            return CaxCString(); // no block
        case 1:
            return CaxCString(fuzzcheck::Text(in, 12).c_str());
        default:
            return CaxCString(kCommon[in.ConsumeIntegralInRange(0, 4)]);
        }
    }
    static std::optional<Key> KeyOf(const CaxCString& value) {
        if (!value.GetData()) return std::nullopt;
        return std::string(value.GetData());
    }
};

template <class T> class ListModel {
public:
    using List = CaxDLList<T>;
    using Node = typename List::Node;
    using Key = typename Traits<T>::Key;

    ListModel(FuzzedDataProvider& in, std::uint32_t blockSize)
        : m_in(in), m_list(blockSize), m_blockSize(blockSize) {
        m_handles.push_back(nullptr);
        // Another list's positions must be refused.
        for (int i = 0; i < 2; ++i) {
            m_other.AddTail(T{});
            m_handles.push_back(m_other.GetTailPosition());
        }
    }

    void Step() {
        switch (m_in.ConsumeIntegralInRange(0, 22)) {
        case 0:
            Insert(0, [this](const T& v) { return m_list.AddHead(v); });
            break;
        case 1:
            Insert(Size(), [this](const T& v) { return m_list.AddTail(v); });
            break;
        case 2:
        case 3: {
            const bool after = m_in.ConsumeBool();
            const int index = fuzzcheck::Index(m_in, Size());
            if (!ValidIndex(index)) {
                const T value = Traits<T>::Make(m_in);
                Expect(kIndexOutOfRange, [&] {
                    after ? m_list.InsertAfter(index, value) : m_list.InsertBefore(index, value);
                });
                break;
            }
            const std::size_t at = static_cast<std::size_t>(index) + (after ? 1 : 0);
            Insert(at, [&](const T& v) {
                return after ? m_list.InsertAfter(index, v) : m_list.InsertBefore(index, v);
            });
            break;
        }
        case 4:
        case 5: {
            const bool after = m_in.ConsumeBool();
            Node* position = PickPosition();
            std::optional<std::size_t> at;
            if (Size() == 0) {
                at = 0;
            } else if (!position ||
                       position == (after ? m_elements.back() : m_elements.front()).node) {
                at = after ? Size() : 0;
            } else if (const auto index = IndexOf(position)) {
                at = *index + (after ? 1 : 0);
            }
            if (!at) {
                const T value = Traits<T>::Make(m_in);
                Expect(kItemNotFound, [&] {
                    after ? m_list.InsertAfter(position, value)
                          : m_list.InsertBefore(position, value);
                });
                break;
            }
            Insert(*at, [&](const T& v) {
                return after ? m_list.InsertAfter(position, v) : m_list.InsertBefore(position, v);
            });
            break;
        }
        case 6:
            RemoveExpecting(Size() ? std::optional<std::size_t>(0) : std::nullopt,
                            [this] { return m_list.RemoveHead(); });
            break;
        case 7:
            RemoveExpecting(Size() ? std::optional<std::size_t>(Size() - 1) : std::nullopt,
                            [this] { return m_list.RemoveTail(); });
            break;
        case 8:
            m_list.RemoveAll();
            for (const Element& e : m_elements)
                m_free.push_back(e.node);
            m_elements.clear();
            break;
        case 9: {
            const int index = fuzzcheck::Index(m_in, Size());
            RemoveExpecting(ValidIndex(index) ? std::optional<std::size_t>(index) : std::nullopt,
                            [&] { return m_list.RemoveAt(index); });
            break;
        }
        case 10: {
            const T value = Traits<T>::Make(m_in);
            RemoveExpecting(FirstEqual(value), [&] { return m_list.Remove(value); });
            break;
        }
        case 11: {
            Node* position = PickPosition();
            RemoveExpecting(IndexOf(position), [&] { return m_list.RemoveAt(position); });
            break;
        }
        case 12: {
            const T value = Traits<T>::Make(m_in);
            const auto first = FirstEqual(value);
            FUZZ_REQUIRE(m_list.FindIndex(value) == (first ? static_cast<int>(*first) : -1));
            FUZZ_REQUIRE(m_list.Find(value) == (first ? m_elements[*first].node : nullptr));
            break;
        }
        case 13: {
            const int index = fuzzcheck::Index(m_in, Size());
            FUZZ_REQUIRE(
                m_list.GetPositionAt(index) ==
                (ValidIndex(index) ? m_elements[static_cast<std::size_t>(index)].node : nullptr));
            break;
        }
        case 14:
            if (Size() == 0) {
                Expect(kItemNotFound, [this] { m_list.GetHead(); });
                Expect(kItemNotFound, [this] { m_list.GetTail(); });
            } else {
                FUZZ_REQUIRE(m_list.GetHead() == &m_elements.front().node->value);
                FUZZ_REQUIRE(m_list.GetTail() == &m_elements.back().node->value);
            }
            break;
        case 15: {
            const int index = fuzzcheck::Index(m_in, Size());
            if (ValidIndex(index))
                FUZZ_REQUIRE(m_list.GetAt(index) ==
                             &m_elements[static_cast<std::size_t>(index)].node->value);
            else
                Expect(kIndexOutOfRange, [&] { m_list.GetAt(index); });
            break;
        }
        case 16: {
            Node* position = PickPosition();
            if (IndexOf(position))
                FUZZ_REQUIRE(m_list.GetAt(position) == &position->value);
            else
                Expect(kItemNotFound, [&] { m_list.GetAt(position); });
            break;
        }
        case 17:
        case 18: {
            const bool next = m_in.ConsumeBool();
            Node* const start = PickPosition();
            Node* position = start;
            const auto index = IndexOf(start);
            if (!index) {
                Expect(kItemNotFound,
                       [&] { next ? m_list.GetNext(position) : m_list.GetPrev(position); });
                FUZZ_REQUIRE(position == start);
                break;
            }
            FUZZ_REQUIRE((next ? m_list.GetNext(position) : m_list.GetPrev(position)) ==
                         &start->value);
            Node* expected = nullptr;
            if (next && *index + 1 < Size()) expected = m_elements[*index + 1].node;
            if (!next && *index > 0) expected = m_elements[*index - 1].node;
            FUZZ_REQUIRE(position == expected);
            break;
        }
        case 19: {
            const int index = fuzzcheck::Index(m_in, Size());
            const T value = Traits<T>::Make(m_in);
            if (!ValidIndex(index)) {
                Expect(kIndexOutOfRange, [&] { m_list.SetAt(index, value); });
                break;
            }
            Element& e = m_elements[static_cast<std::size_t>(index)];
            FUZZ_REQUIRE(m_list.SetAt(index, value) == &e.node->value);
            e.key = StoredKey(value);
            break;
        }
        case 20: {
            // An explicit block: its nodes join the back of the free list.
            const std::uint32_t count = m_in.ConsumeBool()
                                            ? caxlist::kUseBlockSize
                                            : m_in.ConsumeIntegralInRange<std::uint32_t>(0, 12);
            const std::uint32_t nodes = count == caxlist::kUseBlockSize ? m_blockSize : count;
            const int failAt = std::exchange(m_failAt, 0);
            if (failAt && nodes > 0) {
                Expect(kGeneralError,
                       [&] { Failing(failAt, [&] { m_list.AllocateBlock(count); }); });
                break;
            }
            auto* block = m_list.AllocateBlock(count);
            if (nodes == 0) {
                FUZZ_REQUIRE(block == nullptr);
                break;
            }
            FUZZ_REQUIRE(block && block->count == nodes && block->next == nullptr);
            for (std::uint32_t i = 0; i < nodes; ++i) {
                m_free.push_back(&block->nodes[i]);
                m_handles.push_back(&block->nodes[i]);
            }
            m_allocated += nodes;
            break;
        }
        case 21:
            FUZZ_REQUIRE(m_list.GetClassID() == 7 && m_list.IsList());
            FUZZ_REQUIRE(m_list.GetBlockSize() == m_blockSize);
            break;
        case 22: // the next block is refused: its header (1) or its nodes (2)
            m_failAt = m_in.ConsumeIntegralInRange(1, 2);
            break;
        }
    }

    // Everything the list shows against the model.
    void Check() const {
        FUZZ_REQUIRE(m_list.GetCount() == Size() && m_list.IsEmpty() == (Size() == 0));
        FUZZ_REQUIRE(m_list.GetAllocatedCount() == m_allocated);
        FUZZ_REQUIRE(m_list.GetHeadPosition() == (Size() ? m_elements.front().node : nullptr));
        FUZZ_REQUIRE(m_list.GetTailPosition() == (Size() ? m_elements.back().node : nullptr));
        auto position = m_list.GetHeadPosition();
        for (const Element& e : m_elements) {
            FUZZ_REQUIRE(position == e.node);
            FUZZ_REQUIRE(Traits<T>::KeyOf(*m_list.GetNext(position)) == e.key);
        }
        FUZZ_REQUIRE(position == nullptr);
        position = m_list.GetTailPosition();
        for (auto e = m_elements.rbegin(); e != m_elements.rend(); ++e) {
            FUZZ_REQUIRE(position == e->node);
            m_list.GetPrev(position);
        }
        FUZZ_REQUIRE(position == nullptr);
        FUZZ_REQUIRE(m_other.GetCount() == 2);
    }

private:
    struct Element {
        Key key;
        Node* node;
    };

    std::size_t Size() const { return m_elements.size(); }

    bool ValidIndex(int index) const {
        return index >= 0 && static_cast<std::size_t>(index) < Size();
    }

    std::optional<std::size_t> IndexOf(const Node* node) const {
        for (std::size_t i = 0; i < Size(); ++i)
            if (m_elements[i].node == node) return i;
        return std::nullopt;
    }

    std::optional<std::size_t> FirstEqual(const T& value) const {
        const auto key = Traits<T>::KeyOf(value);
        if (!key) return std::nullopt;
        for (std::size_t i = 0; i < Size(); ++i)
            if (m_elements[i].key == *key) return i;
        return std::nullopt;
    }

    // A stored value always has a block: a string without one is stored empty.
    static Key StoredKey(const T& value) { return Traits<T>::KeyOf(value).value_or(Key{}); }

    Node* PickPosition() {
        switch (m_in.ConsumeIntegralInRange(0, 5)) {
        case 0:
        case 1: // any position ever seen: null, another list's, free or reused
            return m_handles[m_in.ConsumeIntegralInRange<std::size_t>(0, m_handles.size() - 1)];
        default:
            if (Size() == 0) return nullptr;
            return m_elements[m_in.ConsumeIntegralInRange<std::size_t>(0, Size() - 1)].node;
        }
    }

    // Runs call, which must throw the list's error code (kOk: must not throw).
    template <class Call> void Expect(int code, Call call) {
        int thrown = kOk;
        try {
            call();
        } catch (const CaxExceptionObject& e) {
            FUZZ_REQUIRE(e.GetFile() && std::strcmp(e.GetFile(), caxlist::kSourceName) == 0);
            FUZZ_REQUIRE(std::strcmp(e.GetMessage(), ErrorText(static_cast<int>(e.GetLine()))) ==
                         0);
            FUZZ_REQUIRE(e.GetResult() == 0x80000000u && e.GetClassID() == 5);
            thrown = static_cast<int>(e.GetLine());
        }
        FUZZ_REQUIRE(thrown == code);
    }

    // An insertion at index `at`: the node comes from the front of the free
    // list, which a new block of the block size refills when it is empty.
    template <class Call> void Insert(std::size_t at, Call call) {
        const T value = Traits<T>::Make(m_in);
        const int failAt = std::exchange(m_failAt, 0);
        if (m_free.empty()) {
            if (m_blockSize == 0) {
                Expect(kNoEmptyElements, [&] { call(value); });
                return;
            }
            if (failAt) {
                Expect(kGeneralError, [&] { Failing(failAt, [&] { call(value); }); });
                return;
            }
            m_free.insert(m_free.end(), m_blockSize, nullptr); // nodes not seen yet
            m_allocated += m_blockSize;
        }
        Node* const expectedNode = m_free.front();
        m_free.pop_front();
        T* stored = nullptr;
        // With nodes to spare, a refused allocation must not matter.
        Expect(kOk, [&] { Failing(failAt, [&] { stored = call(value); }); });
        Node* node = m_list.GetPositionAt(static_cast<int>(at));
        FUZZ_REQUIRE(node && stored == &node->value);
        if (expectedNode) {
            FUZZ_REQUIRE(node == expectedNode);
        } else {
            FUZZ_REQUIRE(std::find(m_handles.begin(), m_handles.end(), node) == m_handles.end());
            m_handles.push_back(node);
        }
        m_elements.insert(m_elements.begin() + static_cast<std::ptrdiff_t>(at),
                          Element{StoredKey(value), node});
    }

    // Runs call with the n-th operator new inside it failing (0: none).
    template <class Call> static void Failing(int n, Call call) {
        g_failingNew = n;
        try {
            call();
        } catch (...) {
            g_failingNew = 0;
            throw;
        }
        g_failingNew = 0;
    }

    // A removal of the element at index (none: the list must refuse with -3).
    // The answer points at the removed value, still readable in its free node.
    template <class Call> void RemoveExpecting(std::optional<std::size_t> index, Call call) {
        if (!index) {
            Expect(kItemNotFound, call);
            return;
        }
        const Element removed = m_elements[*index];
        T* answer = nullptr;
        Expect(kOk, [&] { answer = call(); });
        FUZZ_REQUIRE(answer == &removed.node->value);
        FUZZ_REQUIRE(Traits<T>::KeyOf(*answer) == removed.key);
        m_elements.erase(m_elements.begin() + static_cast<std::ptrdiff_t>(*index));
        m_free.push_back(removed.node);
    }

    FuzzedDataProvider& m_in;
    List m_list;
    List m_other;
    std::uint32_t m_blockSize;
    std::uint32_t m_allocated = 0;
    int m_failAt = 0; // the next block's allocation that fails; 0: none
    std::vector<Element> m_elements;
    std::deque<Node*> m_free; // null: a node of an implicitly added block
    std::vector<Node*> m_handles;
};

template <class T> void Run(FuzzedDataProvider& in, std::uint32_t blockSize) {
    ListModel<T> model(in, blockSize);
    for (int steps = 0; steps < 400 && in.remaining_bytes() > 0; ++steps) {
        model.Step();
        model.Check();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const bool strings = in.ConsumeBool();
    static const std::uint32_t kBlockSizes[] = {0, 1, 2, 3, 5, 100};
    const std::uint32_t blockSize = kBlockSizes[in.ConsumeIntegralInRange(0, 5)];
    if (strings)
        Run<CaxCString>(in, blockSize);
    else
        Run<std::int64_t>(in, blockSize);
    return 0;
}
