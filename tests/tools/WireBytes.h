#pragma once

#include "LineEnd.h"

#include <cstdint>
#include <string>

namespace camsimtest {

// A header built field by field, with its sum and exclusive-or.
Bytes Header(std::uint16_t width, std::uint16_t height, std::uint32_t size, std::uint16_t block,
             std::uint8_t check, std::uint16_t ack, std::uint8_t kind = 1);
// The block followed by its check byte.
Bytes WithCheck(Bytes block);
// The part of bytes from `from`, count long or up to the end.
Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t count);
// Two hexadecimal digits a byte.
std::string Hex(const Bytes& bytes, bool lower = false);

} // namespace camsimtest
