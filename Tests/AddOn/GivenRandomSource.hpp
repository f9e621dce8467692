#pragma once

// The system's random source, as the add-on calls it (BCryptGenRandom), answered by `source` for as
// long as this lives: it fills the buffer and says whether it could.

#include <cstddef>
#include <functional>

class GivenRandomSource {
public:
    using Source = std::function<bool(unsigned char* buffer, std::size_t size)>;

    explicit GivenRandomSource(Source source);
    ~GivenRandomSource();
    GivenRandomSource(const GivenRandomSource&) = delete;
    GivenRandomSource& operator=(const GivenRandomSource&) = delete;
};
