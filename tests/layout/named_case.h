// Table rows carry a `name`; printing it keeps test listings readable instead of raw bytes.
// The printer sits in the unnamed namespace, where each test file keeps its rows, so that
// argument-dependent lookup finds it.
#pragma once

#include <ostream>

namespace {

template <typename Row>
    requires requires(const Row& r) { r.name; }
void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}

}  // namespace
