// What both framings of the protocol share: Kermit's character conversions,
// the start byte of every packet, and how often a packet is sent again.
#pragma once

#include <cstdint>

namespace corvane {

constexpr int ToChar(int x) { return x + 32; }
constexpr int UnChar(int c) { return c - 32; }
constexpr int Ctl(int c) { return c ^ 64; }

inline constexpr std::uint8_t kSoh = 0x01;

// Resends after which a wait for the expected packet gives up; never changed.
inline constexpr int kRetryLimit = 5;

}  // namespace corvane
