#include "GridRecord.h"

#include "AfxException.h"

#include <atomic>
#include <new>

namespace {

std::atomic<long> g_recordsAlive{0};

} // namespace

GRIDLIST* NewRecord() {
    GRIDLIST* const record = new (std::nothrow) GRIDLIST;
    if (!record) AfxThrowMemoryException();
    ++g_recordsAlive;
    return record;
}

void DeleteRecord(GRIDLIST* pRecord) {
    if (!pRecord) return;
    for (INT_PTR i = 0; i < pRecord->arrCells.GetSize(); ++i)
        DeleteRecord(pRecord->arrCells[i]);
    pRecord->arrCells.RemoveAll();
    if (pRecord->bOwnFont) {
        delete pRecord->pFont;
        pRecord->pFont = nullptr;
        pRecord->bOwnFont = false;
    }
    delete pRecord->pMergedFont;
    pRecord->pMergedFont = nullptr;
    DeleteRecord(pRecord->pRowStyle);
    DeleteRecord(pRecord->pSelected);
    delete pRecord;
    --g_recordsAlive;
}

long GridRecordsAlive() {
    return g_recordsAlive.load();
}
