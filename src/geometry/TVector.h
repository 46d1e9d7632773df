#pragma once
// A vector (direction or displacement) and its algebra.

#include "geometry/TPoint3D.h"

struct TVector {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    constexpr TVector() = default;
    constexpr TVector(double xi, double yi, double zi) : x(xi), y(yi), z(zi) {}
    constexpr TVector(TPoint3D p) : x(p.x), y(p.y), z(p.z) {}

    TVector operator=(TPoint3D p)
    {
        x = p.x;
        y = p.y;
        z = p.z;
        return *this;
    }
    void operator=(double f) { x = y = z = f; }

    TVector operator+(TVector v2) const { return {x + v2.x, y + v2.y, z + v2.z}; }
    TVector operator-(TVector v2) const { return {x - v2.x, y - v2.y, z - v2.z}; }
    TVector operator*(double f) const { return {x * f, y * f, z * f}; }
    TVector operator/(double f) const { return {x / f, y / f, z / f}; }
    // Dot product.
    double operator*(TVector v) const { return x * v.x + y * v.y + z * v.z; }
    // Cross product this x v2.
    TVector operator/(TVector v2) const { return {y * v2.z - z * v2.y, z * v2.x - x * v2.z, x * v2.y - y * v2.x}; }
    void operator+=(double f)
    {
        x += f;
        y += f;
        z += f;
    }
    void operator+=(float f) { *this += static_cast<double>(f); }
    void operator+=(TVector V)
    {
        x += V.x;
        y += V.y;
        z += V.z;
    }
    void operator-=(TVector V)
    {
        x -= V.x;
        y -= V.y;
        z -= V.z;
    }
    void operator*=(double f)
    {
        x *= f;
        y *= f;
        z *= f;
    }
    void operator/=(double f)
    {
        x /= f;
        y /= f;
        z /= f;
    }
    bool operator==(TVector v) const { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(TVector v) const { return !(*this == v); }

    // Angle between this and v in degrees; NaN when either is the zero vector.
    double Angle(TVector v) const;
    double Max() const;
    double Min() const;
    TVector Abs() const;
    double Module() const;
    // Divides by the length without a test for 0 (the zero vector becomes NaN).
    void Normalize();
    void Print() const;
    void Set(double xi, double yi, double zi)
    {
        x = xi;
        y = yi;
        z = zi;
    }
};

double Module(TVector v);
// v / |v|, or the zero vector when |v| is exactly 0.
TVector Normal(TVector v1);
TVector PointToVector(TPoint3D p);
TPoint3D VectorToPoint(TVector v);
