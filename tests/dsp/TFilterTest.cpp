#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "dsp/TCircBuf.h"
#include "dsp/TFilter.h"
#include "support/SignalReference.h"
#include "support/TempDir.h"

namespace {

std::vector<float> Expanded(const TFilter& f)
{
    std::vector<float> ir(f.length);
    f.ImpulseResp(ir.data());
    return ir;
}

}  // namespace

TEST(TCircBuf, InsertionWrapsAndKeepsOrder)
{
    TCircBuf buf(4);
    for (int i = 1; i <= 4; i++) buf.circBufInsert(float(i));
    EXPECT_EQ(buf.first, 0u);
    for (int i = 0; i < 4; i++) EXPECT_EQ(buf.circBufGet(i), float(i + 1));
    buf.circBufInsert(5.0f);  // replaces the oldest
    EXPECT_EQ(buf.circBufGet(0), 2.0f);
    EXPECT_EQ(buf.circBufGet(3), 5.0f);
    EXPECT_EQ(buf.circBufSum(), 14.0f);
    EXPECT_EQ(buf.circBufAverage(), 3.5f);

    testing::internal::CaptureStdout();
    buf.circBufInsertAtPos(9.0f, 4);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Nao e' possivel inserir o valor na posicao 4");
    EXPECT_EQ(buf.circBufSum(), 14.0f);
    buf.circBufInsertAtPos(9.0f, 0);  // absolute slot 0 holds the newest value 5
    EXPECT_EQ(buf.circBufGet(3), 9.0f);

    buf.circBufReset();
    EXPECT_EQ(buf.first, 0u);
    EXPECT_EQ(buf.circBufSum(), 0.0f);

    TCircBuf empty(0);  // harmless, never divides by zero
    empty.circBufInsert(1.0f);
    EXPECT_EQ(empty.circBufGet(0), 0.0f);
    EXPECT_EQ(empty.circBufAverage(), 0.0f);
}

TEST(TFilter, SparseResponseAndStreaming)
{
    TFilter f(3, 4);
    EXPECT_EQ(f.length, 9u);
    const float c[] = {1.0f, -2.0f, 0.5f};
    f.FilterSetCoefs(c);
    EXPECT_EQ(Expanded(f), (std::vector<float>{1, 0, 0, 0, -2, 0, 0, 0, 0.5f}));
    EXPECT_EQ(f.FilterGetCoef(4), -2.0f);
    EXPECT_EQ(f.FilterGetCoef(5), 0.0f);
    EXPECT_EQ(f.FilterGetCoef(9), 0.0f);  // past the end

    std::vector<float> out;
    for (int n = 0; n < 12; n++) out.push_back(f.FilterProcess(n == 0 ? 1.0f : 0.0f));
    EXPECT_EQ(out, (std::vector<float>{1, 0, 0, 0, -2, 0, 0, 0, 0.5f, 0, 0, 0}));

    EXPECT_FLOAT_EQ(f.FilterGetNorm1(), 3.5f);
    EXPECT_FLOAT_EQ(f.FilterGetNorm2(), std::sqrt(5.25f));
    EXPECT_EQ(f.FilterGetMaxAbs(), 2.0f);
    EXPECT_FLOAT_EQ(f.FilterNormalize(), 3.5f);
    EXPECT_FLOAT_EQ(f.FilterGetNorm1(), 1.0f);

    testing::internal::CaptureStdout();
    const float many[] = {4, 5, 6, 7, 8};
    f.FilterSetCoefs(many, 5);
    f.FilterAddValueToCoef(1.0f, 3);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Numero de coeficientes maior do que o filtro\nindice do coeficiente maior que o filtro!!\n");
    EXPECT_EQ(f.coef, (std::vector<float>{4, 5, 6}));
    f.FilterAddToCoefs(many, 2);
    EXPECT_EQ(f.coef, (std::vector<float>{8, 10, 6}));

    testing::internal::CaptureStdout();
    TFilter small(2, 2);
    const float two[] = {0.5f, -1.0f};
    small.FilterSetCoefs(two);
    small.FilterShowCoefs();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "0.500000 0.000000 -1.000000 \n");
}

TEST(TFilter, CopiesOwnTheirMemory)
{
    TFilter a(4, 2);
    const float c[] = {1, 2, 3, 4};
    a.FilterSetCoefs(c);
    a.FilterProcess(1.0f);
    TFilter b = a;
    b.FilterScaleBy(2.0f);
    EXPECT_EQ(a.coef, (std::vector<float>{1, 2, 3, 4}));
    EXPECT_EQ(b.FilterProcess(0.0f), 2.0f * a.FilterProcess(0.0f));
    TFilter empty;
    empty = a;
    empty.Destroy();
    empty.Destroy();  // twice is harmless
    EXPECT_EQ(empty.length, 0u);
    EXPECT_EQ(a.length, 7u);
    float untouched = 42.0f;
    empty.FilterBlockConv(&a, &untouched);
    a.FilterFasterConv(&empty, &untouched);
    EXPECT_EQ(untouched, 42.0f);
}

TEST(TFilter, ConvolutionsMatchDirectConvolution)
{
    // (this filter's taps, its spacing, the other filter's taps, its spacing)
    const unsigned int cases[][4] = {
        {1, 1, 5, 1},     {5, 1, 1, 1},       {1, 1, 1, 1},       {3, 1, 3, 1},       {7, 1, 100, 1},
        {100, 1, 7, 1},   {64, 1, 64, 1},     {65, 1, 1000, 1},   {3, 4, 50, 1},      {50, 1, 20, 3},
        {128, 1, 129, 1}, {60, 35, 44100, 1}, {118, 35, 5000, 1}, {5000, 1, 118, 35},
    };
    unsigned int seed = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c[0] << "x" << c[1] << " * " << c[2] << "x" << c[3]);
        TFilter f1(c[0], c[1]), f2(c[2], c[3]);
        f1.FilterSetCoefs(RandomSignal(c[0], seed++).data());
        f2.FilterSetCoefs(RandomSignal(c[2], seed++).data());
        const std::vector<float> e1 = Expanded(f1), e2 = Expanded(f2);
        const std::vector<double> ref = e1.size() <= e2.size() ? DirectConv(e1, e2) : DirectConv(e2, e1);
        double scale = 1.0;
        for (double v : ref) scale = std::max(scale, std::fabs(v));

        std::vector<float> block(ref.size() + 1, 77.0f), fast(ref.size() + 1, 77.0f);
        f1.FilterBlockConv(&f2, block.data());
        f1.FilterFasterConv(&f2, fast.data());
        for (size_t n = 0; n < ref.size(); n++) {
            ASSERT_NEAR(block[n], ref[n], 1e-5 * scale) << n;
            ASSERT_NEAR(fast[n], ref[n], 1e-5 * scale) << n;
        }
        EXPECT_EQ(block.back(), 77.0f);  // nothing written past the output
        EXPECT_EQ(fast.back(), 77.0f);

        std::vector<float> swapped(ref.size());
        f2.FilterConv(&f1, swapped.data());
        for (size_t n = 0; n < ref.size(); n++) ASSERT_NEAR(swapped[n], ref[n], 1e-5 * scale) << n;
    }
}

TEST(TFilter, SavedFormatsAndSizes)
{
    TFilterProps props;
    EXPECT_EQ(props.Set(3, 4).length, 9u);
    EXPECT_EQ(props.ncoef, 3u);

    TFilter f(2, 3);
    const float c[] = {0.25f, -1.0f};
    f.FilterSetCoefs(c);
    const TempDir dir("fir");
    const std::string path = (dir / "dump.txt").string();
    auto readAll = [&] {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    f.FilterSave(path.c_str());
    EXPECT_EQ(readAll(), "0.250000 0.000000 0.000000 -1.000000 \n");
    f.SaveImpulseResp(path.c_str());
    EXPECT_EQ(readAll(), "0.25\n0\n0\n-1\n");

    f.FilterProcess(2.0f);
    testing::internal::CaptureStdout();
    f.FilterShowSignal();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "0.000000 0.000000 0.000000 2.000000 \n");
    EXPECT_EQ(f.FilterGetCurrentOutput(), 0.5f);
    TFilter other(1);
    other.FilterSetCoef(0, -3.0f);
    EXPECT_EQ(f.FilterGetMaxAbs(&other), 3.0f);  // the named filter
    f.FilterReset();
    EXPECT_EQ(f.FilterGetCurrentOutput(), 0.0f);
}
