// The driver operations as HXKImg.dll implements them, next to the images
// they act on. HXKDriver.dll exports the same operations under its ordinals
// and passes each call on to these named exports; nothing else uses them.
#pragma once

#include "HXKToolkit.h"

extern "C" {
int32_t HXKDevSupportsBasicDigIO(HXKIMAGE image);
int32_t HXKDevQueryInputCount(HXKIMAGE image, int32_t* count);
int32_t HXKDevQueryOutputCount(HXKIMAGE image, int32_t* count);
int32_t HXKDevReadInputLine(HXKIMAGE image, int32_t line, int32_t* value);
int32_t HXKDevReadInputGroup(HXKIMAGE image, int32_t group, uint32_t* value);
int32_t HXKDevReadOutputLine(HXKIMAGE image, int32_t line, int32_t* value);
int32_t HXKDevReadOutputGroup(HXKIMAGE image, int32_t group, uint32_t* value);
int32_t HXKDevWriteOutputLine(HXKIMAGE image, int32_t line, int32_t value);
int32_t HXKDevWriteOutputGroup(HXKIMAGE image, int32_t group, uint32_t value, uint32_t mask);
}
