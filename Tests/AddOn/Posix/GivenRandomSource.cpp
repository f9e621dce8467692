#include "GivenRandomSource.hpp"

#include "Win32Host.hpp"

#include <utility>

GivenRandomSource::GivenRandomSource(Source source) {
    Win32::Host::SetRandomSource(std::move(source));
}

GivenRandomSource::~GivenRandomSource() {
    Win32::Host::SetRandomSource(nullptr);
}
