#include <gtest/gtest.h>

#include <cmath>

#include "geometry/TComplex.h"
#include "support/ParamName.h"

namespace {

struct ProductCase {
    TComplex a, b;
};

class ComplexProduct : public testing::TestWithParam<ProductCase> {};

// The three-multiplication product and operator* agree with the textbook product.
TEST_P(ComplexProduct, BothFormsGiveTheProduct)
{
    const TComplex a = GetParam().a, b = GetParam().b;
    const double re = a.re * b.re - a.im * b.im, im = a.re * b.im + a.im * b.re;
    const double tol = 1e-12 * (std::fabs(re) + std::fabs(im) + 1);
    for (TComplex p : {ComplexMult(a, b), ComplexMult(&a, &b), a * b}) {
        EXPECT_NEAR(p.re, re, tol);
        EXPECT_NEAR(p.im, im, tol);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ComplexProduct,
                         testing::Values(ProductCase{{1, 2}, {3, 4}}, ProductCase{{0, 1}, {0, 1}},
                                         ProductCase{{-2.5, 0}, {4, -1}}, ProductCase{{1e3, -7e-3}, {0.125, 3e2}}),
                         [](const testing::TestParamInfo<ProductCase>& i) {
                             const ProductCase& c = i.param;
                             return ParamName(c.a.re) + "_" + ParamName(c.a.im) + "i_times_" + ParamName(c.b.re) + "_" +
                                    ParamName(c.b.im) + "i";
                         });

TEST(Complex, SmallIntegerProductIsExact)
{
    const TComplex a(1, 2), b(3, 4);
    const TComplex p = ComplexMult(a, b);
    EXPECT_EQ(p.re, -5);
    EXPECT_EQ(p.im, 10);
}

TEST(Complex, ThreeMultiplicationFormRoundsDifferently)
{
    // The two forms are not interchangeable bit for bit; callers pick one on purpose.
    const TComplex a(0.1, 0.7), b(0.3, 1.9);
    const TComplex p3 = ComplexMult(a, b);
    const double tmp = (a.re - a.im) * b.im;
    EXPECT_EQ(p3.re, (b.re - b.im) * a.re + tmp);
    EXPECT_EQ(p3.im, tmp + (b.re + b.im) * a.im);
}

TEST(Complex, DivideAddAndModule)
{
    const TComplex one(1, 0), j(0, 1), a(1, 2), b(3, 4);
    const TComplex q = ComplexDivide(&one, &j);
    EXPECT_EQ(q.re, 0);
    EXPECT_EQ(q.im, -1);
    const TComplex r = ComplexDivide(&a, &b);  // (1+2j)/(3+4j) = (11 + 2j) / 25
    EXPECT_DOUBLE_EQ(r.re, 11.0 / 25);
    EXPECT_DOUBLE_EQ(r.im, 2.0 / 25);

    const TComplex d = ComplexAdd(&a, &b, -1);
    EXPECT_EQ(d.re, -2);
    EXPECT_EQ(d.im, -2);
    const TComplex s = ComplexAdd(&a, &b, 1);
    EXPECT_EQ(s.re, 4);
    EXPECT_EQ(s.im, 6);

    EXPECT_EQ(b.Module(), 5);
    EXPECT_EQ(ComplexModuleOf(b), 5);
    EXPECT_EQ((b - a).re, 2);
    EXPECT_EQ((b / 2).im, 2);
    EXPECT_EQ((b * 2.0).re, 6);
}

TEST(Complex, MagnitudeTouchesOnlyTheFirstHalf)
{
    struct Case {
        int tam;
        int changed;
    };
    for (const Case c : {Case{5, 2}, Case{1, 0}, Case{0, 0}, Case{6, 3}}) {
        TComplex v[6];
        for (auto& z : v) z.Set(3, -4);
        ComplexMagnitude(c.tam, v);
        for (int i = 0; i < 6; i++) {
            SCOPED_TRACE(testing::Message() << "tam " << c.tam << " entry " << i);
            if (i < c.changed) {
                EXPECT_EQ(v[i].re, 5);
                EXPECT_EQ(v[i].im, 0);
            } else {
                EXPECT_EQ(v[i].re, 3);
                EXPECT_EQ(v[i].im, -4);
            }
        }
    }
}

TEST(Complex, ExpRoundsTheMagnitudeToFloat)
{
    const TComplex e = ComplexExp(TComplex(1, 0));
    EXPECT_EQ(e.re, 2.7182817459106445);
    EXPECT_EQ(e.im, 0);
    const TComplex m = ComplexExp(TComplex(0, 3.141592653589793));
    EXPECT_EQ(m.re, -1);
    EXPECT_EQ(m.im, 1.2246467991473532e-16);
}

}  // namespace
