#pragma once

// Shared pieces of the fuzz targets. Each target's entry function
// (Fuzz<Name>One) takes one input and returns 0; a broken invariant aborts
// with a message, so that libFuzzer and the corpus replay test both see it.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Aborts the run with the failed condition when an invariant does not hold.
#define FUZZ_CHECK(condition)                                                              \
    do {                                                                                   \
        if (!(condition)) {                                                                \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__,   \
                         #condition);                                                      \
            std::abort();                                                                  \
        }                                                                                  \
    } while (false)

namespace fuzz {

// Makes sure a QApplication exists (offscreen platform unless one is set)
// and that user messages and Qt warnings are swallowed instead of printed
// for every input. Idempotent; keeps an application that already exists.
void EnsureApplication();

// Reads little-endian integers off the front of an input; zeros once it is
// used up.
class ByteReader {
public:
    ByteReader(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint16_t Word()
    {
        const unsigned low = Byte();
        return static_cast<std::uint16_t>(low | (unsigned(Byte()) << 8));
    }
    std::size_t Left() const { return size_ - pos_; }
    const std::uint8_t *Here() const { return data_ + pos_; }
    void Skip(std::size_t n) { pos_ += n < Left() ? n : Left(); }

private:
    const std::uint8_t *data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

}  // namespace fuzz

int FuzzIniReaderOne(const std::uint8_t *data, std::size_t size);
int FuzzConfigurationRenderOne(const std::uint8_t *data, std::size_t size);
int FuzzBmpConversionOne(const std::uint8_t *data, std::size_t size);
int FuzzReplyRuleOne(const std::uint8_t *data, std::size_t size);
int FuzzSerialReadLoopOne(const std::uint8_t *data, std::size_t size);
int FuzzUsbReadLoopOne(const std::uint8_t *data, std::size_t size);
int FuzzPhoneRequestOne(const std::uint8_t *data, std::size_t size);

// Defines the libFuzzer hooks around one entry function; only the fuzz
// programs are built with TARVELLO_FUZZ_MAIN, the replay test calls the
// entry functions itself.
#ifdef TARVELLO_FUZZ_MAIN
#define TARVELLO_FUZZ_ENTRY(function)                                                      \
    extern "C" int LLVMFuzzerInitialize(int *, char ***)                                   \
    {                                                                                      \
        fuzz::EnsureApplication();                                                         \
        return 0;                                                                          \
    }                                                                                      \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)     \
    {                                                                                      \
        return function(data, size);                                                       \
    }
#else
#define TARVELLO_FUZZ_ENTRY(function)
#endif
