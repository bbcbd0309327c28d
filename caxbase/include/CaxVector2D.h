// CaxVector2D: a two-dimensional vector of doubles. Division by a zero scalar
// and normalising a zero-length vector throw axMath::CaxMathException.
#pragma once

#include "CaxObject.h"

#include <cstdint>
#include <utility>

class CaxVector2D : public CaxMathObject {
public:
    static constexpr const char* kSourceName = "..\\..\\src\\CaxVector2D";
    static constexpr std::uint32_t kDivideLine = 149;
    static constexpr std::uint32_t kDivideAssignLine = 158;
    static constexpr std::uint32_t kNormalizeLine = 279;

    CaxVector2D() noexcept;
    CaxVector2D(double x, double y) noexcept;
    CaxVector2D(const CaxVector2D& other) noexcept;
    ~CaxVector2D() override;

    std::uint32_t GetClassID() const override;

    double GetX() const noexcept { return m_x; }
    double GetY() const noexcept { return m_y; }
    void SetX(double x) noexcept { m_x = x; }
    void SetY(double y) noexcept { m_y = y; }

    // Operations that change the vector answer a copy of the result.
    virtual CaxVector2D operator=(const std::pair<std::int32_t, std::int32_t>& xy);
    virtual CaxVector2D operator=(const CaxVector2D& other);
    virtual CaxVector2D operator+(const CaxVector2D& other) const;
    virtual CaxVector2D operator-(const CaxVector2D& other) const;
    virtual CaxVector2D operator+=(const CaxVector2D& other);
    virtual CaxVector2D operator-=(const CaxVector2D& other);
    // Dot product.
    virtual double operator*(const CaxVector2D& other) const;
    virtual CaxVector2D operator*(double factor) const;
    virtual CaxVector2D operator*=(double factor);
    virtual CaxVector2D operator/(double divisor) const;
    // A zero divisor throws and leaves the vector as it was.
    virtual CaxVector2D operator/=(double divisor);
    // (y, -x)
    virtual CaxVector2D Perpendicular() const;
    virtual CaxVector2D Normalized() const;

private:
    double m_x;
    double m_y;
};
