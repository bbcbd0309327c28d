// The framework's own exceptions: thrown by value, caught by reference
// (catch (const CException&) takes every one of them).
//   CInvalidArgException  an argument the callee cannot take: an array index
//                         outside the array, a negative size
//   CMemoryException      an allocation that failed
#pragma once

class CException {
public:
    virtual ~CException() = default;

protected:
    CException() = default;
    CException(const CException&) = default;
    CException& operator=(const CException&) = default;
};

class CInvalidArgException : public CException {};

class CMemoryException : public CException {};

[[noreturn]] void AfxThrowInvalidArgException();
[[noreturn]] void AfxThrowMemoryException();
