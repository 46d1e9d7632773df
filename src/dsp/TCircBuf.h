#pragma once
// Fixed-length ring buffer of floats: the delay line of the filters and the input window of
// the block convolution.

#include <vector>

class TCircBuf {
public:
    unsigned int first = 0;   // slot of the oldest value, overwritten by the next insertion
    unsigned int length = 0;  // number of slots
    std::vector<float> buf;

    TCircBuf() = default;
    explicit TCircBuf(unsigned int Length);

    // Releases the slots; the buffer is then empty (length 0).
    void circBufDestroy();
    // Replaces the oldest value; the written one becomes the newest.
    void circBufInsert(float value);
    // Writes at absolute slot Pos (not relative to first).
    void circBufInsertAtPos(float value, unsigned int Pos);
    // Value at logical index ind: 0 is the oldest, length - 1 the newest.
    float circBufGet(int ind) const;
    void circBufReset();
    void circBufShow() const;
    float circBufAverage() const;
    float circBufSum() const;
};
