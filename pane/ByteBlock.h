#pragma once
// Storage for a whole loaded text, left uninitialised since a read fills it
// anyway: a zero-filled buffer touched every page of a trace twice. (Huge
// pages were tried and dropped: where free ones are scarce the kernel first
// compacts memory, and a 600 MB load then took up to 1.5 s instead of 0.26 s.)
#include <cstddef>
#include <memory>
#include <string>

namespace kavro::pane {

class ByteBlock {
public:
    ByteBlock() = default;
    // Throws std::bad_alloc.
    explicit ByteBlock(size_t size) : data_(size ? new char[size] : nullptr), size_(size) {}
    // Takes the string's bytes over without copying them (a short string's
    // few are copied). Throws std::bad_alloc.
    explicit ByteBlock(std::string&& bytes)
        : text_(std::make_unique<std::string>(std::move(bytes))), size_(text_->size()) {}

    // Stays the same for the block's life, however the block is moved.
    char* data() { return text_ ? text_->data() : data_.get(); }
    const char* data() const { return text_ ? text_->data() : data_.get(); }
    size_t size() const { return size_; }
    // Forgets the bytes past `size`; the memory stays until the block goes.
    void Shrink(size_t size) {
        if (size < size_) size_ = size;
    }

private:
    std::unique_ptr<char[]> data_;
    std::unique_ptr<std::string> text_;  // when taken over from a string
    size_t size_ = 0;
};

}  // namespace kavro::pane
