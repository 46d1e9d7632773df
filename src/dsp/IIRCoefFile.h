#pragma once
// Reads the text coefficient files of the cascaded IIR filters as a stream of items: any
// white space separates them, and '=' stands apart even without blanks around it.

#include <string>
#include <vector>

class IIRCoefFile {
public:
    // Opens the file with utilOpenFile (which shows its own box on failure).
    explicit IIRCoefFile(const char* FileName);

    bool IsOpen() const { return open_; }
    // Each returns false (and consumes nothing useful) when the next item does not match.
    bool Expect(const char* word);
    bool ReadInt(int& value);
    bool ReadFloat(float& value);
    // Items not read yet.
    size_t Remaining() const { return items_.size() - pos_; }

private:
    std::vector<std::string> items_;
    size_t pos_ = 0;
    bool open_ = false;
};
