// One simulated device: its input and output lines, the faults injected into
// it, the history of levels written to each output line and the toolkit
// calls made with its handle. Not locked itself: the registry of live images
// serialises every access.
#pragma once

#include "CallCounters.h"

#include <cstdint>
#include <deque>
#include <set>
#include <utility>
#include <vector>

namespace hxk {

class SimImage {
public:
    SimImage(int32_t inputs, int32_t outputs, bool basicDigIO);

    int32_t inputCount() const { return static_cast<int32_t>(inputs_.size()); }
    int32_t outputCount() const { return static_cast<int32_t>(outputs_.size()); }
    bool basicDigIO() const { return basicDigIO_; }

    int32_t references() const { return references_; }
    void addReference() { ++references_; }
    // Answers true when the last reference is gone.
    bool dropReference() { return --references_ <= 0; }

    // Device side: set or read a level without counting as a driver write.
    int32_t setInput(int32_t line, int32_t level);
    int32_t getInput(int32_t line, int32_t* level) const;
    int32_t setOutput(int32_t line, int32_t level);
    int32_t getOutput(int32_t line, int32_t* level) const;

    // Driver side: the checks and effects of the digital I/O operations
    // (operation = the toolkit ordinal, used to look up injected faults).
    int32_t queryCount(int32_t operation, int32_t* count) const;
    int32_t readLine(int32_t operation, int32_t line, int32_t* value) const;
    int32_t readGroup(int32_t operation, int32_t group, uint32_t* value) const;
    int32_t writeLine(int32_t line, int32_t value);
    int32_t writeGroup(int32_t group, uint32_t value, uint32_t mask);

    int32_t outputWrites(int32_t line, int32_t* levels, int32_t max) const;
    int32_t outputWriteTimes(int32_t line, int64_t* counts, int32_t max) const;

    // index: countedIndex of the operation.
    void countCall(int index) { ++calls_.calls[index]; }
    const CallCounts& calls() const { return calls_; }
    void resetCalls() { calls_ = CallCounts(); }

    bool hasFault(int32_t operation, int32_t index) const;
    // Throws std::bad_alloc when memory runs out, as the writes do.
    int32_t setFault(int32_t operation, int32_t index, bool enable);
    void clearFaults() { faults_.clear(); }

private:
    struct Write {
        uint8_t level;
        int64_t when; // performance counter
    };
    struct WriteHistory {
        int64_t total = 0;
        std::deque<Write> recent;
    };
    // Copies a field of the most recent writes, oldest first; the total.
    template <class T, class Field>
    int32_t recentWrites(int32_t line, T* out, int32_t max, Field field) const;

    const std::vector<uint8_t>& linesOf(int32_t operation) const;
    static bool hasLine(const std::vector<uint8_t>& lines, int32_t line);
    static bool hasGroup(const std::vector<uint8_t>& lines, int32_t group);
    int32_t digIOCheck(int32_t operation, int32_t index) const;
    void write(size_t line, uint8_t level);

    std::vector<uint8_t> inputs_;
    std::vector<uint8_t> outputs_;
    std::vector<WriteHistory> history_;
    std::set<std::pair<int32_t, int32_t>> faults_;
    CallCounts calls_;
    bool basicDigIO_;
    int32_t references_ = 1;
};

} // namespace hxk
