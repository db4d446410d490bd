#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// A 99-byte diagnostic block, erased (all 0xFF) unless patched.
struct DiagBlockImage {
    std::vector<uint8_t> Bytes = std::vector<uint8_t>(99, 0xFF);

    DiagBlockImage& Set(int offset, const std::vector<uint8_t>& bytes)
    {
        for (uint8_t b : bytes)
            Bytes.at(static_cast<size_t>(offset++)) = b;
        return *this;
    }
};
