#include "CaxVector2D.h"

#include "CaxHRESULT.h"

#include <cmath>

CaxVector2D::CaxVector2D() noexcept : CaxVector2D(0.0, 0.0) {}

CaxVector2D::CaxVector2D(double x, double y) noexcept : m_x(x), m_y(y) {
    AddToClassSet(caxclass::kVector2D);
}

CaxVector2D::CaxVector2D(const CaxVector2D& other) noexcept
    : CaxMathObject(other), m_x(other.m_x), m_y(other.m_y) {}

CaxVector2D::~CaxVector2D() = default;

std::uint32_t CaxVector2D::GetClassID() const {
    return IdentifierIfAlive(caxclass::kVector2D);
}

CaxVector2D CaxVector2D::operator=(const std::pair<std::int32_t, std::int32_t>& xy) {
    m_x = static_cast<double>(xy.first);
    m_y = static_cast<double>(xy.second);
    return *this;
}

CaxVector2D CaxVector2D::operator=(const CaxVector2D& other) {
    m_x = other.m_x;
    m_y = other.m_y;
    return *this;
}

CaxVector2D CaxVector2D::operator+(const CaxVector2D& other) const {
    return CaxVector2D(m_x + other.m_x, m_y + other.m_y);
}

CaxVector2D CaxVector2D::operator-(const CaxVector2D& other) const {
    return CaxVector2D(m_x - other.m_x, m_y - other.m_y);
}

CaxVector2D CaxVector2D::operator+=(const CaxVector2D& other) {
    m_x += other.m_x;
    m_y += other.m_y;
    return *this;
}

CaxVector2D CaxVector2D::operator-=(const CaxVector2D& other) {
    m_x -= other.m_x;
    m_y -= other.m_y;
    return *this;
}

double CaxVector2D::operator*(const CaxVector2D& other) const {
    return m_x * other.m_x + m_y * other.m_y;
}

CaxVector2D CaxVector2D::operator*(double factor) const {
    return CaxVector2D(factor * m_x, factor * m_y);
}

CaxVector2D CaxVector2D::operator*=(double factor) {
    m_x *= factor;
    m_y *= factor;
    return *this;
}

CaxVector2D CaxVector2D::operator/(double divisor) const {
    if (divisor == 0.0)
        throw axMath::CaxMathException(axMath::kDivisionByZero, kSourceName, kDivideLine);
    return CaxVector2D(m_x / divisor, m_y / divisor);
}

CaxVector2D CaxVector2D::operator/=(double divisor) {
    if (divisor == 0.0)
        throw axMath::CaxMathException(axMath::kDivisionByZero, kSourceName, kDivideAssignLine);
    m_x /= divisor;
    m_y /= divisor;
    return *this;
}

CaxVector2D CaxVector2D::Perpendicular() const {
    return CaxVector2D(m_y, -m_x);
}

CaxVector2D CaxVector2D::Normalized() const {
    const double length = std::sqrt(m_x * m_x + m_y * m_y);
    if (length == 0.0)
        throw axMath::CaxMathException(axMath::kZeroLengthVector, kSourceName, kNormalizeLine);
    return CaxVector2D(m_x / length, m_y / length);
}
