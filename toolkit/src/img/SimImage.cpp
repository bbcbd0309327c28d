#include "SimImage.h"

#include "HXKSim.h"

#include <windows.h>

#include <algorithm>

namespace hxk {

namespace {

// A pulse test needs the last few writes; a poll loop that writes forever
// must not grow without bound.
constexpr size_t kHistoryDepth = 1024;
constexpr int32_t kGroupWidth = 32;

bool isInputOperation(int32_t operation) {
    return operation == HXKSIM_OP_READ_INPUT_LINE || operation == HXKSIM_OP_READ_INPUT_GROUP;
}

// Operations whose faults ignore the index: they address no line.
bool isWholeImageOperation(int32_t operation) {
    return operation == HXKSIM_OP_IMAGE_HANDLE_VALID || operation == HXKSIM_OP_ADD_IMAGE_REF ||
           operation == HXKSIM_OP_RELEASE_IMAGE_REF ||
           operation == HXKSIM_OP_SUPPORTS_BASIC_DIGIO ||
           operation == HXKSIM_OP_QUERY_INPUT_COUNT || operation == HXKSIM_OP_QUERY_OUTPUT_COUNT;
}

bool isFaultableOperation(int32_t operation) {
    return operation == HXKSIM_OP_IMAGE_HANDLE_VALID || operation == HXKSIM_OP_ADD_IMAGE_REF ||
           operation == HXKSIM_OP_RELEASE_IMAGE_REF ||
           (operation >= HXKSIM_OP_SUPPORTS_BASIC_DIGIO &&
            operation <= HXKSIM_OP_WRITE_OUTPUT_GROUP);
}

} // namespace

SimImage::SimImage(int32_t inputs, int32_t outputs, bool basicDigIO)
    : inputs_(static_cast<size_t>(inputs), 0), outputs_(static_cast<size_t>(outputs), 0),
      history_(static_cast<size_t>(outputs)), basicDigIO_(basicDigIO) {}

bool SimImage::hasLine(const std::vector<uint8_t>& lines, int32_t line) {
    return line >= 0 && static_cast<size_t>(line) < lines.size();
}

bool SimImage::hasGroup(const std::vector<uint8_t>& lines, int32_t group) {
    return group >= 0 && static_cast<size_t>(group) * kGroupWidth < lines.size();
}

const std::vector<uint8_t>& SimImage::linesOf(int32_t operation) const {
    return isInputOperation(operation) ? inputs_ : outputs_;
}

int32_t SimImage::setInput(int32_t line, int32_t level) {
    if (!hasLine(inputs_, line)) return HXKSIM_E_NO_SUCH_LINE;
    inputs_[static_cast<size_t>(line)] = level != 0;
    return HXKSIM_OK;
}

int32_t SimImage::getInput(int32_t line, int32_t* level) const {
    if (!level) return HXKSIM_E_NULL_POINTER;
    if (!hasLine(inputs_, line)) return HXKSIM_E_NO_SUCH_LINE;
    *level = inputs_[static_cast<size_t>(line)];
    return HXKSIM_OK;
}

int32_t SimImage::setOutput(int32_t line, int32_t level) {
    if (!hasLine(outputs_, line)) return HXKSIM_E_NO_SUCH_LINE;
    outputs_[static_cast<size_t>(line)] = level != 0;
    return HXKSIM_OK;
}

int32_t SimImage::getOutput(int32_t line, int32_t* level) const {
    if (!level) return HXKSIM_E_NULL_POINTER;
    if (!hasLine(outputs_, line)) return HXKSIM_E_NO_SUCH_LINE;
    *level = outputs_[static_cast<size_t>(line)];
    return HXKSIM_OK;
}

int32_t SimImage::digIOCheck(int32_t operation, int32_t index) const {
    if (!basicDigIO_) return HXKSIM_E_NO_DIGIO;
    if (hasFault(operation, index)) return HXKSIM_E_FAULT;
    return HXKSIM_OK;
}

int32_t SimImage::queryCount(int32_t operation, int32_t* count) const {
    if (int32_t status = digIOCheck(operation, HXKSIM_ANY_INDEX)) return status;
    *count = operation == HXKSIM_OP_QUERY_INPUT_COUNT ? inputCount() : outputCount();
    return HXKSIM_OK;
}

int32_t SimImage::readLine(int32_t operation, int32_t line, int32_t* value) const {
    const std::vector<uint8_t>& lines = linesOf(operation);
    if (!basicDigIO_) return HXKSIM_E_NO_DIGIO;
    if (!hasLine(lines, line)) return HXKSIM_E_NO_SUCH_LINE;
    if (int32_t status = digIOCheck(operation, line)) return status;
    *value = lines[static_cast<size_t>(line)];
    return HXKSIM_OK;
}

int32_t SimImage::readGroup(int32_t operation, int32_t group, uint32_t* value) const {
    const std::vector<uint8_t>& lines = linesOf(operation);
    if (!basicDigIO_) return HXKSIM_E_NO_DIGIO;
    if (!hasGroup(lines, group)) return HXKSIM_E_NO_SUCH_LINE;
    if (int32_t status = digIOCheck(operation, group)) return status;
    const size_t first = static_cast<size_t>(group) * kGroupWidth;
    const size_t width = std::min<size_t>(kGroupWidth, lines.size() - first);
    uint32_t bits = 0;
    for (size_t bit = 0; bit < width; ++bit) {
        if (lines[first + bit]) bits |= 1u << bit;
    }
    *value = bits;
    return HXKSIM_OK;
}

// The history first: when it cannot grow, the line keeps its level.
void SimImage::write(size_t line, uint8_t level) {
    WriteHistory& history = history_[line];
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    history.recent.push_back({level, now.QuadPart});
    if (history.recent.size() > kHistoryDepth) history.recent.pop_front();
    ++history.total;
    outputs_[line] = level;
}

int32_t SimImage::writeLine(int32_t line, int32_t value) {
    if (!basicDigIO_) return HXKSIM_E_NO_DIGIO;
    if (!hasLine(outputs_, line)) return HXKSIM_E_NO_SUCH_LINE;
    if (int32_t status = digIOCheck(HXKSIM_OP_WRITE_OUTPUT_LINE, line)) return status;
    write(static_cast<size_t>(line), value != 0);
    return HXKSIM_OK;
}

int32_t SimImage::writeGroup(int32_t group, uint32_t value, uint32_t mask) {
    if (!basicDigIO_) return HXKSIM_E_NO_DIGIO;
    if (!hasGroup(outputs_, group)) return HXKSIM_E_NO_SUCH_LINE;
    if (int32_t status = digIOCheck(HXKSIM_OP_WRITE_OUTPUT_GROUP, group)) return status;
    const size_t first = static_cast<size_t>(group) * kGroupWidth;
    const size_t width = std::min<size_t>(kGroupWidth, outputs_.size() - first);
    for (size_t bit = 0; bit < width; ++bit) {
        if (!(mask & (1u << bit))) continue;
        write(first + bit, (value >> bit) & 1u);
    }
    return HXKSIM_OK;
}

template <class T, class Field>
int32_t SimImage::recentWrites(int32_t line, T* out, int32_t max, Field field) const {
    if (!hasLine(outputs_, line)) return -1;
    const WriteHistory& history = history_[static_cast<size_t>(line)];
    if (out && max > 0) {
        const size_t copies = std::min(history.recent.size(), static_cast<size_t>(max));
        std::transform(history.recent.end() - static_cast<std::ptrdiff_t>(copies),
                       history.recent.end(), out, field);
    }
    // Callers get an int32 count; a test never writes two billion times.
    return static_cast<int32_t>(std::min<int64_t>(history.total, INT32_MAX));
}

int32_t SimImage::outputWrites(int32_t line, int32_t* levels, int32_t max) const {
    return recentWrites(line, levels, max, [](const Write& w) { return int32_t{w.level}; });
}

int32_t SimImage::outputWriteTimes(int32_t line, int64_t* counts, int32_t max) const {
    return recentWrites(line, counts, max, [](const Write& w) { return w.when; });
}

bool SimImage::hasFault(int32_t operation, int32_t index) const {
    return faults_.count({operation, HXKSIM_ANY_INDEX}) != 0 ||
           faults_.count({operation, index}) != 0;
}

int32_t SimImage::setFault(int32_t operation, int32_t index, bool enable) {
    if (!isFaultableOperation(operation) || index < HXKSIM_ANY_INDEX) {
        return HXKSIM_E_BAD_ARGUMENT;
    }
    const std::pair<int32_t, int32_t> key{
        operation, isWholeImageOperation(operation) ? HXKSIM_ANY_INDEX : index};
    if (enable) {
        faults_.insert(key);
    } else {
        faults_.erase(key);
    }
    return HXKSIM_OK;
}

} // namespace hxk
