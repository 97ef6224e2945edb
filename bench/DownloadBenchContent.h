#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// The file the download benchmark serves: pseudo-random bytes that both the server and the
// checker can work out at any offset, so neither has to keep a copy of the other's.
namespace bench {

inline constexpr const char* kContentPath = "/book.bin";
inline constexpr const char* kContentName = "book.bin";

// The eight bytes at offset 8 * index (a splitmix64 step of the index; no pattern repeats).
inline std::uint64_t ContentWord(std::uint64_t index) {
  std::uint64_t z = (index + 1) * 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// Writes the `n` bytes of the content that start at `offset` to `out`.
inline void FillContent(std::uint64_t offset, char* out, std::size_t n) {
  while (n > 0) {
    const std::uint64_t word = ContentWord(offset / 8);
    const std::size_t skip = offset % 8;
    const std::size_t take = std::min<std::size_t>(8 - skip, n);
    std::memcpy(out, reinterpret_cast<const char*>(&word) + skip, take);
    out += take;
    offset += take;
    n -= take;
  }
}

// The whole content of `size` bytes.
inline std::string MakeContent(std::size_t size) {
  std::string data(size, '\0');
  FillContent(0, data.data(), size);
  return data;
}

}  // namespace bench
