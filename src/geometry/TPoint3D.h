#pragma once
// A point in metres; also an (x, y) pair with z = 0 and an RGB colour.

#include <cstdio>

struct TPoint3D {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    constexpr TPoint3D() = default;
    constexpr TPoint3D(double X, double Y, double Z) : x(X), y(Y), z(Z) {}
    constexpr TPoint3D(double X, double Y) : x(X), y(Y), z(0.0) {}

    TPoint3D operator+(TPoint3D p2) const { return {x + p2.x, y + p2.y, z + p2.z}; }
    TPoint3D operator-(TPoint3D p2) const { return {x - p2.x, y - p2.y, z - p2.z}; }
    TPoint3D operator*(double f) const { return {x * f, y * f, z * f}; }
    TPoint3D operator/(double f) const { return {x / f, y / f, z / f}; }
    TPoint3D operator+=(TPoint3D p2)
    {
        x += p2.x;
        y += p2.y;
        z += p2.z;
        return *this;
    }
    TPoint3D operator-=(TPoint3D p2)
    {
        x -= p2.x;
        y -= p2.y;
        z -= p2.z;
        return *this;
    }
    void operator=(double f) { x = y = z = f; }

    // Exact: no tolerance, a NaN component is unequal.
    bool operator==(TPoint3D p) const { return x == p.x && y == p.y && z == p.z; }
    bool operator!=(TPoint3D p) const { return !(*this == p); }

    double Max() const;
    double Min() const;
    TPoint3D Abs() const;
    void Set(double a, double b, double c)
    {
        x = a;
        y = b;
        z = c;
    }
    void Set(double a, double b) { Set(a, b, 0.0); }
    void Set(TPoint3D p) { *this = p; }
    void Print() const;
    void WriteOnFile(FILE* ImgListFile) const;
};

double Module(TPoint3D v);

// floor(x + 0.5): halves round upwards.
double Round(double x);

// Largest (smallest) x and y of the N points, taken independently; z is 0.
// With N = 0 the result is (-inf, -inf, 0) ((+inf, +inf, 0)).
TPoint3D utilGetMax(const TPoint3D* Data, unsigned long N);
TPoint3D utilGetMin(const TPoint3D* Data, unsigned long N);
