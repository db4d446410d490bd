#pragma once
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

// A 99-byte diagnostic block, erased (all 0xFF) unless patched.
struct DiagBlockImage {
    std::vector<uint8_t> Bytes = std::vector<uint8_t>(99, 0xFF);

    DiagBlockImage& Set(int offset, std::initializer_list<uint8_t> bytes)
    {
        for (uint8_t b : bytes)
            Bytes.at(static_cast<size_t>(offset++)) = b;
        return *this;
    }
};
