#include "dsp/TCircBuf.h"

#include <cstdio>

TCircBuf::TCircBuf(unsigned int Length) : length(Length), buf(Length, 0.0f)
{
    circBufReset();
}

void TCircBuf::circBufDestroy()
{
    std::vector<float>().swap(buf);
    length = 0;
    first = 0;
}

void TCircBuf::circBufInsert(float value)
{
    if (length == 0) return;
    buf[first] = value;
    first = (first + 1) % length;
}

void TCircBuf::circBufInsertAtPos(float value, unsigned int Pos)
{
    if (Pos < length)
        buf[Pos] = value;
    else
        printf("Nao e' possivel inserir o valor na posicao %d", Pos);
}

float TCircBuf::circBufGet(int ind) const
{
    if (length == 0) return 0.0f;
    return buf[(static_cast<unsigned int>(ind) + first) % length];
}

void TCircBuf::circBufReset()
{
    first = 0;
    for (unsigned int i = 0; i < length; i++) circBufInsert(0.0f);
}

void TCircBuf::circBufShow() const
{
    for (unsigned int i = 0; i < length; i++) printf("%f ", circBufGet(static_cast<int>(i)));
    printf("\n");
}

float TCircBuf::circBufSum() const
{
    float sum = 0.0f;
    for (unsigned int i = 0; i < length; i++) sum += buf[i];
    return sum;
}

float TCircBuf::circBufAverage() const
{
    if (length == 0) return 0.0f;
    return circBufSum() / static_cast<float>(length);
}
