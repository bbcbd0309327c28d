// CList: a doubly linked list of values, walked by POSITION. Nodes come from
// blocks of nBlockSize nodes that the list keeps on a free chain; the blocks
// are given back when the list becomes empty. Only the operations the
// framework's users need.
//
//   CList<CWorker*, CWorker*> workers;
//   workers.AddHead(worker);
//   for (POSITION pos = workers.GetHeadPosition(); pos;) {
//       CWorker* each = workers.GetNext(pos);
//   }
#pragma once

#include <windows.h>

#include <cstddef>
#include <new>

#ifndef __AFX_POSITION_DEFINED
#define __AFX_POSITION_DEFINED
struct __POSITION {};
using POSITION = __POSITION*;
#endif

template <class TYPE, class ARG_TYPE = const TYPE&> class CList {
public:
    explicit CList(INT_PTR nBlockSize = 10) : m_nBlockSize(nBlockSize > 0 ? nBlockSize : 10) {}
    CList(const CList&) = delete;
    CList& operator=(const CList&) = delete;
    ~CList() { RemoveAll(); }

    INT_PTR GetCount() const { return m_nCount; }
    bool IsEmpty() const { return m_nCount == 0; }

    // Throws std::bad_alloc when no node can be had; the list is unchanged.
    POSITION AddHead(ARG_TYPE newElement) {
        CNode* node = NewNode(nullptr, m_pNodeHead);
        node->data = newElement;
        if (m_pNodeHead)
            m_pNodeHead->pPrev = node;
        else
            m_pNodeTail = node;
        m_pNodeHead = node;
        return ToPosition(node);
    }

    POSITION GetHeadPosition() const { return ToPosition(m_pNodeHead); }
    // The value at pos; pos moves on to the next node (null after the tail).
    TYPE& GetNext(POSITION& pos) const {
        CNode* node = FromPosition(pos);
        pos = ToPosition(node->pNext);
        return node->data;
    }
    TYPE& GetAt(POSITION pos) const { return FromPosition(pos)->data; }

    // The first node holding the value, searched from the head; null if none.
    POSITION Find(ARG_TYPE searchValue) const {
        for (CNode* node = m_pNodeHead; node; node = node->pNext)
            if (node->data == searchValue) return ToPosition(node);
        return nullptr;
    }

    void RemoveAt(POSITION pos) {
        CNode* node = FromPosition(pos);
        (node->pPrev ? node->pPrev->pNext : m_pNodeHead) = node->pNext;
        (node->pNext ? node->pNext->pPrev : m_pNodeTail) = node->pPrev;
        FreeNode(node);
    }

    // Empties the list and gives its node blocks back.
    void RemoveAll() {
        for (CNode* node = m_pNodeHead; node; node = node->pNext)
            node->data.~TYPE();
        while (m_pBlocks) {
            CBlock* next = m_pBlocks->pNext;
            ::operator delete(m_pBlocks);
            m_pBlocks = next;
        }
        m_pNodeHead = m_pNodeTail = m_pNodeFree = nullptr;
        m_nCount = 0;
    }

private:
    struct CNode {
        CNode* pNext;
        CNode* pPrev;
        TYPE data;
    };
    struct CBlock {
        CBlock* pNext; // the block's nodes follow, aligned for CNode
    };
    static_assert(alignof(CNode) <= alignof(std::max_align_t));

    static POSITION ToPosition(CNode* node) { return reinterpret_cast<POSITION>(node); }
    static CNode* FromPosition(POSITION pos) { return reinterpret_cast<CNode*>(pos); }

    CNode* NewNode(CNode* prev, CNode* next) {
        if (!m_pNodeFree) {
            const std::size_t header = (sizeof(CBlock) + alignof(CNode) - 1) / alignof(CNode) *
                                       alignof(CNode);
            auto* block = static_cast<CBlock*>(::operator new(
                header + sizeof(CNode) * static_cast<std::size_t>(m_nBlockSize)));
            block->pNext = m_pBlocks;
            m_pBlocks = block;
            CNode* nodes = reinterpret_cast<CNode*>(reinterpret_cast<char*>(block) + header);
            for (INT_PTR i = m_nBlockSize - 1; i >= 0; --i) {
                nodes[i].pNext = m_pNodeFree;
                m_pNodeFree = &nodes[i];
            }
        }
        CNode* node = m_pNodeFree;
        m_pNodeFree = node->pNext;
        node->pPrev = prev;
        node->pNext = next;
        ::new (static_cast<void*>(&node->data)) TYPE();
        ++m_nCount;
        return node;
    }

    void FreeNode(CNode* node) {
        node->data.~TYPE();
        node->pNext = m_pNodeFree;
        m_pNodeFree = node;
        if (--m_nCount == 0) RemoveAll();
    }

    CNode* m_pNodeHead = nullptr;
    CNode* m_pNodeTail = nullptr;
    CNode* m_pNodeFree = nullptr;
    CBlock* m_pBlocks = nullptr;
    INT_PTR m_nCount = 0;
    const INT_PTR m_nBlockSize;
};
